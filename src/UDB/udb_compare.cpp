#include "UDB/udb_compare.h"

#include "platform/win/win_compare.h"

bool udb_equal_nocase(const std::wstring& a, const std::wstring& b) {
    return win_equal_ignore_case(a, b);
}

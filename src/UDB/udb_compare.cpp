#include "UDB/udb_compare.h"

#include "TK/tk_yaml_config.h"
#include "platform/win/win_compare.h"

bool udb_equal_nocase(const std::wstring& a, const std::wstring& b) {
    return win_equal_ignore_case(a, b);
}

bool udb_utf16_less::operator()(const std::wstring& a, const std::wstring& b) const noexcept {
    return tk_utf16_less()(a, b);
}

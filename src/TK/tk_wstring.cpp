#include "TK/tk_wstring.h"

#include "TK/tk_logger.h"
#include "TK/tk_utils.h"
#include "platform/win/win_compare.h"

tk_wstring tk_wstring::replace_all(const std::wstring& what, const std::wstring& with) {
    tk_wlog(1, L"tk_wstring::replace_all(%s,%s)", what.c_str(), with.c_str());
    tk_replace_all(*this, what, with);
    return *this;
}

bool tk_wstring::split(std::vector<std::wstring>& tokens, wchar_t separator) const {
    tk_wlog(1, L"tk_wstring::split(%c)", separator);
    tokens = tk_split(*this, separator);
    return true;
}

tk_wstring tk_wstring::to_upper() {
    tk_wlog(1, L"tk_wstring::to_upper(%s)", c_str());
    for (auto& c : *this) c = win_to_upper(c);
    return *this;
}

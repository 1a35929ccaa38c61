#include "ORA/ora_validator.h"

#include "TK/tk_logger.h"
#include "UDB/udb_compare.h"
#include "platform/win/win_compare.h"

namespace {

bool is_name_char(wchar_t c) {
    return IsCharAlphaNumericW(c) || c == L' ' || c == L'#' || c == L'.' || c == L'_';
}

}  // namespace

ora_validator::ora_validator() : udb_validator(30) {
    tk_log(2, "ora_validator::ctor");
}

bool ora_validator::is_acceptable(const std::wstring& name) {
    tk_wlog(1, L"ora_validator::is_acceptable(%s)", name.c_str());
    if (name.size() > 30) {
        tk_wlog(3, L"Name '%s' is too long", name.c_str());
        return false;
    }
    if (name.size() >= 2 && name.front() == L'"' && name.back() == L'"') {
        tk_log(1, "Names enclosed in \"...\" are always acceptable");
        return true;
    }
    if (name.empty() || !IsCharAlphaW(name[0])) return false;
    for (wchar_t c : name) {
        if (!is_name_char(c)) {
            tk_wlog(3, L"Name contains invalid symbol: '%c'", c);
            return false;
        }
    }
    for (const std::wstring& word : m_restricted)
        if (udb_equal_nocase(word, name)) return false;
    return true;
}

std::wstring ora_validator::get_safe_name(const std::wstring& name) {
    tk_wlog(1, L"ora_validator::get_safe_name(%s)", name.c_str());
    std::wstring safe = name;
    if (safe.empty() || !IsCharAlphaW(safe[0])) safe.insert(safe.begin(), L'A');
    if (safe.size() > 30) safe.resize(29);
    for (wchar_t& c : safe)
        if (!is_name_char(c)) c = L'_';
    return udb_validator::get_safe_name(safe);
}

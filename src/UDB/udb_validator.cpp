#include "UDB/udb_validator.h"

#include <cwchar>

#include "TK/tk_exception.h"
#include "TK/tk_logger.h"
#include "UDB/udb_compare.h"

namespace {

constexpr int kMaxNumber = 99999;

// A name as a user reads it on one line: control characters written as escapes.
std::wstring printable(const std::wstring& name) {
    std::wstring out;
    for (wchar_t c : name) {
        if (c == L'\n') {
            out += L"\\n";
        } else if (c == L'\r') {
            out += L"\\r";
        } else if (c == L'\t') {
            out += L"\\t";
        } else if (udb_is_control(c)) {
            wchar_t code[8];
            std::swprintf(code, sizeof code / sizeof code[0], L"\\x%02X", static_cast<unsigned>(c));
            out += code;
        } else {
            out += c;
        }
    }
    return out;
}

}  // namespace

udb_validator::udb_validator(int max_length) : m_max_length(max_length) {
    tk_log(2, "udb_validator::ctor");
}

udb_validator::~udb_validator() = default;

bool udb_validator::is_acceptable(const std::wstring& name) {
    tk_wlog(2, L"udb_validator::is_acceptable(%s)", name.c_str());
    if (m_max_length != 0 && name.size() > static_cast<std::size_t>(m_max_length)) {
        tk_log(1, "The name is too long");
        return false;
    }
    for (const auto& r : m_restricted) {
        if (udb_equal_nocase(r, name)) {
            tk_log(2, "The name is restricted");
            return false;
        }
    }
    for (wchar_t c : m_illegal) {
        if (name.find(c) != std::wstring::npos) {
            tk_wlog(2, L"The name contains illegal: %c", c);
            return false;
        }
    }
    return true;
}

bool udb_validator::is_duplicated(const std::wstring& name) {
    tk_wlog(2, L"udb_validator::is_duplicated(%s)", name.c_str());
    for (const auto& e : m_existing) {
        tk_wlog(1, L"Processing %s", e.c_str());
        if (udb_equal_nocase(e, name)) {
            tk_log(2, "Name is duplicated");
            return true;
        }
    }
    return false;
}

std::wstring udb_validator::get_safe_name(const std::wstring& name) {
    tk_wlog(1, L"udb_validator::get_safe_name(%s)", name.c_str());
    const std::size_t max = static_cast<std::size_t>(m_max_length);
    std::wstring result = name;
    // One below the limit, so that a repaired name never reaches the limit itself.
    if (m_max_length != 0 && result.size() > max) result.resize(max - 1);
    for (wchar_t c : m_illegal) {
        for (auto& ch : result) {
            if (ch == c) ch = L'_';
        }
    }
    if (is_acceptable(result) && !is_duplicated(result)) return result;

    // Room for five digits: the numbered names end one below the limit as well.
    if (m_max_length > 5 && result.size() > max - 5) result.resize(max - 6);
    wchar_t digits[8];
    for (int n = 0; n <= kMaxNumber; ++n) {
        std::swprintf(digits, sizeof digits / sizeof digits[0], L"%05d", n);
        std::wstring candidate = result + digits;
        if (is_acceptable(candidate) && !is_duplicated(candidate)) return candidate;
    }
    throw tk_mail_assertion("udb_vali", 54);
}

std::wstring udb_validator::take_name(const std::wstring& name) {
    const bool accepted = is_acceptable(name);
    std::wstring taken = accepted ? name : get_safe_name(name);
    if (!accepted) add_mapped_pair(name, taken);
    add_existing_name(taken);
    add_restricted_name(taken);
    return taken;
}

std::wstring udb_validator::repair_notice(const std::wstring& kind, const std::wstring& source,
                                          const std::wstring& repaired, const std::wstring& table) {
    std::wstring line = kind + L" '" + printable(source) + L"'";
    if (!table.empty()) line += L" of table '" + printable(table) + L"'";
    return line + L" -> '" + printable(repaired) + L"' (name repaired)";
}

void udb_validator::add_existing_name(const std::wstring& name) {
    tk_wlog(1, L"udb_validator::add_existing_name(%s)", name.c_str());
    m_existing.push_back(name);
}

void udb_validator::add_mapped_pair(const std::wstring& source, const std::wstring& repaired) {
    tk_wlog(1, L"udb_validator::add_mapped_pair(%s,%s)", source.c_str(), repaired.c_str());
    m_mapping.add(source, repaired);
}

void udb_validator::add_restricted_name(const std::wstring& name) {
    m_restricted.push_back(name);
}

void udb_validator::add_illegal_char(wchar_t c) {
    m_illegal.push_back(c);
}

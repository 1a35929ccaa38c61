#include "ORA/ora_literal.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <limits>

#include "ORA/ora_date_processor.h"
#include "ORA/ora_utils.h"
#include "TK/tk_logger.h"
#include "TK/tk_utils.h"
#include "UDB/t_ftd.h"
#include "variant/ole_variant.h"

namespace {

std::wstring widen(const char* text, std::size_t n) {
    return std::wstring(text, text + n);
}

// The shortest text that reads back as the same double.
std::wstring real_text(double value) {
    char buf[64];
    auto r = std::to_chars(buf, buf + sizeof buf, value);
    return widen(buf, static_cast<std::size_t>(r.ptr - buf));
}

std::wstring quote_text(const std::wstring& text) {
    std::wstring out = L"'";
    out.reserve(text.size() + 2);
    for (wchar_t c : text) {
        out += c;
        if (c == L'\'') out += L'\'';
    }
    return out + L"'";
}

std::wstring date_text(const ole_variant& value, const wchar_t*& mask) {
    SYSTEMTIME t{};
    value.get_systemtime(t);
    wchar_t buf[64];
    // Day 0 of the automation calendar is written as the date it is: read as a time alone,
    // it would land on a day of the current year.
    if (t.wHour == 0 && t.wMinute == 0 && t.wSecond == 0) {
        std::swprintf(buf, 64, L"%04d-%02d-%02d", t.wYear, t.wMonth, t.wDay);
        mask = L"YYYY-MM-DD";
        return buf;
    }
    std::swprintf(buf, 64, L"%04d-%02d-%02d %02d:%02d:%02d", t.wYear, t.wMonth, t.wDay, t.wHour,
                  t.wMinute, t.wSecond);
    mask = L"YYYY-MM-DD HH24:MI:SS";
    return buf;
}

constexpr int k_max_fraction_digits = 9;

// Reads `count` decimal digits of `text` at `at`.
bool read_digits(const std::wstring& text, std::size_t& at, std::size_t count, int& value) {
    if (at + count > text.size()) return false;
    value = 0;
    for (std::size_t k = 0; k < count; ++k, ++at) {
        const wchar_t c = text[at];
        if (c < L'0' || c > L'9') return false;
        value = value * 10 + (c - L'0');
    }
    return true;
}

bool read_char(const std::wstring& text, std::size_t& at, wchar_t c) {
    if (at >= text.size() || text[at] != c) return false;
    ++at;
    return true;
}

// ISO text into its parts and fraction digits; false for anything else.
bool parse_iso_stamp(const std::wstring& raw, SYSTEMTIME& t, std::wstring& fraction) {
    const std::wstring text = ora_trim(raw);
    std::size_t at = 0;
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
    if (!read_digits(text, at, 4, year) || !read_char(text, at, L'-') ||
        !read_digits(text, at, 2, month) || !read_char(text, at, L'-') ||
        !read_digits(text, at, 2, day))
        return false;
    if (at < text.size()) {
        if (text[at] != L' ' && text[at] != L'T') return false;
        ++at;
        if (!read_digits(text, at, 2, hour) || !read_char(text, at, L':') ||
            !read_digits(text, at, 2, minute) || !read_char(text, at, L':') ||
            !read_digits(text, at, 2, second))
            return false;
        if (read_char(text, at, L'.')) {
            fraction = text.substr(at);
            if (fraction.empty() || fraction.size() > k_max_fraction_digits) return false;
            for (wchar_t c : fraction)
                if (c < L'0' || c > L'9') return false;
            at = text.size();
        }
    }
    if (at != text.size() || month < 1 || month > 12 || day < 1 || day > 31 || hour > 23 ||
        minute > 59 || second > 59)
        return false;
    t.wYear = static_cast<WORD>(year), t.wMonth = static_cast<WORD>(month);
    t.wDay = static_cast<WORD>(day), t.wHour = static_cast<WORD>(hour);
    t.wMinute = static_cast<WORD>(minute), t.wSecond = static_cast<WORD>(second);
    return true;
}

}  // namespace

bool ora_timestamp_text(const ole_variant& value, std::wstring& out) {
    SYSTEMTIME t{};
    std::wstring fraction;
    if (value.vt() == VT_BSTR) {
        if (!parse_iso_stamp(value.to_wstring(), t, fraction)) {
            ole_variant date = value;
            try {
                date.change_type(VT_DATE);
            } catch (const std::exception&) {
                return false;
            }
            return ora_timestamp_text(date, out);
        }
    } else if (value.get_systemtime(t)) {
        wchar_t ms[8];
        std::swprintf(ms, 8, L"%03d", static_cast<int>(t.wMilliseconds));
        fraction = ms;
    } else {
        return false;
    }
    if (fraction.empty()) fraction = L"0";
    wchar_t buf[64];
    std::swprintf(buf, 64, L"%04d-%02d-%02d %02d:%02d:%02d.", t.wYear, t.wMonth, t.wDay, t.wHour,
                  t.wMinute, t.wSecond);
    out = buf + fraction;
    return true;
}

std::string ora_integer_misfit(const ole_variant& value, std::int32_t& out) {
    constexpr double k_lowest = std::numeric_limits<std::int32_t>::min();
    constexpr double k_highest = std::numeric_limits<std::int32_t>::max();
    const VARTYPE vt = value.vt();
    // Every 32-bit integer is exact in a double; wider kinds are read from their digits.
    double number = 0;
    bool numeric = true;
    if (vt == VT_BOOL) {
        out = value.to_bool() ? 1 : 0;
        return std::string();
    }
    if (ora_binds_as_int(vt) || vt == VT_R4 || vt == VT_R8) {
        number = value.to_double();
    } else {
        const std::string narrow = tk_to_utf8(ora_trim(to_oracle_str(value, 0)));
        const char* end = narrow.data() + narrow.size();
        auto r = std::from_chars(narrow.data(), end, number);
        numeric = !narrow.empty() && r.ec != std::errc::invalid_argument && r.ptr == end;
        if (numeric && r.ec == std::errc::result_out_of_range) number = HUGE_VAL;
    }
    const std::string shown = "'" + tk_to_utf8(to_oracle_str(value, 0)) + "'";
    if (!numeric) return shown + " is no number";
    if (number != std::trunc(number)) return shown + " is no whole number";
    if (!(number >= k_lowest && number <= k_highest)) return shown + " does not fit the column";
    out = static_cast<std::int32_t>(number);
    return std::string();
}

tk_exception ora_value_error(const std::wstring& table, const std::wstring& column,
                             const std::string& why) {
    return tk_exception(
        "Table '" + tk_to_utf8(table) + "', column '" + tk_to_utf8(column) + "': " + why, 0);
}

bool ora_out_of_range(double value) {
    return !(value >= -k_ora_number_limit && value <= k_ora_number_limit);
}

std::wstring to_oracle_str(const ole_variant& value, int quoted) {
    const VARTYPE vt = value.vt();
    tk_log(1, "to_oracle_str(%d,%d)", static_cast<int>(vt), quoted);
    switch (vt) {
        case VT_EMPTY:
        case VT_NULL:
            return quoted ? L"NULL" : L"";
        // The variant's own 64 bits: the cached copies are not kept by every copy of a value.
        case VT_I8:
            return std::to_wstring(static_cast<long long>(value.variant().llVal));
        case VT_UI8:
            return std::to_wstring(static_cast<unsigned long long>(value.variant().ullVal));
        case VT_I1:
        case VT_I2:
        case VT_I4:
        case VT_INT:
        case VT_UI1:
        case VT_UI2:
        case VT_UI4:
        case VT_UINT:
        case VT_DECIMAL:
        case VT_CY:
            return value.to_wstring();
        case VT_BOOL:
            return value.to_bool() ? L"1" : L"0";
        case VT_R4:
        case VT_R8:
            return real_text(value.to_double());
        case VT_DATE: {
            const wchar_t* mask = L"";
            std::wstring text = date_text(value, mask);
            if (!quoted) return text;
            return L"to_date('" + text + L"', '" + mask + L"')";
        }
        case VT_BSTR:
            return quoted ? quote_text(value.to_wstring()) : value.to_wstring();
        default:
            break;
    }
    if (vt == VT_BYTE_ARRAY || vt == VT_BLOB) {
        tk_log(1, "GOT BLOB");
        const std::uint8_t* bytes = nullptr;
        std::size_t n = value.get_bytes1(bytes);
        std::string hex = n ? tk_bytes_to_hex(bytes, n) : std::string();
        std::wstring text(hex.begin(), hex.end());
        if (!quoted) return text;
        return text.empty() ? L"NULL" : L"'" + text + L"'";
    }
    std::wstring text = value.to_wstring();
    return quoted ? quote_text(text) : text;
}

std::wstring make_ora_def_val(const t_ftd& field) {
    const ole_variant& def = field.default_value;
    tk_wlog(1, L"make_ora_def_val(%s)", field.name.c_str());
    if (def.is_null()) {
        tk_log(1, "Got empty def value");
        return std::wstring();
    }
    // A source's expression (USER, a sequence, a function) quoted as text would be a default the
    // source never had: no DEFAULT rather than a made-up one.  The current time comes as the
    // plain value "sysdate".
    if (field.b_default_expression) {
        tk_log(1, "The default is an expression: no DEFAULT clause");
        return std::wstring();
    }
    if (field.vartype == VT_DATE) {
        tk_log(1, "Got DATE def value");
        std::wstring text = def.vt() == VT_BSTR ? def.to_wstring() : to_oracle_str(def, 0);
        if (def.vt() == VT_BSTR && (text == L"sysdate" || text == L"SYSDATE")) return L"SYSDATE";
        if (def.vt() == VT_DATE) return to_oracle_str(def, 1);
        if (ora_date_processor* dates = ora_date_processor::find_instance()) {
            std::wstring canon = dates->get_canonized_str(text);
            tk_wlog(1, L"After canonization: %s", canon.c_str());
            if (!canon.empty()) return L"to_date('" + canon + L"', 'YYYY-MM-DD')";
        }
        return std::wstring();
    }
    if (field.vartype == VT_BSTR) {
        std::wstring text = def.to_wstring();
        tk_wlog(1, L"Got BSTR or DATE def value: %s", text.c_str());
        return quote_text(text);
    }
    if (def.vt() == VT_R4 || def.vt() == VT_R8) {
        if (ora_out_of_range(def.to_double())) {
            tk_log(1, "def value is out of range");
            return std::wstring();
        }
    }
    if (def.vt() == VT_BSTR) {
        // A numeric column's default kept as text must read as a number to stand bare.
        std::wstring text = ora_trim(def.to_wstring());
        double number = 0;
        std::string narrow(text.begin(), text.end());
        auto r = std::from_chars(narrow.data(), narrow.data() + narrow.size(), number);
        if (text.empty() || r.ec != std::errc() || r.ptr != narrow.data() + narrow.size() ||
            ora_out_of_range(number))
            return std::wstring();
        return text;
    }
    return to_oracle_str(def, 1);
}

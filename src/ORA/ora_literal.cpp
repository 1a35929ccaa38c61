#include "ORA/ora_literal.h"

#include <charconv>
#include <cmath>
#include <cstdio>

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
    // Day 0 of the automation calendar carries a time of day alone.
    if (t.wYear == 1899 && t.wMonth == 12 && t.wDay == 30) {
        tk_log(1, "Null date has been found");
        std::swprintf(buf, 64, L"%02d-%02d-%02d", t.wHour, t.wMinute, t.wSecond);
        mask = L"HH24-MI-SS";
        return buf;
    }
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

}  // namespace

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

// Parsing text into a value of a requested type, and changing a value's type in place.
#include <cerrno>
#include <charconv>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <string_view>

#include "TK/tk_exception.h"
#include "TK/tk_logger.h"
#include "variant/ole_cast_exception.h"
#include "variant/ole_codepage.h"
#include "variant/ole_date.h"
#include "variant/ole_type_exception.h"
#include "variant/ole_variant.h"

namespace {

bool is_blank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v';
}

// atoi: leading blanks, sign, digits; the rest ignored; 0 when nothing matches.  A number past
// the int range gives the nearest end of it (the C function leaves that undefined).
int text_to_int(const std::string& text) {
    errno = 0;
    long long v = std::strtoll(text.c_str(), nullptr, 10);
    if (v > INT_MAX) return INT_MAX;
    if (v < INT_MIN) return INT_MIN;
    return static_cast<int>(v);
}

// atof over the neutral form ('.' decimal point whatever the process locale says).
double text_to_double(const std::string& text) {
    std::size_t i = 0;
    while (i < text.size() && is_blank(text[i])) ++i;
    if (i + 1 < text.size() && text[i] == '+' && text[i + 1] != '-' && text[i + 1] != '+') ++i;
    double d = 0;
    auto res = std::from_chars(text.data() + i, text.data() + text.size(), d);
    if (res.ec == std::errc::invalid_argument) return 0;
    if (res.ec == std::errc::result_out_of_range) {
        // As the C function: the infinity of the sign past the range, the nearest real (zero
        // included) below it.
        long double wide = 0;
        auto again = std::from_chars(text.data() + i, text.data() + text.size(), wide);
        bool negative = text[i] == '-';
        if (again.ec == std::errc()) {
            if (std::fabs(wide) <= std::numeric_limits<double>::max())
                return static_cast<double>(wide);
        } else {
            std::string_view rest(text.data() + i,
                                  static_cast<std::size_t>(res.ptr - text.data()) - i);
            if (rest.find("e-") != rest.npos || rest.find("E-") != rest.npos)
                return negative ? -0.0 : 0.0;
        }
        return negative ? -HUGE_VAL : HUGE_VAL;
    }
    return d;
}

// The single-precision value of a real; a real past the float range becomes the infinity of its
// sign, as the hardware gives it, where a plain conversion would be undefined.
float to_single(double r) {
    if (r > std::numeric_limits<float>::max()) return std::numeric_limits<float>::infinity();
    if (r < -std::numeric_limits<float>::max()) return -std::numeric_limits<float>::infinity();
    return static_cast<float>(r);
}

int hex_digit(char c) {
    static constexpr char digits[] = "0123456789abcdef";
    if (c >= 'A' && c <= 'F') c = static_cast<char>(c - 'A' + 'a');
    const char* p = std::strchr(digits, c);
    return c != '\0' && p ? static_cast<int>(p - digits) : -1;
}

std::string with_dots(std::string text) {
    for (char& c : text)
        if (c == ',') c = '.';
    return text;
}

bool ascii_ieq(const std::string& a, const char* b) {
    std::size_t n = std::strlen(b);
    if (a.size() != n) return false;
    for (std::size_t i = 0; i < n; ++i) {
        char x = a[i], y = b[i];
        if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
        if (x != y) return false;
    }
    return true;
}

}  // namespace

ole_variant ole_variant::from_string(const std::string& text, VARTYPE vt) {
    tk_log(1, "ole_variant::from_string('%s', 0x%08X)", text.c_str(), static_cast<unsigned>(vt));
    ole_variant v;
    if (text.empty()) {
        if (vt == VT_BLOB || vt == VT_BYTE_ARRAY) tk_log(1, "Empty BLOB");
        if (vt == VT_BSTR) v.attach_wstring(std::wstring());
        return v;
    }
    switch (vt) {
        case VT_I2:
            v = ole_variant(static_cast<short>(text_to_int(text)));
            return v;
        case VT_I4:
            v = ole_variant(text_to_int(text));
            return v;
        case VT_I1:
            v = ole_variant(static_cast<char>(text_to_int(text)));
            return v;
        case VT_UI1:
            v = ole_variant(static_cast<unsigned char>(text_to_int(text)));
            return v;
        case VT_UI2:
            v = ole_variant(static_cast<unsigned short>(text_to_int(text)));
            return v;
        case VT_UI4: {
            // sscanf "%u": blanks, an optional sign, digits; kept to 32 bits.
            char* end = nullptr;
            unsigned long long u = std::strtoull(text.c_str(), &end, 10);
            if (end == text.c_str()) u = 0;
            v = ole_variant(static_cast<unsigned int>(u));
            return v;
        }
        case VT_I8:
            v = ole_variant(static_cast<long long>(std::strtoll(text.c_str(), nullptr, 10)));
            return v;
        case VT_UI8: {
            char* end = nullptr;
            unsigned long long u = std::strtoull(text.c_str(), &end, 10);
            if (end == text.c_str()) u = 0;
            v = ole_variant(u);
            return v;
        }
        case VT_R4:
            v = ole_variant(to_single(text_to_double(with_dots(text))));
            return v;
        case VT_R8:
            v = ole_variant(text_to_double(with_dots(text)));
            return v;
        case VT_CY: {
            tk_log(1, "GOT VT_CY");
            std::wstring wide;
            std::string dotted = with_dots(text);
            // Text that is no valid multi-byte text is no number either: the same empty
            // answer as any other text the reader refuses.
            if (!ole_widen(dotted.data(), dotted.size(), CP_ACP, wide)) {
                tk_log(2, "Not a valid text for a number: '%s'", text.c_str());
                return v;
            }
            CY cy{};
            HRESULT hr = VarCyFromStr(wide.c_str(), OLE_LCID_ENGLISH_US, 0, &cy);
            if (FAILED(hr)) {
                tk_log(3, "VarCyFromStr failed: %08X", static_cast<unsigned>(hr));
                return v;
            }
            v = ole_variant(cy);
            return v;
        }
        case VT_DECIMAL: {
            tk_log(1, "GOT VT_DECIMAL");
            std::wstring wide;
            std::string dotted = with_dots(text);
            // Text that is no valid multi-byte text is no number either: the same empty
            // answer as any other text the reader refuses.
            if (!ole_widen(dotted.data(), dotted.size(), CP_ACP, wide)) {
                tk_log(2, "Not a valid text for a number: '%s'", text.c_str());
                return v;
            }
            DECIMAL dec{};
            HRESULT hr = VarDecFromStr(wide.c_str(), OLE_LCID_ENGLISH_US, 0, &dec);
            if (FAILED(hr)) {
                tk_log(2, "ERROR: VarDecFromStr for '%s' failed (hr=%08X)", text.c_str(),
                       static_cast<unsigned>(hr));
                return v;
            }
            v = ole_variant(dec);
            return v;
        }
        case VT_DATE: {
            tk_log(1, "GOT VT_DATE");
            ole_date date(text);
            if (date.is_valid()) v = date.to_variant();
            return v;
        }
        case VT_BOOL: {
            if (ascii_ieq(text, "yes") || ascii_ieq(text, "true"))
                v = ole_variant(true);
            else if (ascii_ieq(text, "no") || ascii_ieq(text, "false"))
                v = ole_variant(false);
            else
                v = ole_variant(text_to_int(text) != 0);
            return v;
        }
        case VT_BLOB:
        case VT_BYTE_ARRAY: {
            std::size_t len = text.size();
            if (len % 2 != 0) {
                tk_log(2, "Incorrect BLOB (size is odd)");
                return v;
            }
            bool prefix = (text[0] == '0' || text[0] == '\\') && (text[1] == 'x' || text[1] == 'X');
            if (prefix) tk_log(1, "b_prefix=true");
            std::size_t count = len / 2 - (prefix ? 1 : 0);
            tk_log(2, "Got BLOB size: %d", static_cast<int>(count));
            v.allocate_safe_array(count);
            auto* out = static_cast<std::uint8_t*>(v.m_var.parray->pvData);
            std::size_t n = 0;
            for (std::size_t i = prefix ? 2 : 0; i + 1 < len && text[i] != '\0'; i += 2) {
                int hi = hex_digit(text[i]);
                int lo = hex_digit(text[i + 1]);
                if (hi < 0 || lo < 0) {
                    // A character outside the hex digits has no byte value: the text is not a
                    // binary value at all, so nothing is made of it.
                    tk_log(2, "Incorrect BLOB (not a hexadecimal digit)");
                    return ole_variant();
                }
                out[n++] = static_cast<std::uint8_t>(hi << 4 | lo);
            }
            return v;
        }
        default: {
            v.attach_string(text);
            if (vt != VT_BSTR) {
                if (FAILED(VariantChangeType(&v.m_var, &v.m_var, 0, vt)))
                    throw ole_type_exception();
            }
            tk_log(1, "VariantChangeType succeeded");
            return v;
        }
    }
}

ole_variant ole_variant::from_wstring(const std::wstring& text, VARTYPE vt) {
    tk_log(1, "ole_variant::from_wstring");
    if (vt == VT_BSTR) {
        ole_variant v;
        v.set_wstring(text);
        return v;
    }
    std::string narrow;
    if (!ole_narrow(text.data(), text.size(), CP_THREAD_ACP, narrow))
        throw tk_exception_ex("Cannot convert to ANSI string: ", 0);
    return from_string(narrow, vt);
}

void ole_variant::convert_to_byte_array(const void* data, std::size_t count,
                                        std::vector<std::uint8_t>& bytes) {
    tk_log(1, "convert_to_byte_array(%d)", static_cast<int>(count));
    const auto* p = static_cast<const std::uint8_t*>(data);
    bytes.assign(p, p + count);
    // A long text turned into bytes would otherwise make one logger call per byte.
    if (tk_logger* l = tk_logger::find_instance(); l && l->wants(1))
        for (std::size_t i = 0; i < count; ++i) tk_log(1, "byte_array[i]=%d", bytes[i]);
}

namespace {

// Stores an integer's low bits in the VARIANT member of the target type; false when the target
// is not an integer, real or boolean type.
template <class T>
bool store_bits(VARIANT& var, VARTYPE vt, T value) {
    switch (vt) {
        case VT_BOOL:
            var.boolVal = value != 0 ? VARIANT_TRUE : VARIANT_FALSE;
            return true;
        case VT_I2:
            var.iVal = static_cast<std::int16_t>(value);
            return true;
        case VT_UI2:
            var.uiVal = static_cast<WORD>(value);
            return true;
        case VT_I4:
            var.lVal = static_cast<LONG>(value);
            return true;
        case VT_UI4:
            var.ulVal = static_cast<DWORD>(value);
            return true;
        case VT_INT:
            var.intVal = static_cast<int>(value);
            return true;
        case VT_UINT:
            var.uintVal = static_cast<UINT>(value);
            return true;
        case VT_I1:
            var.cVal = static_cast<char>(value);
            return true;
        case VT_UI1:
            var.bVal = static_cast<BYTE>(value);
            return true;
        case VT_R4:
            var.fltVal = static_cast<float>(value);
            return true;
        case VT_R8:
            var.dblVal = static_cast<double>(value);
            return true;
        default:
            return false;
    }
}

// The values an integer type holds; false for a type that is no integer.
struct integer_range {
    std::int64_t min = 0;
    std::uint64_t max = 0;
};

bool range_of(VARTYPE vt, integer_range& r) {
    switch (vt) {
        case VT_I1:
            r = {INT8_MIN, INT8_MAX};
            return true;
        case VT_UI1:
            r = {0, UINT8_MAX};
            return true;
        case VT_I2:
            r = {INT16_MIN, INT16_MAX};
            return true;
        case VT_UI2:
            r = {0, UINT16_MAX};
            return true;
        case VT_I4:
        case VT_INT:
            r = {INT32_MIN, INT32_MAX};
            return true;
        case VT_UI4:
        case VT_UINT:
            r = {0, UINT32_MAX};
            return true;
        case VT_I8:
            r = {INT64_MIN, INT64_MAX};
            return true;
        case VT_UI8:
            r = {0, UINT64_MAX};
            return true;
        default:
            return false;
    }
}

// A value changed into a narrower integer type must be the same number there: keeping its low
// bits would store another number with no word of it.  Types that are no integer hold any.
void require_holds(VARTYPE vt, std::int64_t value) {
    integer_range r;
    if (!range_of(vt, r)) return;
    if (value < r.min || (value > 0 && static_cast<std::uint64_t>(value) > r.max))
        throw ole_cast_exception();
}

void require_holds_unsigned(VARTYPE vt, std::uint64_t value) {
    integer_range r;
    if (range_of(vt, r) && value > r.max) throw ole_cast_exception();
}

// The integer value of an integer-typed VARIANT (the 64-bit types excepted); false for others.
bool small_integer_value(const VARIANT& v, std::int64_t& out) {
    switch (v.vt) {
        case VT_I1:
            out = static_cast<signed char>(v.cVal);
            return true;
        case VT_UI1:
            out = v.bVal;
            return true;
        case VT_I2:
            out = v.iVal;
            return true;
        case VT_UI2:
            out = v.uiVal;
            return true;
        case VT_I4:
            out = v.lVal;
            return true;
        case VT_INT:
            out = v.intVal;
            return true;
        case VT_UI4:
            out = v.ulVal;
            return true;
        case VT_UINT:
            out = v.uintVal;
            return true;
        default:
            return false;
    }
}

// Round half away from zero of a real, as an integer the target keeps the low bits of; false
// for values no 64-bit integer holds.
bool round_away(double r, std::int64_t& out) {
    if (!std::isfinite(r)) return false;
    double n = r >= 0 ? std::trunc(r + 0.5) : std::trunc(r - 0.5);
    if (n < -9223372036854775808.0 || n >= 9223372036854775808.0) return false;
    out = static_cast<std::int64_t>(n);
    return true;
}

}  // namespace

void ole_variant::change_type(VARTYPE vt) {
    const VARTYPE src = m_var.vt;
    tk_log(1, "ole_variant::change_type(old=%d,new=%d)", src, vt);

    // 1. Nothing to do.
    if (vt == src || src == VT_NULL || src == VT_EMPTY ||
        (ole_is_binary_type(vt) && ole_is_binary_type(src))) {
        tk_log(1, "Type cannot be changed");
        return;
    }

    // 2-4. From the 64-bit side values.
    if (src == VT_I8 || src == VT_UI8) {
        const bool is_signed = src == VT_I8;
        if (!is_signed && (vt < VT_I2 || vt > VT_UINT)) throw ole_cast_exception();
        const std::int64_t sv = m_i64;
        const std::uint64_t uv = m_ui64;
        if (is_signed)
            require_holds(vt, sv);
        else
            require_holds_unsigned(vt, uv);
        VARIANT out{};
        out.vt = vt;
        if (vt == VT_I8 || vt == VT_UI8) {
            clear();
            if (vt == VT_I8)
                m_i64 = static_cast<std::int64_t>(uv);
            else
                m_ui64 = static_cast<std::uint64_t>(sv);
            m_var.vt = vt;
            m_var.llVal = vt == VT_I8 ? m_i64 : static_cast<std::int64_t>(m_ui64);
            return;
        }
        if (vt == VT_R4 || vt == VT_R8) {
            if (vt == VT_R4)
                out.fltVal = is_signed ? static_cast<float>(sv) : static_cast<float>(uv);
            else
                out.dblVal = is_signed ? static_cast<double>(sv) : static_cast<double>(uv);
        } else if (vt == VT_CY) {
            // Times 10,000 overflows past 922,337,203,685,477: refused rather than wrapped.
            HRESULT hr = DISP_E_OVERFLOW;
            if (is_signed)
                hr = VarCyFromI8(sv, &out.cyVal);
            else if (uv <= static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max()))
                hr = VarCyFromI8(static_cast<std::int64_t>(uv), &out.cyVal);
            if (FAILED(hr)) throw ole_cast_exception();
        } else if (vt == VT_BSTR) {
            std::string digits = is_signed ? std::to_string(sv) : std::to_string(uv);
            clear();
            attach_wstring(std::wstring(digits.begin(), digits.end()));
            return;
        } else if (vt == VT_DECIMAL) {
            tk_log(1, is_signed ? "VT_I8->VT_DECIMAL" : "VT_UI8->VT_DECIMAL");
            DECIMAL dec{};
            HRESULT hr = is_signed ? VarDecFromI8(sv, &dec) : VarDecFromUI8(uv, &dec);
            if (FAILED(hr)) throw ole_cast_exception();
            clear();
            m_var.decVal = dec;
            m_var.vt = VT_DECIMAL;
            return;
        } else {
            bool ok = is_signed ? store_bits(out, vt, sv) : store_bits(out, vt, uv);
            if (!ok) throw ole_cast_exception();
        }
        clear();
        m_var = out;
        m_var.vt = vt;
        return;
    }

    // 5. A date only becomes its text.
    if (src == VT_DATE) {
        if (vt != VT_BSTR) throw ole_cast_exception();
        std::wstring text = ole_date(m_time).to_wstring(true);
        attach_wstring(text);
        return;
    }

    // 6. To the 64-bit side values.
    if (vt == VT_I8 || vt == VT_UI8) {
        std::int64_t s = 0;
        std::uint64_t u = 0;
        bool use_unsigned = false;
        switch (src) {
            case VT_I2:
                s = m_var.iVal;
                break;
            case VT_BOOL:
                s = m_var.boolVal;
                break;
            case VT_I4:
                s = m_var.lVal;
                break;
            case VT_INT:
                s = m_var.intVal;
                break;
            case VT_I1:
                s = static_cast<signed char>(m_var.cVal);
                break;
            case VT_UI1:
                s = m_var.bVal;
                break;
            case VT_UI2:
                s = m_var.uiVal;
                break;
            case VT_UI4:
                s = m_var.ulVal;
                break;
            case VT_UINT:
                s = m_var.uintVal;
                break;
            case VT_R4:
            case VT_R8: {
                double r = src == VT_R4 ? m_var.fltVal : m_var.dblVal;
                // Truncation toward zero, refused where no target value exists.
                if (!std::isfinite(r)) throw ole_cast_exception();
                double t = std::trunc(r);
                if (vt == VT_UI8) {
                    if (t < 0 || t >= 18446744073709551616.0) throw ole_cast_exception();
                    u = static_cast<std::uint64_t>(t);
                    use_unsigned = true;
                } else {
                    if (t < -9223372036854775808.0 || t >= 9223372036854775808.0)
                        throw ole_cast_exception();
                    s = static_cast<std::int64_t>(t);
                }
                break;
            }
            case VT_CY:
                // Rounded half to even, as every currency-to-integer conversion here.
                if (FAILED(VarI8FromCy(m_var.cyVal, &s))) throw ole_cast_exception();
                break;
            case VT_DECIMAL:
                if (vt == VT_I8) {
                    tk_log(1, "VT_DECIMAL->VT_I8");
                    if (FAILED(VarI8FromDec(&m_var.decVal, &s))) throw ole_cast_exception();
                } else {
                    tk_log(1, "VT_DECIMAL->VT_UI8");
                    if (FAILED(VarUI8FromDec(&m_var.decVal, &u))) throw ole_cast_exception();
                    use_unsigned = true;
                }
                break;
            default:
                throw ole_cast_exception();
        }
        if (use_unsigned)
            require_holds_unsigned(vt, u);
        else
            require_holds(vt, s);
        clear();
        if (vt == VT_I8) {
            m_i64 = use_unsigned ? static_cast<std::int64_t>(u) : s;
            m_var.llVal = m_i64;
        } else {
            m_ui64 = use_unsigned ? u : static_cast<std::uint64_t>(s);
            m_var.ullVal = m_ui64;
        }
        m_var.vt = vt;
        return;
    }

    // 7. To the 32- and 16-bit integers.
    if (vt == VT_I4 || vt == VT_I2 || vt == VT_UI4 || vt == VT_UI2) {
        if (src == VT_R4 || src == VT_R8) {
            std::int64_t n = 0;
            if (!round_away(src == VT_R4 ? m_var.fltVal : m_var.dblVal, n))
                throw ole_cast_exception();
            require_holds(vt, n);
            VARIANT out{};
            store_bits(out, vt, n);
            out.vt = vt;
            m_var = out;
            return;
        }
        if (src == VT_DECIMAL) {
            VARIANT out{};
            HRESULT hr = S_OK;
            switch (vt) {
                case VT_I4:
                    tk_log(1, "VT_DECIMAL->VT_I4");
                    if (tk_logger* l = tk_logger::find_instance(); l && l->wants(1))
                        tk_log(1, "to_string()=%s", to_string().c_str());
                    hr = VarI4FromDec(&m_var.decVal, &out.lVal);
                    break;
                case VT_I2:
                    tk_log(1, "VT_DECIMAL->VT_I2");
                    hr = VarI2FromDec(&m_var.decVal, &out.iVal);
                    break;
                case VT_UI4:
                    tk_log(1, "VT_DECIMAL->VT_UI4");
                    hr = VarUI4FromDec(&m_var.decVal, &out.ulVal);
                    break;
                default:
                    tk_log(1, "VT_DECIMAL->VT_UI2");
                    hr = VarUI2FromDec(&m_var.decVal, &out.uiVal);
                    break;
            }
            if (FAILED(hr)) throw ole_cast_exception();
            out.vt = vt;
            m_var = out;
            return;
        }
        // Every other source keeps its value and type, so long as the target holds the value.
        std::int64_t n = 0;
        if (small_integer_value(m_var, n)) {
            require_holds(vt, n);
        } else if (src == VT_CY) {
            if (FAILED(VarI8FromCy(m_var.cyVal, &n))) throw ole_cast_exception();
            require_holds(vt, n);
        }
        return;
    }

    // 8. Text to a date.
    if (vt == VT_DATE) {
        if (src != VT_BSTR) throw ole_cast_exception();
        ole_date date(std::wstring(m_var.bstrVal ? m_var.bstrVal : L""));
        // A part of the text the date would not keep (a time zone, digits beyond milliseconds,
        // words after the date) is refused with the rest: the value would be another one.
        if (!date.is_valid() || !date.is_exact()) throw ole_cast_exception();
        *this = date.to_variant();
        return;
    }

    // 9. From bytes: only to text.
    if (ole_is_binary_type(src)) {
        tk_log(1, "src.vt is binary, a_type=%d", vt);
        if (vt != VT_BSTR) return;
        const SAFEARRAY* array = m_var.parray;
        if (!array || SafeArrayGetDim(array) != 1) return;
        std::size_t n = get_safe_array_size(array);
        if (n > 100000000) n = 100000000;
        const auto* p = static_cast<const char*>(array->pvData);
        std::size_t len = 0;
        while (len < n && p[len] != '\0') ++len;
        std::wstring text;
        if (!ole_widen(p, len, CP_ACP, text)) throw ole_cast_exception();
        attach_wstring(text);
        return;
    }

    // 10. To bytes: the value's memory image.
    if (ole_is_binary_type(vt)) {
        tk_log(1, "a_type is binary, src.vt=%d", src);
        std::vector<std::uint8_t> bytes;
        switch (src) {
            case VT_I4:
            case VT_R4:
            case VT_UI4:
            case VT_INT:
            case VT_UINT:
                convert_to_byte_array(&m_var.lVal, 4, bytes);
                break;
            case VT_R8:
            case VT_CY:
                convert_to_byte_array(&m_var.dblVal, 8, bytes);
                break;
            case VT_DATE:
                convert_to_byte_array(&m_time, sizeof m_time, bytes);
                break;
            case VT_BOOL:
            case VT_I2:
            case VT_UI2:
                convert_to_byte_array(&m_var.iVal, 2, bytes);
                break;
            case VT_DECIMAL:
                convert_to_byte_array(&m_var, sizeof m_var, bytes);
                break;
            case VT_I1:
            case VT_UI1:
                convert_to_byte_array(&m_var.bVal, 1, bytes);
                break;
            case VT_I8:
                convert_to_byte_array(&m_i64, 8, bytes);
                break;
            case VT_UI8:
                convert_to_byte_array(&m_ui64, 8, bytes);
                break;
            case VT_BSTR: {
                tk_log(1, "VT_BSTR->binary");
                std::string narrow;
                const wchar_t* s = m_var.bstrVal ? m_var.bstrVal : L"";
                if (!ole_narrow(s, std::wcslen(s), CP_ACP, narrow)) throw ole_cast_exception();
                tk_log(1, "char_buf=%s", narrow.c_str());
                convert_to_byte_array(narrow.data(), narrow.size(), bytes);
                break;
            }
            default:
                throw ole_cast_exception();
        }
        attach_binary(bytes);
        return;
    }

    // 11. Everything else through the generic conversion.
    if (FAILED(VariantChangeType(&m_var, &m_var, 0, vt))) {
        tk_log(1, "VariantChangeType failed");
        if (tk_logger* l = tk_logger::find_instance(); l && l->wants(1))
            tk_log(1, "to_string()=%s", to_string().c_str());
        throw ole_cast_exception();
    }
}

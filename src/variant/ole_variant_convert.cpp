// Parsing text into a value of a requested type, and changing a value's type in place.
#include <cerrno>
#include <charconv>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <iterator>
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

// The conversions of change_type, tried in order: the first row whose source and target match
// converts.  The rows before change_type's own no-op rule are in ole_variant.h.
struct ole_variant::conversions {
    struct row {
        bool (*from)(VARTYPE);
        bool (*to)(VARTYPE);
        void (*convert)(ole_variant&, VARTYPE);
    };

    static bool any(VARTYPE) { return true; }
    static bool wide_integer(VARTYPE vt) { return vt == VT_I8 || vt == VT_UI8; }
    static bool date(VARTYPE vt) { return vt == VT_DATE; }
    static bool real(VARTYPE vt) { return vt == VT_R4 || vt == VT_R8; }
    static bool decimal(VARTYPE vt) { return vt == VT_DECIMAL; }
    static bool narrow_integer(VARTYPE vt) {
        return vt == VT_I4 || vt == VT_I2 || vt == VT_UI4 || vt == VT_UI2;
    }
    static bool binary(VARTYPE vt) { return ole_is_binary_type(vt); }
    static bool text(VARTYPE vt) { return vt == VT_BSTR; }

    static void from_wide_integer(ole_variant& v, VARTYPE vt);
    static void narrow_to_text(ole_variant& v, VARTYPE vt);
    static void from_date(ole_variant& v, VARTYPE vt);
    static void to_wide_integer(ole_variant& v, VARTYPE vt);
    static void real_to_narrow(ole_variant& v, VARTYPE vt);
    static void decimal_to_narrow(ole_variant& v, VARTYPE vt);
    static void kept_if_held(ole_variant& v, VARTYPE vt);
    static void text_to_date(ole_variant& v, VARTYPE vt);
    static void from_bytes(ole_variant& v, VARTYPE vt);
    static void to_bytes(ole_variant& v, VARTYPE vt);
    static void generic(ole_variant& v, VARTYPE vt);

    static constexpr row k_rows[] = {
        {wide_integer, any, from_wide_integer},
        // Every integer column written as text passes here: its digits, without the generic road.
        {narrow_integer, text, narrow_to_text},
        // A date only becomes its text.
        {date, any, from_date},
        {any, wide_integer, to_wide_integer},
        {real, narrow_integer, real_to_narrow},
        {decimal, narrow_integer, decimal_to_narrow},
        {any, narrow_integer, kept_if_held},
        {any, date, text_to_date},
        // Bytes only become text.
        {binary, any, from_bytes},
        // To bytes: the value's memory image.
        {any, binary, to_bytes},
        {any, any, generic},
    };

    // The rows tried one by one, each a constant: the compiler calls its tests and its
    // conversion directly, as it would a chain of ifs.
    template <std::size_t I = 0>
    static void dispatch(ole_variant& v, VARTYPE src, VARTYPE vt) {
        if constexpr (I < std::size(k_rows)) {
            constexpr row r = k_rows[I];
            if (r.from(src) && r.to(vt)) {
                r.convert(v, vt);
                return;
            }
            dispatch<I + 1>(v, src, vt);
        }
    }
};

void ole_variant::conversions::narrow_to_text(ole_variant& v, VARTYPE) {
    std::int64_t n = 0;
    switch (v.m_var.vt) {
        case VT_I2:
            n = v.m_var.iVal;
            break;
        case VT_UI2:
            n = v.m_var.uiVal;
            break;
        case VT_UI4:
            n = v.m_var.ulVal;
            break;
        default:
            n = v.m_var.lVal;
            break;
    }
    char digits[24];
    const auto end = std::to_chars(std::begin(digits), std::end(digits), n).ptr;
    v.clear();
    v.attach_wstring(std::wstring(digits, end));
}

void ole_variant::conversions::from_wide_integer(ole_variant& v, VARTYPE vt) {
    const bool is_signed = v.m_var.vt == VT_I8;
    if (!is_signed && (vt < VT_I2 || vt > VT_UINT)) throw ole_cast_exception();
    const std::int64_t sv = v.m_var.llVal;
    const std::uint64_t uv = v.m_var.ullVal;
    if (is_signed)
        require_holds(vt, sv);
    else
        require_holds_unsigned(vt, uv);
    VARIANT out{};
    if (vt == VT_I8 || vt == VT_UI8) {
        // Held by the other type, the number keeps its bits.
        out.llVal = sv;
    } else if (vt == VT_R4) {
        out.fltVal = is_signed ? static_cast<float>(sv) : static_cast<float>(uv);
    } else if (vt == VT_R8) {
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
        const std::string digits = is_signed ? std::to_string(sv) : std::to_string(uv);
        v.clear();
        v.attach_wstring(std::wstring(digits.begin(), digits.end()));
        return;
    } else if (vt == VT_DECIMAL) {
        tk_log(1, is_signed ? "VT_I8->VT_DECIMAL" : "VT_UI8->VT_DECIMAL");
        const HRESULT hr =
            is_signed ? VarDecFromI8(sv, &out.decVal) : VarDecFromUI8(uv, &out.decVal);
        if (FAILED(hr)) throw ole_cast_exception();
    } else {
        const bool ok = is_signed ? store_bits(out, vt, sv) : store_bits(out, vt, uv);
        if (!ok) throw ole_cast_exception();
    }
    v.clear();
    v.m_var = out;
    v.m_var.vt = vt;
}

void ole_variant::conversions::from_date(ole_variant& v, VARTYPE vt) {
    if (vt != VT_BSTR) throw ole_cast_exception();
    v.attach_wstring(ole_date(v.m_time).to_wstring(true));
}

void ole_variant::conversions::to_wide_integer(ole_variant& v, VARTYPE vt) {
    const VARIANT& var = v.m_var;
    std::int64_t s = 0;
    std::uint64_t u = 0;
    bool use_unsigned = false;
    if (var.vt == VT_BOOL) {
        s = var.boolVal;
    } else if (real(var.vt)) {
        const double r = var.vt == VT_R4 ? var.fltVal : var.dblVal;
        // Truncation toward zero, refused where no target value exists.
        if (!std::isfinite(r)) throw ole_cast_exception();
        const double t = std::trunc(r);
        if (vt == VT_UI8) {
            if (t < 0 || t >= 18446744073709551616.0) throw ole_cast_exception();
            u = static_cast<std::uint64_t>(t);
            use_unsigned = true;
        } else {
            if (t < -9223372036854775808.0 || t >= 9223372036854775808.0)
                throw ole_cast_exception();
            s = static_cast<std::int64_t>(t);
        }
    } else if (var.vt == VT_CY) {
        // Rounded half to even, as every currency-to-integer conversion here.
        if (FAILED(VarI8FromCy(var.cyVal, &s))) throw ole_cast_exception();
    } else if (var.vt == VT_DECIMAL && vt == VT_I8) {
        tk_log(1, "VT_DECIMAL->VT_I8");
        if (FAILED(VarI8FromDec(&var.decVal, &s))) throw ole_cast_exception();
    } else if (var.vt == VT_DECIMAL) {
        tk_log(1, "VT_DECIMAL->VT_UI8");
        if (FAILED(VarUI8FromDec(&var.decVal, &u))) throw ole_cast_exception();
        use_unsigned = true;
    } else if (!small_integer_value(var, s)) {
        throw ole_cast_exception();
    }
    if (use_unsigned)
        require_holds_unsigned(vt, u);
    else
        require_holds(vt, s);
    v.clear();
    if (vt == VT_I8)
        v.m_var.llVal = use_unsigned ? static_cast<std::int64_t>(u) : s;
    else
        v.m_var.ullVal = use_unsigned ? u : static_cast<std::uint64_t>(s);
    v.m_var.vt = vt;
}

void ole_variant::conversions::real_to_narrow(ole_variant& v, VARTYPE vt) {
    std::int64_t n = 0;
    if (!round_away(v.m_var.vt == VT_R4 ? v.m_var.fltVal : v.m_var.dblVal, n))
        throw ole_cast_exception();
    require_holds(vt, n);
    VARIANT out{};
    store_bits(out, vt, n);
    out.vt = vt;
    v.m_var = out;
}

void ole_variant::conversions::decimal_to_narrow(ole_variant& v, VARTYPE vt) {
    VARIANT out{};
    HRESULT hr = S_OK;
    switch (vt) {
        case VT_I4:
            tk_log(1, "VT_DECIMAL->VT_I4");
            if (tk_logger* l = tk_logger::find_instance(); l && l->wants(1))
                tk_log(1, "to_string()=%s", v.to_string().c_str());
            hr = VarI4FromDec(&v.m_var.decVal, &out.lVal);
            break;
        case VT_I2:
            tk_log(1, "VT_DECIMAL->VT_I2");
            hr = VarI2FromDec(&v.m_var.decVal, &out.iVal);
            break;
        case VT_UI4:
            tk_log(1, "VT_DECIMAL->VT_UI4");
            hr = VarUI4FromDec(&v.m_var.decVal, &out.ulVal);
            break;
        default:
            tk_log(1, "VT_DECIMAL->VT_UI2");
            hr = VarUI2FromDec(&v.m_var.decVal, &out.uiVal);
            break;
    }
    if (FAILED(hr)) throw ole_cast_exception();
    out.vt = vt;
    v.m_var = out;
}

void ole_variant::conversions::kept_if_held(ole_variant& v, VARTYPE vt) {
    std::int64_t n = 0;
    if (small_integer_value(v.m_var, n)) {
        require_holds(vt, n);
    } else if (v.m_var.vt == VT_CY) {
        if (FAILED(VarI8FromCy(v.m_var.cyVal, &n))) throw ole_cast_exception();
        require_holds(vt, n);
    }
}

void ole_variant::conversions::text_to_date(ole_variant& v, VARTYPE) {
    if (v.m_var.vt != VT_BSTR) throw ole_cast_exception();
    ole_date date(std::wstring(v.m_var.bstrVal ? v.m_var.bstrVal : L""));
    // A part of the text the date would not keep (a time zone, digits beyond milliseconds,
    // words after the date) is refused with the rest: the value would be another one.
    if (!date.is_valid() || !date.is_exact()) throw ole_cast_exception();
    v = date.to_variant();
}

void ole_variant::conversions::from_bytes(ole_variant& v, VARTYPE vt) {
    tk_log(1, "src.vt is binary, a_type=%d", vt);
    if (vt != VT_BSTR) return;
    const SAFEARRAY* array = v.m_var.parray;
    if (!array || SafeArrayGetDim(array) != 1) return;
    std::size_t n = get_safe_array_size(array);
    if (n > 100000000) n = 100000000;
    const auto* p = static_cast<const char*>(array->pvData);
    std::size_t len = 0;
    while (len < n && p[len] != '\0') ++len;
    std::wstring text;
    if (!ole_widen(p, len, CP_ACP, text)) throw ole_cast_exception();
    v.attach_wstring(text);
}

void ole_variant::conversions::to_bytes(ole_variant& v, VARTYPE) {
    tk_log(1, "a_type is binary, src.vt=%d", v.m_var.vt);
    VARIANT& var = v.m_var;
    std::vector<std::uint8_t> bytes;
    switch (var.vt) {
        case VT_I4:
        case VT_R4:
        case VT_UI4:
        case VT_INT:
        case VT_UINT:
            convert_to_byte_array(&var.lVal, 4, bytes);
            break;
        case VT_R8:
        case VT_CY:
            convert_to_byte_array(&var.dblVal, 8, bytes);
            break;
        case VT_BOOL:
        case VT_I2:
        case VT_UI2:
            convert_to_byte_array(&var.iVal, 2, bytes);
            break;
        case VT_DECIMAL:
            convert_to_byte_array(&var, sizeof var, bytes);
            break;
        case VT_I1:
        case VT_UI1:
            convert_to_byte_array(&var.bVal, 1, bytes);
            break;
        case VT_BSTR: {
            tk_log(1, "VT_BSTR->binary");
            std::string narrow;
            const wchar_t* s = var.bstrVal ? var.bstrVal : L"";
            if (!ole_narrow(s, std::wcslen(s), CP_ACP, narrow)) throw ole_cast_exception();
            tk_log(1, "char_buf=%s", narrow.c_str());
            convert_to_byte_array(narrow.data(), narrow.size(), bytes);
            break;
        }
        default:
            throw ole_cast_exception();
    }
    v.attach_binary(bytes);
}

void ole_variant::conversions::generic(ole_variant& v, VARTYPE vt) {
    if (FAILED(VariantChangeType(&v.m_var, &v.m_var, 0, vt))) {
        tk_log(1, "VariantChangeType failed");
        if (tk_logger* l = tk_logger::find_instance(); l && l->wants(1))
            tk_log(1, "to_string()=%s", v.to_string().c_str());
        throw ole_cast_exception();
    }
}

void ole_variant::change_type(VARTYPE vt) {
    const VARTYPE src = m_var.vt;
    tk_log(1, "ole_variant::change_type(old=%d,new=%d)", src, vt);
    if (vt == src || src == VT_NULL || src == VT_EMPTY ||
        (ole_is_binary_type(vt) && ole_is_binary_type(src))) {
        tk_log(1, "Type cannot be changed");
        return;
    }
    conversions::dispatch(*this, src, vt);
}

// VARIANT life cycle and VariantChangeType.  Every conversion reads the source into one of three
// common forms (an exact decimal number, a real, or text) and writes the target from it, so each
// pair of types follows the same range and rounding rules.
#include <charconv>
#include <cmath>
#include <cstring>
#include <cwctype>
#include <limits>
#include <string>

#include "platform/oleaut/oleaut.h"
#include "platform/oleaut/oleaut_exact.h"

using namespace oleaut_detail;

namespace {

// The binary markers and the bare array type hold their bytes the way VT_ARRAY | VT_UI1 does.
bool holds_array(VARTYPE vt) {
    return (vt & VT_ARRAY) != 0 || vt == VT_BLOB || vt == VT_BLOB_OBJECT || vt == VT_SAFEARRAY;
}

bool known_type(VARTYPE vt) {
    if (holds_array(vt)) return true;
    return vt <= VT_DECIMAL || (vt >= VT_I1 && vt <= VT_UINT);
}

// The source read as a number.
struct source_value {
    enum kind_t { exact, real, text, none } kind = none;
    exact_number num;
    double r = 0;
};

bool is_space(wchar_t c) {
    return c == L' ' || c == L'\t' || c == L'\r' || c == L'\n';
}

HRESULT parse_real(BSTR text, double& out) {
    if (!text) return DISP_E_TYPEMISMATCH;
    std::wstring w(text, SysStringLen(text));
    std::size_t b = 0, e = w.size();
    while (b < e && is_space(w[b])) ++b;
    while (e > b && is_space(w[e - 1])) --e;
    std::string s;
    for (std::size_t i = b; i < e; ++i) {
        wchar_t c = w[i];
        if (!((c >= L'0' && c <= L'9') || c == L'.' || c == L'-' || c == L'+' || c == L'e' ||
              c == L'E'))
            return DISP_E_TYPEMISMATCH;
        s.push_back(static_cast<char>(c));
    }
    if (!s.empty() && s[0] == '+') s.erase(0, 1);
    if (s.empty() || s[0] == '+') return DISP_E_TYPEMISMATCH;
    double d = 0;
    auto res = std::from_chars(s.data(), s.data() + s.size(), d);
    if (res.ptr != s.data() + s.size()) return DISP_E_TYPEMISMATCH;
    if (res.ec == std::errc::result_out_of_range) {
        // Too large is an overflow; too small is the nearest real, zero included.
        long double wide = 0;
        auto again = std::from_chars(s.data(), s.data() + s.size(), wide);
        if (again.ec == std::errc()) {
            if (std::fabs(wide) > std::numeric_limits<double>::max()) return DISP_E_OVERFLOW;
            d = static_cast<double>(wide);
        } else if (s.find("e-") != std::string::npos || s.find("E-") != std::string::npos) {
            d = 0.0;
        } else {
            return DISP_E_OVERFLOW;
        }
    } else if (res.ec != std::errc()) {
        return DISP_E_TYPEMISMATCH;
    }
    out = d;
    return S_OK;
}

bool ieq(const std::wstring& a, const wchar_t* b) {
    std::size_t n = std::wcslen(b);
    if (a.size() != n) return false;
    for (std::size_t i = 0; i < n; ++i)
        if (std::towlower(static_cast<wint_t>(a[i])) != std::towlower(static_cast<wint_t>(b[i])))
            return false;
    return true;
}

std::wstring trimmed(BSTR text) {
    std::wstring w(text ? text : L"", SysStringLen(text));
    std::size_t b = 0, e = w.size();
    while (b < e && is_space(w[b])) ++b;
    while (e > b && is_space(w[e - 1])) --e;
    return w.substr(b, e - b);
}

// Reads a non-text, non-array source.
HRESULT read_number(const VARIANT& v, source_value& out) {
    out.kind = source_value::exact;
    switch (v.vt) {
        case VT_EMPTY:
            out.num = from_signed(0);
            return S_OK;
        case VT_I1:
            out.num = from_signed(static_cast<signed char>(v.cVal));
            return S_OK;
        case VT_I2:
            out.num = from_signed(v.iVal);
            return S_OK;
        case VT_I4:
            out.num = from_signed(v.lVal);
            return S_OK;
        case VT_INT:
            out.num = from_signed(v.intVal);
            return S_OK;
        case VT_I8:
            out.num = from_signed(v.llVal);
            return S_OK;
        case VT_UI1:
            out.num = from_unsigned(v.bVal);
            return S_OK;
        case VT_UI2:
            out.num = from_unsigned(v.uiVal);
            return S_OK;
        case VT_UI4:
            out.num = from_unsigned(v.ulVal);
            return S_OK;
        case VT_UINT:
            out.num = from_unsigned(v.uintVal);
            return S_OK;
        case VT_UI8:
            out.num = from_unsigned(v.ullVal);
            return S_OK;
        case VT_BOOL:
            out.num = from_signed(v.boolVal);
            return S_OK;
        case VT_CY:
            out.num = from_cy(v.cyVal);
            return S_OK;
        case VT_DECIMAL:
            if (v.decVal.scale > DECIMAL_MAX_SCALE) return DISP_E_TYPEMISMATCH;
            out.num = from_decimal(v.decVal);
            return S_OK;
        case VT_R4:
            out.kind = source_value::real;
            out.r = v.fltVal;
            return S_OK;
        case VT_R8:
            out.kind = source_value::real;
            out.r = v.dblVal;
            return S_OK;
        case VT_DATE:
            out.kind = source_value::real;
            out.r = v.date;
            return S_OK;
        default:
            return DISP_E_TYPEMISMATCH;
    }
}

HRESULT real_to_integer(double r, double min, double max_plus_one, std::int64_t& out) {
    if (!std::isfinite(r)) return DISP_E_OVERFLOW;
    double n = std::nearbyint(r);  // the default rounding mode: half to even
    if (n < min || n >= max_plus_one) return DISP_E_OVERFLOW;
    out = static_cast<std::int64_t>(n);
    return S_OK;
}

template <class T>
HRESULT to_int_target(const source_value& s, T& out) {
    if (s.kind == source_value::real) {
        if constexpr (std::is_same_v<T, std::uint64_t>) {
            if (!std::isfinite(s.r)) return DISP_E_OVERFLOW;
            double n = std::nearbyint(s.r);
            if (n < 0 || n >= 18446744073709551616.0) return DISP_E_OVERFLOW;
            out = static_cast<std::uint64_t>(n);
            return S_OK;
        } else {
            std::int64_t v = 0;
            double lo = static_cast<double>(std::numeric_limits<T>::min());
            double hi = static_cast<double>(std::numeric_limits<T>::max()) + 1.0;
            if constexpr (std::is_same_v<T, std::int64_t>) hi = 9223372036854775808.0;
            HRESULT hr = real_to_integer(s.r, lo, hi, v);
            if (SUCCEEDED(hr)) out = static_cast<T>(v);
            return hr;
        }
    }
    if constexpr (std::is_signed_v<T>) {
        std::int64_t v = 0;
        HRESULT hr =
            to_signed(s.num, std::numeric_limits<T>::min(), std::numeric_limits<T>::max(), v);
        if (SUCCEEDED(hr)) out = static_cast<T>(v);
        return hr;
    } else {
        std::uint64_t v = 0;
        HRESULT hr = to_unsigned(s.num, std::numeric_limits<T>::max(), v);
        if (SUCCEEDED(hr)) out = static_cast<T>(v);
        return hr;
    }
}

std::wstring real_text(double r, int digits) {
    if (!std::isfinite(r)) return std::isnan(r) ? L"NaN" : (r > 0 ? L"Infinity" : L"-Infinity");
    char buf[64];
    auto res = std::to_chars(buf, buf + sizeof buf, r, std::chars_format::general, digits);
    std::wstring out;
    for (char* p = buf; p != res.ptr; ++p)
        out.push_back(*p == 'e' ? L'E' : static_cast<wchar_t>(*p));
    return out;
}

std::wstring two(unsigned v) {
    wchar_t b[3] = {static_cast<wchar_t>(L'0' + v / 10 % 10), static_cast<wchar_t>(L'0' + v % 10),
                    0};
    return b;
}

std::wstring date_text(DATE d) {
    SYSTEMTIME st{};
    if (!VariantTimeToSystemTime(d, &st)) return std::wstring();
    std::wstring time = two(st.wHour) + L":" + two(st.wMinute) + L":" + two(st.wSecond);
    if (std::trunc(d) == 0.0) return time;
    std::wstring date = std::to_wstring(st.wYear);
    while (date.size() < 4) date.insert(0, 1, L'0');
    date += L"-" + two(st.wMonth) + L"-" + two(st.wDay);
    if (st.wHour == 0 && st.wMinute == 0 && st.wSecond == 0) return date;
    return date + L" " + time;
}

HRESULT to_text(const VARIANT& v, std::uint16_t flags, std::wstring& out) {
    switch (v.vt) {
        case VT_EMPTY:
            out.clear();
            return S_OK;
        case VT_R4:
            out = real_text(v.fltVal, 7);
            return S_OK;
        case VT_R8:
            out = real_text(v.dblVal, 15);
            return S_OK;
        case VT_DATE:
            out = date_text(v.date);
            return out.empty() ? DISP_E_OVERFLOW : S_OK;
        case VT_BOOL:
            if (flags & VARIANT_ALPHABOOL)
                out = v.boolVal ? L"True" : L"False";
            else
                out = v.boolVal ? L"-1" : L"0";
            return S_OK;
        case VT_CY: {
            exact_number n = from_cy(v.cyVal);
            while (n.scale > 0 && n.mag % 10 == 0) {
                n.mag /= 10;
                --n.scale;
            }
            out = format_number(n);
            return S_OK;
        }
        default: {
            source_value s;
            HRESULT hr = read_number(v, s);
            if (FAILED(hr)) return hr;
            out = format_number(s.num);
            return S_OK;
        }
    }
}

HRESULT read_text(const VARIANT& v, VARTYPE target, source_value& out) {
    if (target == VT_R4 || target == VT_R8) {
        out.kind = source_value::real;
        return parse_real(v.bstrVal, out.r);
    }
    if (target == VT_DATE) {
        out.kind = source_value::real;
        return VarDateFromStr(v.bstrVal ? v.bstrVal : L"", OLE_LCID_ENGLISH_US, 0, &out.r);
    }
    out.kind = source_value::exact;
    HRESULT hr = parse_number(v.bstrVal ? v.bstrVal : L"", out.num);
    if (hr == DISP_E_TYPEMISMATCH && target == VT_BOOL) {
        std::wstring t = trimmed(v.bstrVal);
        if (ieq(t, L"true") || ieq(t, L"#TRUE#")) {
            out.num = from_signed(-1);
            return S_OK;
        }
        if (ieq(t, L"false") || ieq(t, L"#FALSE#")) {
            out.num = from_signed(0);
            return S_OK;
        }
    }
    return hr;
}

HRESULT convert(const VARIANT& src, std::uint16_t flags, VARTYPE vt, VARIANT& out) {
    out.vt = vt;
    if (vt == VT_EMPTY) return S_OK;
    if (vt == VT_NULL) return src.vt == VT_NULL ? S_OK : DISP_E_TYPEMISMATCH;
    if (src.vt == VT_NULL || holds_array(src.vt) || holds_array(vt)) return DISP_E_TYPEMISMATCH;
    if (vt == VT_BSTR) {
        std::wstring text;
        HRESULT hr = to_text(src, flags, text);
        if (FAILED(hr)) return hr;
        out.bstrVal = make_bstr(text);
        return out.bstrVal ? S_OK : E_OUTOFMEMORY;
    }
    source_value s;
    HRESULT hr = src.vt == VT_BSTR ? read_text(src, vt, s) : read_number(src, s);
    if (FAILED(hr)) return hr;
    switch (vt) {
        case VT_I1: {
            signed char c = 0;
            hr = to_int_target(s, c);
            out.cVal = static_cast<char>(c);
            return hr;
        }
        case VT_I2:
            return to_int_target(s, out.iVal);
        case VT_I4:
            return to_int_target(s, out.lVal);
        case VT_INT:
            return to_int_target(s, out.intVal);
        case VT_I8:
            return to_int_target(s, out.llVal);
        case VT_UI1:
            return to_int_target(s, out.bVal);
        case VT_UI2:
            return to_int_target(s, out.uiVal);
        case VT_UI4:
            return to_int_target(s, out.ulVal);
        case VT_UINT:
            return to_int_target(s, out.uintVal);
        case VT_UI8:
            return to_int_target(s, out.ullVal);
        case VT_BOOL:
            if (s.kind == source_value::real)
                out.boolVal = s.r != 0.0 ? VARIANT_TRUE : VARIANT_FALSE;
            else
                out.boolVal = s.num.mag != 0 ? VARIANT_TRUE : VARIANT_FALSE;
            return S_OK;
        case VT_R4: {
            double r = s.kind == source_value::real ? s.r : to_double(s.num);
            if (std::isfinite(r) && std::fabs(r) > std::numeric_limits<float>::max())
                return DISP_E_OVERFLOW;
            out.fltVal = static_cast<float>(r);
            return S_OK;
        }
        case VT_R8:
            out.dblVal = s.kind == source_value::real ? s.r : to_double(s.num);
            return S_OK;
        case VT_DATE: {
            double r = s.kind == source_value::real ? s.r : to_double(s.num);
            SYSTEMTIME st;
            if (!VariantTimeToSystemTime(r, &st)) return DISP_E_OVERFLOW;
            out.date = r;
            return S_OK;
        }
        case VT_CY:
            if (s.kind == source_value::real) return VarCyFromR8(s.r, &out.cyVal);
            return to_cy(s.num, out.cyVal);
        case VT_DECIMAL: {
            DECIMAL d{};
            hr = s.kind == source_value::real ? VarDecFromR8(s.r, &d) : to_decimal(s.num, d);
            if (FAILED(hr)) return hr;
            out.decVal = d;
            out.vt = VT_DECIMAL;
            return S_OK;
        }
        default:
            return DISP_E_BADVARTYPE;
    }
}

}  // namespace

void VariantInit(VARIANT* value) {
    if (value) value->vt = VT_EMPTY;
}

HRESULT VariantClear(VARIANT* value) {
    if (!value) return E_INVALIDARG;
    if (!known_type(value->vt)) return DISP_E_BADVARTYPE;
    if (holds_array(value->vt)) {
        if (value->parray) {
            HRESULT hr = SafeArrayDestroy(value->parray);
            if (FAILED(hr)) return hr;
        }
    } else if (value->vt == VT_BSTR) {
        SysFreeString(value->bstrVal);
    }
    std::memset(static_cast<void*>(value), 0, sizeof(VARIANT));
    value->vt = VT_EMPTY;
    return S_OK;
}

HRESULT VariantCopy(VARIANT* dest, const VARIANT* src) {
    if (!dest || !src) return E_INVALIDARG;
    if (dest == src) return S_OK;
    if (!known_type(src->vt)) return DISP_E_BADVARTYPE;
    HRESULT hr = VariantClear(dest);
    if (FAILED(hr)) return hr;
    VARIANT copy;
    std::memcpy(static_cast<void*>(&copy), src, sizeof(VARIANT));
    if (holds_array(src->vt)) {
        hr = SafeArrayCopy(src->parray, &copy.parray);
        if (FAILED(hr)) return hr;
    } else if (src->vt == VT_BSTR && src->bstrVal) {
        copy.bstrVal = SysAllocStringLen(src->bstrVal, SysStringLen(src->bstrVal));
        if (!copy.bstrVal) return E_OUTOFMEMORY;
    }
    std::memcpy(static_cast<void*>(dest), &copy, sizeof(VARIANT));
    return S_OK;
}

HRESULT VariantChangeType(VARIANT* dest, const VARIANT* src, std::uint16_t flags, VARTYPE vt) {
    if (!dest || !src) return E_INVALIDARG;
    if (!known_type(src->vt)) return DISP_E_BADVARTYPE;
    if (!known_type(vt) || vt == VT_DISPATCH || vt == VT_UNKNOWN || vt == VT_VARIANT ||
        vt == VT_ERROR)
        return src->vt == vt ? VariantCopy(dest, src) : DISP_E_BADVARTYPE;
    if (src->vt == vt) return VariantCopy(dest, src);
    VARIANT out;
    std::memset(static_cast<void*>(&out), 0, sizeof out);
    HRESULT hr = convert(*src, flags, vt, out);
    if (FAILED(hr)) {
        if (out.vt == VT_BSTR) SysFreeString(out.bstrVal);
        return hr;
    }
    hr = VariantClear(dest);
    if (FAILED(hr)) {
        VariantClear(&out);
        return hr;
    }
    std::memcpy(static_cast<void*>(dest), &out, sizeof out);
    return S_OK;
}

HRESULT VariantChangeTypeEx(VARIANT* dest, const VARIANT* src, LCID, std::uint16_t flags,
                            VARTYPE vt) {
    return VariantChangeType(dest, src, flags, vt);
}

// The Var* conversions of CY and DECIMAL, all over the exact number of oleaut_exact.h.
#include <cmath>
#include <limits>

#include "platform/oleaut/oleaut.h"
#include "platform/oleaut/oleaut_exact.h"

using namespace oleaut_detail;

namespace {

template <class T>
HRESULT dec_to_signed(const DECIMAL* value, T* result) {
    if (!value || !result) return E_INVALIDARG;
    std::int64_t v = 0;
    HRESULT hr = to_signed(from_decimal(*value), std::numeric_limits<T>::min(),
                           std::numeric_limits<T>::max(), v);
    if (SUCCEEDED(hr)) *result = static_cast<T>(v);
    return hr;
}

template <class T>
HRESULT dec_to_unsigned(const DECIMAL* value, T* result) {
    if (!value || !result) return E_INVALIDARG;
    std::uint64_t v = 0;
    HRESULT hr = to_unsigned(from_decimal(*value), std::numeric_limits<T>::max(), v);
    if (SUCCEEDED(hr)) *result = static_cast<T>(v);
    return hr;
}

bool valid_decimal(const DECIMAL* value) {
    return value && value->scale <= DECIMAL_MAX_SCALE;
}

}  // namespace

HRESULT VarDecFromStr(const OLECHAR* text, LCID, DWORD, DECIMAL* result) {
    if (!text || !result) return E_INVALIDARG;
    exact_number n;
    HRESULT hr = parse_number(text, n);
    if (FAILED(hr)) return hr;
    return to_decimal(n, *result);
}

HRESULT VarCyFromStr(const OLECHAR* text, LCID, DWORD, CY* result) {
    if (!text || !result) return E_INVALIDARG;
    exact_number n;
    HRESULT hr = parse_number(text, n);
    if (FAILED(hr)) return hr;
    return to_cy(n, *result);
}

HRESULT VarBstrFromDec(const DECIMAL* value, LCID, DWORD, BSTR* result) {
    if (!valid_decimal(value) || !result) return E_INVALIDARG;
    *result = make_bstr(format_number(from_decimal(*value)));
    return *result ? S_OK : E_OUTOFMEMORY;
}

HRESULT VarBstrFromCy(CY value, LCID, DWORD, BSTR* result) {
    if (!result) return E_INVALIDARG;
    exact_number n = from_cy(value);
    while (n.scale > 0 && n.mag % 10 == 0) {
        n.mag /= 10;
        --n.scale;
    }
    *result = make_bstr(format_number(n));
    return *result ? S_OK : E_OUTOFMEMORY;
}

HRESULT VarR8FromDec(const DECIMAL* value, double* result) {
    if (!valid_decimal(value) || !result) return E_INVALIDARG;
    *result = to_double(from_decimal(*value));
    return S_OK;
}

HRESULT VarR8FromCy(CY value, double* result) {
    if (!result) return E_INVALIDARG;
    *result = to_double(from_cy(value));
    return S_OK;
}

HRESULT VarI4FromCy(CY value, LONG* result) {
    if (!result) return E_INVALIDARG;
    std::int64_t v = 0;
    HRESULT hr = to_signed(from_cy(value), std::numeric_limits<LONG>::min(),
                           std::numeric_limits<LONG>::max(), v);
    if (SUCCEEDED(hr)) *result = static_cast<LONG>(v);
    return hr;
}

HRESULT VarI8FromCy(CY value, std::int64_t* result) {
    if (!result) return E_INVALIDARG;
    return to_signed(from_cy(value), std::numeric_limits<std::int64_t>::min(),
                     std::numeric_limits<std::int64_t>::max(), *result);
}

HRESULT VarI2FromDec(const DECIMAL* value, std::int16_t* result) {
    return valid_decimal(value) ? dec_to_signed(value, result) : E_INVALIDARG;
}
HRESULT VarI4FromDec(const DECIMAL* value, LONG* result) {
    return valid_decimal(value) ? dec_to_signed(value, result) : E_INVALIDARG;
}
HRESULT VarI8FromDec(const DECIMAL* value, std::int64_t* result) {
    return valid_decimal(value) ? dec_to_signed(value, result) : E_INVALIDARG;
}
HRESULT VarUI2FromDec(const DECIMAL* value, WORD* result) {
    return valid_decimal(value) ? dec_to_unsigned(value, result) : E_INVALIDARG;
}
HRESULT VarUI4FromDec(const DECIMAL* value, DWORD* result) {
    return valid_decimal(value) ? dec_to_unsigned(value, result) : E_INVALIDARG;
}
HRESULT VarUI8FromDec(const DECIMAL* value, std::uint64_t* result) {
    return valid_decimal(value) ? dec_to_unsigned(value, result) : E_INVALIDARG;
}

HRESULT VarDecFromI8(std::int64_t value, DECIMAL* result) {
    if (!result) return E_INVALIDARG;
    return to_decimal(from_signed(value), *result);
}

HRESULT VarDecFromUI8(std::uint64_t value, DECIMAL* result) {
    if (!result) return E_INVALIDARG;
    return to_decimal(from_unsigned(value), *result);
}

HRESULT VarDecFromCy(CY value, DECIMAL* result) {
    if (!result) return E_INVALIDARG;
    return to_decimal(from_cy(value), *result);
}

HRESULT VarDecFromR8(double value, DECIMAL* result) {
    if (!result) return E_INVALIDARG;
    exact_number n;
    HRESULT hr = from_double(value, n);
    if (FAILED(hr)) return hr;
    return to_decimal(n, *result);
}

HRESULT VarCyFromDec(const DECIMAL* value, CY* result) {
    if (!valid_decimal(value) || !result) return E_INVALIDARG;
    return to_cy(from_decimal(*value), *result);
}

HRESULT VarCyFromR8(double value, CY* result) {
    if (!result) return E_INVALIDARG;
    if (!std::isfinite(value)) return DISP_E_OVERFLOW;
    // The product is rounded once more by the hardware; nearbyint then rounds half to even.
    double scaled = std::nearbyint(value * 10000.0);
    if (scaled < -9223372036854775808.0 || scaled >= 9223372036854775808.0) return DISP_E_OVERFLOW;
    result->int64 = static_cast<std::int64_t>(scaled);
    return S_OK;
}

HRESULT VarCyFromI8(std::int64_t value, CY* result) {
    if (!result) return E_INVALIDARG;
    return to_cy(from_signed(value), *result);
}

HRESULT VarDecCmp(const DECIMAL* left, const DECIMAL* right) {
    if (!valid_decimal(left) || !valid_decimal(right)) return E_INVALIDARG;
    exact_number a = from_decimal(*left);
    exact_number b = from_decimal(*right);
    if (a.mag == 0) a.neg = false;
    if (b.mag == 0) b.neg = false;
    if (a.neg != b.neg) return a.neg ? VARCMP_LT : VARCMP_GT;
    int scale = a.scale > b.scale ? a.scale : b.scale;
    // Widening a whole mantissa could pass 128 bits; the integer parts compare directly and the
    // fraction parts, widened to the common scale, stay below 10^28.
    u128 pa = pow10(a.scale), pb = pow10(b.scale);
    u128 ia = a.mag / pa, ib = b.mag / pb;
    int cmp = 0;
    if (ia != ib) {
        cmp = ia < ib ? -1 : 1;
    } else {
        u128 fa = (a.mag % pa) * pow10(scale - a.scale);
        u128 fb = (b.mag % pb) * pow10(scale - b.scale);
        cmp = fa == fb ? 0 : (fa < fb ? -1 : 1);
    }
    if (a.neg) cmp = -cmp;
    return cmp < 0 ? VARCMP_LT : (cmp == 0 ? VARCMP_EQ : VARCMP_GT);
}

#include "platform/oleaut/oleaut_exact.h"

#include <charconv>
#include <cmath>
#include <cwctype>
#include <limits>

namespace oleaut_detail {

u128 pow10(int n) {
    u128 r = 1;
    for (int i = 0; i < n; ++i) r *= 10;
    return r;
}

namespace {

bool is_space(wchar_t c) {
    return c == L' ' || c == L'\t' || c == L'\r' || c == L'\n';
}
bool is_digit(wchar_t c) {
    return c >= L'0' && c <= L'9';
}

// Rounds the digit string digs (most significant first) after dropping its last `drop` digits,
// half to even.  The kept part must hold at most 38 digits.
u128 round_digits(const std::string& digs, std::size_t drop) {
    std::size_t keep = digs.size() - drop;
    u128 mag = 0;
    for (std::size_t i = 0; i < keep; ++i) mag = mag * 10 + static_cast<unsigned>(digs[i] - '0');
    if (drop == 0) return mag;
    int first = digs[keep] - '0';
    bool rest = false;
    for (std::size_t i = keep + 1; i < digs.size() && !rest; ++i) rest = digs[i] != '0';
    if (first > 5 || (first == 5 && (rest || (mag & 1) != 0))) ++mag;
    return mag;
}

}  // namespace

HRESULT parse_number(const wchar_t* text, exact_number& result) {
    if (!text) return E_INVALIDARG;
    const wchar_t* p = text;
    while (is_space(*p)) ++p;
    bool neg = false;
    if (*p == L'+' || *p == L'-') neg = *p++ == L'-';
    std::string digs;
    long point = 0;  // digits before the decimal point
    bool any = false;
    while (is_digit(*p)) {
        digs.push_back(static_cast<char>(*p++));
        ++point;
        any = true;
    }
    long frac = 0;
    if (*p == L'.') {
        ++p;
        while (is_digit(*p)) {
            digs.push_back(static_cast<char>(*p++));
            ++frac;
            any = true;
        }
    }
    if (!any) return DISP_E_TYPEMISMATCH;
    long exp = 0;
    if (*p == L'e' || *p == L'E') {
        ++p;
        bool eneg = false;
        if (*p == L'+' || *p == L'-') eneg = *p++ == L'-';
        if (!is_digit(*p)) return DISP_E_TYPEMISMATCH;
        while (is_digit(*p)) {
            // Exponents this large only ever give overflow or zero; cap them to stay defined.
            if (exp < 100000) exp = exp * 10 + (*p - L'0');
            ++p;
        }
        if (eneg) exp = -exp;
    }
    while (is_space(*p)) ++p;
    if (*p != L'\0') return DISP_E_TYPEMISMATCH;

    long int_digits = point + exp;
    std::size_t lead = 0;
    while (lead < digs.size() && digs[lead] == '0') ++lead;
    digs.erase(0, lead);
    int_digits -= static_cast<long>(lead);
    long scale = static_cast<long>(digs.size()) - int_digits;
    exact_number r;
    r.neg = neg;
    if (digs.empty()) {
        long s = frac - exp;
        r.scale = static_cast<int>(s < 0 ? 0 : (s > DECIMAL_MAX_SCALE ? DECIMAL_MAX_SCALE : s));
        result = r;
        return S_OK;
    }
    if (scale < 0) {
        if (static_cast<long>(digs.size()) - scale > 29) return DISP_E_OVERFLOW;
        digs.append(static_cast<std::size_t>(-scale), '0');
        scale = 0;
    }
    if (int_digits > 29) return DISP_E_OVERFLOW;
    long len = static_cast<long>(digs.size());
    long drop = 0;
    if (scale > DECIMAL_MAX_SCALE) drop = scale - DECIMAL_MAX_SCALE;
    if (len - drop > 29) drop = len - 29;
    for (;; ++drop) {
        if (drop > scale) return DISP_E_OVERFLOW;
        if (drop > len) {  // every digit lies below the last kept decimal place
            r.scale = static_cast<int>(scale - drop);
            result = r;
            return S_OK;
        }
        u128 mag = round_digits(digs, static_cast<std::size_t>(drop));
        if (mag < dec_limit) {
            r.mag = mag;
            r.scale = static_cast<int>(scale - drop);
            result = r;
            return S_OK;
        }
    }
}

HRESULT rescale(exact_number& value, int scale) {
    if (scale == value.scale) return S_OK;
    if (scale > value.scale) {
        int diff = scale - value.scale;
        if (diff > 38) return DISP_E_OVERFLOW;
        u128 f = pow10(diff);
        if (value.mag != 0 && value.mag > std::numeric_limits<u128>::max() / f)
            return DISP_E_OVERFLOW;
        value.mag *= f;
        value.scale = scale;
        return S_OK;
    }
    int diff = value.scale - scale;
    if (diff > 38) {
        value.mag = 0;
        value.scale = scale;
        return S_OK;
    }
    u128 div = pow10(diff);
    u128 q = value.mag / div;
    u128 rem = value.mag % div;
    u128 half = div / 2;  // div is even for diff >= 1
    if (rem > half || (rem == half && (q & 1) != 0)) ++q;
    value.mag = q;
    value.scale = scale;
    return S_OK;
}

std::wstring format_number(const exact_number& value) {
    wchar_t buf[48];
    int n = 0;
    u128 m = value.mag;
    do {
        buf[n++] = static_cast<wchar_t>(L'0' + static_cast<int>(m % 10));
        m /= 10;
    } while (m != 0);
    while (n <= value.scale) buf[n++] = L'0';
    std::wstring out;
    out.reserve(static_cast<std::size_t>(n) + 2);
    if (value.neg && value.mag != 0) out.push_back(L'-');
    for (int i = n - 1; i >= 0; --i) {
        out.push_back(buf[i]);
        if (i == value.scale && i != 0) out.push_back(L'.');
    }
    return out;
}

HRESULT to_signed(exact_number value, std::int64_t min, std::int64_t max, std::int64_t& result) {
    HRESULT hr = rescale(value, 0);
    if (FAILED(hr)) return hr;
    if (value.neg && value.mag != 0) {
        u128 limit = static_cast<u128>(-(min + 1)) + 1;
        if (value.mag > limit) return DISP_E_OVERFLOW;
        result = value.mag == limit ? min : -static_cast<std::int64_t>(value.mag);
        return S_OK;
    }
    if (value.mag > static_cast<u128>(max)) return DISP_E_OVERFLOW;
    result = static_cast<std::int64_t>(value.mag);
    return S_OK;
}

HRESULT to_unsigned(exact_number value, std::uint64_t max, std::uint64_t& result) {
    HRESULT hr = rescale(value, 0);
    if (FAILED(hr)) return hr;
    if (value.neg && value.mag != 0) return DISP_E_OVERFLOW;
    if (value.mag > static_cast<u128>(max)) return DISP_E_OVERFLOW;
    result = static_cast<std::uint64_t>(value.mag);
    return S_OK;
}

double to_double(const exact_number& value) {
    std::wstring w = format_number(value);
    std::string s(w.begin(), w.end());
    double d = 0;
    std::from_chars(s.data(), s.data() + s.size(), d);
    return d;
}

HRESULT to_decimal(exact_number value, DECIMAL& result) {
    if (value.scale > DECIMAL_MAX_SCALE) rescale(value, DECIMAL_MAX_SCALE);
    while (value.mag >= dec_limit) {
        if (value.scale == 0) return DISP_E_OVERFLOW;
        rescale(value, value.scale - 1);
    }
    result.wReserved = 0;
    result.scale = static_cast<std::uint8_t>(value.scale);
    result.sign = value.neg && value.mag != 0 ? DECIMAL_NEG : 0;
    result.Hi32 = static_cast<DWORD>(value.mag >> 64);
    result.Lo64 = static_cast<std::uint64_t>(value.mag);
    return S_OK;
}

exact_number from_decimal(const DECIMAL& value) {
    exact_number r;
    r.neg = (value.sign & DECIMAL_NEG) != 0;
    r.mag = (static_cast<u128>(value.Hi32) << 64) | value.Lo64;
    r.scale = value.scale;
    return r;
}

exact_number from_cy(CY value) {
    exact_number r = from_signed(value.int64);
    r.scale = 4;
    return r;
}

HRESULT to_cy(exact_number value, CY& result) {
    HRESULT hr = rescale(value, 4);
    if (FAILED(hr)) return hr;
    value.scale = 0;
    std::int64_t v = 0;
    hr = to_signed(value, std::numeric_limits<std::int64_t>::min(),
                   std::numeric_limits<std::int64_t>::max(), v);
    if (FAILED(hr)) return hr;
    result.int64 = v;
    return S_OK;
}

exact_number from_signed(std::int64_t value) {
    exact_number r;
    r.neg = value < 0;
    r.mag = value < 0 ? static_cast<u128>(-(value + 1)) + 1 : static_cast<u128>(value);
    return r;
}

exact_number from_unsigned(std::uint64_t value) {
    exact_number r;
    r.mag = value;
    return r;
}

HRESULT from_double(double value, exact_number& result) {
    if (!std::isfinite(value)) return DISP_E_OVERFLOW;
    char buf[64];
    auto res = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::scientific, 14);
    std::wstring w(buf, res.ptr);
    exact_number r;
    HRESULT hr = parse_number(w.c_str(), r);
    if (FAILED(hr)) return hr;
    while (r.scale > 0 && r.mag % 10 == 0) {
        r.mag /= 10;
        --r.scale;
    }
    result = r;
    return S_OK;
}

std::wstring ascii_to_wide(const std::string& text) {
    return std::wstring(text.begin(), text.end());
}

BSTR make_bstr(const std::wstring& text) {
    return SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
}

}  // namespace oleaut_detail

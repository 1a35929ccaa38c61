// Internal to the automation layer: an exact decimal number (sign, 128-bit magnitude, scale),
// the common ground of every conversion between integers, CY, DECIMAL and their texts.
// Pure functions over values; no shared state.
#pragma once

#include <cstdint>
#include <string>

#include "platform/oleaut/oleaut.h"

namespace oleaut_detail {

using u128 = unsigned __int128;

// (neg ? -1 : 1) * mag / 10^scale.  A negative zero compares and prints as zero.
struct exact_number {
    bool neg = false;
    u128 mag = 0;
    int scale = 0;
};

// 10^n for n in 0..38.
u128 pow10(int n);
// 2^96, the first magnitude a DECIMAL cannot hold.
inline constexpr u128 dec_limit = static_cast<u128>(1) << 96;

// Parses the neutral number text ([spaces][sign]digits[.digits][E[sign]digits][spaces]) into
// the DECIMAL range: at most 28 fraction digits (the rest rounded half to even) and a magnitude
// below 2^96.  DISP_E_TYPEMISMATCH for other text, DISP_E_OVERFLOW past the range.
HRESULT parse_number(const wchar_t* text, exact_number& result);
// Rounds (half to even) or widens to the scale; DISP_E_OVERFLOW when widening overflows.
HRESULT rescale(exact_number& value, int scale);
// The text: "-" for a negative non-zero value, the digits, "." and scale digits.
std::wstring format_number(const exact_number& value);
// Rounds to an integer and checks it against [min, max] (max given as a magnitude).
HRESULT to_signed(exact_number value, std::int64_t min, std::int64_t max, std::int64_t& result);
HRESULT to_unsigned(exact_number value, std::uint64_t max, std::uint64_t& result);
// Correctly rounded real value.
double to_double(const exact_number& value);
// Fits a value into a DECIMAL, dropping fraction digits (half to even) when the magnitude is too
// large; DISP_E_OVERFLOW when the integer part alone does not fit.
HRESULT to_decimal(exact_number value, DECIMAL& result);
exact_number from_decimal(const DECIMAL& value);
exact_number from_cy(CY value);
HRESULT to_cy(exact_number value, CY& result);
exact_number from_signed(std::int64_t value);
exact_number from_unsigned(std::uint64_t value);
// At most 15 significant digits of a finite real; DISP_E_OVERFLOW beyond the DECIMAL range.
HRESULT from_double(double value, exact_number& result);
// Narrow/wide helpers for the neutral texts (plain ASCII only).
std::wstring ascii_to_wide(const std::string& text);
// A BSTR copy of a text; null when memory runs out.
BSTR make_bstr(const std::wstring& text);

}  // namespace oleaut_detail

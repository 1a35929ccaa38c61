// An Oracle NUMBER as exact decimal digits: what a stored value is checked and rounded as
// before it reaches its column (1.005 into NUMBER(5,2) gives 1.01, not what the nearest double
// would round to), and the arithmetic, comparison and ordering of NUMBER values. Sums,
// differences and products are exact until they pass the digits a NUMBER holds; quotients and
// the results of the functions are rounded to those digits, as Oracle rounds them.
//
// Thread-safety: plain values and pure functions.
#ifndef TW_PLATFORM_ORALITE_LITE_DECIMAL_H
#define TW_PLATFORM_ORALITE_LITE_DECIMAL_H

#include <cstdint>
#include <string>
#include <string_view>

// value = (negative ? -1 : 1) * 0.digits * 10^exponent; digits hold no leading or trailing
// zero, and zero is the empty digit string.
struct lite_decimal {
    bool negative = false;
    std::string digits;
    int exponent = 0;

    bool is_zero() const noexcept { return digits.empty(); }
    // Digits left of the decimal point (0 for a value below one).
    int integer_digits() const noexcept { return digits.empty() || exponent < 0 ? 0 : exponent; }
    bool is_integer() const noexcept {
        return static_cast<int>(digits.size()) <= exponent || digits.empty();
    }
};

// Reads a number as Oracle converts text to one: blanks around it, a sign, digits with at most
// one point, an exponent. False when the text is no number.
bool lite_decimal_parse(std::string_view text, lite_decimal& out);
// The exact value of an integer.
lite_decimal lite_decimal_from_int(int64_t v);
// Rounds half away from zero to `scale` digits after the point (a negative scale rounds left of
// it). True when a digit was dropped.
bool lite_decimal_round(lite_decimal& d, int scale);
// Drops the digits past `scale` digits after the point. True when one was dropped.
bool lite_decimal_trunc(lite_decimal& d, int scale);
// Rounds to the digits a NUMBER holds: twenty base-100 digits, so 40 decimal digits when the
// value's first digit starts a pair, else 39. A value too small for a NUMBER becomes zero;
// false when it is too large for one (Oracle's numeric overflow).
bool lite_decimal_fit(lite_decimal& d);
// Oracle's text of the value (".5", "-12", "1E+50").
std::string lite_decimal_text(const lite_decimal& d);
// The value as an int64 when it is an integer that fits one.
bool lite_decimal_to_int64(const lite_decimal& d, int64_t& out);

// -1, 0 or 1 as a is below, equal to or above b.
int lite_decimal_compare(const lite_decimal& a, const lite_decimal& b);
// Exact results, before lite_decimal_fit.
lite_decimal lite_decimal_add(const lite_decimal& a, const lite_decimal& b);
lite_decimal lite_decimal_sub(const lite_decimal& a, const lite_decimal& b);
lite_decimal lite_decimal_mul(const lite_decimal& a, const lite_decimal& b);
// a / b rounded to a NUMBER's digits; false when b is zero.
bool lite_decimal_div(const lite_decimal& a, const lite_decimal& b, lite_decimal& out);
// a / b rounded to `digits` significant digits; false when b is zero.
bool lite_decimal_div_digits(const lite_decimal& a, const lite_decimal& b, int digits,
                             lite_decimal& out);
// Oracle's MOD: a - b * TRUNC(a / b), exact; a itself when b is zero.
lite_decimal lite_decimal_mod(const lite_decimal& a, const lite_decimal& b);
// The next integer down or up.
lite_decimal lite_decimal_floor(const lite_decimal& d);
lite_decimal lite_decimal_ceil(const lite_decimal& d);
// d to an integer power, rounded to a NUMBER's digits; false when b is zero and the power
// negative, or the result overflows.
bool lite_decimal_power(const lite_decimal& d, int64_t power, lite_decimal& out);

// SQRT, EXP, LN, LOG(base, d) and POWER with any exponent, worked out past a NUMBER's digits
// and then rounded to them, so that the digits kept are the true value's. The caller refuses
// arguments out of the function's domain (a negative square root, the logarithm of zero or
// less, a base of one, a negative base with a fractional exponent); false when the result
// overflows a NUMBER. A result too small for a NUMBER is zero.
void lite_decimal_sqrt(const lite_decimal& d, lite_decimal& out);
bool lite_decimal_exp(const lite_decimal& d, lite_decimal& out);
bool lite_decimal_ln(const lite_decimal& d, lite_decimal& out);
bool lite_decimal_log(const lite_decimal& base, const lite_decimal& d, lite_decimal& out);
bool lite_decimal_pow(const lite_decimal& base, const lite_decimal& power, lite_decimal& out);

// Bytes that sort, compared byte by byte (shorter first on a common prefix), as the values do.
std::string lite_decimal_key(const lite_decimal& d);

#endif

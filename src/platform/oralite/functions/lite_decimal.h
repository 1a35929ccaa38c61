// An Oracle NUMBER as exact decimal digits: what a stored value is checked and rounded as before
// it reaches its column, so that 1.005 into NUMBER(5,2) gives 1.01 and not what the nearest
// double would round to.
//
// Thread-safety: plain values.
#ifndef TW_PLATFORM_ORALITE_LITE_DECIMAL_H
#define TW_PLATFORM_ORALITE_LITE_DECIMAL_H

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
// Rounds half away from zero to `scale` digits after the point (a negative scale rounds left of
// it). True when a digit was dropped.
bool lite_decimal_round(lite_decimal& d, int scale);
// Oracle's text of the value (".5", "-12", "1E+50").
std::string lite_decimal_text(const lite_decimal& d);

#endif

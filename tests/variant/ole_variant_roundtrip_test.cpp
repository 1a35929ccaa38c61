// Numbers read from a source database as text must be written out digit for digit: random
// decimal and currency texts of every scale go through a value and back unchanged.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "variant/ole_variant.h"

namespace {

std::string random_digits(std::mt19937_64& rng, int count, bool leading_zero_allowed) {
    std::string out;
    for (int i = 0; i < count; ++i) {
        int lo = i == 0 && !leading_zero_allowed ? 1 : 0;
        out.push_back(static_cast<char>('0' + lo + static_cast<int>(rng() % (10 - lo))));
    }
    return out;
}

// [-]int[.frac] with int_digits (0 gives "0") and exactly frac_digits fraction digits.
std::string random_number(std::mt19937_64& rng, int int_digits, int frac_digits) {
    std::string text = int_digits == 0 ? "0" : random_digits(rng, int_digits, false);
    if (frac_digits > 0) text += "." + random_digits(rng, frac_digits, true);
    bool zero = text.find_first_not_of("0.") == std::string::npos;
    if (!zero && (rng() & 1)) text.insert(0, 1, '-');
    return text;
}

std::string with_comma(std::string text) {
    for (char& c : text)
        if (c == '.') c = ',';
    return text;
}

}  // namespace

TEST(OleVariantRoundTrip, DecimalTextsOfEveryScale) {
    std::mt19937_64 rng(1108);
    for (int scale = 0; scale <= 28; ++scale) {
        for (int i = 0; i < 200; ++i) {
            // At most 28 digits in all: every such number lies below 2^96.
            int int_digits = static_cast<int>(rng() % static_cast<unsigned>(29 - scale));
            std::string text = random_number(rng, int_digits, scale);
            ole_variant v = ole_variant::from_string(text, VT_DECIMAL);
            ASSERT_EQ(v.vt(), VT_DECIMAL) << text;
            ASSERT_EQ(v.to_string(), text);
            ASSERT_EQ(ole_variant::from_string(with_comma(text), VT_DECIMAL).to_string(), text);
            std::wstring wide(text.begin(), text.end());
            ASSERT_EQ(ole_variant::from_wstring(wide, VT_DECIMAL).to_wstring(), wide);
            // The copy is what is tested.
            ole_variant copy(v);  // NOLINT(performance-unnecessary-copy-initialization)
            ASSERT_EQ(copy.to_string(), text);
        }
    }
}

TEST(OleVariantRoundTrip, CurrencyTextsOfEveryScale) {
    std::mt19937_64 rng(1109);
    for (int scale = 0; scale <= 4; ++scale) {
        for (int i = 0; i < 2000; ++i) {
            // Fifteen integer digits would pass the currency range; fourteen always fit.
            int int_digits = static_cast<int>(rng() % 15);
            std::string text = random_number(rng, int_digits, scale);
            // Currency text carries no trailing fraction zeros.
            if (scale > 0 && text.back() == '0') text.back() = '7';
            ole_variant v = ole_variant::from_string(with_comma(text), VT_CY);
            ASSERT_EQ(v.vt(), VT_CY) << text;
            ASSERT_EQ(v.to_string(), text);
            ole_variant assigned;
            assigned = v;
            ASSERT_EQ(assigned.to_wstring(), std::wstring(text.begin(), text.end()));
        }
    }
}

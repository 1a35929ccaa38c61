// Random values of every scale must come back bit for bit from their text.
#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <random>
#include <string>

#include "platform/oleaut/oleaut.h"
#include "platform/oleaut/oleaut_test_helpers.h"

TEST(OleautDecimalRoundTrip, RandomValuesOfEveryScale) {
    std::mt19937_64 rng(20261208);
    for (int scale = 0; scale <= 28; ++scale) {
        for (int i = 0; i < 400; ++i) {
            DECIMAL d{};
            d.scale = static_cast<std::uint8_t>(scale);
            int bits = static_cast<int>(rng() % 97);  // short and full-width mantissas alike
            std::uint64_t lo = rng(), hi = rng() & 0xFFFFFFFFu;
            if (bits < 64) {
                lo = bits == 0 ? 0 : lo >> (64 - bits);
                hi = 0;
            } else if (bits < 96) {
                hi >>= (96 - bits);
            }
            d.Lo64 = lo;
            d.Hi32 = static_cast<DWORD>(hi);
            d.sign = (rng() & 1) && (lo || hi) ? DECIMAL_NEG : 0;
            std::wstring text = dec_text(d);
            DECIMAL back = dec_of(text.c_str());
            ASSERT_EQ(back.scale, d.scale) << std::string(text.begin(), text.end());
            ASSERT_EQ(back.Lo64, d.Lo64);
            ASSERT_EQ(back.Hi32, d.Hi32);
            ASSERT_EQ(back.sign, d.sign);
        }
    }
}

TEST(OleautCurrencyRoundTrip, RandomValuesOfEveryMagnitude) {
    std::mt19937_64 rng(4711);
    for (int i = 0; i < 20000; ++i) {
        int shift = static_cast<int>(rng() % 64);
        CY c;
        c.int64 = static_cast<std::int64_t>(rng() >> shift);
        if (rng() & 1) c.int64 = -c.int64;
        BSTR text = nullptr;
        ASSERT_EQ(VarBstrFromCy(c, OLE_LCID_ENGLISH_US, 0, &text), S_OK);
        std::wstring w = take_bstr(text);
        CY back{};
        ASSERT_EQ(VarCyFromStr(w.c_str(), OLE_LCID_ENGLISH_US, 0, &back), S_OK);
        ASSERT_EQ(back.int64, c.int64) << std::string(w.begin(), w.end());
        // The same value read as a DECIMAL and back to CY must agree too.
        DECIMAL d = dec_of(w.c_str());
        CY via{};
        ASSERT_EQ(VarCyFromDec(&d, &via), S_OK);
        ASSERT_EQ(via.int64, c.int64);
    }
}

TEST(OleautRealRoundTrip, DecimalsKeepFifteenSignificantDigitsOfAReal) {
    std::mt19937_64 rng(99);
    std::uniform_real_distribution<double> mantissa(1.0, 10.0);
    for (int i = 0; i < 5000; ++i) {
        int exponent = static_cast<int>(rng() % 40) - 20;
        double x = mantissa(rng) * std::pow(10.0, exponent);
        if (rng() & 1) x = -x;
        DECIMAL d{};
        ASSERT_EQ(VarDecFromR8(x, &d), S_OK) << x;
        double back = 0;
        ASSERT_EQ(VarR8FromDec(&d, &back), S_OK);
        char buf[64];
        auto res = std::to_chars(buf, buf + sizeof buf, x, std::chars_format::scientific, 14);
        double expected = 0;
        std::from_chars(buf, res.ptr, expected);
        if (exponent >= -13) {  // below that, 28 decimals hold fewer than 15 digits
            ASSERT_EQ(back, expected) << std::string(buf, res.ptr);
        }
    }
}

TEST(OleautIntegerRoundTrip, EverySixtyFourBitValueThroughText) {
    std::mt19937_64 rng(7);
    for (int i = 0; i < 5000; ++i) {
        VARIANT v;
        VariantInit(&v);
        v.vt = VT_I8;
        v.llVal = static_cast<std::int64_t>(rng() >> (rng() % 64));
        if (rng() & 1) v.llVal = -v.llVal;
        VARIANT text, back;
        VariantInit(&text);
        VariantInit(&back);
        ASSERT_EQ(VariantChangeType(&text, &v, 0, VT_BSTR), S_OK);
        ASSERT_EQ(VariantChangeType(&back, &text, 0, VT_I8), S_OK);
        ASSERT_EQ(back.llVal, v.llVal);
        VariantClear(&text);
    }
}

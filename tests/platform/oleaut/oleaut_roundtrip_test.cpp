// Random values of every scale must come back bit for bit from their text.
#include <gtest/gtest.h>

#include <random>

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

#include <gtest/gtest.h>

#include <cstdlib>

#include <cstring>
#include <vector>

#include "TK/tk_exception.h"
#include "variant/ole_variant.h"
#include "ole_variant_test_helpers.h"

namespace {

template <class F>
std::string internal_error_of(F f) {
    try {
        f();
    } catch (const tk_mail_assertion& e) {
        EXPECT_EQ(e.level(), 2);
        return e.what();
    }
    return "no error";
}

}  // namespace

TEST(OleVariant, ConstructorsGiveTheirTypes) {
    EXPECT_EQ(ole_variant().vt(), VT_EMPTY);
    EXPECT_EQ(ole_variant(true).vt(), VT_BOOL);
    EXPECT_EQ(ole_variant(true).variant().boolVal, VARIANT_TRUE);
    EXPECT_EQ(ole_variant('a').vt(), VT_I1);
    EXPECT_EQ(ole_variant(static_cast<unsigned char>(1)).vt(), VT_UI1);
    EXPECT_EQ(ole_variant(static_cast<short>(1)).vt(), VT_I2);
    EXPECT_EQ(ole_variant(static_cast<unsigned short>(1)).vt(), VT_UI2);
    EXPECT_EQ(ole_variant(1).vt(), VT_I4);
    EXPECT_EQ(ole_variant(1u).vt(), VT_UI4);
    EXPECT_EQ(ole_variant(static_cast<std::int64_t>(1)).vt(), VT_I8);
    EXPECT_EQ(ole_variant(static_cast<std::uint64_t>(1)).vt(), VT_UI8);
    EXPECT_EQ(ole_variant(1.0f).vt(), VT_R4);
    EXPECT_EQ(ole_variant(1.0).vt(), VT_R8);
    EXPECT_EQ(ole_variant("abc").vt(), VT_BSTR);
    EXPECT_EQ(ole_variant(std::string("abc")).to_wstring(), L"abc");
    EXPECT_EQ(ole_variant(L"abc").vt(), VT_BSTR);
    EXPECT_EQ(ole_variant(std::vector<std::uint8_t>{1, 2}).vt(), VT_ARRAY | VT_UI1);
    CY cy;
    cy.int64 = 123400;
    EXPECT_EQ(ole_variant(cy).to_string(), "12.34");
    DECIMAL dec{};
    dec.Lo64 = 5;
    dec.scale = 3;
    dec.sign = DECIMAL_NEG;
    EXPECT_EQ(ole_variant(dec).vt(), VT_DECIMAL);
    EXPECT_EQ(ole_variant(dec).to_string(), "-0.005");
}

TEST(OleVariant, WideTextKeepsEmbeddedNulsButPrintsUpToTheFirst) {
    std::wstring text(L"ab\0cd", 5);
    ole_variant v(text);
    EXPECT_EQ(SysStringLen(v.variant().bstrVal), 5u);
    EXPECT_EQ(v.to_wstring(), L"ab");
    // The copy is what is tested.
    ole_variant copy(v);  // NOLINT(performance-unnecessary-copy-initialization)
    EXPECT_EQ(SysStringLen(copy.variant().bstrVal), 5u);
    ole_variant cut;
    cut.set_wstring(text);
    EXPECT_EQ(SysStringLen(cut.variant().bstrVal), 2u);
}

TEST(OleVariant, BooleanHoldingOneIsNotTrue) {
    ole_variant v = ole_variant::from_string("1", VT_I2);
    v.change_type(VT_BOOL);  // generic conversion gives a proper VARIANT_TRUE
    EXPECT_EQ(v.to_string(), "1");
    // A word of 1 (not -1) arrives from outside only through the raw VARIANT.
    ole_variant one(true);
    const_cast<VARIANT&>(one.variant()).boolVal = 1;
    EXPECT_EQ(one.to_string(), "0");
    EXPECT_FALSE(one.to_bool());
    EXPECT_EQ(one.to_long(), 1);
    EXPECT_EQ(one.to_double(), 1.0);
    EXPECT_EQ(ole_variant(false).to_string(), "0");
}

TEST(OleVariant, RealsPrintInExponentForm) {
    EXPECT_EQ(ole_variant(1.5).to_string(), "1.5000000000000000e+00");
    EXPECT_EQ(ole_variant(-12345.678).to_string(), "-1.2345678000000000e+04");
    EXPECT_EQ(ole_variant(0.0).to_string(), "0.0000000000000000e+00");
}

TEST(OleVariant, SinglesPrintDigitsThatReadBackAsTheSameSingle) {
    EXPECT_EQ(ole_variant(0.1f).to_string(), "0.1");
    EXPECT_EQ(ole_variant(3.1415927f).to_string(), "3.1415927");
    EXPECT_EQ(ole_variant(16777217.0f).to_string(), "16777216");
    for (float f : {3.1415927f, 1.0e-38f, 123456.79f, -7.0000005f, 3.4028235e38f}) {
        const std::string text = ole_variant(f).to_string();
        EXPECT_EQ(std::strtof(text.c_str(), nullptr), f) << text;
    }
    EXPECT_EQ(ole_variant(0.0).to_string(), "0.0000000000000000e+00");
    EXPECT_EQ(ole_variant(2.5).to_wstring(), L"2.5000000000000000e+00");
}

TEST(OleVariant, IntegerTexts) {
    EXPECT_EQ(ole_variant(static_cast<short>(-7)).to_string(), "-7");
    EXPECT_EQ(ole_variant(static_cast<char>(-7)).to_string(), "-7");
    EXPECT_EQ(ole_variant(-2147483647 - 1).to_string(), "-2147483648");
    EXPECT_EQ(ole_variant(4294967295u).to_string(), "4294967295");
    EXPECT_EQ(ole_variant(static_cast<unsigned char>(255)).to_string(), "255");
    EXPECT_EQ(ole_variant(static_cast<unsigned short>(65535)).to_string(), "65535");
    EXPECT_EQ(ole_variant().to_string(), "");
    EXPECT_EQ(ole_variant::from_string("12", VT_INT).to_string(), "");
    EXPECT_EQ(ole_variant::from_string("12", VT_UINT).to_string(), "12");
}

TEST(OleVariant, SixtyFourBitValuesKeepEveryBit) {
    const std::int64_t big = -0x123456789ABCDEFLL;
    ole_variant v(big);
    EXPECT_EQ(v.to_string(), "-81985529216486895");
    // The copy is what is tested.
    ole_variant copy(v);  // NOLINT(performance-unnecessary-copy-initialization)
    EXPECT_EQ(copy.i8(), big);
    ole_variant assigned;
    assigned = v;
    EXPECT_EQ(assigned.vt(), VT_I8);
    EXPECT_EQ(assigned.to_string(), "-81985529216486895");
    EXPECT_EQ(v.to_long(), static_cast<std::int32_t>(static_cast<std::uint32_t>(big)));
    EXPECT_EQ(v.to_double(), static_cast<double>(big));
    ole_variant u(static_cast<std::uint64_t>(18446744073709551615ull));
    EXPECT_EQ(u.to_string(), "18446744073709551615");
    EXPECT_EQ(u.to_long(), -1);
    EXPECT_TRUE(u.to_bool());
}

TEST(OleVariant, ByteArraysPrintAsUpperCaseHex) {
    ole_variant v(std::vector<std::uint8_t>{0x0a, 0xff, 0x00});
    EXPECT_EQ(v.to_string(), "0x0AFF00");
    EXPECT_EQ(v.to_wstring(), L"0x0AFF00");
    ole_variant empty(std::vector<std::uint8_t>{});
    EXPECT_EQ(empty.vt(), VT_ARRAY | VT_UI1);
    EXPECT_EQ(empty.to_string(), "");
    EXPECT_EQ(bytes_of(empty).size(), 0u);
    EXPECT_EQ(ole_variant::get_safe_array_size(empty.variant().parray), 0u);
    EXPECT_EQ(ole_variant::get_safe_array_size(nullptr), 0u);
}

TEST(OleVariant, ByteArraysAreDeepCopiesAndResizeInPlace) {
    const std::uint8_t data[] = {1, 2, 3};
    ole_variant v(3, data);
    // The copy is what is tested.
    ole_variant copy(v);  // NOLINT(performance-unnecessary-copy-initialization)
    ole_variant assigned;
    assigned = v;
    static_cast<std::uint8_t*>(v.variant().parray->pvData)[0] = 9;
    EXPECT_EQ(bytes_of(copy), (std::vector<std::uint8_t>{1, 2, 3}));
    EXPECT_EQ(bytes_of(assigned), (std::vector<std::uint8_t>{1, 2, 3}));

    // A field reused row after row: empty value first, then bytes again.
    ole_variant field(std::vector<std::uint8_t>{});
    const SAFEARRAY* array = field.variant().parray;
    field.attach_binary(3, data);
    EXPECT_EQ(field.variant().parray, array);  // resized, not replaced
    EXPECT_EQ(bytes_of(field), (std::vector<std::uint8_t>{1, 2, 3}));
    field.attach_binary(std::vector<std::uint8_t>{7});
    EXPECT_EQ(bytes_of(field), (std::vector<std::uint8_t>{7}));
    EXPECT_EQ(field.attach_binary_ex({}).to_string(), "");
}

// The moved-from state is part of the type's promise, so the sources are read after the moves.
TEST(OleVariant, MoveLeavesTheSourceEmpty) {
    ole_variant a(L"text");
    ole_variant b(std::move(a));
    EXPECT_EQ(a.vt(), VT_EMPTY);  // NOLINT(bugprone-use-after-move)
    EXPECT_EQ(b.to_wstring(), L"text");
    ole_variant c(5);
    c = std::move(b);
    EXPECT_EQ(c.to_wstring(), L"text");
    EXPECT_EQ(b.vt(), VT_EMPTY);  // NOLINT(bugprone-use-after-move)
    c = L"other";
    EXPECT_EQ(c.to_string(), "other");
}

TEST(OleVariant, InternalErrorsCarryTheirSourceAndLine) {
    EXPECT_EQ(internal_error_of([] {
                  const std::uint8_t* bytes = nullptr;
                  ole_variant(3).get_bytes1(bytes);
              }),
              make_err_meggase("ole_var", 869));
    EXPECT_EQ(internal_error_of([] { (void)ole_variant(L"x").to_double(); }),
              make_err_meggase("ole_var", 714));
    EXPECT_EQ(internal_error_of([] { ole_variant().attach_binary(0, nullptr); }),
              make_err_meggase("ole_var", 937));
    const std::uint8_t* p = nullptr;
    EXPECT_EQ(ole_variant().get_bytes1(p), 0u);
    EXPECT_EQ(p, nullptr);
}

TEST(OleVariant, NumericReaders) {
    EXPECT_EQ(ole_variant(2.9).to_long(), 2);
    EXPECT_EQ(ole_variant(-2.9).to_long(), -2);
    EXPECT_EQ(ole_variant(1e20).to_long(), 2147483647);  // clamped, never undefined
    EXPECT_EQ(ole_variant(4294967295u).to_long(), -1);
    EXPECT_EQ(ole_variant(static_cast<char>(-3)).to_long(), -3);
    CY cy;
    cy.int64 = 25000;
    EXPECT_EQ(ole_variant(cy).to_long(), 2);
    EXPECT_EQ(ole_variant(cy).to_double(), 2.5);
    EXPECT_TRUE(ole_variant(cy).to_bool());
    cy.int64 = 4000;  // 0.4 rounds to 0
    EXPECT_FALSE(ole_variant(cy).to_bool());
    EXPECT_EQ(ole_variant(L"12").to_long(), 0);
    EXPECT_FALSE(ole_variant(L"12").to_bool());
    EXPECT_EQ(ole_variant().to_double(), 0.0);
    EXPECT_TRUE(ole_variant(0.5).to_bool());
}

TEST(OleVariant, IntAndUintReadAsTheirValues) {
    // Accepted by the conversions, so readable as reals, never the end of the process.
    EXPECT_EQ(ole_variant::from_string("-12", VT_INT).to_double(), -12.0);
    EXPECT_EQ(ole_variant::from_string("12", VT_UINT).to_double(), 12.0);
}

TEST(OleVariant, WholeTextKeepsEmbeddedNuls) {
    std::wstring text(L"ab\0cd", 5);
    EXPECT_EQ(ole_variant(text).whole_text(), text);
    EXPECT_EQ(ole_variant(std::wstring()).whole_text(), L"");
    EXPECT_EQ(ole_variant(3).whole_text(), L"");
}

TEST(OleVariant, DatesKeepTheirBrokenDownTime) {
    ole_variant v(st(2024, 1, 31, 10, 20, 30, 250));
    EXPECT_EQ(v.vt(), VT_DATE);
    EXPECT_EQ(v.to_string(), "2024-01-31 10:20:30.250");
    EXPECT_DOUBLE_EQ(v.variant().date, 45322 + (10 * 3600 + 20 * 60 + 30) / 86400.0);
    SYSTEMTIME out{};
    EXPECT_EQ(v.get_systemtime(out), &out);
    EXPECT_EQ(out.wMilliseconds, 250);
    EXPECT_EQ(ole_variant(1).get_systemtime(out), nullptr);
    EXPECT_EQ(out.wYear, 0);

    EXPECT_EQ(ole_variant(st(2024, 1, 31)).to_string(), "2024-01-31");
    EXPECT_EQ(ole_variant(st(0, 0, 0, 10, 20, 30)).to_string(), "0000-00-00 10:20:30");
    EXPECT_EQ(ole_variant(st(0, 0, 0, 10, 20, 30, 5)).to_string(), "0000-00-00 10:20:30.005");
    // A year the platform's DATE cannot hold is kept as it is.
    ole_variant early(st(1, 1, 1));
    EXPECT_EQ(early.vt(), VT_DATE);
    EXPECT_EQ(early.to_string(), "0001-01-01");
    // The copy is what is tested.
    ole_variant copy(early);  // NOLINT(performance-unnecessary-copy-initialization)
    EXPECT_EQ(copy.to_string(), "0001-01-01");
    ole_variant assigned;
    assigned = early;
    EXPECT_EQ(assigned.to_wstring(), L"0001-01-01");
}

TEST(OleVariant, TypePredicates) {
    for (VARTYPE vt : {2, 3, 4, 5, 6, 11, 14, 16, 17, 18, 19, 20, 21, 22, 23})
        EXPECT_TRUE(ole_is_numeric_type(vt)) << vt;
    for (VARTYPE vt : {0, 1, 7, 8, 9, 10, 12, 13, 15, 24, 65, 8209})
        EXPECT_FALSE(ole_is_numeric_type(vt)) << vt;
    EXPECT_TRUE(ole_is_binary_type(65));
    EXPECT_TRUE(ole_is_binary_type(70));
    EXPECT_TRUE(ole_is_binary_type(8209));
    EXPECT_FALSE(ole_is_binary_type(27));
    EXPECT_TRUE(ole_is_quoted_type(VT_BSTR));
    EXPECT_TRUE(ole_is_quoted_type(VT_DATE));
    EXPECT_FALSE(ole_is_quoted_type(VT_CY));
}

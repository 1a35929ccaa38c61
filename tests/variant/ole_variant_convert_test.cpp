#include <gtest/gtest.h>

#include <climits>
#include <limits>
#include <vector>

#include "variant/ole_cast_exception.h"
#include "variant/ole_type_exception.h"
#include "variant/ole_variant.h"
#include "ole_variant_test_helpers.h"

namespace {

ole_variant changed(ole_variant v, VARTYPE vt) {
    v.change_type(vt);
    return v;
}

}  // namespace

TEST(OleVariantFromString, EmptyText) {
    EXPECT_EQ(ole_variant::from_string("", VT_I4).vt(), VT_EMPTY);
    EXPECT_EQ(ole_variant::from_string("", VT_DATE).vt(), VT_EMPTY);
    ole_variant text = ole_variant::from_string("", VT_BSTR);
    EXPECT_EQ(text.vt(), VT_BSTR);
    EXPECT_EQ(text.to_wstring(), L"");
}

TEST(OleVariantFromString, Integers) {
    EXPECT_EQ(ole_variant::from_string("42", VT_I4).variant().lVal, 42);
    EXPECT_EQ(ole_variant::from_string(" -42abc", VT_I4).variant().lVal, -42);
    EXPECT_EQ(ole_variant::from_string("abc", VT_I4).variant().lVal, 0);
    EXPECT_EQ(ole_variant::from_string("70000", VT_I2).variant().iVal, 4464);  // kept to 16 bits
    EXPECT_EQ(ole_variant::from_string("300", VT_UI1).variant().bVal, 44);
    EXPECT_EQ(ole_variant::from_string("-1", VT_I1).vt(), VT_I1);
    EXPECT_EQ(ole_variant::from_string("4294967295", VT_UI4).variant().ulVal, 4294967295u);
    EXPECT_EQ(ole_variant::from_string("x", VT_UI4).variant().ulVal, 0u);
    ole_variant i8 = ole_variant::from_string("-9223372036854775808", VT_I8);
    EXPECT_EQ(i8.vt(), VT_I8);
    EXPECT_EQ(i8.i8(), std::numeric_limits<std::int64_t>::min());
    ole_variant u8 = ole_variant::from_string("18446744073709551615", VT_UI8);
    EXPECT_EQ(u8.ui8(), std::numeric_limits<std::uint64_t>::max());
    EXPECT_EQ(ole_variant::from_string("no", VT_UI8).ui8(), 0u);
}

TEST(OleVariantFromString, RealsAcceptCommaAsDecimalPoint) {
    ole_variant r8 = ole_variant::from_string("1,5", VT_R8);
    EXPECT_EQ(r8.vt(), VT_R8);
    EXPECT_EQ(r8.variant().dblVal, 1.5);
    EXPECT_EQ(ole_variant::from_string(" 2.5e3", VT_R8).variant().dblVal, 2500.0);
    EXPECT_EQ(ole_variant::from_string("abc", VT_R8).variant().dblVal, 0.0);
    EXPECT_EQ(ole_variant::from_string("+2", VT_R8).variant().dblVal, 2.0);
    EXPECT_EQ(ole_variant::from_string("+-2", VT_R8).variant().dblVal, 0.0);
    EXPECT_EQ(ole_variant::from_string("3.5kg", VT_R8).variant().dblVal, 3.5);
    EXPECT_EQ(ole_variant::from_string("1e999", VT_R8).variant().dblVal,
              std::numeric_limits<double>::infinity());
    ole_variant r4 = ole_variant::from_string("0,1", VT_R4);
    EXPECT_EQ(r4.vt(), VT_R4);
    EXPECT_EQ(r4.variant().fltVal, 0.1f);
    EXPECT_EQ(ole_variant::from_string("1e300", VT_R4).variant().fltVal,
              std::numeric_limits<float>::infinity());
    EXPECT_EQ(ole_variant::from_string("-1e300", VT_R4).variant().fltVal,
              -std::numeric_limits<float>::infinity());
}

TEST(OleVariantFromString, CurrencyAndDecimalAreExact) {
    ole_variant cy = ole_variant::from_string("12,34", VT_CY);
    ASSERT_EQ(cy.vt(), VT_CY);
    EXPECT_EQ(cy.variant().cyVal.int64, 123400);
    EXPECT_EQ(cy.to_string(), "12.34");
    EXPECT_EQ(ole_variant::from_string("abc", VT_CY).vt(), VT_EMPTY);
    EXPECT_EQ(ole_variant::from_string("1e20", VT_CY).vt(), VT_EMPTY);

    ole_variant dec = ole_variant::from_string("123456789012345678901234.5600", VT_DECIMAL);
    ASSERT_EQ(dec.vt(), VT_DECIMAL);
    EXPECT_EQ(dec.to_string(), "123456789012345678901234.5600");
    EXPECT_EQ(ole_variant::from_string("-0,5", VT_DECIMAL).to_string(), "-0.5");
    EXPECT_EQ(ole_variant::from_string("1.2.3", VT_DECIMAL).vt(), VT_EMPTY);
}

TEST(OleVariantFromString, BooleanTexts) {
    for (const char* t : {"TRUE", "Yes", "yes", "true", "2", "-1"})
        EXPECT_TRUE(ole_variant::from_string(t, VT_BOOL).to_bool()) << t;
    for (const char* t : {"no", "FALSE", "abc", "0"})
        EXPECT_FALSE(ole_variant::from_string(t, VT_BOOL).to_bool()) << t;
    EXPECT_EQ(ole_variant::from_string("Yes", VT_BOOL).variant().boolVal, VARIANT_TRUE);
}

TEST(OleVariantFromString, HexTextToBytes) {
    const std::vector<std::uint8_t> expected{0x0a, 0xff};
    EXPECT_EQ(bytes_of(ole_variant::from_string("0x0aff", VT_BLOB)), expected);
    EXPECT_EQ(bytes_of(ole_variant::from_string("0aff", VT_ARRAY | VT_UI1)), expected);
    EXPECT_EQ(bytes_of(ole_variant::from_string("0X0AFF", VT_BLOB)), expected);
    EXPECT_EQ(bytes_of(ole_variant::from_string("\\x0AfF", VT_BLOB)), expected);
    EXPECT_EQ(ole_variant::from_string("0x0aff", VT_BLOB).vt(), VT_ARRAY | VT_UI1);
    EXPECT_EQ(ole_variant::from_string("0af", VT_BLOB).vt(), VT_EMPTY);
    EXPECT_EQ(ole_variant::from_string("0x", VT_BLOB).vt(), VT_ARRAY | VT_UI1);
    EXPECT_EQ(ole_variant::from_string("0x", VT_BLOB).to_string(), "");
    EXPECT_EQ(ole_variant::from_string("zz", VT_BLOB).vt(), VT_EMPTY);
    // A NUL inside the text ends the walk; the rest of the bytes stay zero.
    EXPECT_EQ(bytes_of(ole_variant::from_string(std::string("ab\0\0cd", 6), VT_BLOB)),
              (std::vector<std::uint8_t>{0xab, 0, 0}));
}

TEST(OleVariantFromString, DatesAndGenericTargets) {
    ole_variant d = ole_variant::from_string("2024-01-31 10:20:30", VT_DATE);
    ASSERT_EQ(d.vt(), VT_DATE);
    EXPECT_EQ(d.to_string(), "2024-01-31 10:20:30");
    EXPECT_EQ(ole_variant::from_string("not a date", VT_DATE).vt(), VT_EMPTY);
    EXPECT_EQ(ole_variant::from_string("49-01-02", VT_DATE).to_string(), "2049-01-02");

    EXPECT_EQ(ole_variant::from_string("abc", VT_BSTR).to_wstring(), L"abc");
    EXPECT_EQ(ole_variant::from_string("12", VT_INT).vt(), VT_INT);
    EXPECT_EQ(ole_variant::from_string("12", VT_INT).variant().intVal, 12);
    EXPECT_THROW(ole_variant::from_string("abc", VT_INT), ole_type_exception);
    EXPECT_THROW(ole_variant::from_string("abc", VT_NULL), ole_type_exception);
    EXPECT_THROW(ole_variant::from_string("abc", VT_ERROR), ole_type_exception);
    try {
        ole_variant::from_string("abc", VT_UINT);
        FAIL();
    } catch (const ole_type_exception& e) {
        EXPECT_STREQ(e.what(), "The operating type is not supported yet");
        EXPECT_EQ(e.level(), 1);
        EXPECT_EQ(e.code(), 0);
    }
}

TEST(OleVariantFromString, TextThatIsNotUtf8IsNoCurrencyOrDecimal) {
    // The ordinary failure of these readers: an empty value, never the end of the process.
    EXPECT_TRUE(ole_variant::from_string("12\xff", VT_CY).is_empty());
    EXPECT_TRUE(ole_variant::from_string("\xc3(", VT_DECIMAL).is_empty());
    EXPECT_EQ(ole_variant::from_string("12.5", VT_DECIMAL).to_string(), "12.5");
}

TEST(OleVariantFromWstring, TextUpToTheFirstNulOrThroughFromString) {
    ole_variant v = ole_variant::from_wstring(std::wstring(L"ab\0c", 4), VT_BSTR);
    EXPECT_EQ(SysStringLen(v.variant().bstrVal), 2u);
    EXPECT_EQ(ole_variant::from_wstring(L"12,5", VT_R8).variant().dblVal, 12.5);
    EXPECT_EQ(ole_variant::from_wstring(L"0x01", VT_BLOB).to_string(), "0x01");
    EXPECT_EQ(ole_variant::from_wstring(L"\u00e9t\u00e9", VT_BSTR).to_wstring(), L"\u00e9t\u00e9");
}

TEST(OleVariantChangeType, NothingToDo) {
    ole_variant text(L"12");
    text.change_type(VT_BSTR);
    EXPECT_EQ(text.to_wstring(), L"12");
    ole_variant empty;
    empty.change_type(VT_I4);
    EXPECT_EQ(empty.vt(), VT_EMPTY);
    ole_variant bytes(std::vector<std::uint8_t>{1});
    bytes.change_type(VT_BLOB);
    EXPECT_EQ(bytes.vt(), VT_ARRAY | VT_UI1);
}

TEST(OleVariantChangeType, TextToNumbers) {
    EXPECT_EQ(changed(ole_variant(L"12"), VT_I4).vt(), VT_BSTR);  // left as it is
    EXPECT_EQ(changed(ole_variant(L"12"), VT_I4).to_wstring(), L"12");
    ole_variant r8 = changed(ole_variant(L"12"), VT_R8);
    EXPECT_EQ(r8.vt(), VT_R8);
    EXPECT_EQ(r8.variant().dblVal, 12.0);
    EXPECT_THROW(changed(ole_variant(L"12"), VT_I8), ole_cast_exception);
    ole_variant bad(L"abc");
    EXPECT_THROW(bad.change_type(VT_R8), ole_cast_exception);
    EXPECT_EQ(bad.vt(), VT_BSTR);  // the refusal comes before any change
    EXPECT_EQ(bad.to_wstring(), L"abc");
    EXPECT_EQ(changed(ole_variant(L"12.5"), VT_DECIMAL).to_string(), "12.5");
    EXPECT_EQ(changed(ole_variant(L"12.5"), VT_CY).to_string(), "12.5");
}

TEST(OleVariantChangeType, RealsToIntegersRoundHalfAwayFromZero) {
    EXPECT_EQ(changed(ole_variant(2.5), VT_I4).variant().lVal, 3);
    EXPECT_EQ(changed(ole_variant(-2.5), VT_I4).variant().lVal, -3);
    EXPECT_EQ(changed(ole_variant(2.4f), VT_I2).variant().iVal, 2);
    EXPECT_EQ(changed(ole_variant(65535.0), VT_UI2).variant().uiVal, 65535);
    EXPECT_THROW(changed(ole_variant(1e300), VT_I4), ole_cast_exception);
    EXPECT_EQ(changed(ole_variant(2.9), VT_I8).i8(), 2);  // truncated toward zero
    EXPECT_EQ(changed(ole_variant(-2.9), VT_I8).i8(), -2);
    EXPECT_THROW(changed(ole_variant(1e300), VT_I8), ole_cast_exception);
    EXPECT_THROW(changed(ole_variant(-1.0), VT_UI8), ole_cast_exception);
    // Other sources keep value and type.
    EXPECT_EQ(changed(ole_variant(static_cast<char>(5)), VT_I4).vt(), VT_I1);
}

TEST(OleVariantChangeType, SixtyFourBitValues) {
    ole_variant five(static_cast<std::int64_t>(5));
    five.change_type(VT_CY);
    ASSERT_EQ(five.vt(), VT_CY);
    EXPECT_EQ(five.variant().cyVal.int64, 50000);
    EXPECT_EQ(five.to_string(), "5");
    five.change_type(VT_I8);
    EXPECT_EQ(five.vt(), VT_I8);
    EXPECT_EQ(five.i8(), 5);

    const std::int64_t big = 0x100000002LL;
    // A number the narrower type does not hold is refused, not cut to its low bits.
    EXPECT_THROW(changed(ole_variant(big), VT_I4), ole_cast_exception);
    EXPECT_THROW(changed(ole_variant(big), VT_UI2), ole_cast_exception);
    EXPECT_EQ(changed(ole_variant(static_cast<std::int64_t>(-7)), VT_I2).variant().iVal, -7);
    EXPECT_EQ(changed(ole_variant(big), VT_BOOL).variant().boolVal, VARIANT_TRUE);
    EXPECT_EQ(changed(ole_variant(static_cast<std::int64_t>(0)), VT_BOOL).variant().boolVal,
              VARIANT_FALSE);
    EXPECT_EQ(changed(ole_variant(big), VT_R8).variant().dblVal, 4294967298.0);
    EXPECT_THROW(changed(ole_variant(static_cast<std::int64_t>(-1)), VT_UI8), ole_cast_exception);
    EXPECT_EQ(changed(ole_variant(static_cast<std::int64_t>(7)), VT_UI8).ui8(), 7u);
    EXPECT_EQ(changed(ole_variant(static_cast<std::int64_t>(-5)), VT_BSTR).to_wstring(), L"-5");
    EXPECT_EQ(changed(ole_variant(std::numeric_limits<std::uint64_t>::max()), VT_BSTR).to_wstring(),
              L"18446744073709551615");
    EXPECT_EQ(changed(ole_variant(static_cast<std::int64_t>(-5)), VT_DECIMAL).to_string(), "-5");
    EXPECT_EQ(
        changed(ole_variant(std::numeric_limits<std::uint64_t>::max()), VT_DECIMAL).to_string(),
        "18446744073709551615");
    // Past the currency range: refused, not wrapped.
    EXPECT_THROW(changed(ole_variant(std::numeric_limits<std::int64_t>::max()), VT_CY),
                 ole_cast_exception);
    EXPECT_THROW(changed(ole_variant(static_cast<std::uint64_t>(1)), VT_BLOB), ole_cast_exception);
    EXPECT_THROW(changed(ole_variant(static_cast<std::uint64_t>(1)), VT_DATE), ole_cast_exception);
    EXPECT_THROW(changed(ole_variant(static_cast<std::int64_t>(1)), VT_DATE), ole_cast_exception);
}

TEST(OleVariantChangeType, ToSixtyFourBits) {
    EXPECT_EQ(changed(ole_variant(true), VT_I8).i8(), -1);
    EXPECT_EQ(changed(ole_variant(static_cast<short>(-3)), VT_I8).i8(), -3);
    EXPECT_THROW(changed(ole_variant(-3), VT_UI8), ole_cast_exception);
    EXPECT_EQ(changed(ole_variant(3), VT_UI8).ui8(), 3u);
    EXPECT_EQ(changed(ole_variant(4294967295u), VT_I8).i8(), 4294967295LL);
    CY cy;
    cy.int64 = 25000;  // 2.5: half to even
    EXPECT_EQ(changed(ole_variant(cy), VT_I8).i8(), 2);
    cy.int64 = 35000;
    EXPECT_EQ(changed(ole_variant(cy), VT_UI8).ui8(), 4u);
    EXPECT_EQ(changed(ole_variant::from_string("12345678901234567890", VT_DECIMAL), VT_UI8).ui8(),
              12345678901234567890ull);
    EXPECT_THROW(changed(ole_variant::from_string("12345678901234567890", VT_DECIMAL), VT_I8),
                 ole_cast_exception);
}

TEST(OleVariantChangeType, DecimalsToSmallIntegers) {
    ole_variant d = ole_variant::from_string("2.5", VT_DECIMAL);
    EXPECT_EQ(changed(d, VT_I4).variant().lVal, 2);
    EXPECT_EQ(changed(d, VT_UI2).variant().uiVal, 2);
    EXPECT_THROW(changed(ole_variant::from_string("70000", VT_DECIMAL), VT_I2), ole_cast_exception);
    EXPECT_THROW(changed(ole_variant::from_string("-1", VT_DECIMAL), VT_UI4), ole_cast_exception);
}

TEST(OleVariantChangeType, Dates) {
    SYSTEMTIME t{};
    t.wYear = 2024;
    t.wMonth = 1;
    t.wDay = 31;
    t.wHour = 10;
    t.wMinute = 20;
    t.wSecond = 30;
    t.wMilliseconds = 5;
    EXPECT_THROW(changed(ole_variant(t), VT_R8), ole_cast_exception);
    EXPECT_THROW(changed(ole_variant(t), VT_BLOB), ole_cast_exception);
    EXPECT_EQ(changed(ole_variant(t), VT_BSTR).to_wstring(), L"2024-01-31 10:20:30.005");
    ole_variant d = changed(ole_variant(L"2024-01-31 10:20:30"), VT_DATE);
    EXPECT_EQ(d.vt(), VT_DATE);
    EXPECT_EQ(d.systemtime().wHour, 10);
    EXPECT_THROW(changed(ole_variant(L"someday"), VT_DATE), ole_cast_exception);
    EXPECT_THROW(changed(ole_variant(5), VT_DATE), ole_cast_exception);
}

TEST(OleVariantChangeType, BytesAndText) {
    ole_variant bytes(std::vector<std::uint8_t>{'a', 'b', 0, 'c'});
    EXPECT_EQ(changed(bytes, VT_BSTR).to_wstring(), L"ab");
    EXPECT_EQ(changed(bytes, VT_I4).vt(), VT_ARRAY | VT_UI1);
    EXPECT_EQ(changed(ole_variant(std::vector<std::uint8_t>{}), VT_BSTR).to_wstring(), L"");

    EXPECT_EQ(bytes_of(changed(ole_variant(L"abc"), VT_BLOB)),
              (std::vector<std::uint8_t>{'a', 'b', 'c'}));
    EXPECT_EQ(bytes_of(changed(ole_variant(0x01020304), VT_BLOB)),
              (std::vector<std::uint8_t>{4, 3, 2, 1}));
    EXPECT_EQ(bytes_of(changed(ole_variant(static_cast<short>(0x0102)), VT_ARRAY | VT_UI1)),
              (std::vector<std::uint8_t>{2, 1}));
    EXPECT_EQ(bytes_of(changed(ole_variant(1.0), VT_BLOB)).size(), 8u);
    ole_variant dec = changed(ole_variant::from_string("1", VT_DECIMAL), VT_BLOB);
    std::vector<std::uint8_t> image = bytes_of(dec);
    ASSERT_EQ(image.size(), 16u);
    EXPECT_EQ(image[0], VT_DECIMAL);  // the type word overlays the reserved field
    EXPECT_EQ(image[8], 1);
}

TEST(OleVariantChangeType, GenericPairs) {
    EXPECT_EQ(changed(ole_variant(5), VT_R8).variant().dblVal, 5.0);
    EXPECT_EQ(changed(ole_variant(5), VT_BSTR).to_wstring(), L"5");
    EXPECT_EQ(changed(ole_variant(INT_MIN), VT_BSTR).to_wstring(), L"-2147483648");
    EXPECT_EQ(changed(ole_variant(UINT_MAX), VT_BSTR).to_wstring(), L"4294967295");
    EXPECT_EQ(changed(ole_variant(static_cast<short>(-32768)), VT_BSTR).to_wstring(), L"-32768");
    EXPECT_EQ(changed(ole_variant(static_cast<unsigned short>(65535)), VT_BSTR).to_wstring(),
              L"65535");
    EXPECT_EQ(changed(ole_variant(true), VT_BSTR).to_wstring(), L"-1");
    EXPECT_EQ(changed(ole_variant(0.5), VT_CY).to_string(), "0.5");
    EXPECT_EQ(changed(ole_variant(static_cast<unsigned char>(100)), VT_I1).variant().cVal, 100);
    EXPECT_THROW(changed(ole_variant(static_cast<unsigned char>(200)), VT_I1), ole_cast_exception);
    EXPECT_THROW(changed(ole_variant(200), VT_I1), ole_cast_exception);
    EXPECT_THROW(changed(ole_variant(5), VT_NULL), ole_cast_exception);
    try {
        changed(ole_variant(L"x"), VT_CY);
        FAIL();
    } catch (const ole_cast_exception& e) {
        EXPECT_STREQ(e.what(), "Cannot cast from source type to destination type");
        EXPECT_EQ(e.level(), 1);
        // The copy is what is tested.
        ole_cast_exception copy(e);  // NOLINT(performance-unnecessary-copy-initialization)
        EXPECT_EQ(copy.message(), e.message());
    }
}

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "platform/oleaut/oleaut.h"
#include "platform/oleaut/oleaut_test_helpers.h"

namespace {

HRESULT parse_dec(const wchar_t* text, DECIMAL& d) {
    return VarDecFromStr(text, OLE_LCID_ENGLISH_US, 0, &d);
}

HRESULT parse_cy(const wchar_t* text, CY& c) {
    return VarCyFromStr(text, OLE_LCID_ENGLISH_US, 0, &c);
}

std::wstring cy_text(std::int64_t v) {
    CY c;
    c.int64 = v;
    BSTR out = nullptr;
    EXPECT_EQ(VarBstrFromCy(c, OLE_LCID_ENGLISH_US, 0, &out), S_OK);
    return take_bstr(out);
}

}  // namespace

TEST(OleautDecimalText, KeepsScaleSignAndExactDigits) {
    DECIMAL d{};
    ASSERT_EQ(parse_dec(L"12.30", d), S_OK);
    EXPECT_EQ(d.scale, 2);
    EXPECT_EQ(d.Lo64, 1230u);
    EXPECT_EQ(dec_text(d), L"12.30");

    EXPECT_EQ(dec_text(dec_of(L"  -0.005 ")), L"-0.005");
    EXPECT_EQ(dec_text(dec_of(L"+7")), L"7");
    EXPECT_EQ(dec_text(dec_of(L"1e3")), L"1000");
    EXPECT_EQ(dec_text(dec_of(L"1.5E-3")), L"0.0015");
    EXPECT_EQ(dec_text(dec_of(L".5")), L"0.5");
    EXPECT_EQ(dec_text(dec_of(L"-0.00")), L"0.00");  // no negative zero in text
    EXPECT_EQ(dec_text(dec_of(L"79228162514264337593543950335")), L"79228162514264337593543950335");
}

TEST(OleautDecimalText, RefusesWhatIsNotANumber) {
    DECIMAL d{};
    for (const wchar_t* bad :
         {L"", L" ", L"abc", L"1,5", L"1.2.3", L"--1", L"1e", L"0x10", L"12 3", L"1e+", L"."}) {
        EXPECT_EQ(parse_dec(bad, d), DISP_E_TYPEMISMATCH) << std::wstring(bad).c_str();
    }
}

TEST(OleautDecimalText, OverflowAndRoundingAtTheLimits) {
    DECIMAL d{};
    EXPECT_EQ(parse_dec(L"79228162514264337593543950336", d), DISP_E_OVERFLOW);
    EXPECT_EQ(parse_dec(L"1e29", d), DISP_E_OVERFLOW);
    // Too many digits for 96 bits: fraction digits are given up, rounded half to even.
    EXPECT_EQ(dec_text(dec_of(L"7922816251426433759354395033.56")),
              L"7922816251426433759354395034");
    EXPECT_EQ(dec_text(dec_of(L"1.00000000000000000000000000005")),  // 29 decimals
              L"1.0000000000000000000000000000");
    EXPECT_EQ(dec_text(dec_of(L"1.00000000000000000000000000015")),
              L"1.0000000000000000000000000002");
    EXPECT_EQ(dec_text(dec_of(L"0.12345678901234567890123456789")),
              L"0.1234567890123456789012345679");
    EXPECT_EQ(dec_text(dec_of(L"1e-40")), L"0.0000000000000000000000000000");
}

TEST(OleautDecimalToInteger, RoundsHalfToEvenAndReportsOverflow) {
    LONG i4 = 0;
    DECIMAL d = dec_of(L"2.5");
    EXPECT_EQ(VarI4FromDec(&d, &i4), S_OK);
    EXPECT_EQ(i4, 2);
    d = dec_of(L"3.5");
    VarI4FromDec(&d, &i4);
    EXPECT_EQ(i4, 4);
    d = dec_of(L"-2.5");
    VarI4FromDec(&d, &i4);
    EXPECT_EQ(i4, -2);
    d = dec_of(L"2.5000001");
    VarI4FromDec(&d, &i4);
    EXPECT_EQ(i4, 3);

    d = dec_of(L"2147483647.4");
    EXPECT_EQ(VarI4FromDec(&d, &i4), S_OK);
    EXPECT_EQ(i4, 2147483647);
    d = dec_of(L"2147483647.5");
    EXPECT_EQ(VarI4FromDec(&d, &i4), DISP_E_OVERFLOW);
    d = dec_of(L"-2147483648");
    EXPECT_EQ(VarI4FromDec(&d, &i4), S_OK);
    EXPECT_EQ(i4, std::numeric_limits<LONG>::min());

    std::int16_t i2 = 0;
    d = dec_of(L"32768");
    EXPECT_EQ(VarI2FromDec(&d, &i2), DISP_E_OVERFLOW);
    WORD ui2 = 0;
    d = dec_of(L"-1");
    EXPECT_EQ(VarUI2FromDec(&d, &ui2), DISP_E_OVERFLOW);
    DWORD ui4 = 7;
    d = dec_of(L"-0.4");  // rounds to zero, which fits
    EXPECT_EQ(VarUI4FromDec(&d, &ui4), S_OK);
    EXPECT_EQ(ui4, 0u);

    std::int64_t i8 = 0;
    d = dec_of(L"-9223372036854775808");
    EXPECT_EQ(VarI8FromDec(&d, &i8), S_OK);
    EXPECT_EQ(i8, std::numeric_limits<std::int64_t>::min());
    d = dec_of(L"9223372036854775808");
    EXPECT_EQ(VarI8FromDec(&d, &i8), DISP_E_OVERFLOW);
    std::uint64_t u8 = 0;
    EXPECT_EQ(VarUI8FromDec(&d, &u8), S_OK);
    EXPECT_EQ(u8, 9223372036854775808ull);
    d = dec_of(L"18446744073709551616");
    EXPECT_EQ(VarUI8FromDec(&d, &u8), DISP_E_OVERFLOW);
}

TEST(OleautDecimalFromIntegers, AllBitsKept) {
    DECIMAL d{};
    ASSERT_EQ(VarDecFromI8(std::numeric_limits<std::int64_t>::min(), &d), S_OK);
    EXPECT_EQ(dec_text(d), L"-9223372036854775808");
    ASSERT_EQ(VarDecFromUI8(std::numeric_limits<std::uint64_t>::max(), &d), S_OK);
    EXPECT_EQ(dec_text(d), L"18446744073709551615");
}

TEST(OleautDecimalReals, ThroughCorrectlyRoundedText) {
    double r = 0;
    DECIMAL d = dec_of(L"0.1");
    ASSERT_EQ(VarR8FromDec(&d, &r), S_OK);
    EXPECT_EQ(r, 0.1);
    d = dec_of(L"-12345678901234567890.125");
    VarR8FromDec(&d, &r);
    EXPECT_EQ(r, -12345678901234567890.125);

    ASSERT_EQ(VarDecFromR8(0.1, &d), S_OK);
    EXPECT_EQ(dec_text(d), L"0.1");
    ASSERT_EQ(VarDecFromR8(-2.5e-5, &d), S_OK);
    EXPECT_EQ(dec_text(d), L"-0.000025");
    ASSERT_EQ(VarDecFromR8(1e20, &d), S_OK);
    EXPECT_EQ(dec_text(d), L"100000000000000000000");
    EXPECT_EQ(VarDecFromR8(1e30, &d), DISP_E_OVERFLOW);
    EXPECT_EQ(VarDecFromR8(std::nan(""), &d), DISP_E_OVERFLOW);
}

TEST(OleautDecimalCompare, ByValueAcrossScales) {
    DECIMAL a = dec_of(L"1.50"), b = dec_of(L"1.5");
    EXPECT_EQ(VarDecCmp(&a, &b), VARCMP_EQ);
    b = dec_of(L"-2");
    EXPECT_EQ(VarDecCmp(&a, &b), VARCMP_GT);
    a = dec_of(L"-2.0000000000000000000000000001");
    EXPECT_EQ(VarDecCmp(&a, &b), VARCMP_LT);
    a = dec_of(L"-0");
    b = dec_of(L"0.000");
    EXPECT_EQ(VarDecCmp(&a, &b), VARCMP_EQ);
}

TEST(OleautCurrency, TextUsesFourDecimalsRoundedHalfToEven) {
    CY c{};
    ASSERT_EQ(parse_cy(L"12.34", c), S_OK);
    EXPECT_EQ(c.int64, 123400);
    ASSERT_EQ(parse_cy(L"1.23445", c), S_OK);
    EXPECT_EQ(c.int64, 12344);
    ASSERT_EQ(parse_cy(L"1.23455", c), S_OK);
    EXPECT_EQ(c.int64, 12346);
    ASSERT_EQ(parse_cy(L"922337203685477.5807", c), S_OK);
    EXPECT_EQ(c.int64, std::numeric_limits<std::int64_t>::max());
    ASSERT_EQ(parse_cy(L"-922337203685477.5808", c), S_OK);
    EXPECT_EQ(c.int64, std::numeric_limits<std::int64_t>::min());
    EXPECT_EQ(parse_cy(L"922337203685477.5808", c), DISP_E_OVERFLOW);
    EXPECT_EQ(parse_cy(L"12,34", c), DISP_E_TYPEMISMATCH);

    EXPECT_EQ(cy_text(123400), L"12.34");
    EXPECT_EQ(cy_text(50000), L"5");
    EXPECT_EQ(cy_text(-1), L"-0.0001");
    EXPECT_EQ(cy_text(0), L"0");
    EXPECT_EQ(cy_text(std::numeric_limits<std::int64_t>::min()), L"-922337203685477.5808");
}

TEST(OleautCurrency, ToIntegersAndReals) {
    CY c;
    c.int64 = 25000;  // 2.5
    LONG i4 = 0;
    EXPECT_EQ(VarI4FromCy(c, &i4), S_OK);
    EXPECT_EQ(i4, 2);
    c.int64 = -35000;
    VarI4FromCy(c, &i4);
    EXPECT_EQ(i4, -4);
    c.int64 = 30000000000000;  // 3,000,000,000
    EXPECT_EQ(VarI4FromCy(c, &i4), DISP_E_OVERFLOW);
    double r = 0;
    c.int64 = 123400;
    EXPECT_EQ(VarR8FromCy(c, &r), S_OK);
    EXPECT_EQ(r, 12.34);
    ASSERT_EQ(VarCyFromR8(12.34, &c), S_OK);
    EXPECT_EQ(c.int64, 123400);
    EXPECT_EQ(VarCyFromR8(1e15, &c), DISP_E_OVERFLOW);
    EXPECT_EQ(VarCyFromI8(922337203685478, &c), DISP_E_OVERFLOW);
    ASSERT_EQ(VarCyFromI8(-922337203685477, &c), S_OK);
    EXPECT_EQ(c.int64, -9223372036854770000);
    DECIMAL d = dec_of(L"0.00005");
    ASSERT_EQ(VarCyFromDec(&d, &c), S_OK);
    EXPECT_EQ(c.int64, 0);  // half to even
    ASSERT_EQ(VarDecFromCy(c, &d), S_OK);
}

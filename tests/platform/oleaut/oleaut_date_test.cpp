#include <gtest/gtest.h>

#include <cmath>

#include "platform/oleaut/oleaut.h"

namespace {

SYSTEMTIME st(int y, int mo, int d, int h = 0, int mi = 0, int s = 0) {
    SYSTEMTIME t{};
    t.wYear = static_cast<WORD>(y);
    t.wMonth = static_cast<WORD>(mo);
    t.wDay = static_cast<WORD>(d);
    t.wHour = static_cast<WORD>(h);
    t.wMinute = static_cast<WORD>(mi);
    t.wSecond = static_cast<WORD>(s);
    return t;
}

double encode(const SYSTEMTIME& t) {
    DATE d = -99999;
    EXPECT_TRUE(SystemTimeToVariantTime(&t, &d));
    return d;
}

double parse(const wchar_t* text) {
    DATE d = -99999;
    EXPECT_EQ(VarDateFromStr(text, OLE_LCID_ENGLISH_US, 0, &d), S_OK)
        << std::string(text, text + std::wcslen(text));
    return d;
}

double secs(int h, int m, int s) {
    return (h * 3600 + m * 60 + s) / 86400.0;
}

}  // namespace

TEST(OleautDateEncoding, DaysSinceTheEpochAndSignedFraction) {
    EXPECT_EQ(encode(st(1899, 12, 30)), 0.0);
    EXPECT_EQ(encode(st(1900, 1, 1)), 2.0);
    EXPECT_EQ(encode(st(2024, 1, 31, 12)), 45322.5);
    EXPECT_EQ(encode(st(1899, 12, 29, 6)), -1.25);
    EXPECT_EQ(encode(st(100, 1, 1)), -657434.0);

    DATE d = 0;
    SYSTEMTIME bad = st(2023, 2, 29);
    EXPECT_FALSE(SystemTimeToVariantTime(&bad, &d));
    bad = st(99, 12, 31);
    EXPECT_FALSE(SystemTimeToVariantTime(&bad, &d));
    bad = st(2024, 1, 1, 24);
    EXPECT_FALSE(SystemTimeToVariantTime(&bad, &d));
}

TEST(OleautDateEncoding, DecodesBackToTheSecond) {
    SYSTEMTIME t{};
    ASSERT_TRUE(VariantTimeToSystemTime(-1.25, &t));
    EXPECT_EQ(t.wYear, 1899);
    EXPECT_EQ(t.wMonth, 12);
    EXPECT_EQ(t.wDay, 29);
    EXPECT_EQ(t.wHour, 6);
    ASSERT_TRUE(VariantTimeToSystemTime(encode(st(2024, 2, 29, 23, 59, 59)), &t));
    EXPECT_EQ(t.wYear, 2024);
    EXPECT_EQ(t.wMonth, 2);
    EXPECT_EQ(t.wDay, 29);
    EXPECT_EQ(t.wHour, 23);
    EXPECT_EQ(t.wMinute, 59);
    EXPECT_EQ(t.wSecond, 59);
    EXPECT_EQ(t.wDayOfWeek, 4);  // a Thursday
    // Just below midnight rounds into the next day instead of printing 24:00:00.
    ASSERT_TRUE(VariantTimeToSystemTime(45322.9999999999, &t));
    EXPECT_EQ(t.wDay, 1);
    EXPECT_EQ(t.wMonth, 2);
    EXPECT_EQ(t.wHour, 0);
    EXPECT_FALSE(VariantTimeToSystemTime(std::nan(""), &t));
    EXPECT_FALSE(VariantTimeToSystemTime(3e6, &t));
}

TEST(OleautDateText, IsoUsAndMonthNames) {
    const double jan31 = 45322;
    EXPECT_EQ(parse(L"2024-01-31"), jan31);
    EXPECT_EQ(parse(L"2024/01/31"), jan31);
    EXPECT_EQ(parse(L"1/31/2024"), jan31);
    EXPECT_EQ(parse(L"31/1/2024"), jan31);  // no month 31: day first
    EXPECT_EQ(parse(L"31 Jan 2024"), jan31);
    EXPECT_EQ(parse(L"Jan 31, 2024"), jan31);
    EXPECT_EQ(parse(L"January 31 2024"), jan31);
    EXPECT_EQ(parse(L"31-JAN-24"), jan31);
    EXPECT_EQ(parse(L"31-JAN-99"), encode(st(1999, 1, 31)));
    EXPECT_EQ(parse(L"1/31/29"), encode(st(2029, 1, 31)));
    EXPECT_EQ(parse(L"1/31/30"), encode(st(1930, 1, 31)));
}

TEST(OleautDateText, TimesWithAndWithoutDateAndMeridiem) {
    EXPECT_DOUBLE_EQ(parse(L"2024-01-31 10:20:30"), 45322 + secs(10, 20, 30));
    EXPECT_DOUBLE_EQ(parse(L"2024-01-31T10:20:30"), 45322 + secs(10, 20, 30));
    EXPECT_DOUBLE_EQ(parse(L"1/31/2024 10:20:30 PM"), 45322 + secs(22, 20, 30));
    EXPECT_DOUBLE_EQ(parse(L"1/31/2024 12:05 AM"), 45322 + secs(0, 5, 0));
    EXPECT_DOUBLE_EQ(parse(L"12:05 pm"), secs(12, 5, 0));
    EXPECT_DOUBLE_EQ(parse(L"10:20:30.75"), secs(10, 20, 30));
    EXPECT_DOUBLE_EQ(parse(L"  23:59  "), secs(23, 59, 0));
}

TEST(OleautDateText, RefusesNonDates) {
    DATE d = 0;
    for (const wchar_t* bad : {L"", L"hello", L"2024-02-30", L"13:61", L"1/2", L"2024-01-31 25:00",
                               L"13:00 PM", L"Foo 3 2024", L"1/31/2024 AM", L"2024-01-31 x"}) {
        EXPECT_EQ(VarDateFromStr(bad, OLE_LCID_ENGLISH_US, 0, &d), DISP_E_TYPEMISMATCH)
            << std::string(bad, bad + std::wcslen(bad));
    }
}

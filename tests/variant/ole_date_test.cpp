#include <gtest/gtest.h>

#include "TK/tk_exception.h"
#include "variant/ole_date.h"
#include "variant/ole_variant.h"
#include "ole_variant_test_helpers.h"

TEST(OleDate, TimestampForms) {
    ole_date full("20240131102030");
    EXPECT_EQ(full.kind(), ole_date::date_time);
    EXPECT_EQ(full.to_string(true), "2024-01-31 10:20:30");
    ole_date day("20240131");
    EXPECT_EQ(day.kind(), ole_date::date_only);
    EXPECT_EQ(day.to_string(true), "2024-01-31");
    EXPECT_FALSE(ole_date("20241331").is_valid());
}

TEST(OleDate, PureTimesWithMilliseconds) {
    ole_date t("10:20:30.25");
    EXPECT_EQ(t.kind(), ole_date::time_only);
    EXPECT_EQ(t.systemtime().wMilliseconds, 250);
    EXPECT_EQ(t.to_wstring(false), L"10:20:30.250");  // shown whether allowed or not
    EXPECT_EQ(t.to_string(true), "0000-00-00 10:20:30.250");
    EXPECT_EQ(ole_date("10:20:30.29").systemtime().wMilliseconds, 290);
    ole_date hm("10:20");
    EXPECT_EQ(hm.kind(), ole_date::time_only);
    EXPECT_EQ(hm.to_wstring(true), L"10:20:00");
}

TEST(OleDate, DateTimeFormsAndDayFirstSwap) {
    EXPECT_EQ(ole_date("2024-01-31 10:20:30.5").to_string(true), "2024-01-31 10:20:30.500");
    EXPECT_EQ(ole_date("2024-01-31 10:20:30.5").to_string(false), "2024-01-31 10:20:30");
    EXPECT_EQ(ole_date("2024/01/31").to_string(true), "2024-01-31");
    EXPECT_EQ(ole_date("2024.01.31 08:09:10").to_string(true), "2024-01-31 08:09:10");
    ole_date swapped("31-01-2024");
    EXPECT_TRUE(swapped.is_valid());
    EXPECT_EQ(swapped.systemtime().wYear, 2024);
    EXPECT_EQ(swapped.systemtime().wDay, 31);
    EXPECT_EQ(swapped.to_string(true), "2024-01-31");
    EXPECT_EQ(ole_date("31.01.2024 10:00:00").to_string(true), "2024-01-31 10:00:00");
    // A seconds text longer than any stack buffer is read whole.
    std::string long_seconds = "2024-01-31 10:20:30." + std::string(100, '9');
    EXPECT_EQ(ole_date(long_seconds).to_string(true), "2024-01-31 10:20:30.999");
}

TEST(OleDate, AmPm) {
    EXPECT_EQ(ole_date("2024-01-31 10:20:30 PM").systemtime().wHour, 22);
    EXPECT_EQ(ole_date("2024-01-31 10:20:30 pm").systemtime().wHour, 22);
    EXPECT_EQ(ole_date("12:00:00 AM").systemtime().wHour, 12);
    EXPECT_EQ(ole_date("12:00:00 PM").systemtime().wHour, 12);
    EXPECT_EQ(ole_date("09:15:00 AM").to_wstring(true), L"09:15:00");
}

TEST(OleDate, MidnightIsADate) {
    ole_date d("2024-01-31 00:00:00");
    EXPECT_EQ(d.kind(), ole_date::date_only);
    EXPECT_EQ(d.to_string(true), "2024-01-31");
    // Half a second past midnight is a time of day, not the date alone.
    ole_date kept(st(2024, 1, 31, 0, 0, 0, 500));
    EXPECT_EQ(kept.kind(), ole_date::date_time);
    EXPECT_EQ(kept.to_string(true), "2024-01-31 00:00:00.500");
    ole_date from_fields(st(2024, 1, 31, 0, 0, 1));
    EXPECT_EQ(from_fields.kind(), ole_date::date_time);
    from_fields.set_midnight_as_date(false);
    EXPECT_EQ(from_fields.to_string(true), "2024-01-31 00:00:01");
}

TEST(OleDate, Validity) {
    EXPECT_FALSE(ole_date("10:61:00").is_valid());
    EXPECT_TRUE(ole_date("24:60:60").is_valid());
    EXPECT_FALSE(ole_date("2024-13-01").is_valid());
    EXPECT_FALSE(ole_date("2024-00-01").is_valid());
    EXPECT_FALSE(ole_date("40-01-40").is_valid());  // day and year both above 31
    // Four characters or fewer: nothing is tried.
    EXPECT_FALSE(ole_date("1:20").is_valid());
    EXPECT_EQ(ole_date("1:20").kind(), ole_date::invalid);
    EXPECT_EQ(ole_date("1:20").to_string(true), "");
    EXPECT_EQ(ole_date("").kind(), ole_date::invalid);
    EXPECT_EQ(ole_date("garbage text").kind(), ole_date::invalid);
    EXPECT_EQ(ole_date("garbage text").to_wstring(true), L"");
}

TEST(OleDate, TwoDigitYearsOnlyWhenWrittenShort) {
    EXPECT_EQ(ole_date("49-01-02").to_string(true), "2049-01-02");
    EXPECT_EQ(ole_date("50-01-02").to_string(true), "1950-01-02");
    EXPECT_EQ(ole_date("02-01-49").to_string(true), "2049-01-02");  // day first, then swapped
    // A real year keeps its digits.
    EXPECT_EQ(ole_date(st(1, 1, 1)).to_string(true), "0001-01-01");
    EXPECT_EQ(ole_date(st(49, 1, 2, 3, 4, 5)).to_string(true), "0049-01-02 03:04:05");
    EXPECT_EQ(ole_date("0049-01-02").to_string(true), "0049-01-02");
    EXPECT_EQ(ole_date("00490102").to_string(true), "0049-01-02");
    // And the variant made from a short-year text carries the full year.
    EXPECT_EQ(ole_date("49-01-02").to_variant().systemtime().wYear, 2049);
    EXPECT_EQ(ole_date("49-01-02").to_variant().to_string(), "2049-01-02");
}

TEST(OleDate, PlatformFallback) {
    ole_date named("Jan 31, 2024 10:20");
    EXPECT_EQ(named.kind(), ole_date::date_time);
    EXPECT_EQ(named.to_string(true), "2024-01-31 10:20:00");
    EXPECT_EQ(ole_date("31-JAN-2024").to_string(true), "2024-01-31");
    EXPECT_EQ(ole_date("2024-01-31T10:20:30").to_string(true), "2024-01-31 10:20:30");
    // Month first with a time: the slash form reads it year first and fails; the platform's
    // reading takes over.
    EXPECT_EQ(ole_date("1/31/2024 10:20:30").to_string(true), "2024-01-31 10:20:30");
    EXPECT_EQ(ole_date("1/31/2024 10:20:30 PM").to_string(true), "2024-01-31 22:20:30");
    EXPECT_FALSE(ole_date("2024-13-01 10:00:00").is_valid());
}

TEST(OleDate, FromWideTextAndToVariant) {
    ole_date d(std::wstring(L"2024-01-31 10:20:30"));
    ole_variant v = d.to_variant();
    EXPECT_EQ(v.vt(), VT_DATE);
    EXPECT_EQ(v.to_wstring(), L"2024-01-31 10:20:30");
}

TEST(OleDate, NullSecondsAreAnInternalError) {
    ole_date d("10:20:30");
    try {
        d.process_milliseconds(nullptr);
        FAIL();
    } catch (const tk_mail_assertion& e) {
        EXPECT_EQ(std::string(e.what()), make_err_meggase("ole_date", 422));
    }
}

// Oracle's number and date texts as the engine writes and reads them.
#include <gtest/gtest.h>

#include <string>

#include "lite_value_text.h"

namespace {

TEST(LiteNumbers, CanonicalTextIsOraclesOwn) {
    EXPECT_EQ(lite_canonical_number("0.50"), ".5");
    EXPECT_EQ(lite_canonical_number("-0.5"), "-.5");
    EXPECT_EQ(lite_canonical_number("007"), "7");
    EXPECT_EQ(lite_canonical_number("1e20"), "100000000000000000000");
    EXPECT_EQ(lite_canonical_number("12.3400"), "12.34");
    EXPECT_EQ(lite_canonical_number("0"), "0");
    EXPECT_EQ(lite_canonical_number("-0.000"), "0");
    EXPECT_EQ(lite_canonical_number("1.5e-3"), ".0015");
    EXPECT_EQ(lite_canonical_number("1e130"), "1E+130");
    EXPECT_EQ(lite_canonical_number("abc"), "abc");
    EXPECT_EQ(lite_canonical_number("1.2.3"), "1.2.3");
    EXPECT_EQ(lite_number_text(1e20), "100000000000000000000");
    EXPECT_EQ(lite_number_text(0.1), ".1");
    EXPECT_EQ(lite_number_text(-2.25), "-2.25");
    EXPECT_EQ(lite_number_text(12345678.91), "12345678.91");
    char b[32];
    EXPECT_EQ(std::string(b, lite_int_text(INT64_MIN, b)), "-9223372036854775808");
}

TEST(LiteDates, IsoTextRoundTrips) {
    lite_datetime d;
    ASSERT_TRUE(lite_parse_iso("0001-01-01 00:00:00", d));
    EXPECT_EQ(d.year, 1);
    ASSERT_TRUE(lite_parse_iso("2024-02-29 13:45:59.123456789", d));
    EXPECT_EQ(d.nanosecond, 123456789u);
    EXPECT_EQ(lite_iso_text(d, 9), "2024-02-29 13:45:59.123456789");
    EXPECT_EQ(lite_iso_text(d, 3), "2024-02-29 13:45:59.123");
    ASSERT_TRUE(lite_parse_iso("2020-01-02 03:04:05.5 -05:30", d));
    EXPECT_EQ(d.tz_minutes, -330);
    EXPECT_EQ(d.nanosecond, 500000000u);
    EXPECT_EQ(lite_iso_text(d, 1), "2020-01-02 03:04:05.5 -05:30");
    EXPECT_FALSE(lite_parse_iso("2023-02-29", d));
    EXPECT_FALSE(lite_parse_iso("2023-13-01", d));
    EXPECT_FALSE(lite_parse_iso("17-JUN-03", d));
    EXPECT_FALSE(lite_parse_iso("2020-01-01 25:00:00", d));
    // The stored form of a DATE, read the short way, keeps every field and every check.
    ASSERT_TRUE(lite_parse_iso("1987-11-30 23:58:07", d));
    EXPECT_EQ(lite_iso_text(d, 0), "1987-11-30 23:58:07");
    EXPECT_EQ(d.nanosecond, 0u);
    EXPECT_EQ(d.tz_minutes, 0);
    ASSERT_TRUE(lite_parse_iso("2024-01-02T03:04:05", d));
    EXPECT_EQ(lite_iso_text(d, 0), "2024-01-02 03:04:05");
    EXPECT_FALSE(lite_parse_iso("2023-02-29 00:00:00", d));
    EXPECT_FALSE(lite_parse_iso("2024-0a-01 00:00:00", d));
    EXPECT_FALSE(lite_parse_iso("2024-01-01 23:60:00", d));
    EXPECT_FALSE(lite_parse_iso("2024-01-01/00:00:00", d));
    EXPECT_FALSE(lite_parse_iso("0000-01-01 00:00:00", d));
    EXPECT_FALSE(lite_parse_iso("2023-04-31 00:00:00", d));
    ASSERT_TRUE(lite_parse_iso("2024-02-29 00:00:00", d));
    EXPECT_EQ(d.day, 29);
}

TEST(LiteDates, StoredDatesTakeDigitsAndSeparatorsOnlyWhereTheyBelong) {
    // Every byte of a stored date replaced in turn by bytes about the digits and separators:
    // the text is read exactly when each digit stands where a digit must and each separator
    // where it must, and then as the digits say.
    const std::string good = "2024-03-15 12:34:56";
    const std::string bytes = std::string("/0123456789:; -.AT\x7f\x80\xc3\xff\0", 23);
    for (size_t at = 0; at < good.size(); ++at) {
        for (const char c : bytes) {
            std::string text = good;
            text[at] = c;
            const bool digit_place = at != 4 && at != 7 && at != 10 && at != 13 && at != 16;
            bool expected =
                digit_place ? c >= '0' && c <= '9' : c == good[at] || (at == 10 && c == 'T');
            lite_datetime d;
            if (expected) {
                // Digits that make no date: a month or day of 0 or past its end, and so on.
                const int month = std::stoi(text.substr(5, 2)), day = std::stoi(text.substr(8, 2));
                expected = std::stoi(text.substr(0, 4)) != 0 && month >= 1 && month <= 12 &&
                           day >= 1 && day <= 31 && std::stoi(text.substr(11, 2)) < 24 &&
                           std::stoi(text.substr(14, 2)) < 60 && std::stoi(text.substr(17, 2)) < 60;
            }
            ASSERT_EQ(lite_parse_stored_date(text, d), expected) << at << " " << int(c);
            if (!expected) continue;
            EXPECT_EQ(d.year * 10000000000LL + d.month * 100000000LL + d.day * 1000000LL +
                          d.hour * 10000LL + d.minute * 100LL + d.second,
                      std::stoll(text.substr(0, 4) + text.substr(5, 2) + text.substr(8, 2) +
                                 text.substr(11, 2) + text.substr(14, 2) + text.substr(17, 2)))
                << text;
        }
    }
    lite_datetime d;
    EXPECT_FALSE(lite_parse_stored_date("2024-03-15 12:34:5", d));
    EXPECT_FALSE(lite_parse_stored_date("2024-03-15 12:34:566", d));
    ASSERT_TRUE(lite_parse_stored_date("9999-12-31T23:59:59", d));
    EXPECT_EQ(d.year, 9999);
    EXPECT_EQ(d.second, 59);
}

TEST(LiteDates, StoredTimestampsReadTheShortWayAsTheGeneralParserReadsThem) {
    struct stamp {
        const char* text;
        bool stored;  // in the stored form of a TIMESTAMP without a zone
        bool date;    // a date at all
        uint32_t nanosecond;
        int day;
    };
    const stamp cases[] = {
        {"2024-03-01 12:34:56.", true, true, 0, 1},
        {"2024-03-01 12:34:56.5", true, true, 500000000, 1},
        {"2024-03-01 12:34:56.000001", true, true, 1000, 1},
        {"2024-03-01T12:34:56.123456789", true, true, 123456789, 1},
        {"2024-03-01 12:34:56", true, true, 0, 1},
        {"1582-10-10 00:00:00.25", true, true, 250000000, 15},
        // Digits past the ninth are dropped, and a zone is kept: the general parser's cases.
        {"2024-03-01 12:34:56.1234567891", false, true, 123456789, 1},
        {"2024-03-01 12:34:56.5 +01:00", false, true, 500000000, 1},
        {"2024-3-01 12:34:56.5", false, true, 500000000, 1},
        {"2023-02-29 00:00:00.5", false, false, 0, 0},
        {"2024-03-01 12:34:56.5x", false, false, 0, 0},
        {"2024-03-01 12:34:56,5", false, false, 0, 0},
        {"2024-03-01 12:34:5a.5", false, false, 0, 0},
    };
    for (const stamp& c : cases) {
        lite_datetime d, e;
        EXPECT_EQ(lite_parse_stored_timestamp(c.text, d), c.stored) << c.text;
        ASSERT_EQ(lite_parse_iso(c.text, e), c.date) << c.text;
        if (!c.date) continue;
        EXPECT_EQ(e.nanosecond, c.nanosecond) << c.text;
        EXPECT_EQ(e.day, c.day) << c.text;
        EXPECT_EQ(e.second, 56 * (c.day == 1)) << c.text;
        if (c.stored) {
            EXPECT_EQ(lite_iso_text(d, 9), lite_iso_text(e, 9)) << c.text;
        }
    }
}

TEST(LiteDates, MasksParseAndFormat) {
    lite_datetime d;
    ASSERT_TRUE(lite_parse_masked("17-06-2013", "dd-MM-yyyy", d));
    EXPECT_EQ(lite_iso_text(d, 0), "2013-06-17 00:00:00");
    ASSERT_TRUE(lite_parse_masked("17-JUN-03", "DD-MON-RR", d));
    EXPECT_EQ(d.year, 2003);
    ASSERT_TRUE(lite_parse_masked("01-Jan-99 11.30.15.25 PM", "DD-MON-RR HH.MI.SS.FF AM", d));
    EXPECT_EQ(d.year, 1999);
    EXPECT_EQ(d.hour, 23);
    EXPECT_EQ(d.nanosecond, 250000000u);
    ASSERT_TRUE(lite_parse_masked("March 5, 2021", "Month DD, YYYY", d));
    EXPECT_EQ(d.month, 3);
    EXPECT_FALSE(lite_parse_masked("2021-02-30", "YYYY-MM-DD", d));
    EXPECT_FALSE(lite_parse_masked("2021-02-03 extra", "YYYY-MM-DD", d));
    ASSERT_TRUE(lite_parse_masked("12:00", "HH12:MI", d));
    EXPECT_EQ(d.hour, 0);  // twelve o'clock without a meridian is midnight
    lite_datetime v;
    v.year = 2024;
    v.month = 2;
    v.day = 29;
    v.hour = 13;
    v.minute = 5;
    v.second = 9;
    v.nanosecond = 120000000;
    EXPECT_EQ(lite_format_masked(v, "YYYY-MM-DD HH24:MI:SS.FF3"), "2024-02-29 13:05:09.120");
    EXPECT_EQ(lite_format_masked(v, "DD-MON-RR HH12 AM"), "29-FEB-24 01 PM");
    EXPECT_EQ(lite_format_masked(v, "Day, fmMonth DD"), "Thursday , February 29");
    EXPECT_EQ(lite_format_masked(v, "\"Q\"YYYY dy"), "Q2024 thu");
}

}  // namespace

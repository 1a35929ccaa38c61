// Dates and timestamps answer as Oracle's do: the fraction a TIMESTAMP(p) shows, the zone of
// SYSTIMESTAMP, years before Christ, MONTHS_BETWEEN and the error of each kind of bad date.
#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <optional>
#include <string>

#include "lite_test_helpers.h"

namespace {

// Sets the process's time zone for the life of the object.
class zone_scope {
public:
    explicit zone_scope(const char* tz) {
        if (const char* old = std::getenv("TZ")) old_ = old;
        setenv("TZ", tz, 1);
        tzset();
    }
    ~zone_scope() {
        if (old_) {
            setenv("TZ", old_->c_str(), 1);
        } else {
            unsetenv("TZ");
        }
        tzset();
    }
    zone_scope(const zone_scope&) = delete;
    zone_scope& operator=(const zone_scope&) = delete;

private:
    std::optional<std::string> old_;
};

std::string on_dual(lite_session& s, const std::string& expr) {
    return lite_cell(s, "SELECT " + expr + " FROM dual");
}

TEST(LiteDatetimeSemantics, FractionsShowTheColumnsPrecision) {
    lite_scratch inst;
    auto s = inst.logon();
    s->execute(
        "CREATE TABLE stamps (ts3 TIMESTAMP(3), ts0 TIMESTAMP(0), ts6 TIMESTAMP, "
        "ts9 TIMESTAMP(9))");
    s->execute(
        "INSERT INTO stamps VALUES (TIMESTAMP '2024-02-29 13:45:59.123456789', "
        "TIMESTAMP '2024-02-29 13:45:59.123456789', TIMESTAMP '2024-02-29 13:45:59.123456789', "
        "TIMESTAMP '2024-02-29 13:45:59.123456789')");
    auto shown = [&](const std::string& expr) {
        return lite_cell(*s, "SELECT " + expr + " FROM stamps");
    };
    // FF without digits shows the precision of the value's type.
    EXPECT_EQ(shown("to_char(ts3, 'HH24:MI:SS.FF')"), "13:45:59.123");
    EXPECT_EQ(shown("to_char(ts6, 'HH24:MI:SS.FF')"), "13:45:59.123457");
    EXPECT_EQ(shown("to_char(ts9, 'HH24:MI:SS.FF')"), "13:45:59.123456789");
    EXPECT_EQ(shown("to_char(ts0, 'HH24:MI:SSXFF')"), "13:45:59");
    // FF1 to FF9 show as many as asked.
    EXPECT_EQ(shown("to_char(ts3, 'FF1')"), "1");
    EXPECT_EQ(shown("to_char(ts3, 'FF6')"), "123000");
    EXPECT_EQ(shown("to_char(ts9, 'FF4')"), "1234");
    // The default format is the session's timestamp format, to the value's precision.
    EXPECT_EQ(shown("to_char(ts3)"), "29-FEB-24 01.45.59.123 PM");
    EXPECT_EQ(shown("to_char(ts0)"), "29-FEB-24 01.45.59 PM");
    // What the column holds is rounded to its precision; a reader still gets nine digits.
    EXPECT_EQ(shown("ts3"), "2024-02-29 13:45:59.123000000");
    EXPECT_EQ(shown("ts0"), "2024-02-29 13:45:59.000000000");
    EXPECT_EQ(shown("count(*)"), "1");
    EXPECT_EQ(lite_cell(*s, "SELECT count(*) FROM stamps WHERE ts3 < ts9 AND ts0 < ts3"), "1");
    // TO_TIMESTAMP makes a TIMESTAMP(9).
    EXPECT_EQ(on_dual(*s,
                      "to_char(to_timestamp('2024-01-02 03:04:05.5', "
                      "'YYYY-MM-DD HH24:MI:SS.FF'), 'SS.FF')"),
              "05.500000000");
}

TEST(LiteDatetimeSemantics, SystimestampCarriesTheSessionsZone) {
    lite_scratch inst;
    auto s = inst.logon();
    {
        // Two and a half hours east of UTC.
        zone_scope east("<+0230>-02:30");
        EXPECT_EQ(on_dual(*s, "to_char(systimestamp, 'TZH:TZM')"), "+02:30");
        EXPECT_EQ(on_dual(*s, "to_char(current_timestamp, 'TZR')"), "+02:30");
        EXPECT_EQ(on_dual(*s, "to_char(systimestamp, 'TZH')"), "+02");
    }
    {
        zone_scope west("<-0330>+03:30");
        EXPECT_EQ(on_dual(*s, "to_char(systimestamp, 'TZH:TZM')"), "-03:30");
        // SYSDATE and LOCALTIMESTAMP have no zone: the local time alone.
        EXPECT_EQ(on_dual(*s, "to_char(localtimestamp, 'YYYY-MM-DD HH24:MI')"),
                  on_dual(*s, "to_char(sysdate, 'YYYY-MM-DD HH24:MI')"));
    }
    zone_scope utc("UTC");
    // Six digits of the second, and the offset even when it is zero.
    const std::string stamp = on_dual(*s, "to_char(systimestamp)");
    ASSERT_EQ(stamp.size(), std::string("09-DEC-26 04.41.05.123456 PM +00:00").size()) << stamp;
    EXPECT_EQ(stamp[18], '.') << stamp;
    EXPECT_EQ(stamp.substr(stamp.size() - 7), " +00:00") << stamp;
    EXPECT_EQ(on_dual(*s, "length(to_char(localtimestamp, 'FF'))"), "6");
    EXPECT_EQ(on_dual(*s, "length(to_char(current_timestamp(2), 'FF'))"), "2");
}

TEST(LiteDatetimeSemantics, YearsBeforeChristHaveNoYearZero) {
    lite_scratch inst;
    auto s = inst.logon();
    const std::string first = "to_date('-4712-01-01', 'SYYYY-MM-DD')";
    // SYYYY's minus sign marks a year BC: -4712 is 4712 BC, the first year a date holds.
    EXPECT_EQ(on_dual(*s, "to_char(" + first + ", 'SYYYY-MM-DD')"), "-4712-01-01");
    EXPECT_EQ(on_dual(*s, "to_char(" + first + ", 'YYYY BC')"), "4712 BC");
    EXPECT_EQ(on_dual(*s, "to_char(" + first + ", 'YYYY A.D.')"), "4712 B.C.");
    EXPECT_EQ(on_dual(*s, "to_char(to_date('4712-01-01 BC', 'YYYY-MM-DD BC'), 'SYYYY')"), "-4712");
    EXPECT_EQ(on_dual(*s, "to_char(to_date('2024-05-06', 'YYYY-MM-DD'), 'SYYYY AD')"), " 2024 AD");
    EXPECT_EQ(on_dual(*s, "to_char(to_date('2024-05-06', 'YYYY-MM-DD'), 'FMSYYYY bc')"), "2024 ad");
    // 1 BC comes right before 1 AD, and is a leap year.
    EXPECT_EQ(on_dual(*s, "to_char(to_date('0001-01-01', 'YYYY-MM-DD') - 1, 'SYYYY-MM-DD')"),
              "-0001-12-31");
    EXPECT_EQ(on_dual(*s,
                      "to_char(add_months(to_date('0001-01-31', 'YYYY-MM-DD'), -11), "
                      "'SYYYY-MM-DD')"),
              "-0001-02-29");
    EXPECT_EQ(on_dual(*s,
                      "to_date('0001-02-01', 'YYYY-MM-DD') - to_date('-0001-02-01', "
                      "'SYYYY-MM-DD')"),
              "366");
    // Outside -4712 to 9999, and the year 0, there is no date.
    EXPECT_EQ(lite_fails_with(*s, "SELECT to_date('-4713-12-31', 'SYYYY-MM-DD') FROM dual"), 1841);
    EXPECT_EQ(lite_fails_with(*s, "SELECT to_date('0000-01-01', 'SYYYY-MM-DD') FROM dual"), 1841);
    EXPECT_EQ(lite_fails_with(*s, "SELECT " + first + " - 1 FROM dual"), 1841);
    EXPECT_EQ(lite_fails_with(*s, "SELECT add_months(" + first + ", -1) FROM dual"), 1841);
    try {
        s->execute("SELECT to_date('0000-01-01', 'YYYY-MM-DD') FROM dual");
        ADD_FAILURE() << "the year 0 made a date";
    } catch (const lite_error& e) {
        EXPECT_STREQ(e.what(),
                     "ORA-01841: (full) year must be between -4713 and +9999, and not be 0");
    }
}

TEST(LiteDatetimeSemantics, DatesBeforeOctober1582AreJulian) {
    lite_scratch inst;
    auto s = inst.logon();
    const auto d = [&](const std::string& expr) {
        return on_dual(*s, "to_char(" + expr + ", 'YYYY-MM-DD HH24:MI')");
    };
    // The day after 1582-10-04 is 1582-10-15; the ten days between name 1582-10-15.
    EXPECT_EQ(d("DATE '1582-10-04' + 1"), "1582-10-15 00:00");
    EXPECT_EQ(d("DATE '1582-10-15' - 1"), "1582-10-04 00:00");
    EXPECT_EQ(on_dual(*s, "DATE '1582-10-15' - DATE '1582-10-04'"), "1");
    EXPECT_EQ(d("DATE '1582-09-30' + 5"), "1582-10-15 00:00");
    EXPECT_EQ(d("TO_DATE('1582-10-10 12:34', 'YYYY-MM-DD HH24:MI')"), "1582-10-15 12:34");
    EXPECT_EQ(d("DATE '1582-10-05'"), "1582-10-15 00:00");
    // Every fourth year is a leap year before the reform.
    EXPECT_EQ(d("DATE '1500-03-01' - 1"), "1500-02-29 00:00");
    EXPECT_EQ(d("TO_DATE('29-02-1300', 'DD-MM-YYYY')"), "1300-02-29 00:00");
    EXPECT_EQ(on_dual(*s, "DATE '1500-03-01' - DATE '1500-02-28'"), "2");
    EXPECT_EQ(d("ADD_MONTHS(DATE '1500-01-31', 1)"), "1500-02-29 00:00");
    EXPECT_EQ(d("ADD_MONTHS(DATE '1582-09-10', 1)"), "1582-10-15 00:00");
    EXPECT_EQ(lite_fails_with(*s, "SELECT TO_DATE('1700-02-29', 'YYYY-MM-DD') FROM dual"), 1839);
    // Julian day numbers and days of the week count the days as they were.
    EXPECT_EQ(on_dual(*s, "to_char(DATE '1582-10-01', 'J')"), "2299157");
    EXPECT_EQ(on_dual(*s, "to_char(DATE '1970-01-01', 'J')"), "2440588");
    EXPECT_EQ(on_dual(*s, "to_char(DATE '1582-10-04', 'Day')"), "Thursday ");
    EXPECT_EQ(on_dual(*s, "to_char(DATE '1582-10-15', 'Day')"), "Friday   ");
    EXPECT_EQ(on_dual(*s, "to_char(DATE '1066-10-14', 'DY')"), "SAT");
    EXPECT_EQ(on_dual(*s, "DATE '2000-01-01' - DATE '1000-01-01'"), "365237");
}

TEST(LiteDatetimeSemantics, MonthsBetweenCountsMonthsOf31Days) {
    lite_scratch inst;
    auto s = inst.logon();
    auto between = [&](const std::string& a, const std::string& b) {
        return on_dual(*s, "months_between(to_date('" + a + "', 'YYYY-MM-DD HH24:MI'), to_date('" +
                               b + "', 'YYYY-MM-DD HH24:MI'))");
    };
    EXPECT_EQ(between("2006-04-15 00:00", "2006-01-01 00:00"), "3.45161290322581");
    EXPECT_EQ(between("2006-01-01 00:00", "2006-04-15 00:00"), "-3.45161290322581");
    // The same day, or both the last of their months: whole months, whatever the time.
    EXPECT_EQ(between("2006-04-15 10:00", "2006-01-15 00:00"), "3");
    EXPECT_EQ(between("2000-02-29 00:00", "2000-09-30 12:00"), "-7");
    EXPECT_EQ(between("2006-02-28 00:00", "2006-01-31 00:00"), "1");
    // Otherwise the time of day counts too.
    EXPECT_EQ(between("2006-01-02 12:00", "2006-01-01 00:00"), ".0483870967741935");
    EXPECT_EQ(between("2006-03-30 00:00", "2006-02-28 00:00"), "1.06451612903226");
    EXPECT_EQ(on_dual(*s,
                      "months_between(timestamp '2024-03-15 00:00:00.5', "
                      "date '2024-01-15')"),
              "2");
    EXPECT_EQ(on_dual(*s, "months_between(NULL, sysdate)"), "<null>");
}

TEST(LiteDatetimeSemantics, ADateWithoutAMaskFailsWithTheFieldsNumber) {
    lite_scratch inst;
    auto s = inst.logon();
    auto fails = [&](const std::string& call) {
        return lite_fails_with(*s, "SELECT " + call + " FROM dual");
    };
    // The session's date format, DD-MON-RR.
    EXPECT_EQ(on_dual(*s, "to_char(to_date('15-APR-06'), 'YYYY-MM-DD')"), "2006-04-15");
    EXPECT_EQ(fails("to_date('31-APR-20')"), 1839);
    EXPECT_EQ(fails("to_date('01-FOO-20')"), 1843);
    EXPECT_EQ(fails("to_date('01-01-20')"), 1843);
    EXPECT_EQ(fails("to_date('32-JAN-20')"), 1847);
    EXPECT_EQ(fails("to_date('01-JAN-20 extra')"), 1830);
    EXPECT_EQ(fails("to_date('garbage')"), 1861);
    EXPECT_EQ(fails("to_timestamp('01-JAN-20 13.00.00 PM')"), 1849);
    // The form dates are kept in is taken too, and its faults told the same way.
    EXPECT_EQ(on_dual(*s, "to_char(to_date('2020-02-29'), 'DD.MM.YYYY')"), "29.02.2020");
    EXPECT_EQ(fails("to_date('2020-02-30')"), 1839);
    EXPECT_EQ(fails("to_date('2020-13-01')"), 1843);
    EXPECT_EQ(fails("to_timestamp('2020-01-01 24:00:00')"), 1850);
    EXPECT_EQ(fails("to_timestamp('2020-01-01 10:61:00')"), 1851);
    // A mask may end after the text: its other fields keep their defaults.
    EXPECT_EQ(on_dual(*s,
                      "to_char(to_date('2020-02-29', 'YYYY-MM-DD HH24:MI:SS'), "
                      "'YYYY-MM-DD HH24:MI:SS')"),
              "2020-02-29 00:00:00");
    EXPECT_EQ(fails("to_date('2021-02-29', 'YYYY-MM-DD HH24:MI:SS')"), 1839);
    // A zone's sign is read, also when its hours are none.
    EXPECT_EQ(on_dual(*s,
                      "to_char(to_timestamp_tz('2020-01-01 10:00 -00:30', "
                      "'YYYY-MM-DD HH24:MI TZH:TZM'), 'TZR')"),
              "-00:30");
}

TEST(LiteDatetimeSemantics, DatetimeLiteralsFailWithTheFieldsNumber) {
    lite_scratch inst;
    auto s = inst.logon();
    auto fails = [&](const std::string& literal) {
        return lite_fails_with(*s, "SELECT " + literal + " FROM dual");
    };
    EXPECT_EQ(fails("DATE '2019-02-29'"), 1847);
    EXPECT_EQ(fails("DATE '2019-04-31'"), 1847);
    EXPECT_EQ(fails("DATE '2019-13-01'"), 1843);
    EXPECT_EQ(fails("DATE '0000-01-01'"), 1841);
    EXPECT_EQ(fails("DATE 'yesterday'"), 1861);
    EXPECT_EQ(fails("DATE '2019-01-01 10:00:00'"), 1861);
    EXPECT_EQ(fails("TIMESTAMP '2019-01-01 24:00:00'"), 1850);
    EXPECT_EQ(fails("TIMESTAMP '2019-01-01 10:60:00'"), 1851);
    EXPECT_EQ(fails("TIMESTAMP '2019-01-01 10:00:60'"), 1852);
    EXPECT_EQ(fails("TIMESTAMP '2019-02-30 10:00:00'"), 1847);
    try {
        s->execute("SELECT DATE '2019-02-29' FROM dual");
        ADD_FAILURE() << "29 February 2019 made a date";
    } catch (const lite_error& e) {
        EXPECT_STREQ(e.what(), "ORA-01847: day of month must be between 1 and last day of month");
    }
    EXPECT_EQ(on_dual(*s, "to_char(DATE '-0044-03-15', 'DD.MM.YYYY BC')"), "15.03.0044 BC");
    EXPECT_EQ(on_dual(*s, "to_char(TIMESTAMP '2019-01-01 10:00:00.25 -02:00', 'TZR FF2')"),
              "-02:00 25");
}

TEST(LiteDatetimeSemantics, CurrentTimesDescribeAsTheirTypes) {
    lite_scratch inst;
    auto s = inst.logon();
    auto st = s->prepare("SELECT systimestamp, current_timestamp, localtimestamp FROM dual");
    st->execute();
    const auto& cols = st->columns();
    ASSERT_EQ(cols.size(), 3u);
    EXPECT_EQ(cols[0].type_code, LITE_TIMESTAMP_TZ);
    EXPECT_EQ(cols[0].type_text, "TIMESTAMP(6) WITH TIME ZONE");
    EXPECT_EQ(cols[1].type_code, LITE_TIMESTAMP_TZ);
    EXPECT_EQ(cols[2].type_code, LITE_TIMESTAMP);
    EXPECT_EQ(cols[2].type_text, "TIMESTAMP(6)");
    zone_scope east("<+0100>-01:00");
    // LOCALTIMESTAMP has no zone to show: the session's timestamp format without TZR.
    EXPECT_EQ(on_dual(*s, "length(to_char(localtimestamp))"), "28");
    EXPECT_EQ(on_dual(*s, "substr(to_char(current_timestamp), -6)"), "+01:00");
}

TEST(LiteDatetimeSemantics, TimestampColumnsOfEveryPrecisionKeepTheirDigits) {
    lite_scratch inst;
    auto s = inst.logon();
    s->execute(
        "CREATE TABLE stamps (ts9 TIMESTAMP(9), tz TIMESTAMP(2) WITH TIME ZONE, ts1 "
        "TIMESTAMP(1))");
    s->execute(
        "INSERT INTO stamps VALUES (TIMESTAMP '2024-01-01 10:00:00', TIMESTAMP "
        "'2024-01-01 10:00:00.125 +03:00', TIMESTAMP '2024-01-01 10:00:00.25 +03:00')");
    EXPECT_EQ(lite_cell(*s, "SELECT to_char(ts9, 'SS.FF') FROM stamps"), "00.000000000");
    EXPECT_EQ(lite_cell(*s, "SELECT to_char(tz, 'SS.FF TZR') FROM stamps"), "00.13 +03:00");
    // A column without a zone drops the value's.
    EXPECT_EQ(lite_cell(*s, "SELECT to_char(ts1) FROM stamps"), "01-JAN-24 10.00.00.3 AM");
}

TEST(LiteDatetimeSemantics, BinaryRealsConvertToOraclesText) {
    lite_scratch inst;
    auto s = inst.logon();
    s->execute("CREATE TABLE reals (id NUMBER, d BINARY_DOUBLE, f BINARY_FLOAT, n NUMBER)");
    s->execute("INSERT INTO reals VALUES (1, 0.1, 0.1, 0.1)");
    s->execute("INSERT INTO reals VALUES (2, 1, 1, 1)");
    s->execute("INSERT INTO reals VALUES (3, 1234.56, 1234.56, 1234.56)");
    s->execute("INSERT INTO reals VALUES (4, -0.001, -0.001, -0.001)");
    s->execute("INSERT INTO reals VALUES (5, 1/3, 1/3, NULL)");
    s->execute("INSERT INTO reals VALUES (6, 1e300, NULL, 0)");
    auto texts = [&](const std::string& col) {
        std::vector<std::string> out;
        for (const auto& row : lite_rows(*s, "SELECT to_char(" + col + ") FROM reals ORDER BY id"))
            out.push_back(row[0]);
        return out;
    };
    // Every digit the double needs to read back as itself, in scientific form.
    EXPECT_EQ(texts("d"),
              (std::vector<std::string>{"1.0E-001", "1.0E+000", "1.23456E+003", "-1.0E-003",
                                        "3.333333333333333E-001", "1.0E+300"}));
    EXPECT_EQ(texts("f"), (std::vector<std::string>{"1.0E-001", "1.0E+000", "1.23456E+003",
                                                    "-1.0E-003", "3.3333334E-001", "<null>"}));
    EXPECT_EQ(texts("n"), (std::vector<std::string>{".1", "1", "1234.56", "-.001", "<null>", "0"}));
    EXPECT_EQ(on_dual(*s, "to_char(CAST(2.5 AS BINARY_DOUBLE))"), "2.5E+000");
}

}  // namespace

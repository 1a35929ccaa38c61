// Oracle's value texts for the embedded engine: canonical number text, date and timestamp text
// and TO_DATE/TO_CHAR masks. The SQL functions themselves are listed in lite_function_table.h.
//
// Thread-safety: pure functions.
#ifndef TW_PLATFORM_ORALITE_LITE_VALUE_TEXT_H
#define TW_PLATFORM_ORALITE_LITE_VALUE_TEXT_H

#include <charconv>
#include <cstdint>
#include <string>
#include <string_view>

#include "lite_engine.h"

// Oracle's text of a number: no exponent below 1e40, no leading zero (".5", "-.5"), at most 15
// significant digits for doubles.
std::string lite_number_text(double v);
// Oracle's text of a BINARY_DOUBLE (or, with `single`, a BINARY_FLOAT): the fewest digits that
// read back as the value, in scientific form with three digits of exponent ("1.5E+000",
// "-1.0E-003"); "Inf", "-Inf", "Nan" and "0" as Oracle writes them.
std::string lite_binary_real_char(double v, bool single);
// Writes an integer's decimal text into buf (at least 24 bytes); returns its length. Inline: the
// reader writes one for every integer cell it reads ahead.
inline size_t lite_int_text(int64_t v, char* buf) {
    return static_cast<size_t>(std::to_chars(buf, buf + 24, v).ptr - buf);
}
// Rewrites a numeric text the way Oracle prints it ("0.50" -> ".5", "007" -> "7"); a text that
// is not a plain decimal number is returned unchanged.
std::string lite_canonical_number(std::string_view text);

// Leap years and month lengths of the calendar Oracle's dates follow: Julian before the
// reform of October 1582 (every fourth year a leap year), Gregorian from it. Years count as
// Oracle counts them, with no year 0: -1 is 1 BC, which the calendar's rule sees as year 0.
inline bool lite_leap_year(int y) {
    if (y < 0) ++y;
    if (y < 1582) return y % 4 == 0;
    return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
}
// The ten days the reform left out (1582-10-05 to 1582-10-14) name no day; Oracle takes each
// as 1582-10-15, the time of day kept.
inline void lite_calendar_shift(lite_datetime& v) {
    if (v.year == 1582 && v.month == 10 && v.day > 4 && v.day < 15) v.day = 15;
}
inline int lite_days_in_month(int y, int m) {
    static constexpr int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return m == 2 && lite_leap_year(y) ? 29 : days[m - 1];
}
// A value a date can hold: a year from -4712 to 9999 but 0, a day of its month, a time of day.
inline bool lite_valid_datetime(const lite_datetime& v) {
    return v.year >= -4712 && v.year <= 9999 && v.year != 0 && v.month >= 1 && v.month <= 12 &&
           v.day >= 1 && v.day <= lite_days_in_month(v.year, v.month) && v.hour >= 0 &&
           v.hour < 24 && v.minute >= 0 && v.minute < 60 && v.second >= 0 && v.second < 60 &&
           v.nanosecond < 1000000000u;
}

// The form every stored DATE has, "YYYY-MM-DD HH:MM:SS" (or with 'T'), read without the general
// parser's steps; false for any other form and for a date that cannot be. Inline, so that a
// caller's date stays in registers: read ahead for every row, a date written field by field to
// memory and then copied on as a whole waits for those writes to drain, and that wait took a
// fifth of the reader's time on a table with a date column.
inline bool lite_parse_stored_date(std::string_view t, lite_datetime& out) {
    if (t.size() != 19 || t[4] != '-' || t[7] != '-' || (t[10] != ' ' && t[10] != 'T') ||
        t[13] != ':' || t[16] != ':') {
        return false;
    }
    // Exactly n digits at t[at].
    const auto field = [t](size_t at, int n, int& value) {
        int v = 0;
        for (int k = 0; k < n; ++k) {
            const unsigned digit =
                static_cast<unsigned char>(t[at + static_cast<size_t>(k)]) - unsigned{'0'};
            if (digit > 9) return false;
            v = v * 10 + static_cast<int>(digit);
        }
        value = v;
        return true;
    };
    lite_datetime d;
    if (!field(0, 4, d.year) || !field(5, 2, d.month) || !field(8, 2, d.day) ||
        !field(11, 2, d.hour) || !field(14, 2, d.minute) || !field(17, 2, d.second) ||
        !lite_valid_datetime(d)) {
        return false;
    }
    lite_calendar_shift(d);
    out = d;
    return true;
}
// The form every stored TIMESTAMP without a zone has, a stored date followed by a point and up
// to nine digits of fraction (none for a TIMESTAMP(0)), or a stored date itself: read as the
// general parser reads it, without its steps; false for any other form.
inline bool lite_parse_stored_timestamp(std::string_view t, lite_datetime& out) {
    if (t.size() <= 19) return lite_parse_stored_date(t, out);
    if (t.size() > 29 || t[19] != '.') return false;
    uint32_t ns = 0;
    for (size_t k = 20; k < t.size(); ++k) {
        const unsigned digit = static_cast<unsigned char>(t[k]) - unsigned{'0'};
        if (digit > 9) return false;
        ns = ns * 10 + digit;
    }
    // The fraction's digits are its leading ones: 20 + 9 - size more make nanoseconds (nine
    // for the point alone of a TIMESTAMP(0)).
    static constexpr uint32_t scale[] = {1,      10,      100,      1000,      10000,
                                         100000, 1000000, 10000000, 100000000, 1000000000};
    lite_datetime d;
    if (!lite_parse_stored_date(t.substr(0, 19), d)) return false;
    d.nanosecond = ns * scale[29 - t.size()];
    out = d;
    return true;
}
// Parses 'YYYY-MM-DD[ HH:MM:SS[.f...]][ +HH:MM]' (also with 'T'); false when not a date.
bool lite_parse_iso(std::string_view text, lite_datetime& out);
// 'YYYY-MM-DD HH:MM:SS', with digits > 0 the fraction to that many digits, and ' +HH:MM' when
// the value carries a non-zero time-zone offset.
std::string lite_iso_text(const lite_datetime& v, int fraction_digits);
// The text a TIMESTAMP(precision) value is kept as: the fraction to exactly `precision` digits,
// so that the value tells its precision (a TIMESTAMP(0) keeps the point alone, which tells it
// from a DATE), and the offset also when it is zero if `zoned`.
std::string lite_timestamp_text(const lite_datetime& v, int precision, bool zoned = false);
// What the text of a datetime value tells of its type: the digits of its fraction (-1 for none,
// a DATE) and whether it carries a time zone.
struct lite_datetime_shape {
    int precision = -1;
    bool zoned = false;
};
lite_datetime_shape lite_shape_of(std::string_view text);
// A DATE '...' literal (YYYY-MM-DD) or, with `timestamp`, a TIMESTAMP '...' one (YYYY-MM-DD
// HH24:MI:SS[.FF][ TZH:TZM]); false when it is none, with `error` set to the ORA number Oracle
// raises for the field at fault.
bool lite_parse_literal(std::string_view text, bool timestamp, lite_datetime& out, int& error);
// Parses text by an Oracle date mask (DD-MON-YYYY HH24:MI:SS.FF ...); false when it does not fit,
// with `error`, when given, set to the ORA number Oracle raises for the misfit (1843 no month,
// 1847 no day of any month, 1839 no day of this month, 1830 text left over, 1841 a year outside
// -4712 to 9999 or 0, 1849 to 1852 a field out of its range, 1861 otherwise). Elements the text
// ends before take their defaults. SYYYY reads a sign, BC and AD an era: -4712 is 4712 BC.
bool lite_parse_masked(std::string_view text, std::string_view mask, lite_datetime& out,
                       int* error = nullptr);
// The text Oracle gives with one of the ORA numbers lite_parse_masked reports.
const char* lite_date_error_text(int ora_code);
// Formats a date by an Oracle date mask; FF without digits shows `precision` of them (a
// TIMESTAMP(0) shows neither fraction nor the X before it).
std::string lite_format_masked(const lite_datetime& v, std::string_view mask, int precision = 9);

#endif

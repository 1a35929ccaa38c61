// Oracle's dates for the embedded engine: the ISO text dates are stored as, TO_DATE/TO_CHAR
// masks, date arithmetic, TRUNC and ROUND of dates, ADD_MONTHS, MONTHS_BETWEEN, EXTRACT and the
// precision of TIMESTAMP(p) values.
#include <sqlite3.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <string>

#include "functions/lite_function_args.h"
#include "functions/lite_function_impls.h"
#include "functions/lite_number_value.h"
#include "lite_errors.h"
#include "lite_value_text.h"
#include "sql/lite_lexer.h"

namespace lite_fn {

const char* const k_months[] = {"JANUARY",   "FEBRUARY", "MARCH",    "APRIL",
                                "MAY",       "JUNE",     "JULY",     "AUGUST",
                                "SEPTEMBER", "OCTOBER",  "NOVEMBER", "DECEMBER"};
const char* const k_days[] = {"SUNDAY",   "MONDAY", "TUESDAY", "WEDNESDAY",
                              "THURSDAY", "FRIDAY", "SATURDAY"};

int64_t days_from_civil(int64_t y, int m, int d);

// Oracle's years have no 0 (1 BC is followed by 1 AD); the day arithmetic counts 1 BC as 0.
int64_t astronomical(int year) {
    return year < 0 ? year + 1 : year;
}
int64_t oracle_year(int64_t astronomical_year) {
    return astronomical_year <= 0 ? astronomical_year - 1 : astronomical_year;
}

// 0 = Sunday.
int weekday(int y, int m, int d) {
    // 1970-01-01 was a Thursday.
    const int64_t r = (days_from_civil(astronomical(y), m, d) % 7 + 11) % 7;
    return static_cast<int>(r);
}

// Reads the digits of a fraction of a second at text[pos] as nanoseconds; digits past the
// ninth are consumed and dropped.
uint32_t read_fraction(std::string_view t, size_t& pos) {
    uint32_t ns = 0;
    int n = 0;
    while (pos < t.size() && std::isdigit(static_cast<unsigned char>(t[pos]))) {
        if (n < 9) {
            ns = ns * 10 + static_cast<uint32_t>(t[pos] - '0');
            ++n;
        }
        ++pos;
    }
    while (n++ < 9) ns *= 10;
    return ns;
}

bool starts_ci(std::string_view s, size_t pos, std::string_view word) {
    if (pos + word.size() > s.size()) return false;
    for (size_t i = 0; i < word.size(); ++i) {
        if (std::toupper(static_cast<unsigned char>(s[pos + i])) != word[i]) return false;
    }
    return true;
}

// Case of a mask word decides the case of the name it prints: MON, Mon, mon.
std::string cased(std::string_view name, std::string_view mask_word) {
    std::string r(name);
    // The second letter decides, past the points of A.D. and B.C.
    size_t second = 1;
    while (second < mask_word.size() && mask_word[second] == '.') ++second;
    bool all_upper =
        second < mask_word.size() && std::isupper(static_cast<unsigned char>(mask_word[second]));
    bool first_upper = std::isupper(static_cast<unsigned char>(mask_word[0]));
    for (size_t i = 0; i < r.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(r[i]);
        if (all_upper || (i == 0 && first_upper)) {
            r[i] = static_cast<char>(std::toupper(c));
        } else {
            r[i] = static_cast<char>(std::tolower(c));
        }
    }
    return r;
}

void year_range(sqlite3_context* ctx) {
    fail(ctx, ora_err::year_out_of_range, lite_date_error_text(ora_err::year_out_of_range));
}

// Oracle's calendar is Julian before 1582-10-15 and Gregorian from it, as the calendar was
// reformed: the day after 1582-10-04 is 1582-10-15, and every fourth year before is a leap
// year. Days count from 1970-01-01; k_reform_day is the first Gregorian one.
constexpr int64_t k_reform_day = -141427;
// Julian day numbers count from 4713 BC; 1970-01-01 is day 2440588.
constexpr int64_t k_epoch_julian_day = 2440588;

int64_t days_from_civil(int64_t y, int m, int d) {
    if (y < 1582 || (y == 1582 && (m < 10 || (m == 10 && d < 15)))) {
        const int64_t a = (14 - m) / 12;
        const int64_t yy = y + 4800 - a;
        const int64_t mm = m + 12 * a - 3;
        return d + (153 * mm + 2) / 5 + 365 * yy + yy / 4 - 32083 - k_epoch_julian_day;
    }
    y -= m <= 2;
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const int64_t yoe = y - era * 400;
    const int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

lite_datetime civil_from_seconds(int64_t secs) {
    int64_t z = secs >= 0 ? secs / 86400 : (secs - 86399) / 86400;
    int64_t rem = secs - z * 86400;
    lite_datetime d;
    d.hour = static_cast<int>(rem / 3600);
    d.minute = static_cast<int>(rem / 60 % 60);
    d.second = static_cast<int>(rem % 60);
    if (z < k_reform_day) {
        const int64_t c = z + k_epoch_julian_day + 32082;
        const int64_t yy = (4 * c + 3) / 1461;
        const int64_t e = c - 1461 * yy / 4;
        const int64_t mm = (5 * e + 2) / 153;
        d.day = static_cast<int>(e - (153 * mm + 2) / 5 + 1);
        d.month = static_cast<int>(mm + 3 - 12 * (mm / 10));
        d.year = static_cast<int>(oracle_year(yy - 4800 + mm / 10));
        return d;
    }
    z += 719468;
    const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const int64_t doe = z - era * 146097;
    const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const int64_t mp = (5 * doy + 2) / 153;
    d.day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    d.month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    d.year = static_cast<int>(oracle_year(yoe + era * 400 + (d.month <= 2)));
    return d;
}

int64_t seconds_of(const lite_datetime& d) {
    return days_from_civil(astronomical(d.year), d.month, d.day) * 86400 + d.hour * 3600 +
           d.minute * 60 + d.second;
}

bool date_value(sqlite3_value* v, lite_datetime& d) {
    if (sqlite3_value_type(v) != SQLITE_TEXT) return false;
    const unsigned char* t = sqlite3_value_text(v);
    int n = sqlite3_value_bytes(v);
    return n >= 10 && n <= 40 &&
           lite_parse_iso(
               std::string_view(reinterpret_cast<const char*>(t), static_cast<size_t>(n)), d);
}

// A number for arithmetic: Oracle refuses text that is not one (ORA-01722).
bool numeric_arg(sqlite3_context* ctx, sqlite3_value* v, int& type) {
    type = sqlite3_value_numeric_type(v);
    if (type == SQLITE_INTEGER || type == SQLITE_FLOAT) return true;
    fail(ctx, ora_err::invalid_number, "invalid number");
    return false;
}

// "+" and "-": a date and a number of days make a date, two dates differ by days, anything else
// is NUMBER arithmetic. User data non-null means subtraction.
void fn_arith(sqlite3_context* ctx, int, sqlite3_value** v) {
    bool sub = lite_function_variant(ctx) != 0;
    if (sqlite3_value_type(v[0]) == SQLITE_NULL || sqlite3_value_type(v[1]) == SQLITE_NULL) {
        return sqlite3_result_null(ctx);
    }
    lite_datetime da, db;
    bool a_date = date_value(v[0], da), b_date = date_value(v[1], db);
    if (a_date && b_date) {
        if (!sub) return fail(ctx, ora_err::date_plus_date, "date + date not allowed");
        int64_t diff = seconds_of(da) - seconds_of(db);
        if (diff % 86400 == 0) return sqlite3_result_int64(ctx, diff / 86400);
        return sqlite3_result_double(ctx, static_cast<double>(diff) / 86400.0);
    }
    if (a_date || b_date) {
        if (b_date && sub)
            return fail(ctx, ora_err::inconsistent_datatypes, "inconsistent datatypes");
        int type = 0;
        sqlite3_value* days = a_date ? v[1] : v[0];
        if (!numeric_arg(ctx, days, type)) return;
        double n = sqlite3_value_double(days);
        if (sub) n = -n;
        const lite_datetime& base = a_date ? da : db;
        // Beyond the span of valid dates (and NaN) the sum itself could overflow.
        if (!(std::fabs(n) < 6e6)) return year_range(ctx);
        lite_datetime r = civil_from_seconds(seconds_of(base) + std::llround(n * 86400.0));
        if (r.year < -4712 || r.year > 9999) return year_range(ctx);
        std::string out = lite_iso_text(r, 0);
        return sqlite3_result_text(ctx, out.data(), static_cast<int>(out.size()), SQLITE_TRANSIENT);
    }
    number_sum(ctx, v[0], v[1], sub);
}

lite_datetime now_local(bool with_fraction) {
    timespec ts{};
    clock_gettime(CLOCK_REALTIME, &ts);
    tm t{};
    localtime_r(&ts.tv_sec, &t);
    lite_datetime d;
    d.tz_minutes = static_cast<int>(t.tm_gmtoff / 60);
    d.year = t.tm_year + 1900;
    d.month = t.tm_mon + 1;
    d.day = t.tm_mday;
    d.hour = t.tm_hour;
    d.minute = t.tm_min;
    d.second = t.tm_sec;
    d.nanosecond = with_fraction ? static_cast<uint32_t>(ts.tv_nsec) : 0;
    return d;
}

void fn_sysdate(sqlite3_context* ctx, int, sqlite3_value**) {
    lite_datetime now = now_local(false);
    now.tz_minutes = 0;
    result_string(ctx, lite_iso_text(now, 0));
}
// SYSTIMESTAMP and CURRENT_TIMESTAMP (variant 0) are TIMESTAMP(6) WITH TIME ZONE, in the zone of
// the process, which is the session's; LOCALTIMESTAMP (1) is that time as a TIMESTAMP(6). The
// last two take another precision as their argument.
void fn_systimestamp(sqlite3_context* ctx, int argc, sqlite3_value** v) {
    const bool zoned = lite_function_variant(ctx) == 0;
    const int precision = argc >= 1 ? sqlite3_value_int(v[0]) : 6;
    if (precision < 0 || precision > 9)
        return fail(ctx, ora_err::datetime_precision_out_of_range,
                    "datetime/interval precision is out of range");
    lite_datetime now = now_local(true);
    uint32_t unit = 1;
    for (int k = precision; k < 9; ++k) unit *= 10;
    now.nanosecond -= now.nanosecond % unit;
    if (!zoned) now.tz_minutes = 0;
    result_string(ctx, lite_timestamp_text(now, precision, zoned));
}

bool value_to_date(sqlite3_value* v, lite_datetime& d) {
    std::string t = text_arg(v);
    return lite_parse_iso(t, d);
}

// A text that begins as the stored form does ([-]YYYY-): its faults are told field by field.
bool iso_shaped(std::string_view t) {
    size_t p = t.find_first_not_of(' ');
    if (p == std::string_view::npos) return false;
    if (t[p] == '-') ++p;
    if (p + 5 > t.size() || t[p + 4] != '-') return false;
    for (size_t k = p; k < p + 4; ++k) {
        if (t[k] < '0' || t[k] > '9') return false;
    }
    return true;
}

// A text converted to a date without a mask, as Oracle converts it by the session's formats
// (DD-MON-RR for a DATE, DD-MON-RR HH.MI.SSXFF AM for a timestamp), also taking the form dates
// are stored in and a 24-hour time; false with the ORA number of the fault. `kind` as
// fn_to_date's variant.
bool text_to_datetime(std::string_view t, int kind, lite_datetime& d, int& why) {
    if (lite_parse_iso(t, d)) return true;
    if (iso_shaped(t)) {
        lite_parse_masked(
            t, kind == 2 ? "SYYYY-MM-DD HH24:MI:SSXFF TZH:TZM" : "SYYYY-MM-DD HH24:MI:SSXFF", d,
            &why);
        return false;
    }
    const char* const date_mask = "DD-MON-RR";
    if (lite_parse_masked(t, kind == 0 ? date_mask : "DD-MON-RR HH.MI.SSXFF AM", d, &why))
        return true;
    int ignored = 0;
    return lite_parse_masked(t, "DD-MON-RR HH24.MI.SSXFF", d, &ignored) ||
           (kind != 0 && lite_parse_masked(t, date_mask, d, &ignored));
}

// TO_DATE (variant 0), TO_TIMESTAMP (1) and TO_TIMESTAMP_TZ (2).
void fn_to_date(sqlite3_context* ctx, int argc, sqlite3_value** v) {
    const int kind = lite_function_variant(ctx);
    bool ts = kind != 0;
    bool tz = kind == 2;
    if (is_null_value(v[0])) return sqlite3_result_null(ctx);
    std::string t = text_arg(v[0]);
    lite_datetime d;
    int why = 0;
    if (argc >= 2 && !is_null_value(v[1])) {
        if (!lite_parse_masked(t, text_arg(v[1]), d, &why) && !lite_parse_iso(t, d))
            return fail(ctx, why, lite_date_error_text(why));
    } else if (!text_to_datetime(t, kind, d, why)) {
        return fail(ctx, why, lite_date_error_text(why));
    }
    if (!ts) d.nanosecond = 0;
    if (!tz) d.tz_minutes = 0;
    result_string(ctx, ts ? lite_timestamp_text(d, 9, tz) : lite_iso_text(d, 0));
}
void fn_trunc(sqlite3_context* ctx, int argc, sqlite3_value** v) {
    if (is_null_value(v[0])) return sqlite3_result_null(ctx);
    if (numeric_value(v[0])) return number_round(ctx, argc, v, true);
    lite_datetime d;
    if (!value_to_date(v[0], d)) return fail(ctx, ora_err::invalid_number, "invalid number");
    std::string f = argc >= 2 ? lite_upper(text_arg(v[1])) : "DD";
    d.nanosecond = 0;
    d.second = 0;
    if (f != "MI") d.minute = 0;
    if (f != "MI" && f != "HH" && f != "HH24") d.hour = 0;
    if (f == "MM" || f == "MON" || f == "MONTH" || f == "YYYY" || f == "YEAR" || f == "Y" ||
        f == "YY") {
        d.day = 1;
    }
    if (f == "YYYY" || f == "YEAR" || f == "Y" || f == "YY") d.month = 1;
    result_string(ctx, lite_iso_text(d, 0));
}

// Oracle counts characters of UTF-8 text and treats a start of 0 as 1.
void fn_add_months(sqlite3_context* ctx, int, sqlite3_value** v) {
    if (is_null_value(v[0]) || is_null_value(v[1])) return sqlite3_result_null(ctx);
    lite_datetime d;
    if (!value_to_date(v[0], d))
        return fail(ctx, ora_err::non_numeric_character,
                    "a non-numeric character was found where a numeric was expected");
    int64_t add = sqlite3_value_int64(v[1]);
    if (add > 200000 || add < -200000) return year_range(ctx);
    int64_t m = astronomical(d.year) * 12 + (d.month - 1) + add;
    int64_t y = m >= 0 ? m / 12 : -((-m + 11) / 12);  // floor: months of years before 0 too
    bool last = d.day == lite_days_in_month(d.year, d.month);
    d.year = static_cast<int>(oracle_year(y));
    if (d.year < -4712 || d.year > 9999) return year_range(ctx);
    d.month = static_cast<int>(m - y * 12) + 1;
    const int days = lite_days_in_month(d.year, d.month);
    if (last || d.day > days) d.day = days;
    result_string(ctx, lite_iso_text(d, 0));
}

// MONTHS_BETWEEN(d1, d2): whole months when both days are the same or both are the last of
// their months; else the days and the time of day count as parts of a month of 31 days.
void fn_months_between(sqlite3_context* ctx, int, sqlite3_value** v) {
    if (is_null_value(v[0]) || is_null_value(v[1])) return sqlite3_result_null(ctx);
    lite_datetime a, b;
    for (int k = 0; k < 2; ++k) {
        int why = 0;
        if (!text_to_datetime(text_arg(v[k]), 1, k == 0 ? a : b, why))
            return fail(ctx, why, lite_date_error_text(why));
    }
    const int64_t months = (astronomical(a.year) - astronomical(b.year)) * 12 + (a.month - b.month);
    const bool a_last = a.day == lite_days_in_month(a.year, a.month);
    const bool b_last = b.day == lite_days_in_month(b.year, b.month);
    if (a.day == b.day || (a_last && b_last)) return sqlite3_result_int64(ctx, months);
    const int64_t seconds = (a.day - b.day) * 86400LL + (a.hour - b.hour) * 3600LL +
                            (a.minute - b.minute) * 60LL + (a.second - b.second);
    sqlite3_result_double(
        ctx, static_cast<double>(months) + static_cast<double>(seconds) / (31.0 * 86400.0));
}

// EXTRACT(field FROM value): LITE_EXTRACT('FIELD', value). SECOND keeps the fraction of a
// timestamp.
void fn_extract(sqlite3_context* ctx, int, sqlite3_value** v) {
    if (is_null_value(v[1])) return sqlite3_result_null(ctx);
    lite_datetime d;
    if (!date_value(v[1], d)) {
        return fail(ctx, ora_err::invalid_extract_field,
                    "invalid extract field for extract source");
    }
    std::string f = text_arg(v[0]);
    int r = 0;
    if (f == "YEAR")
        r = d.year;
    else if (f == "MONTH")
        r = d.month;
    else if (f == "DAY")
        r = d.day;
    else if (f == "HOUR")
        r = d.hour;
    else if (f == "MINUTE")
        r = d.minute;
    else if (f == "SECOND") {
        if (d.nanosecond) return sqlite3_result_double(ctx, d.second + d.nanosecond / 1e9);
        r = d.second;
    } else if (f == "TIMEZONE_HOUR")
        r = d.tz_minutes / 60;
    else if (f == "TIMEZONE_MINUTE")
        r = d.tz_minutes % 60;
    else
        return fail(ctx, ora_err::invalid_extract_field,
                    "invalid extract field for extract source");
    sqlite3_result_int64(ctx, r);
}

// A value written into a TIMESTAMP(p) column keeps p fractional digits, rounded as Oracle
// rounds them, and is kept with exactly those digits, so that TO_CHAR shows them as the column
// holds them: LITE_TS(value, p[, zoned]). A column without a time zone drops the value's zone
// (zoned 0), one with it keeps it (1); without the flag the value keeps what it has.
void fn_ts(sqlite3_context* ctx, int argc, sqlite3_value** v) {
    if (sqlite3_value_type(v[0]) != SQLITE_TEXT) return sqlite3_result_value(ctx, v[0]);
    lite_datetime d;
    if (!date_value(v[0], d)) return sqlite3_result_value(ctx, v[0]);
    const int p = std::clamp(sqlite3_value_int(v[1]), 0, 9);
    const bool zoned =
        argc >= 3 ? sqlite3_value_int(v[2]) != 0 : lite_shape_of(text_arg(v[0])).zoned;
    if (argc >= 3 && !zoned) d.tz_minutes = 0;
    uint32_t unit = 1;
    for (int k = p; k < 9; ++k) unit *= 10;
    uint32_t ns = (d.nanosecond + unit / 2) / unit * unit;
    if (ns >= 1000000000u) {
        int tz = d.tz_minutes;
        d = civil_from_seconds(seconds_of(d) + 1);
        d.tz_minutes = tz;
        ns = 0;
        if (!lite_valid_datetime(d)) return year_range(ctx);
    }
    d.nanosecond = ns;
    result_string(ctx, lite_timestamp_text(d, p, zoned));
}

}  // namespace lite_fn

using namespace lite_fn;

bool lite_parse_iso(std::string_view t, lite_datetime& out) {
    if (lite_parse_stored_timestamp(t, out)) return true;
    lite_datetime d;
    size_t p = 0;
    while (p < t.size() && t[p] == ' ') ++p;
    bool neg = false;
    if (p < t.size() && t[p] == '-') {
        neg = true;
        ++p;
    }
    size_t ys = p;
    if (!read_int(t, p, 4, d.year) || p - ys != 4) return false;
    if (neg) d.year = -d.year;
    if (p >= t.size() || t[p] != '-') return false;
    ++p;
    if (!read_int(t, p, 2, d.month) || p >= t.size() || t[p] != '-') return false;
    ++p;
    if (!read_int(t, p, 2, d.day)) return false;
    if (p < t.size() && (t[p] == ' ' || t[p] == 'T')) {
        ++p;
        if (!read_int(t, p, 2, d.hour) || p >= t.size() || t[p] != ':') return false;
        ++p;
        if (!read_int(t, p, 2, d.minute)) return false;
        if (p < t.size() && t[p] == ':') {
            ++p;
            if (!read_int(t, p, 2, d.second)) return false;
            if (p < t.size() && t[p] == '.') {
                ++p;
                d.nanosecond = read_fraction(t, p);
            }
        }
        while (p < t.size() && t[p] == ' ') ++p;
        if (p < t.size() && (t[p] == '+' || t[p] == '-')) {
            int sign = t[p] == '-' ? -1 : 1;
            ++p;
            int h = 0, m = 0;
            if (!read_int(t, p, 2, h)) return false;
            if (p < t.size() && t[p] == ':') {
                ++p;
                if (!read_int(t, p, 2, m)) return false;
            }
            d.tz_minutes = sign * (h * 60 + m);
        }
    }
    while (p < t.size() && t[p] == ' ') ++p;
    if (p != t.size() || !lite_valid_datetime(d)) return false;
    lite_calendar_shift(d);
    out = d;
    return true;
}

std::string lite_timestamp_text(const lite_datetime& v, int precision, bool zoned) {
    lite_datetime whole = v;
    whole.tz_minutes = 0;
    std::string r = lite_iso_text(whole, precision);
    if (precision <= 0) r += '.';
    if (zoned || v.tz_minutes != 0) {
        char z[16];
        int m = std::abs(v.tz_minutes);
        std::snprintf(z, sizeof z, " %c%02d:%02d", v.tz_minutes < 0 ? '-' : '+', m / 60, m % 60);
        r += z;
    }
    return r;
}

lite_datetime_shape lite_shape_of(std::string_view t) {
    lite_datetime_shape shape;
    size_t p = t.find_first_not_of(' ');
    if (p == std::string_view::npos) return shape;
    if (t[p] == '-') ++p;
    p += 19;  // YYYY-MM-DD HH:MM:SS
    if (p < t.size() && t[p] == '.') {
        size_t e = p + 1;
        while (e < t.size() && t[e] >= '0' && t[e] <= '9') ++e;
        shape.precision = static_cast<int>(std::min<size_t>(e - p - 1, 9));
        p = e;
    }
    while (p < t.size() && t[p] == ' ') ++p;
    shape.zoned = p < t.size() && (t[p] == '+' || t[p] == '-');
    return shape;
}

bool lite_parse_literal(std::string_view text, bool timestamp, lite_datetime& out, int& error) {
    if (!timestamp) {
        // A DATE literal has a date alone.
        const size_t end = text.find_last_not_of(' ');
        if (end != std::string_view::npos && text.find(' ', text.find_first_not_of(' ')) <= end) {
            error = ora_err::literal_format_mismatch;
            return false;
        }
    }
    if (lite_parse_iso(text, out)) return true;
    if (lite_parse_masked(text, timestamp ? "SYYYY-MM-DD HH24:MI:SSXFF TZH:TZM" : "SYYYY-MM-DD",
                          out, &error)) {
        return true;
    }
    // Oracle tells a literal's day past its month's end by ORA-01847, where TO_DATE tells it by
    // ORA-01839.
    if (error == ora_err::invalid_day_for_month) error = ora_err::day_of_month_out_of_range;
    return false;
}

std::string lite_iso_text(const lite_datetime& v, int fraction_digits) {
    char buf[64];
    int n = std::snprintf(buf, sizeof buf, "%s%04d-%02d-%02d %02d:%02d:%02d", v.year < 0 ? "-" : "",
                          std::abs(v.year), v.month, v.day, v.hour, v.minute, v.second);
    std::string r(buf, static_cast<size_t>(n));
    if (fraction_digits > 0) {
        char f[16];
        std::snprintf(f, sizeof f, "%09u", v.nanosecond);
        r += '.';
        r.append(f, static_cast<size_t>(std::min(fraction_digits, 9)));
    }
    if (v.tz_minutes != 0) {
        char z[16];
        int m = std::abs(v.tz_minutes);
        std::snprintf(z, sizeof z, " %c%02d:%02d", v.tz_minutes < 0 ? '-' : '+', m / 60, m % 60);
        r += z;
    }
    return r;
}

const char* lite_date_error_text(int ora_code) {
    switch (ora_code) {
        case ora_err::format_ends_before_input:
            return "date format picture ends before converting entire input string";
        case ora_err::invalid_day_for_month:
            return "date not valid for month specified";
        case ora_err::year_out_of_range:
            return "(full) year must be between -4713 and +9999, and not be 0";
        case ora_err::invalid_month:
            return "not a valid month";
        case ora_err::day_of_month_out_of_range:
            return "day of month must be between 1 and last day of month";
        case ora_err::hour_12_out_of_range:
            return "hour must be between 1 and 12";
        case ora_err::hour_out_of_range:
            return "hour must be between 0 and 23";
        case ora_err::minutes_out_of_range:
            return "minutes must be between 0 and 59";
        case ora_err::seconds_out_of_range:
            return "seconds must be between 0 and 59";
        default:
            return "literal does not match format string";
    }
}

bool lite_parse_masked(std::string_view t, std::string_view mask_in, lite_datetime& out,
                       int* error) {
    int unused = 0;
    int& why = error ? *error : unused;
    why = ora_err::literal_format_mismatch;
    std::string mask = lite_upper(mask_in);
    lite_datetime d;
    d.day = 1;
    d.month = 1;
    bool year_set = false;
    bool pm = false, ampm = false, bc = false, west = false;
    size_t p = 0, m = 0;
    auto punct = [](char c) { return !std::isalnum(static_cast<unsigned char>(c)); };
    // SYYYY and TZH read a sign, which the separators before them must leave.
    auto signed_at = [&](size_t at) {
        return mask.compare(at, 5, "SYYYY") == 0 || mask.compare(at, 3, "TZH") == 0;
    };
    auto sign_at = [&](size_t at) {
        return at + 1 < t.size() && (t[at] == '-' || t[at] == '+') &&
               std::isdigit(static_cast<unsigned char>(t[at + 1]));
    };
    auto skip_sep = [&]() {
        while (p < t.size() && punct(t[p]) && !(signed_at(m) && sign_at(p))) ++p;
    };
    while (m < mask.size()) {
        // Elements past the end of the text keep their defaults.
        if (t.find_first_not_of(' ', p) == std::string_view::npos) break;
        char mc = mask[m];
        if (punct(mc) && mc != '"') {
            // A run of separators in the mask takes the text's run, less a sign that the next
            // element reads when the text's run is the longer.
            size_t k = 0, n = 0;
            while (m < mask.size() && punct(mask[m]) && mask[m] != '"') {
                ++m;
                ++k;
            }
            while (p + n < t.size() && punct(t[p + n])) ++n;
            if (n > k && signed_at(m) && sign_at(p + n - 1)) --n;
            p += n;
            continue;
        }
        if (mc == '"') {
            size_t e = mask.find('"', m + 1);
            size_t len = (e == std::string::npos ? mask.size() : e) - m - 1;
            p = std::min(t.size(), p + len);
            m = e == std::string::npos ? mask.size() : e + 1;
            continue;
        }
        skip_sep();
        auto mw = [&](std::string_view w) {
            if (mask.compare(m, w.size(), w) == 0) {
                m += w.size();
                return true;
            }
            return false;
        };
        int v = 0;
        if (mw("FX") || mw("FM")) continue;
        if (mw("YYYY") || mw("RRRR") || mw("SYYYY")) {
            if (!read_int(t, p, 4, v, true)) return false;
            d.year = v;
            year_set = true;
            // No date has a year 0.
            if (v == 0) {
                why = ora_err::year_out_of_range;
                return false;
            }
        } else if (mw("B.C.") || mw("A.D.") || mw("BC") || mw("AD")) {
            if (starts_ci(t, p, "B.C.") || starts_ci(t, p, "A.D.")) {
                bc = starts_ci(t, p, "B.C.");
                p += 4;
            } else if (starts_ci(t, p, "BC") || starts_ci(t, p, "AD")) {
                bc = starts_ci(t, p, "BC");
                p += 2;
            } else {
                return false;
            }
        } else if (mw("YY") || mw("RR")) {
            size_t s = p;
            if (!read_int(t, p, 4, v)) return false;
            d.year = p - s <= 2 ? (v < 50 ? 2000 + v : 1900 + v) : v;
            year_set = true;
        } else if (mw("MONTH") || mw("MON")) {
            bool found = false;
            for (int i = 0; i < 12 && !found; ++i) {
                std::string_view full = k_months[i];
                if (starts_ci(t, p, full)) {
                    p += full.size();
                    d.month = i + 1;
                    found = true;
                } else if (starts_ci(t, p, full.substr(0, 3))) {
                    p += 3;
                    d.month = i + 1;
                    found = true;
                }
            }
            if (!found) {
                why = ora_err::invalid_month;
                return false;
            }
        } else if (mw("MM")) {
            if (!read_int(t, p, 2, d.month)) return false;
            if (d.month < 1 || d.month > 12) {
                why = ora_err::invalid_month;
                return false;
            }
        } else if (mw("DDD")) {
            if (!read_int(t, p, 3, v)) return false;
        } else if (mw("DAY") || mw("DY")) {
            while (p < t.size() && std::isalpha(static_cast<unsigned char>(t[p]))) ++p;
        } else if (mw("DD")) {
            if (!read_int(t, p, 2, d.day)) return false;
        } else if (mw("HH24")) {
            if (!read_int(t, p, 2, d.hour)) return false;
        } else if (mw("HH12") || mw("HH")) {
            if (!read_int(t, p, 2, d.hour)) return false;
            ampm = true;
        } else if (mw("MI")) {
            if (!read_int(t, p, 2, d.minute)) return false;
        } else if (mw("SSSSS")) {
            if (!read_int(t, p, 5, v)) return false;
            d.hour = v / 3600;
            d.minute = v / 60 % 60;
            d.second = v % 60;
        } else if (mw("SS")) {
            if (!read_int(t, p, 2, d.second)) return false;
        } else if (mw("FF")) {
            if (m < mask.size() && mask[m] >= '1' && mask[m] <= '9') ++m;
            d.nanosecond = read_fraction(t, p);
        } else if (mw("X")) {
            if (p < t.size() && t[p] == '.') ++p;
        } else if (mw("AM") || mw("PM") || mw("A.M.") || mw("P.M.")) {
            ampm = true;
            if (starts_ci(t, p, "PM") || starts_ci(t, p, "P.M.")) pm = true;
            while (p < t.size() && (std::isalpha(static_cast<unsigned char>(t[p])) || t[p] == '.'))
                ++p;
        } else if (mw("TZH")) {
            int h = 0;
            // Kept apart from the hours, so that -00:30 stays west of UTC.
            west = p < t.size() && t[p] == '-';
            if (!read_int(t, p, 2, h, true)) return false;
            d.tz_minutes = std::abs(h) * 60;
        } else if (mw("TZM")) {
            if (!read_int(t, p, 2, v)) return false;
            d.tz_minutes += v;
        } else if (mw("T")) {
            if (p < t.size() && (t[p] == 'T' || t[p] == 't')) ++p;
        } else {
            return false;
        }
    }
    while (p < t.size() && t[p] == ' ') ++p;
    if (p != t.size()) {
        why = ora_err::format_ends_before_input;
        return false;
    }
    if (bc && d.year > 0) d.year = -d.year;
    if (west) d.tz_minutes = -d.tz_minutes;
    if (ampm) {
        if (d.hour < 1 || d.hour > 12) {
            why = ora_err::hour_12_out_of_range;
            return false;
        }
        d.hour = d.hour % 12 + (pm ? 12 : 0);
    }
    if (!year_set) {
        lite_datetime now = now_local(false);
        d.year = now.year;
    }
    if (!lite_valid_datetime(d)) {
        if (d.year < -4712 || d.year > 9999 || d.year == 0) {
            why = ora_err::year_out_of_range;
        } else if (d.day < 1 || d.day > 31) {
            why = ora_err::day_of_month_out_of_range;
        } else if (d.day > lite_days_in_month(d.year, d.month)) {
            why = ora_err::invalid_day_for_month;
        } else if (d.hour < 0 || d.hour > 23) {
            why = ora_err::hour_out_of_range;
        } else if (d.minute < 0 || d.minute > 59) {
            why = ora_err::minutes_out_of_range;
        } else if (d.second < 0 || d.second > 59) {
            why = ora_err::seconds_out_of_range;
        }
        return false;
    }
    lite_calendar_shift(d);
    out = d;
    return true;
}

std::string lite_format_masked(const lite_datetime& v, std::string_view mask, int precision) {
    std::string out;
    bool fm = false;
    size_t m = 0;
    char buf[32];
    auto num = [&](int value, int width) {
        if (fm) {
            std::snprintf(buf, sizeof buf, "%d", value);
        } else {
            std::snprintf(buf, sizeof buf, "%0*d", width, value);
        }
        out += buf;
    };
    while (m < mask.size()) {
        auto mw = [&](std::string_view w) {
            if (m + w.size() > mask.size()) return false;
            for (size_t i = 0; i < w.size(); ++i) {
                if (std::toupper(static_cast<unsigned char>(mask[m + i])) != w[i]) return false;
            }
            return true;
        };
        std::string_view word = mask.substr(m);
        if (mask[m] == '"') {
            size_t e = mask.find('"', m + 1);
            out.append(mask.substr(m + 1, (e == std::string_view::npos ? mask.size() : e) - m - 1));
            m = e == std::string_view::npos ? mask.size() : e + 1;
        } else if (mw("FM")) {
            fm = !fm;
            m += 2;
        } else if (mw("SYYYY")) {
            if (v.year < 0) {
                out += '-';
            } else if (!fm) {
                out += ' ';
            }
            num(std::abs(v.year), 4);
            m += 5;
        } else if (mw("YYYY") || mw("RRRR")) {
            num(std::abs(v.year), 4);
            m += 4;
        } else if (mw("B.C.") || mw("A.D.")) {
            out += cased(v.year < 0 ? "B.C." : "A.D.", word.substr(0, 4));
            m += 4;
        } else if (mw("BC") || mw("AD")) {
            out += cased(v.year < 0 ? "BC" : "AD", word.substr(0, 2));
            m += 2;
        } else if (mw("YY") || mw("RR")) {
            num(std::abs(v.year) % 100, 2);
            m += 2;
        } else if (mw("MONTH")) {
            std::string n = cased(k_months[v.month - 1], word.substr(0, 5));
            if (!fm) n.resize(9, ' ');
            out += n;
            m += 5;
        } else if (mw("MON")) {
            out += cased(std::string_view(k_months[v.month - 1]).substr(0, 3), word.substr(0, 3));
            m += 3;
        } else if (mw("MM")) {
            num(v.month, 2);
            m += 2;
        } else if (mw("MI")) {
            num(v.minute, 2);
            m += 2;
        } else if (mw("DAY")) {
            std::string n = cased(k_days[weekday(v.year, v.month, v.day)], word.substr(0, 3));
            if (!fm) n.resize(9, ' ');
            out += n;
            m += 3;
        } else if (mw("DY")) {
            out += cased(std::string_view(k_days[weekday(v.year, v.month, v.day)]).substr(0, 3),
                         word.substr(0, 2));
            m += 2;
        } else if (mw("DD")) {
            num(v.day, 2);
            m += 2;
        } else if (mw("D")) {
            num(weekday(v.year, v.month, v.day) + 1, 1);
            m += 1;
        } else if (mw("J")) {
            const int64_t j =
                days_from_civil(astronomical(v.year), v.month, v.day) + k_epoch_julian_day;
            num(static_cast<int>(j), 7);
            m += 1;
        } else if (mw("HH24")) {
            num(v.hour, 2);
            m += 4;
        } else if (mw("HH12") || mw("HH")) {
            num(v.hour % 12 == 0 ? 12 : v.hour % 12, 2);
            m += mw("HH12") ? 4 : 2;
        } else if (mw("SS")) {
            num(v.second, 2);
            m += 2;
        } else if (mw("FF")) {
            int digits = std::clamp(precision, 0, 9);
            m += 2;
            if (m < mask.size() && mask[m] >= '1' && mask[m] <= '9') digits = mask[m++] - '0';
            std::snprintf(buf, sizeof buf, "%09u", v.nanosecond);
            out.append(buf, static_cast<size_t>(digits));
        } else if (mw("TZH")) {
            const int h = std::abs(v.tz_minutes) / 60;
            std::snprintf(buf, sizeof buf, "%c%02d", v.tz_minutes < 0 ? '-' : '+', h);
            out += buf;
            m += 3;
        } else if (mw("TZM")) {
            num(std::abs(v.tz_minutes) % 60, 2);
            m += 3;
        } else if (mw("TZR")) {
            const int z = std::abs(v.tz_minutes);
            std::snprintf(buf, sizeof buf, "%c%02d:%02d", v.tz_minutes < 0 ? '-' : '+', z / 60,
                          z % 60);
            out += buf;
            m += 3;
        } else if (mw("AM") || mw("PM")) {
            out += cased(v.hour < 12 ? "AM" : "PM", word.substr(0, 2));
            m += 2;
        } else if (mw("X")) {
            // No point before a fraction of no digits.
            m += 1;
            const bool bare_ff =
                mw("FF") && !(m + 2 < mask.size() && mask[m + 2] >= '1' && mask[m + 2] <= '9');
            if (!(bare_ff && precision <= 0)) out += '.';
        } else {
            out += mask[m++];
        }
    }
    return out;
}

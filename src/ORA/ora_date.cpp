#include "ORA/ora_date.h"

#include <algorithm>

#include "ORA/ora_engine.h"
#include "TK/tk_exception.h"
#include "TK/tk_logger.h"

namespace {

// The most fraction digits a MySQL DATETIME keeps.
constexpr int k_max_digits = 6;
// Nanoseconds in a second: the unit of a fetched fraction.
constexpr unsigned k_nanoseconds = 1000000000;

// Oracle's calendar is Julian before 1582-10-15 and Gregorian from it: a zone moves an instant
// by Oracle's days, across the reform's ten missing days too. Days count from 1970-01-01;
// k_reform_day is the first Gregorian one, and day 0 is Julian day number 2440588.
constexpr long long k_reform_day = -141427;
constexpr long long k_epoch_julian_day = 2440588;

long long days_from_civil(long long y, unsigned m, unsigned d) {
    if (y < 1582 || (y == 1582 && (m < 10 || (m == 10 && d < 15)))) {
        const long long a = (14 - static_cast<long long>(m)) / 12;
        const long long yy = y + 4800 - a;
        const long long mm = m + 12 * a - 3;
        return d + (153 * mm + 2) / 5 + 365 * yy + yy / 4 - 32083 - k_epoch_julian_day;
    }
    y -= m <= 2;
    const long long era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<long long>(doe) - 719468;
}

void civil_from_days(long long z, long long& y, unsigned& m, unsigned& d) {
    if (z < k_reform_day) {
        const long long c = z + k_epoch_julian_day + 32082;
        const long long yy = (4 * c + 3) / 1461;
        const long long e = c - 1461 * yy / 4;
        const long long mm = (5 * e + 2) / 153;
        d = static_cast<unsigned>(e - (153 * mm + 2) / 5 + 1);
        m = static_cast<unsigned>(mm + 3 - 12 * (mm / 10));
        y = yy - 4800 + mm / 10;
        return;
    }
    z += 719468;
    const long long era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    y = static_cast<long long>(yoe) + era * 400;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    d = doy - (153 * mp + 2) / 5 + 1;
    m = mp < 10 ? mp + 3 : mp - 9;
    y += m <= 2;
}

// 29 February of a year Julian but not Gregorian leap (1500, 1300, ...): Oracle shows it, and
// a DATETIME, Gregorian back to year 1, has no such day to keep it as.
bool julian_only_day(long long y, unsigned m, unsigned d) {
    return m == 2 && d == 29 && y % 100 == 0 && y % 400 != 0;
}

// A day of the years 1583 to 9999 and a time of day, each field within its range.
bool gregorian_time(long long y, unsigned m, unsigned d, unsigned hour, unsigned minute,
                    unsigned second) {
    static constexpr unsigned char k_days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (y <= 1582 || y > 9999 || m < 1 || m > 12 || d < 1 || hour > 23 || minute > 59 ||
        second > 59)
        return false;
    const bool leap = (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
    return d <= k_days[m - 1] + (m == 2 && leap ? 1u : 0u);
}

// The two digits of each number below 100.
struct digit_pairs {
    wchar_t digits[100][2];
    constexpr digit_pairs() : digits() {
        for (int v = 0; v < 100; ++v) {
            digits[v][0] = static_cast<wchar_t>(L'0' + v / 10);
            digits[v][1] = static_cast<wchar_t>(L'0' + v % 10);
        }
    }
};
constexpr digit_pairs k_digit_pairs;

// `value` as "%0*d" (or "%0*u") writes it: at least `width` characters, the sign among them,
// zeros after the sign.
wchar_t* put_padded(wchar_t* p, long long value, int width) {
    const auto bits = static_cast<unsigned long long>(value);
    unsigned long long magnitude = value < 0 ? 0ULL - bits : bits;
    if (value < 0) {
        *p++ = L'-';
        --width;
    }
    wchar_t digits[20];
    int n = 0;
    do {
        digits[n++] = static_cast<wchar_t>(L'0' + magnitude % 10);
        magnitude /= 10;
    } while (magnitude != 0);
    for (; width > n; --width) *p++ = L'0';
    while (n > 0) *p++ = digits[--n];
    return p;
}

}  // namespace

ub4 ora_date::descriptor_kind() const noexcept {
    return m_data_type == SQLT_TIMESTAMP_TZ ? OCI_DTYPE_TIMESTAMP_TZ : OCI_DTYPE_TIMESTAMP;
}

ub2 ora_date::define_type() const noexcept {
    return m_data_type == SQLT_TIMESTAMP_TZ ? SQLT_TIMESTAMP_TZ : SQLT_TIMESTAMP;
}

ora_date::ora_date(OCIParam* param) : ora_type(param) {
    ora_engine& eng = ora_engine::instance();
    eng.check_err(eng.oci().DescriptorAlloc(eng.env(), reinterpret_cast<void**>(&m_datetime),
                                            descriptor_kind(), 0, nullptr));
    if (m_data_type != SQLT_DAT) {
        sb1 scale = 0;
        eng.check_err(
            eng.oci().AttrGet(param, OCI_DTYPE_PARAM, &scale, nullptr, OCI_ATTR_SCALE, eng.err()));
        m_scale = scale < 0 ? 0 : scale;
        m_digits = m_scale > k_max_digits ? k_max_digits : m_scale;
    }
}

ora_date::~ora_date() {
    if (m_datetime) {
        if (ora_engine* eng = ora_engine::find_instance())
            eng->oci().DescriptorFree(m_datetime, descriptor_kind());
    }
}

std::shared_ptr<t_ftd> ora_date::get_ftd() const {
    std::shared_ptr<t_ftd> ftd = ora_type::get_ftd();
    // The date kind stays in the low byte; the fraction digits ride above it.
    ftd->dw_reserved = 1 | (m_digits << 8);
    return ftd;
}

void ora_date::define(OCIStmt* stmt, int pos) {
    tk_log(1, "ora_date::define(%d)", pos);
    ora_engine& eng = ora_engine::instance();
    // A timestamp is defined through its descriptor: the buffer is the descriptor's pointer.
    eng.check_err(
        eng.oci().DefineByPos(stmt, &m_define, eng.err(), static_cast<ub4>(pos), &m_datetime,
                              sizeof m_datetime,  // NOLINT(bugprone-sizeof-expression)
                              define_type(), &m_null_ind, &m_ret_len, &m_ret_code, OCI_DEFAULT));
}

void ora_date::to_variant(ole_variant& out) {
    tk_log(1, "ora_date::to_variant");
    if (!m_datetime) throw tk_mail_assertion("ora_type", 572);
    ora_engine& eng = ora_engine::instance();
    sb2 year = 0;
    ub1 month = 0, day = 0, hour = 0, minute = 0, second = 0;
    ub4 fraction = 0;
    eng.check_err(eng.oci().DateTimeGetDate(eng.env(), eng.err(), m_datetime, &year, &month, &day));
    eng.check_err(eng.oci().DateTimeGetTime(eng.env(), eng.err(), m_datetime, &hour, &minute,
                                            &second, &fraction));
    if (m_data_type != SQLT_DAT) {
        long long zone = 0;
        if (m_data_type == SQLT_TIMESTAMP_TZ) {
            // One instant, one text: the value's own zone is applied, so the column holds UTC.
            sb1 zone_hours = 0, zone_minutes = 0;
            eng.check_err(eng.oci().DateTimeGetTimeZoneOffset(eng.env(), eng.err(), m_datetime,
                                                              &zone_hours, &zone_minutes));
            zone = zone_hours * 3600 + zone_minutes * 60;
        }
        // A TIMESTAMP(n) holds n digits, as a store rounds them; a reader handing more gets
        // the value the column holds.  Digits beyond the sixth no DATETIME holds: the value is
        // rounded to microseconds, and counted, so that the user hears of it once.
        unsigned unit = k_nanoseconds;
        for (int i = 0; i < m_digits; ++i) unit /= 10;
        const bool rounded = m_scale > k_max_digits && fraction % unit != 0;
        const unsigned fetched_fraction = fraction;
        fraction = (fraction + unit / 2) / unit * unit;
        const bool carried = fraction >= k_nanoseconds;
        if (carried) fraction -= k_nanoseconds;
        long long seconds = hour * 3600 + minute * 60 + second;
        long long y = year;
        unsigned m = month, d = day;
        // A value in UTC that no rounding moves to the next second keeps its fields: the round
        // trip through the day count changes nothing on a Gregorian day after the reform (the
        // reform's days move between Oracle's calendars, so they take it).
        if (zone != 0 || carried || !gregorian_time(year, month, day, hour, minute, second)) {
            seconds += days_from_civil(year, month, day) * 86400 - zone + (carried ? 1 : 0);
            long long days = seconds >= 0 ? seconds / 86400 : (seconds - 86399) / 86400;
            seconds -= days * 86400;
            civil_from_days(days, y, m, d);
        }
        // Rounding up from the last microsecond of 9999, or a zone moving the instant across
        // either end, leaves the years a DATETIME holds: the server would store a zero date.
        if (y < 1 || y > 9999) {
            format_text(year, month, day, hour, minute, second, fetched_fraction, 9);
            raise_value_error(fetched_text(),
                              "is outside the years 1 to 9999 a DATETIME holds once rounded to "
                              "microseconds and set in UTC");
        }
        if (julian_only_day(y, m, d)) {
            format_text(year, month, day, hour, minute, second, fetched_fraction, 9);
            raise_value_error(fetched_text(),
                              "is 29 February of a Julian leap year, a day the Gregorian "
                              "calendar of a DATETIME does not have");
        }
        if (rounded) ++m_rounded;
        year = static_cast<sb2>(y);
        month = static_cast<ub1>(m);
        day = static_cast<ub1>(d);
        hour = static_cast<ub1>(seconds / 3600);
        minute = static_cast<ub1>(seconds / 60 % 60);
        second = static_cast<ub1>(seconds % 60);
        if (m_digits > 0) {
            format_text(year, month, day, hour, minute, second, fraction, m_digits);
            std::copy_n(m_text, m_text_size, out.text_buffer(m_text_size));
            return;
        }
    }
    // A date BC: MySQL's years begin at 1, and the year would wrap into a wrong date.
    if (year < 1) {
        format_text(year, month, day, hour, minute, second, 0, 0);
        raise_value_error(fetched_text(),
                          "is a date BC, outside the years 1 to 9999 a DATETIME holds");
    }
    if (julian_only_day(year, month, day)) {
        format_text(year, month, day, hour, minute, second, 0, 0);
        raise_value_error(fetched_text(),
                          "is 29 February of a Julian leap year, a day the Gregorian calendar "
                          "of a DATETIME does not have");
    }
    SYSTEMTIME time{};
    time.wYear = static_cast<WORD>(year);
    time.wMonth = month;
    time.wDay = day;
    time.wHour = hour;
    time.wMinute = minute;
    time.wSecond = second;
    time.wMilliseconds = static_cast<WORD>(fraction / 1000000);
    tk_log(1, "Got time: %02d:%02d:%02d.%d", hour, minute, second, time.wMilliseconds);
    out.assign_date(time);
}

void ora_date::format_text(int year, int month, int day, int hour, int minute, int second,
                           unsigned fraction, int digits) {
    // Written digit by digit: a TIMESTAMP column renders this for every row, and a formatted
    // print was most of the value's cost.  The fields are laid out as
    // "%04d-%02d-%02d %02d:%02d:%02d.%09u" lays them out, so that a field past its width (a
    // value the zone or the rounding refused) reads as it always did.
    wchar_t* p = m_text;
    if (year >= 0 && year <= 9999 && month >= 0 && month < 100 && day >= 0 && day < 100 &&
        hour >= 0 && hour < 100 && minute >= 0 && minute < 100 && second >= 0 && second < 100 &&
        fraction < 1000000000u) {
        // Every field within its width, as every value of a column is: two digits at a time in
        // their places.
        const auto put = [&p](unsigned value) {
            p[0] = k_digit_pairs.digits[value][0];
            p[1] = k_digit_pairs.digits[value][1];
            p += 2;
        };
        put(static_cast<unsigned>(year) / 100);
        put(static_cast<unsigned>(year) % 100);
        *p++ = L'-';
        put(static_cast<unsigned>(month));
        *p++ = L'-';
        put(static_cast<unsigned>(day));
        *p++ = L' ';
        put(static_cast<unsigned>(hour));
        *p++ = L':';
        put(static_cast<unsigned>(minute));
        *p++ = L':';
        put(static_cast<unsigned>(second));
        *p++ = L'.';
        *p++ = static_cast<wchar_t>(L'0' + fraction / 100000000);
        const unsigned rest = fraction % 100000000;
        put(rest / 1000000);
        put(rest / 10000 % 100);
        put(rest / 100 % 100);
        put(rest % 100);
        m_text_size = static_cast<std::size_t>(20 + digits - (digits == 0 ? 1 : 0));
        return;
    }
    // A year BC keeps its four digits after the sign, as Oracle's SYYYY shows it.
    p = put_padded(p, year, year < 0 ? 5 : 4);
    *p++ = L'-';
    p = put_padded(p, month, 2);
    *p++ = L'-';
    p = put_padded(p, day, 2);
    *p++ = L' ';
    p = put_padded(p, hour, 2);
    *p++ = L':';
    p = put_padded(p, minute, 2);
    *p++ = L':';
    p = put_padded(p, second, 2);
    *p++ = L'.';
    p = put_padded(p, fraction, 9);
    const auto n = static_cast<int>(p - m_text);
    // The point goes with the fraction: none for whole seconds.
    const int keep = n - 9 + digits - (digits == 0 ? 1 : 0);
    m_text_size = static_cast<std::size_t>(keep < 0 ? 0 : keep);
}

std::wstring ora_date::value_notice() const {
    if (m_rounded == 0) return std::wstring();
    return L"column '" + m_name + L"': " + std::to_wstring(m_rounded) +
           (m_rounded == 1 ? L" value" : L" values") + L" rounded to microseconds";
}

std::wstring ora_date::fetched_text() const {
    return std::wstring(m_text, m_text_size);
}

#include "platform/oci/lite_functions.h"

#include <sqlite3.h>

#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <vector>
#include <algorithm>

#include "platform/oci/lite_lexer.h"

namespace {

const char* const k_months[] = {"JANUARY",   "FEBRUARY", "MARCH",    "APRIL",
                                "MAY",       "JUNE",     "JULY",     "AUGUST",
                                "SEPTEMBER", "OCTOBER",  "NOVEMBER", "DECEMBER"};
const char* const k_days[] = {"SUNDAY",   "MONDAY", "TUESDAY", "WEDNESDAY",
                              "THURSDAY", "FRIDAY", "SATURDAY"};

bool leap(int y) {
    return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
}
int days_in_month(int y, int m) {
    static const int d[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return m == 2 && leap(y) ? 29 : d[m - 1];
}
// 0 = Sunday.
int weekday(int y, int m, int d) {
    static const int t[] = {0, 3, 2, 5, 0, 3, 5, 1, 4, 6, 2, 4};
    if (m < 3) y -= 1;
    int r = (y + y / 4 - y / 100 + y / 400 + t[m - 1] + d) % 7;
    return r < 0 ? r + 7 : r;
}

bool valid(const lite_datetime& v) {
    return v.year >= -4712 && v.year <= 9999 && v.year != 0 && v.month >= 1 && v.month <= 12 &&
           v.day >= 1 && v.day <= days_in_month(v.year, v.month) && v.hour >= 0 && v.hour < 24 &&
           v.minute >= 0 && v.minute < 60 && v.second >= 0 && v.second < 60 &&
           v.nanosecond < 1000000000u;
}

// Reads up to max digits at text[pos]; false when none.
bool read_int(std::string_view t, size_t& pos, int max, int& out, bool allow_sign = false) {
    bool neg = false;
    if (allow_sign && pos < t.size() && (t[pos] == '-' || t[pos] == '+')) {
        neg = t[pos] == '-';
        ++pos;
    }
    int v = 0, n = 0;
    while (pos < t.size() && n < max && std::isdigit(static_cast<unsigned char>(t[pos]))) {
        v = v * 10 + (t[pos] - '0');
        ++pos;
        ++n;
    }
    out = neg ? -v : v;
    return n > 0;
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
    bool all_upper = mask_word.size() > 1 && std::isupper(static_cast<unsigned char>(mask_word[1]));
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

std::string text_arg(sqlite3_value* v) {
    const unsigned char* t = sqlite3_value_text(v);
    return t ? std::string(reinterpret_cast<const char*>(t), sqlite3_value_bytes(v))
             : std::string();
}

bool is_null_value(sqlite3_value* v) {
    int t = sqlite3_value_type(v);
    return t == SQLITE_NULL || (t == SQLITE_TEXT && sqlite3_value_bytes(v) == 0);
}

void result_error(sqlite3_context* ctx, const std::string& msg) {
    sqlite3_result_error(ctx, msg.c_str(), static_cast<int>(msg.size()));
}

// Oracle compares a number with a text by turning the text into a number.
int compare_values(sqlite3_value* a, sqlite3_value* b) {
    int ta = sqlite3_value_numeric_type(a), tb = sqlite3_value_numeric_type(b);
    bool na = ta == SQLITE_INTEGER || ta == SQLITE_FLOAT;
    bool nb = tb == SQLITE_INTEGER || tb == SQLITE_FLOAT;
    if (na && nb) {
        if (ta == SQLITE_INTEGER && tb == SQLITE_INTEGER) {
            auto x = sqlite3_value_int64(a), y = sqlite3_value_int64(b);
            return x < y ? -1 : x > y ? 1 : 0;
        }
        double x = sqlite3_value_double(a), y = sqlite3_value_double(b);
        return x < y ? -1 : x > y ? 1 : 0;
    }
    std::string x = text_arg(a), y = text_arg(b);
    return x.compare(y) < 0 ? -1 : x == y ? 0 : 1;
}

void fn_nvl(sqlite3_context* ctx, int, sqlite3_value** v) {
    sqlite3_result_value(ctx, is_null_value(v[0]) ? v[1] : v[0]);
}
void fn_nvl2(sqlite3_context* ctx, int, sqlite3_value** v) {
    sqlite3_result_value(ctx, is_null_value(v[0]) ? v[2] : v[1]);
}
void fn_decode(sqlite3_context* ctx, int argc, sqlite3_value** v) {
    if (argc < 3) return result_error(ctx, "ORA-00938: not enough arguments for function");
    int i = 1;
    for (; i + 1 < argc; i += 2) {
        bool n0 = is_null_value(v[0]), ni = is_null_value(v[i]);
        if ((n0 && ni) || (!n0 && !ni && compare_values(v[0], v[i]) == 0)) {
            sqlite3_result_value(ctx, v[i + 1]);
            return;
        }
    }
    if (i < argc) {
        sqlite3_result_value(ctx, v[i]);
    } else {
        sqlite3_result_null(ctx);
    }
}
void fn_concat(sqlite3_context* ctx, int, sqlite3_value** v) {
    std::string r = text_arg(v[0]) + text_arg(v[1]);
    if (r.empty()) {
        sqlite3_result_null(ctx);
    } else {
        sqlite3_result_text(ctx, r.data(), static_cast<int>(r.size()), SQLITE_TRANSIENT);
    }
}
// Oracle's "||": NULL operands count as empty text, numbers print as Oracle prints them, and an
// empty result is NULL.
void fn_cat(sqlite3_context* ctx, int argc, sqlite3_value** v) {
    std::string r;
    for (int i = 0; i < argc; ++i) {
        switch (sqlite3_value_type(v[i])) {
            case SQLITE_NULL:
                break;
            case SQLITE_INTEGER: {
                char b[32];
                r.append(b, lite_int_text(sqlite3_value_int64(v[i]), b));
                break;
            }
            case SQLITE_FLOAT:
                r += lite_number_text(sqlite3_value_double(v[i]));
                break;
            case SQLITE_BLOB: {
                static const char* hx = "0123456789ABCDEF";
                const unsigned char* p =
                    static_cast<const unsigned char*>(sqlite3_value_blob(v[i]));
                for (int k = 0; k < sqlite3_value_bytes(v[i]); ++k) {
                    r += hx[p[k] >> 4];
                    r += hx[p[k] & 15];
                }
                break;
            }
            default:
                r += text_arg(v[i]);
        }
    }
    if (r.empty()) return sqlite3_result_null(ctx);
    sqlite3_result_text(ctx, r.data(), static_cast<int>(r.size()), SQLITE_TRANSIENT);
}

const char* const k_year_range =
    "ORA-01841: (full) year must be between -4713 and +9999, and not be 0";

int64_t days_from_civil(int64_t y, int m, int d) {
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
    z += 719468;
    const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const int64_t doe = z - era * 146097;
    const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const int64_t mp = (5 * doy + 2) / 153;
    lite_datetime d;
    d.day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    d.month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    d.year = static_cast<int>(yoe + era * 400 + (d.month <= 2));
    d.hour = static_cast<int>(rem / 3600);
    d.minute = static_cast<int>(rem / 60 % 60);
    d.second = static_cast<int>(rem % 60);
    return d;
}

int64_t seconds_of(const lite_datetime& d) {
    return days_from_civil(d.year, d.month, d.day) * 86400 + d.hour * 3600 + d.minute * 60 +
           d.second;
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
    result_error(ctx, "ORA-01722: invalid number");
    return false;
}

// "+" and "-": a date and a number of days make a date, two dates differ by days, anything else
// is plain arithmetic. User data non-null means subtraction.
void fn_arith(sqlite3_context* ctx, int, sqlite3_value** v) {
    bool sub = sqlite3_user_data(ctx) != nullptr;
    if (sqlite3_value_type(v[0]) == SQLITE_NULL || sqlite3_value_type(v[1]) == SQLITE_NULL) {
        return sqlite3_result_null(ctx);
    }
    lite_datetime da, db;
    bool a_date = date_value(v[0], da), b_date = date_value(v[1], db);
    if (a_date && b_date) {
        if (!sub) return result_error(ctx, "ORA-00975: date + date not allowed");
        int64_t diff = seconds_of(da) - seconds_of(db);
        if (diff % 86400 == 0) return sqlite3_result_int64(ctx, diff / 86400);
        return sqlite3_result_double(ctx, static_cast<double>(diff) / 86400.0);
    }
    if (a_date || b_date) {
        if (b_date && sub) return result_error(ctx, "ORA-00932: inconsistent datatypes");
        int type = 0;
        sqlite3_value* days = a_date ? v[1] : v[0];
        if (!numeric_arg(ctx, days, type)) return;
        double n = sqlite3_value_double(days);
        if (sub) n = -n;
        const lite_datetime& base = a_date ? da : db;
        // Beyond the span of valid dates (and NaN) the sum itself could overflow.
        if (!(std::fabs(n) < 6e6)) return result_error(ctx, k_year_range);
        lite_datetime r = civil_from_seconds(seconds_of(base) + std::llround(n * 86400.0));
        if (r.year < -4712 || r.year > 9999 || r.year == 0) return result_error(ctx, k_year_range);
        std::string out = lite_iso_text(r, 0);
        return sqlite3_result_text(ctx, out.data(), static_cast<int>(out.size()), SQLITE_TRANSIENT);
    }
    int ta = 0, tb = 0;
    if (!numeric_arg(ctx, v[0], ta) || !numeric_arg(ctx, v[1], tb)) return;
    if (ta == SQLITE_INTEGER && tb == SQLITE_INTEGER) {
        int64_t a = sqlite3_value_int64(v[0]), b = sqlite3_value_int64(v[1]), r = 0;
        bool over = sub ? __builtin_sub_overflow(a, b, &r) : __builtin_add_overflow(a, b, &r);
        if (!over) return sqlite3_result_int64(ctx, r);
    }
    double a = sqlite3_value_double(v[0]), b = sqlite3_value_double(v[1]);
    sqlite3_result_double(ctx, sub ? a - b : a + b);
}

void fn_greatest_least(sqlite3_context* ctx, int argc, sqlite3_value** v) {
    bool greatest = sqlite3_user_data(ctx) != nullptr;
    if (argc < 1) return result_error(ctx, "ORA-00938: not enough arguments for function");
    int best = 0;
    for (int i = 0; i < argc; ++i) {
        if (is_null_value(v[i])) {
            sqlite3_result_null(ctx);
            return;
        }
        int c = compare_values(v[i], v[best]);
        if (greatest ? c > 0 : c < 0) best = i;
    }
    sqlite3_result_value(ctx, v[best]);
}

void put_utf8(std::string& out, uint32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

void fn_chr(sqlite3_context* ctx, int, sqlite3_value** v) {
    if (is_null_value(v[0])) return sqlite3_result_null(ctx);
    int64_t n = sqlite3_value_int64(v[0]);
    if (n < 0 || n > 0x10FFFF) return result_error(ctx, "ORA-01722: invalid number");
    std::string r;
    put_utf8(r, static_cast<uint32_t>(n));
    sqlite3_result_text(ctx, r.data(), static_cast<int>(r.size()), SQLITE_TRANSIENT);
}

void fn_empty_clob(sqlite3_context* ctx, int, sqlite3_value**) {
    sqlite3_result_text(ctx, "", 0, SQLITE_STATIC);
}
void fn_empty_blob(sqlite3_context* ctx, int, sqlite3_value**) {
    sqlite3_result_zeroblob(ctx, 0);
}

void fn_cast_to_raw(sqlite3_context* ctx, int, sqlite3_value** v) {
    if (sqlite3_value_type(v[0]) == SQLITE_NULL) return sqlite3_result_null(ctx);
    const void* p = sqlite3_value_text(v[0]);
    int n = sqlite3_value_bytes(v[0]);
    if (n == 0) return sqlite3_result_null(ctx);
    sqlite3_result_blob(ctx, p, n, SQLITE_TRANSIENT);
}

int hex_digit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

void fn_hextoraw(sqlite3_context* ctx, int, sqlite3_value** v) {
    if (is_null_value(v[0])) return sqlite3_result_null(ctx);
    std::string t = text_arg(v[0]);
    if (t.size() % 2) t.insert(t.begin(), '0');
    std::string b;
    for (size_t i = 0; i < t.size(); i += 2) {
        int h = hex_digit(t[i]), l = hex_digit(t[i + 1]);
        if (h < 0 || l < 0) return result_error(ctx, "ORA-01465: invalid hex number");
        b += static_cast<char>(h * 16 + l);
    }
    sqlite3_result_blob(ctx, b.data(), static_cast<int>(b.size()), SQLITE_TRANSIENT);
}

void fn_rawtohex(sqlite3_context* ctx, int, sqlite3_value** v) {
    if (sqlite3_value_type(v[0]) == SQLITE_NULL) return sqlite3_result_null(ctx);
    const unsigned char* p = static_cast<const unsigned char*>(sqlite3_value_blob(v[0]));
    int n = sqlite3_value_bytes(v[0]);
    static const char* hx = "0123456789ABCDEF";
    std::string r;
    for (int i = 0; i < n; ++i) {
        r += hx[p[i] >> 4];
        r += hx[p[i] & 15];
    }
    if (r.empty()) return sqlite3_result_null(ctx);
    sqlite3_result_text(ctx, r.data(), static_cast<int>(r.size()), SQLITE_TRANSIENT);
}

lite_datetime now_local(bool with_fraction) {
    timespec ts{};
    clock_gettime(CLOCK_REALTIME, &ts);
    tm t{};
    localtime_r(&ts.tv_sec, &t);
    lite_datetime d;
    d.year = t.tm_year + 1900;
    d.month = t.tm_mon + 1;
    d.day = t.tm_mday;
    d.hour = t.tm_hour;
    d.minute = t.tm_min;
    d.second = t.tm_sec;
    d.nanosecond = with_fraction ? static_cast<uint32_t>(ts.tv_nsec) : 0;
    return d;
}

void result_string(sqlite3_context* ctx, const std::string& s) {
    sqlite3_result_text(ctx, s.data(), static_cast<int>(s.size()), SQLITE_TRANSIENT);
}

void fn_sysdate(sqlite3_context* ctx, int, sqlite3_value**) {
    result_string(ctx, lite_iso_text(now_local(false), 0));
}
void fn_systimestamp(sqlite3_context* ctx, int, sqlite3_value**) {
    result_string(ctx, lite_iso_text(now_local(true), 9));
}

bool value_to_date(sqlite3_value* v, lite_datetime& d) {
    std::string t = text_arg(v);
    return lite_parse_iso(t, d);
}

// to_date / to_timestamp: user data non-null means timestamp.
// User data: nothing for TO_DATE, a pointer to 1 for TO_TIMESTAMP, to 2 for TO_TIMESTAMP_TZ.
void fn_to_date(sqlite3_context* ctx, int argc, sqlite3_value** v) {
    const int* kind = static_cast<const int*>(sqlite3_user_data(ctx));
    bool ts = kind != nullptr;
    bool tz = kind != nullptr && *kind == 2;
    if (is_null_value(v[0])) return sqlite3_result_null(ctx);
    std::string t = text_arg(v[0]);
    lite_datetime d;
    bool ok = false;
    if (argc >= 2 && !is_null_value(v[1])) {
        ok = lite_parse_masked(t, text_arg(v[1]), d);
    } else {
        ok = lite_parse_iso(t, d) || lite_parse_masked(t, "DD-MON-RR", d) ||
             lite_parse_masked(t, "DD-MON-RR HH24.MI.SSXFF", d);
    }
    if (!ok && !lite_parse_iso(t, d)) {
        return result_error(ctx, "ORA-01861: literal does not match format string");
    }
    if (!ts) d.nanosecond = 0;
    if (!tz) d.tz_minutes = 0;
    result_string(ctx, lite_iso_text(d, ts ? 9 : 0));
}

std::string format_number_mask(double v, std::string mask, bool& ok) {
    ok = true;
    bool fm = false;
    std::string m = lite_upper(mask);
    if (m.rfind("FM", 0) == 0) {
        fm = true;
        m = m.substr(2);
    }
    bool dollar = false;
    if (!m.empty() && m[0] == '$') {
        dollar = true;
        m = m.substr(1);
    }
    size_t dot = m.find_first_of(".D");
    std::string ip = dot == std::string::npos ? m : m.substr(0, dot);
    std::string fp = dot == std::string::npos ? "" : m.substr(dot + 1);
    for (char c : ip) {
        if (c != '9' && c != '0' && c != ',' && c != 'G') ok = false;
    }
    for (char c : fp) {
        if (c != '9' && c != '0') ok = false;
    }
    if (!ok) return {};
    int decimals = static_cast<int>(fp.size());
    char buf[512];
    std::snprintf(buf, sizeof buf, "%.*f", decimals, std::fabs(v));
    std::string s = buf;
    std::string int_digits = s.substr(0, s.find('.'));
    std::string frac = decimals ? s.substr(s.find('.') + 1) : "";
    int slots = 0;
    size_t first_zero = std::string::npos;
    for (size_t i = 0; i < ip.size(); ++i) {
        if (ip[i] == '9' || ip[i] == '0') {
            if (ip[i] == '0' && first_zero == std::string::npos)
                first_zero = static_cast<size_t>(slots);
            ++slots;
        }
    }
    if (int_digits == "0" && (first_zero == std::string::npos) && decimals > 0) int_digits.clear();
    if (static_cast<int>(int_digits.size()) > slots) {
        return std::string(m.size() + 2, '#');
    }
    int min_digits = first_zero == std::string::npos ? 0 : slots - static_cast<int>(first_zero);
    while (static_cast<int>(int_digits.size()) < min_digits)
        int_digits.insert(int_digits.begin(), '0');
    // Lay the digits into the mask from the right; group separators only between digits.
    std::string out;
    int di = static_cast<int>(int_digits.size()) - 1;
    for (int i = static_cast<int>(ip.size()) - 1; i >= 0; --i) {
        char c = ip[static_cast<size_t>(i)];
        if (c == '9' || c == '0') {
            if (di >= 0) {
                out.insert(out.begin(), int_digits[static_cast<size_t>(di--)]);
            } else if (!fm) {
                out.insert(out.begin(), ' ');
            }
        } else {
            if (di >= 0) {
                out.insert(out.begin(), ',');
            } else if (!fm) {
                out.insert(out.begin(), ' ');
            }
        }
    }
    if (decimals) out += "." + frac;
    if (dollar)
        out.insert(out.find_first_not_of(' ') == std::string::npos ? 0 : out.find_first_not_of(' '),
                   "$");
    bool neg = v < 0 && std::fabs(v) > 0;
    if (neg) {
        size_t p = out.find_first_not_of(' ');
        out.insert(p == std::string::npos ? 0 : p, "-");
    }
    if (!fm) {
        if (!neg) out.insert(out.begin(), ' ');
        if (out[0] == ' ' && neg) {
        }
    }
    if (fm) {
        size_t p = out.find_first_not_of(' ');
        out = p == std::string::npos ? "" : out.substr(p);
    } else if (neg && out.size() < m.size() + 1) {
        out.insert(out.begin(), ' ');
    }
    return out;
}

void fn_to_char(sqlite3_context* ctx, int argc, sqlite3_value** v) {
    if (is_null_value(v[0])) return sqlite3_result_null(ctx);
    int type = sqlite3_value_type(v[0]);
    std::string mask = argc >= 2 && !is_null_value(v[1]) ? text_arg(v[1]) : "";
    if (type == SQLITE_INTEGER || type == SQLITE_FLOAT) {
        if (mask.empty()) {
            if (type == SQLITE_INTEGER) {
                char b[32];
                size_t n = lite_int_text(sqlite3_value_int64(v[0]), b);
                return result_string(ctx, std::string(b, n));
            }
            return result_string(ctx, lite_number_text(sqlite3_value_double(v[0])));
        }
        bool ok = false;
        std::string r = format_number_mask(sqlite3_value_double(v[0]), mask, ok);
        if (!ok) return result_error(ctx, "ORA-01481: invalid number format model");
        return result_string(ctx, r);
    }
    std::string t = text_arg(v[0]);
    lite_datetime d;
    if (lite_parse_iso(t, d)) {
        if (mask.empty()) {
            if (t.size() <= 19) return result_string(ctx, lite_format_masked(d, "DD-MON-RR"));
            return result_string(ctx, lite_format_masked(d, "DD-MON-RR HH.MI.SSXFF AM"));
        }
        return result_string(ctx, lite_format_masked(d, mask));
    }
    if (mask.empty()) return result_string(ctx, t);
    char* end = nullptr;
    double num = std::strtod(t.c_str(), &end);
    if (end && *end == 0 && !t.empty()) {
        bool ok = false;
        std::string r = format_number_mask(num, mask, ok);
        if (ok) return result_string(ctx, r);
    }
    result_error(ctx, "ORA-01722: invalid number");
}

void fn_to_number(sqlite3_context* ctx, int, sqlite3_value** v) {
    if (is_null_value(v[0])) return sqlite3_result_null(ctx);
    int type = sqlite3_value_type(v[0]);
    if (type == SQLITE_INTEGER || type == SQLITE_FLOAT) return sqlite3_result_value(ctx, v[0]);
    std::string t;
    for (char c : text_arg(v[0])) {
        if (c != ',' && c != '$' && c != ' ') t += c;
    }
    int64_t iv = 0;
    auto r = std::from_chars(t.data(), t.data() + t.size(), iv);
    if (r.ec == std::errc() && r.ptr == t.data() + t.size() && !t.empty()) {
        return sqlite3_result_int64(ctx, iv);
    }
    char* end = nullptr;
    double d = std::strtod(t.c_str(), &end);
    if (t.empty() || !end || *end != 0) return result_error(ctx, "ORA-01722: invalid number");
    sqlite3_result_double(ctx, d);
}

void fn_mod(sqlite3_context* ctx, int, sqlite3_value** v) {
    if (is_null_value(v[0]) || is_null_value(v[1])) return sqlite3_result_null(ctx);
    if (sqlite3_value_numeric_type(v[0]) == SQLITE_INTEGER &&
        sqlite3_value_numeric_type(v[1]) == SQLITE_INTEGER) {
        int64_t a = sqlite3_value_int64(v[0]), b = sqlite3_value_int64(v[1]);
        if (b == 0) return sqlite3_result_int64(ctx, a);
        if (b == -1) return sqlite3_result_int64(ctx, 0);
        return sqlite3_result_int64(ctx, a % b);
    }
    double a = sqlite3_value_double(v[0]), b = sqlite3_value_double(v[1]);
    sqlite3_result_double(ctx, b == 0 ? a : std::fmod(a, b));
}

void fn_trunc(sqlite3_context* ctx, int argc, sqlite3_value** v) {
    if (is_null_value(v[0])) return sqlite3_result_null(ctx);
    int type = sqlite3_value_numeric_type(v[0]);
    if (type == SQLITE_INTEGER && argc < 2) return sqlite3_result_value(ctx, v[0]);
    if (type == SQLITE_INTEGER || type == SQLITE_FLOAT) {
        int digits = argc >= 2 ? sqlite3_value_int(v[1]) : 0;
        double p = std::pow(10.0, digits);
        double r = std::trunc(sqlite3_value_double(v[0]) * p) / p;
        // More digits than a double holds keep the value; fewer than it has leave 0.
        if (!std::isfinite(r)) r = digits > 0 ? sqlite3_value_double(v[0]) : 0.0;
        if (digits <= 0 && std::fabs(r) < 9.2e18)
            return sqlite3_result_int64(ctx, static_cast<int64_t>(r));
        return sqlite3_result_double(ctx, r);
    }
    lite_datetime d;
    if (!value_to_date(v[0], d)) return result_error(ctx, "ORA-01722: invalid number");
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
void fn_substr(sqlite3_context* ctx, int argc, sqlite3_value** v) {
    if (is_null_value(v[0]) || is_null_value(v[1])) return sqlite3_result_null(ctx);
    std::string t = text_arg(v[0]);
    std::vector<size_t> starts;
    for (size_t i = 0; i < t.size(); ++i) {
        if ((static_cast<unsigned char>(t[i]) & 0xC0) != 0x80) starts.push_back(i);
    }
    int64_t len = static_cast<int64_t>(starts.size());
    int64_t pos = sqlite3_value_int64(v[1]);
    if (pos == 0) pos = 1;
    if (pos < 0) pos = pos < -len ? 0 : len + pos + 1;
    if (pos < 1 || pos > len) return sqlite3_result_null(ctx);
    int64_t count = len - pos + 1;
    if (argc >= 3) {
        if (is_null_value(v[2])) return sqlite3_result_null(ctx);
        count = std::min<int64_t>(count, sqlite3_value_int64(v[2]));
    }
    if (count < 1) return sqlite3_result_null(ctx);
    size_t b = starts[static_cast<size_t>(pos - 1)];
    size_t e = pos - 1 + count < len ? starts[static_cast<size_t>(pos - 1 + count)] : t.size();
    sqlite3_result_text(ctx, t.data() + b, static_cast<int>(e - b), SQLITE_TRANSIENT);
}

// Characters of UTF-8 text (bytes that do not continue a sequence).
size_t utf8_count(std::string_view t) {
    size_t n = 0;
    for (char c : t) n += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    return n;
}

// Bytes of the first `chars` characters of UTF-8 text.
size_t utf8_prefix(std::string_view t, size_t chars) {
    size_t seen = 0;
    for (size_t i = 0; i < t.size(); ++i) {
        if ((static_cast<unsigned char>(t[i]) & 0xC0) != 0x80 && seen++ == chars) return i;
    }
    return t.size();
}

void fn_pad(sqlite3_context* ctx, int argc, sqlite3_value** v) {
    bool left = sqlite3_user_data(ctx) != nullptr;
    if (is_null_value(v[0]) || is_null_value(v[1])) return sqlite3_result_null(ctx);
    std::string t = text_arg(v[0]);
    int64_t n = sqlite3_value_int64(v[1]);
    std::string pad = argc >= 3 ? text_arg(v[2]) : " ";
    if (n <= 0 || pad.empty() || n > 32767) return sqlite3_result_null(ctx);
    // Lengths count characters, so a multi-byte character is never cut in two.
    size_t have = utf8_count(t);
    if (have >= static_cast<size_t>(n)) {
        t.resize(utf8_prefix(t, static_cast<size_t>(n)));
        return result_string(ctx, t);
    }
    size_t want = static_cast<size_t>(n) - have;
    size_t pad_chars = utf8_count(pad);
    std::string fill;
    while (want >= pad_chars) {
        fill += pad;
        want -= pad_chars;
    }
    fill.append(pad, 0, utf8_prefix(pad, want));
    result_string(ctx, left ? fill + t : t + fill);
}

void fn_initcap(sqlite3_context* ctx, int, sqlite3_value** v) {
    if (is_null_value(v[0])) return sqlite3_result_null(ctx);
    std::string t = text_arg(v[0]);
    bool start = true;
    for (char& c : t) {
        unsigned char u = static_cast<unsigned char>(c);
        if (std::isalnum(u)) {
            c = static_cast<char>(start ? std::toupper(u) : std::tolower(u));
            start = false;
        } else {
            start = true;
        }
    }
    result_string(ctx, t);
}

void fn_seq(sqlite3_context* ctx, int, sqlite3_value** v) {
    auto* s = static_cast<lite_session*>(sqlite3_user_data(ctx));
    try {
        int64_t r = s->sequence_value(text_arg(v[0]), text_arg(v[1]), text_arg(v[2]) == "NEXTVAL");
        sqlite3_result_int64(ctx, r);
    } catch (const lite_error& e) {
        result_error(ctx, e.what());
    }
}

void fn_add_months(sqlite3_context* ctx, int, sqlite3_value** v) {
    if (is_null_value(v[0]) || is_null_value(v[1])) return sqlite3_result_null(ctx);
    lite_datetime d;
    if (!value_to_date(v[0], d))
        return result_error(
            ctx, "ORA-01858: a non-numeric character was found where a numeric was expected");
    int64_t add = sqlite3_value_int64(v[1]);
    if (add > 200000 || add < -200000) return result_error(ctx, k_year_range);
    int64_t m = d.year * 12LL + (d.month - 1) + add;
    int64_t y = m >= 0 ? m / 12 : -((-m + 11) / 12);  // floor: months of years before 0 too
    if (y < -4712 || y > 9999 || y == 0) return result_error(ctx, k_year_range);
    bool last = d.day == days_in_month(d.year, d.month);
    d.year = static_cast<int>(y);
    d.month = static_cast<int>(m - y * 12) + 1;
    if (last || d.day > days_in_month(d.year, d.month)) d.day = days_in_month(d.year, d.month);
    result_string(ctx, lite_iso_text(d, 0));
}

}  // namespace

size_t lite_int_text(int64_t v, char* buf) {
    auto r = std::to_chars(buf, buf + 24, v);
    return static_cast<size_t>(r.ptr - buf);
}

std::string lite_canonical_number(std::string_view t) {
    size_t i = 0;
    bool neg = false;
    if (i < t.size() && (t[i] == '-' || t[i] == '+')) {
        neg = t[i] == '-';
        ++i;
    }
    std::string digits;
    int point = -1;
    bool any = false;
    for (; i < t.size(); ++i) {
        char c = t[i];
        if (c >= '0' && c <= '9') {
            digits += c;
            any = true;
        } else if (c == '.' && point < 0) {
            point = static_cast<int>(digits.size());
        } else {
            break;
        }
    }
    if (!any) return std::string(t);
    int exp10 = 0;
    if (i < t.size() && (t[i] == 'e' || t[i] == 'E')) {
        ++i;
        int e = 0;
        size_t p = i;
        if (!read_int(t, p, 6, e, true)) return std::string(t);
        exp10 = e;
        i = p;
    }
    if (i != t.size()) return std::string(t);
    if (point < 0) point = static_cast<int>(digits.size());
    // value = 0.D * 10^E with D free of leading zeros.
    size_t lead = digits.find_first_not_of('0');
    if (lead == std::string::npos) return "0";
    int E = point - static_cast<int>(lead) + exp10;
    std::string D = digits.substr(lead);
    while (!D.empty() && D.back() == '0') D.pop_back();
    std::string out = neg ? "-" : "";
    if (E > 40 || E < -129) {
        out += D.substr(0, 1);
        if (D.size() > 1) out += "." + D.substr(1);
        char b[16];
        std::snprintf(b, sizeof b, "E%c%02d", E - 1 >= 0 ? '+' : '-', std::abs(E - 1));
        return out + b;
    }
    if (E <= 0) {
        out += "." + std::string(static_cast<size_t>(-E), '0') + D;
    } else if (E >= static_cast<int>(D.size())) {
        out += D + std::string(static_cast<size_t>(E) - D.size(), '0');
    } else {
        out += D.substr(0, static_cast<size_t>(E)) + "." + D.substr(static_cast<size_t>(E));
    }
    return out;
}

std::string lite_number_text(double v) {
    if (v == 0) return "0";
    if (std::isnan(v)) return "Nan";
    if (std::isinf(v)) return v > 0 ? "Inf" : "-Inf";
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.15g", v);
    return lite_canonical_number(buf);
}

bool lite_parse_iso(std::string_view t, lite_datetime& out) {
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
    if (p != t.size() || !valid(d)) return false;
    out = d;
    return true;
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

bool lite_parse_masked(std::string_view t, std::string_view mask_in, lite_datetime& out) {
    std::string mask = lite_upper(mask_in);
    lite_datetime d;
    d.day = 1;
    d.month = 1;
    bool year_set = false;
    bool pm = false, ampm = false;
    size_t p = 0, m = 0;
    auto skip_sep = [&]() {
        while (p < t.size() && !std::isalnum(static_cast<unsigned char>(t[p]))) ++p;
    };
    while (m < mask.size()) {
        char mc = mask[m];
        if (!std::isalnum(static_cast<unsigned char>(mc)) && mc != '"') {
            ++m;
            skip_sep();
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
            if (!found) return false;
        } else if (mw("MM")) {
            if (!read_int(t, p, 2, d.month)) return false;
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
            if (!read_int(t, p, 2, h, true)) return false;
            d.tz_minutes = h * 60;
        } else if (mw("TZM")) {
            if (!read_int(t, p, 2, v)) return false;
            d.tz_minutes += d.tz_minutes < 0 ? -v : v;
        } else if (mw("T")) {
            if (p < t.size() && (t[p] == 'T' || t[p] == 't')) ++p;
        } else {
            return false;
        }
    }
    while (p < t.size() && t[p] == ' ') ++p;
    if (p != t.size()) return false;
    if (ampm) {
        if (d.hour < 1 || d.hour > 12) return false;
        d.hour = d.hour % 12 + (pm ? 12 : 0);
    }
    if (!year_set) {
        lite_datetime now = now_local(false);
        d.year = now.year;
    }
    if (!valid(d)) return false;
    out = d;
    return true;
}

std::string lite_format_masked(const lite_datetime& v, std::string_view mask) {
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
        } else if (mw("YYYY") || mw("RRRR")) {
            num(v.year, 4);
            m += 4;
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
            int digits = 9;
            m += 2;
            if (m < mask.size() && mask[m] >= '1' && mask[m] <= '9') digits = mask[m++] - '0';
            std::snprintf(buf, sizeof buf, "%09u", v.nanosecond);
            out.append(buf, static_cast<size_t>(digits));
        } else if (mw("AM") || mw("PM")) {
            out += cased(v.hour < 12 ? "AM" : "PM", word.substr(0, 2));
            m += 2;
        } else if (mw("X")) {
            out += '.';
            m += 1;
        } else {
            out += mask[m++];
        }
    }
    return out;
}

void lite_register_functions(sqlite3* db, lite_session* session) {
    const int det = SQLITE_UTF8 | SQLITE_DETERMINISTIC;
    // Functions are registered once per accepted argument count, so SQLite itself refuses
    // other counts (ORA-00909) and no function reads an argument it was not given.
    struct entry {
        const char* name;
        int min_args, max_args;  // max -1: any count from min on
        void (*fn)(sqlite3_context*, int, sqlite3_value**);
        void* data;
        int flags;
    };
    static int marker = 0;
    static int k_timestamp = 1, k_timestamp_tz = 2;
    void* yes = &marker;
    const entry list[] = {
        {"NVL", 2, 2, fn_nvl, nullptr, det},
        {"NVL2", 3, 3, fn_nvl2, nullptr, det},
        {"DECODE", 3, -1, fn_decode, nullptr, det},
        {"CONCAT", 2, 2, fn_concat, nullptr, det},
        {"LITE_CAT", 1, -1, fn_cat, nullptr, det},
        {"LITE_ADD", 2, 2, fn_arith, nullptr, det},
        {"LITE_SUB", 2, 2, fn_arith, yes, det},
        {"GREATEST", 1, -1, fn_greatest_least, yes, det},
        {"LEAST", 1, -1, fn_greatest_least, nullptr, det},
        {"CHR", 1, 1, fn_chr, nullptr, det},
        {"EMPTY_CLOB", 0, 0, fn_empty_clob, nullptr, det},
        {"EMPTY_BLOB", 0, 0, fn_empty_blob, nullptr, det},
        {"UTL_RAW_CAST_TO_RAW", 1, 1, fn_cast_to_raw, nullptr, det},
        {"HEXTORAW", 1, 1, fn_hextoraw, nullptr, det},
        {"RAWTOHEX", 1, 1, fn_rawtohex, nullptr, det},
        {"SYSDATE", 0, 0, fn_sysdate, nullptr, SQLITE_UTF8},
        {"SYSTIMESTAMP", 0, 0, fn_systimestamp, nullptr, SQLITE_UTF8},
        {"TO_DATE", 1, 3, fn_to_date, nullptr, det},
        {"TO_TIMESTAMP", 1, 3, fn_to_date, &k_timestamp, det},
        {"TO_TIMESTAMP_TZ", 1, 3, fn_to_date, &k_timestamp_tz, det},
        {"TO_CHAR", 1, 3, fn_to_char, nullptr, det},
        {"TO_NUMBER", 1, 3, fn_to_number, nullptr, det},
        {"MOD", 2, 2, fn_mod, nullptr, det},
        {"TRUNC", 1, 2, fn_trunc, nullptr, det},
        {"SUBSTR", 2, 3, fn_substr, nullptr, det},
        {"LPAD", 2, 3, fn_pad, yes, det},
        {"RPAD", 2, 3, fn_pad, nullptr, det},
        {"INITCAP", 1, 1, fn_initcap, nullptr, det},
        {"ADD_MONTHS", 2, 2, fn_add_months, nullptr, det},
        {"LITE_SEQ", 3, 3, fn_seq, session, SQLITE_UTF8},
    };
    for (const entry& e : list) {
        if (e.max_args < 0) {
            sqlite3_create_function_v2(db, e.name, -1, e.flags, e.data, e.fn, nullptr, nullptr,
                                       nullptr);
            continue;
        }
        for (int n = e.min_args; n <= e.max_args; ++n) {
            sqlite3_create_function_v2(db, e.name, n, e.flags, e.data, e.fn, nullptr, nullptr,
                                       nullptr);
        }
    }
}

// Oracle's numbers as text for the embedded engine: the canonical text Oracle prints, number
// format masks of TO_CHAR, TO_NUMBER and MOD.
#include <sqlite3.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "functions/lite_function_args.h"
#include "functions/lite_function_impls.h"
#include "lite_value_text.h"
#include "sql/lite_lexer.h"
#include "lite_errors.h"

namespace lite_fn {

std::string format_number_mask(double v, const std::string& mask, bool& ok) {
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
        if (!ok) return fail(ctx, ora_err::invalid_number_format, "invalid number format model");
        return result_string(ctx, r);
    }
    std::string t = text_arg(v[0]);
    lite_datetime d;
    if (lite_parse_iso(t, d)) {
        // The value's text tells its type: a DATE has no fraction, a timestamp the digits of
        // its precision, and one with a time zone its offset.
        const lite_datetime_shape shape = lite_shape_of(t);
        const int precision = std::max(shape.precision, 0);
        if (mask.empty()) {
            if (shape.precision < 0 && !shape.zoned)
                return result_string(ctx, lite_format_masked(d, "DD-MON-RR"));
            return result_string(
                ctx,
                lite_format_masked(
                    d, shape.zoned ? "DD-MON-RR HH.MI.SSXFF AM TZR" : "DD-MON-RR HH.MI.SSXFF AM",
                    precision));
        }
        return result_string(ctx, lite_format_masked(d, mask, precision));
    }
    if (mask.empty()) return result_string(ctx, t);
    char* end = nullptr;
    double num = std::strtod(t.c_str(), &end);
    if (end && *end == 0 && !t.empty()) {
        bool ok = false;
        std::string r = format_number_mask(num, mask, ok);
        if (ok) return result_string(ctx, r);
    }
    fail(ctx, ora_err::invalid_number, "invalid number");
}

// TO_CHAR of a BINARY_DOUBLE (variant 0) or BINARY_FLOAT (1) without a mask, which the
// translator writes when the argument is one: LITE_BINARY_TO_CHAR(value).
void fn_binary_to_char(sqlite3_context* ctx, int, sqlite3_value** v) {
    if (is_null_value(v[0])) return sqlite3_result_null(ctx);
    const int type = sqlite3_value_numeric_type(v[0]);
    if (type != SQLITE_INTEGER && type != SQLITE_FLOAT)
        return fail(ctx, ora_err::invalid_number, "invalid number");
    result_string(ctx,
                  lite_binary_real_char(sqlite3_value_double(v[0]), lite_function_variant(ctx)));
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
    if (t.empty() || !end || *end != 0) return fail(ctx, ora_err::invalid_number, "invalid number");
    // More digits than a double keeps: the value stays as its decimal text, exactly as a literal
    // of that size is stored, so that no digit is lost on the way into a NUMBER column.
    int significant = 0;
    bool leading = true, plain = true;
    for (char c : t) {
        if (c == 'e' || c == 'E') plain = false;
        if (c < '0' || c > '9') continue;
        if (leading && c == '0') continue;
        leading = false;
        ++significant;
    }
    if (plain && significant > 15) {
        if (t[0] == '+') t.erase(0, 1);
        return sqlite3_result_text(ctx, t.c_str(), static_cast<int>(t.size()), SQLITE_TRANSIENT);
    }
    sqlite3_result_double(ctx, d);
}

}  // namespace lite_fn

using namespace lite_fn;

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

std::string lite_binary_real_char(double v, bool single) {
    if (v == 0) return "0";
    if (std::isnan(v)) return "Nan";
    if (std::isinf(v)) return v > 0 ? "Inf" : "-Inf";
    // The fewest digits that read back as the same value, in Oracle's scientific form.
    char b[64];
    const auto r = single ? std::to_chars(b, b + sizeof b, static_cast<float>(v),
                                          std::chars_format::scientific)
                          : std::to_chars(b, b + sizeof b, v, std::chars_format::scientific);
    const std::string_view text(b, static_cast<size_t>(r.ptr - b));
    const size_t e = text.find('e');
    std::string mantissa(text.substr(0, e));
    if (mantissa.find('.') == std::string::npos) mantissa += ".0";
    const int exponent = std::atoi(std::string(text.substr(e + 1)).c_str());
    char tail[16];
    std::snprintf(tail, sizeof tail, "E%c%03d", exponent < 0 ? '-' : '+', std::abs(exponent));
    return mantissa + tail;
}

std::string lite_number_text(double v) {
    if (v == 0) return "0";
    if (std::isnan(v)) return "Nan";
    if (std::isinf(v)) return v > 0 ? "Inf" : "-Inf";
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.15g", v);
    return lite_canonical_number(buf);
}

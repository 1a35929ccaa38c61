// What a column accepts: every value an INSERT or UPDATE stores passes through one of these, so
// that a column refuses what Oracle refuses (a text longer than its length, a number past its
// precision, a text that is no number) and a NUMBER(p,s) holds its value rounded to its scale.
#include <sqlite3.h>

#include <charconv>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "functions/lite_decimal.h"
#include "functions/lite_function_args.h"
#include "functions/lite_function_impls.h"
#include "lite_value_text.h"
#include "lite_errors.h"

bool lite_decimal_parse(std::string_view t, lite_decimal& out) {
    size_t i = 0, end = t.size();
    while (i < end && t[i] == ' ') ++i;
    while (end > i && t[end - 1] == ' ') --end;
    lite_decimal d;
    if (i < end && (t[i] == '-' || t[i] == '+')) d.negative = t[i++] == '-';
    std::string all;
    int point = -1;
    for (; i < end; ++i) {
        const char c = t[i];
        if (c >= '0' && c <= '9') {
            all += c;
        } else if (c == '.' && point < 0) {
            point = static_cast<int>(all.size());
        } else {
            break;
        }
    }
    if (all.empty()) return false;
    long exp10 = 0;
    if (i < end && (t[i] == 'e' || t[i] == 'E')) {
        ++i;
        bool neg = false;
        if (i < end && (t[i] == '-' || t[i] == '+')) neg = t[i++] == '-';
        const size_t from = i;
        while (i < end && t[i] >= '0' && t[i] <= '9' && exp10 < 100000) {
            exp10 = exp10 * 10 + (t[i] - '0');
            ++i;
        }
        if (i == from) return false;
        if (neg) exp10 = -exp10;
    }
    if (i != end) return false;
    if (point < 0) point = static_cast<int>(all.size());
    const size_t lead = all.find_first_not_of('0');
    if (lead == std::string::npos) {
        out = lite_decimal{};
        return true;
    }
    size_t last = all.find_last_not_of('0');
    d.digits = all.substr(lead, last - lead + 1);
    d.exponent = point - static_cast<int>(lead) + static_cast<int>(exp10);
    out = std::move(d);
    return true;
}

bool lite_decimal_round(lite_decimal& d, int scale) {
    if (d.is_zero()) return false;
    const long keep = static_cast<long>(d.exponent) + scale;
    if (keep >= static_cast<long>(d.digits.size())) return false;
    if (keep < 0) {
        d = lite_decimal{};
        return true;
    }
    const bool up = d.digits[static_cast<size_t>(keep)] >= '5';
    d.digits.resize(static_cast<size_t>(keep));
    if (up) {
        size_t k = d.digits.size();
        while (k > 0 && d.digits[k - 1] == '9') d.digits[--k] = '0';
        if (k == 0) {
            d.digits.insert(d.digits.begin(), '1');
            ++d.exponent;
        } else {
            ++d.digits[k - 1];
        }
    }
    while (!d.digits.empty() && d.digits.back() == '0') d.digits.pop_back();
    if (d.digits.empty()) d.negative = false;
    return true;
}

std::string lite_decimal_text(const lite_decimal& d) {
    if (d.is_zero()) return "0";
    return lite_canonical_number((d.negative ? "-." : ".") + d.digits + "E" +
                                 std::to_string(d.exponent));
}

namespace lite_fn {

namespace {

constexpr int k_max_number_digits = 38;

void fail_too_large(sqlite3_context* ctx, sqlite3_value* name, size_t actual, int64_t maximum) {
    fail(ctx, ora_err::value_too_large,
         "value too large for column " + text_arg(name) + " (actual: " + std::to_string(actual) +
             ", maximum: " + std::to_string(maximum) + ")");
}

// The value in the form the column's storage has always held: a 64-bit integer when it is one,
// a double when a double keeps every digit, else the exact text.
void result_decimal(sqlite3_context* ctx, const lite_decimal& d) {
    const std::string text = lite_decimal_text(d);
    if (d.is_integer() && d.exponent <= 18) {
        int64_t iv = 0;
        auto r = std::from_chars(text.data(), text.data() + text.size(), iv);
        if (r.ec == std::errc() && r.ptr == text.data() + text.size())
            return sqlite3_result_int64(ctx, iv);
    }
    if (d.digits.size() <= 15)
        return sqlite3_result_double(ctx, std::strtod(text.c_str(), nullptr));
    sqlite3_result_text(ctx, text.c_str(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
}

}  // namespace

// LITE_FIT_NUMBER(value, precision, scale, name): precision and scale NULL when the column
// declares none.
void fn_fit_number(sqlite3_context* ctx, int, sqlite3_value** v) {
    if (is_null_value(v[0])) return sqlite3_result_null(ctx);
    const int type = sqlite3_value_type(v[0]);
    const bool has_precision = sqlite3_value_type(v[1]) != SQLITE_NULL;
    const bool has_scale = sqlite3_value_type(v[2]) != SQLITE_NULL;
    const int precision = has_precision ? sqlite3_value_int(v[1]) : k_max_number_digits;
    const int scale = has_scale ? sqlite3_value_int(v[2]) : 0;
    if (type == SQLITE_BLOB) return sqlite3_result_value(ctx, v[0]);
    if (!has_precision && !has_scale && type != SQLITE_TEXT) return sqlite3_result_value(ctx, v[0]);
    lite_decimal d;
    bool changed = false;
    if (type == SQLITE_INTEGER) {
        char b[32];
        lite_decimal_parse(std::string_view(b, lite_int_text(sqlite3_value_int64(v[0]), b)), d);
    } else if (type == SQLITE_FLOAT) {
        // A double holds what a literal of at most 15 digits said; its text is that literal.
        lite_decimal_parse(lite_number_text(sqlite3_value_double(v[0])), d);
    } else {
        if (!lite_decimal_parse(text_arg(v[0]), d))
            return fail(ctx, ora_err::invalid_number, "invalid number");
        changed = true;
    }
    if (has_scale) changed |= lite_decimal_round(d, scale);
    if (static_cast<int>(d.digits.size()) > k_max_number_digits)
        changed |= lite_decimal_round(d, k_max_number_digits - d.exponent);
    if (has_precision && !d.is_zero() && d.exponent > precision - scale) {
        return fail(ctx, ora_err::precision_exceeded,
                    "value larger than specified precision allowed for this column");
    }
    if (!changed) return sqlite3_result_value(ctx, v[0]);
    result_decimal(ctx, d);
}

// LITE_FIT_TEXT(value, maximum, in_characters, name).
void fn_fit_text(sqlite3_context* ctx, int, sqlite3_value** v) {
    const int64_t maximum = sqlite3_value_int64(v[1]);
    const int type = sqlite3_value_type(v[0]);
    if (maximum > 0 && type != SQLITE_NULL) {
        size_t actual = 0;
        if (type == SQLITE_INTEGER) {
            char b[32];
            actual = lite_int_text(sqlite3_value_int64(v[0]), b);
        } else if (type == SQLITE_FLOAT) {
            actual = lite_number_text(sqlite3_value_double(v[0])).size();
        } else if (type == SQLITE_BLOB) {
            actual = 2 * static_cast<size_t>(sqlite3_value_bytes(v[0]));  // as hex digits
        } else if (sqlite3_value_int(v[2]) != 0) {
            actual = utf8_count(text_arg(v[0]));
        } else {
            actual = static_cast<size_t>(sqlite3_value_bytes(v[0]));
        }
        if (static_cast<int64_t>(actual) > maximum)
            return fail_too_large(ctx, v[3], actual, maximum);
    }
    sqlite3_result_value(ctx, v[0]);
}

// LITE_FIT_RAW(bytes, maximum, name).
void fn_fit_raw(sqlite3_context* ctx, int, sqlite3_value** v) {
    const int64_t maximum = sqlite3_value_int64(v[1]);
    if (maximum > 0 && sqlite3_value_type(v[0]) != SQLITE_NULL) {
        const auto actual = static_cast<size_t>(sqlite3_value_bytes(v[0]));
        if (static_cast<int64_t>(actual) > maximum)
            return fail_too_large(ctx, v[2], actual, maximum);
    }
    sqlite3_result_value(ctx, v[0]);
}

}  // namespace lite_fn

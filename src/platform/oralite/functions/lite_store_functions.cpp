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
#include "functions/lite_number_value.h"
#include "lite_value_text.h"
#include "lite_errors.h"

namespace lite_fn {

namespace {

constexpr int k_max_number_digits = 38;

void fail_too_large(sqlite3_context* ctx, sqlite3_value* name, size_t actual, int64_t maximum) {
    fail(ctx, ora_err::value_too_large,
         "value too large for column " + text_arg(name) + " (actual: " + std::to_string(actual) +
             ", maximum: " + std::to_string(maximum) + ")");
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
    // Past 38 digits a NUMBER keeps what its twenty base-100 digits hold: 39 or 40.
    if (static_cast<int>(d.digits.size()) > k_max_number_digits) {
        const size_t had = d.digits.size();
        if (!lite_decimal_fit(d)) return fail(ctx, ora_err::numeric_overflow, "numeric overflow");
        changed |= d.digits.size() != had;
    }
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

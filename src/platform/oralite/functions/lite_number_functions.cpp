// NUMBER arithmetic, comparison, ordering and aggregation, exact to a NUMBER's digits. Integer
// operands that do not overflow take a path of their own; every other value goes through
// lite_decimal, so that a value stored as text (more digits than a double keeps) counts as the
// number it is and a double as the 15-digit number it was stored for.
#include <sqlite3.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <set>
#include <string>

#include "functions/lite_function_args.h"
#include "functions/lite_function_impls.h"
#include "functions/lite_number_value.h"
#include "lite_errors.h"

namespace lite_fn {

namespace {

void fail_overflow(sqlite3_context* ctx) {
    fail(ctx, ora_err::numeric_overflow, "numeric overflow");
}

bool is_int(sqlite3_value* v) {
    return sqlite3_value_type(v) == SQLITE_INTEGER;
}

// Doubles beyond this may hold integers an int64 does not, compared exactly only as decimals.
constexpr double k_exact_int_double = 9007199254740992.0;

}  // namespace

bool decimal_arg(sqlite3_context* ctx, sqlite3_value* v, lite_decimal& out) {
    switch (sqlite3_value_type(v)) {
        case SQLITE_INTEGER:
            out = lite_decimal_from_int(sqlite3_value_int64(v));
            return true;
        case SQLITE_FLOAT: {
            const double d = sqlite3_value_double(v);
            if (!std::isfinite(d)) {
                fail_overflow(ctx);
                return false;
            }
            char b[40];
            std::snprintf(b, sizeof b, "%.15g", d);
            lite_decimal_parse(b, out);
            return true;
        }
        case SQLITE_TEXT: {
            const auto* p = reinterpret_cast<const char*>(sqlite3_value_text(v));
            const std::string_view t(p ? p : "", static_cast<size_t>(sqlite3_value_bytes(v)));
            if (!lite_decimal_parse(t, out)) {
                fail(ctx, ora_err::invalid_number, "invalid number");
                return false;
            }
            if (!lite_decimal_fit(out)) {
                fail_overflow(ctx);
                return false;
            }
            return true;
        }
        default:
            fail(ctx, ora_err::invalid_number, "invalid number");
            return false;
    }
}

bool numeric_value(sqlite3_value* v) {
    const int t = sqlite3_value_type(v);
    if (t == SQLITE_INTEGER || t == SQLITE_FLOAT) return true;
    if (t != SQLITE_TEXT) return false;
    lite_decimal d;
    return lite_decimal_parse(text_arg(v), d);
}

void result_decimal(sqlite3_context* ctx, lite_decimal d) {
    if (!lite_decimal_fit(d)) return fail_overflow(ctx);
    int64_t iv = 0;
    if (lite_decimal_to_int64(d, iv)) return sqlite3_result_int64(ctx, iv);
    const std::string text = lite_decimal_text(d);
    if (d.digits.size() <= 15)
        return sqlite3_result_double(ctx, std::strtod(text.c_str(), nullptr));
    sqlite3_result_text(ctx, text.c_str(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
}

void number_sum(sqlite3_context* ctx, sqlite3_value* a, sqlite3_value* b, bool subtract) {
    if (is_int(a) && is_int(b)) {
        int64_t r = 0;
        const int64_t x = sqlite3_value_int64(a), y = sqlite3_value_int64(b);
        if (!(subtract ? __builtin_sub_overflow(x, y, &r) : __builtin_add_overflow(x, y, &r)))
            return sqlite3_result_int64(ctx, r);
    }
    lite_decimal x, y;
    if (!decimal_arg(ctx, a, x) || !decimal_arg(ctx, b, y)) return;
    result_decimal(ctx, subtract ? lite_decimal_sub(x, y) : lite_decimal_add(x, y));
}

void number_round(sqlite3_context* ctx, int argc, sqlite3_value** v, bool truncate) {
    if (argc >= 2 && is_null_value(v[1])) return sqlite3_result_null(ctx);
    const int digits = argc >= 2 ? sqlite3_value_int(v[1]) : 0;
    if (is_int(v[0]) && digits >= 0) return sqlite3_result_value(ctx, v[0]);
    lite_decimal d;
    if (!decimal_arg(ctx, v[0], d)) return;
    if (truncate) {
        lite_decimal_trunc(d, digits);
    } else {
        lite_decimal_round(d, digits);
    }
    result_decimal(ctx, d);
}

bool compare_numbers(sqlite3_context* ctx, sqlite3_value* a, sqlite3_value* b, int& out) {
    const int ta = sqlite3_value_type(a), tb = sqlite3_value_type(b);
    if (ta == SQLITE_INTEGER && tb == SQLITE_INTEGER) {
        const int64_t x = sqlite3_value_int64(a), y = sqlite3_value_int64(b);
        out = x < y ? -1 : x > y ? 1 : 0;
        return true;
    }
    if ((ta == SQLITE_FLOAT || ta == SQLITE_INTEGER) &&
        (tb == SQLITE_FLOAT || tb == SQLITE_INTEGER)) {
        const double x = sqlite3_value_double(a), y = sqlite3_value_double(b);
        if (std::fabs(x) < k_exact_int_double && std::fabs(y) < k_exact_int_double) {
            out = x < y ? -1 : x > y ? 1 : 0;
            return true;
        }
    }
    lite_decimal x, y;
    if (!decimal_arg(ctx, a, x) || !decimal_arg(ctx, b, y)) return false;
    out = lite_decimal_compare(x, y);
    return true;
}

// LITE_MUL(a, b).
void fn_mul(sqlite3_context* ctx, int, sqlite3_value** v) {
    if (is_null_value(v[0]) || is_null_value(v[1])) return sqlite3_result_null(ctx);
    if (is_int(v[0]) && is_int(v[1])) {
        int64_t r = 0;
        if (!__builtin_mul_overflow(sqlite3_value_int64(v[0]), sqlite3_value_int64(v[1]), &r))
            return sqlite3_result_int64(ctx, r);
    }
    lite_decimal x, y;
    if (!decimal_arg(ctx, v[0], x) || !decimal_arg(ctx, v[1], y)) return;
    result_decimal(ctx, lite_decimal_mul(x, y));
}

// LITE_NEG(a): unary minus.
void fn_neg(sqlite3_context* ctx, int, sqlite3_value** v) {
    if (is_null_value(v[0])) return sqlite3_result_null(ctx);
    if (is_int(v[0]) && sqlite3_value_int64(v[0]) != INT64_MIN)
        return sqlite3_result_int64(ctx, -sqlite3_value_int64(v[0]));
    if (sqlite3_value_type(v[0]) == SQLITE_FLOAT)
        return sqlite3_result_double(ctx, -sqlite3_value_double(v[0]));
    lite_decimal d;
    if (!decimal_arg(ctx, v[0], d)) return;
    if (!d.is_zero()) d.negative = !d.negative;
    result_decimal(ctx, d);
}

void fn_div(sqlite3_context* ctx, int, sqlite3_value** v) {
    if (is_null_value(v[0]) || is_null_value(v[1])) return sqlite3_result_null(ctx);
    if (is_int(v[0]) && is_int(v[1])) {
        const int64_t a = sqlite3_value_int64(v[0]), b = sqlite3_value_int64(v[1]);
        if (b == 0) return fail(ctx, ora_err::divisor_is_zero, "divisor is equal to zero");
        // Exact quotients stay integers; INT64_MIN / -1 is the one that overflows.
        if (!(a == INT64_MIN && b == -1) && a % b == 0) return sqlite3_result_int64(ctx, a / b);
    }
    lite_decimal x, y, q;
    if (!decimal_arg(ctx, v[0], x) || !decimal_arg(ctx, v[1], y)) return;
    if (!lite_decimal_div(x, y, q)) {
        if (y.is_zero()) return fail(ctx, ora_err::divisor_is_zero, "divisor is equal to zero");
        return fail_overflow(ctx);
    }
    result_decimal(ctx, q);
}

void fn_mod(sqlite3_context* ctx, int, sqlite3_value** v) {
    if (is_null_value(v[0]) || is_null_value(v[1])) return sqlite3_result_null(ctx);
    if (is_int(v[0]) && is_int(v[1])) {
        const int64_t a = sqlite3_value_int64(v[0]), b = sqlite3_value_int64(v[1]);
        if (b == 0) return sqlite3_result_int64(ctx, a);
        if (b == -1) return sqlite3_result_int64(ctx, 0);
        return sqlite3_result_int64(ctx, a % b);
    }
    lite_decimal x, y;
    if (!decimal_arg(ctx, v[0], x) || !decimal_arg(ctx, v[1], y)) return;
    result_decimal(ctx, lite_decimal_mod(x, y));
}

// ROUND(number[, digits]).
void fn_round(sqlite3_context* ctx, int argc, sqlite3_value** v) {
    if (is_null_value(v[0])) return sqlite3_result_null(ctx);
    number_round(ctx, argc, v, false);
}

// ABS, FLOOR, CEIL and SIGN (variants 0 to 3).
void fn_num_unary(sqlite3_context* ctx, int, sqlite3_value** v) {
    if (is_null_value(v[0])) return sqlite3_result_null(ctx);
    const int which = lite_function_variant(ctx);
    if (is_int(v[0])) {
        const int64_t a = sqlite3_value_int64(v[0]);
        if (which == 3) return sqlite3_result_int64(ctx, a < 0 ? -1 : a > 0 ? 1 : 0);
        if (which != 0) return sqlite3_result_int64(ctx, a);
        if (a != INT64_MIN) return sqlite3_result_int64(ctx, a < 0 ? -a : a);
    }
    lite_decimal d;
    if (!decimal_arg(ctx, v[0], d)) return;
    switch (which) {
        case 0:
            d.negative = false;
            break;
        case 1:
            d = lite_decimal_floor(d);
            break;
        case 2:
            d = lite_decimal_ceil(d);
            break;
        default:
            return sqlite3_result_int64(ctx, d.is_zero() ? 0 : d.negative ? -1 : 1);
    }
    result_decimal(ctx, d);
}

namespace {

void fail_out_of_range(sqlite3_context* ctx, const lite_decimal& d) {
    fail(ctx, ora_err::argument_out_of_range,
         "argument '" + lite_decimal_text(d) + "' is out of range");
}

}  // namespace

// POWER(base, exponent): exact to a NUMBER's digits for an integer exponent.
void fn_power(sqlite3_context* ctx, int, sqlite3_value** v) {
    if (is_null_value(v[0]) || is_null_value(v[1])) return sqlite3_result_null(ctx);
    lite_decimal base, exponent, r;
    if (!decimal_arg(ctx, v[0], base) || !decimal_arg(ctx, v[1], exponent)) return;
    int64_t n = 0;
    if (exponent.is_integer() && lite_decimal_to_int64(exponent, n)) {
        if (base.is_zero() && n < 0) return fail_out_of_range(ctx, base);
        if (!lite_decimal_power(base, n, r)) return fail_overflow(ctx);
        return result_decimal(ctx, r);
    }
    // A fractional power of a negative number is no real number.
    if (base.negative || (base.is_zero() && exponent.negative)) return fail_out_of_range(ctx, base);
    if (!lite_decimal_pow(base, exponent, r)) return fail_overflow(ctx);
    result_decimal(ctx, r);
}

// SQRT, EXP and LN of a NUMBER (variants 0 to 2).
void fn_num_math(sqlite3_context* ctx, int, sqlite3_value** v) {
    if (is_null_value(v[0])) return sqlite3_result_null(ctx);
    lite_decimal d, r;
    if (!decimal_arg(ctx, v[0], d)) return;
    switch (lite_function_variant(ctx)) {
        case 0:
            if (d.negative) return fail_out_of_range(ctx, d);
            lite_decimal_sqrt(d, r);
            break;
        case 1:
            if (!lite_decimal_exp(d, r)) return fail_overflow(ctx);
            break;
        default:
            if (d.negative || d.is_zero()) return fail_out_of_range(ctx, d);
            lite_decimal_ln(d, r);
            break;
    }
    result_decimal(ctx, r);
}

// LOG(base, number): the base any positive number but one, the number above zero.
void fn_log(sqlite3_context* ctx, int, sqlite3_value** v) {
    if (is_null_value(v[0]) || is_null_value(v[1])) return sqlite3_result_null(ctx);
    lite_decimal base, d, r;
    if (!decimal_arg(ctx, v[0], base) || !decimal_arg(ctx, v[1], d)) return;
    if (base.negative || base.is_zero() ||
        lite_decimal_compare(base, lite_decimal_from_int(1)) == 0)
        return fail_out_of_range(ctx, base);
    if (d.negative || d.is_zero()) return fail_out_of_range(ctx, d);
    lite_decimal_log(base, d, r);
    result_decimal(ctx, r);
}

// LITE_CMP(a, b): -1, 0 or 1 comparing as NUMBERs; NULL when either is NULL.
void fn_cmp(sqlite3_context* ctx, int, sqlite3_value** v) {
    if (is_null_value(v[0]) || is_null_value(v[1])) return sqlite3_result_null(ctx);
    int c = 0;
    if (compare_numbers(ctx, v[0], v[1], c)) sqlite3_result_int(ctx, c);
}

// LITE_NUMKEY(a): a blob that sorts as the number does, whatever form it is stored in.
void fn_numkey(sqlite3_context* ctx, int, sqlite3_value** v) {
    if (is_null_value(v[0])) return sqlite3_result_null(ctx);
    lite_decimal d;
    if (!decimal_arg(ctx, v[0], d)) return;
    const std::string k = lite_decimal_key(d);
    sqlite3_result_blob(ctx, k.data(), static_cast<int>(k.size()), SQLITE_TRANSIENT);
}

// GREATEST, LEAST (variant 1, 0) and DECODE of a number: every argument compared as a NUMBER.
void fn_greatest_least_number(sqlite3_context* ctx, int argc, sqlite3_value** v) {
    const bool greatest = lite_function_variant(ctx) != 0;
    int best = 0;
    for (int i = 0; i < argc; ++i) {
        if (is_null_value(v[i])) return sqlite3_result_null(ctx);
        int c = 0;
        if (!compare_numbers(ctx, v[i], v[best], c)) return;
        if (greatest ? c > 0 : c < 0) best = i;
    }
    lite_decimal d;
    if (decimal_arg(ctx, v[best], d)) result_decimal(ctx, d);
}

void fn_decode_number(sqlite3_context* ctx, int argc, sqlite3_value** v) {
    int i = 1;
    for (; i + 1 < argc; i += 2) {
        const bool n0 = is_null_value(v[0]), ni = is_null_value(v[i]);
        int c = 1;
        if (!n0 && !ni && !compare_numbers(ctx, v[0], v[i], c)) return;
        if ((n0 && ni) || (!n0 && !ni && c == 0)) return sqlite3_result_value(ctx, v[i + 1]);
    }
    if (i < argc) return sqlite3_result_value(ctx, v[i]);
    sqlite3_result_null(ctx);
}

// ------------------------------------------------------------------------------ aggregates

namespace {

// SUM and AVG: integers add as integers until they would overflow, then everything as an
// exact decimal. The count makes the sum of no rows NULL and gives AVG its divisor.
struct sum_state {
    int64_t whole = 0;
    bool in_decimal = false;
    lite_decimal exact;
    int64_t count = 0;
};

template <typename T>
T* state_of(sqlite3_context* ctx, bool create) {
    auto** slot =
        static_cast<T**>(sqlite3_aggregate_context(ctx, create ? static_cast<int>(sizeof(T*)) : 0));
    if (!slot) return nullptr;
    if (!*slot && create) *slot = new T;
    return *slot;
}

template <typename T>
void drop_state(sqlite3_context* ctx) {
    auto** slot = static_cast<T**>(sqlite3_aggregate_context(ctx, 0));
    if (slot) {
        delete *slot;
        *slot = nullptr;
    }
}

void sum_add(sqlite3_context* ctx, sqlite3_value* v, bool remove) {
    if (is_null_value(v)) return;
    auto* st = state_of<sum_state>(ctx, true);
    if (!st) return sqlite3_result_error_nomem(ctx);
    if (!st->in_decimal && is_int(v)) {
        const int64_t x = sqlite3_value_int64(v);
        int64_t r = 0;
        if (!(remove ? __builtin_sub_overflow(st->whole, x, &r)
                     : __builtin_add_overflow(st->whole, x, &r))) {
            st->whole = r;
            st->count += remove ? -1 : 1;
            return;
        }
    }
    lite_decimal d;
    if (!decimal_arg(ctx, v, d)) return;
    if (!st->in_decimal) {
        st->exact = lite_decimal_from_int(st->whole);
        st->in_decimal = true;
    }
    st->exact = remove ? lite_decimal_sub(st->exact, d) : lite_decimal_add(st->exact, d);
    st->count += remove ? -1 : 1;
}

void sum_result(sqlite3_context* ctx, bool average) {
    const auto* st = state_of<sum_state>(ctx, false);
    if (!st || st->count == 0) return sqlite3_result_null(ctx);
    const lite_decimal total = st->in_decimal ? st->exact : lite_decimal_from_int(st->whole);
    if (!average) return result_decimal(ctx, total);
    lite_decimal q;
    lite_decimal_div(total, lite_decimal_from_int(st->count), q);
    result_decimal(ctx, q);
}

struct decimal_less {
    bool operator()(const lite_decimal& a, const lite_decimal& b) const {
        return lite_decimal_compare(a, b) < 0;
    }
};

// MIN and MAX of numbers over a window: every value of the frame, so that one leaving it can
// be taken out.
struct extreme_state {
    std::multiset<lite_decimal, decimal_less> values;
    bool has = false;
    lite_decimal best;
};

void extreme_add(sqlite3_context* ctx, sqlite3_value* v, bool windowed) {
    if (is_null_value(v)) return;
    auto* st = state_of<extreme_state>(ctx, true);
    if (!st) return sqlite3_result_error_nomem(ctx);
    lite_decimal d;
    if (!decimal_arg(ctx, v, d)) return;
    if (windowed) {
        st->values.insert(std::move(d));
        return;
    }
    const int c = st->has ? lite_decimal_compare(d, st->best) : 0;
    if (!st->has || (lite_function_variant(ctx) != 0 ? c > 0 : c < 0)) st->best = std::move(d);
    st->has = true;
}

void extreme_result(sqlite3_context* ctx) {
    const auto* st = state_of<extreme_state>(ctx, false);
    if (!st) return sqlite3_result_null(ctx);
    if (!st->values.empty()) {
        return result_decimal(
            ctx, lite_function_variant(ctx) != 0 ? *st->values.rbegin() : *st->values.begin());
    }
    if (!st->has) return sqlite3_result_null(ctx);
    result_decimal(ctx, st->best);
}

}  // namespace

void sum_step(sqlite3_context* ctx, int, sqlite3_value** v) {
    sum_add(ctx, v[0], false);
}
void sum_inverse(sqlite3_context* ctx, int, sqlite3_value** v) {
    sum_add(ctx, v[0], true);
}
void sum_value(sqlite3_context* ctx) {
    sum_result(ctx, false);
}
void sum_final(sqlite3_context* ctx) {
    sum_result(ctx, false);
    drop_state<sum_state>(ctx);
}
void avg_value(sqlite3_context* ctx) {
    sum_result(ctx, true);
}
void avg_final(sqlite3_context* ctx) {
    sum_result(ctx, true);
    drop_state<sum_state>(ctx);
}

void extreme_step(sqlite3_context* ctx, int, sqlite3_value** v) {
    extreme_add(ctx, v[0], false);
}
void extreme_window_step(sqlite3_context* ctx, int, sqlite3_value** v) {
    extreme_add(ctx, v[0], true);
}
void extreme_inverse(sqlite3_context* ctx, int, sqlite3_value** v) {
    if (is_null_value(v[0])) return;
    auto* st = state_of<extreme_state>(ctx, false);
    lite_decimal d;
    if (!st || !decimal_arg(ctx, v[0], d)) return;
    const auto it = st->values.find(d);
    if (it != st->values.end()) st->values.erase(it);
}
void extreme_value(sqlite3_context* ctx) {
    extreme_result(ctx);
}
void extreme_final(sqlite3_context* ctx) {
    extreme_result(ctx);
    drop_state<extreme_state>(ctx);
}

}  // namespace lite_fn

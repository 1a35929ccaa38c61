#include "functions/lite_function_table.h"

#include <sqlite3.h>

#include <cstring>

#include "functions/lite_function_impls.h"

namespace {

using namespace lite_fn;
using R = lite_result_rule;

constexpr unsigned AGG = k_fn_aggregate;
constexpr unsigned VOL = k_fn_volatile;
constexpr unsigned SES = k_fn_session;
constexpr unsigned WIN = k_fn_analytic;
constexpr unsigned INT = k_fn_internal;

// Oracle's name, SQLite's name, argument counts, result rule, implementation (null: SQLite's).
const lite_function_sig k_functions[] = {
    // Null handling and choices.
    {"NVL", "NVL", 2, 2, R::first_known, fn_nvl},
    {"NVL2", "NVL2", 3, 3, R::nvl2, fn_nvl2},
    {"DECODE", "DECODE", 3, -1, R::decode, fn_decode},
    {"COALESCE", "coalesce", 2, -1, R::first_known, nullptr},
    {"NULLIF", "nullif", 2, 2, R::arg0, nullptr},
    {"GREATEST", "GREATEST", 1, -1, R::first_known, fn_greatest_least, nullptr, nullptr, nullptr,
     1},
    {"LEAST", "LEAST", 1, -1, R::first_known, fn_greatest_least},
    // Text.
    {"CONCAT", "CONCAT", 2, 2, R::varchar2, fn_concat},
    {"CHR", "CHR", 1, 1, R::varchar2, fn_chr},
    {"UPPER", "upper", 1, 1, R::arg0, nullptr},
    {"LOWER", "lower", 1, 1, R::arg0, nullptr},
    {"INITCAP", "INITCAP", 1, 1, R::arg0, fn_initcap},
    {"SUBSTR", "SUBSTR", 2, 3, R::varchar2, fn_substr},
    {"LPAD", "LPAD", 2, 3, R::long_text, fn_pad, nullptr, nullptr, nullptr, 1},
    {"RPAD", "RPAD", 2, 3, R::long_text, fn_pad},
    {"LENGTH", "LITE_LENGTH", 1, 1, R::number, fn_length},
    {"LENGTHB", "LITE_LENGTHB", 1, 1, R::number, fn_length, nullptr, nullptr, nullptr, 1},
    {"INSTR", "LITE_INSTR", 2, 4, R::number, fn_instr},
    {"REPLACE", "LITE_REPLACE", 2, 3, R::varchar2, fn_replace},
    {"LTRIM", "LITE_LTRIM", 1, 2, R::varchar2, fn_ltrim_rtrim, nullptr, nullptr, nullptr, 1},
    {"RTRIM", "LITE_RTRIM", 1, 2, R::varchar2, fn_ltrim_rtrim, nullptr, nullptr, nullptr, 2},
    {"TO_CLOB", "LITE_TO_CLOB", 1, 1, R::clob, fn_to_clob},
    {"TO_NCLOB", "LITE_TO_CLOB", 1, 1, R::clob, fn_to_clob},
    {"TO_BLOB", "LITE_TO_RAW", 1, 1, R::blob, fn_to_raw},
    // Numbers.
    {"TO_NUMBER", "TO_NUMBER", 1, 3, R::number, fn_to_number},
    {"TO_CHAR", "TO_CHAR", 1, 3, R::varchar2, fn_to_char},
    {"MOD", "MOD", 2, 2, R::number, fn_mod},
    {"ROUND", "LITE_ROUND", 1, 2, R::arg0, fn_round},
    {"TRUNC", "TRUNC", 1, 2, R::arg0, fn_trunc},
    {"ABS", "LITE_ABS", 1, 1, R::number, fn_num_unary},
    {"FLOOR", "LITE_FLOOR", 1, 1, R::number, fn_num_unary, nullptr, nullptr, nullptr, 1},
    {"CEIL", "LITE_CEIL", 1, 1, R::number, fn_num_unary, nullptr, nullptr, nullptr, 2},
    {"SIGN", "LITE_SIGN", 1, 1, R::number, fn_num_unary, nullptr, nullptr, nullptr, 3},
    {"POWER", "LITE_POWER", 2, 2, R::number, fn_power},
    {"SQRT", "LITE_SQRT", 1, 1, R::number, fn_num_math},
    {"EXP", "LITE_EXP", 1, 1, R::number, fn_num_math, nullptr, nullptr, nullptr, 1},
    {"LN", "LITE_LN", 1, 1, R::number, fn_num_math, nullptr, nullptr, nullptr, 2},
    {"LOG", "LITE_LOG", 2, 2, R::number, fn_log},
    // Dates.
    {"SYSDATE", "SYSDATE", 0, 0, R::date, fn_sysdate, nullptr, nullptr, nullptr, 0, VOL},
    {"SYSTIMESTAMP", "SYSTIMESTAMP", 0, 0, R::timestamp_tz, fn_systimestamp, nullptr, nullptr,
     nullptr, 0, VOL},
    {"CURRENT_TIMESTAMP", "LITE_CURRENT_TIMESTAMP", 0, 1, R::timestamp_tz, fn_systimestamp, nullptr,
     nullptr, nullptr, 0, VOL},
    {"LOCALTIMESTAMP", "LITE_LOCALTIMESTAMP", 0, 1, R::timestamp, fn_systimestamp, nullptr, nullptr,
     nullptr, 1, VOL},
    {"TO_DATE", "TO_DATE", 1, 3, R::date, fn_to_date},
    {"TO_TIMESTAMP", "TO_TIMESTAMP", 1, 3, R::timestamp, fn_to_date, nullptr, nullptr, nullptr, 1},
    {"TO_TIMESTAMP_TZ", "TO_TIMESTAMP_TZ", 1, 3, R::timestamp_tz, fn_to_date, nullptr, nullptr,
     nullptr, 2},
    {"ADD_MONTHS", "ADD_MONTHS", 2, 2, R::date, fn_add_months},
    {"MONTHS_BETWEEN", "MONTHS_BETWEEN", 2, 2, R::number, fn_months_between},
    // Raw and LOB values.
    {"EMPTY_CLOB", "EMPTY_CLOB", 0, 0, R::clob, fn_empty_clob},
    {"EMPTY_BLOB", "EMPTY_BLOB", 0, 0, R::blob, fn_empty_blob},
    {"HEXTORAW", "HEXTORAW", 1, 1, R::raw, fn_hextoraw},
    {"RAWTOHEX", "RAWTOHEX", 1, 1, R::varchar2, fn_rawtohex},
    {"UTL_RAW.CAST_TO_RAW", "UTL_RAW_CAST_TO_RAW", 1, 1, R::raw, fn_cast_to_raw},
    {"UTL_RAW.CAST_TO_VARCHAR2", "UTL_RAW_CAST_TO_VARCHAR2", 1, 1, R::varchar2, fn_raw_to_text},
    {"DBMS_LOB.GETLENGTH", "DBMS_LOB_GETLENGTH", 1, 1, R::number, fn_lob_length},
    {"DBMS_LOB.SUBSTR", "DBMS_LOB_SUBSTR", 1, 3, R::arg0, fn_lob_substr},
    // Aggregates, also analytic with OVER.
    {"COUNT", "count", 0, 1, R::number, nullptr, nullptr, nullptr, nullptr, 0, AGG},
    {"SUM", "LITE_SUM", 1, 1, R::number, sum_step, sum_final, sum_value, sum_inverse, 0, AGG},
    {"AVG", "LITE_AVG", 1, 1, R::number, sum_step, avg_final, avg_value, sum_inverse, 0, AGG},
    {"MIN", "min", 1, 1, R::arg0, nullptr, nullptr, nullptr, nullptr, 0, AGG},
    {"MAX", "max", 1, 1, R::arg0, nullptr, nullptr, nullptr, nullptr, 0, AGG},
    {"LISTAGG", "LITE_LISTAGG", 1, 2, R::varchar2, listagg_step, listagg_final, listagg_value,
     listagg_inverse, 0, AGG},
    {"GROUPING", "GROUPING", 1, 1, R::number, nullptr, nullptr, nullptr, nullptr, 0, AGG},
    {"GROUPING_ID", "GROUPING_ID", 1, -1, R::number, nullptr, nullptr, nullptr, nullptr, 0, AGG},
    // Analytic only.
    {"ROW_NUMBER", "row_number", 0, 0, R::number, nullptr, nullptr, nullptr, nullptr, 0, WIN},
    {"RANK", "rank", 0, 0, R::number, nullptr, nullptr, nullptr, nullptr, 0, WIN},
    {"DENSE_RANK", "dense_rank", 0, 0, R::number, nullptr, nullptr, nullptr, nullptr, 0, WIN},
    {"PERCENT_RANK", "percent_rank", 0, 0, R::number, nullptr, nullptr, nullptr, nullptr, 0, WIN},
    {"CUME_DIST", "cume_dist", 0, 0, R::number, nullptr, nullptr, nullptr, nullptr, 0, WIN},
    {"NTILE", "ntile", 1, 1, R::number, nullptr, nullptr, nullptr, nullptr, 0, WIN},
    {"LAG", "lag", 1, 3, R::arg0, nullptr, nullptr, nullptr, nullptr, 0, WIN},
    {"LEAD", "lead", 1, 3, R::arg0, nullptr, nullptr, nullptr, nullptr, 0, WIN},
    {"FIRST_VALUE", "first_value", 1, 1, R::arg0, nullptr, nullptr, nullptr, nullptr, 0, WIN},
    {"LAST_VALUE", "last_value", 1, 1, R::arg0, nullptr, nullptr, nullptr, nullptr, 0, WIN},
    {"NTH_VALUE", "nth_value", 2, 2, R::arg0, nullptr, nullptr, nullptr, nullptr, 0, WIN},
    {"RATIO_TO_REPORT", "RATIO_TO_REPORT", 1, 1, R::number, nullptr, nullptr, nullptr, nullptr, 0,
     WIN},
    // The translator's own helpers.
    {"LITE_CAT", "LITE_CAT", 1, -1, R::varchar2, fn_cat, nullptr, nullptr, nullptr, 0, INT},
    {"LITE_ADD", "LITE_ADD", 2, 2, R::number, fn_arith, nullptr, nullptr, nullptr, 0, INT},
    {"LITE_SUB", "LITE_SUB", 2, 2, R::number, fn_arith, nullptr, nullptr, nullptr, 1, INT},
    {"LITE_DIV", "LITE_DIV", 2, 2, R::number, fn_div, nullptr, nullptr, nullptr, 0, INT},
    {"LITE_MUL", "LITE_MUL", 2, 2, R::number, fn_mul, nullptr, nullptr, nullptr, 0, INT},
    {"LITE_NEG", "LITE_NEG", 1, 1, R::number, fn_neg, nullptr, nullptr, nullptr, 0, INT},
    {"LITE_CMP", "LITE_CMP", 2, 2, R::number, fn_cmp, nullptr, nullptr, nullptr, 0, INT},
    {"LITE_NUMKEY", "LITE_NUMKEY", 1, 1, R::raw, fn_numkey, nullptr, nullptr, nullptr, 0, INT},
    {"LITE_GREATEST_NUMBER", "LITE_GREATEST_NUMBER", 1, -1, R::number, fn_greatest_least_number,
     nullptr, nullptr, nullptr, 1, INT},
    {"LITE_LEAST_NUMBER", "LITE_LEAST_NUMBER", 1, -1, R::number, fn_greatest_least_number, nullptr,
     nullptr, nullptr, 0, INT},
    {"LITE_DECODE_NUMBER", "LITE_DECODE_NUMBER", 3, -1, R::decode, fn_decode_number, nullptr,
     nullptr, nullptr, 0, INT},
    // MIN and MAX of numbers, plain and over a window.
    {"LITE_MIN", "LITE_MIN", 1, 1, R::arg0, extreme_step, extreme_final, nullptr, nullptr, 0,
     AGG | INT},
    {"LITE_MAX", "LITE_MAX", 1, 1, R::arg0, extreme_step, extreme_final, nullptr, nullptr, 1,
     AGG | INT},
    {"LITE_MIN_OVER", "LITE_MIN_OVER", 1, 1, R::arg0, extreme_window_step, extreme_final,
     extreme_value, extreme_inverse, 0, AGG | INT},
    {"LITE_MAX_OVER", "LITE_MAX_OVER", 1, 1, R::arg0, extreme_window_step, extreme_final,
     extreme_value, extreme_inverse, 1, AGG | INT},
    {"LITE_EXTRACT", "LITE_EXTRACT", 2, 2, R::number, fn_extract, nullptr, nullptr, nullptr, 0,
     INT},
    {"LITE_TRIM", "LITE_TRIM", 2, 3, R::varchar2, fn_trim, nullptr, nullptr, nullptr, 0, INT},
    {"LITE_TO_RAW", "LITE_TO_RAW", 1, 1, R::raw, fn_to_raw, nullptr, nullptr, nullptr, 0, INT},
    {"LITE_BINARY_TO_CHAR", "LITE_BINARY_TO_CHAR", 1, 1, R::varchar2, fn_binary_to_char, nullptr,
     nullptr, nullptr, 0, INT},
    {"LITE_BINARY_FLOAT_TO_CHAR", "LITE_BINARY_FLOAT_TO_CHAR", 1, 1, R::varchar2, fn_binary_to_char,
     nullptr, nullptr, nullptr, 1, INT},
    {"LITE_TS", "LITE_TS", 2, 3, R::timestamp, fn_ts, nullptr, nullptr, nullptr, 0, INT},
    {"LITE_FIT_NUMBER", "LITE_FIT_NUMBER", 4, 4, R::number, fn_fit_number, nullptr, nullptr,
     nullptr, 0, INT},
    {"LITE_FIT_TEXT", "LITE_FIT_TEXT", 4, 5, R::arg0, fn_fit_text, nullptr, nullptr, nullptr, 0,
     INT},
    {"LITE_FIT_RAW", "LITE_FIT_RAW", 3, 3, R::raw, fn_fit_raw, nullptr, nullptr, nullptr, 0, INT},
    {"LITE_RAISE", "LITE_RAISE", 2, 2, R::number, fn_raise, nullptr, nullptr, nullptr, 0,
     INT | VOL},
    {"LITE_SEQ", "LITE_SEQ", 3, 3, R::number, fn_seq, nullptr, nullptr, nullptr, 0,
     INT | VOL | SES},
    {"LITE_ONE", "LITE_ONE", 1, 1, R::arg0, one_step, one_final, nullptr, nullptr, 0, INT | AGG},
};

thread_local std::optional<lite_error> t_pending;

}  // namespace

const lite_function_sig* lite_find_function(std::string_view name) {
    for (const lite_function_sig& f : k_functions) {
        if (name == f.name) return &f;
    }
    return nullptr;
}

const lite_function_sig* lite_find_sqlite_function(std::string_view name) {
    for (const lite_function_sig& f : k_functions) {
        if (strcasecmp(std::string(name).c_str(), f.sqlite_name) == 0) return &f;
    }
    return nullptr;
}

int lite_function_variant(sqlite3_context* ctx) {
    const void* d = sqlite3_user_data(ctx);
    return d ? *static_cast<const int*>(d) : 0;
}

void lite_function_fail(sqlite3_context* ctx, int code, const std::string& text) {
    t_pending.emplace(code, text);
    sqlite3_result_error(ctx, t_pending->what(), -1);
}

std::optional<lite_error> lite_take_function_error() {
    std::optional<lite_error> e;
    e.swap(t_pending);
    return e;
}

void lite_clear_function_error() {
    t_pending.reset();
}

void lite_register_functions(sqlite3* db, lite_session* session) {
    for (const lite_function_sig& f : k_functions) {
        if (!f.scalar) continue;
        int flags = SQLITE_UTF8 | ((f.flags & k_fn_volatile) ? 0 : SQLITE_DETERMINISTIC);
        void* data =
            (f.flags & k_fn_session) ? static_cast<void*>(session) : const_cast<int*>(&f.variant);
        // One registration per accepted count, so SQLite itself refuses other counts and no
        // implementation reads an argument it was not given.
        int from = f.max_args < 0 ? -1 : f.min_args;
        int to = f.max_args < 0 ? -1 : f.max_args;
        // value, separator, mode, filler, then key and order pairs
        if (std::strcmp(f.sqlite_name, "LITE_LISTAGG") == 0) from = to = -1;
        for (int n = from; n <= to; ++n) {
            if (f.final && f.value) {
                sqlite3_create_window_function(db, f.sqlite_name, n, flags, data, f.scalar, f.final,
                                               f.value, f.inverse, nullptr);
            } else if (f.final) {
                sqlite3_create_function_v2(db, f.sqlite_name, n, flags, data, nullptr, f.scalar,
                                           f.final, nullptr);
            } else {
                sqlite3_create_function_v2(db, f.sqlite_name, n, flags, data, f.scalar, nullptr,
                                           nullptr, nullptr);
            }
        }
    }
}

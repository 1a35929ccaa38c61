// The implementations behind the signatures of lite_function_table.h, by domain: dates
// (lite_date_functions.cpp), numbers and their masks (lite_number_format.cpp), NUMBER arithmetic
// (lite_number_functions.cpp), the checks of stored values (lite_store_functions.cpp), text, raw
// and LOB values (lite_text_functions.cpp).
// Only the function table refers to them.
//
// Thread-safety: each runs on the thread of the statement that calls it.
#ifndef TW_PLATFORM_ORALITE_LITE_FUNCTION_IMPLS_H
#define TW_PLATFORM_ORALITE_LITE_FUNCTION_IMPLS_H

struct sqlite3_context;
struct sqlite3_value;

namespace lite_fn {

#define LITE_FN(name) void name(sqlite3_context* ctx, int argc, sqlite3_value** v)

// Dates.
LITE_FN(fn_arith);
LITE_FN(fn_sysdate);
LITE_FN(fn_systimestamp);
LITE_FN(fn_to_date);
LITE_FN(fn_trunc);
LITE_FN(fn_add_months);
LITE_FN(fn_months_between);
LITE_FN(fn_extract);
LITE_FN(fn_ts);
// Numbers and their masks.
LITE_FN(fn_to_char);
LITE_FN(fn_binary_to_char);
LITE_FN(fn_to_number);
// NUMBER arithmetic, comparison and aggregation (lite_number_functions.cpp).
LITE_FN(fn_mod);
LITE_FN(fn_div);
LITE_FN(fn_mul);
LITE_FN(fn_neg);
LITE_FN(fn_round);
LITE_FN(fn_num_unary);
LITE_FN(fn_power);
LITE_FN(fn_num_math);
LITE_FN(fn_log);
LITE_FN(fn_cmp);
LITE_FN(fn_numkey);
LITE_FN(fn_greatest_least_number);
LITE_FN(fn_decode_number);
LITE_FN(sum_step);
LITE_FN(sum_inverse);
void sum_value(sqlite3_context* ctx);
void sum_final(sqlite3_context* ctx);
void avg_value(sqlite3_context* ctx);
void avg_final(sqlite3_context* ctx);
LITE_FN(extreme_step);
LITE_FN(extreme_window_step);
LITE_FN(extreme_inverse);
void extreme_value(sqlite3_context* ctx);
void extreme_final(sqlite3_context* ctx);
// What a column accepts.
LITE_FN(fn_fit_number);
LITE_FN(fn_fit_text);
LITE_FN(fn_fit_raw);
// Text, raw and LOB values.
LITE_FN(fn_nvl);
LITE_FN(fn_nvl2);
LITE_FN(fn_decode);
LITE_FN(fn_concat);
LITE_FN(fn_cat);
LITE_FN(fn_greatest_least);
LITE_FN(fn_chr);
LITE_FN(fn_empty_clob);
LITE_FN(fn_empty_blob);
LITE_FN(fn_cast_to_raw);
LITE_FN(fn_hextoraw);
LITE_FN(fn_rawtohex);
LITE_FN(fn_substr);
LITE_FN(fn_pad);
LITE_FN(fn_initcap);
LITE_FN(fn_seq);
LITE_FN(fn_length);
LITE_FN(fn_instr);
LITE_FN(fn_replace);
LITE_FN(fn_ltrim_rtrim);
LITE_FN(fn_trim);
LITE_FN(fn_to_raw);
LITE_FN(fn_to_clob);
LITE_FN(fn_lob_length);
LITE_FN(fn_lob_substr);
LITE_FN(fn_raw_to_text);
LITE_FN(fn_raise);
LITE_FN(one_step);
void one_final(sqlite3_context* ctx);
LITE_FN(listagg_step);
LITE_FN(listagg_inverse);
void listagg_final(sqlite3_context* ctx);
void listagg_value(sqlite3_context* ctx);

#undef LITE_FN

}  // namespace lite_fn

#endif

// A NUMBER's stored forms and its exact value: a column holds a NUMBER as a 64-bit integer when
// it is one, as a double when a double keeps every digit (15 or fewer), else as its exact text.
// The engine's number functions read any of these forms (and text, which Oracle converts to a
// NUMBER) into a lite_decimal and store their results back in the same forms.
//
// Thread-safety: pure functions of their arguments; failures go to the calling statement.
#ifndef TW_PLATFORM_ORALITE_LITE_NUMBER_VALUE_H
#define TW_PLATFORM_ORALITE_LITE_NUMBER_VALUE_H

#include "functions/lite_decimal.h"

struct sqlite3_context;
struct sqlite3_value;

namespace lite_fn {

// The exact value of a non-NULL argument, rounded to a NUMBER's digits. A double counts as the
// 15-digit number it was stored for. Fails the call with ORA-01722 for text that is no number
// (and a binary value), ORA-01426 for an infinite double; false then.
bool decimal_arg(sqlite3_context* ctx, sqlite3_value* v, lite_decimal& out);
// True for an integer or a double, or text that reads as a number.
bool numeric_value(sqlite3_value* v);
// Rounds d to a NUMBER's digits and sets it as the result in its stored form; ORA-01426 when
// it is out of a NUMBER's range.
void result_decimal(sqlite3_context* ctx, lite_decimal d);
// a + b or a - b of two non-NULL values that are no dates.
void number_sum(sqlite3_context* ctx, sqlite3_value* a, sqlite3_value* b, bool subtract);
// ROUND or TRUNC of a number to argv[1] digits (0 when argc is 1).
void number_round(sqlite3_context* ctx, int argc, sqlite3_value** v, bool truncate);
// -1, 0 or 1 comparing two non-NULL values as NUMBERs; false when one is no number (the call
// has failed then).
bool compare_numbers(sqlite3_context* ctx, sqlite3_value* a, sqlite3_value* b, int& out);

}  // namespace lite_fn

#endif

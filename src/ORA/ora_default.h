// ora_default: a column default as the Oracle dictionary gives it (the DATA_DEFAULT text, kept as
// it was typed), read into the value a destination can write.  A constant arrives as its value;
// anything else (a sequence, a function, an expression over columns) keeps its text and says it
// is an expression, so that the destination decides what it can do with it and never writes a
// value the source would not have produced.
// Every function is pure and may be called from any thread, except that ora_date_constant reads
// the run's ora_date_processor (the run's thread only).
#pragma once

#include <optional>
#include <string>

#include "variant/ole_variant.h"

struct ora_default {
    // The constant's value, the expression's text, or empty (no default, or DEFAULT NULL).
    ole_variant value;
    bool expression = false;
};

// The value of a constant numeric expression: numbers (exponents included), unary signs,
// + - * / and parentheses.  Nothing for any other text, and for a division by zero.
std::optional<double> ora_eval_constant(const std::wstring& text);

// True for a default that draws from a sequence (an identity column's default included).
bool ora_is_sequence_default(const std::wstring& text);

// True for the functions that give the current date and time (SYSDATE, SYSTIMESTAMP,
// CURRENT_DATE, CURRENT_TIMESTAMP, LOCALTIMESTAMP, with or without a precision).
bool ora_is_current_time(const std::wstring& text);

// The ISO text (YYYY-MM-DD, with a time when given) of a date constant: a quoted literal,
// DATE '...', TIMESTAMP '...', or TO_DATE / TO_TIMESTAMP of a literal, in an ISO form or in the
// DD-MON-YYYY form (which needs the run's ora_date_processor); empty for anything else, a
// format this reader does not know included.
std::wstring ora_date_constant(const std::wstring& text);

// The body of a text that is one single-quoted literal ('it''s' gives it's); nothing when the
// text is not exactly one literal ('a' || 'b' is two).
std::optional<std::wstring> ora_unquote_literal(const std::wstring& text);

// Oracle's value texts for the embedded engine: canonical number text, date and timestamp text
// and TO_DATE/TO_CHAR masks. The SQL functions themselves are listed in lite_function_table.h.
//
// Thread-safety: pure functions.
#ifndef TW_PLATFORM_OCI_LITE_VALUE_TEXT_H
#define TW_PLATFORM_OCI_LITE_VALUE_TEXT_H

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/oci/lite_engine.h"

// Oracle's text of a number: no exponent below 1e40, no leading zero (".5", "-.5"), at most 15
// significant digits for doubles.
std::string lite_number_text(double v);
// Writes an integer's decimal text into buf (at least 24 bytes); returns its length.
size_t lite_int_text(int64_t v, char* buf);
// Rewrites a numeric text the way Oracle prints it ("0.50" -> ".5", "007" -> "7"); a text that
// is not a plain decimal number is returned unchanged.
std::string lite_canonical_number(std::string_view text);

// Parses 'YYYY-MM-DD[ HH:MM:SS[.f...]][ +HH:MM]' (also with 'T'); false when not a date.
bool lite_parse_iso(std::string_view text, lite_datetime& out);
// 'YYYY-MM-DD HH:MM:SS', with digits > 0 the fraction to that many digits, and ' +HH:MM' when
// the value carries a non-zero time-zone offset.
std::string lite_iso_text(const lite_datetime& v, int fraction_digits);
// Parses text by an Oracle date mask (DD-MON-YYYY HH24:MI:SS.FF ...); false when it does not fit.
bool lite_parse_masked(std::string_view text, std::string_view mask, lite_datetime& out);
// Formats a date by an Oracle date mask.
std::string lite_format_masked(const lite_datetime& v, std::string_view mask);

#endif

// Name and text helpers of the Oracle side: catalogue names with and without quotes, the text of
// view definitions, literals spliced into dictionary statements, and the UTF-16 text that OCI
// speaks in this process.
//
// Every function is pure (apart from its trace lines) and may be called from any thread.
#pragma once

#include <cstddef>
#include <string>
#include <utility>

class ole_variant;
class t_ftd;

// The name with every double quote removed; never fails.
std::wstring ora_simplify_name(const std::wstring& name);

// Splits OWNER.TABLE (or "OWNER"."TABLE") into (schema, table); a name without a separator gives
// an empty schema and the unquoted name. Never fails.
std::pair<std::wstring, std::wstring> ora_split_name(const std::wstring& name);

// The text with its "--" comments removed (quoted literals are left alone); never fails.
std::wstring remove_comments(const std::wstring& text);

// The text as the body of a single-quoted SQL literal: every single quote doubled, so a name such
// as O'HARA selects exactly itself in a dictionary filter. Never fails.
std::wstring ora_quote_literal(const std::wstring& text);

// The variant type that a NUMBER(precision, scale) column is read as, and the precision of the
// DECIMAL(precision, scale) it becomes: raised by one when it equals a non-zero scale, to the
// scale when below it, by the rounded digits of a negative scale. Integers of 19 digits or more
// are decimals. `int64_numbers` is the engine's setting for unbounded numbers.
int get_refined_num_type(int& precision, int scale, bool int64_numbers);

// The Oracle column type for a column description, with sizes ("NUMBER(10,2)", "RAW(16)") or
// without; a variant type without an Oracle form raises tk_mail_assertion("ora_util", 199).
std::wstring get_ora_native_type(const t_ftd& field, bool with_sizes);

// The text without blanks, tabs and line ends at both ends (the dictionary keeps a default as it
// was typed, line end included).
std::wstring ora_trim(const std::wstring& text);

// The OCI external type a value of the column's variant type is bound as (0: not bindable).
int get_ora_type(const t_ftd& field);
// True for the variant types bound as a 4-byte integer.
bool ora_binds_as_int(int vartype);
// Fraction-of-second digits a date column declares (0: a DATE, to the second).
int ora_fraction_digits(const t_ftd& field);
// The bind length in bytes for the column; 0 for a column sent as a LOB (text or binary of size 0
// or above 2000) and for types that are not bound.
int get_ora_len(const t_ftd& field);

// Wide text as UTF-16 code units (characters outside the BMP become surrogate pairs).
std::u16string ora_to_utf16(const std::wstring& text);
// UTF-16 code units (at most `count`, stopping at a NUL) as wide text; unpaired surrogates become
// U+FFFD.
std::wstring ora_from_utf16(const char16_t* text, std::size_t count);
// The same into `out`, reusing its storage (the per-cell form).
void ora_from_utf16(const char16_t* text, std::size_t count, std::wstring& out);
// Exactly `count` code units into `out`, zero characters included (a fetched length's form);
// true when a surrogate stood without its other half.
bool ora_from_utf16_counted(const char16_t* text, std::size_t count, std::wstring& out);
// Wide text as UTF-8 (invalid code points become U+FFFD).
std::string ora_to_utf8(const std::wstring& text);
// The UTF-16 units of UTF-8 text: one for each character, two for one beyond the BMP.
std::size_t ora_utf16_units(const char* bytes, std::size_t count);
// The length of the zero-terminated text in a buffer of `capacity` bytes (all of it when no zero
// is found).
std::size_t ora_text_length(const char* text, std::size_t capacity);
// UTF-8 bytes as wide text; malformed sequences become U+FFFD instead of failing.
std::wstring ora_from_utf8(const char* bytes, std::size_t count);
// The same into `out`, reusing its storage (the per-cell form).  Two surrogates each written as
// a character of its own become the one character they form; true when the text held a
// surrogate without its other half (put in as U+FFFD).
bool ora_from_utf8(const char* bytes, std::size_t count, std::wstring& out);
// Well-formed UTF-8 bytes as the VT_BSTR of `value` (written in place, without a trace line);
// false, with `value` to be assigned anew, when a sequence is malformed.
bool ora_decode_utf8(const char* bytes, std::size_t count, ole_variant& value);

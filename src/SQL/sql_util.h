// The MySQL dialect of the system: column descriptions to MySQL column types, typed values to SQL
// literal text, column defaults to DEFAULT values, cells returned by the client library to
// values, and MySQL type names back to variant types.  Every SQL writer of the MySQL side (live
// tables, CREATE TABLE clauses, the dump file) goes through these functions; none builds such
// text itself.
//
// Safety: names are quoted with every backtick doubled; quoted texts have backslashes, quotes and
// zero characters escaped; a value is written bare only when it is a well-formed number or hex
// literal, so no value or name can end a literal or a statement early.
//
// The functions keep no state; they read the registered sql_engine's version word and flags
// (tk_mail_assertion when no engine exists).  Null arguments are internal errors.  Thread-safety:
// as the engine, the conversion thread only.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "SQL/sql_literal_facts.h"
#include "platform/oleaut/oleaut.h"

class ole_variant;
class t_ftd;
class udb_properties;

// The MySQL type of a column: with its parameters ("VARCHAR(20)") or, bare, the name alone.
// A variant type without a MySQL column type raises tk_mail_assertion("sql_util", 495).
std::wstring get_sql_native_type(const t_ftd& column, bool bare);
// The type name of a mapped column with its parameters: "(size)" after VARCHAR, CHAR, VARBINARY
// and BINARY, "(precision,scale)" after DECIMAL, nothing after any other name.
std::wstring make_type_size_suffix(const std::wstring& type, int size, int precision, int scale);
// The name between backticks, any backtick inside doubled; a name over 64 characters is cut to
// its first 63 first.
std::wstring quote_mysql_name(const std::wstring& name);
// The name bare when it is only letters, digits, '_' and '$' (servers before 4.1 write names so),
// otherwise quoted as quote_mysql_name does.
std::wstring mysql_name_for_old_server(const std::wstring& name);
// The variant type of a MySQL type name picked in the type mapping (binary types give VT_BLOB,
// names it does not know VT_BSTR); size is written only when the name gives one.
VARTYPE get_vartype_by_sql_type(const std::wstring& type, unsigned int& size);
// The name of a type number of sql_type_names, or "<Unknown type>".
std::wstring get_sql_type_name(int number);

// SQL literal of a text that holds a value of type vt ("NULL", a quoted and escaped text, a bare
// number or hex literal).  Never raises beyond allocation.
std::string to_mysql_str(const std::string& text, VARTYPE vt);
std::wstring to_mysql_wstr(const std::wstring& text, VARTYPE vt);
// SQL literal of a value; a byte array gives 0x... ('' when empty, an empty value and not a
// missing one); a text goes out whole, zero characters included.  UTF-8.
std::string to_mysql_str(const ole_variant& value);
// The UTF-8 literal of one cell of an INSERT value list, with the NULL and not-null default
// rules of the column.  Null arguments raise tk_mail_assertion("sql_util", 984 / 985); a text
// with a character outside the Basic Multilingual Plane raises tk_exception (level 0, naming the
// column) when the destination only has the 3-byte utf8.
std::string get_fld_append_str(const ole_variant* value, const t_ftd* column);
// The same literal appended to `out`, the way the statement writers build their rows.  On an
// exception `out` may hold part of the literal: the caller cuts it back.
void append_fld_str(std::string& out, const ole_variant* value, const t_ftd* column);
// The same, telling in `facts` what the literal holds where its rendering knows it.
void append_fld_str(std::string& out, const ole_variant* value, const t_ftd* column,
                    sql_literal_facts& facts);
// True when the literal append_fld_str gives is "0x" and the hex digits of `count` bytes from
// `bytes` (a byte array into a binary column, not empty): a writer may then write the digits
// itself, piece by piece, and spare holding the whole text.
bool hex_literal_bytes(const ole_variant& value, const t_ftd& column, const std::uint8_t*& bytes,
                       std::size_t& count);
// The two upper-case hex digits of each of `count` bytes, into `out` (2 * count chars).
void write_hex_digits(char* out, const std::uint8_t* bytes, std::size_t count);
// True when a record's field name is the column name the writer expects, exactly. The writers
// check this for every cell of every row, and names are short: inline, it costs a few
// comparisons where a call into the library's wide compare cost more than the rest of the check.
inline bool same_field_name(const std::wstring& a, const std::wstring& b) noexcept {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (a[i] != b[i]) return false;
    return true;
}
// The value of a column's DEFAULT clause, empty when the column gets none.  A null column raises
// tk_mail_assertion("sql_util", 54).
std::wstring make_mysql_def_val(const t_ftd* column);

// Variant type of a result column from its MySQL field type code and flags.
VARTYPE get_vartype_by_mysql_field_type(int type_code, unsigned int flags);
// A value of type vt parsed from the text of a cell (UTF-8 for the narrow form); raises the
// conversion errors of ole_variant when the text does not parse.
ole_variant get_variant(VARTYPE vt, const std::string& text);
ole_variant get_variant(VARTYPE vt, const std::wstring& text);
// The value of one result cell (null cell: an empty value).  Binary cells take exactly `length`
// bytes, zero bytes included.
ole_variant get_variant(int type_code, unsigned long length, unsigned int flags, const char* cell);
ole_variant get_variant(int type_code, unsigned long length, unsigned int flags,
                        const wchar_t* cell);

// The text with a backslash before every backslash and single quote and with zero characters,
// line breaks and Ctrl-Z written as escapes: safe between single quotes and through a replay.
std::wstring sql_escape_text(const std::wstring& text);
// The value of a key of a property object; empty when there is no object or no such key.
std::wstring sql_property(udb_properties* properties, const wchar_t* key);

// True when the text is a plain decimal number: sign, digits, one point, exponent.
bool sql_is_number_literal(const std::string& text);

// How an Oracle object name is spelt in SQLite. Oracle tells quoted names apart by case ("emp"
// and EMP are two tables), SQLite compares identifiers without regard to ASCII case. A name's
// SQLite spelling therefore marks each lower-case ASCII letter with a double quote before it, a
// character no Oracle name holds: names without lower-case letters, all unquoted ones among
// them, are spelt as they are, and two names that differ only in case never meet in SQLite.
//
// Thread-safety: pure functions.
#ifndef TW_PLATFORM_ORALITE_LITE_NAMES_H
#define TW_PLATFORM_ORALITE_LITE_NAMES_H

#include <string>
#include <string_view>

// The SQLite identifier for an Oracle name, unquoted (for binding, as pragma arguments take it).
std::string lite_sqlite_ident(std::string_view oracle_name);
// The SQLite identifier for an Oracle name, quoted for SQL text.
std::string lite_sqlite_name(std::string_view oracle_name);
// The Oracle name a SQLite identifier stands for (a column name SQLite reports, a table name
// in its messages).
std::string lite_oracle_name(std::string_view sqlite_ident);

#endif

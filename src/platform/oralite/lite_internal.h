// Internal seams of the embedded engine: the Oracle-to-SQLite translator, the DDL executor and
// the mapping of SQLite failures to Oracle errors. Not for use outside the engine.
//
// Thread-safety: as lite_engine.h; everything acts on one session's connection.
#ifndef TW_PLATFORM_ORALITE_LITE_INTERNAL_H
#define TW_PLATFORM_ORALITE_LITE_INTERNAL_H

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "sql/lite_ast.h"
#include "lite_engine.h"
#include "sql/lite_lexer.h"

class lite_schema;
struct lite_table_column;

// The SQLite form of one Oracle statement and what the statement's users need to know of it.
struct lite_translation {
    std::string sql;
    lite_statement::kind kind = lite_statement::kind::other;
    std::string verb;            // first keyword, upper-case
    std::string returning_bind;  // RETURNING ROWID INTO :x -> "X"
    // FOR UPDATE: the table whose rows the query locks; its rowid is the query's last column.
    std::string update_owner, update_table;
    bool hidden_rowid = false;
    // The statement calls a function that reads or changes session state (a sequence): its rows
    // must be evaluated when the client fetches them, never ahead.
    bool uses_session_state = false;
    std::shared_ptr<const lite_query> tree;  // queries: what the describe reads types from
};

// Translates a query or DML statement; DDL and other statements come back with their kind and
// the text untouched. Raises lite_error (ORA-00900, 00904, 00933, 00936, ...) on text it cannot
// read. `schema`, when given, lets DML convert values to what their target columns hold.
lite_translation lite_translate(const std::string& oracle_sql, const std::string& user,
                                lite_schema* schema = nullptr);
// Translates a condition or expression (CHECK conditions, column defaults, index expressions).
// `columns`, when given, are those of the one table the text reads, so that its CHAR columns
// compare as Oracle compares them.
std::string lite_translate_condition(std::string_view oracle_text, const std::string& user,
                                     const std::vector<lite_table_column>* columns = nullptr);
// Translates a query given as text (view definitions); `schema` tells the types of the tables
// it reads, as a statement's translation has them.
std::string lite_translate_query(std::string_view oracle_text, const std::string& user,
                                 lite_schema* schema = nullptr);
// The first keyword of a statement, upper-case; "" when it starts with anything else.
std::string lite_statement_verb(std::string_view oracle_sql);

// Runs one DDL statement (CREATE/ALTER/DROP/COMMENT/TRUNCATE ...) for the session.
void lite_run_ddl(lite_session& s, const std::string& oracle_sql);

// The Oracle error for the last failure on db: an error a function raised comes as it was
// raised; SQLite's own failures map by their extended result code. The session, when given,
// names the violated constraint.
lite_error lite_sqlite_error(sqlite3* db, lite_session* s = nullptr);

#endif

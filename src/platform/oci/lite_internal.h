// Internal seams of the embedded engine: the Oracle-to-SQLite translator, the DDL executor and
// the mapping of SQLite failures to Oracle errors. Not for use outside src/platform/oci.
//
// Thread-safety: as lite_engine.h; everything acts on one session's connection.
#ifndef TW_PLATFORM_OCI_LITE_INTERNAL_H
#define TW_PLATFORM_OCI_LITE_INTERNAL_H

#include <string>
#include <vector>

#include "platform/oci/lite_engine.h"
#include "platform/oci/lite_lexer.h"

// The SQLite form of one Oracle statement.
struct lite_translation {
    std::string sql;
    lite_statement::kind kind = lite_statement::kind::other;
    std::string verb;                         // first keyword, upper-case
    std::string returning_bind;               // RETURNING ROWID INTO :x -> "X"
    std::vector<std::string> item_functions;  // per top-level select item: leading function
};

// Translates a query or DML statement; DDL comes back with kind ddl and the text untouched.
// Raises lite_error (ORA-00900/00933) on text it cannot read.
lite_translation lite_translate(const std::string& oracle_sql, const std::string& user);
// Translates an expression or sub-query given as tokens [b, e) (CHECK conditions, defaults,
// view queries).
std::string lite_translate_tokens(const std::vector<lite_token>& t, size_t b, size_t e,
                                  const std::string& user);

// Runs one DDL statement (CREATE/ALTER/DROP/COMMENT/TRUNCATE ...) for the session.
void lite_run_ddl(lite_session& s, const std::string& oracle_sql);

// Turns a SQLite error text into the Oracle error a server would give. The session, when given,
// names the violated constraint.
lite_error lite_map_error(const std::string& sqlite_msg, lite_session* s = nullptr);

#endif

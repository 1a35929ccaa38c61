// The embedded engine's data dictionary: the tables that hold what SQLite cannot (Oracle types,
// constraints, comments, sequences, view texts, users), the per-session Oracle dictionary views
// over them, and the mapping from a column's Oracle type to what a client's describe reports.
//
// Thread-safety: functions act on the connection they are given; one thread per connection.
#ifndef TW_PLATFORM_ORALITE_LITE_DICTIONARY_H
#define TW_PLATFORM_ORALITE_LITE_DICTIONARY_H

#include <cstdint>
#include <optional>
#include <string>

#include "lite_engine.h"

// Schema name under which a session attaches the dictionary.
inline constexpr const char* k_lite_dict = "LITE$DICT";

// One column's Oracle type as the dictionary stores it.
struct lite_coltype {
    std::string data_type;         // VARCHAR2, NUMBER, TIMESTAMP(6) WITH TIME ZONE, ...
    int64_t data_length = 0;       // bytes
    std::optional<int> precision;  // NULL when absent
    std::optional<int> scale;      // NULL when absent
    int64_t char_length = 0;       // characters for text types, else 0
    std::string char_used;         // "B", "C" or "" for non-text
};

// Creates the dictionary tables in schema `schema` of db (an empty database); raises lite_error.
void lite_dictionary_create(sqlite3* db, const std::string& schema);
// Creates the session's TEMP dictionary views and DUAL for `user`; raises lite_error.
void lite_dictionary_session_views(sqlite3* db, const std::string& user);

// Records the columns of `view`, just made in the session's schema from `query`, as a describe
// reports them; a view that does not compile gets none. Raises lite_error when the dictionary
// refuses.
void lite_dictionary_record_view(lite_session& s, const std::string& view,
                                 const std::string& query);
// Removes the recorded columns of owner.view.
void lite_dictionary_forget_view(sqlite3* db, const std::string& owner, const std::string& view);

// What a describe reports for a column of this Oracle type.
lite_column lite_describe_coltype(const std::string& name, const lite_coltype& t, bool nullable);
// The dictionary's form of what a describe reports (lite_describe_coltype the other way).
lite_coltype lite_coltype_of(const lite_column& c);
// Parses a declared type of a dictionary column ("VARCHAR2(128)", "NUMBER", "LONGTEXT").
lite_coltype lite_coltype_from_decl(const std::string& decl);
// The SQLite column affinity word used to store an Oracle type.
const char* lite_affinity_for(const lite_coltype& t);

// Runs SQL that returns nothing on db; raises lite_error with the SQLite text on failure.
void lite_exec(sqlite3* db, const std::string& sql);

#endif

// The DDL statements as plain data, between the parser (lite_ddl_parser) and the executor
// (lite_ddl_exec.cpp). They hold what the text says and nothing the dictionary knows, so a
// statement can be read and checked without a database.
//
// `deferred` carries a syntax error met after the point where the executor consults the
// dictionary: the executor raises it after those checks, so a statement that is both malformed
// and aimed at a wrong object reports the same error as when parsing and execution were one pass.
//
// Thread-safety: plain values.
#ifndef TW_PLATFORM_ORALITE_LITE_DDL_TYPES_H
#define TW_PLATFORM_ORALITE_LITE_DDL_TYPES_H

#include <cstdint>
#include <exception>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "ddl/lite_dictionary.h"

struct lite_ddl_column {
    std::string name;
    lite_coltype type;
    std::string default_text;  // as written
    bool identity = false;
    std::string identity_generation = "ALWAYS";  // ALWAYS, BY DEFAULT or BY DEFAULT ON NULL
    int64_t identity_start = 1, identity_inc = 1;
    bool identity_limit_value = false;  // START WITH LIMIT VALUE: past the highest value held
    bool drop_identity = false;
    bool explicit_null = false;  // NULL written: MODIFY drops the column's NOT NULL
};

struct lite_ddl_constraint {
    std::string name;
    char type = 'C';  // P U R C
    std::vector<std::string> columns;
    std::string r_owner, r_table;
    std::vector<std::string> r_columns;
    std::string delete_rule = "NO ACTION";
    std::string condition;  // CHECK text as written
    bool not_null = false;
    bool enabled = true;
    bool validate = true;
    bool validate_written = false;  // VALIDATE or NOVALIDATE written; else it follows ENABLE
    bool deferrable = false;
    bool initially_deferred = false;
};

struct lite_create_table {
    std::string owner, table;
    bool temporary = false;
    bool index_organized = false;
    std::vector<lite_ddl_column> columns;
    std::vector<lite_ddl_constraint> constraints;  // inline ones first, in the order written
    std::exception_ptr deferred;                   // raised once the name is known to be free
};

struct lite_alter_table {
    enum class action {
        add,                // columns and constraints
        modify_constraint,  // MODIFY CONSTRAINT name [ENABLE|DISABLE]
        modify_columns,
        change_status,  // ENABLE/DISABLE {PRIMARY KEY | CONSTRAINT name}
        drop_constraint,
        drop_primary_key,
        drop_columns,
        ignored,  // an option without effect here: a warning only
    };
    // One MODIFY item: the column as respecified and its inline constraints.
    struct modification {
        lite_ddl_column column;
        std::vector<lite_ddl_constraint> constraints;
    };

    std::string owner, table;
    action kind = action::ignored;
    std::vector<lite_ddl_column> columns;          // add
    std::vector<lite_ddl_constraint> constraints;  // add
    std::vector<modification> modifications;       // modify_columns, in the order written
    std::string constraint;         // modify_constraint, change_status, drop_constraint
    bool enable = true;             // modify_constraint, change_status
    std::optional<bool> validate;   // modify_constraint, change_status: VALIDATE/NOVALIDATE
    bool primary_key = false;       // change_status on the primary key
    std::vector<std::string> drop;  // drop_columns
    std::string ignored_word;       // ignored: the first word of the option
    // Raised once the table is known to exist; for modify_columns after the items read before it
    // are applied, since each item used to be applied as soon as it was read.
    std::exception_ptr deferred;
};

struct lite_create_index {
    // One key as written: a column name, or the text of an expression.
    struct key {
        std::string text;
        bool expression = false;
        std::string direction = "ASC";  // ASC or DESC as written
    };

    std::string owner, index;
    std::string table_owner, table;
    bool unique = false;
    bool bitmap = false;
    std::vector<key> keys;
    // Raised once the table exists, the name is free and the keys read before it name columns of
    // the table, since each key used to be checked as soon as it was read.
    std::exception_ptr deferred;
};

struct lite_create_sequence {
    std::string owner, sequence;
    int64_t increment = 1;
    std::optional<int64_t> start;
    std::optional<std::string> min_value, max_value;  // exact text: bounds may pass 64 bits
    bool cycle = false;
    int64_t cache = 20;
    std::exception_ptr deferred;  // raised once the name is known to be free
};

struct lite_create_view {
    std::string owner, view;
    bool replace = false;
    std::vector<std::string> columns;  // the column list written after the name, if any
    std::string text;                  // everything after AS, as the dictionary keeps it
    std::string query;                 // the query alone, without WITH READ ONLY/CHECK OPTION
};

// CREATE MATERIALIZED VIEW: a table filled with the query's rows once, at creation; refreshing is
// not done here, so the refresh clauses are only recorded.
struct lite_create_mview {
    std::string owner, name;
    std::vector<std::string> columns;      // the column list written after the name, if any
    std::string query;                     // everything after AS, as the dictionary keeps it
    std::string build_mode = "IMMEDIATE";  // IMMEDIATE, DEFERRED or PREBUILT
    std::string refresh_method = "FORCE";  // FORCE, FAST, COMPLETE or NEVER
    std::string refresh_mode = "DEMAND";   // DEMAND, COMMIT, STATEMENT or NEVER
    bool updatable = false;                // FOR UPDATE
    bool rewrite = false;                  // ENABLE QUERY REWRITE
    std::exception_ptr deferred;           // raised once the name is known to be free
};

struct lite_comment {
    enum class kind { table, column, ignored };
    kind on = kind::ignored;
    std::string owner, table;  // the table or view commented on
    std::string column;        // kind::column only
    std::string text;          // '' removes the comment
};

struct lite_drop {
    enum class kind { table, view, mview, index, sequence, trigger, source, synonym, ignored };
    kind object = kind::ignored;
    std::string owner, name;   // owner PUBLIC for DROP PUBLIC SYNONYM
    bool cascade = false;      // DROP TABLE ... CASCADE CONSTRAINTS
    std::string ignored_word;  // kind::ignored: the word after DROP
};

// CREATE USER and ALTER USER share their clauses.
struct lite_user_ddl {
    // A clause with an effect on the dictionary, in the order written.
    struct clause {
        enum class kind { password, quota, lock };
        kind what = kind::password;
        std::string password;  // kind::password: '' for a user identified externally
        std::string tablespace;
        int64_t bytes = -1;  // kind::quota: -1 stands for unlimited
        bool lock = false;   // kind::lock
    };

    std::string user;
    bool creating = false;  // CREATE USER, else ALTER USER
    std::vector<clause> clauses;
    std::exception_ptr deferred;  // raised after the clauses read before it are applied
};

struct lite_create_trigger {
    std::string owner, name;
    bool replace = false;
    std::string timing;  // BEFORE, AFTER or INSTEAD OF
    std::string events;  // INSERT OR UPDATE ...
    std::string table_owner, table;
    bool row = false;       // FOR EACH ROW
    bool plain_new = true;  // :NEW is not renamed by REFERENCING
    std::string when;       // the WHEN condition as written, "" when absent
    std::string body;       // from the first word after the header to the end
    std::string source;     // the whole statement, for the stored source
    // The table is checked between the two halves of the header: a syntax error before its name
    // (table_read false) comes first, one after it only once the table is known to exist.
    bool table_read = false;
    std::exception_ptr deferred;
};

// CREATE PROCEDURE/FUNCTION/PACKAGE/TYPE/LIBRARY: kept as text, never run.
struct lite_store_source {
    std::string type;  // the keyword as written in the statement's kind
    std::string owner, name;
    std::string source;  // the whole statement
};

struct lite_truncate {
    std::string owner, table;
};

// CREATE [OR REPLACE] [PUBLIC] SYNONYM.
struct lite_create_synonym {
    std::string owner, name;  // owner PUBLIC for a public synonym
    bool replace = false;
    std::string target_owner, target;
    std::string db_link;  // FOR object@link: kept, though no link leads anywhere here
};

// GRANT and REVOKE. Privileges on an object are kept; system privileges and roles are kept only
// for the grantee's view of the dictionary.
struct lite_grant {
    bool revoke = false;
    std::vector<std::string> privileges;  // SELECT, INSERT, ... (ALL PRIVILEGES as ALL)
    bool on_object = false;               // an ON clause was written
    std::string owner, object;
    std::vector<std::string> grantees;  // users and PUBLIC
    bool grant_option = false;
};

// A statement accepted without effect; it leaves only this warning.
struct lite_ignored_ddl {
    std::string warning;
};

using lite_ddl_statement =
    std::variant<lite_create_table, lite_alter_table, lite_create_index, lite_create_sequence,
                 lite_create_view, lite_create_mview, lite_comment, lite_drop, lite_user_ddl,
                 lite_create_trigger, lite_store_source, lite_truncate, lite_ignored_ddl,
                 lite_create_synonym, lite_grant>;

#endif

// Oracle DDL over SQLite, one statement at a time. The dictionary is the truth: every statement
// first changes the dictionary rows, then the SQLite table is (re)built from them, because
// SQLite cannot add a NOT NULL, CHECK or primary key to an existing table. A rebuild copies the
// rows, so adding a constraint to a filled table also validates it, as Oracle does.
//
// The statement is read whole first (lite_ddl_parser); errors the parser held back are raised by
// the executor, after the dictionary checks that used to precede them. Each statement kind has
// its own source file; this header is what they share, not for use outside the executor.
//
// Thread-safety: one executor per statement, on the session's thread.
#ifndef TW_PLATFORM_ORALITE_LITE_DDL_EXEC_H
#define TW_PLATFORM_ORALITE_LITE_DDL_EXEC_H

#include <sqlite3.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "ddl/lite_ddl_types.h"
#include "ddl/lite_dictionary_store.h"
#include "lite_internal.h"

struct lite_ddl_executor {
    lite_session& s;
    sqlite3* db;
    lite_dictionary_store dict;

    explicit lite_ddl_executor(lite_session& session)
        : s(session), db(session.db()), dict(session.db()) {}

    // Parses and runs one statement.
    void run(const std::string& sql);
    // Foreign keys are enforced row by row with SQLite triggers, rebuilt from the dictionary
    // after every DDL of the schema.
    void sync_fk_triggers();

    // ---- one per statement kind
    void exec(lite_create_table st);
    void exec(const lite_alter_table& st);
    void exec(const lite_create_index& st);
    void exec(const lite_create_sequence& st);
    void exec(const lite_create_view& st);
    void exec(const lite_create_mview& st);
    void exec(const lite_comment& st);
    void exec(const lite_drop& st);
    void exec(const lite_user_ddl& st);
    void exec(const lite_create_trigger& st);
    void exec(const lite_store_source& st);
    void exec(const lite_truncate& st);
    void exec(const lite_ignored_ddl& st);
    void exec(const lite_create_synonym& st);
    void exec(const lite_grant& st);

    // ---- shared by several kinds
    // A new SYS_Cnnnnnnn name.
    std::string sys_name();
    // How SQL on this connection names the schema of `owner`.
    std::string qualified(const std::string& owner) const;
    void need_table(const std::string& owner, const std::string& table);
    // NULLABLE follows the enabled NOT NULL and primary-key constraints of the column.
    void set_nullable(const std::string& owner, const std::string& table, const std::string& col);
    // Records a column; an identity column gets its sequence.
    void insert_column(const std::string& owner, const std::string& table, const lite_ddl_column& c,
                       int64_t id);
    // Creates the sequence behind an identity column; returns the column's default text.
    std::string identity_sequence(const std::string& owner, const lite_ddl_column& c);
    // Index of the table whose keys are exactly `cols` in the directions `desc` gives (ASC
    // for each key when it is empty), or "".
    std::string index_on(const std::string& owner, const std::string& table,
                         const std::vector<std::string>& cols,
                         const std::vector<std::string>& desc = {});
    // Records a constraint in the dictionary; the table is rebuilt by the caller.
    void add_constraint(const std::string& owner, const std::string& table, lite_ddl_constraint c,
                        bool check_data);
    void check_foreign_key(const std::string& owner, const std::string& table,
                           const lite_ddl_constraint& c);
    // The constraint a failed rebuild complains about: the one added last, else the table.
    std::string last_constraint(const std::string& owner, const std::string& table);

    // ---- the SQLite table and its indexes, rebuilt from the dictionary
    bool compiles(const std::string& sql);
    void build_table(const std::string& owner, const std::string& table, bool existed);
    void create_sqlite_index(const std::string& owner, const std::string& iname,
                             const std::string& table, bool unique, const std::string& itype);
    // Rebuild errors read as the validation errors Oracle gives for the constraint at hand.
    void rebuild_validating(const std::string& owner, const std::string& table,
                            const std::string& cname);
    // The dictionary rows of an index and its SQLite index.
    void drop_index(const std::string& owner, const std::string& iname);

    // ---- ALTER TABLE
    void modify_column(const std::string& owner, const std::string& table, const lite_ddl_column& c,
                       const std::vector<lite_ddl_constraint>& cons);
    void change_status(const std::string& owner, const std::string& table, const std::string& cname,
                       bool enable, std::optional<bool> validate = std::nullopt);
    void drop_constraint(const std::string& owner, const std::string& table,
                         const std::string& cname);
    void drop_column(const std::string& owner, const std::string& table, const std::string& col);

    // ---- materialized views
    void drop_mview(const std::string& owner, const std::string& name);

    // ---- users
    void create_user(const lite_user_ddl& st);
    void alter_user(const lite_user_ddl& st);
    void apply_user_clauses(const lite_user_ddl& st);

    // ---- synonyms and privileges
    void drop_synonym(const std::string& owner, const std::string& name);
    void grant_on_object(const lite_grant& st);

    // ---- comments
    void comment_view(const std::string& owner, const std::string& v, const std::string& col,
                      const std::string& text);
};

// The options of an identity column's sequence, as Oracle's dictionary lists them.
std::string lite_identity_options(const lite_ddl_column& c);
// The sequence an identity column's default draws from, "" when the text names none.
std::string lite_identity_sequence_name(const std::string& default_text);

#endif

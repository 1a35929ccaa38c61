// The rows of the dictionary tables that DDL reads and writes, one named operation per question
// or change. Names and values always travel as bound parameters; only the dictionary's own
// schema name is part of the statement texts. Each operation prepares, runs and finalizes its
// statements before it returns, so none is left open on the connection when DDL drops or alters a
// SQLite table.
//
// Thread-safety: one thread per connection, as the connection it is given.
#ifndef TW_PLATFORM_ORALITE_LITE_DICTIONARY_STORE_H
#define TW_PLATFORM_ORALITE_LITE_DICTIONARY_STORE_H

#include <sqlite3.h>

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "ddl/lite_dictionary.h"
#include "ddl/lite_schema.h"

// A column as a SQLite table is built from it.
struct lite_dict_build_column {
    std::string name;
    std::string data_type;
    std::optional<int> precision;
    std::optional<std::string> default_text;
    bool not_null = false;
    int64_t data_length = 0, char_length = 0;
    bool in_characters = false;  // CHAR_USED 'C'
};

// A constraint row as written to CONSTRAINTS.
struct lite_dict_constraint_row {
    std::string owner, name;
    char type = 'C';
    std::string table;
    std::string condition;  // '' when none
    std::string r_owner, r_constraint, delete_rule;
    bool enabled = true;
    bool validated = true;
    bool deferrable = false, deferred = false;
    bool generated = false;
    std::string index_name;
    int evaluable = 0;  // 2: a NOT NULL check; 1: a check SQLite evaluates; 0: neither
};

// What a statement naming a constraint of a table needs to know of it.
struct lite_dict_constraint_info {
    std::string type;  // P, U, R or C
    std::string r_owner, r_constraint;
    std::string index_name;
};

// An enabled foreign key whose parent lies in the same schema.
struct lite_dict_foreign_key {
    std::string name, table, r_constraint, delete_rule;
};

struct lite_dict_index {
    std::string name;
    bool unique = false;
    std::string type;  // NORMAL, FUNCTION-BASED NORMAL, IOT - TOP, ...
};

struct lite_dict_trigger_row {
    std::string owner, name;
    std::string type, events;
    std::string table_owner, table;
    std::string when;  // '' when absent
    std::string body;
    bool fires = false;
};

struct lite_dict_synonym {
    std::string owner, name;  // owner PUBLIC for a public synonym
    std::string target_owner, target;
    std::string db_link;  // '' when none
};

class lite_dictionary_store {
public:
    explicit lite_dictionary_store(sqlite3* db) : db_(db) {}

    // ---- names
    bool table_exists(const std::string& owner, const std::string& table);
    bool view_exists(const std::string& owner, const std::string& view);
    bool index_exists(const std::string& owner, const std::string& index);
    bool constraint_exists(const std::string& owner, const std::string& name);
    bool trigger_exists(const std::string& owner, const std::string& name);
    bool user_exists(const std::string& user);
    // Whether a table, view, sequence or stored unit of the schema's one namespace holds `name`.
    bool name_in_use(const std::string& owner, const std::string& name);
    // The next number of the instance's SYS_Cnnnnnnn names, counted up at each call.
    int64_t next_system_number();

    // ---- tables and columns
    void insert_table(const std::string& owner, const std::string& table, bool index_organized,
                      bool temporary);
    // False when there is no such table.
    bool set_table_comment(const std::string& owner, const std::string& table,
                           const std::string& text);
    // Every row of the table and of what belongs to it: columns, constraints, indexes, triggers.
    void forget_table(const std::string& owner, const std::string& table);
    std::vector<std::string> column_names(const std::string& owner, const std::string& table);
    // The columns with their types, for the conditions and index expressions that read them.
    std::vector<lite_table_column> typed_columns(const std::string& owner,
                                                 const std::string& table);
    std::vector<lite_dict_build_column> build_columns(const std::string& owner,
                                                      const std::string& table);
    void insert_column(const std::string& owner, const std::string& table, const std::string& name,
                       int64_t id, const lite_coltype& type, const std::string& default_text,
                       bool identity);
    void set_column_type(const std::string& owner, const std::string& table,
                         const std::string& column, const lite_coltype& type);
    void set_column_default(const std::string& owner, const std::string& table,
                            const std::string& column, const std::string& text);
    void set_column_nullable(const std::string& owner, const std::string& table,
                             const std::string& column, bool nullable);
    void set_column_id(const std::string& owner, const std::string& table,
                       const std::string& column, int64_t id);
    // False when the table has no such column.
    bool set_column_comment(const std::string& owner, const std::string& table,
                            const std::string& column, const std::string& text);
    // False when the table has no such column.
    bool delete_column(const std::string& owner, const std::string& table,
                       const std::string& column);
    // The default of an identity column (its sequence's NEXTVAL), absent for other columns.
    std::optional<std::string> identity_default(const std::string& owner, const std::string& table,
                                                const std::string& column);
    // The defaults of every identity column of the table.
    std::vector<std::string> identity_defaults(const std::string& owner, const std::string& table);
    void make_identity(const std::string& owner, const std::string& table,
                       const std::string& column, const std::string& default_text);
    void drop_identity(const std::string& owner, const std::string& table,
                       const std::string& column);
    // How an identity column is filled (ALWAYS, BY DEFAULT, BY DEFAULT ON NULL) and its
    // sequence's options as Oracle lists them.
    void set_identity_kind(const std::string& owner, const std::string& table,
                           const std::string& column, const std::string& generation,
                           const std::string& options);

    // ---- constraints
    void insert_constraint(const lite_dict_constraint_row& c,
                           const std::vector<std::string>& columns);
    // Removes a constraint and its column rows.
    void forget_constraint(const std::string& owner, const std::string& name);
    // Name of the table's primary key, or "" when it has none.
    std::string primary_key(const std::string& owner, const std::string& table);
    // Name and type (P or U) of each primary and unique key of a table, primary first.
    std::vector<std::pair<std::string, std::string>> table_keys(const std::string& owner,
                                                                const std::string& table);
    std::vector<std::string> key_columns(const std::string& owner, const std::string& name);
    // The constraint `name` of `table`, absent when the table has none of that name.
    std::optional<lite_dict_constraint_info> table_constraint(const std::string& owner,
                                                              const std::string& table,
                                                              const std::string& name);
    // The type (P, U, R, C) of a constraint, "" when there is none of that name.
    std::string constraint_type(const std::string& owner, const std::string& name);
    // The table a constraint belongs to, "" when there is none of that name.
    std::string constraint_table(const std::string& owner, const std::string& name);
    // VALIDATED follows the status unless `validated` says otherwise.
    void set_constraint_status(const std::string& owner, const std::string& name, bool enabled,
                               std::optional<bool> validated = std::nullopt);
    // Keeps a check in the dictionary only, once SQLite cannot evaluate it.
    void mark_not_evaluable(const std::string& owner, const std::string& name);
    // The constraint added last to a table, or "" when it has none.
    std::string last_constraint(const std::string& owner, const std::string& table);
    // Whether an enabled primary key or NOT NULL constraint holds the column.
    bool column_held_not_null(const std::string& owner, const std::string& table,
                              const std::string& column);
    // Whether a NOT NULL constraint, enabled or not, is on the column.
    bool column_has_not_null(const std::string& owner, const std::string& table,
                             const std::string& column);
    // Name and type of each primary key and NOT NULL constraint on the column.
    std::vector<std::pair<std::string, std::string>> not_null_keys(const std::string& owner,
                                                                   const std::string& table,
                                                                   const std::string& column);
    // Name and condition of each enabled check SQLite evaluates.
    std::vector<std::pair<std::string, std::string>> evaluable_checks(const std::string& owner,
                                                                      const std::string& table);
    // Names of the enabled checks SQLite evaluates that were enabled NOVALIDATE: the rows held
    // before are not checked against them.
    std::vector<std::string> unvalidated_checks(const std::string& owner, const std::string& table);
    std::vector<std::string> constraints_on_column(const std::string& owner,
                                                   const std::string& table,
                                                   const std::string& column);
    // Owner and name of the foreign keys of other tables whose parent key is on this table.
    std::vector<std::pair<std::string, std::string>> foreign_keys_into(const std::string& owner,
                                                                       const std::string& table);
    std::vector<lite_dict_foreign_key> local_foreign_keys(const std::string& owner);
    bool index_enforces_constraint(const std::string& owner, const std::string& index);

    // ---- indexes
    void insert_index(const std::string& owner, const std::string& name, const std::string& table,
                      bool unique, bool generated, const std::vector<std::string>& columns,
                      const std::vector<std::string>& descend, const std::string& type);
    // Removes an index and its column rows.
    void forget_index(const std::string& owner, const std::string& name);
    std::vector<lite_dict_index> table_indexes(const std::string& owner, const std::string& table);
    std::vector<std::string> index_columns(const std::string& owner, const std::string& name);
    // Column text (a name or an expression) and ASC/DESC of each key of an index, in order.
    std::vector<std::pair<std::string, std::string>> index_keys(const std::string& owner,
                                                                const std::string& name);
    std::vector<std::string> indexes_on_column(const std::string& owner, const std::string& table,
                                               const std::string& column);
    // The index of an index-organized table's primary key becomes the table itself.
    void mark_primary_key_iot(const std::string& owner, const std::string& table);

    // ---- sequences
    void insert_sequence(const std::string& owner, const std::string& name,
                         const std::string& min_value, const std::string& max_value,
                         int64_t increment, bool cycle, int64_t cache, int64_t last_number);
    // False when there is no such sequence.
    bool forget_sequence(const std::string& owner, const std::string& name);
    void restart_sequence(const std::string& owner, const std::string& name, int64_t increment,
                          int64_t last_number);

    // ---- views
    void insert_view(const std::string& owner, const std::string& view, const std::string& text,
                     const std::string& status);
    // The view's row alone: a replaced view keeps its comments. False when there is none.
    bool delete_view(const std::string& owner, const std::string& view);
    void forget_view_comments(const std::string& owner, const std::string& view);
    // column '' comments on the view itself.
    void set_view_comment(const std::string& owner, const std::string& view,
                          const std::string& column, const std::string& text);

    // ---- materialized views (their rows live in a table of the same name)
    void insert_mview(const std::string& owner, const std::string& name, const std::string& query,
                      const std::string& build_mode, const std::string& refresh_method,
                      const std::string& refresh_mode, bool updatable, bool rewrite);
    // The build mode (IMMEDIATE, DEFERRED, PREBUILT); absent when there is no such view.
    std::optional<std::string> mview_build_mode(const std::string& owner, const std::string& name);
    void forget_mview(const std::string& owner, const std::string& name);

    // ---- stored source and triggers
    void store_source(const std::string& owner, const std::string& name, const std::string& type,
                      const std::string& source);
    // Every unit of that name, whatever its type.
    void forget_source(const std::string& owner, const std::string& name);
    // Replaces a trigger of the same name; it counts as created last.
    void store_trigger(const lite_dict_trigger_row& t);
    // The trigger and its source.
    void forget_trigger(const std::string& owner, const std::string& name);

    // ---- users
    void insert_user(const std::string& user);
    // password '' stands for a user identified externally.
    void set_password(const std::string& user, const std::string& password);
    void set_quota(const std::string& user, const std::string& tablespace, int64_t bytes);
    void set_locked(const std::string& user, bool locked);

    // ---- synonyms and privileges
    // Whether owner.name is a table, view or sequence: the objects a synonym may stand for here.
    bool object_exists(const std::string& owner, const std::string& name);
    std::optional<lite_dict_synonym> synonym(const std::string& owner, const std::string& name);
    // Replaces a synonym of the same owner and name.
    void store_synonym(const lite_dict_synonym& y);
    // False when there is no such synonym.
    bool forget_synonym(const std::string& owner, const std::string& name);
    void grant_object(const std::string& grantee, const std::string& owner,
                      const std::string& object, const std::string& grantor,
                      const std::string& privilege, bool grantable);
    // False when the grantee held no such privilege.
    bool revoke_object(const std::string& grantee, const std::string& owner,
                       const std::string& object, const std::string& privilege);
    // Every privilege granted on the object (it is being dropped).
    void forget_grants(const std::string& owner, const std::string& object);
    // The privileges `user` holds on the object, directly or through PUBLIC.
    std::vector<std::string> object_privileges(const std::string& user, const std::string& owner,
                                               const std::string& object);
    // A system privilege or a role.
    void grant_system(const std::string& grantee, const std::string& privilege);
    // False when the grantee held no such privilege or role.
    bool revoke_system(const std::string& grantee, const std::string& privilege);
    // Whether `user` holds one of `privileges` (system privileges or roles), directly or through
    // PUBLIC.
    bool holds_system(const std::string& user, const std::vector<std::string>& privileges);

private:
    sqlite3* db_;
    // Rows the last write statement on the connection changed.
    bool changed() const { return sqlite3_changes(db_) != 0; }
};

#endif

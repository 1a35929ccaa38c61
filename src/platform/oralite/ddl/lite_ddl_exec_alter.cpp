// ALTER TABLE: columns added, modified and dropped, constraints added, enabled, disabled and
// dropped. Each change is made in the dictionary, then the table is rebuilt from it.
#include <algorithm>

#include "ddl/lite_ddl_exec.h"
#include "ddl/lite_ddl_parser.h"
#include "lite_errors.h"
#include "lite_names.h"
#include "lite_sqlite_stmt.h"

void lite_ddl_executor::exec(const lite_alter_table& st) {
    using action = lite_alter_table::action;
    const std::string& owner = st.owner;
    const std::string& table = st.table;
    need_table(owner, table);
    if (st.deferred && st.kind != action::modify_columns) std::rethrow_exception(st.deferred);
    switch (st.kind) {
        case action::add: {
            std::vector<std::string> have = dict.column_names(owner, table);
            int64_t id = static_cast<int64_t>(have.size()) + 1;
            for (auto& c : st.columns) {
                if (std::find(have.begin(), have.end(), c.name) != have.end()) {
                    throw lite_error(ora_err::column_exists,
                                     "column being added already exists in table");
                }
                insert_column(owner, table, c, id++);
            }
            for (auto& c : st.constraints) add_constraint(owner, table, c, true);
            rebuild_validating(owner, table, last_constraint(owner, table));
            return;
        }
        case action::modify_constraint:
            return change_status(owner, table, st.constraint, st.enable, st.validate);
        case action::modify_columns:
            for (auto& m : st.modifications) {
                modify_column(owner, table, m.column, m.constraints);
            }
            if (st.deferred) std::rethrow_exception(st.deferred);
            rebuild_validating(owner, table, last_constraint(owner, table));
            return;
        case action::change_status: {
            if (!st.primary_key)
                return change_status(owner, table, st.constraint, st.enable, st.validate);
            std::string pk = dict.primary_key(owner, table);
            if (pk.empty())
                throw lite_error(ora_err::primary_key_not_defined,
                                 "cannot enable primary key - primary key not defined for table");
            return change_status(owner, table, pk, st.enable, st.validate);
        }
        case action::drop_constraint:
            drop_constraint(owner, table, st.constraint);
            break;
        case action::drop_primary_key: {
            std::string pk = dict.primary_key(owner, table);
            if (pk.empty())
                throw lite_error(ora_err::no_primary_key_to_drop,
                                 "Cannot drop nonexistent primary key");
            drop_constraint(owner, table, pk);
            break;
        }
        case action::drop_columns:
            for (auto& c : st.drop) drop_column(owner, table, c);
            break;
        case action::ignored:
            s.add_warning("ALTER TABLE option ignored: " + st.ignored_word);
            return;
    }
    build_table(owner, table, true);
}

void lite_ddl_executor::modify_column(const std::string& owner, const std::string& table,
                                      const lite_ddl_column& c,
                                      const std::vector<lite_ddl_constraint>& cons) {
    lite_ddl_parser::need_column(dict.column_names(owner, table), c.name);
    if (!c.type.data_type.empty()) dict.set_column_type(owner, table, c.name, c.type);
    if (!c.default_text.empty()) dict.set_column_default(owner, table, c.name, c.default_text);
    if (c.explicit_null) {
        std::vector<std::string> not_nulls;
        for (const auto& [name, type] : dict.not_null_keys(owner, table, c.name)) {
            if (type == "P")
                throw lite_error(ora_err::cannot_modify_to_null,
                                 "column to be modified to NULL cannot be modified to NULL");
            not_nulls.push_back(name);
        }
        if (not_nulls.empty())
            throw lite_error(ora_err::cannot_modify_to_null,
                             "column to be modified to NULL cannot be modified to NULL");
        for (const std::string& n : not_nulls) dict.forget_constraint(owner, n);
        set_nullable(owner, table, c.name);
    }
    std::vector<lite_ddl_constraint> all = cons;
    std::string old_sequence =
        lite_identity_sequence_name(dict.identity_default(owner, table, c.name).value_or(""));
    if (c.drop_identity) {
        if (old_sequence.empty()) {
            throw lite_error(ora_err::not_identity_column,
                             "column to be modified is not an identity column");
        }
        dict.drop_identity(owner, table, c.name);
        dict.forget_sequence(owner, old_sequence);
    }
    if (c.identity) {
        lite_ddl_column id = c;
        if (c.identity_limit_value) {
            // Rows loaded with their keys first: numbering goes on after the highest.
            lite_stmt m(db, "SELECT max(" + lite_sqlite_name(c.name) + ") FROM " +
                                qualified(owner) + "." + lite_sqlite_name(table));
            id.identity_start = m.row() && !m.is_null(0) ? m.i64(0) + id.identity_inc : 1;
        }
        if (!old_sequence.empty()) {
            dict.restart_sequence(owner, old_sequence, id.identity_inc, id.identity_start);
        } else {
            dict.make_identity(owner, table, c.name, identity_sequence(owner, id));
        }
        dict.set_identity_kind(owner, table, c.name, c.identity_generation,
                               lite_identity_options(id));
        all.push_back(lite_ddl_parser::not_null_of(c.name));
    }
    for (auto& k : all) {
        if (k.not_null && dict.column_has_not_null(owner, table, c.name)) continue;
        add_constraint(owner, table, k, true);
    }
}

void lite_ddl_executor::change_status(const std::string& owner, const std::string& table,
                                      const std::string& cname, bool enable,
                                      std::optional<bool> validate) {
    std::optional<lite_dict_constraint_info> con = dict.table_constraint(owner, table, cname);
    if (!con)
        throw lite_error(ora_err::no_such_constraint,
                         "cannot disable constraint (" + cname + ") - no such constraint");
    // NOVALIDATE leaves the rows already there unchecked.
    if (enable && con->type == "R" && validate.value_or(true)) {
        lite_ddl_constraint c;
        c.name = cname;
        c.columns = dict.key_columns(owner, cname);
        c.r_owner = con->r_owner;
        c.r_columns = dict.key_columns(c.r_owner, con->r_constraint);
        c.r_table = dict.constraint_table(c.r_owner, con->r_constraint);
        check_foreign_key(owner, table, c);
    }
    dict.set_constraint_status(owner, cname, enable, validate);
    for (const std::string& col : dict.key_columns(owner, cname)) set_nullable(owner, table, col);
    if (con->type == "C" || con->type == "P") rebuild_validating(owner, table, cname);
}

void lite_ddl_executor::drop_constraint(const std::string& owner, const std::string& table,
                                        const std::string& cname) {
    std::optional<lite_dict_constraint_info> con = dict.table_constraint(owner, table, cname);
    if (!con)
        throw lite_error(ora_err::no_constraint_to_drop,
                         "Cannot drop constraint - nonexistent constraint");
    std::vector<std::string> cols = dict.key_columns(owner, cname);
    dict.forget_constraint(owner, cname);
    if (con->index_name == cname) drop_index(owner, con->index_name);
    for (const std::string& col : cols) set_nullable(owner, table, col);
    build_table(owner, table, true);
}

void lite_ddl_executor::drop_column(const std::string& owner, const std::string& table,
                                    const std::string& col) {
    if (!dict.delete_column(owner, table, col))
        throw lite_error(ora_err::invalid_identifier,
                         lite_quote_name(col) + ": invalid identifier");
    std::vector<std::string> left = dict.column_names(owner, table);
    for (size_t k = 0; k < left.size(); ++k)
        dict.set_column_id(owner, table, left[k], static_cast<int64_t>(k) + 1);
    for (const std::string& n : dict.constraints_on_column(owner, table, col))
        dict.forget_constraint(owner, n);
    for (const std::string& n : dict.indexes_on_column(owner, table, col)) drop_index(owner, n);
}

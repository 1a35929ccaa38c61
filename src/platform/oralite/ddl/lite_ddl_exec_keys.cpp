// Constraints and indexes: their dictionary rows, the checks Oracle makes before it accepts one,
// and the SQLite triggers that hold foreign keys row by row.
#include <algorithm>

#include "ddl/lite_access.h"
#include "ddl/lite_ddl_exec.h"
#include "ddl/lite_ddl_parser.h"
#include "lite_errors.h"
#include "lite_names.h"
#include "lite_sqlite_stmt.h"

std::string lite_ddl_executor::index_on(const std::string& owner, const std::string& table,
                                        const std::vector<std::string>& cols,
                                        const std::vector<std::string>& desc) {
    for (const lite_dict_index& ix : dict.table_indexes(owner, table)) {
        const std::vector<std::pair<std::string, std::string>> keys =
            dict.index_keys(owner, ix.name);
        bool same = keys.size() == cols.size();
        for (size_t k = 0; same && k < keys.size(); ++k) {
            same = keys[k].first == cols[k] &&
                   keys[k].second == (k < desc.size() ? desc[k] : std::string("ASC"));
        }
        if (same) return ix.name;
    }
    return {};
}

void lite_ddl_executor::add_constraint(const std::string& owner, const std::string& table,
                                       lite_ddl_constraint c, bool check_data) {
    bool generated = c.name.empty();
    if (generated) c.name = sys_name();
    if (dict.constraint_exists(owner, c.name))
        throw lite_error(ora_err::constraint_name_in_use,
                         "name already used by an existing constraint");
    std::vector<std::string> have = dict.column_names(owner, table);
    for (const std::string& col : c.columns) lite_ddl_parser::need_column(have, col);
    std::string index_name, r_name;
    int evaluable = c.not_null ? 2 : c.type == 'C' ? 1 : 0;
    if (c.type == 'P' || c.type == 'U') {
        for (auto& [kn, kt] : dict.table_keys(owner, table)) {
            if (c.type == 'P' && kt == "P")
                throw lite_error(ora_err::one_primary_key_only,
                                 "table can have only one primary key");
            if (dict.key_columns(owner, kn) == c.columns) {
                throw lite_error(ora_err::key_exists,
                                 "such unique or primary key already exists in the table");
            }
        }
        index_name = index_on(owner, table, c.columns);
        if (index_name.empty()) {
            if (dict.index_exists(owner, c.name))
                throw lite_error(ora_err::name_in_use,
                                 "name is already used by an existing object");
            index_name = c.name;
            dict.insert_index(owner, c.name, table, true, generated, c.columns, {}, "NORMAL");
        }
    } else if (c.type == 'R') {
        lite_need_privilege(db, s.user(), c.r_owner, c.r_table, "REFERENCES");
        need_table(c.r_owner, c.r_table);
        auto keys = dict.table_keys(c.r_owner, c.r_table);
        if (c.r_columns.empty()) {
            for (auto& [kn, kt] : keys) {
                if (kt == "P") c.r_columns = dict.key_columns(c.r_owner, kn);
            }
            if (c.r_columns.empty()) {
                throw lite_error(ora_err::no_referenced_primary_key,
                                 "referenced table does not have a primary key");
            }
        }
        if (c.r_columns.size() != c.columns.size()) {
            throw lite_error(ora_err::referencing_columns_mismatch,
                             "number of referencing columns must match referenced columns");
        }
        for (auto& [kn, kt] : keys) {
            if (dict.key_columns(c.r_owner, kn) == c.r_columns) r_name = kn;
        }
        if (r_name.empty()) {
            throw lite_error(ora_err::no_matching_key,
                             "no matching unique or primary key for this column-list");
        }
        if (c.enabled && c.validate && check_data) check_foreign_key(owner, table, c);
    }
    lite_dict_constraint_row row;
    row.owner = owner;
    row.name = c.name;
    row.type = c.type;
    row.table = table;
    row.condition = c.condition;
    if (c.type == 'R') {
        row.r_owner = c.r_owner;
        row.delete_rule = c.delete_rule;
    }
    row.r_constraint = r_name;
    row.enabled = c.enabled;
    row.validated = c.validate_written ? c.validate : c.enabled;
    row.deferrable = c.deferrable;
    row.deferred = c.initially_deferred;
    row.generated = generated;
    row.index_name = index_name;
    row.evaluable = evaluable;
    std::vector<std::string> cols = c.columns;
    if (c.type == 'C' && !c.not_null) {
        // A check lists the columns its condition mentions.
        cols.clear();
        for (const lite_token& k : lite_tokenize(c.condition)) {
            if ((k.kind == lite_token::ident || k.kind == lite_token::quoted) &&
                std::find(have.begin(), have.end(), k.text) != have.end() &&
                std::find(cols.begin(), cols.end(), k.text) == cols.end()) {
                cols.push_back(k.text);
            }
        }
    }
    dict.insert_constraint(row, cols);
    if (c.type == 'P' || c.not_null) {
        for (const std::string& col : c.columns) set_nullable(owner, table, col);
    }
}

void lite_ddl_executor::check_foreign_key(const std::string& owner, const std::string& table,
                                          const lite_ddl_constraint& c) {
    std::string cond, match;
    for (size_t k = 0; k < c.columns.size(); ++k) {
        if (k) {
            cond += " AND ";
            match += " AND ";
        }
        cond += "c." + lite_sqlite_name(c.columns[k]) + " IS NOT NULL";
        match += "p." + lite_sqlite_name(c.r_columns[k]) + " = c." + lite_sqlite_name(c.columns[k]);
    }
    lite_stmt q(db, "SELECT 1 FROM " + qualified(owner) + "." + lite_sqlite_name(table) +
                        " c WHERE " + cond + " AND NOT EXISTS (SELECT 1 FROM " +
                        qualified(c.r_owner) + "." + lite_sqlite_name(c.r_table) + " p WHERE " +
                        match + ") LIMIT 1");
    if (q.row()) {
        throw lite_error(ora_err::parent_keys_not_found,
                         "cannot validate (" + owner + "." + c.name + ") - parent keys not found");
    }
}

void lite_ddl_executor::exec(const lite_create_index& st) {
    const std::string& owner = st.owner;
    const std::string& iname = st.index;
    const std::string& towner = st.table_owner;
    const std::string& table = st.table;
    need_table(towner, table);
    if (dict.index_exists(owner, iname))
        throw lite_error(ora_err::name_in_use, "name is already used by an existing object");
    std::vector<std::string> have = dict.column_names(towner, table);
    std::vector<std::string> cols, desc;
    bool expression = false;
    for (const auto& k : st.keys) {
        if (k.expression) {
            expression = true;
        } else {
            lite_ddl_parser::need_column(have, k.text);
        }
        cols.push_back(k.text);
        desc.push_back(k.direction);
    }
    if (st.deferred) std::rethrow_exception(st.deferred);
    if (!index_on(towner, table, cols, desc).empty()) {
        throw lite_error(ora_err::column_list_indexed, "such column list already indexed");
    }
    // DESC keys alone leave it NORMAL here: the dictionary views show such an index as Oracle
    // does, function-based.
    std::string type =
        std::string(expression ? "FUNCTION-BASED " : "") + (st.bitmap ? "BITMAP" : "NORMAL");
    dict.insert_index(owner, iname, table, st.unique, false, cols, desc, type);
    create_sqlite_index(owner, iname, table, st.unique, type);
}

// A parent in another schema is out of a trigger's reach, so such keys are checked only when
// added or enabled.
void lite_ddl_executor::sync_fk_triggers() {
    const std::string owner = s.user();
    std::vector<std::string> old;  // as SQLite spells them
    {
        lite_stmt q(db,
                    "SELECT name FROM main.sqlite_master WHERE type = 'trigger' AND "
                    "name LIKE 'LITE$FK$%'");
        old = q.strings();
    }
    for (const std::string& n : old)
        lite_exec(db, "DROP TRIGGER IF EXISTS main." + lite_quote_name(n));
    for (const lite_dict_foreign_key& k : dict.local_foreign_keys(owner)) {
        std::string parent = dict.constraint_table(owner, k.r_constraint);
        if (parent.empty()) continue;
        std::vector<std::string> cols = dict.key_columns(owner, k.name);
        std::vector<std::string> pcols = dict.key_columns(owner, k.r_constraint);
        if (cols.empty() || cols.size() != pcols.size()) continue;
        std::string who = owner + "." + k.name;
        std::string new_set, match_new, match_old, col_list, pcol_list, changed, set_null;
        for (size_t c = 0; c < cols.size(); ++c) {
            std::string cc = lite_sqlite_name(cols[c]), pc = lite_sqlite_name(pcols[c]);
            std::string sep = c ? " AND " : "";
            new_set += sep + "NEW." + cc + " IS NOT NULL";
            match_new += sep + pc + " = NEW." + cc;
            match_old += sep + cc + " = OLD." + pc;
            col_list += (c ? ", " : "") + cc;
            pcol_list += (c ? ", " : "") + pc;
            changed += (c ? " OR " : "") + std::string("NEW.") + pc + " IS NOT OLD." + pc;
            set_null += (c ? ", " : "") + cc + " = NULL";
        }
        std::string child_q = lite_sqlite_name(k.table), parent_q = lite_sqlite_name(parent);
        std::string base = "LITE$FK$" + k.name + "$";
        // The trigger raises the error as its number, through the session's function.
        std::string no_parent =
            std::to_string(ora_err::parent_key_not_found) + ", " +
            lite_quote_text("integrity constraint (" + who + ") violated - parent key not found");
        std::string has_child =
            std::to_string(ora_err::child_record_found) + ", " +
            lite_quote_text("integrity constraint (" + who + ") violated - child record found");
        std::string check = " WHEN " + new_set + " AND NOT EXISTS (SELECT 1 FROM " + parent_q +
                            " WHERE " + match_new + ") BEGIN SELECT LITE_RAISE(" + no_parent +
                            "); END";
        lite_exec(db, "CREATE TRIGGER main." + lite_sqlite_name(base + "I") + " BEFORE INSERT ON " +
                          child_q + check);
        lite_exec(db, "CREATE TRIGGER main." + lite_sqlite_name(base + "U") + " BEFORE UPDATE OF " +
                          col_list + " ON " + child_q + check);
        std::string children = "EXISTS (SELECT 1 FROM " + child_q + " WHERE " + match_old + ")";
        if (k.delete_rule == "CASCADE") {
            lite_exec(db, "CREATE TRIGGER main." + lite_sqlite_name(base + "D") +
                              " AFTER DELETE ON " + parent_q + " BEGIN DELETE FROM " + child_q +
                              " WHERE " + match_old + "; END");
        } else if (k.delete_rule == "SET NULL") {
            lite_exec(db, "CREATE TRIGGER main." + lite_sqlite_name(base + "D") +
                              " AFTER DELETE ON " + parent_q + " BEGIN UPDATE " + child_q +
                              " SET " + set_null + " WHERE " + match_old + "; END");
        } else {
            lite_exec(db, "CREATE TRIGGER main." + lite_sqlite_name(base + "D") +
                              " BEFORE DELETE ON " + parent_q + " WHEN " + children +
                              " BEGIN SELECT LITE_RAISE(" + has_child + "); END");
        }
        lite_exec(db, "CREATE TRIGGER main." + lite_sqlite_name(base + "P") + " BEFORE UPDATE OF " +
                          pcol_list + " ON " + parent_q + " WHEN (" + changed + ") AND " +
                          children + " BEGIN SELECT LITE_RAISE(" + has_child + "); END");
    }
}

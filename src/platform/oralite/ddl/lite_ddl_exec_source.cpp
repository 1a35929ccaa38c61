// What is kept as text: triggers (of which the engine runs the simplest shape), stored PL/SQL
// units, and comments on tables, views and columns.
#include <algorithm>

#include "ddl/lite_ddl_exec.h"
#include "ddl/lite_trigger.h"
#include "lite_errors.h"
#include "lite_names.h"
#include "lite_sqlite_stmt.h"

void lite_ddl_executor::exec(const lite_store_source& st) {
    dict.store_source(st.owner, st.name, st.type, st.source);
    s.add_warning(lite_upper(st.type) + " " + st.name +
                  " stored, not compiled: the engine runs no PL/SQL");
}

void lite_ddl_executor::exec(const lite_create_trigger& st) {
    const std::string& owner = st.owner;
    const std::string& n = st.name;
    if (!st.replace && dict.trigger_exists(owner, n))
        throw lite_error(ora_err::trigger_exists, "trigger '" + n + "' already exists");
    if (st.deferred && !st.table_read) std::rethrow_exception(st.deferred);
    need_table(st.table_owner, st.table);
    if (st.deferred) std::rethrow_exception(st.deferred);
    bool fires = st.timing == "BEFORE" && st.row && st.plain_new &&
                 st.events.find("INSERT") != std::string::npos;
    std::vector<std::pair<std::string, std::string>> sets;
    if (fires) fires = lite_parse_trigger_body(st.body, sets);
    if (fires) {
        std::vector<std::string> have = dict.column_names(st.table_owner, st.table);
        for (const auto& [c, e] : sets) {
            fires = fires && std::find(have.begin(), have.end(), c) != have.end();
        }
        try {
            if (!st.when.empty()) lite_translate_condition(st.when, s.user());
            for (const auto& [c, e] : sets) lite_translate_condition(e, s.user());
        } catch (const lite_error&) {
            fires = false;
        }
    }
    lite_dict_trigger_row row;
    row.owner = owner;
    row.name = n;
    row.type = st.timing + (st.row ? " EACH ROW" : " STATEMENT");
    row.events = st.events;
    row.table_owner = st.table_owner;
    row.table = st.table;
    row.when = st.when;
    row.body = st.body;
    row.fires = fires;
    dict.store_trigger(row);
    dict.store_source(owner, n, "TRIGGER", st.source);
    if (!fires) {
        s.add_warning("TRIGGER " + n + " stored, not compiled: the engine runs no PL/SQL");
    }
}

// A view's comment lives beside it; '' names the view itself. Views kept in the dictionary only
// take comments too, on any column, since their columns are not known.
void lite_ddl_executor::comment_view(const std::string& owner, const std::string& v,
                                     const std::string& col, const std::string& text) {
    if (!col.empty()) {
        lite_stmt k(db, "SELECT count(*), sum(name = ?2) FROM pragma_table_info(?1, 'main')");
        k.text(1, lite_sqlite_ident(v)).text(2, lite_sqlite_ident(col));
        if (k.row() && k.i64(0) > 0 && k.i64(1) == 0) {
            throw lite_error(ora_err::invalid_identifier,
                             lite_quote_name(col) + ": invalid identifier");
        }
    }
    dict.set_view_comment(owner, v, col, text);
}

void lite_ddl_executor::exec(const lite_comment& st) {
    using kind = lite_comment::kind;
    const std::string& owner = st.owner;
    const std::string& table = st.table;
    if (st.on == kind::table) {
        if (dict.set_table_comment(owner, table, st.text)) return;
        if (!dict.view_exists(owner, table))
            throw lite_error(ora_err::table_not_found, "table or view does not exist");
        comment_view(owner, table, "", st.text);
    } else if (st.on == kind::column) {
        if (!dict.table_exists(owner, table)) {
            if (!dict.view_exists(owner, table)) {
                throw lite_error(ora_err::table_not_found, "table or view does not exist");
            }
            return comment_view(owner, table, st.column, st.text);
        }
        if (!dict.set_column_comment(owner, table, st.column, st.text))
            throw lite_error(ora_err::invalid_identifier,
                             lite_quote_name(st.column) + ": invalid identifier");
    } else {
        s.add_warning("COMMENT ignored");
    }
}

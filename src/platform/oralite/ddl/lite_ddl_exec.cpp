#include "ddl/lite_ddl_exec.h"

#include <cstdio>
#include <utility>
#include <variant>

#include "ddl/lite_ddl_parser.h"
#include "lite_errors.h"
#include "lite_names.h"

void lite_ddl_executor::run(const std::string& sql) {
    lite_ddl_parser p(sql, s.user());
    std::visit([this](auto&& st) { exec(std::forward<decltype(st)>(st)); }, p.parse());
}

std::string lite_ddl_executor::sys_name() {
    char b[32];
    std::snprintf(b, sizeof b, "SYS_C%07lld", static_cast<long long>(dict.next_system_number()));
    return b;
}

std::string lite_ddl_executor::qualified(const std::string& owner) const {
    return owner == s.user() ? "main" : lite_quote_name(owner);
}

void lite_ddl_executor::need_table(const std::string& owner, const std::string& table) {
    if (!dict.table_exists(owner, table))
        throw lite_error(ora_err::table_not_found, "table or view does not exist");
}

void lite_ddl_executor::set_nullable(const std::string& owner, const std::string& table,
                                     const std::string& col) {
    dict.set_column_nullable(owner, table, col, !dict.column_held_not_null(owner, table, col));
}

std::string lite_ddl_executor::identity_sequence(const std::string& owner,
                                                 const lite_ddl_column& c) {
    std::string seq = "ISEQ$$_" + std::to_string(lite_ddl_parser::to_int(sys_name().substr(5)));
    dict.insert_sequence(owner, seq, "1", "9999999999999999999999999999", c.identity_inc, false, 20,
                         c.identity_start);
    return lite_quote_name(owner) + "." + lite_quote_name(seq) + ".nextval";
}

std::string lite_identity_options(const lite_ddl_column& c) {
    return "START WITH: " + std::to_string(c.identity_start) +
           ", INCREMENT BY: " + std::to_string(c.identity_inc) +
           ", MAX_VALUE: 9999999999999999999999999999, MIN_VALUE: 1, CYCLE_FLAG: N, "
           "CACHE_SIZE: 20, ORDER_FLAG: N, SCALE_FLAG: N, EXTEND_FLAG: N, SESSION_FLAG: N, "
           "KEEP_VALUE: N";
}

std::string lite_identity_sequence_name(const std::string& default_text) {
    std::vector<lite_token> dt = lite_tokenize(default_text);
    return dt.size() > 3 ? dt[2].text : std::string();
}

void lite_ddl_executor::insert_column(const std::string& owner, const std::string& table,
                                      const lite_ddl_column& c, int64_t id) {
    std::string def = c.identity ? identity_sequence(owner, c) : c.default_text;
    dict.insert_column(owner, table, c.name, id, c.type, def, c.identity);
    if (c.identity) {
        dict.set_identity_kind(owner, table, c.name, c.identity_generation,
                               lite_identity_options(c));
    }
}

std::string lite_ddl_executor::last_constraint(const std::string& owner, const std::string& table) {
    std::string name = dict.last_constraint(owner, table);
    return name.empty() ? table : name;
}

void lite_ddl_executor::exec(const lite_truncate& st) {
    need_table(st.owner, st.table);
    lite_exec(db, "DELETE FROM main." + lite_sqlite_name(st.table));
}

void lite_ddl_executor::exec(const lite_ignored_ddl& st) {
    s.add_warning(st.warning);
}

void lite_run_ddl(lite_session& s, const std::string& oracle_sql) {
    sqlite3* db = s.db();
    // The write lock is taken at once: a deferred start that first reads the dictionary cannot
    // wait for another process's DDL, SQLite refuses the upgrade to avoid a deadlock.
    lite_exec(db, "BEGIN IMMEDIATE");
    s.set_in_ddl(true);
    struct ddl_done {
        lite_session& s;
        ~ddl_done() { s.set_in_ddl(false); }
    } done{s};
    try {
        lite_ddl_executor d(s);
        d.run(oracle_sql);
        d.sync_fk_triggers();
        lite_exec(db, "COMMIT");
    } catch (...) {
        sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
        sqlite3_exec(db, "PRAGMA legacy_alter_table = OFF", nullptr, nullptr, nullptr);
        s.schema_changed();
        try {
            throw;
        } catch (const lite_error&) {
            throw;
        } catch (const std::exception& e) {
            throw lite_error(
                ora_err::internal_error,
                std::string("internal error code, arguments: [lite ddl], [") + e.what() + "]");
        }
    }
    s.schema_changed();
}

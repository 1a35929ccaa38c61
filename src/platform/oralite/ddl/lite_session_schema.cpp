#include "ddl/lite_session_schema.h"

#include <cstring>

#include "ddl/lite_access.h"
#include "lite_sqlite_stmt.h"
#include "lite_internal.h"

const std::vector<lite_table_column>* lite_session_schema::columns_of(const char* sql,
                                                                      const std::string& owner,
                                                                      const std::string& name,
                                                                      bool view) {
    auto& known = view ? views_ : tables_;
    auto key = std::make_pair(owner, name);
    auto it = known.find(key);
    if (it != known.end()) return it->second.get();
    lite_stmt s;
    if (!lite_stmt::try_prepare(session_.db(), sql, s)) return nullptr;
    s.text(1, owner).text(2, name);
    auto cols = std::make_unique<std::vector<lite_table_column>>();
    while (sqlite3_step(s.get()) == SQLITE_ROW) {
        lite_table_column c;
        c.name = s.col(0);
        c.type.data_type = s.col(1);
        c.type.data_length = s.i64(2);
        if (!s.is_null(3)) c.type.precision = static_cast<int>(s.i64(3));
        if (!s.is_null(4)) c.type.scale = static_cast<int>(s.i64(4));
        c.type.char_length = s.i64(5);
        c.type.char_used = s.col(6);
        c.default_text = s.col(7);
        c.identity = s.col(8);
        cols->push_back(std::move(c));
    }
    if (cols->empty()) {
        cols.reset();
        // A synonym's columns are those of its object; one that leads nowhere has none.
        std::optional<std::pair<std::string, std::string>> target;
        if (!view) {
            try {
                target =
                    lite_synonym_target(session_.db(), session_.user(),
                                        owner == session_.user() ? std::string() : owner, name);
            } catch (const lite_error&) {
            }
        }
        if (target) {
            const auto* found = table_columns(target->first, target->second);
            if (!found) found = view_columns(target->first, target->second);
            if (found) cols = std::make_unique<std::vector<lite_table_column>>(*found);
        }
    }
    const std::vector<lite_table_column>* r = cols.get();
    known.emplace(std::move(key), std::move(cols));
    return r;
}

const std::vector<lite_table_column>* lite_session_schema::table_columns(const std::string& owner,
                                                                         const std::string& table) {
    return columns_of(
        "SELECT COLUMN_NAME, DATA_TYPE, DATA_LENGTH, DATA_PRECISION, DATA_SCALE, CHAR_LENGTH, "
        "CHAR_USED, DATA_DEFAULT, CASE WHEN IDENTITY_COLUMN = 'YES' THEN "
        "COALESCE(IDENTITY_GENERATION, 'BY DEFAULT') END FROM \"LITE$DICT\".COLUMNS WHERE "
        "OWNER = ?1 AND TABLE_NAME = ?2 ORDER BY COLUMN_ID",
        owner, table, false);
}

const std::vector<lite_table_column>* lite_session_schema::view_columns(const std::string& owner,
                                                                        const std::string& view) {
    // An instance made before views recorded their columns has no table for them: nothing is
    // known then, as before.
    return columns_of(
        "SELECT COLUMN_NAME, DATA_TYPE, DATA_LENGTH, DATA_PRECISION, DATA_SCALE, CHAR_LENGTH, "
        "CHAR_USED, '', NULL FROM \"LITE$DICT\".VIEW_COLUMNS WHERE OWNER = ?1 AND VIEW_NAME = ?2 "
        "ORDER BY COLUMN_ID",
        owner, view, true);
}

const std::vector<lite_row_trigger>* lite_session_schema::insert_triggers(
    const std::string& owner, const std::string& table) {
    auto key = std::make_pair(owner, table);
    auto it = triggers_.find(key);
    if (it != triggers_.end()) return &it->second;
    std::vector<lite_row_trigger> found;
    lite_stmt s;
    const char* sql =
        "SELECT WHEN_CLAUSE, TRIGGER_BODY FROM \"LITE$DICT\".TRIGGERS WHERE TABLE_OWNER = ?1 AND "
        "TABLE_NAME = ?2 AND FIRES = 1 AND STATUS = 'ENABLED' ORDER BY CREATED_SEQ";
    // An instance that predates row triggers has no table for them: nothing fires.
    if (lite_stmt::try_prepare(session_.db(), sql, s)) {
        s.text(1, owner).text(2, table);
        while (sqlite3_step(s.get()) == SQLITE_ROW) {
            lite_row_trigger trig;
            trig.when = s.col(0);
            // A body that cannot be read raises; only a complete answer is remembered.
            if (lite_parse_trigger_body(s.col(1), trig.sets)) found.push_back(std::move(trig));
        }
    }
    return &triggers_.emplace(std::move(key), std::move(found)).first->second;
}

std::pair<std::string, std::string> lite_session_schema::resolve(const std::string& owner,
                                                                 const std::string& name,
                                                                 const char* privilege) {
    // The dictionary views answer to SYS and PUBLIC as to no owner.
    if (owner == "SYS" || owner == "PUBLIC") return {owner, name};
    sqlite3* db = session_.db();
    const std::string& user = session_.user();
    std::pair<std::string, std::string> r{owner, name};
    if (auto target = lite_synonym_target(db, user, owner, name)) r = *target;
    if (!r.first.empty() && r.first != user) {
        lite_need_privilege(db, user, r.first, r.second, privilege);
        // A schema whose rows the user was granted to change since logon is still read-only;
        // when it stays so, the change fails as it would have.
        if (std::strcmp(privilege, "SELECT") != 0) session_.make_writable(r.first);
    }
    return r;
}

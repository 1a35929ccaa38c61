#include "ddl/lite_session_schema.h"

#include "lite_sqlite_stmt.h"
#include "lite_internal.h"

const std::vector<lite_table_column>* lite_session_schema::table_columns(const std::string& owner,
                                                                         const std::string& table) {
    auto key = std::make_pair(owner, table);
    auto it = tables_.find(key);
    if (it != tables_.end()) return it->second.get();
    lite_stmt s;
    const char* sql =
        "SELECT COLUMN_NAME, DATA_TYPE, DATA_LENGTH, DATA_PRECISION, DATA_SCALE, CHAR_LENGTH, "
        "CHAR_USED, DATA_DEFAULT, CASE WHEN IDENTITY_COLUMN = 'YES' THEN "
        "COALESCE(IDENTITY_GENERATION, 'BY DEFAULT') END FROM \"LITE$DICT\".COLUMNS WHERE "
        "OWNER = ?1 AND TABLE_NAME = ?2 ORDER BY "
        "COLUMN_ID";
    if (!lite_stmt::try_prepare(session_.db(), sql, s)) return nullptr;
    s.text(1, owner).text(2, table);
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
    if (cols->empty()) cols.reset();
    const std::vector<lite_table_column>* r = cols.get();
    tables_.emplace(std::move(key), std::move(cols));
    return r;
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

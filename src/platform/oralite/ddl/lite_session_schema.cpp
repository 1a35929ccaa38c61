#include "ddl/lite_session_schema.h"

#include <sqlite3.h>

#include "lite_internal.h"

const std::vector<lite_table_column>* lite_session_schema::table_columns(const std::string& owner,
                                                                         const std::string& table) {
    auto key = std::make_pair(owner, table);
    auto it = tables_.find(key);
    if (it != tables_.end()) return it->second.get();
    sqlite3_stmt* s = nullptr;
    const char* sql =
        "SELECT COLUMN_NAME, DATA_TYPE, DATA_LENGTH, DATA_PRECISION, DATA_SCALE, CHAR_LENGTH, "
        "CHAR_USED, DATA_DEFAULT FROM \"LITE$DICT\".COLUMNS WHERE OWNER = ?1 AND TABLE_NAME = ?2 "
        "ORDER BY "
        "COLUMN_ID";
    if (sqlite3_prepare_v2(session_.db(), sql, -1, &s, nullptr) != SQLITE_OK) {
        sqlite3_finalize(s);
        return nullptr;
    }
    sqlite3_bind_text(s, 1, owner.c_str(), -1, SQLITE_TRANSIENT);
    sqlite3_bind_text(s, 2, table.c_str(), -1, SQLITE_TRANSIENT);
    auto cols = std::make_unique<std::vector<lite_table_column>>();
    auto text = [&](int c) {
        const unsigned char* t = sqlite3_column_text(s, c);
        return t ? std::string(reinterpret_cast<const char*>(t)) : std::string();
    };
    while (sqlite3_step(s) == SQLITE_ROW) {
        lite_table_column c;
        c.name = text(0);
        c.type.data_type = text(1);
        c.type.data_length = sqlite3_column_int64(s, 2);
        if (sqlite3_column_type(s, 3) != SQLITE_NULL) c.type.precision = sqlite3_column_int(s, 3);
        if (sqlite3_column_type(s, 4) != SQLITE_NULL) c.type.scale = sqlite3_column_int(s, 4);
        c.type.char_length = sqlite3_column_int64(s, 5);
        c.type.char_used = text(6);
        c.default_text = text(7);
        cols->push_back(std::move(c));
    }
    sqlite3_finalize(s);
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
    std::vector<lite_row_trigger>& found = triggers_[key];
    sqlite3_stmt* s = nullptr;
    const char* sql =
        "SELECT WHEN_CLAUSE, TRIGGER_BODY FROM \"LITE$DICT\".TRIGGERS WHERE TABLE_OWNER = ?1 AND "
        "TABLE_NAME = ?2 AND FIRES = 1 AND STATUS = 'ENABLED' ORDER BY CREATED_SEQ";
    // An instance that predates row triggers has no table for them: nothing fires.
    if (sqlite3_prepare_v2(session_.db(), sql, -1, &s, nullptr) != SQLITE_OK) {
        sqlite3_finalize(s);
        return &found;
    }
    sqlite3_bind_text(s, 1, owner.c_str(), -1, SQLITE_TRANSIENT);
    sqlite3_bind_text(s, 2, table.c_str(), -1, SQLITE_TRANSIENT);
    while (sqlite3_step(s) == SQLITE_ROW) {
        auto text = [&](int c) {
            const unsigned char* t = sqlite3_column_text(s, c);
            return t ? std::string(reinterpret_cast<const char*>(t)) : std::string();
        };
        lite_row_trigger trig;
        trig.when = text(0);
        if (lite_parse_trigger_body(text(1), trig.sets)) found.push_back(std::move(trig));
    }
    sqlite3_finalize(s);
    return &found;
}

#include "lite_sqlite_stmt.h"

#include "lite_internal.h"

lite_stmt::lite_stmt(sqlite3* db, std::string_view sql) {
    if (sqlite3_prepare_v2(db, sql.data(), static_cast<int>(sql.size()), &s_, nullptr) !=
        SQLITE_OK) {
        sqlite3_finalize(s_);
        s_ = nullptr;
        throw lite_sqlite_error(db);
    }
}

bool lite_stmt::try_prepare(sqlite3* db, std::string_view sql, lite_stmt& out, const char** tail) {
    sqlite3_stmt* s = nullptr;
    if (sqlite3_prepare_v2(db, sql.data(), static_cast<int>(sql.size()), &s, tail) != SQLITE_OK) {
        sqlite3_finalize(s);
        out.reset_to_empty();
        return false;
    }
    out.reset_to_empty();
    out.s_ = s;
    return true;
}

bool lite_stmt::row() {
    const int rc = sqlite3_step(s_);
    if (rc == SQLITE_ROW) return true;
    if (rc != SQLITE_DONE) throw lite_sqlite_error(sqlite3_db_handle(s_));
    return false;
}

void lite_stmt::run() {
    row();
    sqlite3_reset(s_);
}

// The one owner of a prepared SQLite statement inside the engine: whatever leaves a scope, a
// finished read, an early return or an exception, finalizes the statement, so no statement is
// left behind on a session's connection (an unfinalized one blocks DROP and ALTER there).
//
// Thread-safety: as the connection it was prepared on; one thread per connection.
#ifndef TW_PLATFORM_ORALITE_LITE_SQLITE_STMT_H
#define TW_PLATFORM_ORALITE_LITE_SQLITE_STMT_H

#include <sqlite3.h>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

class lite_stmt {
public:
    lite_stmt() = default;
    // Prepares sql on db; raises the mapped Oracle error when SQLite refuses it.
    lite_stmt(sqlite3* db, std::string_view sql);
    ~lite_stmt() { sqlite3_finalize(s_); }
    lite_stmt(lite_stmt&& o) noexcept : s_(std::exchange(o.s_, nullptr)) {}
    lite_stmt& operator=(lite_stmt&& o) noexcept {
        if (this != &o) {
            sqlite3_finalize(s_);
            s_ = std::exchange(o.s_, nullptr);
        }
        return *this;
    }
    lite_stmt(const lite_stmt&) = delete;
    lite_stmt& operator=(const lite_stmt&) = delete;

    // Prepares sql on db; false (and no statement) when SQLite refuses it. For callers to whom
    // a missing table is an answer, not an error.
    static bool try_prepare(sqlite3* db, std::string_view sql, lite_stmt& out,
                            const char** tail = nullptr);

    sqlite3_stmt* get() const { return s_; }
    explicit operator bool() const { return s_ != nullptr; }
    // Finalizes now; the object is empty afterwards.
    void reset_to_empty() noexcept {
        sqlite3_finalize(s_);
        s_ = nullptr;
    }

    lite_stmt& text(int i, std::string_view v) {
        sqlite3_bind_text(s_, i, v.data(), static_cast<int>(v.size()), SQLITE_TRANSIENT);
        return *this;
    }
    // NULL for an empty text: the dictionary keeps absent values as NULL.
    lite_stmt& opt_text(int i, std::string_view v) {
        if (v.empty()) {
            sqlite3_bind_null(s_, i);
        } else {
            text(i, v);
        }
        return *this;
    }
    lite_stmt& num(int i, int64_t v) {
        sqlite3_bind_int64(s_, i, v);
        return *this;
    }
    lite_stmt& opt_num(int i, std::optional<int> v) {
        if (v) {
            sqlite3_bind_int64(s_, i, *v);
        } else {
            sqlite3_bind_null(s_, i);
        }
        return *this;
    }
    lite_stmt& null(int i) {
        sqlite3_bind_null(s_, i);
        return *this;
    }

    // Steps once: true on a row, false when done; raises the mapped error otherwise.
    bool row();
    // Steps to the end and rewinds, for statements that return nothing.
    void run();
    // Ends a read early: an unfinished read blocks DROP/ALTER on this connection.
    void done() { sqlite3_reset(s_); }

    std::string col(int c) const {
        const unsigned char* t = sqlite3_column_text(s_, c);
        return t ? reinterpret_cast<const char*>(t) : "";
    }
    bool is_null(int c) const { return sqlite3_column_type(s_, c) == SQLITE_NULL; }
    int64_t i64(int c) const { return sqlite3_column_int64(s_, c); }
    // The first column of every remaining row.
    std::vector<std::string> strings() {
        std::vector<std::string> r;
        while (row()) r.push_back(col(0));
        return r;
    }

private:
    sqlite3_stmt* s_ = nullptr;
};

#endif

#include "platform/oci/lite_read_ahead.h"

#include <sqlite3.h>

#include <algorithm>
#include <cstring>

#include "platform/oci/lite_function_table.h"
#include "platform/oci/lite_internal.h"
#include "platform/oci/lite_value_text.h"

namespace {

// Chunks in circulation: one the client reads, one the reader fills, one waiting between them.
constexpr size_t k_chunks = 3;
// A chunk is handed over once its bytes pass this, so that rows of large LOBs do not gather.
constexpr size_t k_chunk_bytes = 1 << 20;
// Cells of a chunk, whatever the width of the rows.
constexpr size_t k_chunk_cells = 1 << 16;
// Rows stepped under one hold of the connection's mutex.
constexpr size_t k_rows_per_hold = 64;

}  // namespace

lite_read_ahead::lite_read_ahead(sqlite3* db, sqlite3_stmt* stmt, lite_session* session,
                                 int chunk_rows, bool on_row, std::vector<prepared> prepare,
                                 lite_cell_render render)
    : db_(db),
      stmt_(stmt),
      session_(session),
      columns_(static_cast<size_t>(sqlite3_column_count(stmt))),
      on_row_(on_row),
      prepare_(std::move(prepare)),
      render_(std::move(render)) {
    // A wide select list takes fewer rows a chunk, so that the cells stay small.
    const size_t most = std::max<size_t>(1, k_chunk_cells / std::max<size_t>(columns_, 1));
    chunk_rows_ = std::min(static_cast<size_t>(std::max(chunk_rows, 1)), most);
    for (size_t i = 0; i < k_chunks; ++i) {
        chunks_.push_back(std::make_unique<chunk>());
        chunks_.back()->cells.resize(chunk_rows_ * columns_);
        spare_.push_back(chunks_.back().get());
    }
    reader_ = std::thread([this] { run(); });
}

lite_read_ahead::~lite_read_ahead() {
    stop();
}

void lite_read_ahead::stop() noexcept {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    changed_.notify_one();
    if (reader_.joinable()) reader_.join();
}

void lite_read_ahead::run() {
    for (;;) {
        chunk* c = nullptr;
        {
            std::unique_lock lock(mutex_);
            changed_.wait(lock, [this] { return stopping_ || !spare_.empty(); });
            if (stopping_) return;
            c = spare_.back();
            spare_.pop_back();
        }
        fill(*c);
        const bool last = c->end || c->error.has_value();
        {
            std::lock_guard lock(mutex_);
            ready_.push_back(c);
        }
        changed_.notify_one();
        if (last) return;
    }
}

void lite_read_ahead::fill(chunk& c) {
    c.rows = 0;
    c.arena.clear();
    c.end = false;
    c.error.reset();
    sqlite3_mutex* m = sqlite3_db_mutex(db_);
    while (c.rows < chunk_rows_ && c.arena.size() < k_chunk_bytes) {
        sqlite3_mutex_enter(m);
        for (size_t n = 0; n < k_rows_per_hold && c.rows < chunk_rows_ &&
                           c.arena.size() < k_chunk_bytes;
             ++n) {
            if (on_row_) {
                on_row_ = false;
            } else {
                lite_clear_function_error();
                const int rc = sqlite3_step(stmt_);
                if (rc == SQLITE_DONE) {
                    c.end = true;
                } else if (rc != SQLITE_ROW) {
                    c.error = lite_sqlite_error(db_, session_);
                }
                if (rc != SQLITE_ROW) break;
            }
            copy_row(c);
        }
        sqlite3_mutex_leave(m);
        if (c.end || c.error) return;
    }
}

void lite_read_ahead::copy_row(chunk& c) {
    cell_slot* row = c.cells.data() + c.rows * columns_;
    for (size_t col = 0; col < columns_; ++col) {
        cell_slot& s = row[col];
        const int i = static_cast<int>(col);
        // One call into the connection a cell: the value's own accessors take no lock.
        sqlite3_value* v = sqlite3_column_value(stmt_, i);
        s.type = sqlite3_value_type(v);
        s.number = 0;
        s.offset = s.size = 0;
        s.has_shown = false;
        s.has_date = false;
        const char* p = nullptr;
        switch (s.type) {
            case SQLITE_INTEGER:
                s.number = sqlite3_value_int64(v);
                break;
            case SQLITE_FLOAT:
                s.number = std::bit_cast<int64_t>(sqlite3_value_double(v));
                break;
            case SQLITE_TEXT:
                p = reinterpret_cast<const char*>(sqlite3_value_text(v));
                break;
            case SQLITE_BLOB:
                p = static_cast<const char*>(sqlite3_value_blob(v));
                break;
            default:
                break;
        }
        if (s.type == SQLITE_TEXT || s.type == SQLITE_BLOB) {
            s.size = p == nullptr ? 0 : static_cast<size_t>(sqlite3_value_bytes(v));
            s.offset = c.arena.size();
            // Followed by a zero byte, as SQLite's own text is.
            if (s.size > 0) c.arena.append(p, s.size);
            c.arena.push_back('\0');
        }
        const prepared how = col < prepare_.size() ? prepare_[col] : stored_only;
        if (how == parsed_date && s.type == SQLITE_TEXT && p != nullptr) {
            lite_datetime date;
            s.has_date = lite_parse_iso(p, date);
            if (s.has_date) {
                s.extra_offset = c.arena.size();
                s.extra_size = sizeof date;
                c.arena.append(reinterpret_cast<const char*>(&date), sizeof date);
            }
        } else if (how == shown_text) {
            char text[64];
            const lite_cell_view cell = lite_cell_view{
                s.type, s.type == SQLITE_INTEGER ? s.number : 0,
                s.type == SQLITE_FLOAT ? std::bit_cast<double>(s.number) : 0.0, p, s.size};
            const size_t n = render_(i, cell, text);
            if (n > 0) {
                s.has_shown = true;
                s.extra_offset = c.arena.size();
                s.extra_size = static_cast<uint32_t>(n);
                c.arena.append(text, n);
            }
        }
    }
    ++c.rows;
}

bool lite_read_ahead::next() {
    if (finished_) return false;
    if (current_ != nullptr && row_ + 1 < current_->rows) {
        ++row_;
        return true;
    }
    for (;;) {
        if (current_ != nullptr) {
            chunk* done = current_;
            current_ = nullptr;
            if (done->end || done->error) {
                finished_ = true;
                std::optional<lite_error> error = std::move(done->error);
                stop();
                if (error) throw *error;
                return false;
            }
            {
                std::lock_guard lock(mutex_);
                spare_.push_back(done);
            }
            changed_.notify_one();
        }
        {
            std::unique_lock lock(mutex_);
            changed_.wait(lock, [this] { return !ready_.empty(); });
            current_ = ready_.front();
            ready_.pop_front();
        }
        row_ = 0;
        if (current_->rows > 0) return true;
    }
}


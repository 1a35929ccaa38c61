#include "lite_read_ahead.h"

#include <sqlite3.h>

#include <algorithm>
#include <cstring>

#include "functions/lite_function_table.h"
#include "lite_internal.h"
#include "lite_value_text.h"

namespace {

// Chunks in circulation. The reader refills the one the client gave back longest ago: the
// client's core has let go of its bytes by then, where writing over the chunk it has just read
// makes every line cross back from that core first. That crossing, not the copying, set the
// speed of a table of short rows.
constexpr size_t k_chunks = 16;
// A chunk is handed over once its bytes pass this, so that rows of large LOBs do not gather.
constexpr size_t k_chunk_bytes = 1 << 20;
// The bytes of rows read ahead and not yet given back by the client, the chunk it reads
// included: past this, the reader waits, so that chunks of large LOBs do not gather either.  A
// row larger than this is then the only one held, as it would be reading plainly.
constexpr size_t k_ready_bytes = 4 * k_chunk_bytes;
// A chunk that a large LOB grew gives its memory back before it is refilled.
constexpr size_t k_kept_arena_bytes = 2 * k_chunk_bytes;
// The memory the chunks may hold together before the reader stops bringing unused ones in: the
// rows of a table of short rows fill all sixteen within it, rows of LOBs a few.
constexpr size_t k_arena_bytes = 8 * k_chunk_bytes;
// A chunk's first room: the small steps of doubling from nothing would each copy its rows.
constexpr size_t k_first_arena_bytes = 64 * 1024;
// Cells of a chunk, whatever the width of the rows.
constexpr size_t k_chunk_cells = 1 << 16;
// Rows stepped under one hold of the connection's mutex.
constexpr size_t k_rows_per_hold = 64;

// A cell's tag: its storage class in the low bits, and what follows its value.
constexpr unsigned char k_type_bits = 0x0F;
constexpr unsigned char k_has_shown = 0x10;
constexpr unsigned char k_has_date = 0x20;
// A text cell whose stored bytes are the text it shows.
constexpr unsigned char k_shows_stored = 0x40;

// The most bytes a cell takes besides its text: tag, number or length, shown text or date.
constexpr size_t k_most_cell_extra = 1 + 8 + 1 + 64 + sizeof(lite_datetime);

// Where `more` bytes may be written after the `used` ones, the arena grown to hold them: the
// bytes are written in place, where appending each piece would check and grow every time.
template <class Arena>
char* room(Arena& arena, size_t used, size_t more) {
    if (arena.size() - used < more) {
        arena.grow(std::max({used + more, arena.size() * 2, k_first_arena_bytes}), used);
    }
    return arena.data() + used;
}

template <class T>
void put(char*& w, const T& v) {
    std::memcpy(w, &v, sizeof v);
    w += sizeof v;
}

// A date, one member at a time: copied as a whole, a date just written member by member is
// loaded in wide words that wait for the narrow writes to drain.
void put_date(char*& w, const lite_datetime& d) {
    put(w, d.year);
    put(w, d.month);
    put(w, d.day);
    put(w, d.hour);
    put(w, d.minute);
    put(w, d.second);
    put(w, d.nanosecond);
    put(w, d.tz_minutes);
}
static_assert(sizeof(lite_datetime) == 8 * 4, "a date is its eight members");

template <class T>
T take(const char*& p) {
    T v;
    std::memcpy(&v, p, sizeof v);
    p += sizeof v;
    return v;
}

}  // namespace

void lite_read_ahead::arena_bytes::grow(size_t size, size_t keep) {
    auto bytes = std::make_unique_for_overwrite<char[]>(size);
    if (keep > 0) std::memcpy(bytes.get(), bytes_.get(), keep);
    bytes_ = std::move(bytes);
    size_ = size;
}

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
    prepare_.resize(columns_, stored_only);
    for (size_t i = 0; i < k_chunks; ++i) {
        chunks_.push_back(std::make_unique<chunk>());
        chunks_.back()->row_start.resize(chunk_rows_);
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
            changed_.wait(lock, [this] {
                return stopping_ ||
                       (!spare_.empty() && ready_bytes_ + taken_bytes_ < k_ready_bytes);
            });
            if (stopping_) return;
            // Chunks a large LOB grew let their memory go as soon as they are back, not when
            // their turn to be refilled comes: the next large row would find it still held.
            for (chunk* spare : spare_) {
                if (spare->arena.size() > k_kept_arena_bytes) {
                    arena_bytes_ -= spare->arena.size();
                    spare->arena.release();
                }
            }
            // A chunk never used yet would add its memory to what the others hold: past the
            // limit, the one given back last is refilled instead, in the memory it has.
            if (spare_.front()->arena.empty() && arena_bytes_ >= k_arena_bytes) {
                c = spare_.back();
                spare_.pop_back();
            } else {
                c = spare_.front();
                spare_.pop_front();
            }
        }
        const size_t had = c->arena.size();
        try {
            fill(*c);
        } catch (...) {
            // Nothing may leave this thread: the failure travels to the client with the rows
            // read before it.
            c->failure = std::current_exception();
        }
        arena_bytes_ += c->arena.size() - had;
        const bool last = c->last();
        {
            std::lock_guard lock(mutex_);
            ready_.push_back(c);
            ready_bytes_ += c->used;
        }
        changed_.notify_one();
        if (last) return;
    }
}

void lite_read_ahead::fill(chunk& c) {
    c.rows = 0;
    c.used = 0;
    c.end = false;
    c.error.reset();
    c.failure = nullptr;
    sqlite3_mutex* m = sqlite3_db_mutex(db_);
    // Left however the copying ends, a raise included: the session needs the connection back.
    struct held {
        sqlite3_mutex* mutex;
        explicit held(sqlite3_mutex* m) : mutex(m) { sqlite3_mutex_enter(m); }
        ~held() { sqlite3_mutex_leave(mutex); }
    };
    while (c.rows < chunk_rows_ && c.used < k_chunk_bytes) {
        const held hold(m);
        for (size_t n = 0; n < k_rows_per_hold && c.rows < chunk_rows_ && c.used < k_chunk_bytes;
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
        if (c.end || c.error) return;
    }
}

void lite_read_ahead::copy_row(chunk& c) {
    c.row_start[c.rows] = c.used;
    for (size_t col = 0; col < columns_; ++col) {
        const int i = static_cast<int>(col);
        // One call into the connection a cell: the value's own accessors take no lock.
        sqlite3_value* v = sqlite3_column_value(stmt_, i);
        lite_cell_view cell;
        cell.type = sqlite3_value_type(v);
        if (cell.type == SQLITE_TEXT || cell.type == SQLITE_BLOB) {
            cell.bytes = cell.type == SQLITE_TEXT
                             ? reinterpret_cast<const char*>(sqlite3_value_text(v))
                             : static_cast<const char*>(sqlite3_value_blob(v));
            cell.size = cell.bytes == nullptr ? 0 : static_cast<size_t>(sqlite3_value_bytes(v));
        }
        char* w = room(c.arena, c.used, k_most_cell_extra + cell.size + 1);
        char* const tag = w++;
        *tag = static_cast<char>(cell.type);
        switch (cell.type) {
            case SQLITE_INTEGER:
                cell.integer = sqlite3_value_int64(v);
                put(w, cell.integer);
                break;
            case SQLITE_FLOAT:
                cell.real = sqlite3_value_double(v);
                put(w, cell.real);
                break;
            case SQLITE_TEXT:
            case SQLITE_BLOB:
                put(w, cell.size);
                if (cell.size > 0) std::memcpy(w, cell.bytes, cell.size);
                w += cell.size;
                // Followed by a zero byte, as SQLite's own text is.
                *w++ = '\0';
                break;
            default:
                break;
        }
        const prepared how = prepare_[col];
        if (how == parsed_date && cell.type == SQLITE_TEXT && cell.bytes != nullptr) {
            const std::string_view text(cell.bytes, cell.size);
            // Two dates: the one the stored form is read into never has its address taken,
            // so it is written to the chunk straight from registers.
            lite_datetime stored, other;
            if (lite_parse_stored_timestamp(text, stored)) {
                *tag = static_cast<char>(cell.type | k_has_date);
                put_date(w, stored);
            } else if (lite_parse_iso(text, other)) {
                *tag = static_cast<char>(cell.type | k_has_date);
                put_date(w, other);
            }
        } else if (how == stored_text && cell.type == SQLITE_TEXT && cell.bytes != nullptr) {
            *tag = static_cast<char>(cell.type | k_shows_stored);
        } else if (how == shown_number && cell.type == SQLITE_INTEGER) {
            // Its digits, in place after its length byte: the common cell needs no call out.
            const size_t n = lite_int_text(cell.integer, w + 1);
            *tag = static_cast<char>(cell.type | k_has_shown);
            *w = static_cast<char>(n);
            w += 1 + n;
        } else if (how == shown_text || how == shown_number) {
            // Rendered in place, after its length byte.
            const size_t n = render_(i, cell, w + 1);
            if (n > 0) {
                *tag = static_cast<char>(cell.type | k_has_shown);
                *w = static_cast<char>(n);
                w += 1 + n;
            }
        }
        c.used = static_cast<size_t>(w - c.arena.data());
    }
    ++c.rows;
}

void lite_read_ahead::decode_row() {
    row_cells_.resize(columns_);
    const char* p = current_->arena.data() + current_->row_start[row_];
    for (decoded_cell& d : row_cells_) {
        const auto tag = static_cast<unsigned char>(*p++);
        d = decoded_cell{};
        d.value.type = tag & k_type_bits;
        switch (d.value.type) {
            case SQLITE_INTEGER:
                d.value.integer = take<int64_t>(p);
                break;
            case SQLITE_FLOAT:
                d.value.real = take<double>(p);
                break;
            case SQLITE_TEXT:
            case SQLITE_BLOB:
                d.value.size = take<size_t>(p);
                d.value.bytes = p;
                p += d.value.size + 1;
                if (tag & k_shows_stored) {
                    d.ready = d.value.bytes;
                    d.ready_size = d.value.size;
                }
                break;
            default:
                break;
        }
        if (tag & k_has_shown) {
            d.ready_size = static_cast<unsigned char>(*p++);
            d.ready = p;
            p += d.ready_size;
        } else if (tag & k_has_date) {
            d.date = p;
            p += sizeof(lite_datetime);
        }
    }
}

bool lite_read_ahead::next() {
    if (finished_) return false;
    if (current_ != nullptr && row_ + 1 < current_->rows) {
        ++row_;
        decode_row();
        return true;
    }
    for (;;) {
        if (current_ != nullptr) {
            chunk* done = current_;
            current_ = nullptr;
            if (done->last()) {
                finished_ = true;
                std::optional<lite_error> error = std::move(done->error);
                std::exception_ptr failure = done->failure;
                stop();
                if (error) throw *error;
                if (failure) std::rethrow_exception(failure);
                return false;
            }
            {
                std::lock_guard lock(mutex_);
                spare_.push_back(done);
                taken_bytes_ = 0;
            }
            changed_.notify_one();
        }
        {
            // Taking a chunk moves its bytes from those ready to those taken: the reader's room
            // is the same, so it need not be woken.
            std::unique_lock lock(mutex_);
            changed_.wait(lock, [this] { return !ready_.empty(); });
            current_ = ready_.front();
            ready_.pop_front();
            ready_bytes_ -= current_->used;
            taken_bytes_ = current_->used;
        }
        row_ = 0;
        if (current_->rows > 0) {
            decode_row();
            return true;
        }
    }
}

// Reading a query's rows ahead of the client, on a thread of its own, as a server process reads
// ahead while its client is still busy with the rows it was sent.
//
// The reader steps the SQLite statement and copies each row's cells into chunks of rows; the
// client takes the chunks in order. A failure of the statement is handed over after the rows that
// came before it, so the client sees rows and error in the order a plain step would give them.
// A fixed number of chunks circulate between the two sides and are refilled, and the reader
// waits while the rows it has read ahead pass a number of bytes: the memory held is bounded,
// whatever the size of the table.
//
// The reader holds the connection's mutex while it steps and copies, so the rest of the session
// may go on using the connection between chunks. Statements whose evaluation changes session
// state (sequences) must not be read ahead: the caller decides.
//
// Thread-safety: the client side (next, cell, stop) belongs to one thread; the reader thread is
// private to the object.
#ifndef TW_PLATFORM_ORALITE_LITE_READ_AHEAD_H
#define TW_PLATFORM_ORALITE_LITE_READ_AHEAD_H

#include <condition_variable>
#include <cstdint>
#include <cstring>
#include <deque>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "lite_engine.h"

struct sqlite3;
struct sqlite3_stmt;

// One cell as SQLite holds it: its storage class and its value. Text and blobs point at bytes
// followed by a zero byte.
struct lite_cell_view {
    int type = 5;  // SQLITE_INTEGER, SQLITE_FLOAT, SQLITE_TEXT, SQLITE_BLOB or SQLITE_NULL
    int64_t integer = 0;
    double real = 0;
    const char* bytes = nullptr;
    size_t size = 0;
};

// The text a cell shows to the client, computed ahead into `out` (64 bytes): its length, or 0 to
// leave the cell to be rendered when it is read.
using lite_cell_render = std::function<size_t(int col, const lite_cell_view& cell, char* out)>;

class lite_read_ahead {
public:
    // Starts reading `stmt` (on `db`, for `session`'s error texts) ahead in chunks of up to
    // `chunk_rows` rows. With `on_row` the statement stands on a row already, which comes first.
    // What the reader prepares of a column's cells besides their stored value.
    enum prepared : unsigned char {
        stored_only,
        shown_text,    // the text `render` gives
        parsed_date,   // a text cell read as a date, when it is one
        stored_text,   // nothing, but a text cell shows its stored bytes as they are
        shown_number,  // as shown_text, but an integer cell shows its digits, written here
    };

    // `render` is called on the reader thread for the cells of the columns marked `shown_text`,
    // and for the cells other than integers of those marked `shown_number`.
    lite_read_ahead(sqlite3* db, sqlite3_stmt* stmt, lite_session* session, int chunk_rows,
                    bool on_row, std::vector<prepared> prepare, lite_cell_render render);
    // Stops the reader and waits for it.
    ~lite_read_ahead();
    lite_read_ahead(const lite_read_ahead&) = delete;
    lite_read_ahead& operator=(const lite_read_ahead&) = delete;

    // Moves to the next row: true when there is one, false at the end. A failure of the statement
    // raises its lite_error once the rows before it are taken, and so does any exception the
    // reader met (std::bad_alloc, a render that raised); the reader has then stopped.
    bool next();
    // A cell of the current row, 0-based over every column the SQLite statement returns.
    // These three are read for every cell of every row: they are defined inline, and read the
    // current row's cells, decoded when the row was moved to.
    lite_cell_view cell(int col) const { return row_cells_[static_cast<size_t>(col)].value; }
    // The text a cell of the current row shows, when it stands ready: its pre-rendered text, or
    // the stored bytes of a text cell of a `stored_text` column. Null otherwise, NULL included.
    const char* ready(int col, size_t& size) const {
        const decoded_cell& c = row_cells_[static_cast<size_t>(col)];
        size = c.ready_size;
        return c.ready;
    }
    bool is_null(int col) const {
        return row_cells_[static_cast<size_t>(col)].value.type == 5;  // SQLITE_NULL
    }
    size_t columns() const { return columns_; }
    // The date a cell of the current row holds, into `out`, when it was read as one.
    bool date(int col, lite_datetime& out) const {
        const decoded_cell& c = row_cells_[static_cast<size_t>(col)];
        if (c.date == nullptr) return false;
        std::memcpy(&out, c.date, sizeof out);
        return true;
    }
    // Stops the reader and waits for it; the statement is the caller's again. Safe to repeat.
    void stop() noexcept;

private:
    // A chunk's memory, grown without being cleared: the pages past its rows are never
    // touched, and a first touch of a page costs more than copying it on some machines.
    class arena_bytes {
    public:
        char* data() noexcept { return bytes_.get(); }
        const char* data() const noexcept { return bytes_.get(); }
        size_t size() const noexcept { return size_; }
        bool empty() const noexcept { return size_ == 0; }
        // At least `size` bytes, the first `keep` of them kept.
        void grow(size_t size, size_t keep);
        void release() noexcept {
            bytes_.reset();
            size_ = 0;
        }

    private:
        std::unique_ptr<char[]> bytes_;
        size_t size_ = 0;
    };
    // A chunk's rows are one stream of bytes that the client's thread reads once, in order:
    // the fewer bytes cross from the reader's core to the client's, the faster both go. Each
    // cell is a tag (storage class and what follows), its number (8 bytes) or its bytes (length,
    // bytes, a zero byte), then the shown text (length byte, text) or the date (its bytes).
    // The reader writes a chunk's counts for every cell, and the chunk is allocated among the
    // client's own objects: a line of its own each, lest the client's writes to a neighbour
    // (a define's date) and the reader's to the counts take that line from each other.
    struct alignas(64) chunk {
        arena_bytes arena;  // its size is the room; `used` bytes of it are rows
        size_t used = 0;
        std::vector<size_t> row_start;  // where each row begins in the arena
        size_t rows = 0;
        bool end = false;                 // the statement ended after these rows
        std::optional<lite_error> error;  // ... or failed after them
        // ... or reading failed on the reader's thread (out of memory, a cell that cannot be
        // rendered): raised to the client in the fetch, where it would have come reading plainly.
        std::exception_ptr failure;
        bool last() const { return end || error.has_value() || failure != nullptr; }
    };
    // A cell of the current row, as the client reads it.
    struct decoded_cell {
        lite_cell_view value;
        const char* date = nullptr;
        const char* ready = nullptr;  // the rendered text, or stored bytes shown as they are
        size_t ready_size = 0;
    };

    // Decodes the current row's cells into row_cells_.
    void decode_row();
    void run();
    void fill(chunk& c);
    void copy_row(chunk& c);

    sqlite3* db_;
    sqlite3_stmt* stmt_;
    lite_session* session_;
    size_t columns_;
    size_t chunk_rows_ = 1;
    bool on_row_;
    std::vector<prepared> prepare_;
    lite_cell_render render_;

    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<chunk*> ready_;
    size_t ready_bytes_ = 0;    // the bytes of the rows in ready_
    size_t taken_bytes_ = 0;    // ... and of the chunk the client reads
    std::deque<chunk*> spare_;  // the chunk given back longest ago first
    size_t arena_bytes_ = 0;    // the memory of every chunk's arena; the reader's own
    std::vector<std::unique_ptr<chunk>> chunks_;
    bool stopping_ = false;
    std::thread reader_;

    // Client side.
    chunk* current_ = nullptr;
    size_t row_ = 0;
    std::vector<decoded_cell> row_cells_;
    bool finished_ = false;
};

#endif

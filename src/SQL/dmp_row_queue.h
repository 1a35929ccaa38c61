// dmp_row_queue: the rows of one dump table, rendered on a thread of their own while the run's
// thread reads the next ones from the source.
//
// push writes a row's values one after another into a batch of bytes; full batches go to the
// renderer, which reads each row back into values of its own and calls `render` for it, in
// order.  Between two cores the bytes are what costs, not the copying: a stream read once, in
// order, crosses far faster than the scattered values and texts of the record would.  A fixed
// number of batches circulate, each handed over after a number of rows or bytes, so what is
// held is bounded whatever the table.  What `render` raises is kept and raised by the run
// thread's next push or drain; the rows after it are not rendered.  Only values held whole by
// the variant travel, and only short ones: for a row with anything else push gives false, and
// the caller renders it itself once drain returns.
//
// Thread-safety: push, drain and the destructor belong to one thread; `render` runs on the
// renderer's, one row at a time, and everything it touches must be left alone by the other
// side until drain returns.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "UDB/udb_field.h"

class dmp_row_queue {
public:
    // One row: its values in column order and the record number it was pushed with.
    using render_fn = std::function<void(const ole_variant* const* values, int number)>;

    dmp_row_queue(std::size_t columns, render_fn render);
    // Renders what was pushed (unless rendering failed) and ends the thread; never raises.
    ~dmp_row_queue();
    dmp_row_queue(const dmp_row_queue&) = delete;
    dmp_row_queue& operator=(const dmp_row_queue&) = delete;

    // Queues a copy of the row and gives true when its values may travel: numbers, truths,
    // dates, nothing, and texts and byte strings short enough that the batches stay small.
    // Else gives false and queues nothing.  Raises what rendering an earlier row raised, or
    // bad_alloc.
    bool push(const udb_field* const* fields, int number);
    // Hands over the rows pushed and waits until every one is rendered; raises what rendering
    // raised.  The renderer is idle when it returns, until the next push.
    void drain();

private:
    // A line of its own each: the run's thread writes a batch while the renderer reads another.
    struct alignas(64) batch {
        std::unique_ptr<char[]> bytes;  // `room` bytes, of which `used` are rows
        std::size_t room = 0;
        std::size_t used = 0;
        std::size_t rows = 0;
    };
    // Gives `b` room for `need` more bytes, its rows kept.
    static void grow(batch& b, std::size_t need);

    void run();
    // Reads the rows of a batch back and renders them.
    void render_batch(const batch& b);
    void hand_over();
    [[noreturn]] void raise_failure();

    std::size_t m_columns;
    render_fn m_render;
    std::vector<std::unique_ptr<batch>> m_batches;
    batch* m_filling = nullptr;

    // The renderer's: the values of the row it renders, made on its thread, and the same as
    // render takes them.
    std::vector<ole_variant> m_values;
    std::vector<const ole_variant*> m_row;

    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<batch*> m_full;
    std::deque<batch*> m_spare;  // the batch given back longest ago first
    bool m_rendering = false;    // the renderer holds a batch
    bool m_stopping = false;
    std::exception_ptr m_failure;
    // Set with m_failure, read without the lock by every push.
    std::atomic<bool> m_failed{false};
    std::thread m_thread;
};

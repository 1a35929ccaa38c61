// tk_thread_functor: a long task written as a runnable object, run by tk_thread on a worker
// thread (or called directly).  The run calls step() until is_finished() answers true, then
// on_finish().
//
// A thread cannot be killed safely, so stopping is cooperative: request_stop() (from any thread)
// ends the default run loop before its next step and wakes a step that is sleeping.  A run that
// is overridden with one long operation must test stop_requested() at its own safe points (for
// the conversion run: between records and between tables), or a stop waits for its end.  A run
// ended by a stop does not call on_finish().
#pragma once

#include <atomic>
#include <condition_variable>
#include <mutex>

class tk_thread_functor {
public:
    tk_thread_functor() = default;
    virtual ~tk_thread_functor() = default;
    tk_thread_functor(const tk_thread_functor&) = delete;
    tk_thread_functor& operator=(const tk_thread_functor&) = delete;

    // The run: step() until is_finished() or a stop, then on_finish() unless stopped.
    virtual void operator()();
    // False by default.
    virtual bool is_finished();
    // Sleeps 100 ms by default, waking early on a stop request.
    virtual void step();
    // Does nothing by default.
    virtual void on_finish();

    // Asks the run to end at its next safe point.  Thread-safe; never fails.
    void request_stop();
    // True once a stop was requested for the current run.  Thread-safe.
    bool stop_requested() const noexcept { return m_stop.load(std::memory_order_acquire); }
    // Forgets a stop request before a new run.  Thread-safe.
    void clear_stop() noexcept { m_stop.store(false, std::memory_order_release); }

protected:
    // Sleeps up to ms milliseconds; answers early (true) when a stop is requested.
    bool sleep_unless_stopped(int ms);

private:
    std::atomic<bool> m_stop{false};
    std::mutex m_mutex;
    std::condition_variable m_wake;
};

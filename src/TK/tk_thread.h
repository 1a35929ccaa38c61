// tk_thread: runs a tk_thread_functor on one worker thread.
//
// States: idle (no thread), running, finished (the thread ended, not yet joined).  start() is
// allowed from idle or finished, release() from idle or finished, terminate() only while running;
// each misuse raises tk_mail_assertion("tk_threa", line).  terminate() cannot kill a thread
// safely here: it asks the runnable object to stop (tk_thread_functor::request_stop) and waits
// for the run to return, without limit.
//
// The thread object itself is used by one thread (the one that starts and stops it).  A class
// that overrides make_functor() with an object it owns must stop the thread in its own
// destructor, before that object goes.
#pragma once

#include <atomic>
#include <memory>
#include <thread>

#include "TK/tk_thread_functor.h"

class tk_thread {
public:
    // No thread and no runnable object yet; owns_functor makes release() delete the object.
    explicit tk_thread(bool owns_functor);
    // Stops a thread that still runs (see terminate), otherwise releases.
    virtual ~tk_thread();
    tk_thread(const tk_thread&) = delete;
    tk_thread& operator=(const tk_thread&) = delete;

    // Starts make_functor()'s object on a new thread.  Raises tk_mail_assertion line 92 while
    // running, line 105 for a null object; tk_exception_ex level 1 when no thread can be created.
    void start();
    // Joins a finished thread and forgets the object (deleting it when owned); raises
    // tk_mail_assertion line 71 while running.
    void release();
    // Stops the running thread cooperatively, waits for it, then releases; raises
    // tk_mail_assertion line 55 when not running.
    void terminate();
    // True while a started thread has not returned from its run.
    bool is_running() const noexcept;
    // The object of the current or last run; null when none.
    tk_thread_functor* functor() const noexcept { return m_functor; }

protected:
    // The object to run; by default a plain tk_thread_functor that this thread owns.
    virtual tk_thread_functor* make_functor();
    // The destructor's body.
    void destroy() noexcept;

    bool m_owns_functor;

private:
    std::unique_ptr<std::thread> m_handle;
    std::atomic<bool> m_done{true};
    tk_thread_functor* m_functor = nullptr;
};

// The worker's entry: runs the object; a null object raises tk_mail_assertion("tk_threa", 149).
// Answers 1 as the thread's exit code.
unsigned thread_start_routine(tk_thread_functor* functor);

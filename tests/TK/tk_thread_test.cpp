#include "TK/tk_thread.h"

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <thread>

#include "TK/tk_exception.h"
#include "TK/tk_test_helpers.h"

namespace {

// A run that waits until the test lets it finish, counting its steps.
class gated_run : public tk_thread_functor {
public:
    bool is_finished() override { return m_open.load(); }
    void step() override {
        ++steps;
        sleep_unless_stopped(1);
    }
    void on_finish() override { finished = true; }
    void open() { m_open = true; }

    std::atomic<int> steps{0};
    std::atomic<bool> finished{false};

private:
    std::atomic<bool> m_open{false};
};

// A thread that runs an object it does not own.
class gated_thread : public tk_thread {
public:
    explicit gated_thread(tk_thread_functor* run) : tk_thread(false), m_run(run) {}
    ~gated_thread() override { destroy(); }

protected:
    tk_thread_functor* make_functor() override { return m_run; }

private:
    tk_thread_functor* m_run;
};

class null_thread : public tk_thread {
public:
    null_thread() : tk_thread(false) {}

protected:
    tk_thread_functor* make_functor() override { return nullptr; }
};

std::string internal(int line) {
    return make_err_meggase("tk_threa", line);
}

void wait_until(const std::function<bool()>& done) {
    while (!done()) std::this_thread::yield();
}

TEST(tk_thread, restart_after_a_finished_run_needs_no_release) {
    gated_run run;
    gated_thread thread(&run);
    thread.start();
    EXPECT_EQ(internal_error_of([&] { thread.start(); }), internal(92));
    EXPECT_EQ(internal_error_of([&] { thread.release(); }), internal(71));
    run.open();
    wait_until([&] { return !thread.is_running(); });
    EXPECT_TRUE(run.finished);
    thread.start();  // from finished
    wait_until([&] { return !thread.is_running(); });
    thread.release();
    EXPECT_EQ(thread.functor(), nullptr);
    EXPECT_EQ(internal_error_of([&] { thread.terminate(); }), internal(55));
}

TEST(tk_thread, plain_run_never_ends_by_itself_and_terminate_stops_it) {
    tk_thread thread(false);
    thread.start();
    ASSERT_NE(thread.functor(), nullptr);
    EXPECT_TRUE(thread.is_running());
    thread.terminate();
    EXPECT_FALSE(thread.is_running());
    EXPECT_EQ(thread.functor(), nullptr);
}

TEST(tk_thread, destroying_a_running_thread_stops_it_first) {
    gated_run run;
    {
        gated_thread thread(&run);
        thread.start();
        wait_until([&] { return run.steps > 0; });
    }
    EXPECT_TRUE(run.stop_requested());
    EXPECT_FALSE(run.finished);  // a stopped run does not finish
    {
        // The plain object never finishes; the base destructor stops it and deletes it.
        tk_thread plain(false);
        plain.start();
        ASSERT_TRUE(plain.is_running());
    }
}

TEST(tk_thread, null_object_and_null_entry_are_internal_errors) {
    null_thread thread;
    EXPECT_EQ(internal_error_of([&] { thread.start(); }), internal(105));
    EXPECT_FALSE(thread.is_running());
    EXPECT_EQ(internal_error_of([] { thread_start_routine(nullptr); }), internal(149));
}

TEST(tk_thread, run_called_directly_honours_finish_and_stop) {
    gated_run run;
    run.open();
    run();
    EXPECT_EQ(run.steps, 0);
    EXPECT_TRUE(run.finished);
    tk_thread_functor plain;
    plain.request_stop();
    plain();  // returns at once
    plain.clear_stop();
    EXPECT_FALSE(plain.stop_requested());
}

// A run whose error escapes does not take the process down.
class failing_run : public tk_thread_functor {
public:
    void operator()() override { throw tk_exception(std::string("boom"), 1); }
};

TEST(tk_thread, escaping_error_ends_only_the_run) {
    failing_run run;
    gated_thread thread(&run);
    thread.start();
    wait_until([&] { return !thread.is_running(); });
    thread.release();
}

}  // namespace

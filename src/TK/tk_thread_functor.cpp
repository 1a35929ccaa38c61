#include "TK/tk_thread_functor.h"

#include <chrono>

void tk_thread_functor::operator()() {
    while (!stop_requested() && !is_finished()) step();
    if (!stop_requested()) on_finish();
}

bool tk_thread_functor::is_finished() {
    return false;
}

void tk_thread_functor::step() {
    sleep_unless_stopped(100);
}

void tk_thread_functor::on_finish() {}

void tk_thread_functor::request_stop() {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_stop.store(true, std::memory_order_release);
    }
    m_wake.notify_all();
}

bool tk_thread_functor::sleep_unless_stopped(int ms) {
    std::unique_lock<std::mutex> lock(m_mutex);
    return m_wake.wait_for(lock, std::chrono::milliseconds(ms),
                           [this] { return stop_requested(); });
}

#include "TK/tk_thread.h"

#include <exception>
#include <system_error>

#include "TK/tk_exception.h"
#include "TK/tk_logger.h"
#include "platform/win/win_error.h"

unsigned thread_start_routine(tk_thread_functor* functor) {
    if (!functor) throw tk_mail_assertion("tk_threa", 149);
    (*functor)();
    return 1;
}

tk_thread::tk_thread(bool owns_functor) : m_owns_functor(owns_functor) {}

tk_thread::~tk_thread() {
    destroy();
}

bool tk_thread::is_running() const noexcept {
    return m_handle && !m_done.load(std::memory_order_acquire);
}

tk_thread_functor* tk_thread::make_functor() {
    m_owns_functor = true;
    return new tk_thread_functor();
}

void tk_thread::start() {
    if (is_running()) throw tk_mail_assertion("tk_threa", 92);
    release();
    tk_thread_functor* functor = make_functor();
    if (!functor) throw tk_mail_assertion("tk_threa", 105);
    m_functor = functor;
    functor->clear_stop();
    m_done.store(false, std::memory_order_release);
    try {
        m_handle = std::make_unique<std::thread>([this, functor] {
            // An exception leaving a thread would end the whole process; the run's own handlers
            // report its errors, so what still escapes is logged here.
            try {
                thread_start_routine(functor);
            } catch (const std::exception& e) {
                tk_log(3, "Worker thread ended by an exception: %s", e.what());
            } catch (...) {
                tk_log(3, "Worker thread ended by an exception: %s", "unknown");
            }
            m_done.store(true, std::memory_order_release);
        });
    } catch (const std::system_error& e) {
        m_done.store(true, std::memory_order_release);
        release();
        SetLastError(static_cast<DWORD>(e.code().value()));
        throw tk_exception_ex("Cannot start a worker thread: ", 1);
    }
}

void tk_thread::release() {
    if (is_running()) throw tk_mail_assertion("tk_threa", 71);
    if (m_handle) {
        if (m_handle->joinable()) m_handle->join();
        m_handle.reset();
    }
    if (m_owns_functor) delete m_functor;
    m_functor = nullptr;
}

void tk_thread::terminate() {
    if (!is_running()) throw tk_mail_assertion("tk_threa", 55);
    m_functor->request_stop();
    m_handle->join();
    release();
}

void tk_thread::destroy() noexcept {
    try {
        if (is_running()) {
            terminate();
        } else {
            release();
        }
    } catch (...) {
        // A destructor must not throw; both paths above only raise on misuse that the state
        // tests exclude.
    }
}

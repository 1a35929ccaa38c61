// functor_thread: a worker thread that runs an object its owner keeps (a page's functor or the
// converter), instead of one it creates.  The destructor stops a run still going (cooperatively,
// see tk_thread) before the object can go.
// Thread-safety: as tk_thread: used by the thread that starts it.
#pragma once

#include "TK/tk_thread.h"

class functor_thread : public tk_thread {
public:
    explicit functor_thread(tk_thread_functor* functor) : tk_thread(false), m_target(functor) {}
    ~functor_thread() override { destroy(); }

    void set_functor(tk_thread_functor* functor) noexcept { m_target = functor; }

protected:
    tk_thread_functor* make_functor() override {
        m_owns_functor = false;
        return m_target;
    }

private:
    tk_thread_functor* m_target;
};

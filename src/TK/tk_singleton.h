// tk_singleton: the one-instance registry of the process-wide objects (logger, engines, converter,
// error handler, wizard shell, date processor).
//
// The derived class's constructor registers `this` only when no instance is registered yet, so a
// second instance never replaces the first; the destructor clears the slot unconditionally.
// Asking for a missing instance is an internal error.  No lock is taken: instances are created
// and destroyed by the main routine while no worker thread runs.
#pragma once

#include "TK/tk_exception.h"

template <class T>
class tk_singleton {
public:
    // The registered instance; raises tk_mail_assertion("tk_singl", 64) when there is none.
    static T& instance() {
        if (!s_instance) throw tk_mail_assertion("tk_singl", 64);
        return static_cast<T&>(*s_instance);
    }
    // The same, as the log calls reach it; raises tk_mail_assertion("tk_singl", 71).
    static T& get_instance() {
        if (!s_instance) throw tk_mail_assertion("tk_singl", 71);
        return static_cast<T&>(*s_instance);
    }
    // The registered instance or null; never raises (for paths that must stay silent).
    static T* find_instance() noexcept { return static_cast<T*>(s_instance); }

    tk_singleton(const tk_singleton&) = delete;
    tk_singleton& operator=(const tk_singleton&) = delete;

protected:
    tk_singleton() noexcept {
        if (!s_instance) s_instance = this;
    }
    virtual ~tk_singleton() { s_instance = nullptr; }

private:
    // Kept as the base: while this constructor runs the object is not a T yet, so the cast to T
    // waits until someone asks for the instance.
    static inline tk_singleton* s_instance = nullptr;
};

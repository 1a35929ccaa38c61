#include "lite_mutex.h"

#include <sqlite3.h>

#include <atomic>
#include <functional>
#include <mutex>

// SQLite declares the type and leaves its definition to the mutex implementation.
struct sqlite3_mutex {
    std::mutex lock;
    // The holder, named by the address of a variable of its thread; null when free. Only the
    // holder writes its own name, so a thread that reads its own name holds the mutex.
    std::atomic<const void*> owner{nullptr};
    int depth = 0;
};

namespace {

thread_local const char t_self = 0;

// SQLite's static mutexes, by their ids from SQLITE_MUTEX_STATIC_MAIN (2): this SQLite asks for
// twelve, and a later one may ask for more.
constexpr int k_first_static = SQLITE_MUTEX_STATIC_MAIN;
constexpr int k_statics = 32;
sqlite3_mutex g_statics[k_statics];

int init() {
    return SQLITE_OK;
}

int end() {
    return SQLITE_OK;
}

sqlite3_mutex* alloc(int id) {
    if (id == SQLITE_MUTEX_FAST || id == SQLITE_MUTEX_RECURSIVE) return new sqlite3_mutex;
    const int slot = id - k_first_static;
    return slot >= 0 && slot < k_statics ? &g_statics[slot] : nullptr;
}

void free_mutex(sqlite3_mutex* m) {
    // Static ones stay; std::less orders pointers into different objects too.
    const std::less<const sqlite3_mutex*> before;
    if (before(m, g_statics) || !before(m, g_statics + k_statics)) delete m;
}

void enter(sqlite3_mutex* m) {
    if (m->owner.load(std::memory_order_relaxed) == &t_self) {
        ++m->depth;
        return;
    }
    m->lock.lock();
    m->owner.store(&t_self, std::memory_order_relaxed);
    m->depth = 1;
}

int try_enter(sqlite3_mutex* m) {
    if (m->owner.load(std::memory_order_relaxed) == &t_self) {
        ++m->depth;
        return SQLITE_OK;
    }
    if (!m->lock.try_lock()) return SQLITE_BUSY;
    m->owner.store(&t_self, std::memory_order_relaxed);
    m->depth = 1;
    return SQLITE_OK;
}

void leave(sqlite3_mutex* m) {
    if (--m->depth > 0) return;
    m->owner.store(nullptr, std::memory_order_relaxed);
    m->lock.unlock();
}

int held(sqlite3_mutex* m) {
    return m->owner.load(std::memory_order_relaxed) == &t_self;
}

int not_held(sqlite3_mutex* m) {
    return !held(m);
}

}  // namespace

void lite_use_own_mutexes() {
    static std::once_flag once;
    std::call_once(once, [] {
        static const sqlite3_mutex_methods methods{init,      end,   alloc, free_mutex, enter,
                                                   try_enter, leave, held,  not_held};
        // SQLITE_MISUSE when SQLite is in use already: its own mutexes then stay.
        sqlite3_config(SQLITE_CONFIG_MUTEX, &methods);
    });
}

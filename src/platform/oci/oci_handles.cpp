#include "platform/oci/oci_handles.h"

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <mutex>
#include <unordered_map>

namespace {

struct registry_state {
    std::mutex lock;
    std::unordered_map<const void*, ub4> live;
};

registry_state& state() {
    // Never destroyed: handles may be freed by static destructors of callers.
    static auto* s = new registry_state;
    return *s;
}

// Every call checks its handles, several per fetched row: each thread remembers the handles it
// has found, until any handle is freed (a freed address may come back as another handle).
// Only live handles are remembered, and the kind of a live handle never changes.
std::atomic<std::uint64_t> g_removals{0};

struct remembered {
    const void* handle = nullptr;
    ub4 kind = 0;
    std::uint64_t removals = 0;
};

constexpr std::size_t k_remembered = 64;
thread_local remembered t_remembered[k_remembered];

// Each handle may sit in either of two slots, so that two handles used together whose hashes
// meet (say an environment and a descriptor read on every row) do not evict each other.
struct slot_pair {
    remembered& first;
    remembered& second;
};

slot_pair slots_of(const void* p) {
    // Handles of one size sit at regular strides: a multiplicative hash spreads them over the
    // slots where the low address bits alone would pile them into a few.
    const std::uint64_t h = (reinterpret_cast<std::uintptr_t>(p) >> 4) * 0x9E3779B97F4A7C15ull;
    return {t_remembered[h >> 58], t_remembered[(h >> 52) & (k_remembered - 1)]};
}

// The registry's answer for a handle not remembered yet; it is remembered when live.
[[gnu::noinline]] ub4 looked_up_kind(const void* p, const slot_pair& slots, std::uint64_t removals) {
    auto& s = state();
    std::lock_guard<std::mutex> guard(s.lock);
    auto it = s.live.find(p);
    if (it == s.live.end()) return 0;
    // The newest handle takes the first slot; the one it displaces keeps a second chance.
    if (slots.first.removals == removals && &slots.first != &slots.second) {
        slots.second = slots.first;
    }
    slots.first = remembered{p, it->second, g_removals.load(std::memory_order_relaxed)};
    return it->second;
}

// The kind of the live handle at p, or 0.
inline ub4 live_kind(const void* p) {
    const std::uint64_t removals = g_removals.load(std::memory_order_acquire);
    const slot_pair slots = slots_of(p);
    if (slots.first.handle == p && slots.first.removals == removals) return slots.first.kind;
    if (slots.second.handle == p && slots.second.removals == removals) return slots.second.kind;
    return looked_up_kind(p, slots, removals);
}

}  // namespace

void oci_registry::add(const oci_handle* h) {
    auto& s = state();
    std::lock_guard<std::mutex> guard(s.lock);
    s.live[h] = h->kind;
}

void oci_registry::remove(const oci_handle* h) {
    auto& s = state();
    std::lock_guard<std::mutex> guard(s.lock);
    s.live.erase(h);
    g_removals.fetch_add(1, std::memory_order_release);
}

oci_handle* oci_registry::find(const void* p, ub4 kind) {
    if (p == nullptr || live_kind(p) != kind) return nullptr;
    // Registered pointers are always oci_handle objects.
    return static_cast<oci_handle*>(const_cast<void*>(p));
}

ub4 oci_registry::kind_of(const void* p) {
    return p == nullptr ? 0 : live_kind(p);
}

OCIDateTime* oci_find_datetime(const void* p) {
    const ub4 kind = oci_registry::kind_of(p);
    if (!oci_is_datetime_dtype(kind)) return nullptr;
    return static_cast<OCIDateTime*>(static_cast<oci_handle*>(const_cast<void*>(p)));
}

oci_handle::oci_handle(ub4 k, OCIEnv* e) : kind(k), env(e) {
    oci_registry::add(this);
}

oci_handle::~oci_handle() {
    oci_registry::remove(this);
}

OCIEnv::OCIEnv() : oci_handle(OCI_HTYPE_ENV, this) {}

OCIEnv::~OCIEnv() {
    // Statements first: they borrow the sessions' connections.
    std::vector<oci_handle*> stmts;
    std::vector<oci_handle*> others;
    for (oci_handle* h : children) (h->kind == OCI_HTYPE_STMT ? stmts : others).push_back(h);
    children.clear();
    for (oci_handle* h : stmts) delete h;
    for (oci_handle* h : others) delete h;
}

OCIServer::~OCIServer() {
    detach();
}

void OCIServer::detach() noexcept {
    auto begun = sessions;
    for (OCISession* s : begun) s->end();
    sessions.clear();
    attached = false;
    directory.clear();
}

OCISession::~OCISession() {
    end();
}

void OCISession::end() noexcept {
    auto users = statements;
    for (OCIStmt* s : users) s->forget_compiled();
    statements.clear();
    if (lite) {
        lite->logoff();
        lite.reset();
    }
    if (server != nullptr) {
        server->sessions.erase(this);
        server = nullptr;
    }
}

OCIDefine::~OCIDefine() {
    if (stmt != nullptr && position >= 1 && position <= stmt->defines.size() &&
        stmt->defines[position - 1] == this) {
        stmt->defines[position - 1] = nullptr;
    }
}

OCIBind::~OCIBind() {
    if (stmt != nullptr) {
        auto& v = stmt->binds;
        v.erase(std::remove(v.begin(), v.end(), this), v.end());
    }
}

OCIParam::~OCIParam() {
    if (stmt != nullptr) {
        for (auto& p : stmt->params) {
            if (p == this) p = nullptr;
        }
    }
}

OCIStmt::~OCIStmt() {
    forget_compiled();
    auto defs = std::move(defines);
    auto bnds = std::move(binds);
    defines.clear();
    binds.clear();
    for (OCIDefine* d : defs) {
        if (d != nullptr) {
            d->stmt = nullptr;
            delete d;
        }
    }
    for (OCIBind* b : bnds) {
        b->stmt = nullptr;
        delete b;
    }
    drop_params();
}

void OCIStmt::drop_params() noexcept {
    auto ps = std::move(params);
    params.clear();
    for (OCIParam* p : ps) {
        if (p != nullptr) {
            p->stmt = nullptr;
            delete p;
        }
    }
    described = false;
}

void OCIStmt::forget_compiled() noexcept {
    compiled.reset();
    if (session != nullptr) {
        session->statements.erase(this);
        session = nullptr;
    }
    executed = false;
    at_end = false;
}

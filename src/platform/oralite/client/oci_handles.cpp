#include "client/oci_handles.h"

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

}  // namespace

constinit thread_local oci_registry::remembered oci_registry::t_remembered[k_remembered];

ub4 oci_registry::looked_up_kind(const void* p, std::uint64_t removals) {
    auto& s = state();
    std::lock_guard<std::mutex> guard(s.lock);
    auto it = s.live.find(p);
    if (it == s.live.end()) return 0;
    const std::uint64_t h = hash(p);
    remembered& first = t_remembered[h >> 58];
    remembered& second = t_remembered[(h >> 52) & (k_remembered - 1)];
    // The newest handle takes the first slot; the one it displaces keeps a second chance.
    if (first.removals == removals && &first != &second) second = first;
    first = remembered{p, it->second, s_removals.load(std::memory_order_relaxed)};
    return it->second;
}

void oci_registry::add(const oci_handle* h) {
    auto& s = state();
    std::lock_guard<std::mutex> guard(s.lock);
    s.live[h] = h->kind;
}

void oci_registry::remove(const oci_handle* h) {
    auto& s = state();
    std::lock_guard<std::mutex> guard(s.lock);
    s.live.erase(h);
    s_removals.fetch_add(1, std::memory_order_release);
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

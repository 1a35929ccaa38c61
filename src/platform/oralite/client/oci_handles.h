// The bodies behind the opaque OCI handle and descriptor types, and the registry that tells live
// handles from anything else.
//
// Every handle and descriptor derives from `oci_handle` and is registered while it lives, so a
// call can reject a null, freed or wrong-kind pointer with OCI_INVALID_HANDLE before touching it.
// Ownership mirrors the client library: an environment owns every handle and descriptor made
// under it; a statement owns its defines, binds and describe parameters; freeing an owner frees
// what it owns. Sessions own the engine connection (`lite_session`); statements borrow it and are
// detached from it when the session ends.
//
// The bodies share one header because they are one C object model: each only makes sense next
// to the handles that own or borrow it.
//
// Thread-safety: the registry is locked; the handles themselves belong to one thread at a time.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <unordered_set>
#include <vector>

#include "lite_engine.h"
#include "platform/oci/oci.h"
#include "client/oci_lite.h"

struct OCIParam;

struct oci_handle {
    oci_handle(ub4 kind, OCIEnv* env);
    virtual ~oci_handle();
    oci_handle(const oci_handle&) = delete;
    oci_handle& operator=(const oci_handle&) = delete;

    const ub4 kind;     // OCI_HTYPE_* or OCI_DTYPE_*
    OCIEnv* const env;  // the owning environment (itself for an environment)
    std::vector<char> user_memory;
};

class oci_registry {
public:
    static void add(const oci_handle* h);
    static void remove(const oci_handle* h);
    // The handle at `p` when it is live and of `kind`, else null.
    static oci_handle* find(const void* p, ub4 kind) {
        if (p == nullptr || kind_of(p) != kind) return nullptr;
        // Registered pointers are always oci_handle objects.
        return static_cast<oci_handle*>(const_cast<void*>(p));
    }
    // The kind of the live handle at `p`, or 0.
    static ub4 kind_of(const void* p) {
        if (p == nullptr) return 0;
        const std::uint64_t removals = s_removals.load(std::memory_order_acquire);
        const std::uint64_t h = hash(p);
        const remembered& first = t_remembered[h >> 58];
        if (first.handle == p && first.removals == removals) return first.kind;
        const remembered& second = t_remembered[(h >> 52) & (k_remembered - 1)];
        if (second.handle == p && second.removals == removals) return second.kind;
        return looked_up_kind(p, removals);
    }

private:
    // Every call checks its handles, several per fetched row: each thread remembers the handles
    // it has found, until any handle is freed (a freed address may come back as another handle).
    // Only live handles are remembered, and the kind of a live handle never changes. The check
    // of a remembered handle is inline; the registry itself is looked up out of line.
    struct remembered {
        const void* handle = nullptr;
        ub4 kind = 0;
        std::uint64_t removals = 0;
    };
    static constexpr std::size_t k_remembered = 64;

    // Each handle may sit in either of two slots, so that two handles used together whose
    // hashes meet (say an environment and a descriptor read on every row) do not evict each
    // other. Handles of one size sit at regular strides: a multiplicative hash spreads them over
    // the slots where the low address bits alone would pile them into a few.
    static std::uint64_t hash(const void* p) {
        return (reinterpret_cast<std::uintptr_t>(p) >> 4) * 0x9E3779B97F4A7C15ull;
    }
    // The registry's answer for a handle not remembered yet; it is remembered when live.
    static ub4 looked_up_kind(const void* p, std::uint64_t removals);

    static inline std::atomic<std::uint64_t> s_removals{0};
    static constinit thread_local remembered t_remembered[k_remembered];
};

template <class T>
inline T* oci_find(const void* p, ub4 kind) {
    return static_cast<T*>(oci_registry::find(p, kind));
}

struct OCIEnv : oci_handle {
    OCIEnv();
    ~OCIEnv() override;
    ub2 charset = OCI_UTF16ID;
    ub2 ncharset = OCI_UTF16ID;
    std::unordered_set<oci_handle*> children;  // owned
};

struct OCIError : oci_handle {
    explicit OCIError(OCIEnv* e) : oci_handle(OCI_HTYPE_ERROR, e) {}
    void clear() noexcept { code = 0; }
    void set(int ora_code, std::string text_utf8) {
        code = ora_code;
        text = std::move(text_utf8);
    }
    int code = 0;      // 0: no record
    std::string text;  // UTF-8, without the "ORA-nnnnn: " prefix
};

struct OCISession;

struct OCIServer : oci_handle {
    explicit OCIServer(OCIEnv* e) : oci_handle(OCI_HTYPE_SERVER, e) {}
    ~OCIServer() override;
    // Ends every session begun over this server, then forgets the instance.
    void detach() noexcept;
    bool attached = false;
    std::string directory;                     // the instance
    std::unordered_set<OCISession*> sessions;  // not owned
};

struct OCIStmt;

struct OCISession : oci_handle {
    explicit OCISession(OCIEnv* e) : oci_handle(OCI_HTYPE_SESSION, e) {}
    ~OCISession() override;
    // Logs off and detaches every statement compiled over the session.
    void end() noexcept;
    std::u16string user;
    std::u16string password;
    std::unique_ptr<lite_session> lite;       // set while a session is begun
    OCIServer* server = nullptr;              // not owned; set while begun
    std::unordered_set<OCIStmt*> statements;  // not owned
};

struct OCISvcCtx : oci_handle {
    explicit OCISvcCtx(OCIEnv* e) : oci_handle(OCI_HTYPE_SVCCTX, e) {}
    OCIServer* server = nullptr;    // not owned; validated at use
    OCISession* session = nullptr;  // not owned; validated at use
};

struct OCIDefine : oci_handle {
    OCIDefine(OCIEnv* e, OCIStmt* s) : oci_handle(OCI_HTYPE_DEFINE, e), stmt(s) {}
    ~OCIDefine() override;
    OCIStmt* stmt;  // owner
    ub4 position = 0;
    void* valuep = nullptr;
    sb4 value_sz = 0;
    ub2 dty = 0;
    sb2* indp = nullptr;
    ub2* rlenp = nullptr;
    ub2* rcodep = nullptr;
    ub2 charset_id = OCI_UTF16ID;
    ub1 charset_form = SQLCS_IMPLICIT;
    bool dynamic = false;  // OCI_DYNAMIC_FETCH: the value goes in pieces to `callback`
    OCICallbackDefine callback = nullptr;
    void* callback_ctx = nullptr;
};

struct OCIBind : oci_handle {
    OCIBind(OCIEnv* e, OCIStmt* s) : oci_handle(OCI_HTYPE_BIND, e), stmt(s) {}
    ~OCIBind() override;
    OCIStmt* stmt;     // owner
    ub4 position = 0;  // by position when not 0
    std::string name;  // by name (upper-case, no colon) when position is 0
    void* valuep = nullptr;
    sb4 value_sz = 0;
    ub2 dty = 0;
    sb2* indp = nullptr;
    ub2* alenp = nullptr;
    ub2* rcodep = nullptr;
    ub4 mode = OCI_DEFAULT;
    ub2 charset_id = OCI_UTF16ID;
    ub1 charset_form = SQLCS_IMPLICIT;
    void* in_ctx = nullptr;
    OCICallbackInBind in_cb = nullptr;
    void* out_ctx = nullptr;
    OCICallbackOutBind out_cb = nullptr;
    std::string text_scratch;  // UTF-8 of the last UTF-16 value bound
};

struct OCIParam : oci_handle {
    OCIParam(OCIEnv* e, OCIStmt* s) : oci_handle(OCI_DTYPE_PARAM, e), stmt(s) {}
    ~OCIParam() override;
    OCIStmt* stmt;  // owner
    ub2 data_type = 0;
    ub2 data_size = 0;
    sb2 precision = 0;
    sb1 scale = 0;
    ub1 is_null = 1;
    ub1 charset_form = 0;
    ub1 char_used = 0;
    ub2 char_size = 0;
    std::u16string name;
    std::u16string type_name;
};

struct OCIStmt : oci_handle {
    explicit OCIStmt(OCIEnv* e) : oci_handle(OCI_HTYPE_STMT, e) {}
    ~OCIStmt() override;
    // Drops the compiled form (the session ended or the text changed).
    void forget_compiled() noexcept;
    void drop_params() noexcept;

    bool prepared = false;
    std::string sql;  // UTF-8
    ub2 stmt_type = OCI_STMT_UNKNOWN;
    OCISession* session = nullptr;  // the session `compiled` borrows
    std::unique_ptr<lite_statement> compiled;
    bool described = false;  // columns and params are current
    bool executed = false;   // a query is open for fetching
    bool at_end = false;
    ub4 row_count = 0;
    ub4 prefetch_rows = 1;            // the engine reads a query ahead when more than one
    std::vector<OCIDefine*> defines;  // owned, by position - 1 (null when not defined)
    std::vector<OCIBind*> binds;      // owned, in the order made
    std::vector<OCIParam*> params;    // owned, by position - 1
    std::vector<char> bound_scratch;  // reused by every execute of an array bind
};

struct OCILobLocator : oci_handle {
    explicit OCILobLocator(OCIEnv* e) : oci_handle(OCI_DTYPE_LOB, e) {}
    bool has_value = false;
    bool binary = false;
    ub1 charset_form = SQLCS_IMPLICIT;
    std::string data;  // bytes of a BLOB, UTF-8 of a CLOB
    // A character LOB's data as UTF-16 units, the characters its reads and writes count; made by
    // the first read that needs it and dropped whenever `data` is replaced.
    std::u16string units;
    bool units_ready = false;
    // A polled read in progress (OCILobRead streaming without a callback): where its next piece
    // begins and its amount ends (0-based, in the units its reads count), in which character set.
    bool polling = false;
    size_t poll_next = 0;
    size_t poll_end = 0;
    ub2 poll_csid = 0;
    // Where a locator read FOR UPDATE writes back: the row of owner.table with that ROWID
    // (empty column: read-only).
    std::string owner;
    std::string table;
    std::string column;
    std::string rowid;
};

struct OCIDateTime : oci_handle {
    OCIDateTime(OCIEnv* e, ub4 dtype) : oci_handle(dtype, e) {}
    bool has_value = false;
    lite_datetime value;
};

// A descriptor kind that holds a date or a timestamp.
inline bool oci_is_datetime_dtype(ub4 kind) {
    return kind == OCI_DTYPE_DATE || kind == OCI_DTYPE_TIMESTAMP ||
           kind == OCI_DTYPE_TIMESTAMP_TZ || kind == OCI_DTYPE_TIMESTAMP_LTZ;
}

// A live date or timestamp descriptor at `p`, of any of the datetime kinds.
inline OCIDateTime* oci_find_datetime(const void* p) {
    if (!oci_is_datetime_dtype(oci_registry::kind_of(p))) return nullptr;
    return static_cast<OCIDateTime*>(static_cast<oci_handle*>(const_cast<void*>(p)));
}

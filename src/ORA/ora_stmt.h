// ora_stmt: one OCI statement handle on the engine's environment, for the duration of one query.
// Statements are never shared: each operation that runs SQL holds its own, on the stack or as a
// member of a result object, and the destructor frees the handle.
// Thread-safety: none; used by the thread that owns it.
#pragma once

#include <string>

#include "platform/oci/oci.h"

class ora_stmt {
public:
    // Allocates the handle; an OCI error raises ora_exception.
    ora_stmt();
    // Frees the handle; never raises.
    ~ora_stmt();
    ora_stmt(const ora_stmt&) = delete;
    ora_stmt& operator=(const ora_stmt&) = delete;

    OCIStmt* get() const noexcept { return m_handle; }

    // Hands `sql` to OCIStmtPrepare as UTF-16 (native syntax) and returns the status unchecked.
    sword prepare(const std::wstring& sql);
    // OCIStmtExecute on the engine's service context; returns the status unchecked.
    sword execute(ub4 iters, ub4 mode = OCI_DEFAULT);
    // OCIStmtFetch of one row, OCI_FETCH_NEXT; returns the status unchecked.
    sword fetch();
    // Prepares `sql`, defines its first column as a 4-byte integer `value` and executes one
    // iteration.  Prepare and define failures raise ora_exception; the execute status is returned
    // unchecked (OCI_NO_DATA when there is no row, and `value` then keeps what it held).
    sword select_int(const std::wstring& sql, sb4& value);

private:
    OCIStmt* m_handle = nullptr;
    // Kept alive while the handle may still refer to it.
    std::u16string m_text;
};

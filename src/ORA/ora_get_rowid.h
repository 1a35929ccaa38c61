// ora_get_rowid: runs one INSERT with "RETURNING ROWID INTO :1" and hands back the new row's
// ROWID, received through dynamic bind callbacks into a 512-character buffer.
// Thread-safety: none.
#pragma once

#include <string>

#include "ORA/ora_stmt.h"

class ora_get_rowid {
public:
    // Prepares, binds and executes `insert` (without its RETURNING clause) once, committing on
    // success; the ROWID text.  Raises ora_exception, tk_mail_assertion("ora_tab") for a ROWID
    // longer than the buffer.
    std::wstring do_insert(const std::wstring& insert);

    static sb4 cbf_no_data(void* ctx, OCIBind* bind, ub4 iter, ub4 index, void** bufp, ub4* alenp,
                           ub1* piecep, void** indp);
    static sb4 cbf_get_data(void* ctx, OCIBind* bind, ub4 iter, ub4 index, void** bufp, ub4** alenp,
                            ub1* piecep, void** indp, ub2** rcodep);

private:
    static constexpr int k_chars = 512;

    ora_stmt m_stmt;
    OCIBind* m_bind = nullptr;
    char16_t m_buf[k_chars] = {};
    ub4 m_len = 0;
    sb2 m_ind = 0;
    ub2 m_rcode = 0;
};

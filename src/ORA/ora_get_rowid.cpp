#include "ORA/ora_get_rowid.h"

#include "ORA/ora_engine.h"
#include "ORA/ora_utils.h"
#include "TK/tk_exception.h"
#include "TK/tk_logger.h"

sb4 ora_get_rowid::cbf_no_data(void*, OCIBind*, ub4, ub4, void** bufp, ub4* alenp, ub1* piecep,
                               void** indp) {
    *bufp = nullptr;
    *alenp = 0;
    *indp = nullptr;
    *piecep = OCI_ONE_PIECE;
    return OCI_CONTINUE;
}

sb4 ora_get_rowid::cbf_get_data(void* ctx, OCIBind*, ub4 iter, ub4, void** bufp, ub4** alenp,
                                ub1* piecep, void** indp, ub2** rcodep) {
    tk_log(1, "ora_get_rowid::cbf_get_data (iter=%d)", static_cast<int>(iter));
    auto* self = static_cast<ora_get_rowid*>(ctx);
    self->m_len = sizeof self->m_buf;
    *bufp = self->m_buf;
    *alenp = &self->m_len;
    *piecep = OCI_ONE_PIECE;
    *indp = &self->m_ind;
    *rcodep = &self->m_rcode;
    return OCI_CONTINUE;
}

std::wstring ora_get_rowid::do_insert(const std::wstring& insert) {
    ora_engine& eng = ora_engine::instance();
    const std::wstring sql = insert + L" RETURNING ROWID INTO :1";
    tk_wlog(2, L"Run SQL query: %s\n", sql.c_str());
    eng.check_err(m_stmt.prepare(sql));
    static const std::u16string placeholder = u":1";
    eng.check_err(eng.oci().BindByName(
        m_stmt.get(), &m_bind, eng.err(), reinterpret_cast<const OraText*>(placeholder.data()),
        static_cast<sb4>(placeholder.size() * 2), nullptr, static_cast<sb4>(sizeof m_buf), SQLT_STR,
        nullptr, nullptr, nullptr, 0, nullptr, OCI_DATA_AT_EXEC));
    eng.check_err(eng.oci().BindDynamic(m_bind, eng.err(), this, cbf_no_data, this, cbf_get_data));
    m_buf[0] = 0;
    m_len = 0;
    eng.check_err(m_stmt.execute(1, OCI_COMMIT_ON_SUCCESS));
    const ub4 chars = m_len / 2;
    tk_log(2, "GOT ROWID(1): len=%d", static_cast<int>(chars));
    if (chars > k_chars - 1) throw tk_mail_assertion("ora_tab", 780);
    std::wstring rowid = ora_from_utf16(m_buf, chars);
    tk_wlog(2, L"GOT ROWID(2): %s", rowid.c_str());
    return rowid;
}

#include "ORA/ora_stmt.h"

#include "ORA/ora_engine.h"
#include "ORA/ora_utils.h"
#include "TK/tk_logger.h"

ora_stmt::ora_stmt() {
    tk_log(1, "ora_stmt::ctor");
    ora_engine& eng = ora_engine::instance();
    eng.check_err(eng.oci().HandleAlloc(eng.env(), reinterpret_cast<void**>(&m_handle),
                                        OCI_HTYPE_STMT, 0, nullptr));
}

ora_stmt::~ora_stmt() {
    tk_log(1, "ora_stmt::dtor");
    if (m_handle) {
        if (ora_engine* eng = ora_engine::find_instance())
            eng->oci().HandleFree(m_handle, OCI_HTYPE_STMT);
    }
    tk_log(1, "ora_stmt::dtor - END");
}

sword ora_stmt::prepare(const std::wstring& sql) {
    ora_engine& eng = ora_engine::instance();
    m_text = ora_to_utf16(sql);
    return eng.oci().StmtPrepare(m_handle, eng.err(),
                                 reinterpret_cast<const OraText*>(m_text.c_str()),
                                 static_cast<ub4>(m_text.size() * 2), OCI_NTV_SYNTAX, OCI_DEFAULT);
}

sword ora_stmt::execute(ub4 iters, ub4 mode) {
    ora_engine& eng = ora_engine::instance();
    return eng.oci().StmtExecute(eng.svc(), m_handle, eng.err(), iters, 0, nullptr, nullptr, mode);
}

sword ora_stmt::fetch() {
    ora_engine& eng = ora_engine::instance();
    return eng.oci().StmtFetch(m_handle, eng.err(), 1, OCI_FETCH_NEXT, OCI_DEFAULT);
}

sword ora_stmt::select_int(const std::wstring& sql, sb4& value) {
    ora_engine& eng = ora_engine::instance();
    eng.check_err(prepare(sql));
    OCIDefine* def = nullptr;
    eng.check_err(eng.oci().DefineByPos(m_handle, &def, eng.err(), 1, &value, sizeof value,
                                        SQLT_INT, nullptr, nullptr, nullptr, OCI_DEFAULT));
    return execute(1);
}

#include "ORA/ora_float.h"

#include "ORA/ora_engine.h"
#include "TK/tk_logger.h"

ora_float::ora_float(OCIParam* param) : ora_type(param), m_double(m_data_type == SQLT_IBDOUBLE) {
    tk_log(1, "ora_float::ctor");
}

int ora_float::get_vartype() const {
    return m_double ? VT_R8 : VT_R4;
}

void ora_float::define(OCIStmt* stmt, int pos) {
    tk_log(1, "ora_float::define(%d)", pos);
    ora_engine& eng = ora_engine::instance();
    void* target = m_double ? static_cast<void*>(&m_value) : static_cast<void*>(&m_float);
    sb4 size = m_double ? sizeof m_value : sizeof m_float;
    eng.check_err(eng.oci().DefineByPos(stmt, &m_define, eng.err(), static_cast<ub4>(pos), target,
                                        size, m_double ? SQLT_BDOUBLE : SQLT_BFLOAT, &m_null_ind,
                                        nullptr, nullptr, OCI_DEFAULT));
}

void ora_float::to_variant(ole_variant& out) {
    tk_log(1, "ora_float::to_variant");
    out = m_double ? ole_variant(m_value) : ole_variant(m_float);
}

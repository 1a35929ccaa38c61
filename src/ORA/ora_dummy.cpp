#include "ORA/ora_dummy.h"

#include "TK/tk_logger.h"

ora_dummy::ora_dummy(OCIParam* param) : ora_type(param), m_described_type(m_data_type) {
    m_data_type = SQLT_STR;
    m_size = 18;
    m_nullable = 0;
}

int ora_dummy::get_vartype() const {
    return m_described_type == SQLT_BFILE ? VT_BLOB : VT_BSTR;
}

void ora_dummy::to_variant(ole_variant& out) {
    out.attach_wstring(L"<unsupported type>");
}

void ora_dummy::define(OCIStmt*, int) {}

#include "ORA/ora_binary.h"

#include "ORA/ora_engine.h"
#include "TK/tk_exception.h"
#include "TK/tk_logger.h"
#include "TK/tk_utils.h"

ora_binary::ora_binary(OCIParam* param) : ora_type(param) {
    m_data_type = SQLT_BIN;
    m_size = read_data_size(param);
    m_buf.assign(m_size ? m_size : 1, 0);
}

void ora_binary::define(OCIStmt* stmt, int pos) {
    tk_log(1, "ora_binary::define(%d)", pos);
    ora_engine& eng = ora_engine::instance();
    eng.check_err(eng.oci().DefineByPos(stmt, &m_define, eng.err(), static_cast<ub4>(pos),
                                        m_buf.data(), static_cast<sb4>(m_size), SQLT_BIN,
                                        &m_null_ind, &m_ret_len, &m_ret_code, OCI_DEFAULT));
}

void ora_binary::to_variant(ole_variant& out) {
    tk_log(1, "ora_binary::to_variant");
    if (m_buf.empty()) throw tk_mail_assertion("..\\ORA/ora_type", 88);
    std::size_t len = m_ret_len <= m_size ? m_ret_len : m_size;
    out.attach_binary(len, m_buf.data());
}

std::wstring ora_binary::fetched_text() const {
    std::string hex = "0x" + tk_bytes_to_hex(m_buf.data(), m_buf.size() < 32 ? m_buf.size() : 32);
    return std::wstring(hex.begin(), hex.end());
}

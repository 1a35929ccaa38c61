#include "ORA/ora_string.h"

#include "ORA/ora_engine.h"
#include "ORA/ora_utils.h"
#include "TK/tk_exception.h"
#include "TK/tk_logger.h"

ora_string::ora_string(OCIParam* param) : ora_type(param) {
    m_data_type = SQLT_STR;
    m_size = read_data_size(param);
    m_buf.assign(m_size + 1, u'\0');
}

void ora_string::define(OCIStmt* stmt, int pos) {
    tk_log(1, "ora_string::define(%d)", pos);
    ora_engine& eng = ora_engine::instance();
    eng.check_err(eng.oci().DefineByPos(stmt, &m_define, eng.err(), static_cast<ub4>(pos),
                                        m_buf.data(), static_cast<sb4>(m_size * 2 + 2), SQLT_STR,
                                        &m_null_ind, &m_ret_len, &m_ret_code, OCI_DEFAULT));
    ub2 charset = OCI_UTF16ID;
    eng.check_err(
        eng.oci().AttrSet(m_define, OCI_HTYPE_DEFINE, &charset, 0, OCI_ATTR_CHARSET_ID, eng.err()));
}

void ora_string::to_variant(ole_variant& out) {
    tk_log(1, "ora_string::to_variant");
    if (m_buf.empty()) throw tk_mail_assertion("ora_type", 283);
    // By the fetched length: a zero character is part of a text, not its end.
    std::size_t units = m_ret_len / 2;
    if (units > m_buf.size()) units = m_buf.size();
    // With the detail trace off, a text without surrogates is widened straight into the value;
    // pairs and strays take the general way, which pairs or replaces them.
    if (!tk_log_wanted(1) && ora_widen_plain_utf16(m_buf.data(), units, out)) return;
    ora_from_utf16_counted(m_buf.data(), units, m_text);
    const std::wstring& text = m_text;
    tk_wlog(1, L"buf=%s", text.c_str());
    out.attach_wstring(text);
}

std::wstring ora_string::fetched_text() const {
    return ora_from_utf16(m_buf.data(), m_buf.size() < 64 ? m_buf.size() : 64);
}

#include "ORA/ora_str_repr.h"

#include "ORA/ora_engine.h"
#include "ORA/ora_utils.h"
#include "TK/tk_exception.h"
#include "TK/tk_logger.h"

ora_str_repr::ora_str_repr(OCIParam* param, unsigned capacity) : ora_type(param) {
    m_size = capacity;
    m_units = is_long_raw() ? 2 * static_cast<std::size_t>(m_size) + 2 : m_size;
    m_buf = std::make_unique_for_overwrite<char16_t[]>(m_units);
    std::size_t text = 0;
    if (is_long_raw()) {
        m_buf[0] = u'0';
        m_buf[1] = u'x';
        text = 2;
    }
    // Empty until the first fetch.
    if (text < m_units) m_buf[text] = u'\0';
}

void ora_str_repr::define(OCIStmt* stmt, int pos) {
    tk_log(1, "ora_str_repr::define(%d)", pos);
    ora_engine& eng = ora_engine::instance();
    // LONG RAW digits go after the "0x" prefix, into the rest of the buffer.
    char16_t* target = is_long_raw() ? m_buf.get() + 2 : m_buf.get();
    std::size_t bytes = is_long_raw() ? (m_units - 2) * 2 : m_units * 2;
    eng.check_err(eng.oci().DefineByPos(stmt, &m_define, eng.err(), static_cast<ub4>(pos), target,
                                        static_cast<sb4>(bytes), SQLT_STR, &m_null_ind, &m_ret_len,
                                        &m_ret_code, OCI_DEFAULT));
    if (!is_long_raw()) set_define_charset(OCI_UTF16ID);
}

void ora_str_repr::to_variant(ole_variant& out) {
    if (m_units == 0) throw tk_mail_assertion("ora_type", 283);
    ora_from_utf16(m_buf.get(), m_units, m_text);
    const std::wstring& text = m_text;
    tk_wlog(1, L"ora_str_repr::to_variant (buf=%s)", text.c_str());
    if (is_long_raw())
        out = ole_variant::from_wstring(text, VT_BLOB);
    else
        out.attach_wstring(text);
}

std::wstring ora_str_repr::fetched_text() const {
    return ora_from_utf16(m_buf.get(), m_units < 64 ? m_units : 64);
}

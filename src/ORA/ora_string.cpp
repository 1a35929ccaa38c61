#include "ORA/ora_string.h"

#include <algorithm>

#include "ORA/ora_engine.h"
#include "ORA/ora_utils.h"
#include "TK/tk_exception.h"
#include "TK/tk_logger.h"

ora_string::ora_string(OCIParam* param) : ora_type(param) {
    m_data_type = SQLT_STR;
    m_size = read_data_size(param);
    // UTF-8 needs room for as many characters as UTF-16 units of the data size would hold: a
    // character of one unit takes up to three bytes, one of two units four.  A fetched length
    // counts at most 65,535 bytes, so a column whose UTF-8 could be longer is fetched as UTF-16,
    // whose units always fit it.
    const std::size_t utf8_bytes = std::size_t{m_size} * 3 + 1;
    m_utf16 = utf8_bytes > k_most_fetched_bytes;
    m_buf.assign(m_utf16 ? m_size + 1 : (utf8_bytes + 1) / 2, u'\0');
}

void ora_string::define(OCIStmt* stmt, int pos) {
    tk_log(1, "ora_string::define(%d)", pos);
    ora_engine& eng = ora_engine::instance();
    eng.check_err(eng.oci().DefineByPos(stmt, &m_define, eng.err(), static_cast<ub4>(pos),
                                        m_buf.data(), static_cast<sb4>(m_buf.size() * 2), SQLT_STR,
                                        &m_null_ind, &m_ret_len, &m_ret_code, OCI_DEFAULT));
    set_define_charset(m_utf16 ? OCI_UTF16ID : k_utf8_charset);
}

void ora_string::to_variant(ole_variant& out) {
    tk_log(1, "ora_string::to_variant");
    if (m_buf.empty()) throw tk_mail_assertion("ora_type", 283);
    // By the fetched length: a zero character is part of a text, not its end.
    if (m_utf16) {
        const std::size_t units = std::min<std::size_t>(m_ret_len / 2, m_buf.size());
        if (ora_from_utf16_counted(m_buf.data(), units, m_text)) raise_lone_surrogate(m_text);
    } else {
        const char* utf8 = utf8_text();
        const std::size_t bytes = std::min<std::size_t>(m_ret_len, m_buf.size() * 2);
        // The buffer holds more bytes than the described size in characters may take, so a
        // longer value arrives whole here: it is refused as a value the column cannot carry.
        if (bytes > m_size && ora_utf16_units(utf8, bytes) > m_size) raise_cut_value();
        if (decode_utf8(utf8, bytes, m_text, out)) return;
    }
    const std::wstring& text = m_text;
    tk_wlog(1, L"buf=%s", text.c_str());
    out.attach_wstring(text);
}

std::wstring ora_string::fetched_text() const {
    if (m_utf16) return ora_from_utf16(m_buf.data(), std::min<std::size_t>(m_buf.size(), 64));
    std::wstring text = ora_from_utf8(utf8_text(), ora_text_length(utf8_text(), m_buf.size() * 2));
    if (text.size() > 64) text.resize(64);
    return text;
}

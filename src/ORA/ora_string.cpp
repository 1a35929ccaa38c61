#include "ORA/ora_string.h"

#include <algorithm>

#include "ORA/ora_engine.h"
#include "ORA/ora_utils.h"
#include "TK/tk_exception.h"
#include "TK/tk_logger.h"

namespace {

// The UTF-16 units of UTF-8 text: one for each character, two for one beyond the BMP.
std::size_t utf16_units(const char* bytes, std::size_t count) {
    std::size_t units = 0;
    for (std::size_t i = 0; i < count; ++i) {
        const auto b = static_cast<unsigned char>(bytes[i]);
        units += ((b & 0xC0) != 0x80) + (b >= 0xF0);
    }
    return units;
}

}  // namespace

ora_string::ora_string(OCIParam* param) : ora_type(param) {
    m_data_type = SQLT_STR;
    m_size = read_data_size(param);
    // Room for as many characters as UTF-16 units of the data size would hold: a character of
    // one unit takes up to three bytes, one of two units four.
    m_buf.assign(std::size_t{m_size} * 3 + 1, '\0');
}

void ora_string::define(OCIStmt* stmt, int pos) {
    tk_log(1, "ora_string::define(%d)", pos);
    ora_engine& eng = ora_engine::instance();
    eng.check_err(eng.oci().DefineByPos(stmt, &m_define, eng.err(), static_cast<ub4>(pos),
                                        m_buf.data(), static_cast<sb4>(m_buf.size()), SQLT_STR,
                                        &m_null_ind, &m_ret_len, &m_ret_code, OCI_DEFAULT));
    set_define_charset(k_utf8_charset);
}

void ora_string::to_variant(ole_variant& out) {
    tk_log(1, "ora_string::to_variant");
    if (m_buf.empty()) throw tk_mail_assertion("ora_type", 283);
    // By the fetched length: a zero character is part of a text, not its end.
    const std::size_t bytes = std::min<std::size_t>(m_ret_len, m_buf.size());
    // The buffer holds more bytes than the described size in characters may take, so a longer
    // value arrives whole here: it is refused as a value the column cannot carry.
    if (bytes > m_size && utf16_units(m_buf.data(), bytes) > m_size) raise_cut_value();
    // With the detail trace off, well-formed text is decoded straight into the value; malformed
    // bytes take the general way, which replaces them.
    if (!tk_log_wanted(1) && ora_decode_utf8(m_buf.data(), bytes, out)) return;
    ora_from_utf8(m_buf.data(), bytes, m_text);
    const std::wstring& text = m_text;
    tk_wlog(1, L"buf=%s", text.c_str());
    out.attach_wstring(text);
}

std::wstring ora_string::fetched_text() const {
    std::wstring text = ora_from_utf8(m_buf.data(), ora_text_length(m_buf.data(), m_buf.size()));
    if (text.size() > 64) text.resize(64);
    return text;
}

#include "ORA/ora_str_repr.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "ORA/ora_engine.h"
#include "ORA/ora_utils.h"
#include "TK/tk_exception.h"
#include "TK/tk_logger.h"
#include "TK/tk_utils.h"

namespace {

// The bytes the count ahead of a counted text takes.
constexpr std::size_t k_count_bytes = sizeof(sb4);
// The most UTF-8 bytes one UTF-16 unit of text takes.
constexpr std::size_t k_utf8_per_unit = 3;
// The first piece of a pieced value; each further one is as large as the value so far, so that a
// value of n bytes takes about log2(n / k_first_piece) fetch calls and at most twice its room.
constexpr std::size_t k_first_piece = 64 * 1024;
// A pieced buffer larger than this is given back after its value was read: one long value must
// not keep megabytes for the rest of the table.
constexpr std::size_t k_kept_piece_room = 1024 * 1024;
// The most a LONG may hold, for the define's size.
constexpr sb4 k_most_long_bytes = 0x7FFFFFFF;

}  // namespace

ora_str_repr::ora_str_repr(OCIParam* param, unsigned capacity) : ora_type(param) {
    m_size = capacity;
    if (capacity == 0) {
        m_pieced = true;
        return;
    }
    if (is_long_raw()) {
        m_units = 2 * static_cast<std::size_t>(m_size) + 2;
        m_buf = std::make_unique_for_overwrite<char16_t[]>(m_units);
        m_buf[0] = u'0';
        m_buf[1] = u'x';
        // Empty until the first fetch.
        if (m_units > 2) m_buf[2] = u'\0';
        return;
    }
    m_bytes_size = k_count_bytes + k_utf8_per_unit * static_cast<std::size_t>(m_size);
    m_bytes = std::make_unique_for_overwrite<char[]>(m_bytes_size);
    std::memset(m_bytes.get(), 0, k_count_bytes);
}

void ora_str_repr::define(OCIStmt* stmt, int pos) {
    tk_log(1, "ora_str_repr::define(%d)", pos);
    ora_engine& eng = ora_engine::instance();
    if (is_pieced()) {
        // LONG RAW arrives as its bytes, any other text as UTF-8.
        eng.check_err(eng.oci().DefineByPos(stmt, &m_define, eng.err(), static_cast<ub4>(pos),
                                            nullptr, k_most_long_bytes,
                                            is_long_raw() ? SQLT_LBI : SQLT_LNG, &m_null_ind,
                                            nullptr, &m_ret_code, OCI_DYNAMIC_FETCH));
        if (!is_long_raw()) set_define_charset(k_utf8_charset);
        eng.check_err(
            eng.oci().DefineDynamic(m_define, eng.err(), this, &ora_str_repr::next_piece));
        return;
    }
    if (is_long_raw()) {
        // LONG RAW digits go after the "0x" prefix, into the rest of the buffer.
        eng.check_err(eng.oci().DefineByPos(stmt, &m_define, eng.err(), static_cast<ub4>(pos),
                                            m_buf.get() + 2, static_cast<sb4>((m_units - 2) * 2),
                                            SQLT_STR, &m_null_ind, &m_ret_len, &m_ret_code,
                                            OCI_DEFAULT));
        return;
    }
    eng.check_err(eng.oci().DefineByPos(stmt, &m_define, eng.err(), static_cast<ub4>(pos),
                                        m_bytes.get(), static_cast<sb4>(m_bytes_size), SQLT_LVC,
                                        &m_null_ind, &m_ret_len, &m_ret_code, OCI_DEFAULT));
    set_define_charset(k_utf8_charset);
}

sb4 ora_str_repr::next_piece(void* self, OCIDefine*, ub4, void** buf, ub4** length, ub1* piece,
                             void** indicator, ub2** code) {
    auto& column = *static_cast<ora_str_repr*>(self);
    if (*piece == OCI_FIRST_PIECE)
        column.m_value_bytes = 0;
    else
        column.m_value_bytes += column.m_piece_bytes;
    const std::size_t room = std::max(k_first_piece, column.m_value_bytes);
    column.m_value.resize(column.m_value_bytes + room);
    *buf = column.m_value.data() + column.m_value_bytes;
    column.m_piece_bytes = static_cast<ub4>(room);
    *length = &column.m_piece_bytes;
    *indicator = &column.m_null_ind;
    *code = &column.m_ret_code;
    *piece = OCI_NEXT_PIECE;
    return OCI_CONTINUE;
}

std::size_t ora_str_repr::text_bytes() const noexcept {
    if (is_pieced()) return std::min(m_value_bytes + m_piece_bytes, m_value.size());
    sb4 count = 0;
    std::memcpy(&count, m_bytes.get(), sizeof count);
    const std::size_t room = m_bytes_size - k_count_bytes;
    return count < 0 ? 0 : std::min(static_cast<std::size_t>(count), room);
}

void ora_str_repr::to_variant(ole_variant& out) {
    if (is_pieced() && is_long_raw()) {
        out.attach_binary(text_bytes(), reinterpret_cast<const std::uint8_t*>(m_value.data()));
        if (m_value.capacity() > k_kept_piece_room) std::string().swap(m_value);
        return;
    }
    if (is_long_raw()) {
        if (m_units == 0) throw tk_mail_assertion("ora_type", 283);
        ora_from_utf16(m_buf.get(), m_units, m_text);
        tk_wlog(1, L"ora_str_repr::to_variant (buf=%s)", m_text.c_str());
        out = ole_variant::from_wstring(m_text, VT_BLOB);
        return;
    }
    if (is_pieced()) {
        const bool stored = decode_utf8(m_value.data(), text_bytes(), m_text, out);
        if (m_value.capacity() > k_kept_piece_room) std::string().swap(m_value);
        if (stored) return;
        tk_wlog(1, L"ora_str_repr::to_variant (buf=%s)", m_text.c_str());
        out.attach_wstring(m_text);
        return;
    }
    if (!m_bytes) throw tk_mail_assertion("ora_type", 283);
    const char* text = m_bytes.get() + k_count_bytes;
    const std::size_t bytes = text_bytes();
    // The buffer has room for more bytes than the capacity in characters may take: a longer
    // value is refused as one the column cannot carry, whatever its bytes.
    if (bytes > m_size && ora_utf16_units(text, bytes) > m_size) raise_cut_value();
    if (decode_utf8(text, bytes, m_text, out)) return;
    tk_wlog(1, L"ora_str_repr::to_variant (buf=%s)", m_text.c_str());
    out.attach_wstring(m_text);
}

std::wstring ora_str_repr::fetched_text() const {
    if (is_pieced() && is_long_raw()) {
        const std::string hex =
            "0x" + tk_bytes_to_hex(reinterpret_cast<const std::uint8_t*>(m_value.data()),
                                   std::min<std::size_t>(text_bytes(), 32));
        return std::wstring(hex.begin(), hex.end());
    }
    if (is_long_raw()) return ora_from_utf16(m_buf.get(), m_units < 64 ? m_units : 64);
    std::wstring text;
    if (is_pieced())
        ora_from_utf8(m_value.data(), std::min<std::size_t>(text_bytes(), 256), text);
    else
        ora_from_utf8(m_bytes.get() + k_count_bytes, text_bytes(), text);
    return text;
}

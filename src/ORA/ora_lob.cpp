#include "ORA/ora_lob.h"

#include "ORA/ora_engine.h"
#include "ORA/ora_utils.h"
#include "TK/tk_exception.h"
#include "TK/tk_logger.h"

namespace {
constexpr ub4 k_chunk = 32768;
}  // namespace

ora_lob::ora_lob(OCIParam* param) : ora_type(param) {
    ora_engine& eng = ora_engine::instance();
    eng.check_err(eng.oci().DescriptorAlloc(eng.env(), reinterpret_cast<void**>(&m_locator),
                                            OCI_DTYPE_LOB, 0, nullptr));
}

ora_lob::~ora_lob() {
    if (m_locator) {
        if (ora_engine* eng = ora_engine::find_instance())
            eng->oci().DescriptorFree(m_locator, OCI_DTYPE_LOB);
    }
}

void ora_lob::define(OCIStmt* stmt, int pos) {
    tk_log(1, "ora_lob::defind(%d)", pos);
    ora_engine& eng = ora_engine::instance();
    eng.check_err(eng.oci().DefineByPos(stmt, &m_define, eng.err(), static_cast<ub4>(pos),
                                        &m_locator, -1, static_cast<ub2>(m_data_type), &m_null_ind,
                                        &m_ret_len, &m_ret_code, OCI_DEFAULT));
}

ub4 ora_lob::read_lob(ub4 offset, std::uint8_t* buffer, ub4 amount) {
    tk_log(1, "ora_lob::read_lob(%d,%d)", static_cast<int>(offset), static_cast<int>(amount));
    ora_engine& eng = ora_engine::instance();
    ub1 form = SQLCS_IMPLICIT;
    const bool text = m_data_type == SQLT_CLOB;
    if (text) {
        eng.check_err(eng.oci().LobCharSetForm(eng.env(), eng.err(), m_locator, &form));
        tk_log(1, "Got charset form: %d", static_cast<int>(form));
    }
    // As many characters (UTF-16 units) or bytes as the buffer holds: an amount the buffer
    // holds is one piece, where 0 or a larger one would be a streamed read.  Character set 0 is
    // the environment's, UTF-16 for either form.
    const ub4 wanted = text ? amount / 2 : amount;
    ub4 read = wanted;
    const sword status = eng.oci().LobRead(eng.svc(), eng.err(), m_locator, &read, offset, buffer,
                                           amount, nullptr, nullptr, 0, form);
    eng.check_err(status);
    if (status == OCI_NO_DATA) return 0;
    return read <= wanted ? read : wanted;
}

void ora_lob::to_variant(ole_variant& out) {
    tk_log(1, "ora_lob::to_variant");
    if (m_data_type != SQLT_CLOB && m_data_type != SQLT_BLOB)
        throw tk_mail_assertion("ora_type", 437);
    const bool text = m_data_type == SQLT_CLOB;
    if (text) tk_log(1, "Got SQLT_CLOB!");
    // Each chunk is read straight behind the previous ones, into a buffer that keeps its size
    // from row to row; a byte beyond the chunk stays free, room for a terminator.  Counted by the
    // amount read: zero bytes inside the value are data, not an end.  The offsets count what
    // the amounts count, characters of a CLOB and bytes of a BLOB; a chunk may end between the
    // two units of a character outside the BMP, the next one then begins with the second.
    const std::size_t unit = text ? 2 : 1;
    std::size_t used = 0;
    ub4 offset = 1;
    for (;;) {
        if (m_value.size() < used + k_chunk + 1) m_value.resize(used + k_chunk + 1);
        ub4 read = read_lob(offset, m_value.data() + used, k_chunk);
        tk_log(1, "bytes_read=%d", static_cast<int>(read * unit));
        if (read == 0) break;
        used += read * unit;
        offset += read;
    }
    if (text) {
        // The vector's storage is aligned for any type, and every chunk holds whole units.
        const auto* units = reinterpret_cast<const char16_t*>(m_value.data());
        if (ora_from_utf16_counted(units, used / 2, m_text)) raise_lone_surrogate(m_text);
        out.attach_wstring(m_text);
    } else {
        out.attach_binary(used, m_value.data());
    }
}

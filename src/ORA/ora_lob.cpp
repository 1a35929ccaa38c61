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
    if (m_data_type == SQLT_CLOB) {
        eng.check_err(eng.oci().LobCharSetForm(eng.env(), eng.err(), m_locator, &form));
        tk_log(1, "Got charset form: %d", static_cast<int>(form));
    }
    ub4 read = 0;
    eng.check_err(eng.oci().LobRead(eng.svc(), eng.err(), m_locator, &read, offset, buffer, amount,
                                    nullptr, nullptr, 0, form));
    return read <= amount ? read : amount;
}

void ora_lob::to_variant(ole_variant& out) {
    tk_log(1, "ora_lob::to_variant");
    if (m_data_type != SQLT_CLOB && m_data_type != SQLT_BLOB)
        throw tk_mail_assertion("ora_type", 437);
    if (m_data_type == SQLT_CLOB) tk_log(1, "Got SQLT_CLOB!");
    // Each chunk is read straight behind the previous ones, into a buffer that keeps its size
    // from row to row; a byte beyond the chunk stays free, room for a terminator.  Counted by the
    // amount read: zero bytes inside the value are data, not an end.
    std::size_t used = 0;
    ub4 offset = 1;
    for (;;) {
        if (m_value.size() < used + k_chunk + 1) m_value.resize(used + k_chunk + 1);
        ub4 read = read_lob(offset, m_value.data() + used, k_chunk);
        tk_log(1, "bytes_read=%d", static_cast<int>(read));
        if (read == 0) break;
        used += read;
        offset += read;
    }
    if (m_data_type == SQLT_CLOB) {
        const char* bytes = reinterpret_cast<const char*>(m_value.data());
        if (!decode_utf8(bytes, used, m_text, out)) out.attach_wstring(m_text);
    } else {
        out.attach_binary(used, m_value.data());
    }
}

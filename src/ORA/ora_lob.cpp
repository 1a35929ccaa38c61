#include "ORA/ora_lob.h"

#include <algorithm>

#include "ORA/ora_engine.h"
#include "ORA/ora_utils.h"
#include "TK/tk_exception.h"
#include "TK/tk_logger.h"

namespace {
constexpr ub4 k_chunk = 32768;
// The most a read asks for at once.
constexpr std::size_t k_max_piece = std::size_t{1} << 30;
// The storage of a character LOB kept for the next row; a larger one is let go.
constexpr std::size_t k_kept_bytes = std::size_t{1} << 20;
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

std::size_t ora_lob::read_whole(const std::function<std::uint8_t*(std::size_t)>& resize,
                                std::size_t unit) {
    ora_engine& eng = ora_engine::instance();
    ub4 length = 0;
    eng.check_err(eng.oci().LobGetLength(eng.svc(), eng.err(), m_locator, &length));
    tk_log(1, "lob length=%u", static_cast<unsigned>(length));
    // The storage holds the value exactly, so that a large value costs its own size once and is
    // never copied; a value longer than its length said goes on in chunks.  Counted by the
    // amount read: zero bytes inside the value are data, not an end.  The offsets count what the
    // amounts count, characters of a CLOB and bytes of a BLOB; a read may end between the two
    // units of a character outside the BMP, the next one then begins with the second.
    std::size_t size = static_cast<std::size_t>(length) * unit;
    std::uint8_t* data = resize(size);
    std::size_t used = 0;
    ub4 offset = 1;
    for (;;) {
        if (used == size) {
            if (used == static_cast<std::size_t>(length) * unit) {
                // Read to its length: one look past it tells whether it goes on.
                std::uint8_t probe[16];
                if (read_lob(offset, probe, sizeof probe) == 0) break;
            }
            size = used + k_chunk;
            data = resize(size);
        }
        const auto room = static_cast<ub4>(std::min<std::size_t>(size - used, k_max_piece));
        const ub4 read = read_lob(offset, data + used, room);
        tk_log(1, "bytes_read=%d", static_cast<int>(read * unit));
        if (read == 0) break;
        used += read * unit;
        offset += read;
    }
    if (used != size) resize(used);
    return used;
}

void ora_lob::to_variant(ole_variant& out) {
    tk_log(1, "ora_lob::to_variant");
    if (m_data_type != SQLT_CLOB && m_data_type != SQLT_BLOB)
        throw tk_mail_assertion("ora_type", 437);
    if (m_data_type == SQLT_BLOB) {
        // Straight into the value's own array.
        read_whole([&out](std::size_t n) { return out.allocate_bytes(n); }, 1);
        return;
    }
    tk_log(1, "Got SQLT_CLOB!");
    const std::size_t used = read_whole(
        [this](std::size_t n) {
            m_value.resize(n);
            return m_value.data();
        },
        2);
    // The vector's storage is aligned for any type, and every read holds whole units.
    const auto* units = reinterpret_cast<const char16_t*>(m_value.data());
    if (ora_from_utf16_counted(units, used / 2, m_text)) raise_lone_surrogate(m_text);
    if (m_value.capacity() > k_kept_bytes) std::vector<std::uint8_t>().swap(m_value);
    out.attach_wstring(m_text);
    if (m_text.capacity() > k_kept_bytes) std::wstring().swap(m_text);
}

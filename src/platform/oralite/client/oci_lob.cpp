// LOB locators: character-set form, chunked reads, one-piece writes back to the row.  A
// character LOB counts its characters as UTF-16 units, whichever form its data is read in.
#include <algorithm>
#include <cstring>

#include "sql/lite_lexer.h"
#include "client/oci_api.h"
#include "client/oci_text.h"
#include "lite_errors.h"

extern "C" sword lite_OCILobCharSetForm(OCIEnv* envhp, OCIError* errhp, const OCILobLocator* locp,
                                        ub1* csfrm) {
    OCIError* err = oci_begin(errhp);
    auto* lob = oci_find<OCILobLocator>(locp, OCI_DTYPE_LOB);
    if (err == nullptr || lob == nullptr || oci_find<OCIEnv>(envhp, OCI_HTYPE_ENV) == nullptr ||
        csfrm == nullptr) {
        return OCI_INVALID_HANDLE;
    }
    *csfrm = lob->binary ? 0 : lob->charset_form;
    return OCI_SUCCESS;
}

namespace {

// What a read places in the caller's buffer, and what its amounts count: a BLOB's bytes; or a
// character LOB's characters, which are the UTF-16 units of the LOB's fixed-width form (so a
// character outside the BMP counts two), as UTF-16 or as UTF-8.
enum class lob_form { bytes, utf16, utf8 };

bool is_high_surrogate(char16_t u) {
    return u >= 0xD800 && u <= 0xDBFF;
}

bool is_low_surrogate(char16_t u) {
    return u >= 0xDC00 && u <= 0xDFFF;
}

const std::u16string& units_of(OCILobLocator* lob) {
    if (!lob->units_ready) {
        lob->units = oci_text::utf8_to_utf16(lob->data);
        lob->units_ready = true;
    }
    return lob->units;
}

// The units and the UTF-8 bytes of the character at `i`: a surrogate pair is taken whole, since
// UTF-8 cannot carry half of one (a lone surrogate arrives as U+FFFD, three bytes).
void utf8_char_at(const std::u16string& u, size_t i, size_t& units, size_t& bytes) {
    const char16_t c = u[i];
    units = 1;
    if (is_high_surrogate(c) && i + 1 < u.size() && is_low_surrogate(u[i + 1])) {
        units = 2;
        bytes = 4;
    } else {
        bytes = c < 0x80 ? 1 : c < 0x800 ? 2 : 3;
    }
}

// The byte of `utf8` at which `units` UTF-16 units from byte `from` end (the text's end at most);
// `short_by` receives the units the text lacked.
size_t utf8_skip_units(const std::string& utf8, size_t from, size_t units, size_t& short_by) {
    size_t i = from;
    while (units > 0 && i < utf8.size()) {
        const auto c = static_cast<unsigned char>(utf8[i]);
        const size_t len = c < 0xC0 ? 1 : c < 0xE0 ? 2 : c < 0xF0 ? 3 : 4;
        const size_t width = len == 4 ? 2 : 1;
        i = std::min(i + len, utf8.size());
        units = units > width ? units - width : 0;
    }
    short_by = units;
    return i;
}

struct lob_piece {
    size_t amount = 0;  // bytes of a BLOB, characters of a character LOB
    size_t bytes = 0;   // bytes placed into the buffer
    int refused = 0;    // nothing could be placed: the ORA error that says why
};

// Places at most `most` of the LOB's bytes or characters from `at` on into `buf` of `room` bytes.
lob_piece take_piece(OCILobLocator* lob, lob_form form, size_t at, size_t most, void* buf,
                     size_t room) {
    lob_piece p;
    if (form == lob_form::bytes) {
        p.amount = p.bytes = std::min(most, room);
        std::memcpy(buf, lob->data.data() + at, p.bytes);
    } else if (form == lob_form::utf16) {
        // Unit by unit: a read may end between the two halves of a pair, as the LOB's own
        // characters do, and the next read begins with the second half.
        p.amount = std::min(most, room / 2);
        p.bytes = p.amount * 2;
        std::memcpy(buf, units_of(lob).data() + at, p.bytes);
    } else {
        const std::u16string& u = units_of(lob);
        size_t units = 0, bytes = 0;
        while (p.amount < most) {
            utf8_char_at(u, at + p.amount, units, bytes);
            if (p.amount + units > most) {
                if (p.amount == 0) p.refused = ora_err::not_on_character_boundary;
                break;
            }
            if (p.bytes + bytes > room) break;
            p.amount += units;
            p.bytes += bytes;
        }
        const std::string utf8 = oci_text::utf16_to_utf8(u.data() + at, p.amount * 2);
        p.bytes = std::min(utf8.size(), room);
        std::memcpy(buf, utf8.data(), p.bytes);
    }
    if (p.amount == 0 && p.refused == 0) p.refused = ora_err::illegal_lob_parameter;
    return p;
}

}  // namespace

extern "C" sword lite_OCILobGetLength(OCISvcCtx* svchp, OCIError* errhp, OCILobLocator* locp,
                                      ub4* lenp) {
    OCIError* err = oci_begin(errhp);
    auto* lob = oci_find<OCILobLocator>(locp, OCI_DTYPE_LOB);
    if (err == nullptr || lob == nullptr ||
        oci_find<OCISvcCtx>(svchp, OCI_HTYPE_SVCCTX) == nullptr || lenp == nullptr) {
        return OCI_INVALID_HANDLE;
    }
    return oci_guard(err, [&]() -> sword {
        if (!lob->has_value) return oci_fail(err, ora_err::invalid_lob_locator);
        const size_t size = lob->binary ? lob->data.size() : units_of(lob).size();
        *lenp = static_cast<ub4>(size);
        return OCI_SUCCESS;
    });
}

extern "C" sword lite_OCILobRead(OCISvcCtx* svchp, OCIError* errhp, OCILobLocator* locp, ub4* amtp,
                                 ub4 offset, void* bufp, ub4 bufl, void* ctxp,
                                 OCICallbackLobRead cbfp, ub2 csid, ub1 /*csfrm*/) {
    OCIError* err = oci_begin(errhp);
    auto* lob = oci_find<OCILobLocator>(locp, OCI_DTYPE_LOB);
    if (err == nullptr || lob == nullptr ||
        oci_find<OCISvcCtx>(svchp, OCI_HTYPE_SVCCTX) == nullptr || amtp == nullptr) {
        return OCI_INVALID_HANDLE;
    }
    return oci_guard(err, [&]() -> sword {
        if (!lob->has_value) return oci_fail(err, ora_err::invalid_lob_locator);
        if (bufp == nullptr) return oci_fail(err, ora_err::illegal_lob_parameter);
        // A polled read goes on where its last piece ended, whatever the call's offset and
        // amount, in the character set it began with.
        if (lob->polling) {
            offset = static_cast<ub4>(lob->poll_next + 1);
            csid = lob->poll_csid;
        }
        if (offset == 0) return oci_fail(err, ora_err::illegal_lob_parameter);
        // csid 0 is the environment's character set (for either form), which is UTF-16 here.
        lob_form form = lob_form::bytes;
        if (!lob->binary) {
            if (csid == 0 || csid == OCI_UTF16ID) {
                form = lob_form::utf16;
            } else if (oci_is_utf8_charset(csid)) {
                form = lob_form::utf8;
            } else {
                return oci_fail(err, ora_err::unsupported_character_set);
            }
        }
        const size_t size = form == lob_form::bytes ? lob->data.size() : units_of(lob).size();
        const size_t start = offset - 1;
        if (start >= size) {
            lob->polling = false;
            *amtp = 0;
            return OCI_SUCCESS;
        }
        if (form == lob_form::utf8 && start > 0 && is_low_surrogate(lob->units[start]) &&
            is_high_surrogate(lob->units[start - 1])) {
            return oci_fail(err, ora_err::not_on_character_boundary);
        }
        // 0 asks for everything from the offset on.
        const ub4 amount_in = *amtp;
        const size_t wanted =
            amount_in == 0 ? size - start : std::min<size_t>(amount_in, size - start);
        // The amount out counts what the buffer holds: characters of a fixed-width form, bytes
        // of UTF-8 (and of a BLOB).
        auto out_amount = [&](const lob_piece& p) {
            return static_cast<ub4>(form == lob_form::utf8 ? p.bytes : p.amount);
        };
        if (lob->polling) {
            const lob_piece p = take_piece(lob, form, start, lob->poll_end - start, bufp, bufl);
            if (p.refused != 0) {
                lob->polling = false;
                return oci_fail(err, p.refused);
            }
            *amtp = out_amount(p);
            lob->poll_next = start + p.amount;
            if (lob->poll_next < lob->poll_end) return OCI_NEED_DATA;
            lob->polling = false;
            return OCI_SUCCESS;
        }
        if (cbfp == nullptr) {
            const lob_piece p = take_piece(lob, form, start, wanted, bufp, bufl);
            if (p.refused != 0) return oci_fail(err, p.refused);
            *amtp = out_amount(p);
            // An amount of 0, or one beyond what the buffer holds, streams the value: each
            // further call polls for the next piece (OCI_NEED_DATA until the last one).
            const size_t holds = form == lob_form::utf16 ? bufl / 2 : bufl;
            const bool streamed = amount_in == 0 || amount_in > holds;
            if (streamed && p.amount < wanted) {
                lob->polling = true;
                lob->poll_next = start + p.amount;
                lob->poll_end = start + wanted;
                lob->poll_csid = csid;
                return OCI_NEED_DATA;
            }
            return OCI_SUCCESS;
        }
        // With a callback the whole amount arrives piece by piece through the one buffer.
        lob_piece total;
        while (total.amount < wanted) {
            const lob_piece p =
                take_piece(lob, form, start + total.amount, wanted - total.amount, bufp, bufl);
            if (p.refused != 0) return oci_fail(err, p.refused);
            const bool last = total.amount + p.amount == wanted;
            const ub1 piece = total.amount == 0 ? (last ? OCI_ONE_PIECE : OCI_FIRST_PIECE)
                                                : (last ? OCI_LAST_PIECE : OCI_NEXT_PIECE);
            total.amount += p.amount;
            total.bytes += p.bytes;
            if (cbfp(ctxp, bufp, static_cast<ub4>(p.bytes), piece) != OCI_CONTINUE) break;
        }
        *amtp = out_amount(total);
        return OCI_SUCCESS;
    });
}

extern "C" sword lite_OCILobWrite(OCISvcCtx* svchp, OCIError* errhp, OCILobLocator* locp, ub4* amtp,
                                  ub4 offset, void* bufp, ub4 buflen, ub1 piece, void* /*ctxp*/,
                                  OCICallbackLobWrite /*cbfp*/, ub2 csid, ub1 /*csfrm*/) {
    OCIError* err = oci_begin(errhp);
    auto* lob = oci_find<OCILobLocator>(locp, OCI_DTYPE_LOB);
    auto* svc = oci_find<OCISvcCtx>(svchp, OCI_HTYPE_SVCCTX);
    if (err == nullptr || lob == nullptr || svc == nullptr || amtp == nullptr) {
        return OCI_INVALID_HANDLE;
    }
    return oci_guard(err, [&]() -> sword {
        if (!lob->has_value) return oci_fail(err, ora_err::invalid_lob_locator);
        if (lob->table.empty() || lob->column.empty() || lob->rowid.empty()) {
            return oci_fail(err, ora_err::lob_row_not_locked);
        }
        if (offset == 0 || piece != OCI_ONE_PIECE || (bufp == nullptr && buflen != 0)) {
            return oci_fail(err, ora_err::illegal_lob_parameter);
        }
        auto* ses = oci_find<OCISession>(svc->session, OCI_HTYPE_SESSION);
        if (ses == nullptr || !ses->lite) return oci_fail(err, ora_err::not_connected);
        std::string piece_bytes;
        ub4 written = 0;
        std::string value = lob->data;
        const size_t at = offset - 1;
        if (lob->binary) {
            const size_t n = *amtp == 0 ? buflen : std::min<size_t>(*amtp, buflen);
            piece_bytes.assign(static_cast<const char*>(bufp), n);
            written = static_cast<ub4>(n);
            // Past the end, the gap is filled as the server fills it: zero bytes.
            if (at > value.size()) value.resize(at, '\0');
            if (at + piece_bytes.size() > value.size()) value.resize(at + piece_bytes.size());
            value.replace(at, piece_bytes.size(), piece_bytes);
        } else {
            if (oci_is_utf8_charset(csid)) {
                // UTF-8 is of varying width: the amount in counts its bytes.
                const size_t n = *amtp == 0 ? buflen : std::min<size_t>(*amtp, buflen);
                piece_bytes.assign(static_cast<const char*>(bufp), n);
            } else {
                // UTF-16 is of fixed width: the amount in counts its characters.
                size_t bytes = buflen & ~ub4{1};
                if (*amtp != 0) bytes = std::min<size_t>(bytes, size_t{*amtp} * 2);
                piece_bytes = oci_text::utf16_to_utf8(bufp, bytes);
            }
            // The offset and the amount out count characters, UTF-16 units as the LOB's reads
            // count them; the piece overwrites as many of the value's characters as it holds,
            // and a gap past the end is filled with blanks, as the server fills it.
            const size_t units = oci_text::utf16_units_of(piece_bytes);
            written = static_cast<ub4>(units);
            size_t gap = 0, rest = 0;
            const size_t from = utf8_skip_units(value, 0, at, gap);
            const size_t to = utf8_skip_units(value, from, units, rest);
            value = value.substr(0, from) + std::string(gap, ' ') + piece_bytes + value.substr(to);
        }
        // By ROWID: the query's condition may match many rows, or hold binds unknown here.
        std::string sql = "UPDATE " + lite_quote_name(lob->owner) + "." +
                          lite_quote_name(lob->table) + " SET " + lite_quote_name(lob->column) +
                          " = :LOBVALUE WHERE ROWID = :LOBROWID";
        auto upd = ses->lite->prepare(sql);
        const int pos = upd->bind_index("LOBVALUE");
        if (lob->binary) {
            upd->bind_bytes(
                pos, std::span<const unsigned char>(
                         reinterpret_cast<const unsigned char*>(value.data()), value.size()));
        } else {
            upd->bind_text(pos, value);
        }
        upd->bind_text(upd->bind_index("LOBROWID"), lob->rowid);
        upd->execute();
        lob->data = std::move(value);
        lob->units_ready = false;
        lob->polling = false;
        *amtp = written;
        return OCI_SUCCESS;
    });
}

// LOB locators: character-set form, chunked reads, one-piece writes back to the row.
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

extern "C" sword lite_OCILobRead(OCISvcCtx* svchp, OCIError* errhp, OCILobLocator* locp, ub4* amtp,
                                 ub4 offset, void* bufp, ub4 bufl, void* ctxp,
                                 OCICallbackLobRead cbfp, ub2 /*csid*/, ub1 /*csfrm*/) {
    OCIError* err = oci_begin(errhp);
    auto* lob = oci_find<OCILobLocator>(locp, OCI_DTYPE_LOB);
    if (err == nullptr || lob == nullptr ||
        oci_find<OCISvcCtx>(svchp, OCI_HTYPE_SVCCTX) == nullptr || amtp == nullptr) {
        return OCI_INVALID_HANDLE;
    }
    if (!lob->has_value) return oci_fail(err, ora_err::invalid_lob_locator);
    if (offset == 0 || bufp == nullptr) return oci_fail(err, ora_err::illegal_lob_parameter);
    const size_t size = lob->data.size();
    const size_t start = offset - 1;
    // 0 asks for everything from the offset on.
    size_t wanted = *amtp == 0 ? SIZE_MAX : *amtp;
    if (start >= size) {
        *amtp = 0;
        return OCI_SUCCESS;
    }
    wanted = std::min(wanted, size - start);
    if (cbfp == nullptr) {
        const size_t n = std::min<size_t>(wanted, bufl);
        std::memcpy(bufp, lob->data.data() + start, n);
        *amtp = static_cast<ub4>(n);
        return OCI_SUCCESS;
    }
    // With a callback the whole amount arrives piece by piece through the one buffer.
    if (bufl == 0) return oci_fail(err, ora_err::illegal_lob_parameter);
    size_t done = 0;
    while (done < wanted) {
        const size_t n = std::min<size_t>(wanted - done, bufl);
        std::memcpy(bufp, lob->data.data() + start + done, n);
        const ub1 piece = done == 0 ? (n == wanted ? OCI_ONE_PIECE : OCI_FIRST_PIECE)
                                    : (done + n == wanted ? OCI_LAST_PIECE : OCI_NEXT_PIECE);
        done += n;
        if (cbfp(ctxp, bufp, static_cast<ub4>(n), piece) != OCI_CONTINUE) break;
    }
    *amtp = static_cast<ub4>(done);
    return OCI_SUCCESS;
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
        if (lob->binary || oci_is_utf8_charset(csid)) {
            const size_t n = *amtp == 0 ? buflen : std::min<size_t>(*amtp, buflen);
            piece_bytes.assign(static_cast<const char*>(bufp), n);
            written = static_cast<ub4>(n);
        } else {
            // Character LOBs take UTF-16 here: the amount counts characters, the buffer bytes.
            size_t bytes = buflen & ~ub4{1};
            if (*amtp != 0) bytes = std::min<size_t>(bytes, size_t{*amtp} * 2);
            piece_bytes = oci_text::utf16_to_utf8(bufp, bytes);
            written = static_cast<ub4>(bytes / 2);
        }
        // Past the end, the gap is filled as the server fills it: zero bytes in a binary LOB,
        // blanks in a character one.
        std::string value = lob->data;
        const size_t at = offset - 1;
        if (at > value.size()) value.resize(at, lob->binary ? '\0' : ' ');
        if (at + piece_bytes.size() > value.size()) value.resize(at + piece_bytes.size());
        value.replace(at, piece_bytes.size(), piece_bytes);

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
        *amtp = written;
        return OCI_SUCCESS;
    });
}

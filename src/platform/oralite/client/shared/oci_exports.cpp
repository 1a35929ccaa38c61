// The embedded engine as a client library of its own: Oracle's entry-point names, each handing
// its arguments to the engine's implementation. Built into liboralite_oci.so only, whose symbol
// list (oralite_oci.map) exports these names and nothing else, so the engine's own symbols stay
// inside the library.
#include "client/oci_lite.h"

#define ORALITE_EXPORT extern "C" __attribute__((visibility("default")))

ORALITE_EXPORT sword OCIEnvNlsCreate(OCIEnv** envp, ub4 mode, void* ctxp,
                                     void* (*malocfp)(void*, size_t),
                                     void* (*ralocfp)(void*, void*, size_t),
                                     void (*mfreefp)(void*, void*), size_t xtramem_sz,
                                     void** usrmempp, ub2 charset, ub2 ncharset) {
    return lite_OCIEnvNlsCreate(envp, mode, ctxp, malocfp, ralocfp, mfreefp, xtramem_sz, usrmempp,
                                charset, ncharset);
}

ORALITE_EXPORT sword OCIHandleAlloc(const void* parenth, void** hndlpp, ub4 type, size_t xtramem_sz,
                                    void** usrmempp) {
    return lite_OCIHandleAlloc(parenth, hndlpp, type, xtramem_sz, usrmempp);
}

ORALITE_EXPORT sword OCIHandleFree(void* hndlp, ub4 type) {
    return lite_OCIHandleFree(hndlp, type);
}

ORALITE_EXPORT sword OCIServerAttach(OCIServer* srvhp, OCIError* errhp, const OraText* dblink,
                                     sb4 dblink_len, ub4 mode) {
    return lite_OCIServerAttach(srvhp, errhp, dblink, dblink_len, mode);
}

ORALITE_EXPORT sword OCIServerDetach(OCIServer* srvhp, OCIError* errhp, ub4 mode) {
    return lite_OCIServerDetach(srvhp, errhp, mode);
}

ORALITE_EXPORT sword OCIAttrSet(void* trgthndlp, ub4 trghndltyp, void* attributep, ub4 size,
                                ub4 attrtype, OCIError* errhp) {
    return lite_OCIAttrSet(trgthndlp, trghndltyp, attributep, size, attrtype, errhp);
}

ORALITE_EXPORT sword OCIAttrGet(const void* trgthndlp, ub4 trghndltyp, void* attributep, ub4* sizep,
                                ub4 attrtype, OCIError* errhp) {
    return lite_OCIAttrGet(trgthndlp, trghndltyp, attributep, sizep, attrtype, errhp);
}

ORALITE_EXPORT sword OCISessionBegin(OCISvcCtx* svchp, OCIError* errhp, OCISession* usrhp,
                                     ub4 credt, ub4 mode) {
    return lite_OCISessionBegin(svchp, errhp, usrhp, credt, mode);
}

ORALITE_EXPORT sword OCISessionEnd(OCISvcCtx* svchp, OCIError* errhp, OCISession* usrhp, ub4 mode) {
    return lite_OCISessionEnd(svchp, errhp, usrhp, mode);
}

ORALITE_EXPORT sword OCIStmtPrepare(OCIStmt* stmtp, OCIError* errhp, const OraText* stmt,
                                    ub4 stmt_len, ub4 language, ub4 mode) {
    return lite_OCIStmtPrepare(stmtp, errhp, stmt, stmt_len, language, mode);
}

ORALITE_EXPORT sword OCIStmtExecute(OCISvcCtx* svchp, OCIStmt* stmtp, OCIError* errhp, ub4 iters,
                                    ub4 rowoff, const OCISnapshot* snap_in, OCISnapshot* snap_out,
                                    ub4 mode) {
    return lite_OCIStmtExecute(svchp, stmtp, errhp, iters, rowoff, snap_in, snap_out, mode);
}

ORALITE_EXPORT sword OCIStmtFetch(OCIStmt* stmtp, OCIError* errhp, ub4 nrows, ub2 orientation,
                                  ub4 mode) {
    return lite_OCIStmtFetch(stmtp, errhp, nrows, orientation, mode);
}

ORALITE_EXPORT sword OCIDefineByPos(OCIStmt* stmtp, OCIDefine** defnp, OCIError* errhp,
                                    ub4 position, void* valuep, sb4 value_sz, ub2 dty, void* indp,
                                    ub2* rlenp, ub2* rcodep, ub4 mode) {
    return lite_OCIDefineByPos(stmtp, defnp, errhp, position, valuep, value_sz, dty, indp, rlenp,
                               rcodep, mode);
}

ORALITE_EXPORT sword OCIDefineDynamic(OCIDefine* defnp, OCIError* errhp, void* octxp,
                                      OCICallbackDefine ocbfp) {
    return lite_OCIDefineDynamic(defnp, errhp, octxp, ocbfp);
}

ORALITE_EXPORT sword OCIParamGet(const void* hndlp, ub4 htype, OCIError* errhp, void** parmdpp,
                                 ub4 pos) {
    return lite_OCIParamGet(hndlp, htype, errhp, parmdpp, pos);
}

ORALITE_EXPORT sword OCIErrorGet(void* hndlp, ub4 recordno, OraText* sqlstate, sb4* errcodep,
                                 OraText* bufp, ub4 bufsiz, ub4 type) {
    return lite_OCIErrorGet(hndlp, recordno, sqlstate, errcodep, bufp, bufsiz, type);
}

ORALITE_EXPORT sword OCIDescriptorAlloc(const void* parenth, void** descpp, const ub4 type,
                                        const size_t xtramem_sz, void** usrmempp) {
    return lite_OCIDescriptorAlloc(parenth, descpp, type, xtramem_sz, usrmempp);
}

ORALITE_EXPORT sword OCIDescriptorFree(void* descp, const ub4 type) {
    return lite_OCIDescriptorFree(descp, type);
}

ORALITE_EXPORT sword OCIDateTimeGetDate(void* hndl, OCIError* err, const OCIDateTime* date, sb2* yr,
                                        ub1* mnth, ub1* dy) {
    return lite_OCIDateTimeGetDate(hndl, err, date, yr, mnth, dy);
}

ORALITE_EXPORT sword OCIDateTimeGetTime(void* hndl, OCIError* err, OCIDateTime* datetime, ub1* hr,
                                        ub1* mm, ub1* ss, ub4* fsec) {
    return lite_OCIDateTimeGetTime(hndl, err, datetime, hr, mm, ss, fsec);
}

ORALITE_EXPORT sword OCIDateTimeGetTimeZoneOffset(void* hndl, OCIError* err,
                                                  const OCIDateTime* datetime, sb1* hr, sb1* mm) {
    return lite_OCIDateTimeGetTimeZoneOffset(hndl, err, datetime, hr, mm);
}

ORALITE_EXPORT sword OCILobCharSetForm(OCIEnv* envhp, OCIError* errhp, const OCILobLocator* locp,
                                       ub1* csfrm) {
    return lite_OCILobCharSetForm(envhp, errhp, locp, csfrm);
}

ORALITE_EXPORT sword OCILobRead(OCISvcCtx* svchp, OCIError* errhp, OCILobLocator* locp, ub4* amtp,
                                ub4 offset, void* bufp, ub4 bufl, void* ctxp,
                                OCICallbackLobRead cbfp, ub2 csid, ub1 csfrm) {
    return lite_OCILobRead(svchp, errhp, locp, amtp, offset, bufp, bufl, ctxp, cbfp, csid, csfrm);
}

ORALITE_EXPORT sword OCILobGetLength(OCISvcCtx* svchp, OCIError* errhp, OCILobLocator* locp,
                                     ub4* lenp) {
    return lite_OCILobGetLength(svchp, errhp, locp, lenp);
}

ORALITE_EXPORT sword OCILobWrite(OCISvcCtx* svchp, OCIError* errhp, OCILobLocator* locp, ub4* amtp,
                                 ub4 offset, void* bufp, ub4 buflen, ub1 piece, void* ctxp,
                                 OCICallbackLobWrite cbfp, ub2 csid, ub1 csfrm) {
    return lite_OCILobWrite(svchp, errhp, locp, amtp, offset, bufp, buflen, piece, ctxp, cbfp, csid,
                            csfrm);
}

ORALITE_EXPORT sword OCIBindByPos(OCIStmt* stmtp, OCIBind** bindp, OCIError* errhp, ub4 position,
                                  void* valuep, sb4 value_sz, ub2 dty, void* indp, ub2* alenp,
                                  ub2* rcodep, ub4 maxarr_len, ub4* curelep, ub4 mode) {
    return lite_OCIBindByPos(stmtp, bindp, errhp, position, valuep, value_sz, dty, indp, alenp,
                             rcodep, maxarr_len, curelep, mode);
}

ORALITE_EXPORT sword OCIBindByName(OCIStmt* stmtp, OCIBind** bindp, OCIError* errhp,
                                   const OraText* placeholder, sb4 placeh_len, void* valuep,
                                   sb4 value_sz, ub2 dty, void* indp, ub2* alenp, ub2* rcodep,
                                   ub4 maxarr_len, ub4* curelep, ub4 mode) {
    return lite_OCIBindByName(stmtp, bindp, errhp, placeholder, placeh_len, valuep, value_sz, dty,
                              indp, alenp, rcodep, maxarr_len, curelep, mode);
}

ORALITE_EXPORT sword OCIBindDynamic(OCIBind* bindp, OCIError* errhp, void* ictxp,
                                    OCICallbackInBind icbfp, void* octxp,
                                    OCICallbackOutBind ocbfp) {
    return lite_OCIBindDynamic(bindp, errhp, ictxp, icbfp, octxp, ocbfp);
}

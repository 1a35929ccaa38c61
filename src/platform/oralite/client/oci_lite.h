// The embedded engine's client entry points under names of their own, so that a client library
// loaded into the same process keeps its symbols: each has the signature and contract of the
// Oracle call it is named after (platform/oci/oci.h). The programs reach them through
// `oci_embedded_functions`; only the engine's shared library exports them under Oracle's names.
#pragma once

#include "platform/oci/oci.h"

#ifdef __cplusplus
extern "C" {
#endif

sword lite_OCIEnvNlsCreate(OCIEnv** envp, ub4 mode, void* ctxp, void* (*malocfp)(void*, size_t),
                           void* (*ralocfp)(void*, void*, size_t), void (*mfreefp)(void*, void*),
                           size_t xtramem_sz, void** usrmempp, ub2 charset, ub2 ncharset);
sword lite_OCIHandleAlloc(const void* parenth, void** hndlpp, ub4 type, size_t xtramem_sz,
                          void** usrmempp);
sword lite_OCIHandleFree(void* hndlp, ub4 type);
sword lite_OCIServerAttach(OCIServer* srvhp, OCIError* errhp, const OraText* dblink, sb4 dblink_len,
                           ub4 mode);
sword lite_OCIServerDetach(OCIServer* srvhp, OCIError* errhp, ub4 mode);
sword lite_OCIAttrSet(void* trgthndlp, ub4 trghndltyp, void* attributep, ub4 size, ub4 attrtype,
                      OCIError* errhp);
sword lite_OCIAttrGet(const void* trgthndlp, ub4 trghndltyp, void* attributep, ub4* sizep,
                      ub4 attrtype, OCIError* errhp);
sword lite_OCISessionBegin(OCISvcCtx* svchp, OCIError* errhp, OCISession* usrhp, ub4 credt,
                           ub4 mode);
sword lite_OCISessionEnd(OCISvcCtx* svchp, OCIError* errhp, OCISession* usrhp, ub4 mode);
sword lite_OCIStmtPrepare(OCIStmt* stmtp, OCIError* errhp, const OraText* stmt, ub4 stmt_len,
                          ub4 language, ub4 mode);
sword lite_OCIStmtExecute(OCISvcCtx* svchp, OCIStmt* stmtp, OCIError* errhp, ub4 iters, ub4 rowoff,
                          const OCISnapshot* snap_in, OCISnapshot* snap_out, ub4 mode);
sword lite_OCIStmtFetch(OCIStmt* stmtp, OCIError* errhp, ub4 nrows, ub2 orientation, ub4 mode);
sword lite_OCIDefineByPos(OCIStmt* stmtp, OCIDefine** defnp, OCIError* errhp, ub4 position,
                          void* valuep, sb4 value_sz, ub2 dty, void* indp, ub2* rlenp, ub2* rcodep,
                          ub4 mode);
sword lite_OCIDefineDynamic(OCIDefine* defnp, OCIError* errhp, void* octxp,
                            OCICallbackDefine ocbfp);
sword lite_OCIParamGet(const void* hndlp, ub4 htype, OCIError* errhp, void** parmdpp, ub4 pos);
sword lite_OCIErrorGet(void* hndlp, ub4 recordno, OraText* sqlstate, sb4* errcodep, OraText* bufp,
                       ub4 bufsiz, ub4 type);
sword lite_OCIDescriptorAlloc(const void* parenth, void** descpp, const ub4 type,
                              const size_t xtramem_sz, void** usrmempp);
sword lite_OCIDescriptorFree(void* descp, const ub4 type);
sword lite_OCIDateTimeGetDate(void* hndl, OCIError* err, const OCIDateTime* date, sb2* yr,
                              ub1* mnth, ub1* dy);
sword lite_OCIDateTimeGetTime(void* hndl, OCIError* err, OCIDateTime* datetime, ub1* hr, ub1* mm,
                              ub1* ss, ub4* fsec);
sword lite_OCIDateTimeGetTimeZoneOffset(void* hndl, OCIError* err, const OCIDateTime* datetime,
                                        sb1* hr, sb1* mm);
sword lite_OCILobCharSetForm(OCIEnv* envhp, OCIError* errhp, const OCILobLocator* locp, ub1* csfrm);
sword lite_OCILobRead(OCISvcCtx* svchp, OCIError* errhp, OCILobLocator* locp, ub4* amtp, ub4 offset,
                      void* bufp, ub4 bufl, void* ctxp, OCICallbackLobRead cbfp, ub2 csid,
                      ub1 csfrm);
sword lite_OCILobGetLength(OCISvcCtx* svchp, OCIError* errhp, OCILobLocator* locp, ub4* lenp);
sword lite_OCILobWrite(OCISvcCtx* svchp, OCIError* errhp, OCILobLocator* locp, ub4* amtp,
                       ub4 offset, void* bufp, ub4 buflen, ub1 piece, void* ctxp,
                       OCICallbackLobWrite cbfp, ub2 csid, ub1 csfrm);
sword lite_OCIBindByPos(OCIStmt* stmtp, OCIBind** bindp, OCIError* errhp, ub4 position,
                        void* valuep, sb4 value_sz, ub2 dty, void* indp, ub2* alenp, ub2* rcodep,
                        ub4 maxarr_len, ub4* curelep, ub4 mode);
sword lite_OCIBindByName(OCIStmt* stmtp, OCIBind** bindp, OCIError* errhp,
                         const OraText* placeholder, sb4 placeh_len, void* valuep, sb4 value_sz,
                         ub2 dty, void* indp, ub2* alenp, ub2* rcodep, ub4 maxarr_len, ub4* curelep,
                         ub4 mode);
sword lite_OCIBindDynamic(OCIBind* bindp, OCIError* errhp, void* ictxp, OCICallbackInBind icbfp,
                          void* octxp, OCICallbackOutBind ocbfp);

#ifdef __cplusplus
}
#endif

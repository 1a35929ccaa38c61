// A client library that lacks one entry point (OCIDefineDynamic), for the loader's refusal. The
// others exist by name only: the loader must refuse the library before calling any of them.
#define STUB(name)                                                 \
    extern "C" __attribute__((visibility("default"))) int name() { \
        return -1;                                                 \
    }

STUB(OCIEnvNlsCreate)
STUB(OCIHandleAlloc)
STUB(OCIHandleFree)
STUB(OCIServerAttach)
STUB(OCIServerDetach)
STUB(OCIAttrSet)
STUB(OCIAttrGet)
STUB(OCISessionBegin)
STUB(OCISessionEnd)
STUB(OCIStmtPrepare)
STUB(OCIStmtExecute)
STUB(OCIStmtFetch)
STUB(OCIDefineByPos)
STUB(OCIParamGet)
STUB(OCIErrorGet)
STUB(OCIDescriptorAlloc)
STUB(OCIDescriptorFree)
STUB(OCIDateTimeGetDate)
STUB(OCIDateTimeGetTime)
STUB(OCIDateTimeGetTimeZoneOffset)
STUB(OCILobCharSetForm)
STUB(OCILobRead)
STUB(OCILobWrite)
STUB(OCIBindByPos)
STUB(OCIBindByName)
STUB(OCIBindDynamic)

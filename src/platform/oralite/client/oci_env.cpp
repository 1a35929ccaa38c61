// Environment, handle and descriptor life cycle, and the function table.
#include "client/oci_api.h"

namespace {

// Reserves the caller's extra memory, as the client library offers with every allocation.
void give_user_memory(oci_handle* h, size_t xtramem_sz, void** usrmempp) {
    if (xtramem_sz == 0 || usrmempp == nullptr) return;
    h->user_memory.assign(xtramem_sz, 0);
    *usrmempp = h->user_memory.data();
}

// The environment a parent handle belongs to, or null when it is not a live handle.
OCIEnv* env_of(const void* parenth) {
    const ub4 kind = oci_registry::kind_of(parenth);
    if (kind == 0) return nullptr;
    return static_cast<const oci_handle*>(parenth)->env;
}

}  // namespace

extern "C" sword lite_OCIEnvNlsCreate(OCIEnv** envp, ub4 /*mode*/, void* /*ctxp*/,
                                      void* (* /*malocfp*/)(void*, size_t),
                                      void* (* /*ralocfp*/)(void*, void*, size_t),
                                      void (* /*mfreefp*/)(void*, void*), size_t xtramem_sz,
                                      void** usrmempp, ub2 charset, ub2 ncharset) {
    if (envp == nullptr) return OCI_INVALID_HANDLE;
    *envp = nullptr;
    // Only UTF-16 mode is offered: every text of the interface is UTF-16.
    if ((charset != 0 && charset != OCI_UTF16ID) || (ncharset != 0 && ncharset != OCI_UTF16ID)) {
        return OCI_ERROR;
    }
    try {
        auto* env = new OCIEnv();
        give_user_memory(env, xtramem_sz, usrmempp);
        *envp = env;
        return OCI_SUCCESS;
    } catch (...) {
        return OCI_ERROR;
    }
}

extern "C" sword lite_OCIHandleAlloc(const void* parenth, void** hndlpp, ub4 type,
                                     size_t xtramem_sz, void** usrmempp) {
    if (hndlpp == nullptr) return OCI_INVALID_HANDLE;
    *hndlpp = nullptr;
    OCIEnv* env = env_of(parenth);
    if (env == nullptr) return OCI_INVALID_HANDLE;
    try {
        oci_handle* h = nullptr;
        switch (type) {
            case OCI_HTYPE_ERROR:
                h = new OCIError(env);
                break;
            case OCI_HTYPE_SVCCTX:
                h = new OCISvcCtx(env);
                break;
            case OCI_HTYPE_STMT:
                h = new OCIStmt(env);
                break;
            case OCI_HTYPE_SERVER:
                h = new OCIServer(env);
                break;
            case OCI_HTYPE_SESSION:
                h = new OCISession(env);
                break;
            case OCI_HTYPE_DESCRIBE:
                h = new oci_handle(OCI_HTYPE_DESCRIBE, env);
                break;
            default:
                // Binds and defines are made by the bind and define calls only.
                return OCI_INVALID_HANDLE;
        }
        env->children.insert(h);
        give_user_memory(h, xtramem_sz, usrmempp);
        *hndlpp = h;
        return OCI_SUCCESS;
    } catch (...) {
        return OCI_ERROR;
    }
}

extern "C" sword lite_OCIHandleFree(void* hndlp, ub4 type) {
    oci_handle* h = oci_registry::find(hndlp, type);
    if (h == nullptr) return OCI_INVALID_HANDLE;
    switch (type) {
        case OCI_HTYPE_ENV:
            delete static_cast<OCIEnv*>(h);
            return OCI_SUCCESS;
        case OCI_HTYPE_DEFINE:
        case OCI_HTYPE_BIND:
            // Owned by the statement, which forgets them in their destructors.
            delete h;
            return OCI_SUCCESS;
        default:
            h->env->children.erase(h);
            delete h;
            return OCI_SUCCESS;
    }
}

extern "C" sword lite_OCIDescriptorAlloc(const void* parenth, void** descpp, const ub4 type,
                                         const size_t xtramem_sz, void** usrmempp) {
    if (descpp == nullptr) return OCI_INVALID_HANDLE;
    *descpp = nullptr;
    OCIEnv* env = env_of(parenth);
    if (env == nullptr) return OCI_INVALID_HANDLE;
    try {
        oci_handle* h = nullptr;
        if (type == OCI_DTYPE_LOB) {
            h = new OCILobLocator(env);
        } else if (oci_is_datetime_dtype(type)) {
            h = new OCIDateTime(env, type);
        } else {
            return OCI_INVALID_HANDLE;
        }
        env->children.insert(h);
        give_user_memory(h, xtramem_sz, usrmempp);
        *descpp = h;
        return OCI_SUCCESS;
    } catch (...) {
        return OCI_ERROR;
    }
}

extern "C" sword lite_OCIDescriptorFree(void* descp, const ub4 type) {
    oci_handle* h = oci_registry::find(descp, type);
    if (h == nullptr) return OCI_INVALID_HANDLE;
    if (type == OCI_DTYPE_PARAM) {
        delete h;  // the statement forgets it in the destructor
        return OCI_SUCCESS;
    }
    h->env->children.erase(h);
    delete h;
    return OCI_SUCCESS;
}

extern "C" const oci_function_table* oci_embedded_functions(void) {
    static const oci_function_table table = {
        lite_OCIEnvNlsCreate,    lite_OCIHandleAlloc,
        lite_OCIHandleFree,      lite_OCIServerAttach,
        lite_OCIServerDetach,    lite_OCIAttrSet,
        lite_OCIAttrGet,         lite_OCISessionBegin,
        lite_OCISessionEnd,      lite_OCIStmtPrepare,
        lite_OCIStmtExecute,     lite_OCIStmtFetch,
        lite_OCIDefineByPos,     lite_OCIParamGet,
        lite_OCIErrorGet,        lite_OCIDescriptorAlloc,
        lite_OCIDescriptorFree,  lite_OCIDateTimeGetDate,
        lite_OCIDateTimeGetTime, lite_OCILobCharSetForm,
        lite_OCILobRead,         lite_OCILobWrite,
        lite_OCIBindByPos,       lite_OCIBindByName,
        lite_OCIBindDynamic,     lite_OCIDateTimeGetTimeZoneOffset,
        lite_OCIDefineDynamic,   lite_OCILobGetLength,
    };
    return &table;
}

extern "C" int oci_embedded_serves(const char* connect) {
    try {
        lite_instance::resolve(connect ? connect : "");
        return 1;
    } catch (...) {
        return 0;
    }
}

#include "platform/oci/oci_loader.h"

#include <dlfcn.h>

#include <cstdlib>
#include <map>
#include <memory>
#include <mutex>

namespace {

template <class F>
void bind_one(oci_function_table& t, F oci_function_table::*slot, void* symbol) {
    t.*slot = reinterpret_cast<F>(symbol);
}

struct bound_library {
    void* handle = nullptr;
    oci_function_table table{};
};

std::mutex s_mutex;
// Keyed by the name as given; a failed load is not kept, so installing the client later helps.
std::map<std::string, std::unique_ptr<bound_library>> s_loaded;

std::string loader_text() {
    const char* text = dlerror();
    return text ? std::string(text) : std::string("cannot be loaded");
}

// Binds every slot, or names the first entry point the library lacks.
bool bind_all(void* handle, oci_function_table& t, std::string& why) {
    bool ok = true;
    auto bind = [&](auto slot, const char* name) {
        if (!ok) return;
        dlerror();
        void* symbol = dlsym(handle, name);
        if (!symbol) {
            why = std::string("entry point ") + name + " not found";
            ok = false;
            return;
        }
        bind_one(t, slot, symbol);
    };
    bind(&oci_function_table::EnvNlsCreate, "OCIEnvNlsCreate");
    bind(&oci_function_table::HandleAlloc, "OCIHandleAlloc");
    bind(&oci_function_table::HandleFree, "OCIHandleFree");
    bind(&oci_function_table::ServerAttach, "OCIServerAttach");
    bind(&oci_function_table::ServerDetach, "OCIServerDetach");
    bind(&oci_function_table::AttrSet, "OCIAttrSet");
    bind(&oci_function_table::AttrGet, "OCIAttrGet");
    bind(&oci_function_table::SessionBegin, "OCISessionBegin");
    bind(&oci_function_table::SessionEnd, "OCISessionEnd");
    bind(&oci_function_table::StmtPrepare, "OCIStmtPrepare");
    bind(&oci_function_table::StmtExecute, "OCIStmtExecute");
    bind(&oci_function_table::StmtFetch, "OCIStmtFetch");
    bind(&oci_function_table::DefineByPos, "OCIDefineByPos");
    bind(&oci_function_table::ParamGet, "OCIParamGet");
    bind(&oci_function_table::ErrorGet, "OCIErrorGet");
    bind(&oci_function_table::DescriptorAlloc, "OCIDescriptorAlloc");
    bind(&oci_function_table::DescriptorFree, "OCIDescriptorFree");
    bind(&oci_function_table::DateTimeGetDate, "OCIDateTimeGetDate");
    bind(&oci_function_table::DateTimeGetTime, "OCIDateTimeGetTime");
    bind(&oci_function_table::LobCharSetForm, "OCILobCharSetForm");
    bind(&oci_function_table::LobRead, "OCILobRead");
    bind(&oci_function_table::LobWrite, "OCILobWrite");
    bind(&oci_function_table::BindByPos, "OCIBindByPos");
    bind(&oci_function_table::BindByName, "OCIBindByName");
    bind(&oci_function_table::BindDynamic, "OCIBindDynamic");
    bind(&oci_function_table::DateTimeGetTimeZoneOffset, "OCIDateTimeGetTimeZoneOffset");
    bind(&oci_function_table::DefineDynamic, "OCIDefineDynamic");
    bind(&oci_function_table::LobGetLength, "OCILobGetLength");
    return ok;
}

const char* configured_library() {
    const char* path = std::getenv(k_oci_library_variable);
    return path && *path ? path : nullptr;
}

}  // namespace

const oci_function_table* oci_load_library(const std::string& library, std::string& why) {
    std::lock_guard<std::mutex> lock(s_mutex);
    auto found = s_loaded.find(library);
    if (found != s_loaded.end()) return &found->second->table;
    dlerror();
    // Local: the library's symbols must not satisfy anyone else's references.
    void* handle = dlopen(library.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
        why = loader_text();
        return nullptr;
    }
    auto bound = std::make_unique<bound_library>();
    bound->handle = handle;
    if (!bind_all(handle, bound->table, why)) {
        why = library + ": " + why;
        dlclose(handle);
        return nullptr;
    }
    const oci_function_table* table = &bound->table;
    s_loaded.emplace(library, std::move(bound));
    return table;
}

const oci_function_table* oci_client_for(const std::string& connect, std::string& why) {
    if (const char* path = configured_library()) return oci_load_library(path, why);
    if (oci_embedded_serves(connect.c_str())) return oci_embedded_functions();
    return oci_load_library(k_oci_default_library, why);
}

const oci_function_table* oci_default_client(std::string& why) {
    if (const char* path = configured_library()) return oci_load_library(path, why);
    return oci_embedded_functions();
}

#include "platform/win/win_library.h"

#include <dlfcn.h>

#include "platform/win/win_error.h"

HMODULE LoadLibraryA(const char* file_name) {
    if (!file_name) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    void* handle = dlopen(file_name, RTLD_NOW | RTLD_LOCAL);
    if (!handle) SetLastError(ERROR_MOD_NOT_FOUND);
    return handle;
}

FARPROC GetProcAddress(HMODULE module, const char* name) {
    if (!module || !name) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    dlerror();
    void* symbol = dlsym(module, name);
    if (!symbol) {
        SetLastError(ERROR_PROC_NOT_FOUND);
        return nullptr;
    }
    return reinterpret_cast<FARPROC>(symbol);
}

BOOL FreeLibrary(HMODULE module) {
    if (!module) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    return dlclose(module) == 0 ? TRUE : FALSE;
}

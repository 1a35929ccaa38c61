// Loading libraries at run time, and the version query that a library may export.
//
// A library is named by its file name or path as the dynamic loader takes it.  Thread-safe.
#pragma once

#include "platform/win/win_types.h"

using HMODULE = void*;
using FARPROC = void (*)();

// The record a library's DllGetVersion fills; cbSize is set by the caller (20 bytes).
struct DLLVERSIONINFO {
    DWORD cbSize;
    DWORD dwMajorVersion;
    DWORD dwMinorVersion;
    DWORD dwBuildNumber;
    DWORD dwPlatformID;
};
// The exported version query: 0 (S_OK) on success.
using DLLGETVERSIONPROC = LONG (*)(DLLVERSIONINFO*);

// Loads the library; null (last error ERROR_MOD_NOT_FOUND) when it does not load.
HMODULE LoadLibraryA(const char* file_name);
// The address of an exported symbol; null (last error ERROR_PROC_NOT_FOUND) when missing.
FARPROC GetProcAddress(HMODULE module, const char* name);
// Unloads the library; FALSE on a null handle.
BOOL FreeLibrary(HMODULE module);

// The calling thread's last-error code and the system's text for a code.
//
// Codes are either errno values (failures of the C library or the kernel) or the stand-in's own
// codes, which carry bit 29 so they never collide with an errno value.  The last error is
// per thread, like errno.
#pragma once

#include <string>

#include "platform/win/win_types.h"

constexpr DWORD ERROR_SUCCESS = 0;
constexpr DWORD ERROR_FILE_NOT_FOUND = 2;      // ENOENT
constexpr DWORD ERROR_ACCESS_DENIED = 13;      // EACCES
constexpr DWORD ERROR_INVALID_PARAMETER = 22;  // EINVAL
constexpr DWORD WIN_OWN_ERROR_BIT = 0x20000000;
constexpr DWORD ERROR_INSUFFICIENT_BUFFER = WIN_OWN_ERROR_BIT | 122;
constexpr DWORD ERROR_MORE_DATA = WIN_OWN_ERROR_BIT | 234;
constexpr DWORD ERROR_NO_UNICODE_TRANSLATION = WIN_OWN_ERROR_BIT | 1113;
constexpr DWORD ERROR_MOD_NOT_FOUND = WIN_OWN_ERROR_BIT | 126;
constexpr DWORD ERROR_PROC_NOT_FOUND = WIN_OWN_ERROR_BIT | 127;
constexpr DWORD ERROR_INVALID_HANDLE = WIN_OWN_ERROR_BIT | 6;
constexpr DWORD ERROR_BADDB = WIN_OWN_ERROR_BIT | 1009;

// The calling thread's last error.  Never fails.
DWORD GetLastError() noexcept;
// Sets the calling thread's last error.  Never fails.
void SetLastError(DWORD code) noexcept;

// The system's text for a code, ending in a line feed; false (text untouched) when the code has
// no text.
bool win_error_text(DWORD code, std::string& text);

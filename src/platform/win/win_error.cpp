#include "platform/win/win_error.h"

#include <cstring>

namespace {

thread_local DWORD t_last_error = ERROR_SUCCESS;

const char* own_text(DWORD code) {
    switch (code) {
        case ERROR_INSUFFICIENT_BUFFER:
            return "The data area passed to a system call is too small.";
        case ERROR_MORE_DATA:
            return "More data is available.";
        case ERROR_NO_UNICODE_TRANSLATION:
            return "No mapping for the Unicode character exists in the target multi-byte code "
                   "page.";
        case ERROR_MOD_NOT_FOUND:
            return "The specified module could not be found.";
        case ERROR_PROC_NOT_FOUND:
            return "The specified procedure could not be found.";
        case ERROR_INVALID_HANDLE:
            return "The handle is invalid.";
        case ERROR_BADDB:
            return "The configuration registry database is corrupt.";
        default:
            return nullptr;
    }
}

}  // namespace

DWORD GetLastError() noexcept {
    return t_last_error;
}

void SetLastError(DWORD code) noexcept {
    t_last_error = code;
}

bool win_error_text(DWORD code, std::string& text) {
    const char* found = nullptr;
    if (code & WIN_OWN_ERROR_BIT) {
        found = own_text(code);
    } else if (code == 0) {
        found = "The operation completed successfully.";
    } else if (code < 4096) {
        // strerrordesc_np answers null for numbers that name no error, unlike strerror.
        found = strerrordesc_np(static_cast<int>(code));
    }
    if (!found) return false;
    text = found;
    text += '\n';
    return true;
}

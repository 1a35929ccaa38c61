#include "UDB/udb_engine.h"

#include <unistd.h>

#include <cerrno>

#include "TK/tk_exception.h"
#include "TK/tk_utils.h"
#include "platform/win/win_codepage.h"
#include "platform/win/win_error.h"

udb_engine::~udb_engine() = default;

void udb_engine::db_delete(const std::wstring& name) {
    const std::string path = tk_to_ansi(name, CP_ACP);
    if (::unlink(path.c_str()) != 0) {
        SetLastError(static_cast<DWORD>(errno));
        throw tk_exception_ex();
    }
}

bool udb_engine::is_db_exist(const std::wstring& name) {
    std::string path;
    try {
        path = tk_to_ansi(name, CP_THREAD_ACP);
    } catch (const tk_exception&) {
        return false;
    }
    return tk_is_file_exist(path.c_str(), 0x4000);
}

void udb_engine::set_properties(udb_properties* properties) {
    m_properties = properties;
}

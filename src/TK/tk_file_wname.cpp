#include "TK/tk_file_wname.h"

#include <memory>

#include "TK/tk_exception.h"
#include "TK/tk_logger.h"
#include "TK/tk_utils.h"
#include "platform/win/win_path.h"

tk_file_wname::tk_file_wname(const wchar_t* path) {
    if (!path) throw tk_mail_assertion("tk_fname", 83);
    tk_wlog(1, L"tk_file_name::ctor(%s)", path);
    initialize(path);
}

void tk_file_wname::initialize(const wchar_t* path) {
    tk_wlog(1, L"tk_file_wname::initialize(%s)", path);
    std::unique_ptr<char[]> narrow;
    if (!tk_to_narrow(path, narrow)) throw tk_mail_assertion("tk_fname", 91);
    std::string full;
    if (!*path) {
        full = tk_get_module_dir();
    } else if (!win_full_path(narrow.get(), full)) {
        throw tk_mail_assertion("tk_fname", 91);
    }
    win_path_parts parts = win_split_path(full);
    auto widen = [](const std::string& s) {
        std::unique_ptr<wchar_t[]> wide;
        if (!tk_to_wide(s.c_str(), wide)) throw tk_mail_assertion("tk_fname", 91);
        return std::wstring(wide.get());
    };
    m_ext = widen(parts.ext);
    m_drive = widen(parts.drive);
    m_name = widen(parts.name);
    m_dir = widen(parts.dir);
}

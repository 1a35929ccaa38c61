#include "TK/tk_file_name.h"

#include "TK/tk_exception.h"
#include "TK/tk_logger.h"
#include "TK/tk_utils.h"
#include "platform/win/win_path.h"

tk_file_name::tk_file_name(const char* path) {
    if (!path) throw tk_mail_assertion("tk_fname", 31);
    tk_log(1, "tk_file_name::ctor(%s)", path);
    std::string full;
    if (!*path) {
        full = tk_get_module_dir();
    } else if (!win_full_path(path, full)) {
        throw tk_mail_assertion("tk_fname", 39);
    }
    win_path_parts parts = win_split_path(full);
    m_ext = std::move(parts.ext);
    m_drive = std::move(parts.drive);
    m_name = std::move(parts.name);
    m_dir = std::move(parts.dir);
}

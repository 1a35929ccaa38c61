#include "TK/tk_temp_chdir.h"

#include "TK/tk_logger.h"
#include "TK/tk_utils.h"
#include "platform/win/win_path.h"

tk_temp_chdir::tk_temp_chdir(const std::string& path) {
    tk_log(2, "tk_temp_chdir::ctor");
    initialize(path.empty() ? tk_get_module_dir() : path);
}

void tk_temp_chdir::initialize(const std::string& path) {
    tk_log(2, "tk_temp_chdir::initialize(%s)", path.c_str());
    if (!win_current_directory(m_saved)) {
        tk_log(1, "_getcwd failed");
        m_ok = false;
        return;
    }
    m_ok = win_set_current_directory(path);
    if (!m_ok) tk_log(1, "_chdir failed");
}

tk_temp_chdir::~tk_temp_chdir() {
    tk_log(2, "tk_temp_chdir::dtor");
    if (m_ok) win_set_current_directory(m_saved);
    tk_log(2, "tk_temp_chdir::dtor - at the END");
}

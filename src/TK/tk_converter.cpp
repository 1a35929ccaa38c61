#include "TK/tk_converter.h"

#include "TK/tk_exception.h"
#include "TK/tk_file_name.h"
#include "TK/tk_logger.h"
#include "TK/tk_texts.h"
#include "TK/tk_utils.h"

tk_converter::tk_converter() {
    tk_log(2, "tk_converter::ctor");
}

tk_converter::~tk_converter() = default;

void tk_converter::set_silent(bool silent) {
    m_silent = silent;
}

void tk_converter::set_logfile(const std::string& path) {
    tk_log(1, "tk_convertor::set_logfile(%s)", path.c_str());
    tk_logger* logger = tk_logger::find_instance();
    if (!logger) return;
    m_log_file = path;
    if (path.empty()) {
        tk_log(1, "Filename is empty");
        return;
    }
    if (tk_is_path_exist(path)) throw tk_exception(std::string(tk_text_logfile_is_path), 1);
    if (tk_is_file_exist(path, 0x4000) && !tk_is_file_exist(path, 1)) {
        throw tk_exception(std::string(tk_text_logfile_read_only), 1);
    }
    tk_file_name parts(path.c_str());
    if (!tk_is_path_exist(parts.drive() + parts.dir())) {
        throw tk_exception(std::string(tk_text_logfile_no_path), 1);
    }
    logger->set_file_name(path.c_str());
    logger->enable();
}

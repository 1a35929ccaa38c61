#include "SQL/dump_options.h"

#include "TK/tk_logger.h"

dump_options::dump_options() {
    tk_log(2, "dump_options::ctor1");
}

std::string dump_options::get_eol() const {
    return unix_eol == 0 ? "\r\n" : "\n";
}

std::wstring dump_options::get_weol() const {
    return unix_eol == 0 ? L"\r\n" : L"\n";
}

#include "converter/udb_converter.h"

#include "TK/tk_logger.h"

udb_converter::udb_converter() {
    tk_log(2, "udb_converter::ctor");
}

udb_converter::~udb_converter() {
    tk_log(2, "udb_converter::dtor");
}

std::wstring udb_converter::get_cur_table() const {
    std::lock_guard<std::mutex> hold(m_cur_table_lock);
    return m_cur_table;
}

void udb_converter::set_cur_table(const std::wstring& name) {
    std::lock_guard<std::mutex> hold(m_cur_table_lock);
    m_cur_table = name;
}

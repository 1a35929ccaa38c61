#include "TK/tk_error_converter.h"

#include "TK/tk_exception.h"
#include "TK/tk_logger.h"

tk_error_converter::tk_error_converter(int count, const tk_error_pair* table) {
    tk_log(2, "tk_error_converter::ctor (map size=%d)", count);
    load_map(count, table);
}

void tk_error_converter::load_map(int count, const tk_error_pair* table) {
    tk_log(2, "tk_error_converter::load_map (map size=%d)", count);
    if (!table) throw tk_mail_assertion("tk_errco", 43);
    for (int i = 0; i < count; ++i) {
        m_texts.emplace(table[i].code, table[i].text ? table[i].text : "");
    }
}

std::string tk_error_converter::convert(int code) const {
    tk_log(2, "tk_error_converter::convert(%d)", code);
    auto found = m_texts.find(code);
    if (found == m_texts.end()) {
        tk_log(1, "Error message not found!");
        return {};
    }
    tk_log(1, "Error message has been found: %s", found->second.c_str());
    return found->second;
}

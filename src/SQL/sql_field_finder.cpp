#include "SQL/sql_field_finder.h"

#include "SQL/sql_engine.h"
#include "TK/tk_logger.h"
#include "UDB/udb_compare.h"

sql_field_finder::sql_field_finder(const udb_record& record)
    : m_validator(sql_engine::instance().create_fn_validator(record)) {
    tk_log(1, "sql_field_finder::ctor");
    initialize(record);
}

void sql_field_finder::initialize(const udb_record& record) {
    tk_log(1, "sql_field_finder::initialize");
    m_names.reserve(record.size());
    for (const auto& field : record) {
        // The same rule as the table's creation, so that every field meets its own column.
        const std::wstring& source = field->get_name();
        const std::wstring name = m_validator->take_name(source);
        if (name != source) tk_wlog(1, L"GOT SAFE NAME: %s->%s", source.c_str(), name.c_str());
        m_names.push_back(name);
    }
}

int sql_field_finder::get_field_idx(const std::wstring& name) const {
    tk_wlog(1, L"sql_field_finder::get_field_idx(%s)", name.c_str());
    for (std::size_t i = 0; i < m_names.size(); ++i) {
        if (m_names[i].size() == name.size() && udb_equal_nocase(m_names[i], name))
            return static_cast<int>(i);
    }
    return -1;
}

#include "SQL/sql_fk_builder.h"

#include "SQL/sql_engine.h"
#include "SQL/sql_util.h"
#include "TK/tk_exception.h"
#include "TK/tk_logger.h"
#include "UDB/udb_indexes.h"

sql_fk_builder::sql_fk_builder(const udb_names_map& names)
    : m_names(names), m_validator(sql_engine::instance().create_in_validator(udb_indexes())) {}

std::wstring sql_fk_builder::constraint_name(const udb_relationship& relationship) {
    std::wstring name = relationship.name;
    // Constraint names are unique per database: a repeated one is numbered like a refused one.
    if (!m_validator->is_acceptable(name) || m_validator->is_duplicated(name)) {
        name = m_validator->get_safe_name(relationship.name);
        tk_wlog(2, L"Store generated index name '%s'", name.c_str());
        m_validator->add_mapped_pair(relationship.name, name);
    }
    m_validator->add_existing_name(name);
    return name;
}

std::wstring sql_fk_builder::column_list(const std::wstring& table,
                                         const std::vector<std::wstring>& columns) const {
    std::wstring out;
    for (const auto& column : columns) {
        if (!out.empty()) out += L", ";
        out += quote_mysql_name(m_names.get_fn_mapped_name(table, column, true));
    }
    return out;
}

std::wstring sql_fk_builder::add_constraint(const udb_relationship& relationship,
                                            const std::wstring& child, const std::wstring& parent) {
    // Quoted: a name the index validator accepts may still hold blanks or dashes.
    const std::wstring name = constraint_name(relationship);
    std::wstring statement =
        L"ALTER TABLE " + quote_mysql_name(child) + L" ADD CONSTRAINT " + quote_mysql_name(name) +
        L" FOREIGN KEY(" + column_list(child, relationship.child_columns) + L") REFERENCES " +
        quote_mysql_name(parent) + L"(" + column_list(parent, relationship.parent_columns) + L")";
    // The rule goes into the statement as written: only keywords (letters and blanks) may.
    for (wchar_t c : relationship.rule) {
        const bool keyword_char = (c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z') || c == L' ';
        if (!keyword_char)
            throw tk_exception(L"Unsupported foreign key rule '" + relationship.rule + L"'", 0);
    }
    statement += relationship.rule.empty() ? L" ON DELETE CASCADE ON UPDATE CASCADE"
                                           : L" " + relationship.rule;
    return statement;
}

std::wstring sql_fk_builder::add_index(const std::wstring& table,
                                       const std::vector<std::wstring>& columns) const {
    return L"ALTER TABLE " + quote_mysql_name(table) + L" ADD INDEX (" +
           column_list(table, columns) + L")";
}

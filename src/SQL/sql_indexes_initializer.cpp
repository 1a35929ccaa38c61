#include "SQL/sql_indexes_initializer.h"

#include "SQL/sql_engine.h"
#include "SQL/sql_util.h"
#include "TK/tk_logger.h"
#include "UDB/udb_compare.h"

sql_indexes_initializer::sql_indexes_initializer(const udb_schema& columns,
                                                 const udb_indexes& indexes,
                                                 const std::wstring& auto_increment_name,
                                                 const t_names_map& column_map, int /*unused*/)
    : m_auto_increment_name(auto_increment_name),
      m_columns(columns),
      m_validator(sql_engine::get_instance().create_in_validator(indexes)) {
    tk_log(2, "sql_indexes_initializer::ctor");
    for (const udb_index& source : indexes) {
        std::vector<std::wstring> names;
        names.reserve(source.columns.size());
        // Exact: columns "col" and "COL" are two columns, and only one of them was renamed.
        for (const auto& column : source.columns)
            names.push_back(column_map.get_mapped_name(column, true));
        const std::wstring name = m_validator->take_name(source.name);
        m_indexes.push_back(udb_index(name, source.unique, source.primary, names));
        if (name != source.name) tk_wlog(1, L"Store generated index name '%s'", name.c_str());
    }
}

void sql_indexes_initializer::get_init_chunks(std::vector<std::wstring>& out) {
    tk_log(2, "sql_indexes_initializer::get_init_chunks(n_indexes=%d)",
           static_cast<int>(m_indexes.size()));
    const uint32_t version = sql_engine::get_instance().version_word;
    const bool old_server = version < 0x40100;
    const int max_count = old_server ? 15 : 31;
    const unsigned long max_key = old_server ? 256 : 500;

    int count = 0;
    bool auto_covered = false;
    for (const udb_index& index : m_indexes) {
        if (count >= max_count) break;
        tk_wlog(1, L"Process index '%s'", index.name.c_str());
        if (index.columns.empty()) {
            tk_wlog(1, L"Skip index '%s' as it is built on empty fields list", index.name.c_str());
            continue;
        }
        if (index.columns.size() > 16) continue;
        ++count;

        std::wstring clause;
        if (index.primary)
            clause = L"PRIMARY KEY";
        else
            clause = (index.unique ? L"UNIQUE " : L"INDEX ") + quote_mysql_name(index.name);
        clause += L" (";

        bool abandoned = false;
        bool covers_auto = false;
        unsigned long key_length = 0;
        for (std::size_t i = 0; i < index.columns.size() && !abandoned; ++i) {
            const std::wstring& name = index.columns[i];
            tk_wlog(1, L"Process idx.field %s", name.c_str());
            if (i > 0) clause += L", ";
            if (!m_auto_increment_name.empty() && udb_equal_nocase(name, m_auto_increment_name)) {
                tk_log(1, "Got index for auto_increment field");
                covers_auto = true;
            }
            clause += quote_mysql_name(name);
            const int position = m_columns.get_field_idx(name);
            if (position < 0) {
                tk_wlog(1, L"Index column '%s' is not found", name.c_str());
                abandoned = true;
                break;
            }
            const t_ftd& column = m_columns[static_cast<std::size_t>(position)];
            // A RAW(n) key is a VARBINARY(n) column that MySQL indexes whole, as it does a
            // VARCHAR(n); only the TEXT and BLOB forms cannot carry an index without a prefix.
            const bool sized = column.size >= 1 && column.size <= 255;
            if (column.vartype == VT_BLOB_OBJECT ||
                ((column.vartype == VT_BLOB || column.vartype == VT_BYTE_ARRAY ||
                  column.vartype == VT_BSTR) &&
                 !sized)) {
                tk_log(1, "Indexes on BLOBs are not allowed");
                abandoned = true;
                break;
            }
            key_length += column.size;
            if (key_length > max_key) {
                tk_log(1, "Index is too big");
                abandoned = true;
            }
        }
        if (abandoned) continue;
        // Only an index that is written can serve as the auto-increment column's key; an
        // abandoned one would leave the column without any and the table could not be created.
        if (covers_auto) auto_covered = true;
        out.push_back(clause + L")");
    }

    if (!m_auto_increment_name.empty() && !auto_covered) {
        tk_log(1, "Creating index for auto-field");
        // A name already used by another index of the table would make CREATE TABLE fail.
        const bool free_name = m_validator->is_acceptable(m_auto_increment_name) &&
                               !m_validator->is_duplicated(m_auto_increment_name);
        const std::wstring name =
            free_name ? m_auto_increment_name : m_validator->get_safe_name(m_auto_increment_name);
        m_validator->add_restricted_name(name);
        out.push_back(L"INDEX " + quote_mysql_name(name) + L" (" +
                      quote_mysql_name(m_auto_increment_name) + L")");
    }
}

#include "SQL/sql_indexes_initializer.h"

#include "SQL/sql_engine.h"
#include "SQL/sql_util.h"
#include "TK/tk_logger.h"
#include "UDB/udb_compare.h"

namespace {

// The most columns one key may have.
constexpr std::size_t k_max_key_columns = 16;

}  // namespace

sql_indexes_initializer::sql_indexes_initializer(const udb_schema& columns,
                                                 const udb_indexes& indexes,
                                                 const std::wstring& auto_increment_name,
                                                 const t_names_map& column_map, int /*unused*/,
                                                 const sql_table_limits* limits)
    : m_auto_increment_name(auto_increment_name),
      m_columns(columns),
      m_validator(sql_engine::get_instance().create_in_validator(indexes)),
      m_limits(limits ? *limits
                      : sql_engine::get_instance().table_limits(
                            sql_engine::get_instance().table_type())) {
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

void sql_indexes_initializer::leave_out(const udb_index& index, const std::wstring& why) {
    std::wstring columns;
    for (const std::wstring& column : index.columns)
        columns += (columns.empty() ? L"" : L", ") + column;
    const std::wstring what = index.primary ? L"the primary key (" + columns + L")"
                              : index.unique
                                  ? L"the unique key '" + index.name + L"' (" + columns + L")"
                                  : L"the index '" + index.name + L"' (" + columns + L")";
    (index.primary || index.unique ? m_lost_keys : m_dropped)
        .push_back(what + L" was not created: " + why + L".");
}

void sql_indexes_initializer::get_init_chunks(std::vector<std::wstring>& out) {
    tk_log(2, "sql_indexes_initializer::get_init_chunks(n_indexes=%d)",
           static_cast<int>(m_indexes.size()));
    const uint32_t version = sql_engine::get_instance().version_word;
    const bool old_server = version < 0x40100;
    const int max_count = old_server ? 15 : 31;

    int count = 0;
    bool auto_covered = false;
    for (const udb_index& index : m_indexes) {
        if (count >= max_count) break;
        tk_wlog(1, L"Process index '%s'", index.name.c_str());
        if (index.columns.empty()) {
            tk_wlog(1, L"Skip index '%s' as it is built on empty fields list", index.name.c_str());
            continue;
        }
        if (index.columns.size() > k_max_key_columns) {
            leave_out(index,
                      L"it has more than " + std::to_wstring(k_max_key_columns) + L" columns");
            continue;
        }
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
                leave_out(index, L"its column '" + name + L"' is not in the table");
                abandoned = true;
                break;
            }
            const t_ftd& column = m_columns[static_cast<std::size_t>(position)];
            const std::wstring type = column.vartype == VT_BLOB_OBJECT
                                          ? std::wstring(L"BLOB")
                                          : sql_column_type_text(column);
            if (!sql_type_is_indexable(type)) {
                tk_log(1, "Indexes on BLOBs are not allowed");
                leave_out(index, L"its column '" + name + L"' is " + type);
                abandoned = true;
                break;
            }
            key_length += sql_key_bytes(type, m_limits.key_char_bytes);
            if (key_length > m_limits.key_bytes) {
                tk_log(1, "Index is too big");
                leave_out(index, L"it takes more than the " + std::to_wstring(m_limits.key_bytes) +
                                     L" bytes the server allows a key");
                abandoned = true;
            }
        }
        if (abandoned) continue;
        // Only an index that is written can serve as the auto-increment column's key; an
        // abandoned one would leave the column without any and the table could not be created.
        if (covers_auto) auto_covered = true;
        out.push_back(clause + L")");
        if (key_length > m_widest_key) m_widest_key = key_length;
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

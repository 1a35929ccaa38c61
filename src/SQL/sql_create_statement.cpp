#include "SQL/sql_create_statement.h"

#include "SQL/sql_engine.h"
#include "SQL/sql_indexes_initializer.h"
#include "SQL/sql_util.h"
#include "TK/tk_logger.h"
#include "UDB/udb_database.h"
#include "UDB/udb_properties.h"
#include "UDB/udb_validator.h"

namespace {

udb_properties* table_properties(const std::wstring& table) {
    udb_properties* all = sql_engine::instance().properties();
    if (!all) return nullptr;
    udb_properties* found = all->find_by_new_name(table);
    return found ? found : all->find_item(table);
}

}  // namespace

sql_create_statement::sql_create_statement(const std::wstring& table, const udb_schema& fields,
                                           const udb_indexes& indexes)
    : m_table(table),
      m_properties(table_properties(table)),
      m_schema(table, fields, indexes, m_auto_increment, 0),
      m_limits(sql_engine::instance().table_limits(table_type())) {
    const sql_table_fit fit(table, m_schema.columns_to_fit(), indexes, m_schema.name_map(),
                            m_limits);
    m_notices = fit.changes();
    m_schema.get_init_chunks(m_clauses, m_properties);
    m_notices.insert(m_notices.end(), m_schema.notices().begin(), m_schema.notices().end());
    const udb_schema& columns = m_schema.columns();
    for (std::size_t i = 0; i < columns.size(); ++i) {
        if (columns[i].name != fields[i].name)
            m_notices.push_back(
                udb_validator::repair_notice(L"Column", fields[i].name, columns[i].name, table));
    }
    if (!columns.empty()) {
        sql_indexes_initializer index_init(columns, indexes, m_auto_increment, m_schema.name_map(),
                                           0, &m_limits);
        index_init.get_init_chunks(m_clauses);
        m_widest_key = index_init.widest_key();
        const udb_indexes& written = index_init.indexes();
        for (std::size_t i = 0; i < written.size(); ++i) {
            if (!indexes[i].primary && written[i].name != indexes[i].name)
                m_notices.push_back(udb_validator::repair_notice(L"Index", indexes[i].name,
                                                                 written[i].name, table));
        }
        const std::wstring head = L"Table '" + table + L"': ";
        for (const std::wstring& line : index_init.lost_keys()) m_lost_keys.push_back(head + line);
        for (const std::wstring& line : index_init.dropped_indexes())
            m_notices.push_back(head + line);
    }
}

void sql_create_statement::report_to(udb_database& destination) const {
    for (const std::wstring& line : m_notices) destination.add_notice(line);
    for (const std::wstring& line : m_lost_keys) destination.add_table_error(line);
}

std::wstring sql_create_statement::text(const std::wstring& name_text, const std::wstring& lead,
                                        const std::wstring& separator,
                                        const std::wstring& close) const {
    std::wstring out = L"CREATE TABLE " + name_text + L" (" + lead;
    for (std::size_t i = 0; i < m_clauses.size(); ++i) {
        if (i) out += separator;
        out += m_clauses[i];
    }
    return out + close + L")";
}

bool sql_create_statement::has_own_charsets(const udb_schema& fields) const {
    if (!m_properties) return false;
    if (!sql_property(m_properties, L"character set").empty()) return true;
    for (const auto& field : fields.fields())
        if (!sql_property(m_properties->find_item(field->name), L"character_set").empty())
            return true;
    return false;
}

std::wstring sql_create_statement::table_type() const {
    const sql_engine& engine = sql_engine::instance();
    std::wstring type = sql_property(m_properties, L"engine");
    if (type.empty()) type = engine.version_word <= 0x31722 ? L"MyISAM" : engine.table_type();
    return type;
}

std::wstring sql_create_statement::engine_clause() const {
    const sql_engine& engine = sql_engine::instance();
    const std::wstring type = table_type();
    sql_check_identifier(type, "storage engine");
    std::wstring clause = (engine.version_word > 0x40016 ? L" ENGINE=" : L" TYPE=") + type;
    // The server's default rows hold shorter keys than the ones this table was made with.
    if (m_limits.dynamic_rows && m_widest_key > sql_table_limits::k_compact_key_bytes)
        clause += L" ROW_FORMAT=DYNAMIC";
    return clause;
}

std::wstring sql_create_statement::charset_clause() const {
    const std::wstring charset = sql_property(m_properties, L"character set");
    if (charset.empty()) return std::wstring();
    sql_check_identifier(charset, "character set");
    return L" character set " + charset;
}

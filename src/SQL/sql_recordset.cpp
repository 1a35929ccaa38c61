#include "SQL/sql_recordset.h"

#include "SQL/sql_database.h"
#include "SQL/sql_engine.h"
#include "SQL/sql_util.h"
#include "TK/tk_logger.h"
#include "TK/tk_utils.h"

namespace {

constexpr unsigned int k_flag_not_null = 0x1;
constexpr unsigned int k_flag_primary_key = 0x2;
constexpr unsigned int k_flag_unsigned = 0x20;
constexpr unsigned int k_flag_binary = 0x80;
constexpr unsigned int k_flag_auto_increment = 0x200;

int precision_word(const MYSQL_FIELD& field) {
    switch (field.type) {
        case MYSQL_TYPE_DATETIME:
            return 1;
        case MYSQL_TYPE_DATE:
            return 2;
        case MYSQL_TYPE_TIME:
            return 3;
        case MYSQL_TYPE_LONGLONG:
            return (field.flags & k_flag_unsigned) ? 2 : 1;
        case MYSQL_TYPE_DECIMAL:
        case MYSQL_TYPE_NEWDECIMAL: {
            const int decimals = static_cast<int>(field.decimals);
            const int length = static_cast<int>(field.length);
            tk_log(1, "Scale/precision: (%d,%d)", decimals, length);
            // The display length counts the sign, and the point when there are decimals.
            const int precision = length - (decimals ? 2 : 1);
            return precision * 256 + decimals;
        }
        default:
            return 0;
    }
}

}  // namespace

sql_recordset::sql_recordset(sql_database* database, const std::wstring& table,
                             udb_names_map* names)
    : udb_recordset(database, table, false), m_database(database), m_names(names) {
    tk_log(2, "sql_recordset::sql_recordset1");
    initialize();
}

sql_recordset::sql_recordset(sql_database* database, const std::wstring& name,
                             const std::wstring& query, udb_names_map* names)
    : udb_recordset(database, name, query, false), m_database(database), m_names(names) {
    tk_log(2, "sql_recordset::sql_recordset2");
    initialize();
}

sql_recordset::~sql_recordset() {
    tk_log(2, "sql_recordset::dtor");
    clean();
}

void sql_recordset::clean() {
    tk_log(1, "sql_recordset::clean");
    m_page.clear();
    m_page_start = -1;
}

std::wstring sql_recordset::source_text() const {
    return !m_query.empty() ? L"(" + m_query + L") as temp___table" : m_database->name_text(m_name);
}

int sql_recordset::get_rec_count() {
    tk_log(2, "sql_recordset::get_rec_count");
    const std::wstring statement = !m_query.empty()
                                       ? L"SELECT COUNT(*) FROM (" + m_query + L") as query"
                                       : L"SELECT COUNT(*) FROM " + m_database->name_text(m_name);
    return static_cast<int>(m_database->query_scalar(statement));
}

void sql_recordset::initialize() {
    tk_log(2, "sql_recordset::initialize");
    clean();
    m_record_count = get_rec_count();
    tk_log(1, "get_rec_count returns %d", m_record_count);

    describe_columns();
    if (!m_query.empty()) {
        tk_log(1, "It's a SQL-query, nothing to do anymore");
        return;
    }
    if (!m_auto_column.empty()) {
        tk_wlog(1, L"Refining auto_number '%s' (last value)", m_auto_column.c_str());
        const std::wstring statement = L"select max( " + quote_mysql_name(m_auto_column) +
                                       L") from " + quote_mysql_name(m_name);
        tk_wlog(1, L"auto_number query=%s", statement.c_str());
        m_last_value = m_database->query_scalar(statement);
        tk_log(1, "got last value=%d", static_cast<int>(m_last_value));
    }
}

void sql_recordset::describe_columns() {
    // The columns come from an empty page: the rows wait until one is read.
    sql_database::sql_limited_query described(*m_database, source_text(), L"", 0, 0);
    const MYSQL_FIELD* fields = described.fields();
    const unsigned int n_fields = described.field_count();
    const bool blob_as_text = sql_engine::instance().blob_as_text;
    for (unsigned int i = 0; i < n_fields; ++i) {
        const MYSQL_FIELD& field = fields[i];
        const std::wstring name =
            tk_to_unicode(std::string(field.name ? field.name : "", field.name_length));
        tk_log(1, "Processing field #%d", static_cast<int>(i + 1));
        tk_wlog(1, L"GOT FIELD: name=%s, type=%d, size=%d", name.c_str(),
                static_cast<int>(field.type), static_cast<int>(field.length));
        int vt = get_vartype_by_mysql_field_type(static_cast<int>(field.type), field.flags);
        const bool auto_increment = (field.flags & k_flag_auto_increment) != 0;
        if (auto_increment) {
            m_auto_column = name;
            tk_wlog(1, L"Got auto_number column: '%s'", name.c_str());
        }
        if (vt == VT_BLOB && (blob_as_text || !(field.flags & k_flag_binary))) {
            tk_log(1, "Change type from BLOB to TEXT");
            vt = VT_BSTR;
        }
        if (field.flags & k_flag_primary_key) m_key_columns.push_back(name);
        m_schema.add_field(t_ftd(static_cast<unsigned int>(field.length), name, vt,
                                 (field.flags & k_flag_not_null) != 0, auto_increment,
                                 ole_variant(), precision_word(field), L""));
    }
}

std::vector<std::wstring> sql_recordset::page_order() const {
    if (!m_query.empty()) return {};
    for (const auto& index : m_indexes)
        if (index.primary && !index.columns.empty()) return index.columns;
    if (!m_key_columns.empty()) return m_key_columns;
    // A unique key over not-null columns orders as well as a primary key.
    for (const auto& index : m_indexes) {
        if (!index.unique || index.columns.empty()) continue;
        bool usable = true;
        for (const auto& column : index.columns) {
            const int at = m_schema.get_field_idx(column);
            if (at < 0 || !m_schema[static_cast<std::size_t>(at)].b_not_null) usable = false;
        }
        if (usable) return index.columns;
    }
    return {};
}

void sql_recordset::load_page(int offset) {
    clean();
    std::wstring order;
    for (const auto& column : page_order()) {
        order += order.empty() ? L" ORDER BY " : L", ";
        order += m_database->name_text(column);
    }
    sql_database::sql_limited_query page(*m_database, source_text(), order, offset, k_page_size);
    page.store_to(&m_page, k_page_size);
    m_page_start = offset;
}

void sql_recordset::append_record(udb_record&) {
    throw tk_mail_assertion("sql_recs", 215);
}

udb_record* sql_recordset::get_item() {
    if (m_row < 0 || is_eof()) return nullptr;
    const int offset = m_row - m_row % k_page_size;
    if (m_page_start != offset) load_page(offset);
    const std::size_t position = static_cast<std::size_t>(m_row - offset);
    return position < m_page.size() ? m_page[position].get() : nullptr;
}

bool sql_recordset::is_eof() {
    return m_row >= m_record_count;
}

void sql_recordset::next() {
    tk_log(1, "sql_recordset::next");
    ++m_row;
}

void sql_recordset::prev() {
    tk_log(1, "sql_recordset::prev");
    if (m_row > 0) --m_row;
}

void sql_recordset::reset() {
    tk_log(2, "sql_recordset::reset");
    m_row = 0;
    clean();
    m_record_count = get_rec_count();
}

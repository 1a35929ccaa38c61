#include "SQL/dmp_recordset.h"

#include "SQL/dmp_database.h"
#include "SQL/sql_engine.h"
#include "SQL/sql_util.h"
#include "TK/tk_logger.h"
#include "TK/tk_utils.h"

dmp_recordset::dmp_recordset(dmp_database* owner, const std::wstring& table,
                             const udb_schema& columns, const dump_options& options)
    : udb_recordset(owner, table, false), m_database(owner), m_options(options) {
    tk_wlog(1, L"dmp_recordset::dmp_recordset(%s)", table.c_str());
    for (const auto& column : columns) m_schema.add_field(*column);
}

dmp_recordset::~dmp_recordset() {
    tk_log(2, "dmp_recordset::dtor");
    try {
        flush();
    } catch (const tk_exception& e) {
        tk_log(3, "%s", e.what());
    }
}

void dmp_recordset::flush() {
    if (m_pending.empty()) return;
    tk_log(2, "Run SQL query: [%s]", m_pending.c_str());
    m_pending += ';';
    m_pending += m_options.get_eol();
    // The buffer keeps its capacity for the next statement; a failed write drops the statement
    // so that it is not written again when the recordset is released.
    try {
        m_database->write(m_pending);
    } catch (...) {
        m_pending.clear();
        throw;
    }
    m_pending.clear();
}

void dmp_recordset::append_record(udb_record& record) {
    tk_log(1, "dmp_recordset::append_record");
    const bool fresh = m_pending.empty();
    if (fresh) tk_log(1, "Initialize new query...");
    const bool quoted = !sql_engine::instance().is_old_version();

    // The head names the same columns for every statement of the table: build it once.
    if (m_head.empty()) {
        std::wstring head =
            L"INSERT IGNORE INTO " +
            (quoted ? quote_mysql_name(m_name) : mysql_name_for_old_server(m_name)) + L"(";
        for (std::size_t i = 0; i < m_schema.size(); ++i) {
            if (i) head += L", ";
            head += quoted ? quote_mysql_name(m_schema[i].name)
                           : mysql_name_for_old_server(m_schema[i].name);
        }
        m_head = tk_to_utf8(head) + ")";
    }

    // The source names behind the columns are fixed once the table is created: look them up
    // once, not per row.
    if (m_originals.size() != m_schema.size()) {
        const udb_names_map& names = m_database->get_names_map();
        m_originals.clear();
        for (std::size_t i = 0; i < m_schema.size(); ++i)
            m_originals.push_back(names.get_fn_orig_name(m_name, m_schema[i].name, true));
    }

    // The row goes straight into the pending statement; a record that fails half-way takes its
    // part back out, so the statement stays whole.
    const std::size_t restart = m_pending.size();
    if (!fresh) m_pending += ", ";
    const std::size_t row_start = m_pending.size();
    try {
        if (fresh) {
            m_pending += m_head;
            m_pending += " VALUES(";
        } else {
            m_pending += '(';
        }
        for (std::size_t i = 0; i < m_schema.size(); ++i) {
            const t_ftd& column = m_schema[i];
            const std::wstring& original = m_originals[i];
            tk_wlog(1, L"Name=%s, original name=%s", column.name.c_str(), original.c_str());
            // The field at the column's position when it carries the name, else found by name,
            // so a record in another column order still puts each value under its own column.
            udb_field* field = nullptr;
            if (i < record.size() && same_field_name(record[i].get_name(), original)) {
                field = &record[i];
            } else if (record.find_field(original)) {
                field = &record.get_field(original);
            } else {
                tk_wlog(3, L"Field %s not found", original.c_str());
                throw tk_exception(
                    "Generic error occurred while migrating the data.\r\n"
                    "Please send the trace log to the product's support contact.",
                    0);
            }
            if (i) m_pending += ", ";
            append_fld_str(m_pending, field, &column);
        }
    } catch (...) {
        m_pending.resize(restart);
        throw;
    }
    m_pending += ')';
    tk_log(1, "*** FAST INSERT MODE ***");
    tk_log(1, "sql_query=[%s]", m_pending.c_str() + row_start);

    if (m_pending.size() > k_max_statement) {
        flush();
        tk_log(1, "Cleaning append_buffer...");
    }
}

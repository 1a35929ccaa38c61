#include "SQL/sql_database.h"

#include "SQL/sql_engine.h"
#include "SQL/sql_exception.h"
#include "SQL/sql_util.h"
#include "TK/tk_logger.h"
#include "TK/tk_utils.h"
#include "UDB/udb_recordset.h"

namespace {

[[noreturn]] void not_available() {
    throw tk_exception("Writing or reading tables on a live MySQL server is not available yet.", 1);
}

}  // namespace

sql_database::sql_database(const std::wstring& name, MYSQL* handle, int flags)
    : udb_database(name, flags, 0), m_handle(handle) {
    tk_wlog(2, L"sql_database::sql_database(%s, mode=%d)", name.c_str(), flags);
    init_tables();
}

void sql_database::send(const std::wstring& statement) {
    const std::string text = tk_to_utf8(statement);
    if (mysql_real_query(m_handle, text.data(), text.size()) != 0) throw sql_exception(m_handle);
    if (MYSQL_RES* result = mysql_use_result(m_handle)) mysql_free_result(result);
    if (mysql_errno(m_handle) != 0) throw sql_exception(m_handle);
}

void sql_database::init_tables() {
    tk_log(2, "sql_database::init_tables");
    const std::string statement = "show full tables where Table_type='BASE TABLE'";
    if (mysql_real_query(m_handle, statement.data(), statement.size()) != 0)
        throw sql_exception(m_handle);
    MYSQL_RES* result = mysql_use_result(m_handle);
    if (!result) throw sql_exception(m_handle);
    while (MYSQL_ROW row = mysql_fetch_row(result)) {
        const unsigned long* lengths = mysql_fetch_lengths(result);
        if (!row[0]) continue;
        const std::wstring table = tk_to_unicode(std::string(row[0], lengths[0]));
        tk_wlog(1, L"Got table name: '%s'", table.c_str());
        m_tables.push_back(table);
    }
    mysql_free_result(result);
}

std::unique_ptr<udb_recordset> sql_database::create_table(const std::wstring&, const udb_schema&,
                                                          const udb_indexes&) {
    not_available();
}

bool sql_database::delete_tab(const std::wstring& table) {
    tk_wlog(2, L"sql_database::delete_tab (%s)", table.c_str());
    if (m_mode & 0x01) throw tk_mail_assertion("sql_db", 484);
    if (!is_table_exist(table)) throw tk_mail_assertion("sql_db", 485);
    // The list matches names ignoring case; the server may not, so use its own spelling.
    std::wstring listed = table;
    for (const auto& name : m_tables)
        if (same_table_name(name, table)) listed = name;
    send(L"DELETE FROM " + quote_mysql_name(listed));
    return true;
}

void sql_database::empty_table(const std::wstring& table) {
    query(L"delete from " + quote_mysql_name(table));
}

std::unique_ptr<udb_recordset> sql_database::get_query(const std::wstring&, const std::wstring&,
                                                       int) {
    not_available();
}

std::unique_ptr<udb_recordset> sql_database::get_table(const std::wstring&, int) {
    not_available();
}

std::unique_ptr<udb_recordset> sql_database::query(const std::wstring& statement) {
    tk_wlog(2, L"sql_database::query(%s)", statement.c_str());
    send(statement);
    return nullptr;
}

bool sql_database::test_query(const std::wstring& query_text) {
    tk_wlog(2, L"sql_database::query(%s)", query_text.c_str());
    const std::string text = tk_to_utf8(query_text);
    const bool ok = mysql_real_query(m_handle, text.data(), text.size()) == 0;
    if (MYSQL_RES* result = mysql_use_result(m_handle)) mysql_free_result(result);
    return ok;
}

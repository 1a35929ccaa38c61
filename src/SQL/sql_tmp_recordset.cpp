#include "SQL/sql_tmp_recordset.h"

#include "SQL/sql_engine.h"
#include "SQL/sql_exception.h"
#include "TK/tk_logger.h"

sql_tmp_recordset::sql_tmp_recordset(MYSQL_RES* result) : udb_recordset(L"") {
    tk_log(2, "sql_tmp_recordset::ctor");
    initialize(result);
}

sql_tmp_recordset::~sql_tmp_recordset() {
    tk_log(2, "sql_tmp_recordset::dtor");
    m_records.clear();
    tk_log(1, "sql_tmp_recordset::dtor - at the end");
}

void sql_tmp_recordset::initialize(MYSQL_RES* result) {
    tk_log(2, "sql_tmp_recordset::initialize");
    if (!result) throw tk_mail_assertion("sql_recs", 339);
    const unsigned int n_fields = mysql_num_fields(result);
    tk_log(1, "n_fields=%d", static_cast<int>(n_fields));
    const MYSQL_FIELD* fields = mysql_fetch_fields(result);
    try {
        while (MYSQL_ROW row = mysql_fetch_row(result)) {
            m_records.push_back(
                std::make_unique<sql_record>(n_fields, fields, mysql_fetch_lengths(result), row));
        }
    } catch (...) {
        mysql_free_result(result);
        throw;
    }
    // An unbuffered result ends early, without a row, when the connection fails mid-way.
    MYSQL* handle = sql_engine::instance().handle();
    if (mysql_errno(handle) != 0) {
        sql_exception error(handle);
        mysql_free_result(result);
        throw error;
    }
    mysql_free_result(result);
}

void sql_tmp_recordset::append_record(udb_record&) {
    throw tk_mail_assertion("sql_recs", 332);
}

udb_record* sql_tmp_recordset::get_item() {
    if (m_index < 0 || m_index >= get_rows_count()) return nullptr;
    return m_records[static_cast<std::size_t>(m_index)].get();
}

bool sql_tmp_recordset::is_eof() {
    return m_index >= get_rows_count();
}

void sql_tmp_recordset::next() {
    ++m_index;
}

void sql_tmp_recordset::reset() {
    m_index = 0;
}

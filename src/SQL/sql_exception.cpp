#include "SQL/sql_exception.h"

#include <utility>

#include "SQL/sql_engine.h"
#include "SQL/sql_errors.h"
#include "TK/tk_logger.h"
#include "TK/tk_utils.h"

sql_exception::sql_exception() : tk_exception() {
    fill(sql_engine::get_instance().handle());
}

sql_exception::sql_exception(MYSQL* handle) : tk_exception() {
    fill(handle);
}

sql_exception::sql_exception(const std::string& message, unsigned int error_number)
    : tk_exception(message, 0) {
    m_code = mysql_error_code(static_cast<int>(error_number));
}

bool sql_exception::is_connection_lost() const noexcept {
    switch (mysql_errno_value()) {
        case k_mysql_server_shutdown:
        case k_mysql_connection_killed:
        case k_mysql_server_gone:
        case k_mysql_lost_connection:
        case k_mysql_lost_connection_reading:
            return true;
        default:
            return false;
    }
}

bool sql_exception::is_table_refused() const noexcept {
    switch (mysql_errno_value()) {
        case k_mysql_table_read_only:
        case k_mysql_db_access_denied:
        case k_mysql_table_full:
        case k_mysql_table_access_denied:
        case k_mysql_column_access_denied:
        case k_mysql_no_such_table:
        case k_mysql_read_only_server:
            return true;
        default:
            return false;
    }
}

sql_record_error::sql_record_error(const std::wstring& table, int record,
                                   const std::wstring& column, const std::string& text,
                                   unsigned int error_number)
    : sql_exception(
          "Table '" + tk_to_utf8(table) + "', record #" + std::to_string(record) + ": " + text,
          error_number),
      m_table(table),
      m_record(record),
      m_column(column),
      m_text(text) {}

sql_record_error::sql_record_error(const std::string& message, const std::wstring& table,
                                   int record, const std::string& text, unsigned int error_number)
    : sql_exception(message, error_number), m_table(table), m_record(record), m_text(text) {}

sql_record_error sql_record_error::unplaced(const std::wstring& table, int first, int last,
                                            const std::string& text, unsigned int error_number) {
    return sql_record_error(
        "one of records #" + std::to_string(first) + " to #" + std::to_string(last) + ": " + text,
        table, 0, text, error_number);
}

namespace {

std::string join_messages(const std::vector<sql_record_error>& errors) {
    std::string text;
    for (const auto& e : errors) {
        if (!text.empty()) text += '\n';
        text += e.message();
    }
    return text;
}

}  // namespace

sql_row_errors::sql_row_errors(std::vector<sql_record_error> errors)
    : sql_exception(join_messages(errors),
                    errors.empty() ? 0u : static_cast<unsigned int>(errors[0].mysql_errno_value())),
      m_errors(std::move(errors)) {}

void sql_exception::fill(MYSQL* handle) {
    const char* text = handle ? mysql_error(handle) : "";
    const unsigned int number = handle ? mysql_errno(handle) : 0;
    m_message = text ? text : "";
    if (m_message.empty()) m_message = "Unknown exception";
    m_code = mysql_error_code(static_cast<int>(number));
    m_level = 0;
    tk_log(2, "sql_exception::sql_exception( msg=%s)", m_message.c_str());
    tk_log(2, "Got MySQL error code=%d", static_cast<int>(number));
}

sql_rows_lost::sql_rows_lost(const sql_exception& cause, const std::string& table,
                             long long written)
    : sql_exception(cause.message() + " (" + std::to_string(written) + " rows of table '" + table +
                        "' had reached the server)",
                    static_cast<unsigned int>(cause.mysql_errno_value())),
      m_written(written) {}

sql_auth_not_supported_exception::sql_auth_not_supported_exception()
    : tk_exception(
          "The program does not support authentication protocol requested by server. See "
          "'Troubleshooting' article of the product documentation.",
          1) {}

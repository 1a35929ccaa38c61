#include "SQL/sql_exception.h"

#include <utility>

#include "SQL/sql_engine.h"
#include "TK/tk_logger.h"

sql_exception::sql_exception() : tk_exception() {
    fill(sql_engine::get_instance().handle());
}

sql_exception::sql_exception(MYSQL* handle) : tk_exception() {
    fill(handle);
}

sql_exception::sql_exception(const std::string& message, unsigned int error_number)
    : tk_exception(message, 0) {
    m_code = static_cast<int>((error_number & 0xFFFF) | 0x400000);
}

bool sql_exception::is_connection_lost() const noexcept {
    switch (mysql_errno_value()) {
        case 1053:  // server shutdown in progress
        case 1927:  // connection killed
        case 2006:  // server has gone away
        case 2013:  // lost connection during query
        case 2055:  // lost connection at reading
            return true;
        default:
            return false;
    }
}

bool sql_exception::is_table_refused() const noexcept {
    switch (mysql_errno_value()) {
        case 1036:  // table is read only
        case 1044:  // access denied to the database
        case 1114:  // table is full
        case 1142:  // command denied for the table
        case 1143:  // command denied for a column
        case 1146:  // table does not exist
        case 1290:  // server runs read-only
            return true;
        default:
            return false;
    }
}

namespace {

std::string join_messages(const std::vector<sql_exception>& errors) {
    std::string text;
    for (const auto& e : errors) {
        if (!text.empty()) text += '\n';
        text += e.message();
    }
    return text;
}

}  // namespace

sql_row_errors::sql_row_errors(std::vector<sql_exception> errors)
    : sql_exception(join_messages(errors),
                    errors.empty() ? 0u : static_cast<unsigned int>(errors[0].mysql_errno_value())),
      m_errors(std::move(errors)) {}

void sql_exception::fill(MYSQL* handle) {
    const char* text = handle ? mysql_error(handle) : "";
    const unsigned int number = handle ? mysql_errno(handle) : 0;
    m_message = text ? text : "";
    if (m_message.empty()) m_message = "Unknown exception";
    m_code = static_cast<int>((number & 0xFFFF) | 0x400000);
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

#include "SQL/sql_exception.h"

#include "SQL/sql_engine.h"
#include "TK/tk_logger.h"

sql_exception::sql_exception() : tk_exception() {
    fill(sql_engine::get_instance().handle());
}

sql_exception::sql_exception(MYSQL* handle) : tk_exception() {
    fill(handle);
}

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

sql_auth_not_supported_exception::sql_auth_not_supported_exception()
    : tk_exception(
          "The program does not support authentication protocol requested by server. See "
          "'Troubleshooting' article of the product documentation.",
          1) {}

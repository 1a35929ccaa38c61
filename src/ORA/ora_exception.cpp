#include "ORA/ora_exception.h"

#include "TK/tk_logger.h"

ora_exception::ora_exception(int ora_number, const std::string& text) {
    tk_log(2, "ora_exception::ctor");
    m_message = text;
    m_code = ora_error_code(ora_number);
    m_level = 0;
}

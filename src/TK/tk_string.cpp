#include "TK/tk_string.h"

#include "TK/tk_logger.h"
#include "TK/tk_utils.h"

tk_string tk_string::replace_all(const std::string& what, const std::string& with) {
    tk_log(1, "tk_string::replace_all(%s,%s)", what.c_str(), with.c_str());
    tk_replace_all(*this, what, with);
    return *this;
}

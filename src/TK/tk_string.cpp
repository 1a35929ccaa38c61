#include "TK/tk_string.h"

#include "TK/tk_logger.h"

tk_string tk_string::replace_all(const std::string& what, const std::string& with) {
    tk_log(1, "tk_string::replace_all(%s,%s)", what.c_str(), with.c_str());
    if (!what.empty()) {
        size_t pos = 0;
        while ((pos = find(what, pos)) != npos) {
            replace(pos, what.size(), with);
            pos += with.size();
        }
    }
    return *this;
}

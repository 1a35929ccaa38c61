#include "UDB/udb_custom_conversion.h"

#include "TK/tk_logger.h"

bool udb_custom_conversion::is_acceptable1(const t_ftd& /*field*/) {
    tk_log(2, "udb_custom_conversion::is_acceptable1");
    return false;
}

bool udb_custom_conversion::is_acceptable2(const ole_variant& /*value*/) {
    tk_log(2, "udb_custom_conversion::is_acceptable2");
    return false;
}

std::wstring udb_custom_conversion::handle1(const t_ftd& /*field*/) {
    tk_log(2, "udb_custom_conversion::handle1");
    return std::wstring();
}

std::wstring udb_custom_conversion::handle2(const ole_variant& /*value*/) {
    tk_log(2, "udb_custom_conversion::handle2");
    return std::wstring();
}

// The reading half of the MySQL dialect (sql_util.h): the cells the client library returns, and
// the texts of typed values, made into values.
#include <cstdint>
#include <string>
#include <vector>

#include "SQL/sql_engine.h"
#include "SQL/sql_util.h"
#include "TK/tk_logger.h"
#include "TK/tk_utils.h"
#include "variant/ole_variant.h"

namespace {

// MySQL field type codes and flags the cell rules look at.
constexpr int k_type_decimal = 0, k_type_tiny = 1, k_type_short = 2, k_type_long = 3,
              k_type_float = 4, k_type_double = 5, k_type_timestamp = 7, k_type_longlong = 8,
              k_type_int24 = 9, k_type_date = 10, k_type_time = 11, k_type_datetime = 12,
              k_type_year = 13, k_type_bit = 16, k_type_newdecimal = 246, k_type_tiny_blob = 249,
              k_type_blob = 252, k_type_var_string = 253;
constexpr unsigned int k_flag_unsigned = 0x20, k_flag_binary = 0x80;

}  // namespace

VARTYPE get_vartype_by_mysql_field_type(int type_code, unsigned int flags) {
    const bool is_unsigned = (flags & k_flag_unsigned) != 0;
    switch (type_code) {
        case k_type_decimal:
        case k_type_newdecimal:
            return VT_DECIMAL;
        case k_type_tiny:
            return is_unsigned ? VT_UI1 : VT_I1;
        case k_type_short:
            return is_unsigned ? VT_UI2 : VT_I2;
        case k_type_long:
            return is_unsigned ? VT_UI4 : VT_I4;
        case k_type_float:
            return VT_R4;
        case k_type_double:
            return VT_R8;
        case k_type_timestamp:
        case k_type_date:
        case k_type_time:
        case k_type_datetime:
            return VT_DATE;
        case k_type_longlong:
            return is_unsigned ? VT_UI8 : VT_I8;
        case k_type_int24:
            return VT_I4;
        case k_type_year:
            return VT_UI2;
        case k_type_bit:
            return VT_BOOL;
        default:
            break;
    }
    if (type_code >= k_type_tiny_blob && type_code <= k_type_blob)
        return sql_engine::get_instance().blob_as_text ? VT_BSTR : VT_BLOB;
    if (type_code == k_type_var_string) return (flags & k_flag_binary) ? VT_BLOB : VT_BSTR;
    return VT_BSTR;
}

ole_variant get_variant(VARTYPE vt, const std::string& text) {
    tk_log(1, "get_variant(char)");
    tk_log(1, "Type=%d, src=%s", vt, text.c_str());
    // A BIT(1) cell is one byte: a zero byte reads as the empty text, so false.
    if (vt == VT_BOOL) return ole_variant(!text.empty() && text[0] != '\0');
    // Cells arrive as UTF-8; text values are widened from UTF-8 whatever the ANSI code page is.
    if (vt == VT_BSTR) return ole_variant(tk_to_unicode(text));
    return ole_variant::from_string(text, vt);
}

ole_variant get_variant(VARTYPE vt, const std::wstring& text) {
    tk_log(1, "get_variant(wchar_t)");
    tk_wlog(1, L"Type=%d, src=%s", vt, text.c_str());
    if (vt == VT_BOOL) return ole_variant(!text.empty() && text[0] != L'\0');
    return ole_variant::from_wstring(text, vt);
}

namespace {

template <class C>
ole_variant cell_variant(int type_code, unsigned long length, unsigned int flags, const C* cell) {
    tk_log(1, "get_variant(2), type=%d, lenght=%d", type_code, static_cast<int>(length));
    if (!cell) {
        tk_log(1, "process NULL-values");
        return ole_variant();
    }
    const bool binary = (flags & k_flag_binary) != 0;
    if (type_code >= k_type_tiny_blob && type_code <= k_type_var_string) {
        if (sql_engine::get_instance().blob_as_text || !binary) {
            tk_log(1, "Extract TEXT value");
            return get_variant(binary ? VT_BLOB : VT_BSTR, std::basic_string<C>(cell, length));
        }
        tk_log(1, "Extract BINARY value");
        std::vector<std::uint8_t> bytes(length);
        for (unsigned long i = 0; i < length; ++i)
            bytes[i] = static_cast<std::uint8_t>(static_cast<unsigned long>(cell[i]) & 0xFF);
        return ole_variant(bytes);
    }
    return get_variant(get_vartype_by_mysql_field_type(type_code, flags),
                       std::basic_string<C>(cell, length));
}

}  // namespace

ole_variant get_variant(int type_code, unsigned long length, unsigned int flags, const char* cell) {
    return cell_variant(type_code, length, flags, cell);
}

ole_variant get_variant(int type_code, unsigned long length, unsigned int flags,
                        const wchar_t* cell) {
    return cell_variant(type_code, length, flags, cell);
}

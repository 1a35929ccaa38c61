#include "SQL/sql_field.h"

#include "SQL/sql_util.h"
#include "TK/tk_logger.h"

sql_field::sql_field(const std::wstring& name, int type_code, unsigned long length,
                     unsigned int flags, const char* cell)
    : udb_field(name, static_cast<int>(length), get_variant(type_code, length, flags, cell)) {
    tk_wlog(1, L"sql_field::ctor2(%s,%d,%d)", name.c_str(), type_code, static_cast<int>(length));
}

sql_field::sql_field(const std::wstring& name, int type_code, unsigned long length,
                     unsigned int flags, const wchar_t* cell)
    : udb_field(name, static_cast<int>(length), get_variant(type_code, length, flags, cell)) {
    tk_wlog(1, L"sql_field::ctor1(%s,%d,%d)", name.c_str(), type_code, static_cast<int>(length));
}

sql_field::sql_field(const udb_field& other) : udb_field(other) {}

// sql_field: one field of a row fetched from a MySQL server: a udb_field whose value is built
// from the cell text by the dialect's cell rules (get_variant) and whose size is the cell length.
// Thread-safety: none; a field belongs to its record.
#pragma once

#include <string>

#include "UDB/udb_field.h"

class sql_field : public udb_field {
public:
    // From a narrow (UTF-8) cell; a null cell gives an empty value.  Raises the conversion errors
    // of ole_variant when the text does not parse as the column's type.
    sql_field(const std::wstring& name, int type_code, unsigned long length, unsigned int flags,
              const char* cell);
    // The same from a wide cell.
    sql_field(const std::wstring& name, int type_code, unsigned long length, unsigned int flags,
              const wchar_t* cell);
    // A copy of any field.
    explicit sql_field(const udb_field& other);
};

// sql_native_type: one destination column as the user chose it in the type mapping (MySQL type
// name without parameters, default text, character set, length, scale, precision).  A plain
// record, copied by value.  native_type_text gives the column type text that a mapped field
// description carries: the name with "(length)" or "(precision,scale)" where the type takes them.
// Thread-safety: none; native_type_text keeps no state.
#pragma once

#include <cstdint>
#include <string>

#include "SQL/sql_util.h"

struct sql_native_type {
    std::wstring type, default_value, character_set;
    int32_t length = 0, scale = 0, precision = 0;
};

// True when `name` is one of the MySQL type names the system writes (exact spelling).
inline bool is_known_sql_type(const std::wstring& name) {
    for (int i = 0;; ++i) {
        const std::wstring known = get_sql_type_name(i);
        if (known == L"<Unknown type>") return false;
        if (known == name) return true;
    }
}

// The type text of a mapped column, e.g. "VARCHAR(20)", "DECIMAL(10,2)", "BIGINT".  A name the
// system does not know gives the empty text: the column then takes the type its values call for
// (text, as their variant type says), instead of a CREATE TABLE the server refuses.  Never raises
// beyond allocation.
inline std::wstring native_type_text(const sql_native_type& type) {
    if (!is_known_sql_type(type.type)) return std::wstring();
    return make_type_size_suffix(type.type, type.length, type.precision, type.scale);
}

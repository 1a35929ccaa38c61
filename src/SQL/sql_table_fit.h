// sql_table_fit: makes one table's definition fit what the destination can hold, before its
// CREATE TABLE is written.  The limits are in bytes of the character set the columns get: a row
// (not counting TEXT and BLOB values) and a key.  A row that would pass its limit has its widest
// VARCHAR columns turned into TEXT, columns of the primary and unique keys last; a text column of
// a primary or unique key that would otherwise become TEXT stays VARCHAR of its full length when
// the key still fits, so that the key can be created.  Every change is kept as one line for the
// user.  The byte counts are also what the index clauses check keys against.
// Thread-safety: none; one table on the conversion thread.
#pragma once

#include <string>
#include <vector>

#include "UDB/t_names_map.h"
#include "UDB/udb_indexes.h"
#include "UDB/udb_schema.h"

// What the destination holds, in bytes.
struct sql_table_limits {
    // MySQL's row limit, which every storage engine shares.
    static constexpr unsigned long k_row_bytes = 65535;
    // InnoDB keys: with COMPACT or REDUNDANT rows, and with DYNAMIC or COMPRESSED ones.
    static constexpr unsigned long k_compact_key_bytes = 767;
    static constexpr unsigned long k_dynamic_key_bytes = 3072;
    // MyISAM keys.
    static constexpr unsigned long k_myisam_key_bytes = 1000;

    unsigned long row_bytes = k_row_bytes;
    unsigned long key_bytes = k_dynamic_key_bytes;
    // The most bytes one character takes in a key as the table is created.
    unsigned key_char_bytes = 4;
    // The most bytes one character may take in the row, also after a later conversion of the
    // table to a wider set.
    unsigned row_char_bytes = 4;
    // True when the table must ask for DYNAMIC rows to get key_bytes (the server's default
    // format has the smaller limit).
    bool dynamic_rows = false;
};

// The most bytes one character of the named set takes (4 for an unknown or empty name).
unsigned sql_charset_char_bytes(const std::wstring& charset);

// The limits of a live server: the table type, its default InnoDB row format
// ("" when the server has no such setting) and whether it can make DYNAMIC rows with long keys
// when that is not its default.
sql_table_limits sql_server_limits(const std::wstring& table_type,
                                   const std::wstring& default_row_format, bool dynamic_available,
                                   const std::wstring& charset);

// The column type text the CREATE TABLE writes for the column (the user's mapped type, or the
// type its variant type gives).
std::wstring sql_column_type_text(const t_ftd& column);
// False for the TEXT and BLOB families, which cannot be a whole key.
bool sql_type_is_indexable(const std::wstring& type_text);
// The bytes a column of that type takes in a row, and in a key.
unsigned long sql_row_bytes(const std::wstring& type_text, unsigned char_bytes);
unsigned long sql_key_bytes(const std::wstring& type_text, unsigned char_bytes);

class sql_table_fit {
public:
    // columns: the table's columns under their MySQL names, changed in place; indexes: the
    // source indexes; column_map: source to MySQL column names.
    sql_table_fit(const std::wstring& table, udb_schema& columns, const udb_indexes& indexes,
                  const t_names_map& column_map, const sql_table_limits& limits);

    // One line per change made, for the user.
    const std::vector<std::wstring>& changes() const noexcept { return m_changes; }

private:
    void keep_keys_varchar(const udb_indexes& indexes, const t_names_map& column_map);
    void fit_row();
    // The row's bytes as the columns now stand.
    unsigned long row_bytes() const;

    std::wstring m_table;
    udb_schema& m_columns;
    sql_table_limits m_limits;
    // Positions of the columns of the primary and unique keys.
    std::vector<bool> m_in_key;
    // The type text of every column as it now stands.
    std::vector<std::wstring> m_types;
    std::vector<std::wstring> m_changes;
};

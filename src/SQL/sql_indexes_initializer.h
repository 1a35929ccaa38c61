// sql_indexes_initializer: the index clauses of a CREATE TABLE for one table.  At construction it
// translates each index's columns to their MySQL names and makes each index name acceptable to
// the server generation (through the index-name validator).  get_init_chunks gives one clause per
// index that the server can hold (no text or binary column too long to index, key length and
// index count within the server's caps), and last an index for an auto-increment column that no
// written index covers.  Needs the registered sql_engine.
// Thread-safety: none; one table on the conversion thread.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "SQL/sql_table_fit.h"
#include "UDB/t_names_map.h"
#include "UDB/udb_indexes.h"
#include "UDB/udb_schema.h"
#include "UDB/udb_validator.h"

class sql_indexes_initializer {
public:
    // columns: the schema initialiser's columns (MySQL names); column_map: source to MySQL names;
    // limits: what the destination's keys hold (by default the engine's for its table type).
    sql_indexes_initializer(const udb_schema& columns, const udb_indexes& indexes,
                            const std::wstring& auto_increment_name, const t_names_map& column_map,
                            int unused, const sql_table_limits* limits = nullptr);

    // Appends one clause per writable index, then the auto-increment index when one is needed.
    void get_init_chunks(std::vector<std::wstring>& out);

    // The indexes under their MySQL names.
    const udb_indexes& indexes() const noexcept { return m_indexes; }
    // Why each primary or unique key that get_init_chunks left out could not be created.
    const std::vector<std::wstring>& lost_keys() const noexcept { return m_lost_keys; }
    // The same for the other indexes, which cost speed only.
    const std::vector<std::wstring>& dropped_indexes() const noexcept { return m_dropped; }
    // The bytes of the longest key written.
    unsigned long widest_key() const noexcept { return m_widest_key; }

private:
    // Tells why an index is left out.
    void leave_out(const udb_index& index, const std::wstring& why);

    std::wstring m_auto_increment_name;
    udb_indexes m_indexes;
    udb_schema m_columns;
    std::unique_ptr<udb_validator> m_validator;
    sql_table_limits m_limits;
    std::vector<std::wstring> m_lost_keys;
    std::vector<std::wstring> m_dropped;
    unsigned long m_widest_key = 0;
};

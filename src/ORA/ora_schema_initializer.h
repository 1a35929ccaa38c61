// ora_schema_initializer: the CREATE TABLE of one destination table built from source column
// descriptions, with the sequence and row trigger that fill an auto-increment column.  Column
// names are upper-cased on request and repaired into Oracle names; the repairs are kept as a
// source -> destination mapping for the names map and the index builder.
// The source columns and indexes are borrowed and must outlive the initializer.
// Thread-safety: none; one table on one thread.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "ORA/ora_fn_validator.h"
#include "UDB/t_ftd.h"
#include "UDB/udb_indexes.h"
#include "UDB/udb_schema.h"

class ora_database;

class ora_schema_initializer {
public:
    // Names every column at once; never raises beyond the validator's internal error.
    ora_schema_initializer(const std::wstring& table, bool uppercase, const udb_schema& fields,
                           const udb_indexes& indexes);

    // Sends CREATE TABLE through `db` (ora_exception on failure), then the auto-increment
    // column's sequence and trigger: a failing trigger is logged, missing privileges for the
    // sequence raise tk_exception (level 0) after the table was created.
    void build_schema(ora_database& db);
    // The CREATE TABLE statement.
    std::wstring create_statement() const;
    // A new sequence "<table>_<n>" (first free n of 0..99); "" when all are taken.  Raises
    // tk_exception (level 0) for missing privileges, ora_exception for other failures.
    std::wstring create_sequence(ora_database& db) const;

    const std::vector<std::unique_ptr<t_ftd>>& get_columns() const noexcept { return m_columns; }
    const std::wstring& get_auto_increment() const noexcept { return m_auto_increment; }
    // Source -> destination column names that differ.
    const t_names_map& get_mapping() const noexcept { return m_validator.get_mapping(); }
    const udb_indexes& get_source_indexes() const noexcept { return m_indexes; }

private:
    std::wstring m_table;
    bool m_uppercase;
    std::vector<std::unique_ptr<t_ftd>> m_columns;
    std::wstring m_auto_increment;
    ora_fn_validator m_validator;
    const udb_indexes& m_indexes;
};

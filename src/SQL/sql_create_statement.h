// sql_create_statement: the CREATE TABLE statement of one destination table, shared by the live
// database and the dump writer so that both create exactly the same table.  Construction runs
// the column and index initialisers (names made acceptable to the server generation of the
// engine's version word, with the table's properties from the engine's property set); text()
// joins their clauses with the caller's layout, and the two tail clauses name the storage engine
// and the character set.  Needs the registered sql_engine.  Thread-safety: none.
#pragma once

#include <string>
#include <vector>

#include "SQL/sql_schema_initializer.h"
#include "UDB/udb_indexes.h"
#include "UDB/udb_schema.h"

class udb_properties;

class sql_create_statement {
public:
    // Raises what the initialisers raise (two auto-increment columns, a character set that is
    // not a plain identifier).
    sql_create_statement(const std::wstring& table, const udb_schema& fields,
                         const udb_indexes& indexes);

    // "CREATE TABLE " + name_text + " (" + lead + clauses joined by separator + close + ")".
    std::wstring text(const std::wstring& name_text, const std::wstring& lead,
                      const std::wstring& separator, const std::wstring& close) const;
    // " ENGINE=" (or " TYPE=" before 4.0.23) + the table's engine property, else MyISAM up to
    // 3.23.34, else the engine's table type.  A name that is not an identifier raises
    // tk_exception at level 1.
    std::wstring engine_clause() const;
    // " character set " + the table's property, or empty; same check as engine_clause.
    std::wstring charset_clause() const;
    // True when the table or one of `fields` (its source columns) names a character set of its
    // own in the properties.
    bool has_own_charsets(const udb_schema& fields) const;

    // The columns under their MySQL names, and the source to MySQL names of repaired ones.
    const udb_schema& columns() const noexcept { return m_schema.columns(); }
    const t_names_map& name_map() const { return m_schema.name_map(); }
    // What of the source's definition the statement could not keep, one line each.
    const std::vector<std::wstring>& notices() const noexcept { return m_schema.notices(); }

private:
    udb_properties* m_properties = nullptr;
    std::wstring m_auto_increment;
    sql_schema_initializer m_schema;
    std::vector<std::wstring> m_clauses;
};

// sql_schema_initializer: the column clauses of a CREATE TABLE for one table.  At construction it
// makes every column name acceptable to the MySQL server generation of the engine's version word
// (through the column-name validator, which also records each repaired name and the pair of
// source and new name), and keeps a copy of each column description under its MySQL name.
// get_init_chunks then gives one clause per column: quoted name, type, character set, NOT NULL,
// DEFAULT, AUTO_INCREMENT and COMMENT.
//
// The auto-increment name holder is the caller's text; it receives the MySQL name of the table's
// auto-increment column for the index initialiser.  Needs the registered sql_engine.
// Thread-safety: none; one table on the conversion thread.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "UDB/udb_indexes.h"
#include "UDB/udb_schema.h"
#include "UDB/udb_validator.h"

class udb_properties;

// A text column of a primary or unique key, its clause in three parts: head (name and type),
// its character set, and tail (NOT NULL to COMMENT); a writer can give it another set and
// collation by joining head + " CHARACTER SET x COLLATE y" + tail.
struct sql_key_text_column {
    std::wstring head;
    std::wstring charset;
    std::wstring tail;
};

class sql_schema_initializer {
public:
    // Builds the column list under MySQL names; raises what the validator raises.
    sql_schema_initializer(const std::wstring& table, const udb_schema& columns,
                           const udb_indexes& indexes, std::wstring& auto_increment_name,
                           int unused);

    // Appends one clause per column.  Two auto-increment columns raise
    // tk_mail_assertion("sql_init", 138); a character set that is not a plain identifier raises
    // tk_exception at level 1.
    void get_init_chunks(std::vector<std::wstring>& out, udb_properties* table_properties);

    // The column may be AUTO_INCREMENT (an integer type); null raises tk_mail_assertion 64.
    static bool can_have_auto_num(const t_ftd* column);
    // The column may have a DEFAULT clause; null raises tk_mail_assertion 78.
    static bool can_have_def_value(const t_ftd* column);

    // The columns under their MySQL names, in source order.
    const udb_schema& columns() const noexcept { return m_columns; }
    // The same, for a definition to be made to fit the destination before its clauses are made.
    udb_schema& columns_to_fit() noexcept { return m_columns; }
    // The text key columns of the clauses get_init_chunks made.
    const std::vector<sql_key_text_column>& key_text_columns() const noexcept {
        return m_key_texts;
    }
    // The character set named in each column's clause (empty for none), once the clauses
    // were made.
    const std::vector<std::wstring>& charsets() const noexcept { return m_charsets; }
    // Source name to MySQL name of every column whose name was repaired.
    const t_names_map& name_map() const { return m_validator->get_mapping(); }
    udb_validator& validator() noexcept { return *m_validator; }
    // One line for each default of the source that get_init_chunks could not write (an
    // expression of the source, such as a sequence or a function), for the user to know.
    const std::vector<std::wstring>& notices() const noexcept { return m_notices; }

private:
    // True when the column (by its source name) belongs to a primary or unique key.
    bool in_unique_key(const std::wstring& source_name) const;

    std::wstring m_table;
    udb_schema m_columns;
    std::wstring& m_auto_increment_name;
    udb_indexes m_indexes;
    std::unique_ptr<udb_validator> m_validator;
    udb_schema m_source;
    std::vector<sql_key_text_column> m_key_texts;
    std::vector<std::wstring> m_charsets;
    std::vector<std::wstring> m_notices;
};

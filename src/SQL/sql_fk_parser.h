// sql_fk_parser: the foreign keys of one table read out of the text the server gives for SHOW
// CREATE TABLE, one relationship per CONSTRAINT ... FOREIGN KEY ... REFERENCES line.  Keywords
// are found in any letter case; names may be in backticks (doubled backticks inside) or bare; a
// parent written with its database in front gives the table's own name.  Lines that are no
// foreign key, or that cannot be read, are skipped; nothing raises beyond allocation.
// Thread-safety: none.
#pragma once

#include <string>
#include <vector>

#include "UDB/udb_relationships.h"

class sql_fk_parser {
public:
    // table: the child table; ddl: the statement text (UTF-8), cut into lines at each line feed.
    sql_fk_parser(const std::wstring& table, const std::string& ddl);

    // Appends one relationship per foreign-key line, in line order.
    void do_parse(udb_relationships& relationships) const;
    // Appends the names of a column list ("`a`, `b`" or "a, b") in written order.
    static void get_columns(const std::wstring& text, std::vector<std::wstring>& names);

private:
    std::wstring m_table;
    std::vector<std::string> m_lines;
};

// sql_fk_builder: the statement pieces both foreign-key generators (live server and dump file)
// share: the constraint name made acceptable through an index-name validator, the quoted lists
// of destination column names, and the ALTER TABLE ... ADD CONSTRAINT and ADD INDEX statements.
// Needs the registered sql_engine.  Thread-safety: none.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "UDB/udb_names_map.h"
#include "UDB/udb_relationship.h"
#include "UDB/udb_validator.h"

class sql_fk_builder {
public:
    // Builds the index-name validator for the server generation, with no names taken.
    explicit sql_fk_builder(const udb_names_map& names);

    // The relationship's name when acceptable and not taken by an earlier constraint of this
    // builder, else a safe name; every name chosen is taken from then on.
    std::wstring constraint_name(const udb_relationship& relationship);
    // The destination names of a table's columns, each quoted, joined by ", ".
    std::wstring column_list(const std::wstring& table,
                             const std::vector<std::wstring>& columns) const;
    // "ALTER TABLE child ADD CONSTRAINT name FOREIGN KEY(...) REFERENCES parent(...)" and the
    // rule, or " ON DELETE CASCADE ON UPDATE CASCADE" when it has none.  Tables are destination
    // names.
    std::wstring add_constraint(const udb_relationship& relationship, const std::wstring& child,
                                const std::wstring& parent);
    // "ALTER TABLE table ADD INDEX (...)" over the destination names of the columns.
    std::wstring add_index(const std::wstring& table,
                           const std::vector<std::wstring>& columns) const;

private:
    const udb_names_map& m_names;
    std::unique_ptr<udb_validator> m_validator;
};

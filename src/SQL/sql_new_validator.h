// The name validators for MySQL servers 4.1.0 and later: almost any character is allowed, except
// a short list of quotes and punctuation (8 for columns and indexes, 14 for tables and databases),
// a blank at either end, and names that are empty or longer than 64 characters.  The table,
// column and index forms differ only in what they load at construction: the names already taken.
// Thread-safety: none; a validator serves one table or one run on one thread.
#pragma once

#include <string>
#include <vector>

#include "UDB/udb_validator.h"

class udb_schema;
class udb_record;
class udb_indexes;

class sql_new_validator : public udb_validator {
public:
    // Loads the first 8 forbidden characters, or all 14 when `all_chars` is set.
    explicit sql_new_validator(bool all_chars);

    // Refuses an empty or over-long name, a blank at either end, then applies the base checks.
    bool is_acceptable(const std::wstring& name) override;
    // Trims blanks at both ends, then repairs by the base rule.
    std::wstring get_safe_name(const std::wstring& name) override;
};

// Table names: all 14 characters forbidden; the selected and the destination's tables are taken.
class sql_new_tn_validator : public sql_new_validator {
public:
    sql_new_tn_validator(const std::vector<std::wstring>& selected,
                         const std::vector<std::wstring>& existing);
};

// Column names of one table: the table's own column names are taken.
class sql_new_fn_validator : public sql_new_validator {
public:
    explicit sql_new_fn_validator(const udb_schema& schema);
    explicit sql_new_fn_validator(const udb_record& record);
};

// Index names of one table: the table's own index names are taken.
class sql_new_in_validator : public sql_new_validator {
public:
    explicit sql_new_in_validator(const udb_indexes& indexes);
};

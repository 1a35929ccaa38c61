// The name validators for MySQL servers before 4.1.0: a name is letters, digits, '_' and '$'
// only, not digits alone, at most 64 characters, and none of 167 reserved SQL words (any case).
// Database names must also not start with a digit.  The table, column and index forms differ only
// in the names they mark as taken at construction.
// Thread-safety: none; a validator serves one table or one run on one thread.
#pragma once

#include <string>
#include <vector>

#include "UDB/udb_validator.h"

class udb_schema;
class udb_record;
class udb_indexes;

class sql_old_validator : public udb_validator {
public:
    // Loads the reserved words.
    sql_old_validator();

    // The base checks, then only letters, digits, '_' and '$', and not digits alone.
    bool is_acceptable(const std::wstring& name) override;
    // Other characters become '_', a leading digit of an all-digit name becomes '_', then the
    // base repair (a reserved word gets its number: select becomes select00000).
    std::wstring get_safe_name(const std::wstring& name) override;

    // The reserved words, in table order.
    static const std::vector<std::wstring>& reserved_words();
};

class sql_old_tn_validator : public sql_old_validator {
public:
    sql_old_tn_validator(const std::vector<std::wstring>& selected,
                         const std::vector<std::wstring>& existing);
};

class sql_old_fn_validator : public sql_old_validator {
public:
    explicit sql_old_fn_validator(const udb_schema& schema);
    explicit sql_old_fn_validator(const udb_record& record);
};

class sql_old_in_validator : public sql_old_validator {
public:
    explicit sql_old_in_validator(const udb_indexes& indexes);
};

// Database names: the old rules, and not empty nor starting with a digit.
class sql_old_dn_validator : public sql_old_validator {
public:
    sql_old_dn_validator();
    bool is_acceptable(const std::wstring& name) override;
};

// The letter-or-digit test the old rules use (Unicode letters count as letters).
bool sql_is_alnum(wchar_t c);

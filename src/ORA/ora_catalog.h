// ora_catalog: the data-dictionary queries that list the source's tables and read a table's keys,
// each written once for both ways a session may see the dictionary: through the user_ views (the
// user's own tables, names bare) or through the all_ views (every table it may read, a name
// qualified by its owner as "OWNER.TABLE").  Names handed in are already quoted as literal text
// (ora_quote_literal).  Thread-safety: a plain value.
#pragma once

#include <string>

class ora_catalog {
public:
    explicit ora_catalog(bool owned_by_user);

    // The tables (owner first over the all_ views); from version 8 without temporary, nested
    // and overflow tables.
    std::wstring tables(bool v8) const;
    // The number of primary keys of the table.
    std::wstring primary_key_count(const std::wstring& table) const;
    // The name and the columns of the table's primary key.
    std::wstring primary_key_columns(const std::wstring& table) const;
    // Name, uniqueness and column of every index of the table; from version 8 without the
    // indexes the server named itself unless they enforce a unique constraint.
    std::wstring indexes(const std::wstring& table, bool v8) const;
    // The number of foreign keys that reference the key.
    std::wstring foreign_key_count(const std::wstring& key) const;
    // Child table, name, delete rule and column of the foreign keys that reference the key.
    std::wstring foreign_keys(const std::wstring& key) const;

private:
    // The condition that the table of `alias` (with its point, or empty) is the one named.
    std::wstring table_is(const std::wstring& alias, const std::wstring& table) const;

    bool m_owned;
    // The views' prefix as the queries write it, in lower and in upper case.
    std::wstring m_views;
    std::wstring m_views_upper;
};

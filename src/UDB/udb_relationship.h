// udb_relationship: one foreign key, as read from a source catalogue and handed to the foreign-key
// generators.  A plain value, copied freely.
// Thread-safety: none.
#pragma once

#include <string>
#include <vector>

class udb_relationship {
public:
    udb_relationship() = default;
    udb_relationship(const std::wstring& name, const std::wstring& ref_key_name,
                     const std::wstring& child_table, const std::wstring& parent_table,
                     const std::vector<std::wstring>& child_columns,
                     const std::vector<std::wstring>& parent_columns, const std::wstring& rule);
    udb_relationship(const udb_relationship& other) = default;
    udb_relationship& operator=(const udb_relationship& other) = default;
    ~udb_relationship() = default;

    // The foreign-key constraint name.
    std::wstring name;
    // The referenced primary or unique key; empty when not known.
    std::wstring ref_key_name;
    // The table that holds the foreign key.
    std::wstring child_table;
    // The referenced table.
    std::wstring parent_table;
    // The referential actions, such as "ON DELETE CASCADE"; empty when none.
    std::wstring rule;
    std::vector<std::wstring> child_columns;
    std::vector<std::wstring> parent_columns;
};

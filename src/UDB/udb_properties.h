// udb_properties: a set of named settings (key to value, both wide text, ordered by code units)
// that may hold nested sets by name: the type mapping keeps one for the database, one per table
// and one per column, and the MySQL engine reads the table type and character sets through it.
// The model only declares the shape; the type mapping implements the lookups.
// Thread-safety: none.
#pragma once

#include <map>
#include <string>

class udb_properties {
public:
    using property_map = std::map<std::wstring, std::wstring>;

    udb_properties() = default;
    udb_properties(const udb_properties&) = default;
    udb_properties& operator=(const udb_properties&) = default;
    virtual ~udb_properties();

    // The settings of this level; never raises.
    virtual property_map& get_properties();
    // The nested set stored under its source name, or null.
    virtual udb_properties* find_item(const std::wstring& name) = 0;
    // The nested set stored under its destination name, or null.
    virtual udb_properties* find_by_new_name(const std::wstring& name) = 0;

protected:
    property_map properties;
};

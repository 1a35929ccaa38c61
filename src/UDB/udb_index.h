// udb_index: one key or index of a table (name, unique flag, primary flag, column names in key
// order).  A plain value, copied freely.
// Thread-safety: none.
#pragma once

#include <string>
#include <vector>

class udb_index {
public:
    // An unnamed, non-unique index without columns.
    udb_index();
    // Logs the new index; never raises beyond allocation.
    udb_index(const std::wstring& name, bool unique, bool primary,
              const std::vector<std::wstring>& columns);
    udb_index(const udb_index& other) = default;
    udb_index& operator=(const udb_index& other) = default;

    // True when the index's first columns are `fields` in order (ignoring case); true for an
    // empty list, false when the index has fewer columns than the list.  Never raises.
    bool starts_with_fields(const std::vector<std::wstring>& fields) const;
    // True when the index has exactly the columns `fields`, in any order (exact comparison).
    // Never raises.
    bool consists_of_fields(const std::vector<std::wstring>& fields) const;

    std::wstring name;
    bool unique = false;
    bool primary = false;
    std::vector<std::wstring> columns;
};

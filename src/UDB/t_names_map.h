// t_names_map: source name to destination name, ordered by the names' UTF-16 code units.  Adding a
// source name that is already present keeps the first pair.  Lookups compare exactly or ignoring
// case as the caller asks, and give the name unchanged when nothing matches.
// Thread-safety: none.
#pragma once

#include <cstddef>
#include <map>
#include <string>

#include "UDB/udb_compare.h"

class t_names_map {
public:
    using map_type = std::map<std::wstring, std::wstring, udb_utf16_less>;

    // Records source -> destination unless the source is already mapped; never raises.
    void add(const std::wstring& source, const std::wstring& destination);
    // The destination of the first source name that matches `name` in map order, or `name`.
    std::wstring get_mapped_name(const std::wstring& name, bool exact) const;
    // The source of the first destination name that matches `name` in map order, or `name`.
    std::wstring get_orig_name(const std::wstring& name, bool exact) const;

    std::size_t size() const noexcept { return m_map.size(); }
    bool empty() const noexcept { return m_map.empty(); }
    void clear() noexcept { m_map.clear(); }
    const map_type& pairs() const noexcept { return m_map; }
    map_type::const_iterator begin() const noexcept { return m_map.begin(); }
    map_type::const_iterator end() const noexcept { return m_map.end(); }

private:
    map_type m_map;
};

// udb_relationships: the foreign keys of a database in insertion order.  Names are compared
// ignoring case (udb_equal_nocase).
// Thread-safety: none.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "UDB/udb_relationship.h"

class udb_relationships {
public:
    using relationship_list = std::vector<udb_relationship>;

    // The relationship of that name; a missing name raises tk_mail_assertion("udb_rel", 129).
    udb_relationship& get_index(const std::wstring& name);
    const udb_relationship& get_index(const std::wstring& name) const;
    // True unless a relationship already has that name; never raises.
    bool is_acceptable_name(const std::wstring& name) const;

    void push_back(const udb_relationship& rel) { m_list.push_back(rel); }
    void clear() noexcept { m_list.clear(); }
    std::size_t size() const noexcept { return m_list.size(); }
    bool empty() const noexcept { return m_list.empty(); }
    udb_relationship& operator[](std::size_t i) { return m_list[i]; }
    const udb_relationship& operator[](std::size_t i) const { return m_list[i]; }
    relationship_list::iterator begin() noexcept { return m_list.begin(); }
    relationship_list::iterator end() noexcept { return m_list.end(); }
    relationship_list::const_iterator begin() const noexcept { return m_list.begin(); }
    relationship_list::const_iterator end() const noexcept { return m_list.end(); }

private:
    const udb_relationship* find(const std::wstring& name) const;

    relationship_list m_list;
};

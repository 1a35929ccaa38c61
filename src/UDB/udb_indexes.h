// udb_indexes: the keys and indexes of one table in insertion order.  push_back merges an index
// into an existing one of the same name instead of adding a second: a primary key wins over a
// unique index, which wins over a plain one.  Index and column names are compared exactly.
// Thread-safety: none.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "UDB/udb_index.h"

class udb_indexes {
public:
    using index_list = std::vector<udb_index>;

    // Adds `index` or merges it into the same-named one (see above); never raises.
    void push_back(const udb_index& index);
    // True when an index of that name exists; never raises.
    bool find2(const std::wstring& name) const;
    // The index of that name; a missing name raises tk_mail_assertion("udb_idx", 189).
    udb_index& get_index(const std::wstring& name);
    const udb_index& get_index(const std::wstring& name) const;
    // True when `column` is exactly one of the columns of an index (of a primary key only, when
    // primary_only is set); never raises.
    bool is_idx_field(const std::wstring& column, bool primary_only) const;
    // True unless an index already has that name; never raises.
    bool is_acceptable_name(const std::wstring& name) const;

    void clear() noexcept { m_indexes.clear(); }
    std::size_t size() const noexcept { return m_indexes.size(); }
    bool empty() const noexcept { return m_indexes.empty(); }
    // Index at a position in insertion order; the position must be below size().
    udb_index& operator[](std::size_t i) { return m_indexes[i]; }
    const udb_index& operator[](std::size_t i) const { return m_indexes[i]; }
    index_list& indexes() noexcept { return m_indexes; }
    const index_list& indexes() const noexcept { return m_indexes; }
    index_list::iterator begin() noexcept { return m_indexes.begin(); }
    index_list::iterator end() noexcept { return m_indexes.end(); }
    index_list::const_iterator begin() const noexcept { return m_indexes.begin(); }
    index_list::const_iterator end() const noexcept { return m_indexes.end(); }

private:
    udb_index* find(const std::wstring& name);
    const udb_index* find(const std::wstring& name) const;

    index_list m_indexes;
};

// udb_schema: the ordered column descriptions of one table.
//
// Ownership: the descriptions are held by std::shared_ptr<t_ftd>.  Copying a schema copies the
// pointers, so a schema and its copies share the same descriptions (a change of native_type made
// through a copy is seen through the original); a description lives as long as any schema, or
// anybody else holding its pointer, refers to it.  Name lookups ignore case (udb_equal_nocase);
// a missing name never raises: each lookup returns the neutral value documented below.
// Thread-safety: none; a schema is used by one thread at a time.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "UDB/t_ftd.h"

class udb_schema {
public:
    using field_list = std::vector<std::shared_ptr<t_ftd>>;

    // `setting` is the owning recordset's flag; the schema only stores and copies it.
    explicit udb_schema(bool setting = true);
    udb_schema(const udb_schema& other);
    udb_schema& operator=(const udb_schema& other);
    // Releases the list; descriptions shared with other schemas stay alive.
    virtual ~udb_schema();

    // True when a column of that name exists; never raises.
    bool find_field(const std::wstring& name) const;
    // Position of the column in the list, or -1; never raises.
    int get_field_idx(const std::wstring& name) const;
    // The column's size, or -1 (logged) when there is no such column; never raises.
    int get_field_size(const std::wstring& name) const;
    // The column's vartype, or VT_NULL (1) when there is no such column; never raises.
    int get_field_type(const std::wstring& name) const;
    // The column's description; when missing, an empty description owned by this schema (emptied
    // again on the next miss).  Never raises.
    t_ftd& get_field1(const std::wstring& name);
    // Same as get_field1 for read-only use; a miss gives a shared empty description.
    const t_ftd& get_field2(const std::wstring& name) const;
    // Replaces the named column's comment; an empty comment or an unknown name changes nothing.
    void set_field_comment(const std::wstring& name, const std::wstring& comment);

    // Appends a description (shared, not copied); a null pointer is ignored.
    void push_back(std::shared_ptr<t_ftd> field);
    // Appends a new description that is a copy of `field`; returns it.
    t_ftd& add_field(const t_ftd& field);
    void clear() noexcept { m_fields.clear(); }

    std::size_t size() const noexcept { return m_fields.size(); }
    bool empty() const noexcept { return m_fields.empty(); }
    // Description at a position in column order; the position must be below size().
    t_ftd& operator[](std::size_t i) { return *m_fields[i]; }
    const t_ftd& operator[](std::size_t i) const { return *m_fields[i]; }
    field_list& fields() noexcept { return m_fields; }
    const field_list& fields() const noexcept { return m_fields; }
    field_list::iterator begin() noexcept { return m_fields.begin(); }
    field_list::iterator end() noexcept { return m_fields.end(); }
    field_list::const_iterator begin() const noexcept { return m_fields.begin(); }
    field_list::const_iterator end() const noexcept { return m_fields.end(); }

    bool get_setting() const noexcept { return m_setting; }

private:
    const t_ftd* find(const std::wstring& name) const;

    field_list m_fields;
    bool m_setting;
    t_ftd m_missing;
};

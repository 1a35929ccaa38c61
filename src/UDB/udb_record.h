// udb_record: one row, the ordered fields of a table or query result.  The record owns its
// fields; they die when the record is reset or destroyed, so a pointer or reference to a field
// is valid only until then.  Name lookups ignore case (udb_equal_nocase).  Sources may derive
// their own row type from it.
// Thread-safety: none; a record is used by one thread at a time.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "UDB/udb_field.h"

class udb_record {
public:
    using field_list = std::vector<std::unique_ptr<udb_field>>;

    udb_record();
    udb_record(const udb_record&) = delete;
    udb_record& operator=(const udb_record&) = delete;
    // Deletes every field.
    virtual ~udb_record();

    // True when a field of that name (ignoring case) is present; never raises.
    bool find_field(const std::wstring& name) const;
    // The first field of that name (ignoring case); when there is none, an empty field with no
    // name that belongs to the record and is emptied again on the next miss.
    udb_field& get_field(const std::wstring& name);
    // Deletes every field and empties the list; never raises.
    void reset();

    // Appends a field and takes ownership of it; a null pointer is ignored.
    void push_back(std::unique_ptr<udb_field> field);
    // Appends a deep copy of `field`; raises what the value copy raises.
    udb_field& add_field(const udb_field& field);

    std::size_t size() const noexcept { return m_fields.size(); }
    bool empty() const noexcept { return m_fields.empty(); }
    // Field at a position in column order; the position must be below size().
    udb_field& operator[](std::size_t i) { return *m_fields[i]; }
    const udb_field& operator[](std::size_t i) const { return *m_fields[i]; }
    field_list& fields() noexcept { return m_fields; }
    const field_list& fields() const noexcept { return m_fields; }
    field_list::iterator begin() noexcept { return m_fields.begin(); }
    field_list::iterator end() noexcept { return m_fields.end(); }
    field_list::const_iterator begin() const noexcept { return m_fields.begin(); }
    field_list::const_iterator end() const noexcept { return m_fields.end(); }

private:
    field_list m_fields;
    udb_field m_missing;
};

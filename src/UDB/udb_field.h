// udb_field: one named value of a row.  It is an ole_variant (the value itself, copied deeply)
// together with the column's name and size as the producer reported them, and two flags that the
// model only stores and copies.  A field belongs to the udb_record that holds it.
// Thread-safety: none; a field is used by one thread at a time.
#pragma once

#include <string>

#include "variant/ole_variant.h"

class udb_field : public ole_variant {
public:
    // Empty value, size 0, empty name; never raises.
    udb_field();
    // A field named `name` of `size` holding a deep copy of `value`; raises what the value copy
    // raises.
    udb_field(const std::wstring& name, int size, const ole_variant& value, bool flag1 = false,
              bool flag2 = false);
    // The same, taking over `value` (left VT_EMPTY) instead of copying it; never raises.
    udb_field(const std::wstring& name, int size, ole_variant&& value, bool flag1 = false,
              bool flag2 = false);
    // Deep copy of value, size, name and flags; raises what the value copy raises.
    udb_field(const udb_field& other);
    // Deep copy of value, size, name and flags; raises what the value copy raises.
    udb_field& operator=(const udb_field& other);
    ~udb_field() override;

    // The value's variant type; never raises.
    virtual VARTYPE get_type() const;

    const std::wstring& get_name() const noexcept { return m_name; }
    void set_name(const std::wstring& name) { m_name = name; }
    int get_size() const noexcept { return m_size; }
    void set_size(int size) noexcept { m_size = size; }
    bool get_flag1() const noexcept { return m_flag1; }
    bool get_flag2() const noexcept { return m_flag2; }

private:
    int m_size = 0;
    std::wstring m_name;
    bool m_flag1 = false;
    bool m_flag2 = false;
};

// ora_field_finder: the destination names of a row's fields when written into an Oracle table.
// Each field keeps its name (upper-cased on request) when the Oracle field-name rules accept it,
// and otherwise takes a safe name that no other field of the row has; fields are then found by
// those destination names.
// Thread-safety: none; built and used by one writer.
#pragma once

#include <string>
#include <vector>

#include "ORA/ora_fn_validator.h"
#include "UDB/udb_record.h"

class ora_field_finder {
public:
    // Names every field of `fields`, in order; never fails but for allocation and the
    // validator's internal error when no safe name can be made.
    ora_field_finder(const udb_record& fields, bool upper_case);

    // The position of the destination name `name` (exact), or -1.
    int get_field_idx(const std::wstring& name) const;
    // The destination names, one per field in the row's order.
    const std::vector<std::wstring>& get_names() const noexcept { return m_names; }

private:
    void initialize(const udb_record& fields, bool upper_case);

    ora_fn_validator m_validator;
    std::vector<std::wstring> m_names;
};

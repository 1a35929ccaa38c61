// ora_tn_validator: Oracle table names, bare or SCHEMA.TABLE; both lists given to the constructor
// are registered as taken.  A composed name is acceptable when both parts are, and is repaired
// into two quoted parts.
// Thread-safety: none.
#pragma once

#include <string>
#include <vector>

#include "ORA/ora_validator.h"

class ora_tn_validator : public ora_validator {
public:
    ora_tn_validator(const std::vector<std::wstring>& existing,
                     const std::vector<std::wstring>& selected);
    bool is_acceptable(const std::wstring& name) override;
    std::wstring get_safe_name(const std::wstring& name) override;
};

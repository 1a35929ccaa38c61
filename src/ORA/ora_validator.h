// ora_validator: the rule of Oracle names for a destination: at most 30 characters, a letter
// first, then letters, digits, space, "#", "." and "_"; a name in double quotes is always
// acceptable.  get_safe_name repairs any name into such a name that is not taken.  The
// field-name, table-name and index-name forms derive from it.
// Thread-safety: none; a validator serves one table or one run on one thread.
#pragma once

#include <string>

#include "UDB/udb_validator.h"

class ora_validator : public udb_validator {
public:
    ora_validator();
    bool is_acceptable(const std::wstring& name) override;
    // An acceptable, untaken name derived from `name`; records nothing.
    std::wstring get_safe_name(const std::wstring& name) override;
};

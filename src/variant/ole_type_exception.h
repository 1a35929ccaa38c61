// ole_type_exception: text that cannot be parsed into a requested type.  Message "The operating
// type is not supported yet", code 0, level 1.  A plain value; copied freely.
#pragma once

#include "TK/tk_exception.h"

class ole_type_exception : public tk_exception {
public:
    ole_type_exception();
    ole_type_exception(const ole_type_exception& other);
};

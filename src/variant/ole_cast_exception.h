// ole_cast_exception: a change of a value's type that is impossible.  Message "Cannot cast from
// source type to destination type", code 0, level 1.  A plain value; copied freely.
#pragma once

#include "TK/tk_exception.h"

class ole_cast_exception : public tk_exception {
public:
    ole_cast_exception();
    ole_cast_exception(const ole_cast_exception& other);
};

// ora_exception: an error reported by the Oracle client or server.  The message is the Oracle
// text in UTF-8, the level 0 (the run may go on), the code 0x100000 or-ed with the low 16 bits of
// the ORA error number, a form the front ends recognise to add their advice.
// Thread-safety: a plain value.
#pragma once

#include <string>

#include "ORA/ora_errors.h"
#include "TK/tk_exception.h"

class ora_exception : public tk_exception {
public:
    // `text` is the Oracle error text already in UTF-8; never raises beyond allocation.
    ora_exception(int ora_number, const std::string& text);
};

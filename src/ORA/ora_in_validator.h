// ora_in_validator: Oracle index names; load registers the names of existing indexes as taken.
// Index names share one namespace per schema, so the destination path keeps one process-wide
// instance (tk_singleton): the first one constructed registers itself.
// Thread-safety: none.
#pragma once

#include "ORA/ora_validator.h"
#include "TK/tk_singleton.h"
#include "UDB/udb_indexes.h"

class ora_in_validator : public ora_validator, public tk_singleton<ora_in_validator> {
public:
    void load(const udb_indexes& indexes);
};

// ora_in_validator: Oracle index names; load registers the names of existing indexes as taken.
// Thread-safety: none.
#pragma once

#include "ORA/ora_validator.h"
#include "UDB/udb_indexes.h"

class ora_in_validator : public ora_validator {
public:
    void load(const udb_indexes& indexes);
};

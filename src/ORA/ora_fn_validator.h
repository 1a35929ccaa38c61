// ora_fn_validator: Oracle field names of one table; the table's existing column names are
// registered as taken.
// Thread-safety: none.
#pragma once

#include "ORA/ora_validator.h"
#include "UDB/udb_record.h"
#include "UDB/udb_schema.h"

class ora_fn_validator : public ora_validator {
public:
    // From the column descriptions of a table.
    explicit ora_fn_validator(const udb_schema& fields);
    // From the fields of a row.
    explicit ora_fn_validator(const udb_record& fields);
};

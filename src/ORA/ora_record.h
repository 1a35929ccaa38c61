// ora_record: the row a result set has just fetched, as one udb_field per column in select-list
// order (NULL values as empty fields).  Owned by the result set that built it, which refills the
// same fields at every row: their names and sizes are the columns', set once.
// Thread-safety: none.
#pragma once

#include <memory>
#include <vector>

#include "ORA/ora_type.h"
#include "UDB/udb_record.h"

class ora_record : public udb_record {
public:
    // Reads every column's fetched value; raises what the columns' to_variant raises.
    explicit ora_record(const std::vector<std::unique_ptr<ora_type>>& columns);
    // Reads the columns' values of the row just fetched into the fields; raises what the
    // columns' to_variant raises, leaving the fields read so far with the new row's values.
    void read(const std::vector<std::unique_ptr<ora_type>>& columns);
};

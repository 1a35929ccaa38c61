// ora_record: the row a result set has just fetched, as one udb_field per column in select-list
// order (NULL values as empty fields).  Owned by the result set that built it.
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
};

#include "ORA/ora_in_validator.h"

#include "TK/tk_logger.h"

void ora_in_validator::load(const udb_indexes& indexes) {
    tk_log(2, "ora_in_validator::load");
    for (const udb_index& index : indexes) add_existing_name(index.name);
}

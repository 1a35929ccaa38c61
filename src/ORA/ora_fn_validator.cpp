#include "ORA/ora_fn_validator.h"

#include "TK/tk_logger.h"

ora_fn_validator::ora_fn_validator(const udb_schema& fields) {
    tk_log(2, "ora_fn_validator::ctor1");
    for (const auto& field : fields) add_existing_name(field->name);
}

ora_fn_validator::ora_fn_validator(const udb_record& fields) {
    tk_log(2, "ora_fn_validator::ctor2");
    for (const auto& field : fields) add_existing_name(field->get_name());
}

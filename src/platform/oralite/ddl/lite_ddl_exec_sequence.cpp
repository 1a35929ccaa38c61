// CREATE SEQUENCE.
#include "ddl/lite_ddl_exec.h"
#include "ddl/lite_ddl_parser.h"
#include "lite_errors.h"

void lite_ddl_executor::exec(const lite_create_sequence& def) {
    if (dict.name_in_use(def.owner, def.sequence))
        throw lite_error(ora_err::name_in_use, "name is already used by an existing object");
    if (def.deferred) std::rethrow_exception(def.deferred);
    const int64_t inc = def.increment;
    const std::optional<std::string>& minv = def.min_value;
    const std::optional<std::string>& maxv = def.max_value;
    std::string mn = minv ? *minv : inc > 0 ? "1" : "-999999999999999999999999999";
    std::string mx = maxv ? *maxv : inc > 0 ? "9999999999999999999999999999" : "-1";
    int64_t start = def.start ? *def.start
                    : inc > 0 ? (minv ? lite_ddl_parser::to_int(*minv) : 1)
                              : (maxv ? lite_ddl_parser::to_int(*maxv) : -1);
    dict.insert_sequence(def.owner, def.sequence, mn, mx, inc, def.cycle, def.cache, start);
}

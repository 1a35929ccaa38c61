// CREATE TABLE.
#include "ddl/lite_ddl_exec.h"
#include "ddl/lite_ddl_parser.h"
#include "lite_errors.h"

void lite_ddl_executor::exec(lite_create_table st) {
    const std::string& owner = st.owner;
    const std::string& table = st.table;
    if (dict.name_in_use(owner, table))
        throw lite_error(ora_err::name_in_use, "name is already used by an existing object");
    if (st.deferred) std::rethrow_exception(st.deferred);
    std::vector<lite_ddl_constraint>& cons = st.constraints;
    const bool iot = st.index_organized;
    dict.insert_table(owner, table, iot, st.temporary);
    int64_t id = 1;
    for (auto& c : st.columns) insert_column(owner, table, c, id++);
    for (auto& c : st.columns) {
        if (c.identity) cons.push_back(lite_ddl_parser::not_null_of(c.name));
    }
    bool has_pk = false;
    for (auto& c : cons) {
        has_pk = has_pk || c.type == 'P';
        add_constraint(owner, table, c, false);
    }
    if (iot && !has_pk)
        throw lite_error(ora_err::no_primary_key_found, "no PRIMARY KEY constraint found");
    if (iot) dict.mark_primary_key_iot(owner, table);
    build_table(owner, table, false);
}

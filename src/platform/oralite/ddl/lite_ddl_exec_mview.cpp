// CREATE MATERIALIZED VIEW: a table of the query's columns, filled with its rows once. Nothing
// refreshes it afterwards; the refresh clauses are kept for the dictionary only.
#include <memory>
#include <set>

#include "ddl/lite_ddl_exec.h"
#include "ddl/lite_ddl_parser.h"
#include "lite_errors.h"
#include "lite_names.h"

namespace {

std::string quoted_object(const std::string& owner, const std::string& name) {
    return "\"" + owner + "\".\"" + name + "\"";
}

}  // namespace

void lite_ddl_executor::exec(const lite_create_mview& st) {
    const std::string& owner = st.owner;
    const std::string& name = st.name;
    const bool prebuilt = st.build_mode == "PREBUILT";
    if (dict.mview_build_mode(owner, name) || (!prebuilt && dict.name_in_use(owner, name)))
        throw lite_error(ora_err::name_in_use, "name is already used by an existing object");
    if (st.deferred) std::rethrow_exception(st.deferred);
    if (prebuilt && !dict.table_exists(owner, name)) {
        throw lite_error(ora_err::prebuilt_table_not_found,
                         "prebuilt table " + quoted_object(owner, name) + " does not exist");
    }
    // The query is checked before anything is recorded: one that does not run is refused.
    std::unique_ptr<lite_statement> q = s.prepare(st.query);
    q->describe_only();
    const std::vector<lite_column>& described = q->columns();
    if (!st.columns.empty() && st.columns.size() != described.size()) {
        throw lite_error(ora_err::invalid_number_of_column_names,
                         "invalid number of column names specified");
    }
    if (!prebuilt) {
        std::set<std::string> seen;
        for (size_t k = 0; k < described.size(); ++k) {
            const std::string& col = st.columns.empty() ? described[k].name : st.columns[k];
            if (!seen.insert(col).second)
                throw lite_error(ora_err::duplicate_column_name, "duplicate column name");
        }
        dict.insert_table(owner, name, false, false);
        std::vector<lite_ddl_constraint> not_null;
        for (size_t k = 0; k < described.size(); ++k) {
            lite_ddl_column c;
            c.name = st.columns.empty() ? described[k].name : st.columns[k];
            c.type = lite_coltype_of(described[k]);
            insert_column(owner, name, c, static_cast<int64_t>(k) + 1);
            if (!described[k].nullable) not_null.push_back(lite_ddl_parser::not_null_of(c.name));
        }
        for (auto& c : not_null) add_constraint(owner, name, c, false);
        build_table(owner, name, false);
        if (st.build_mode == "IMMEDIATE") {
            lite_exec(db, "INSERT INTO main." + lite_sqlite_name(name) + " SELECT * FROM (" +
                              lite_translate_query(st.query, s.user()) + ")");
        }
    }
    dict.insert_mview(owner, name, st.query, st.build_mode, st.refresh_method, st.refresh_mode,
                      st.updatable, st.rewrite);
}

void lite_ddl_executor::drop_mview(const std::string& owner, const std::string& name) {
    std::optional<std::string> build = dict.mview_build_mode(owner, name);
    if (!build) {
        throw lite_error(ora_err::mview_not_found,
                         "materialized view " + quoted_object(owner, name) + " does not exist");
    }
    dict.forget_mview(owner, name);
    // A table the view was registered on stays, as the table it was before.
    if (*build == "PREBUILT") return;
    dict.forget_table(owner, name);
    lite_exec(db, "DROP TABLE IF EXISTS main." + lite_sqlite_name(name));
}

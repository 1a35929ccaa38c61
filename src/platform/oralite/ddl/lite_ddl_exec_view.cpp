// CREATE [OR REPLACE] VIEW. A view SQLite cannot compile is kept in the dictionary only, as
// Oracle keeps a view created with compilation errors.
#include "ddl/lite_ddl_exec.h"
#include "ddl/lite_session_schema.h"
#include "lite_errors.h"
#include "lite_names.h"

void lite_ddl_executor::exec(const lite_create_view& st) {
    const std::string& owner = st.owner;
    const std::string& vname = st.view;
    const bool exists = dict.view_exists(owner, vname);
    if (exists && !st.replace)
        throw lite_error(ora_err::name_in_use, "name is already used by an existing object");
    if (!exists && dict.name_in_use(owner, vname)) {
        throw lite_error(ora_err::name_in_use, "name is already used by an existing object");
    }
    if (exists) {
        lite_exec(db, "DROP VIEW IF EXISTS main." + lite_sqlite_name(vname));
        dict.delete_view(owner, vname);
    }
    std::string status = "VALID";
    std::string sql;
    try {
        // With the tables' types, so that the view compares and sorts as its query does.
        sql = lite_translate_query(st.query, s.user(), &s.schema());
    } catch (const lite_error&) {
    }
    std::string list;
    for (const std::string& c : st.columns) {
        list += (list.empty() ? "" : ", ") + lite_sqlite_name(c);
    }
    bool ok = !sql.empty() && sqlite3_exec(db,
                                           ("CREATE VIEW main." + lite_sqlite_name(vname) +
                                            (list.empty() ? "" : " (" + list + ")") + " AS " + sql)
                                               .c_str(),
                                           nullptr, nullptr, nullptr) == SQLITE_OK;
    if (ok && !compiles("SELECT * FROM main." + lite_sqlite_name(vname))) {
        lite_exec(db, "DROP VIEW main." + lite_sqlite_name(vname));
        ok = false;
    }
    if (!ok) {
        status = "INVALID";
        s.add_warning("view " + vname +
                      " created with compilation errors; kept in the dictionary only");
    }
    dict.insert_view(owner, vname, st.text, status);
    if (ok) lite_dictionary_record_view(s, vname, st.query);
}

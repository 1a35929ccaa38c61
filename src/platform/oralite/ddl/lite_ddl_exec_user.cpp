// CREATE USER and ALTER USER.
#include "ddl/lite_ddl_exec.h"
#include "lite_errors.h"

void lite_ddl_executor::exec(const lite_user_ddl& st) {
    st.creating ? create_user(st) : alter_user(st);
}

void lite_ddl_executor::apply_user_clauses(const lite_user_ddl& st) {
    using kind = lite_user_ddl::clause::kind;
    for (const auto& c : st.clauses) {
        switch (c.what) {
            case kind::password:
                dict.set_password(st.user, c.password);
                break;
            case kind::quota:
                dict.set_quota(st.user, c.tablespace, c.bytes);
                break;
            case kind::lock:
                dict.set_locked(st.user, c.lock);
                break;
        }
    }
    if (st.deferred) std::rethrow_exception(st.deferred);
}

void lite_ddl_executor::create_user(const lite_user_ddl& st) {
    const std::string& u = st.user;
    if (dict.user_exists(u))
        throw lite_error(ora_err::user_name_conflict,
                         "user name '" + u + "' conflicts with another user or role name");
    dict.insert_user(u);
    apply_user_clauses(st);
    lite_instance::create_schema_file(s.directory(), u);
}

void lite_ddl_executor::alter_user(const lite_user_ddl& st) {
    if (!dict.user_exists(st.user))
        throw lite_error(ora_err::user_not_found, "user '" + st.user + "' does not exist");
    apply_user_clauses(st);
}

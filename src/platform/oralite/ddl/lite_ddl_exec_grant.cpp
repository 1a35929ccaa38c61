// Synonyms, GRANT and REVOKE.
#include <algorithm>
#include <set>

#include "ddl/lite_access.h"
#include "ddl/lite_ddl_exec.h"
#include "lite_errors.h"

namespace {

// What ALL grants on each kind of object, and so every privilege such an object takes.
const std::set<std::string> k_table_privileges = {
    "ALTER",         "DEBUG", "DELETE",     "FLASHBACK", "INDEX", "INSERT", "ON COMMIT REFRESH",
    "QUERY REWRITE", "READ",  "REFERENCES", "SELECT",    "UPDATE"};
const std::set<std::string> k_view_privileges = {"DEBUG",      "DELETE",     "FLASHBACK",
                                                 "INSERT",     "MERGE VIEW", "READ",
                                                 "REFERENCES", "SELECT",     "UPDATE"};
const std::set<std::string> k_sequence_privileges = {"ALTER", "SELECT"};
const std::set<std::string> k_unit_privileges = {"DEBUG", "EXECUTE"};

// The privileges owner.object takes, null when there is no such object.
const std::set<std::string>* privileges_taken(lite_dictionary_store& dict, const std::string& owner,
                                              const std::string& object) {
    if (dict.table_exists(owner, object)) return &k_table_privileges;
    if (dict.view_exists(owner, object)) return &k_view_privileges;
    if (dict.object_exists(owner, object)) return &k_sequence_privileges;
    // What else holds a name of the schema is a stored unit.
    if (dict.name_in_use(owner, object)) return &k_unit_privileges;
    return nullptr;
}

}  // namespace

void lite_ddl_executor::exec(const lite_create_synonym& st) {
    const bool is_public = st.owner == "PUBLIC";
    if (!is_public && st.owner == st.target_owner && st.name == st.target) {
        throw lite_error(ora_err::synonym_names_itself,
                         "cannot create a synonym with same name as object");
    }
    const bool replacing = st.replace && dict.synonym(st.owner, st.name).has_value();
    if (!replacing && (is_public ? dict.synonym(st.owner, st.name).has_value()
                                 : dict.name_in_use(st.owner, st.name))) {
        throw lite_error(ora_err::name_in_use, "name is already used by an existing object");
    }
    // The object need not exist yet: a synonym that leads nowhere fails when it is used.
    dict.store_synonym({st.owner, st.name, st.target_owner, st.target, st.db_link});
}

void lite_ddl_executor::drop_synonym(const std::string& owner, const std::string& name) {
    if (dict.forget_synonym(owner, name)) return;
    if (owner == "PUBLIC") {
        throw lite_error(ora_err::public_synonym_not_found,
                         "public synonym to be dropped does not exist");
    }
    throw lite_error(ora_err::private_synonym_not_found,
                     "private synonym to be dropped does not exist");
}

void lite_ddl_executor::exec(const lite_grant& st) {
    for (const std::string& g : st.grantees) {
        if (g != "PUBLIC" && !dict.user_exists(g))
            throw lite_error(ora_err::user_or_role_not_found,
                             "user or role '" + g + "' does not exist");
    }
    if (std::find(st.grantees.begin(), st.grantees.end(), s.user()) != st.grantees.end()) {
        throw lite_error(ora_err::grant_to_self,
                         "you may not GRANT/REVOKE privileges to/from yourself");
    }
    if (st.on_object) {
        grant_on_object(st);
        return;
    }
    // Every user may run every statement here; these grants decide only who reads every schema
    // and the DBA_ views.
    for (const std::string& g : st.grantees) {
        for (const std::string& p : st.privileges) {
            if (st.revoke) {
                if (dict.revoke_system(g, p)) continue;
                // Roles are one word, system privileges several.
                if (p.find(' ') == std::string::npos)
                    throw lite_error(ora_err::role_not_granted,
                                     "ROLE '" + p + "' not granted to '" + g + "'");
                throw lite_error(ora_err::system_privilege_not_granted,
                                 "system privileges not granted to '" + g + "'");
            } else {
                dict.grant_system(g, p);
            }
        }
    }
}

void lite_ddl_executor::grant_on_object(const lite_grant& st) {
    std::string owner = st.owner, object = st.object;
    if (auto target = lite_synonym_target(db, s.user(), owner, object)) {
        std::tie(owner, object) = *target;
    }
    const std::set<std::string>* takes = privileges_taken(dict, owner, object);
    if (!takes) throw lite_error(ora_err::table_not_found, "table or view does not exist");
    if (owner != s.user() && !lite_sees_all(db, s.user())) {
        // Only the owner grants here: another user learns no more than that it may not.
        if (dict.object_privileges(s.user(), owner, object).empty())
            throw lite_error(ora_err::table_not_found, "table or view does not exist");
        throw lite_error(ora_err::insufficient_privileges, "insufficient privileges");
    }
    std::set<std::string> privileges;
    for (const std::string& p : st.privileges) {
        if (p == "ALL") {
            privileges.insert(takes->begin(), takes->end());
        } else if (takes->count(p)) {
            privileges.insert(p);
        } else {
            throw lite_error(ora_err::missing_or_invalid_privilege, "missing or invalid privilege");
        }
    }
    for (const std::string& g : st.grantees) {
        bool revoked = false;
        for (const std::string& p : privileges) {
            if (st.revoke) {
                revoked = dict.revoke_object(g, owner, object, p) || revoked;
            } else {
                dict.grant_object(g, owner, object, s.user(), p, st.grant_option);
            }
        }
        if (st.revoke && !revoked) {
            throw lite_error(ora_err::revoke_not_granted,
                             "cannot REVOKE privileges you did not grant");
        }
    }
}

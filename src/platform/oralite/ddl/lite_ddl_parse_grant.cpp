// The parse half of the statements about names and rights rather than storage: synonyms, GRANT
// and REVOKE.
#include <tuple>

#include "ddl/lite_ddl_parser.h"
#include "lite_errors.h"

namespace {

void need_end(const lite_ddl_parser& p) {
    if (!p.at_end())
        throw lite_error(ora_err::command_not_properly_ended, "SQL command not properly ended");
}

}  // namespace

lite_create_synonym lite_ddl_parser::parse_create_synonym(bool replace, bool is_public) {
    lite_create_synonym st;
    st.replace = replace;
    if (is_public) {
        st.owner = "PUBLIC";
        st.name = name(ora_err::invalid_table_name, "invalid table name");
    } else {
        std::tie(st.owner, st.name) = object_name();
    }
    need_word("FOR");
    std::tie(st.target_owner, st.target) = object_name(false);
    if (op("@")) {
        st.db_link = name();
        while (op(".")) st.db_link += "." + name();
    }
    need_end(*this);
    return st;
}

lite_grant lite_ddl_parser::parse_grant(bool revoke) {
    lite_grant st;
    st.revoke = revoke;
    const char* to = revoke ? "FROM" : "TO";
    do {
        std::string p;
        while (!at_end() && !t[i].is_op(",") && !t[i].is("ON") && !t[i].is(to)) {
            if (t[i].is_op("(")) {
                skip_group();  // a column list: the privilege is kept for the whole object
                continue;
            }
            if (t[i].kind != lite_token::ident && t[i].kind != lite_token::quoted) break;
            p += (p.empty() ? "" : " ") + t[i++].text;
        }
        if (p.empty())
            throw lite_error(ora_err::missing_or_invalid_privilege, "missing or invalid privilege");
        st.privileges.push_back(p == "ALL PRIVILEGES" ? "ALL" : p);
    } while (op(","));
    if (word("ON")) {
        st.on_object = true;
        if (word("DIRECTORY") || word("EDITION")) {
        } else if (word("JAVA")) {
            if (!word("SOURCE")) word("RESOURCE");
        }
        std::tie(st.owner, st.object) = object_name(false);
    }
    if (revoke) {
        need_word(to);
    } else {
        need_word(to, ora_err::missing_to_keyword, "missing TO keyword");
    }
    do {
        st.grantees.push_back(name(ora_err::invalid_user_name, "missing or invalid username(s)"));
        if (!revoke && word("IDENTIFIED")) {
            need_word("BY");
            name();
        }
    } while (op(","));
    if (!revoke && word("WITH")) {
        if (!word("GRANT") && !word("ADMIN") && !word("HIERARCHY") && !word("DELEGATE"))
            throw lite_error(ora_err::command_not_properly_ended, "SQL command not properly ended");
        need_word("OPTION");
        st.grant_option = true;
    }
    while (revoke && (word("CASCADE") || word("CONSTRAINTS") || word("FORCE"))) {
    }
    need_end(*this);
    return st;
}

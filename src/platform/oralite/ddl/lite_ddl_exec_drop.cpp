// DROP of tables, views, indexes, sequences, triggers, stored units and synonyms. The privileges
// granted on an object go with it; synonyms for it stay, leading nowhere.
#include "ddl/lite_ddl_exec.h"
#include "lite_errors.h"
#include "lite_names.h"

void lite_ddl_executor::exec(const lite_drop& st) {
    using kind = lite_drop::kind;
    const std::string& owner = st.owner;
    const std::string& n = st.name;
    switch (st.object) {
        case kind::table: {
            need_table(owner, n);
            if (dict.mview_build_mode(owner, n)) {
                throw lite_error(
                    ora_err::drop_mview_needed,
                    "must use DROP MATERIALIZED VIEW to drop \"" + owner + "\".\"" + n + "\"");
            }
            std::vector<std::pair<std::string, std::string>> refs =
                dict.foreign_keys_into(owner, n);
            if (!refs.empty() && !st.cascade) {
                throw lite_error(ora_err::referenced_by_foreign_keys,
                                 "unique/primary keys in table referenced by foreign keys");
            }
            for (auto& [o, key] : refs) dict.forget_constraint(o, key);
            for (const std::string& def : dict.identity_defaults(owner, n)) {
                std::string seq = lite_identity_sequence_name(def);
                if (!seq.empty()) dict.forget_sequence(owner, seq);
            }
            dict.forget_table(owner, n);
            dict.forget_grants(owner, n);
            lite_exec(db, "DROP TABLE IF EXISTS main." + lite_sqlite_name(n));
            return;
        }
        case kind::view:
            if (!dict.delete_view(owner, n))
                throw lite_error(ora_err::table_not_found, "table or view does not exist");
            dict.forget_view_comments(owner, n);
            dict.forget_grants(owner, n);
            lite_exec(db, "DROP VIEW IF EXISTS main." + lite_sqlite_name(n));
            return;
        case kind::mview:
            drop_mview(owner, n);
            return;
        case kind::index:
            if (!dict.index_exists(owner, n))
                throw lite_error(ora_err::index_not_found, "specified index does not exist");
            if (dict.index_enforces_constraint(owner, n)) {
                throw lite_error(ora_err::index_enforces_key,
                                 "cannot drop index used for enforcement of unique/primary key");
            }
            drop_index(owner, n);
            return;
        case kind::sequence:
            if (!dict.forget_sequence(owner, n))
                throw lite_error(ora_err::sequence_not_found, "sequence does not exist");
            dict.forget_grants(owner, n);
            return;
        case kind::trigger:
            if (!dict.trigger_exists(owner, n))
                throw lite_error(ora_err::trigger_not_found, "trigger '" + n + "' does not exist");
            dict.forget_trigger(owner, n);
            return;
        case kind::source:
            dict.forget_source(owner, n);
            return;
        case kind::synonym:
            drop_synonym(owner, n);
            return;
        case kind::ignored:
            s.add_warning("statement ignored: DROP " + st.ignored_word);
            return;
    }
}

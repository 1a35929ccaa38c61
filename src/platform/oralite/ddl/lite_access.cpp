#include "ddl/lite_access.h"

#include <algorithm>
#include <vector>

#include "ddl/lite_dictionary_store.h"
#include "lite_errors.h"
#include "lite_internal.h"

namespace {

bool is_administrator(const std::string& user) {
    return user == "SYS" || user == "SYSTEM";
}

// A chain this long has come back on itself; Oracle refuses a looping chain however long.
constexpr int k_max_chain = 64;

}  // namespace

bool lite_sees_all(sqlite3* db, const std::string& user) {
    if (is_administrator(user)) return true;
    return lite_dictionary_store(db).holds_system(user, {"DBA", "SELECT ANY TABLE"});
}

bool lite_reads_dictionary(sqlite3* db, const std::string& user) {
    if (is_administrator(user)) return true;
    return lite_dictionary_store(db).holds_system(
        user, {"DBA", "SELECT_CATALOG_ROLE", "SELECT ANY DICTIONARY"});
}

std::optional<std::pair<std::string, std::string>> lite_synonym_target(sqlite3* db,
                                                                       const std::string& user,
                                                                       const std::string& owner,
                                                                       const std::string& name) {
    lite_dictionary_store dict(db);
    const std::string& schema = owner.empty() ? user : owner;
    if (dict.object_exists(schema, name)) return std::nullopt;
    std::optional<lite_dict_synonym> y = dict.synonym(schema, name);
    if (!y && owner.empty()) y = dict.synonym("PUBLIC", name);
    if (!y) return std::nullopt;
    for (int depth = 0; depth < k_max_chain; ++depth) {
        if (!y->db_link.empty()) {
            throw lite_error(ora_err::remote_database_not_found,
                             "connection description for remote database not found");
        }
        if (dict.object_exists(y->target_owner, y->target))
            return std::make_pair(y->target_owner, y->target);
        std::optional<lite_dict_synonym> next = dict.synonym(y->target_owner, y->target);
        if (!next) {
            throw lite_error(ora_err::synonym_invalid, "synonym translation is no longer valid");
        }
        y = std::move(next);
    }
    throw lite_error(ora_err::synonym_loop, "looping chain of synonyms");
}

void lite_need_privilege(sqlite3* db, const std::string& user, const std::string& owner,
                         const std::string& object, const std::string& privilege) {
    if (owner == user || lite_sees_all(db, user)) return;
    const std::vector<std::string> held =
        lite_dictionary_store(db).object_privileges(user, owner, object);
    if (held.empty()) throw lite_error(ora_err::table_not_found, "table or view does not exist");
    auto has = [&](const char* p) { return std::find(held.begin(), held.end(), p) != held.end(); };
    if (has(privilege.c_str()) || (privilege == "SELECT" && has("READ"))) return;
    throw lite_error(ora_err::insufficient_privileges, "insufficient privileges");
}

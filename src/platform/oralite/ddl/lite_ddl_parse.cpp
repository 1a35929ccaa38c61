// The parse half of DDL: see lite_ddl_parser.h. Every syntax error and ORA text here is the one
// the combined parse-and-execute pass gave, in the same order.
#include <algorithm>
#include <cctype>
#include <charconv>
#include <exception>
#include <set>
#include <tuple>

#include "ddl/lite_ddl_parser.h"
#include "lite_internal.h"
#include "lite_value_text.h"
#include "lite_errors.h"

lite_ddl_parser::lite_ddl_parser(std::string sql, std::string session_user)
    : src(std::move(sql)), user(std::move(session_user)) {
    t = lite_tokenize(src);
    size_t e = t.size() - 1;
    while (e > 0 && (t[e - 1].is_op(";") || t[e - 1].is_op("/"))) --e;
    t.erase(t.begin() + static_cast<std::ptrdiff_t>(e), t.end() - 1);
}

lite_ddl_statement lite_ddl_parser::parse() {
    auto next_word = [this] { return at_end() ? std::string() : t[i].text; };
    if (word("CREATE")) return parse_create();
    if (word("ALTER")) {
        if (word("TABLE")) return parse_alter_table();
        if (word("USER")) return parse_user(false);
        return lite_ignored_ddl{"statement ignored: ALTER " + next_word()};
    }
    if (word("DROP")) return parse_drop();
    if (word("COMMENT")) return parse_comment();
    if (word("GRANT")) return parse_grant(false);
    if (word("REVOKE")) return parse_grant(true);
    if (word("TRUNCATE")) {
        need_word("TABLE");
        lite_truncate st;
        std::tie(st.owner, st.table) = object_name();
        return st;
    }
    return lite_ignored_ddl{"statement ignored: " + next_word()};
}

lite_ddl_statement lite_ddl_parser::parse_create() {
    bool replace = false;
    if (word("OR")) {
        need_word("REPLACE", ora_err::invalid_option, "missing or invalid option");
        replace = true;
    }
    while (word("FORCE") || word("NOFORCE") || word("EDITIONABLE") || word("NONEDITIONABLE") ||
           word("EDITIONING")) {
    }
    if (t[i].is("TABLE") || t[i].is("GLOBAL")) return parse_create_table();
    if (word("UNIQUE")) return parse_create_index(true);
    if (word("BITMAP")) {
        lite_create_index st = parse_create_index(false);
        st.bitmap = true;
        return st;
    }
    if (t[i].is("INDEX")) return parse_create_index(false);
    if (word("SEQUENCE")) return parse_create_sequence();
    if (word("VIEW")) return parse_create_view(replace);
    if (!replace && (t[i].is("MATERIALIZED") || t[i].is("SNAPSHOT"))) {
        if (word("MATERIALIZED"))
            need_word("VIEW", ora_err::invalid_create_command, "invalid CREATE command");
        else
            ++i;
        // A log only serves refreshes, which are not done here: a schema script goes on.
        if (t[i].is("LOG"))
            return lite_ignored_ddl{"statement ignored: CREATE MATERIALIZED VIEW LOG"};
        return parse_create_mview();
    }
    if (word("TRIGGER")) return parse_create_trigger(replace);
    if (!replace && word("USER")) return parse_user(true);
    if (word("PUBLIC")) {
        need_word("SYNONYM");
        return parse_create_synonym(replace, true);
    }
    if (word("SYNONYM")) return parse_create_synonym(replace, false);
    // Object types (and with them nested tables and object tables) are not in this server.
    if (t[i].is("TYPE"))
        throw lite_error(ora_err::feature_not_enabled, "feature not enabled: Objects");
    for (const char* ty : {"PROCEDURE", "FUNCTION", "PACKAGE", "LIBRARY"}) {
        if (word(ty)) {
            lite_store_source st;
            st.type = ty;
            if (st.type == "PACKAGE") word("BODY");
            std::tie(st.owner, st.name) = object_name();
            st.source = src;
            return st;
        }
    }
    return lite_ignored_ddl{"statement ignored: CREATE " + (at_end() ? std::string() : t[i].text)};
}

lite_create_table lite_ddl_parser::parse_create_table() {
    lite_create_table st;
    if (word("GLOBAL")) {
        need_word("TEMPORARY");
        st.temporary = true;
    }
    need_word("TABLE", ora_err::invalid_create_command, "invalid CREATE command");
    std::tie(st.owner, st.table) = object_name();
    try {
        // A table of an object type names a type that cannot exist here.
        if (t[i].is("OF")) throw lite_error(ora_err::invalid_datatype, "invalid datatype");
        if (word("AS")) throw lite_error(ora_err::unimplemented_feature, "unimplemented feature");
        need_open();
        relational_items(st.columns, st.constraints);
        need_close();
        if (st.columns.empty()) throw lite_error(ora_err::invalid_identifier, "invalid identifier");
        std::set<std::string> seen;
        for (auto& c : st.columns) {
            if (!seen.insert(c.name).second)
                throw lite_error(ora_err::duplicate_column_name, "duplicate column name");
        }
        while (!at_end()) {
            if (word("ORGANIZATION")) {
                if (word("INDEX"))
                    st.index_organized = true;
                else
                    ++i;
            } else if (t[i].is("STORE") && t[i + 1].is("AS")) {
                // LOB and XMLTYPE storage: how the values are kept, which changes none of them.
                i += 2;
            } else if (t[i].is("XMLSCHEMA")) {
                // A schema-based XMLTYPE names an XML schema, which only XML DB registers.
                const std::string url = i + 1 < t.size() ? t[i + 1].text : std::string();
                throw lite_error(ora_err::not_an_xdb_schema,
                                 "Resource '" + url + "' is not an XDB schema document");
            } else if (t[i].is("AS")) {
                throw lite_error(ora_err::unimplemented_feature, "unimplemented feature");
            } else if (t[i].is_op("(")) {
                skip_group();
            } else {
                ++i;
            }
        }
    } catch (...) {
        st.deferred = std::current_exception();
    }
    return st;
}

lite_alter_table lite_ddl_parser::parse_alter_table() {
    using action = lite_alter_table::action;
    lite_alter_table st;
    std::tie(st.owner, st.table) = object_name();
    try {
        if (word("ADD")) {
            st.kind = action::add;
            bool paren = op("(");
            relational_items(st.columns, st.constraints);
            if (paren) need_close();
        } else if (word("MODIFY")) {
            if (word("CONSTRAINT")) {
                st.kind = action::modify_constraint;
                st.constraint = name();
                while (!at_end()) {
                    if (word("DISABLE"))
                        st.enable = false;
                    else if (word("ENABLE"))
                        st.enable = true;
                    else if (word("VALIDATE") || word("NOVALIDATE"))
                        st.validate = t[i - 1].is("VALIDATE");
                    else
                        ++i;
                }
            } else {
                st.kind = action::modify_columns;
                bool paren = op("(");
                do {
                    lite_alter_table::modification m;
                    m.column = column(m.constraints, true);
                    st.modifications.push_back(std::move(m));
                } while (op(","));
                if (paren) need_close();
            }
        } else if (word("ENABLE") || word("DISABLE")) {
            st.kind = action::change_status;
            st.enable = t[i - 1].is("ENABLE");
            if (word("VALIDATE") || word("NOVALIDATE")) st.validate = t[i - 1].is("VALIDATE");
            if (word("PRIMARY")) {
                need_word("KEY");
                st.primary_key = true;
            } else {
                need_word("CONSTRAINT");
                st.constraint = name();
            }
        } else if (word("DROP")) {
            if (word("CONSTRAINT")) {
                st.kind = action::drop_constraint;
                st.constraint = name();
            } else if (word("PRIMARY")) {
                st.kind = action::drop_primary_key;
                need_word("KEY");
            } else {
                st.kind = action::drop_columns;
                if (word("COLUMN")) {
                    st.drop.push_back(name());
                } else {
                    st.drop = name_list();
                }
            }
        } else {
            st.kind = action::ignored;
            st.ignored_word = at_end() ? std::string() : t[i].text;
        }
    } catch (...) {
        st.deferred = std::current_exception();
    }
    return st;
}

lite_create_index lite_ddl_parser::parse_create_index(bool unique) {
    lite_create_index st;
    st.unique = unique;
    need_word("INDEX", ora_err::invalid_create_command, "invalid CREATE command");
    std::tie(st.owner, st.index) = object_name();
    need_word("ON", ora_err::missing_on_keyword, "missing ON keyword");
    std::tie(st.table_owner, st.table) = object_name();
    try {
        need_open();
        do {
            size_t b = i;
            int depth = 0;
            while (!at_end() && !(depth == 0 && (t[i].is_op(",") || t[i].is_op(")")))) {
                if (t[i].is_op("(")) ++depth;
                if (t[i].is_op(")")) --depth;
                ++i;
            }
            size_t e = i;
            lite_create_index::key k;
            if (e > b && (t[e - 1].is("ASC") || t[e - 1].is("DESC"))) {
                k.direction = t[e - 1].text;
                --e;
            }
            if (e == b + 1 && (t[b].kind == lite_token::ident || t[b].kind == lite_token::quoted)) {
                k.text = t[b].text;
            } else if (e > b) {
                k.expression = true;
                k.text = raw(b, e);
            } else {
                throw lite_error(ora_err::missing_expression, "missing expression");
            }
            st.keys.push_back(std::move(k));
        } while (op(","));
        need_close();
    } catch (...) {
        st.deferred = std::current_exception();
    }
    return st;
}

lite_create_sequence lite_ddl_parser::parse_create_sequence() {
    lite_create_sequence st;
    std::tie(st.owner, st.sequence) = object_name();
    try {
        while (!at_end()) {
            if (word("START")) {
                need_word("WITH");
                st.start = number();
            } else if (word("INCREMENT")) {
                need_word("BY");
                st.increment = number();
                if (st.increment == 0)
                    throw lite_error(ora_err::increment_not_nonzero,
                                     "INCREMENT must be a non-zero integer");
            } else if (word("MINVALUE")) {
                st.min_value = bound();
            } else if (word("MAXVALUE")) {
                st.max_value = bound();
            } else if (word("CACHE")) {
                st.cache = number();
            } else if (word("NOCACHE")) {
                st.cache = 0;
            } else if (word("CYCLE")) {
                st.cycle = true;
            } else if (word("NOCYCLE") || word("ORDER") || word("NOORDER") || word("NOMINVALUE") ||
                       word("NOMAXVALUE") || word("KEEP") || word("NOKEEP") || word("SESSION") ||
                       word("GLOBAL") || word("NOSCALE") || word("NOSHARD")) {
            } else {
                throw lite_error(ora_err::command_not_properly_ended,
                                 "SQL command not properly ended");
            }
        }
    } catch (...) {
        st.deferred = std::current_exception();
    }
    return st;
}

lite_create_view lite_ddl_parser::parse_create_view(bool replace) {
    lite_create_view st;
    st.replace = replace;
    std::tie(st.owner, st.view) = object_name();
    if (t[i].is_op("(")) {
        need_open();
        do {
            st.columns.push_back(name());
            while (!at_end() && !t[i].is_op(",") && !t[i].is_op(")")) ++i;  // inline constraints
        } while (op(","));
        need_close();
    }
    need_word("AS");
    size_t b = i;
    size_t e = t.size() - 1;
    size_t q_end = e;
    int depth = 0;
    for (size_t k = b; k < e; ++k) {
        if (t[k].is_op("(")) ++depth;
        if (t[k].is_op(")")) --depth;
        if (depth == 0 && t[k].is("WITH") && (t[k + 1].is("READ") || t[k + 1].is("CHECK"))) {
            q_end = k;
            break;
        }
    }
    if (b >= q_end) throw lite_error(ora_err::missing_expression, "missing expression");
    st.text = raw(b, e);
    st.query = raw(b, q_end);
    return st;
}

lite_create_mview lite_ddl_parser::parse_create_mview() {
    lite_create_mview st;
    std::tie(st.owner, st.name) = object_name();
    try {
        if (t[i].is_op("(")) {
            need_open();
            do {
                st.columns.push_back(name());
                while (!at_end() && !t[i].is_op(",") && !t[i].is_op(")")) ++i;
            } while (op(","));
            need_close();
        }
        while (!at_end() && !t[i].is("AS")) {
            if (word("BUILD")) {
                if (word("DEFERRED"))
                    st.build_mode = "DEFERRED";
                else
                    need_word("IMMEDIATE");
            } else if (word("ON")) {
                if (word("PREBUILT")) {
                    need_word("TABLE");
                    st.build_mode = "PREBUILT";
                } else if (word("COMMIT") || word("DEMAND") || word("STATEMENT")) {
                    st.refresh_mode = t[i - 1].text;
                }
            } else if (word("REFRESH")) {
                if (word("FAST") || word("COMPLETE") || word("FORCE"))
                    st.refresh_method = t[i - 1].text;
            } else if (word("NEVER")) {
                need_word("REFRESH");
                st.refresh_method = st.refresh_mode = "NEVER";
            } else if (word("FOR")) {
                need_word("UPDATE");
                st.updatable = true;
            } else if (word("ENABLE") || word("DISABLE")) {
                const bool enable = t[i - 1].is("ENABLE");
                if (word("QUERY")) {
                    need_word("REWRITE");
                    st.rewrite = enable;
                }
            } else if (t[i].is_op("(")) {
                skip_group();
            } else {
                ++i;
            }
        }
        need_word("AS");
        if (at_end()) throw lite_error(ora_err::missing_expression, "missing expression");
        st.query = raw(i, t.size() - 1);
    } catch (...) {
        st.deferred = std::current_exception();
    }
    return st;
}

lite_comment lite_ddl_parser::parse_comment() {
    using kind = lite_comment::kind;
    lite_comment st;
    need_word("ON");
    if (word("TABLE")) {
        std::tie(st.owner, st.table) = object_name();
        need_word("IS");
        if (t[i].kind != lite_token::string)
            throw lite_error(ora_err::string_literal_required, "string literal required");
        st.text = t[i].text;
        st.on = kind::table;
    } else if (word("COLUMN")) {
        std::string a = name(), b, c;
        need_word_op(".");
        b = name();
        st.owner = user;
        st.table = a;
        st.column = b;
        if (op(".")) {
            c = name();
            st.owner = a;
            st.table = b;
            st.column = c;
        }
        if (st.owner != user)
            throw lite_error(ora_err::insufficient_privileges, "insufficient privileges");
        need_word("IS");
        if (t[i].kind != lite_token::string)
            throw lite_error(ora_err::string_literal_required, "string literal required");
        st.text = t[i].text;
        st.on = kind::column;
    }
    return st;
}

lite_drop lite_ddl_parser::parse_drop() {
    using kind = lite_drop::kind;
    lite_drop st;
    if (word("TABLE")) {
        st.object = kind::table;
        std::tie(st.owner, st.name) = object_name();
        while (!at_end()) {
            if (word("CASCADE")) {
                st.cascade = true;
            } else {
                ++i;
            }
        }
        return st;
    }
    if (word("PUBLIC")) {
        need_word("SYNONYM");
        st.object = kind::synonym;
        st.owner = "PUBLIC";
        st.name = name(ora_err::invalid_table_name, "invalid table name");
        return st;
    }
    if (t[i].is("MATERIALIZED") || t[i].is("SNAPSHOT")) {
        if (word("MATERIALIZED"))
            need_word("VIEW");
        else
            ++i;
        if (word("LOG")) {
            st.ignored_word = "MATERIALIZED VIEW LOG";
            return st;
        }
        st.object = kind::mview;
        std::tie(st.owner, st.name) = object_name();
        return st;
    }
    for (auto [w, k] : {std::pair{"SYNONYM", kind::synonym}, std::pair{"VIEW", kind::view},
                        std::pair{"INDEX", kind::index}, std::pair{"SEQUENCE", kind::sequence},
                        std::pair{"TRIGGER", kind::trigger}, std::pair{"PROCEDURE", kind::source},
                        std::pair{"FUNCTION", kind::source}, std::pair{"PACKAGE", kind::source},
                        std::pair{"TYPE", kind::source}}) {
        if (word(w)) {
            st.object = k;
            std::tie(st.owner, st.name) = object_name();
            return st;
        }
    }
    st.ignored_word = at_end() ? std::string() : t[i].text;
    return st;
}

bool lite_ddl_parser::known_tablespace(const std::string& ts) {
    return ts == "USERS" || ts == "SYSTEM" || ts == "SYSAUX" || ts == "TEMP";
}

lite_user_ddl::clause lite_ddl_parser::quota() {
    lite_user_ddl::clause c;
    c.what = lite_user_ddl::clause::kind::quota;
    int64_t bytes = -1;
    if (!word("UNLIMITED")) {
        if (t[i].kind != lite_token::number)
            throw lite_error(ora_err::invalid_quota_clause, "invalid quota clause");
        std::string n = t[i++].text;
        int64_t unit = 1;
        if (t[i].kind == lite_token::ident && t[i].text.size() == 1) {
            const char u = t[i].text[0];
            unit = u == 'K' ? 1024 : u == 'M' ? 1024 * 1024 : u == 'G' ? 1024 * 1024 * 1024 : 0;
            if (unit == 0) throw lite_error(ora_err::invalid_quota_clause, "invalid quota clause");
            ++i;
        } else if (n.size() > 1 && std::isalpha(static_cast<unsigned char>(n.back()))) {
            const char u = static_cast<char>(std::toupper(static_cast<unsigned char>(n.back())));
            unit = u == 'K' ? 1024 : u == 'M' ? 1024 * 1024 : u == 'G' ? 1024 * 1024 * 1024 : 0;
            if (unit == 0) throw lite_error(ora_err::invalid_quota_clause, "invalid quota clause");
            n.pop_back();
        }
        bytes = to_int(n) * unit;
    }
    need_word("ON", ora_err::missing_on_keyword, "missing ON keyword");
    std::string ts = name();
    if (!known_tablespace(ts))
        throw lite_error(ora_err::tablespace_not_found, "tablespace '" + ts + "' does not exist");
    c.tablespace = ts;
    c.bytes = bytes;
    return c;
}

lite_user_ddl lite_ddl_parser::parse_user(bool creating) {
    using kind = lite_user_ddl::clause::kind;
    lite_user_ddl st;
    st.creating = creating;
    st.user = name(ora_err::missing_user_name, "missing user or role name");
    try {
        if (!creating && at_end())
            throw lite_error(ora_err::invalid_option, "missing or invalid option");
        // A user identified externally has no password: it logs on only with external
        // credentials.
        bool identified = !creating;
        while (!at_end()) {
            if (word("IDENTIFIED")) {
                lite_user_ddl::clause c;
                c.what = kind::password;
                if (word("BY")) {
                    c.password = name(ora_err::invalid_password, "missing or invalid password(s)");
                } else if (word("EXTERNALLY") || word("GLOBALLY")) {
                    if (word("AS")) ++i;
                } else {
                    throw lite_error(ora_err::invalid_password, "missing or invalid password(s)");
                }
                st.clauses.push_back(std::move(c));
                identified = true;
            } else if (word("QUOTA")) {
                st.clauses.push_back(quota());
            } else if (word("DEFAULT") || word("TEMPORARY")) {
                if (t[i - 1].is("DEFAULT") && word("ROLE")) {
                    while (!at_end()) ++i;
                    break;
                }
                need_word("TABLESPACE", ora_err::invalid_option, "missing or invalid option");
                std::string ts = name();
                if (!known_tablespace(ts))
                    throw lite_error(ora_err::tablespace_not_found,
                                     "tablespace '" + ts + "' does not exist");
            } else if (word("PROFILE")) {
                name();
            } else if (word("PASSWORD")) {
                need_word("EXPIRE", ora_err::invalid_option, "missing or invalid option");
            } else if (word("ACCOUNT")) {
                lite_user_ddl::clause c;
                c.what = kind::lock;
                c.lock = word("LOCK");
                if (!c.lock)
                    need_word("UNLOCK", ora_err::invalid_option, "missing or invalid option");
                st.clauses.push_back(std::move(c));
            } else {
                throw lite_error(ora_err::invalid_option, "missing or invalid option");
            }
        }
        if (!identified) throw lite_error(ora_err::missing_user_name, "missing user or role name");
    } catch (...) {
        st.deferred = std::current_exception();
    }
    return st;
}

lite_create_trigger lite_ddl_parser::parse_create_trigger(bool replace) {
    lite_create_trigger st;
    st.replace = replace;
    st.source = src;
    std::tie(st.owner, st.name) = object_name();
    try {
        if (word("BEFORE") || word("AFTER")) {
            st.timing = t[i - 1].text;
        } else if (word("INSTEAD")) {
            need_word("OF", ora_err::missing_trigger_timing,
                      "missing BEFORE, AFTER or INSTEAD OF keyword");
            st.timing = "INSTEAD OF";
        } else {
            throw lite_error(ora_err::missing_trigger_timing,
                             "missing BEFORE, AFTER or INSTEAD OF keyword");
        }
        do {
            if (!(word("INSERT") || word("UPDATE") || word("DELETE")))
                throw lite_error(ora_err::invalid_trigger_type, "invalid trigger type");
            st.events += (st.events.empty() ? "" : " OR ") + t[i - 1].text;
            if (t[i - 1].is("UPDATE") && word("OF")) {
                do name();
                while (op(","));
            }
        } while (word("OR"));
        need_word("ON", ora_err::missing_on_keyword, "missing ON keyword");
        std::tie(st.table_owner, st.table) = object_name(false);
        st.table_read = true;
        if (word("REFERENCING")) {
            while (word("NEW") || word("OLD") || word("PARENT")) {
                const bool is_new = t[i - 1].is("NEW");
                word("AS");
                std::string alias = name();
                if (is_new && alias != "NEW") st.plain_new = false;
            }
        }
        if (word("FOR")) {
            need_word("EACH", ora_err::missing_keyword);
            need_word("ROW", ora_err::missing_keyword);
            st.row = true;
        }
        if (word("WHEN")) {
            need_open();
            size_t b = i;
            int depth = 0;
            while (!at_end() && !(depth == 0 && t[i].is_op(")"))) {
                if (t[i].is_op("(")) ++depth;
                if (t[i].is_op(")")) --depth;
                ++i;
            }
            st.when = raw(b, i);
            need_close();
        }
        if (at_end())
            throw lite_error(ora_err::invalid_trigger_definition, "invalid trigger definition");
        st.body = src.substr(t[i].begin);
        while (!st.body.empty() && std::isspace(static_cast<unsigned char>(st.body.back())))
            st.body.pop_back();
    } catch (...) {
        st.deferred = std::current_exception();
    }
    return st;
}

void lite_ddl_parser::need_word_op(const char* o) {
    if (!op(o)) throw lite_error(ora_err::invalid_identifier, "invalid identifier");
}

const lite_token& lite_ddl_parser::cur() const {
    return t[i];
}

const lite_token& lite_ddl_parser::peek(size_t k) const {
    return t[std::min(i + k, t.size() - 1)];
}

bool lite_ddl_parser::at_end() const {
    return t[i].kind == lite_token::end;
}

bool lite_ddl_parser::word(const char* w) {
    if (t[i].is(w)) {
        ++i;
        return true;
    }
    return false;
}

bool lite_ddl_parser::op(const char* o) {
    if (t[i].is_op(o)) {
        ++i;
        return true;
    }
    return false;
}

void lite_ddl_parser::need_word(const char* w, int code, const char* text) {
    if (!word(w)) throw lite_error(code, text);
}

void lite_ddl_parser::need_open() {
    if (!op("(")) throw lite_error(ora_err::missing_left_parenthesis, "missing left parenthesis");
}

void lite_ddl_parser::need_close() {
    if (!op(")")) throw lite_error(ora_err::missing_right_parenthesis, "missing right parenthesis");
}

std::string lite_ddl_parser::name(int code, const char* text) {
    const lite_token& k = t[i];
    if (k.kind == lite_token::ident || k.kind == lite_token::quoted) {
        if (k.text.empty() || k.text.size() > 128)
            throw lite_error(ora_err::identifier_too_long, "identifier is too long");
        ++i;
        return k.text;
    }
    throw lite_error(code, text);
}

std::pair<std::string, std::string> lite_ddl_parser::object_name(bool for_write) {
    std::string a = name(ora_err::invalid_table_name, "invalid table name");
    std::string owner = user;
    if (op(".")) {
        owner = a;
        a = name(ora_err::invalid_table_name, "invalid table name");
    }
    if (for_write && owner != user)
        throw lite_error(ora_err::insufficient_privileges, "insufficient privileges");
    return {owner, a};
}

std::vector<std::string> lite_ddl_parser::name_list() {
    need_open();
    std::vector<std::string> r;
    do {
        r.push_back(name());
        if (word("ASC")) {
        } else {
            word("DESC");
        }
    } while (op(","));
    need_close();
    return r;
}

void lite_ddl_parser::skip_group() {
    int depth = 0;
    do {
        if (at_end())
            throw lite_error(ora_err::missing_right_parenthesis, "missing right parenthesis");
        if (t[i].is_op("(")) ++depth;
        if (t[i].is_op(")")) --depth;
        ++i;
    } while (depth > 0);
}

std::string lite_ddl_parser::raw(size_t b, size_t e) const {
    if (b >= e) return {};
    return src.substr(t[b].begin, t[e - 1].end_pos - t[b].begin);
}

int64_t lite_ddl_parser::to_int(const std::string& text) {
    int64_t v = 0;
    auto r = std::from_chars(text.data(), text.data() + text.size(), v);
    if (r.ec == std::errc::result_out_of_range)
        throw lite_error(ora_err::numeric_overflow, "numeric overflow");
    if (r.ec != std::errc() || r.ptr != text.data() + text.size()) {
        throw lite_error(ora_err::integer_required, "integer value required");
    }
    return v;
}

int lite_ddl_parser::to_small(const std::string& text) {
    int64_t v = to_int(text);
    if (v < -100000 || v > 100000) throw lite_error(ora_err::numeric_overflow, "numeric overflow");
    return static_cast<int>(v);
}

std::string lite_ddl_parser::bound() {
    bool neg = op("-");
    if (t[i].kind != lite_token::number)
        throw lite_error(ora_err::integer_required, "integer value required");
    std::string v = lite_canonical_number(t[i].text);
    if (v.find_first_not_of("0123456789") != std::string::npos)
        throw lite_error(ora_err::integer_required, "integer value required");
    ++i;
    return neg && v != "0" ? "-" + v : v;
}

int64_t lite_ddl_parser::number() {
    bool neg = op("-");
    if (t[i].kind != lite_token::number)
        throw lite_error(ora_err::integer_required, "integer value required");
    int64_t v = to_int(t[i].text);
    ++i;
    return neg ? -v : v;
}

void lite_ddl_parser::need_column(const std::vector<std::string>& have, const std::string& col) {
    if (std::find(have.begin(), have.end(), col) == have.end()) {
        throw lite_error(ora_err::invalid_identifier,
                         lite_quote_name(col) + ": invalid identifier");
    }
}

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
        need_word("REPLACE", 922, "missing or invalid option");
        replace = true;
    }
    while (word("FORCE") || word("NOFORCE") || word("EDITIONABLE") || word("NONEDITIONABLE") ||
           word("EDITIONING")) {
    }
    if (t[i].is("TABLE") || t[i].is("GLOBAL")) return parse_create_table();
    if (word("UNIQUE")) return parse_create_index(true);
    if (word("BITMAP")) return parse_create_index(false);
    if (t[i].is("INDEX")) return parse_create_index(false);
    if (word("SEQUENCE")) return parse_create_sequence();
    if (word("VIEW")) return parse_create_view(replace);
    if (word("TRIGGER")) return parse_create_trigger(replace);
    if (!replace && word("USER")) return parse_user(true);
    for (const char* ty : {"PROCEDURE", "FUNCTION", "PACKAGE", "TYPE", "LIBRARY"}) {
        if (word(ty)) {
            lite_store_source st;
            st.type = ty;
            if (st.type == "PACKAGE" || st.type == "TYPE") word("BODY");
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
    need_word("TABLE", 901, "invalid CREATE command");
    std::tie(st.owner, st.table) = object_name();
    try {
        if (word("AS") || t[i].is("OF")) throw lite_error(3001, "unimplemented feature");
        need_open();
        relational_items(st.columns, st.constraints);
        need_close();
        if (st.columns.empty()) throw lite_error(904, "invalid identifier");
        std::set<std::string> seen;
        for (auto& c : st.columns) {
            if (!seen.insert(c.name).second) throw lite_error(957, "duplicate column name");
        }
        while (!at_end()) {
            if (word("ORGANIZATION")) {
                if (word("INDEX"))
                    st.index_organized = true;
                else
                    ++i;
            } else if (t[i].is("AS")) {
                throw lite_error(3001, "unimplemented feature");
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
            word("VALIDATE");
            word("NOVALIDATE");
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
    need_word("INDEX", 901, "invalid CREATE command");
    std::tie(st.owner, st.index) = object_name();
    need_word("ON", 969, "missing ON keyword");
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
                throw lite_error(936, "missing expression");
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
                    throw lite_error(4002, "INCREMENT must be a non-zero integer");
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
                throw lite_error(933, "SQL command not properly ended");
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
    if (b >= q_end) throw lite_error(936, "missing expression");
    st.text = raw(b, e);
    st.query = raw(b, q_end);
    return st;
}

lite_comment lite_ddl_parser::parse_comment() {
    using kind = lite_comment::kind;
    lite_comment st;
    need_word("ON");
    if (word("TABLE")) {
        std::tie(st.owner, st.table) = object_name();
        need_word("IS");
        if (t[i].kind != lite_token::string) throw lite_error(1780, "string literal required");
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
        if (st.owner != user) throw lite_error(1031, "insufficient privileges");
        need_word("IS");
        if (t[i].kind != lite_token::string) throw lite_error(1780, "string literal required");
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
    for (auto [w, k] : {std::pair{"VIEW", kind::view}, std::pair{"INDEX", kind::index},
                        std::pair{"SEQUENCE", kind::sequence}, std::pair{"TRIGGER", kind::trigger},
                        std::pair{"PROCEDURE", kind::source}, std::pair{"FUNCTION", kind::source},
                        std::pair{"PACKAGE", kind::source}, std::pair{"TYPE", kind::source}}) {
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
        if (t[i].kind != lite_token::number) throw lite_error(2187, "invalid quota clause");
        std::string n = t[i++].text;
        int64_t unit = 1;
        if (t[i].kind == lite_token::ident && t[i].text.size() == 1) {
            const char u = t[i].text[0];
            unit = u == 'K' ? 1024 : u == 'M' ? 1024 * 1024 : u == 'G' ? 1024 * 1024 * 1024 : 0;
            if (unit == 0) throw lite_error(2187, "invalid quota clause");
            ++i;
        } else if (n.size() > 1 && std::isalpha(static_cast<unsigned char>(n.back()))) {
            const char u = static_cast<char>(std::toupper(static_cast<unsigned char>(n.back())));
            unit = u == 'K' ? 1024 : u == 'M' ? 1024 * 1024 : u == 'G' ? 1024 * 1024 * 1024 : 0;
            if (unit == 0) throw lite_error(2187, "invalid quota clause");
            n.pop_back();
        }
        bytes = to_int(n) * unit;
    }
    need_word("ON", 969, "missing ON keyword");
    std::string ts = name();
    if (!known_tablespace(ts)) throw lite_error(959, "tablespace '" + ts + "' does not exist");
    c.tablespace = ts;
    c.bytes = bytes;
    return c;
}

lite_user_ddl lite_ddl_parser::parse_user(bool creating) {
    using kind = lite_user_ddl::clause::kind;
    lite_user_ddl st;
    st.creating = creating;
    st.user = name(1935, "missing user or role name");
    try {
        if (!creating && at_end()) throw lite_error(922, "missing or invalid option");
        // A user identified externally has no password: it logs on only with external
        // credentials.
        bool identified = !creating;
        while (!at_end()) {
            if (word("IDENTIFIED")) {
                lite_user_ddl::clause c;
                c.what = kind::password;
                if (word("BY")) {
                    c.password = name(988, "missing or invalid password(s)");
                } else if (word("EXTERNALLY") || word("GLOBALLY")) {
                    if (word("AS")) ++i;
                } else {
                    throw lite_error(988, "missing or invalid password(s)");
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
                need_word("TABLESPACE", 922, "missing or invalid option");
                std::string ts = name();
                if (!known_tablespace(ts))
                    throw lite_error(959, "tablespace '" + ts + "' does not exist");
            } else if (word("PROFILE")) {
                name();
            } else if (word("PASSWORD")) {
                need_word("EXPIRE", 922, "missing or invalid option");
            } else if (word("ACCOUNT")) {
                lite_user_ddl::clause c;
                c.what = kind::lock;
                c.lock = word("LOCK");
                if (!c.lock) need_word("UNLOCK", 922, "missing or invalid option");
                st.clauses.push_back(std::move(c));
            } else {
                throw lite_error(922, "missing or invalid option");
            }
        }
        if (!identified) throw lite_error(1935, "missing user or role name");
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
            need_word("OF", 4071, "missing BEFORE, AFTER or INSTEAD OF keyword");
            st.timing = "INSTEAD OF";
        } else {
            throw lite_error(4071, "missing BEFORE, AFTER or INSTEAD OF keyword");
        }
        do {
            if (!(word("INSERT") || word("UPDATE") || word("DELETE")))
                throw lite_error(4072, "invalid trigger type");
            st.events += (st.events.empty() ? "" : " OR ") + t[i - 1].text;
            if (t[i - 1].is("UPDATE") && word("OF")) {
                do name();
                while (op(","));
            }
        } while (word("OR"));
        need_word("ON", 969, "missing ON keyword");
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
            need_word("EACH", 905);
            need_word("ROW", 905);
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
        if (at_end()) throw lite_error(4079, "invalid trigger definition");
        st.body = src.substr(t[i].begin);
        while (!st.body.empty() && std::isspace(static_cast<unsigned char>(st.body.back())))
            st.body.pop_back();
    } catch (...) {
        st.deferred = std::current_exception();
    }
    return st;
}

void lite_ddl_parser::need_word_op(const char* o) {
    if (!op(o)) throw lite_error(904, "invalid identifier");
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
    if (!op("(")) throw lite_error(906, "missing left parenthesis");
}

void lite_ddl_parser::need_close() {
    if (!op(")")) throw lite_error(907, "missing right parenthesis");
}

std::string lite_ddl_parser::name(int code, const char* text) {
    const lite_token& k = t[i];
    if (k.kind == lite_token::ident || k.kind == lite_token::quoted) {
        if (k.text.empty() || k.text.size() > 128) throw lite_error(972, "identifier is too long");
        ++i;
        return k.text;
    }
    throw lite_error(code, text);
}

std::pair<std::string, std::string> lite_ddl_parser::object_name(bool for_write) {
    std::string a = name(903, "invalid table name");
    std::string owner = user;
    if (op(".")) {
        owner = a;
        a = name(903, "invalid table name");
    }
    if (for_write && owner != user) throw lite_error(1031, "insufficient privileges");
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
        if (at_end()) throw lite_error(907, "missing right parenthesis");
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
    if (r.ec == std::errc::result_out_of_range) throw lite_error(1426, "numeric overflow");
    if (r.ec != std::errc() || r.ptr != text.data() + text.size()) {
        throw lite_error(2017, "integer value required");
    }
    return v;
}

int lite_ddl_parser::to_small(const std::string& text) {
    int64_t v = to_int(text);
    if (v < -100000 || v > 100000) throw lite_error(1426, "numeric overflow");
    return static_cast<int>(v);
}

std::string lite_ddl_parser::bound() {
    bool neg = op("-");
    if (t[i].kind != lite_token::number) throw lite_error(2017, "integer value required");
    std::string v = lite_canonical_number(t[i].text);
    if (v.find_first_not_of("0123456789") != std::string::npos)
        throw lite_error(2017, "integer value required");
    ++i;
    return neg && v != "0" ? "-" + v : v;
}

int64_t lite_ddl_parser::number() {
    bool neg = op("-");
    if (t[i].kind != lite_token::number) throw lite_error(2017, "integer value required");
    int64_t v = to_int(t[i].text);
    ++i;
    return neg ? -v : v;
}

void lite_ddl_parser::need_column(const std::vector<std::string>& have, const std::string& col) {
    if (std::find(have.begin(), have.end(), col) == have.end()) {
        throw lite_error(904, lite_quote_name(col) + ": invalid identifier");
    }
}

lite_coltype lite_ddl_parser::parse_type() {
    lite_coltype ty;
    std::string w = name(902, "invalid datatype");
    auto args = [&](std::vector<std::string>& out, std::string& sem) {
        if (!op("(")) return false;
        while (!t[i].is_op(")")) {
            if (at_end()) throw lite_error(907, "missing right parenthesis");
            if (t[i].kind == lite_token::number || t[i].is_op("*")) {
                out.push_back(t[i].text);
            } else if (t[i].is("CHAR") || t[i].is("BYTE")) {
                sem = t[i].text;
            } else if (t[i].is_op("-")) {
                // Only a number may follow: the end of the text must not be stepped over.
                if (peek().kind != lite_token::number) throw lite_error(902, "invalid datatype");
                out.push_back("-" + peek().text);
                ++i;
            } else if (!t[i].is_op(",")) {
                throw lite_error(902, "invalid datatype");
            }
            ++i;
        }
        ++i;
        return true;
    };
    std::vector<std::string> a;
    std::string sem;
    auto n_at = [&](size_t k, int def) {
        return k < a.size() && a[k] != "*" ? to_small(a[k]) : def;
    };
    if (w == "VARCHAR2" || w == "VARCHAR" || w == "NVARCHAR2" || w == "CHAR" || w == "NCHAR" ||
        w == "CHARACTER") {
        bool national = w[0] == 'N';
        bool fixed = w == "CHAR" || w == "NCHAR" || w == "CHARACTER";
        if (w == "CHARACTER" && word("VARYING")) fixed = false;
        args(a, sem);
        if (!fixed && a.empty()) throw lite_error(906, "missing left parenthesis");
        int n = n_at(0, 1);
        if (n < 1 || n > 32767) throw lite_error(910, "specified length too long for its datatype");
        ty.data_type = national ? (fixed ? "NCHAR" : "NVARCHAR2") : (fixed ? "CHAR" : "VARCHAR2");
        ty.char_length = n;
        if (national) {
            ty.data_length = 2LL * n;
            ty.char_used = "C";
        } else if (sem == "CHAR") {
            ty.data_length = std::min<int64_t>(4LL * n, fixed ? 2000 : 32767);
            ty.char_used = "C";
        } else {
            ty.data_length = n;
            ty.char_used = "B";
        }
    } else if (w == "NUMBER" || w == "DECIMAL" || w == "DEC" || w == "NUMERIC") {
        args(a, sem);
        ty.data_type = "NUMBER";
        ty.data_length = 22;
        if (!a.empty()) {
            if (a[0] != "*") ty.precision = to_small(a[0]);
            ty.scale = a.size() > 1 ? to_small(a[1]) : 0;
            if (ty.precision && (*ty.precision < 1 || *ty.precision > 38)) {
                throw lite_error(1727, "numeric precision specifier is out of range (1 to 38)");
            }
        } else if (w != "NUMBER") {
            ty.precision = 38;
            ty.scale = 0;
        }
    } else if (w == "INTEGER" || w == "INT" || w == "SMALLINT") {
        ty.data_type = "NUMBER";
        ty.data_length = 22;
        ty.scale = 0;
    } else if (w == "FLOAT" || w == "REAL" || w == "DOUBLE") {
        if (w == "DOUBLE") need_word("PRECISION", 902, "invalid datatype");
        args(a, sem);
        ty.data_type = "FLOAT";
        ty.data_length = 22;
        ty.precision = w == "REAL" ? 63 : n_at(0, 126);
    } else if (w == "DATE") {
        ty.data_type = "DATE";
        ty.data_length = 7;
    } else if (w == "TIMESTAMP") {
        args(a, sem);
        int p = n_at(0, 6);
        ty.scale = p;
        ty.data_type = "TIMESTAMP(" + std::to_string(p) + ")";
        ty.data_length = 11;
        if (word("WITH")) {
            bool local = word("LOCAL");
            need_word("TIME", 902, "invalid datatype");
            need_word("ZONE", 902, "invalid datatype");
            ty.data_type += local ? " WITH LOCAL TIME ZONE" : " WITH TIME ZONE";
            ty.data_length = local ? 11 : 13;
        }
    } else if (w == "INTERVAL") {
        if (word("YEAR")) {
            args(a, sem);
            need_word("TO", 902, "invalid datatype");
            need_word("MONTH", 902, "invalid datatype");
            ty.precision = n_at(0, 2);
            ty.scale = 0;
            ty.data_type = "INTERVAL YEAR(" + std::to_string(*ty.precision) + ") TO MONTH";
            ty.data_length = 5;
        } else if (word("DAY")) {
            args(a, sem);
            ty.precision = n_at(0, 2);
            need_word("TO", 902, "invalid datatype");
            need_word("SECOND", 902, "invalid datatype");
            a.clear();
            args(a, sem);
            ty.scale = n_at(0, 6);
            ty.data_type = "INTERVAL DAY(" + std::to_string(*ty.precision) + ") TO SECOND(" +
                           std::to_string(*ty.scale) + ")";
            ty.data_length = 11;
        } else {
            throw lite_error(902, "invalid datatype");
        }
    } else if (w == "LONG") {
        ty.data_type = word("RAW") ? "LONG RAW" : "LONG";
    } else if (w == "RAW") {
        args(a, sem);
        if (a.empty()) throw lite_error(906, "missing left parenthesis");
        ty.data_type = "RAW";
        ty.data_length = n_at(0, 1);
        if (ty.data_length < 1 || ty.data_length > 32767) {
            throw lite_error(910, "specified length too long for its datatype");
        }
    } else if (w == "CLOB" || w == "NCLOB" || w == "BLOB") {
        ty.data_type = w;
        ty.data_length = 4000;
    } else if (w == "BFILE") {
        ty.data_type = w;
        ty.data_length = 530;
    } else if (w == "BINARY_FLOAT" || w == "BINARY_DOUBLE") {
        ty.data_type = w;
        ty.data_length = w == "BINARY_FLOAT" ? 4 : 8;
    } else if (w == "ROWID") {
        ty.data_type = w;
        ty.data_length = 10;
    } else if (w == "UROWID") {
        args(a, sem);
        ty.data_type = w;
        ty.data_length = n_at(0, 4000);
    } else if (w == "XMLTYPE" || (w == "SYS" && op(".") && word("XMLTYPE"))) {
        ty.data_type = "XMLTYPE";
        ty.data_length = 2000;
    } else {
        throw lite_error(902, "invalid datatype");
    }
    return ty;
}

bool lite_ddl_parser::constraint_start() const {
    return t[i].is("CONSTRAINT") || t[i].is("PRIMARY") || t[i].is("UNIQUE") || t[i].is("FOREIGN") ||
           t[i].is("CHECK");
}

void lite_ddl_parser::constraint_state(lite_ddl_constraint& c) {
    while (true) {
        if (word("ENABLE")) {
            c.enabled = true;
        } else if (word("DISABLE")) {
            c.enabled = false;
        } else if (word("VALIDATE")) {
            c.validate = true;
        } else if (word("NOVALIDATE")) {
            c.validate = false;
        } else if (word("RELY") || word("NORELY") || word("DEFERRABLE")) {
        } else if (t[i].is("NOT") && peek().is("DEFERRABLE")) {
            i += 2;
        } else if (word("INITIALLY")) {
            if (!word("IMMEDIATE")) word("DEFERRED");
        } else if (word("USING")) {
            need_word("INDEX");
            if (t[i].is_op("(")) {
                skip_group();
            } else {
                while (!at_end() && !t[i].is_op(",") && !t[i].is_op(")") && !t[i].is("ENABLE") &&
                       !t[i].is("DISABLE") && !constraint_start()) {
                    if (t[i].is_op("(")) {
                        skip_group();
                    } else {
                        ++i;
                    }
                }
            }
        } else {
            return;
        }
    }
}

void lite_ddl_parser::references(lite_ddl_constraint& c) {
    auto [o, tb] = object_name(false);
    c.r_owner = o;
    c.r_table = tb;
    if (t[i].is_op("(")) c.r_columns = name_list();
    if (word("ON")) {
        need_word("DELETE");
        if (word("CASCADE")) {
            c.delete_rule = "CASCADE";
        } else {
            need_word("SET");
            need_word("NULL");
            c.delete_rule = "SET NULL";
        }
    }
}

std::string lite_ddl_parser::paren_text() {
    need_open();
    size_t b = i;
    int depth = 1;
    while (depth > 0) {
        if (at_end()) throw lite_error(907, "missing right parenthesis");
        if (t[i].is_op("(")) ++depth;
        if (t[i].is_op(")")) --depth;
        ++i;
    }
    return raw(b, i - 1);
}

lite_ddl_constraint lite_ddl_parser::table_constraint() {
    lite_ddl_constraint c;
    if (word("CONSTRAINT")) c.name = name();
    if (word("PRIMARY")) {
        need_word("KEY");
        c.type = 'P';
        c.columns = name_list();
    } else if (word("UNIQUE")) {
        c.type = 'U';
        c.columns = name_list();
    } else if (word("FOREIGN")) {
        need_word("KEY");
        c.type = 'R';
        c.columns = name_list();
        need_word("REFERENCES");
        references(c);
    } else if (word("CHECK")) {
        c.type = 'C';
        c.condition = paren_text();
    } else {
        throw lite_error(902, "invalid datatype");
    }
    constraint_state(c);
    return c;
}

lite_ddl_column lite_ddl_parser::column(std::vector<lite_ddl_constraint>& cons,
                                        bool type_optional) {
    lite_ddl_column col;
    col.name = name();
    if (type_optional && t[i].is("DROP") && peek().is("IDENTITY")) {
        i += 2;
        col.drop_identity = true;
        return col;
    }
    bool have_type =
        !(type_optional &&
          (at_end() || t[i].is("DEFAULT") || t[i].is("NOT") || t[i].is("NULL") ||
           t[i].is("GENERATED") || t[i].is("CONSTRAINT") || t[i].is_op(")") || t[i].is_op(",")));
    if (have_type) col.type = parse_type();
    while (!at_end() && !t[i].is_op(",") && !t[i].is_op(")")) {
        if (word("SORT") || word("VISIBLE") || word("INVISIBLE")) continue;
        if (word("DEFAULT")) {
            if (t[i].is("ON") && peek().is("NULL")) i += 2;
            size_t b = i;
            int depth = 0;
            while (!at_end()) {
                if (depth == 0 && (t[i].is_op(",") || t[i].is_op(")") || t[i].is("CONSTRAINT") ||
                                   t[i].is("NOT") || t[i].is("NULL") || t[i].is("PRIMARY") ||
                                   t[i].is("UNIQUE") || t[i].is("REFERENCES") || t[i].is("CHECK") ||
                                   t[i].is("ENABLE") || t[i].is("DISABLE"))) {
                    break;
                }
                if (t[i].is_op("(")) ++depth;
                if (t[i].is_op(")")) --depth;
                ++i;
            }
            col.default_text = raw(b, i);
            continue;
        }
        if (word("GENERATED")) {
            // GENERATED [ALWAYS | BY DEFAULT [ON NULL]] AS IDENTITY
            if (!word("ALWAYS") && word("BY")) {
                need_word("DEFAULT");
                if (word("ON")) need_word("NULL");
            }
            need_word("AS");
            need_word("IDENTITY");
            col.identity = true;
            if (op("(")) {
                while (!at_end() && !t[i].is_op(")")) {
                    if (word("START")) {
                        need_word("WITH");
                        if (word("LIMIT")) {
                            need_word("VALUE");
                            col.identity_limit_value = true;
                        } else {
                            col.identity_start = number();
                        }
                    } else if (word("INCREMENT")) {
                        need_word("BY");
                        col.identity_inc = number();
                    } else {
                        ++i;
                    }
                }
                need_close();
            }
            continue;
        }
        lite_ddl_constraint c;
        if (word("CONSTRAINT")) c.name = name();
        if (word("NOT")) {
            need_word("NULL");
            std::string cname = std::move(c.name);
            c = not_null_of(col.name);
            c.name = std::move(cname);
        } else if (word("NULL")) {
            col.explicit_null = true;
            continue;
        } else if (word("PRIMARY")) {
            need_word("KEY");
            c.type = 'P';
        } else if (word("UNIQUE")) {
            c.type = 'U';
        } else if (word("REFERENCES")) {
            c.type = 'R';
            references(c);
        } else if (word("CHECK")) {
            c.type = 'C';
            c.condition = paren_text();
        } else {
            throw lite_error(907, "missing right parenthesis");
        }
        c.columns = {col.name};
        constraint_state(c);
        cons.push_back(std::move(c));
    }
    return col;
}

void lite_ddl_parser::relational_items(std::vector<lite_ddl_column>& cols,
                                       std::vector<lite_ddl_constraint>& cons) {
    do {
        if (constraint_start()) {
            cons.push_back(table_constraint());
        } else {
            cols.push_back(column(cons));
        }
    } while (op(","));
}

lite_ddl_constraint lite_ddl_parser::not_null_of(const std::string& col) {
    lite_ddl_constraint nn;
    nn.type = 'C';
    nn.not_null = true;
    nn.columns = {col};
    nn.condition = lite_quote_name(col) + " IS NOT NULL";
    return nn;
}

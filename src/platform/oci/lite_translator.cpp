// Oracle SQL to SQLite SQL, token by token. The rewrite is deliberately local (no parse tree):
// every rule looks at a token and its neighbours, so what is not rewritten reaches SQLite as
// written and fails there with a mapped Oracle error.
#include <cstdint>
#include <cstring>

#include "platform/oci/lite_functions.h"
#include "platform/oci/lite_internal.h"

namespace {

bool is_name(const lite_token& t) { return t.kind == lite_token::ident || t.kind == lite_token::quoted; }

// Digits that matter in a numeric literal.
int significant_digits(const std::string& s) {
    int n = 0;
    bool started = false;
    for (char c : s) {
        if (c == 'e' || c == 'E') break;
        if (c >= '1' && c <= '9') started = true;
        if (started && c >= '0' && c <= '9') ++n;
    }
    return n;
}

struct emitter {
    const std::vector<lite_token>& t;
    const std::string& user;
    lite_translation* tr;  // null for expressions
    std::string out;
    int depth = 0;

    void put(const std::string& s) {
        if (!out.empty()) out += ' ';
        out += s;
    }

    void run(size_t b, size_t e) {
        for (size_t i = b; i < e; ++i) {
            const lite_token& k = t[i];
            auto at = [&](size_t j) -> const lite_token& { return j < e ? t[j] : t[e]; };
            if (is_name(k) && !(i > 0 && t[i - 1].is_op("."))) {
                // Sequences: [owner.]seq.NEXTVAL / CURRVAL
                if (at(i + 1).is_op(".") && is_name(at(i + 2)) && at(i + 3).is_op(".") &&
                    (at(i + 4).is("NEXTVAL") || at(i + 4).is("CURRVAL"))) {
                    put("LITE_SEQ(" + lite_quote_text(k.text) + "," + lite_quote_text(at(i + 2).text) +
                        ",'" + at(i + 4).text + "')");
                    i += 4;
                    continue;
                }
                if (at(i + 1).is_op(".") && (at(i + 2).is("NEXTVAL") || at(i + 2).is("CURRVAL"))) {
                    put("LITE_SEQ(" + lite_quote_text(user) + "," + lite_quote_text(k.text) + ",'" +
                        at(i + 2).text + "')");
                    i += 2;
                    continue;
                }
            }
            switch (k.kind) {
                case lite_token::end:
                    return;
                case lite_token::quoted:
                    if (k.text.empty()) throw lite_error(1741, "illegal zero-length identifier");
                    if (k.text == user && at(i + 1).is_op(".") && is_name(at(i + 2)) &&
                        !(i > 0 && t[i - 1].is_op("."))) {
                        put("main");  // the session's own schema is SQLite's main database
                    } else {
                        put(lite_quote_name(k.text));
                    }
                    break;
                case lite_token::string:
                    if (k.unterminated) throw lite_error(1756, "quoted string not properly terminated");
                    put(k.text.empty() ? "NULL" : lite_quote_text(k.text));
                    break;
                case lite_token::number: {
                    bool integral = k.text.find_first_of(".eE") == std::string::npos;
                    bool too_big = integral ? (k.text.size() > 18 && lite_canonical_number(k.text).size() > 18)
                                            : significant_digits(k.text) > 15;
                    put(too_big ? lite_quote_text(lite_canonical_number(k.text)) : k.text);
                    break;
                }
                case lite_token::bind:
                    put(":" + k.text);
                    break;
                case lite_token::op:
                    // A negative literal too wide for a double keeps its digits as text.
                    if (k.text == "-" && at(i + 1).kind == lite_token::number &&
                        (i == b || (t[i - 1].kind == lite_token::op && t[i - 1].text != ")"))) {
                        const std::string& num = at(i + 1).text;
                        bool integral = num.find_first_of(".eE") == std::string::npos;
                        bool too_big = integral ? (num.size() > 18 && lite_canonical_number(num).size() > 18)
                                                : significant_digits(num) > 15;
                        if (too_big) {
                            put(lite_quote_text("-" + lite_canonical_number(num)));
                            ++i;
                            break;
                        }
                    }
                    if (k.text == "(") ++depth;
                    if (k.text == ")") --depth;
                    put(k.text == "^=" ? "<>" : k.text);
                    break;
                case lite_token::ident:
                    i = ident(i, e, at);
                    break;
            }
        }
    }

    template <class At>
    size_t ident(size_t i, size_t e, At at) {
        const lite_token& k = t[i];
        bool after_dot = i > 0 && t[i - 1].is_op(".");
        if (!after_dot && at(i + 1).is_op(".") && is_name(at(i + 2))) {
            if (k.text == "SYS" || k.text == "PUBLIC") return i + 1;  // dictionary views live in TEMP
            if (k.text == "UTL_RAW" || k.text == "DBMS_LOB") {
                put(k.text + "_" + at(i + 2).text);
                return i + 2;
            }
            if (k.text == user) {
                put("main");
                return i;
            }
        }
        if (!after_dot && (k.text == "SYSDATE" || k.text == "SYSTIMESTAMP" || k.text == "CURRENT_DATE") &&
            !at(i + 1).is_op("(")) {
            put(k.text == "SYSTIMESTAMP" ? "SYSTIMESTAMP()" : "SYSDATE()");
            return i;
        }
        if (!after_dot && k.text == "USER" && !at(i + 1).is_op(".") && !at(i + 1).is_op("(")) {
            put(lite_quote_text(user));
            return i;
        }
        if (k.text == "MINUS") {
            put("EXCEPT");
            return i;
        }
        if ((k.text == "DATE" || k.text == "TIMESTAMP") && at(i + 1).kind == lite_token::string) {
            lite_datetime d;
            if (!lite_parse_iso(at(i + 1).text, d)) {
                throw lite_error(1861, "literal does not match format string");
            }
            put(lite_quote_text(lite_iso_text(d, k.text == "TIMESTAMP" && d.nanosecond ? 9 : 0)));
            return i + 1;
        }
        if (depth == 0 && k.text == "FOR" && at(i + 1).is("UPDATE")) {
            return e - 1;  // row locks mean nothing to a single-writer store
        }
        if (depth == 0 && tr && k.text == "RETURNING") {
            if (at(i + 1).is("ROWID") && at(i + 2).is("INTO") && at(i + 3).kind == lite_token::bind &&
                at(i + 4).kind == lite_token::end) {
                tr->returning_bind = at(i + 3).text;
                return e - 1;
            }
            throw lite_error(933, "SQL command not properly ended");
        }
        if (k.text == "UNIQUE" && i > 0 && t[i - 1].is("SELECT")) {
            put("DISTINCT");
            return i;
        }
        put(k.text);
        return i;
    }
};

lite_statement::kind kind_of(const std::vector<lite_token>& t, std::string& verb) {
    size_t i = 0;
    while (t[i].is_op("(")) ++i;
    verb = t[i].kind == lite_token::ident ? t[i].text : "";
    if (verb == "SELECT" || verb == "WITH") return lite_statement::kind::query;
    if (verb == "INSERT" || verb == "UPDATE" || verb == "DELETE") return lite_statement::kind::dml;
    if (verb == "ALTER" && t[1].is("SESSION")) return lite_statement::kind::other;
    if (verb == "CREATE" || verb == "ALTER" || verb == "DROP" || verb == "COMMENT" ||
        verb == "TRUNCATE" || verb == "GRANT" || verb == "REVOKE" || verb == "RENAME" ||
        verb == "ANALYZE" || verb == "PURGE") {
        return lite_statement::kind::ddl;
    }
    if (verb == "COMMIT" || verb == "ROLLBACK" || verb == "SAVEPOINT" || verb == "SET") {
        return lite_statement::kind::other;
    }
    throw lite_error(900, "invalid SQL statement");
}

}  // namespace

std::string lite_translate_tokens(const std::vector<lite_token>& t, size_t b, size_t e,
                                  const std::string& user) {
    emitter em{t, user, nullptr, {}, 0};
    em.run(b, e);
    return em.out;
}

lite_translation lite_translate(const std::string& oracle_sql, const std::string& user) {
    std::vector<lite_token> t = lite_tokenize(oracle_sql);
    size_t e = t.size() - 1;
    while (e > 0 && (t[e - 1].is_op(";") || t[e - 1].is_op("/"))) --e;
    t.erase(t.begin() + static_cast<std::ptrdiff_t>(e), t.end() - 1);
    lite_translation tr;
    if (t.size() == 1) throw lite_error(900, "invalid SQL statement");
    tr.kind = kind_of(t, tr.verb);
    if (tr.kind != lite_statement::kind::query && tr.kind != lite_statement::kind::dml) {
        tr.sql = oracle_sql;
        return tr;
    }
    for (const lite_token& k : t) {
        if (k.is_op(";")) throw lite_error(911, "invalid character");
    }
    if (tr.kind == lite_statement::kind::query && t[0].is("SELECT")) {
        size_t i = 1;
        if (t[i].is("DISTINCT") || t[i].is("ALL") || t[i].is("UNIQUE")) ++i;
        int depth = 0;
        bool item_start = true;
        for (; t[i].kind != lite_token::end; ++i) {
            if (depth == 0 && t[i].is("FROM")) break;
            if (item_start) {
                tr.item_functions.push_back(t[i].kind == lite_token::ident && t[i + 1].is_op("(")
                                                ? t[i].text
                                                : t[i].kind == lite_token::ident &&
                                                          (t[i].text == "SYSDATE" ||
                                                           t[i].text == "SYSTIMESTAMP")
                                                      ? t[i].text
                                                      : std::string());
                item_start = false;
            }
            if (t[i].is_op("(")) ++depth;
            if (t[i].is_op(")")) --depth;
            if (depth == 0 && t[i].is_op(",")) item_start = true;
            // Top-level arithmetic makes a number even when no row shows it.
            if (depth == 0 && t[i].kind == lite_token::op &&
                (t[i].text == "+" || t[i].text == "-" || t[i].text == "*" || t[i].text == "/") &&
                tr.item_functions.back().empty()) {
                tr.item_functions.back() = "ABS";
            }
        }
    }
    emitter em{t, user, &tr, {}, 0};
    em.run(0, t.size() - 1);
    tr.sql = em.out;
    return tr;
}

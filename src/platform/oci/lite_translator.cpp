// Oracle SQL to SQLite SQL, token by token. The rewrite is deliberately local (no parse tree):
// every rule looks at a token and its neighbours, so what is not rewritten reaches SQLite as
// written and fails there with a mapped Oracle error.
#include <cctype>
#include <cstdint>
#include <cstdlib>
#include <map>
#include <cstring>

#include "platform/oci/lite_functions.h"
#include "platform/oci/lite_internal.h"

namespace {

bool is_name(const lite_token& t) {
    return t.kind == lite_token::ident || t.kind == lite_token::quoted;
}

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

bool is_keyword(const std::string& w) {
    static const char* const k[] = {
        "SELECT",  "FROM",   "WHERE", "AND",  "OR",       "NOT",  "IN",     "EXISTS", "ON",
        "AS",      "BY",     "THEN",  "ELSE", "WHEN",     "CASE", "END",    "LIKE",   "IS",
        "BETWEEN", "HAVING", "UNION", "ALL",  "DISTINCT", "SET",  "VALUES", "INTO",   "ESCAPE"};
    for (const char* x : k) {
        if (w == x) return true;
    }
    return false;
}

// Output pieces with a rough class, enough to find the operands of "||":
// 'n' name, 'l' literal or complete call, '(' ')' '.' '|' and 'o' other operators, 'k' fixed text.
struct piece {
    std::string text;
    char kind;
};

char kind_of_piece(const std::string& s) {
    if (s == "(" || s == ")" || s == ".") return s[0];
    if (s == "||") return '|';
    unsigned char c = static_cast<unsigned char>(s[0]);
    if (c == '\'' || c == ':' || std::isdigit(c)) return 'l';
    if (c == '"' || std::isalpha(c) || c == '_' || c >= 0x80) return 'n';
    return 'o';
}

// Oracle's "||" treats NULL as an empty string, SQLite's yields NULL: every chain of "||" becomes
// LITE_CAT(a, b, ...). SQLite binds "||" tighter than any other binary operator, so its
// operands are single primaries, found here by matching brackets and CASE ... END.
class cat_rewriter {
public:
    explicit cat_rewriter(std::vector<piece>& p) : p_(p) {}

    void run() {
        while (true) {
            size_t best = deepest([this](size_t i) { return p_[i].kind == '|'; });
            if (best == p_.size()) return;
            if (!rewrite(best)) p_[best].kind = 'o';  // malformed: leave it to SQLite
        }
    }

    // Binary + and - become LITE_ADD / LITE_SUB, which add days to dates as Oracle does and
    // otherwise compute as SQLite would. Operands are multiplicative chains of primaries.
    void run_arith() {
        while (true) {
            size_t best = deepest([this](size_t i) {
                return p_[i].kind == 'o' && (p_[i].text == "+" || p_[i].text == "-") && i > 0 &&
                       operand_end(i - 1);
            });
            if (best == p_.size()) return;
            if (!rewrite_arith(best)) p_[best].kind = 'k';  // left to SQLite as written
        }
    }

private:
    // Brackets and CASE ... END nest alike.
    bool opens(size_t i) const {
        return p_[i].kind == '(' || (p_[i].kind == 'n' && p_[i].text == "CASE");
    }
    bool closes(size_t i) const {
        return p_[i].kind == ')' || (p_[i].kind == 'n' && p_[i].text == "END");
    }
    // The first of the most deeply nested pieces that `pick` accepts; p_.size() when none.
    template <class Pick>
    size_t deepest(Pick pick) const {
        int d = 0;
        size_t best = p_.size();
        int best_depth = -1;
        for (size_t i = 0; i < p_.size(); ++i) {
            if (opens(i)) ++d;
            if (closes(i)) --d;
            if (d > best_depth && pick(i)) {
                best = i;
                best_depth = d;
            }
        }
        return best;
    }
    bool name_at(size_t i) const { return i < p_.size() && p_[i].kind == 'n'; }
    bool mul_op(size_t i) const {
        return i < p_.size() && p_[i].kind == 'o' &&
               (p_[i].text == "*" || p_[i].text == "/" || p_[i].text == "%");
    }
    bool operand_end(size_t i) const {
        const piece& x = p_[i];
        return x.kind == 'l' || x.kind == ')' ||
               (x.kind == 'n' && (x.text == "END" || !is_keyword(x.text)));
    }
    bool rewrite_arith(size_t op) {
        size_t s = left_start(op - 1);
        if (s == p_.size()) return false;
        while (s >= 2 && mul_op(s - 1)) {
            size_t s2 = left_start(s - 2);
            if (s2 == p_.size()) return false;
            s = s2;
        }
        if (s >= 1 && p_[s - 1].kind == 'o' && (p_[s - 1].text == "-" || p_[s - 1].text == "+") &&
            !(s >= 2 && operand_end(s - 2))) {
            --s;
        }
        size_t e = right_end(op + 1);
        if (e == 0) return false;
        while (mul_op(e)) {
            size_t e2 = right_end(e + 1);
            if (e2 == 0) return false;
            e = e2;
        }
        std::string call = std::string(p_[op].text == "+" ? "LITE_ADD(" : "LITE_SUB(") +
                           join(s, op) + ", " + join(op + 1, e) + ")";
        p_.erase(p_.begin() + static_cast<std::ptrdiff_t>(s) + 1,
                 p_.begin() + static_cast<std::ptrdiff_t>(e));
        p_[s] = {call, 'l'};
        return true;
    }

    size_t match_back(size_t j, char open, char close) const {
        int n = 0;
        for (size_t k = j + 1; k-- > 0;) {
            if (p_[k].kind == close) ++n;
            if (p_[k].kind == open && --n == 0) return k;
        }
        return p_.size();
    }
    size_t match_fwd(size_t j) const {
        int n = 0;
        for (size_t k = j; k < p_.size(); ++k) {
            if (opens(k)) ++n;
            if (closes(k) && --n == 0) return k;
        }
        return p_.size();
    }
    // First piece of the operand that ends at j; p_.size() when there is none.
    size_t left_start(size_t j) const {
        if (j >= p_.size()) return p_.size();
        size_t s = j;
        if (p_[j].kind == ')') {
            s = match_back(j, '(', ')');
            if (s == p_.size()) return s;
            if (s > 0 && name_at(s - 1) && !is_keyword(p_[s - 1].text)) --s;
        } else if (p_[j].kind == 'n' && p_[j].text == "END") {
            int n = 0;
            for (size_t k = j + 1; k-- > 0;) {
                if (p_[k].kind == 'n' && p_[k].text == "END") ++n;
                if (p_[k].kind == 'n' && p_[k].text == "CASE" && --n == 0) return k;
            }
            return p_.size();
        } else if (p_[j].kind == 'n') {
            if (is_keyword(p_[j].text)) return p_.size();
        } else if (p_[j].kind != 'l') {
            return p_.size();
        }
        while (s >= 2 && p_[s - 1].kind == '.' && name_at(s - 2)) s -= 2;
        return s;
    }
    // One past the last piece of the operand that starts at j; 0 when there is none.
    size_t right_end(size_t j) const {
        size_t k = j;
        if (k < p_.size() && p_[k].kind == 'o' && (p_[k].text == "-" || p_[k].text == "+")) ++k;
        if (k >= p_.size()) return 0;
        if (opens(k)) {
            size_t e = match_fwd(k);
            return e == p_.size() ? 0 : e + 1;
        }
        if (p_[k].kind == 'l') return k + 1;
        if (p_[k].kind != 'n' || is_keyword(p_[k].text)) return 0;
        ++k;
        while (k + 1 < p_.size() && p_[k].kind == '.' && name_at(k + 1)) k += 2;
        if (k < p_.size() && p_[k].kind == '(') {
            size_t e = match_fwd(k);
            return e == p_.size() ? 0 : e + 1;
        }
        return k;
    }
    std::string join(size_t b, size_t e) const {
        std::string r;
        for (size_t k = b; k < e; ++k) {
            if (!r.empty()) r += ' ';
            r += p_[k].text;
        }
        return r;
    }
    bool rewrite(size_t bar) {
        if (bar == 0) return false;
        size_t start = left_start(bar - 1);
        if (start == p_.size()) return false;
        std::string call = "LITE_CAT(" + join(start, bar);
        size_t k = bar;
        while (k < p_.size() && p_[k].kind == '|') {
            size_t e = right_end(k + 1);
            if (e == 0) return false;
            call += ", " + join(k + 1, e);
            k = e;
        }
        call += ")";
        p_.erase(p_.begin() + static_cast<std::ptrdiff_t>(start) + 1,
                 p_.begin() + static_cast<std::ptrdiff_t>(k));
        p_[start] = {call, 'l'};
        return true;
    }

    std::vector<piece>& p_;
};

struct emitter {
    const std::vector<lite_token>& t;
    const std::string& user;
    lite_translation* tr;  // null for expressions
    std::vector<piece> pieces;
    int depth = 0;
    std::map<size_t, std::string> alias_after;  // token index -> Oracle's name for the item

    void put(const std::string& s) { pieces.push_back({s, kind_of_piece(s)}); }
    void put_fixed(const std::string& s) { pieces.push_back({s, 'k'}); }

    std::string text() {
        cat_rewriter rw(pieces);
        rw.run();
        rw.run_arith();
        std::string out;
        for (const piece& p : pieces) {
            if (!out.empty()) out += ' ';
            out += p.text;
        }
        return out;
    }

    void run(size_t b, size_t e) {
        for (size_t i = b; i < e; ++i) {
            const lite_token& k = t[i];
            auto at = [&](size_t j) -> const lite_token& { return j < e ? t[j] : t[e]; };
            if (is_name(k) && !(i > 0 && t[i - 1].is_op("."))) {
                // Sequences: [owner.]seq.NEXTVAL / CURRVAL
                if (at(i + 1).is_op(".") && is_name(at(i + 2)) && at(i + 3).is_op(".") &&
                    (at(i + 4).is("NEXTVAL") || at(i + 4).is("CURRVAL"))) {
                    put("LITE_SEQ(" + lite_quote_text(k.text) + "," +
                        lite_quote_text(at(i + 2).text) + ",'" + at(i + 4).text + "')");
                    i += 4;
                    if (!alias_after.empty()) {
                        for (size_t k = i - 4; k <= i; ++k) add_alias(k);
                    }
                    continue;
                }
                if (at(i + 1).is_op(".") && (at(i + 2).is("NEXTVAL") || at(i + 2).is("CURRVAL"))) {
                    put("LITE_SEQ(" + lite_quote_text(user) + "," + lite_quote_text(k.text) + ",'" +
                        at(i + 2).text + "')");
                    i += 2;
                    if (!alias_after.empty()) {
                        for (size_t k = i - 2; k <= i; ++k) add_alias(k);
                    }
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
                    if (k.unterminated)
                        throw lite_error(1756, "quoted string not properly terminated");
                    put(k.text.empty() ? "NULL" : lite_quote_text(k.text));
                    break;
                case lite_token::number: {
                    bool integral = k.text.find_first_of(".eE") == std::string::npos;
                    bool too_big =
                        integral ? (k.text.size() > 18 && lite_canonical_number(k.text).size() > 18)
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
                        bool too_big =
                            integral ? (num.size() > 18 && lite_canonical_number(num).size() > 18)
                                     : significant_digits(num) > 15;
                        if (too_big) {
                            put(lite_quote_text("-" + lite_canonical_number(num)));
                            ++i;
                            break;
                        }
                    }
                    if (k.text == "(") ++depth;
                    if (k.text == ")") --depth;
                    if (k.text == "/") {
                        // Oracle divides exactly; SQLite divides integers as integers.
                        put("*");
                        put("1.0");
                    }
                    put(k.text == "^=" ? "<>" : k.text);
                    break;
                case lite_token::ident: {
                    size_t from = i;
                    i = ident(i, e, at);
                    for (size_t k = from; k < i && !alias_after.empty(); ++k) add_alias(k);
                    break;
                }
            }
            if (!alias_after.empty()) add_alias(i);
        }
    }

    void add_alias(size_t i) {
        auto it = alias_after.find(i);
        if (it == alias_after.end()) return;
        put_fixed("AS");
        put_fixed(lite_quote_name(it->second));
        alias_after.erase(it);
    }

    template <class At>
    size_t ident(size_t i, size_t e, At at) {
        const lite_token& k = t[i];
        bool after_dot = i > 0 && t[i - 1].is_op(".");
        if (!after_dot && at(i + 1).is_op(".") && is_name(at(i + 2))) {
            if (k.text == "SYS" || k.text == "PUBLIC")
                return i + 1;  // dictionary views live in TEMP
            if (k.text == "UTL_RAW" || k.text == "DBMS_LOB") {
                put(k.text + "_" + at(i + 2).text);
                return i + 2;
            }
            if (k.text == user) {
                put("main");
                return i;
            }
        }
        if (!after_dot &&
            (k.text == "SYSDATE" || k.text == "SYSTIMESTAMP" || k.text == "CURRENT_DATE") &&
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
            if (at(i + 1).is("ROWID") && at(i + 2).is("INTO") &&
                at(i + 3).kind == lite_token::bind && at(i + 4).kind == lite_token::end) {
                tr->returning_bind = at(i + 3).text;
                return e - 1;
            }
            throw lite_error(933, "SQL command not properly ended");
        }
        if (k.text == "UNIQUE" && i > 0 && t[i - 1].is("SELECT")) {
            put("DISTINCT");
            return i;
        }
        // '#' is legal in an Oracle name but opens a parameter in SQLite: such names go quoted.
        put(k.text.find('#') == std::string::npos ? k.text : lite_quote_name(k.text));
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

// "WHERE ROWNUM <= n" (also "<" and "=", alone or joined by AND) on a query without ORDER BY,
// GROUP BY or set operators is a row limit: the condition becomes 1 = 1 and the query gets
// LIMIT. Where Oracle would number rows before sorting or grouping, nothing is rewritten.
std::string rownum_limit(std::vector<lite_token>& t) {
    if (!t[0].is("SELECT")) return {};
    int depth = 0;
    size_t where = 0, hit = 0;
    for (size_t i = 0; t[i].kind != lite_token::end; ++i) {
        if (t[i].is_op("(")) ++depth;
        if (t[i].is_op(")")) --depth;
        if (depth != 0) continue;
        if (t[i].is("ORDER") || t[i].is("GROUP") || t[i].is("UNION") || t[i].is("MINUS") ||
            t[i].is("INTERSECT") || t[i].is("HAVING") || t[i].is("CONNECT") || t[i].is("OR")) {
            return {};
        }
        if (t[i].is("WHERE")) where = i;
        if (where && t[i].is("ROWNUM") && (t[i - 1].is("WHERE") || t[i - 1].is("AND")) &&
            i + 3 < t.size() && t[i + 2].kind == lite_token::number &&
            (t[i + 3].kind == lite_token::end || t[i + 3].is("AND") || t[i + 3].is("FOR"))) {
            if (hit) return {};
            hit = i;
        }
    }
    if (!hit) return {};
    const std::string& op = t[hit + 1].text;
    long long n = std::atoll(t[hit + 2].text.c_str());
    if (t[hit + 2].text.find_first_of(".eE") != std::string::npos || n < 0) return {};
    long long limit;
    if (op == "<=") {
        limit = n;
    } else if (op == "<") {
        limit = n > 0 ? n - 1 : 0;
    } else if (op == "=") {
        limit = n == 1 ? 1 : 0;
    } else {
        return {};
    }
    t[hit].kind = lite_token::number;
    t[hit].text = "1";
    t[hit + 1].text = "=";
    t[hit + 2].text = "1";
    return " LIMIT " + std::to_string(limit);
}

bool outer_mark(const std::vector<lite_token>& t, size_t i) {
    return i + 2 < t.size() && t[i].is_op("(") && t[i + 1].is_op("+") && t[i + 2].is_op(")");
}

// Oracle's old outer-join marker: "FROM a, b WHERE a.id = b.a_id(+)" becomes
// "FROM a LEFT JOIN b ON a.id = b.a_id". Only the plain form is rewritten: one query level,
// a FROM list of tables with aliases, WHERE conditions joined by AND, and each marked column
// written as alias.column. Returns "" when the statement is not of that form.
std::string outer_joins(const std::string& sql, const std::vector<lite_token>& t) {
    auto raw = [&](size_t b, size_t e) {
        return b < e ? sql.substr(t[b].begin, t[e - 1].end_pos - t[b].begin) : std::string();
    };
    if (!t[0].is("SELECT")) return {};
    size_t from = 0, where = 0, tail = t.size() - 1;
    int depth = 0;
    for (size_t i = 0; t[i].kind != lite_token::end; ++i) {
        if (t[i].is_op("(")) ++depth;
        if (t[i].is_op(")")) --depth;
        if (depth != 0) continue;
        if (!from && t[i].is("FROM")) from = i;
        if (from && !where && t[i].is("WHERE")) where = i;
        if (where && i > where &&
            (t[i].is("GROUP") || t[i].is("ORDER") || t[i].is("HAVING") || t[i].is("UNION") ||
             t[i].is("MINUS") || t[i].is("INTERSECT") || t[i].is("FOR") || t[i].is("CONNECT"))) {
            tail = i;
            break;
        }
        if (where && (t[i].is("OR") || t[i].is("BETWEEN"))) return {};
        if (from && !where && (t[i].is("JOIN") || t[i].is("ON"))) return {};
    }
    if (!from || !where) return {};
    // The FROM list: [owner.]table [alias] items.
    struct item {
        size_t b, e;
        std::string alias;
        bool optional = false;
        std::vector<std::string> on;
    };
    std::vector<item> items;
    size_t b = from + 1;
    for (size_t i = from + 1; i <= where; ++i) {
        if (i == where || t[i].is_op(",")) {
            if (i == b) return {};
            for (size_t k = b; k < i; ++k) {
                if (!(t[k].kind == lite_token::ident || t[k].kind == lite_token::quoted ||
                      t[k].is_op("."))) {
                    return {};
                }
            }
            items.push_back({b, i, t[i - 1].text, false, {}});
            b = i + 1;
        }
    }
    // WHERE conditions; those with a marker move into the ON clause of the marked table.
    std::vector<std::string> keep;
    size_t c = where + 1;
    depth = 0;
    for (size_t i = where + 1; i <= tail; ++i) {
        if (i < tail && t[i].is_op("(")) ++depth;
        if (i < tail && t[i].is_op(")")) --depth;
        if (i == tail || (depth == 0 && t[i].is("AND"))) {
            std::string alias, text;
            size_t last = c;
            for (size_t k = c; k < i; ++k) {
                if (!outer_mark(t, k)) continue;
                if (k < 3 || !t[k - 2].is_op(".")) return {};
                const std::string& a = t[k - 3].text;
                if (!alias.empty() && alias != a) return {};
                alias = a;
                text += raw(last, k) + " ";
                last = k + 3;
            }
            text += raw(last, i);
            if (alias.empty()) {
                keep.push_back(raw(c, i));
            } else {
                bool found = false;
                for (item& it : items) {
                    if (it.alias == alias) {
                        it.optional = true;
                        it.on.push_back(text);
                        found = true;
                    }
                }
                if (!found) return {};
            }
            c = i + 1;
        }
    }
    std::string out = raw(0, from + 1) + " ";
    bool first = true;
    for (const item& it : items) {
        if (it.optional) continue;
        out += (first ? "" : ", ") + raw(it.b, it.e);
        first = false;
    }
    if (first) return {};
    for (const item& it : items) {
        if (!it.optional) continue;
        out += " LEFT JOIN " + raw(it.b, it.e) + " ON ";
        for (size_t k = 0; k < it.on.size(); ++k) out += (k ? " AND " : "") + it.on[k];
    }
    if (!keep.empty()) {
        out += " WHERE ";
        for (size_t k = 0; k < keep.size(); ++k) out += (k ? " AND " : "") + keep[k];
    }
    if (tail < t.size() - 1) out += " " + sql.substr(t[tail].begin);
    return out;
}

}  // namespace

std::string lite_translate_tokens(const std::vector<lite_token>& t, size_t b, size_t e,
                                  const std::string& user) {
    emitter em{t, user, nullptr, {}, 0, {}};
    em.run(b, e);
    return em.text();
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
    if (tr.kind == lite_statement::kind::query) {
        for (size_t i = 0; i + 2 < t.size(); ++i) {
            if (!outer_mark(t, i)) continue;
            std::string joined = outer_joins(oracle_sql, t);
            if (joined.empty()) throw lite_error(1719, "outer join operator (+) not allowed here");
            return lite_translate(joined, user);
        }
    }
    std::map<size_t, std::string> aliases;
    if (tr.kind == lite_statement::kind::query && t[0].is("SELECT")) {
        size_t i = 1;
        size_t item_begin = 0;
        bool item_cat = false;
        // An unnamed item rewritten for "||" keeps the name Oracle gives it.
        auto close_item = [&](size_t end) {
            if (!item_cat || end <= item_begin) return;
            const lite_token& last = t[end - 1];
            const lite_token& before = t[end - 2 >= item_begin ? end - 2 : item_begin];
            bool named = (last.kind == lite_token::ident || last.kind == lite_token::quoted) &&
                         !last.is("END") && end - 1 > item_begin &&
                         (before.is("AS") || before.kind == lite_token::ident ||
                          before.kind == lite_token::quoted || before.kind == lite_token::string ||
                          before.kind == lite_token::number || before.is_op(")"));
            if (named) return;
            std::string raw =
                oracle_sql.substr(t[item_begin].begin, last.end_pos - t[item_begin].begin);
            std::string name;
            bool lit = false;
            for (char c : raw) {
                if (c == '\'') lit = !lit;
                if (!lit && std::isspace(static_cast<unsigned char>(c))) continue;
                name += lit ? c : static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
            }
            aliases[end - 1] = name;
        };
        if (t[i].is("DISTINCT") || t[i].is("ALL") || t[i].is("UNIQUE")) ++i;
        int depth = 0;
        bool item_start = true;
        for (; t[i].kind != lite_token::end; ++i) {
            if (depth == 0 && t[i].is("FROM")) break;
            if (depth == 0 && t[i].is_op(",")) {
                close_item(i);
                item_cat = false;
            }
            if (t[i].is_op("/") || t[i].is_op("+") || t[i].is_op("-")) {
                item_cat = true;  // rewritten too: keep Oracle's name
            }
            if (t[i].is_op("||")) {
                item_cat = true;
                if (!tr.item_functions.empty() && depth == 0) tr.item_functions.back() = "CONCAT";
            }
            if (item_start) {
                item_begin = i;
                tr.item_functions.push_back(
                    t[i].kind == lite_token::ident && t[i + 1].is_op("(") ? t[i].text
                    : t[i].kind == lite_token::ident &&
                            (t[i].text == "SYSDATE" || t[i].text == "SYSTIMESTAMP")
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
                tr.item_functions.back() = "ARITH";
            }
        }
        if (t[i].kind != lite_token::end || i > 1) close_item(i);
    }
    std::string limit = rownum_limit(t);
    emitter em{t, user, &tr, {}, 0, std::move(aliases)};
    em.run(0, t.size() - 1);
    tr.sql = em.text() + limit;
    return tr;
}

#include "sql/lite_parser.h"

#include <algorithm>
#include <cctype>

#include "lite_engine.h"

namespace {

// Oracle's reserved words, plus the keywords that open a clause: none of them is taken for an
// alias, so "FROM t WHERE" never reads WHERE as the alias of t.
bool reserved(std::string_view w) {
    static const char* const k[] = {"ALL",       "ALTER",     "AND",
                                    "ANY",       "AS",        "ASC",
                                    "BETWEEN",   "BY",        "CHECK",
                                    "CONNECT",   "CREATE",    "CROSS",
                                    "DEFAULT",   "DELETE",    "DESC",
                                    "DISTINCT",  "DROP",      "ELSE",
                                    "END",       "EXCEPT",    "EXISTS",
                                    "FETCH",     "FOR",       "FROM",
                                    "FULL",      "GRANT",     "GROUP",
                                    "HAVING",    "IN",        "INNER",
                                    "INSERT",    "INTERSECT", "INTO",
                                    "IS",        "JOIN",      "LEFT",
                                    "LIKE",      "MINUS",     "NATURAL",
                                    "NOT",       "NULL",      "OF",
                                    "OFFSET",    "ON",        "OR",
                                    "ORDER",     "OUTER",     "PRIOR",
                                    "RETURN",    "RETURNING", "RIGHT",
                                    "SELECT",    "SET",       "START",
                                    "THEN",      "UNION",     "UNIQUE",
                                    "UPDATE",    "USING",     "VALUES",
                                    "WHEN",      "WHERE",     "WITH",
                                    "WINDOW",    "MODEL",     "PIVOT",
                                    "UNPIVOT",   "LOG",       "CONNECT_BY_ROOT",
                                    "PARTITION", "SAMPLE",    "NOCYCLE"};
    for (const char* x : k) {
        if (w == x) return true;
    }
    return false;
}

// Nesting beyond this is refused (ORA-01436-like depth errors are better than a stack overflow).
constexpr int k_max_depth = 200;

bool is_aggregate_name(const std::string& n) {
    return n == "COUNT" || n == "SUM" || n == "AVG" || n == "MIN" || n == "MAX" || n == "LISTAGG" ||
           n == "STDDEV" || n == "VARIANCE";
}

}  // namespace

std::string lite_expr::dotted() const {
    std::string r;
    for (const std::string& p : path) {
        if (!r.empty()) r += '.';
        r += p;
    }
    return r;
}

lite_query_block& lite_query::first_block() {
    lite_query* q = this;
    while (!q->block) q = q->left.get();
    return *q->block;
}

const lite_query_block& lite_query::first_block() const {
    const lite_query* q = this;
    while (!q->block) q = q->left.get();
    return *q->block;
}

lite_parser::lite_parser(std::string_view sql) : src_(sql), t_(lite_tokenize(sql)) {
    size_t e = t_.size() - 1;
    while (e > 0 && (t_[e - 1].is_op(";") || t_[e - 1].is_op("/"))) --e;
    t_.erase(t_.begin() + static_cast<std::ptrdiff_t>(e), t_.end() - 1);
    for (const lite_token& k : t_) {
        if (k.unterminated && k.kind == lite_token::string) {
            throw lite_error(1756, "quoted string not properly terminated");
        }
        if (k.unterminated && k.kind == lite_token::quoted) {
            throw lite_error(1740, "missing double quote in identifier");
        }
    }
}

// ------------------------------------------------------------------------------ tokens

const lite_token& lite_parser::peek(size_t k) const {
    return t_[std::min(i_ + k, t_.size() - 1)];
}

bool lite_parser::word(std::string_view w) {
    if (t_[i_].is(w)) {
        ++i_;
        return true;
    }
    return false;
}

bool lite_parser::op(std::string_view o) {
    if (t_[i_].is_op(o)) {
        ++i_;
        return true;
    }
    return false;
}

void lite_parser::fail_here(int code, const char* text) const {
    // A statement cut short reads as "unexpected end" where nothing more specific applies.
    if (at_end() && code == 933) throw lite_error(921, "unexpected end of SQL command");
    throw lite_error(code, text);
}

void lite_parser::need_word(std::string_view w, int code, const char* text) {
    if (!word(w)) fail_here(code, text);
}

void lite_parser::need_op(std::string_view o) {
    if (op(o)) return;
    if (o == ")") fail_here(907, "missing right parenthesis");
    if (o == "(") fail_here(906, "missing left parenthesis");
    if (o == ",") fail_here(917, "missing comma");
    if (o == "=") fail_here(927, "missing equal sign");
    fail_here(933, "SQL command not properly ended");
}

void lite_parser::need_end() {
    if (at_end()) return;
    if (cur().is_op(";")) throw lite_error(911, "invalid character");
    if (cur().is_op(")")) throw lite_error(907, "missing right parenthesis");
    throw lite_error(933, "SQL command not properly ended");
}

bool lite_parser::is_name() const {
    return cur().kind == lite_token::ident || cur().kind == lite_token::quoted;
}

std::string lite_parser::name(int code, const char* text) {
    const lite_token& k = cur();
    if (k.kind == lite_token::quoted) {
        if (k.text.empty()) throw lite_error(1741, "illegal zero-length identifier");
        ++i_;
        return k.text;
    }
    if (k.kind == lite_token::ident) {
        ++i_;
        return k.text;
    }
    fail_here(code, text);
}

bool lite_parser::alias_follows() const {
    if (cur().kind == lite_token::quoted) return true;
    return cur().kind == lite_token::ident && !reserved(cur().text);
}

std::string lite_parser::take_alias() {
    if (word("AS")) return name();
    if (alias_follows()) return name();
    return {};
}

lite_expr_ptr lite_parser::node(lite_expr::kind_t k, size_t begin) {
    auto e = std::make_unique<lite_expr>();
    e->kind = k;
    e->begin = begin;
    return e;
}

void lite_parser::close(lite_expr& e) {
    e.end = i_ > 0 ? t_[i_ - 1].end_pos : e.begin;
}

std::string lite_parser::verb() const {
    size_t k = 0;
    while (t_[k].is_op("(")) ++k;
    return t_[k].kind == lite_token::ident ? t_[k].text : std::string();
}

// ------------------------------------------------------------------------------ statements

lite_query_ptr lite_parser::query_statement() {
    lite_query_ptr q = query();
    if (word("FOR")) {
        need_word("UPDATE");
        q->for_update = true;
        if (word("OF")) {
            do {
                std::vector<std::string> path{name()};
                while (op(".")) path.push_back(name());
                q->for_update_of.push_back(std::move(path));
            } while (op(","));
        }
        if (word("WAIT")) {
            if (cur().kind != lite_token::number)
                fail_here(30005, "missing or invalid WAIT interval");
            ++i_;
        } else if (word("SKIP")) {
            need_word("LOCKED");
        } else {
            word("NOWAIT");
        }
    }
    need_end();
    return q;
}

lite_expr_ptr lite_parser::expression_statement() {
    if (at_end()) throw lite_error(936, "missing expression");
    lite_expr_ptr e = expr();
    need_end();
    return e;
}

lite_query_ptr lite_parser::query() {
    if (++depth_ > k_max_depth) throw lite_error(1436, "nesting too deep");
    std::vector<lite_with_item> with;
    if (word("WITH")) {
        do {
            lite_with_item w;
            w.name = name();
            if (op("(")) {
                do {
                    w.columns.push_back(name());
                } while (op(","));
                need_op(")");
            }
            need_word("AS");
            need_op("(");
            w.query = query();
            need_op(")");
            with.push_back(std::move(w));
        } while (op(","));
    }
    lite_query_ptr q = set_expression();
    order_tail(*q);
    if (!with.empty()) {
        for (auto& w : q->with) with.push_back(std::move(w));
        q->with = std::move(with);
    }
    --depth_;
    return q;
}

void lite_parser::order_tail(lite_query& q) {
    if (cur().is("ORDER") && peek().is("BY")) {
        i_ += 2;
        if (!q.order_by.empty()) fail_here(933, "SQL command not properly ended");
        q.order_by = order_list();
    }
    if (word("OFFSET")) {
        q.offset = expr();
        if (!word("ROWS")) need_word("ROW");
    }
    if (word("FETCH")) {
        if (!word("FIRST")) need_word("NEXT");
        if (cur().is("ROW") || cur().is("ROWS")) {
            auto one = node(lite_expr::number, cur().begin);
            one->text = "1";
            q.fetch = std::move(one);
        } else {
            q.fetch = expr();
            if (word("PERCENT")) throw lite_error(3001, "unimplemented feature");
        }
        if (!word("ROWS")) need_word("ROW");
        if (word("WITH")) {
            need_word("TIES");
            throw lite_error(3001, "unimplemented feature");
        }
        need_word("ONLY");
    }
}

lite_query_ptr lite_parser::set_expression() {
    lite_query_ptr left = query_term();
    while (true) {
        std::string op_name;
        if (word("UNION")) {
            op_name = word("ALL") ? "UNION ALL" : "UNION";
        } else if (word("MINUS") || word("EXCEPT")) {
            op_name = "MINUS";
        } else if (word("INTERSECT")) {
            op_name = "INTERSECT";
        } else {
            return left;
        }
        auto q = std::make_unique<lite_query>();
        q->set_op = op_name;
        q->left = std::move(left);
        q->right = query_term();
        left = std::move(q);
    }
}

lite_query_ptr lite_parser::query_term() {
    if (op("(")) {
        lite_query_ptr q = query();
        need_op(")");
        return q;
    }
    auto q = std::make_unique<lite_query>();
    q->block = query_block();
    return q;
}

std::unique_ptr<lite_query_block> lite_parser::query_block() {
    if (!word("SELECT")) {
        if (at_end()) throw lite_error(921, "unexpected end of SQL command");
        throw lite_error(928, "missing SELECT keyword");
    }
    auto b = std::make_unique<lite_query_block>();
    if (word("DISTINCT") || word("UNIQUE")) {
        b->distinct = true;
    } else {
        word("ALL");
    }
    do {
        select_item(*b);
    } while (op(","));
    if (!word("FROM")) fail_here(923, "FROM keyword not found where expected");
    do {
        b->from.push_back(table_reference());
    } while (op(","));
    while (true) {
        if (word("WHERE")) {
            if (b->where) fail_here(933, "SQL command not properly ended");
            b->where = expr();
        } else if (cur().is("START") && peek().is("WITH")) {
            i_ += 2;
            expr();
            b->hierarchical = true;
        } else if (cur().is("CONNECT") && peek().is("BY")) {
            i_ += 2;
            word("NOCYCLE");
            expr();
            b->hierarchical = true;
        } else if (cur().is("GROUP") && peek().is("BY")) {
            i_ += 2;
            group_by(*b);
        } else if (word("HAVING")) {
            b->having = expr();
        } else {
            break;
        }
    }
    return b;
}

void lite_parser::select_item(lite_query_block& b) {
    lite_select_item it;
    size_t begin = cur().begin;
    if (cur().is_op("*")) {
        ++i_;
        it.expr = node(lite_expr::star, begin);
        close(*it.expr);
        b.items.push_back(std::move(it));
        return;
    }
    // t.* and owner.t.*
    if (is_name() && peek().is_op(".")) {
        size_t k = i_;
        std::vector<std::string> path;
        while ((t_[k].kind == lite_token::ident || t_[k].kind == lite_token::quoted) &&
               t_[k + 1].is_op(".")) {
            path.push_back(t_[k].text);
            k += 2;
        }
        if (t_[k].is_op("*")) {
            i_ = k + 1;
            it.expr = node(lite_expr::star, begin);
            it.expr->path = std::move(path);
            close(*it.expr);
            b.items.push_back(std::move(it));
            return;
        }
    }
    const size_t first_token = i_;
    it.expr = expr();
    if (word("AS")) {
        it.alias = name();
        it.has_alias = true;
    } else if (alias_follows()) {
        it.alias = name();
        it.has_alias = true;
    }
    if (it.has_alias) {
        it.oracle_name = it.alias;
    } else if (it.expr->kind == lite_expr::column) {
        it.oracle_name = it.expr->name();
    } else if (it.expr->kind == lite_expr::sequence) {
        it.oracle_name = it.expr->text;
    } else {
        // The expression as written, without blanks, upper-cased outside literals and quotes.
        const size_t last_token = i_ - (it.has_alias ? 1 + (t_[i_ - 2].is("AS") ? 1 : 0) : 0);
        for (size_t k = first_token; k < last_token; ++k) {
            const lite_token& x = t_[k];
            std::string_view raw = src_.substr(x.begin, x.end_pos - x.begin);
            if (x.kind == lite_token::string || x.kind == lite_token::quoted) {
                it.oracle_name += raw;
            } else {
                it.oracle_name += lite_upper(raw);
            }
        }
    }
    b.items.push_back(std::move(it));
}

lite_from_ptr lite_parser::table_reference() {
    lite_from_ptr left = table_primary();
    while (true) {
        std::string type;
        bool natural = word("NATURAL");
        if (word("JOIN")) {
            type = "INNER";
        } else if (word("INNER")) {
            need_word("JOIN");
            type = "INNER";
        } else if (word("LEFT") || word("RIGHT") || word("FULL")) {
            type = t_[i_ - 1].text;
            word("OUTER");
            need_word("JOIN");
        } else if (word("CROSS")) {
            need_word("JOIN");
            type = "CROSS";
        } else {
            if (natural) fail_here(905, "missing keyword");
            return left;
        }
        auto j = std::make_unique<lite_from_item>();
        j->kind = lite_from_item::join;
        j->join_type = type;
        j->natural = natural;
        j->left = std::move(left);
        j->right = table_primary();
        if (type != "CROSS" && !natural) {
            if (word("ON")) {
                j->on = expr();
            } else if (word("USING")) {
                need_op("(");
                do {
                    j->using_columns.push_back(name());
                } while (op(","));
                need_op(")");
            } else {
                fail_here(905, "missing keyword");
            }
        }
        left = std::move(j);
    }
}

lite_from_ptr lite_parser::table_primary() {
    auto f = std::make_unique<lite_from_item>();
    if (cur().is_op("(")) {
        // An inline view, or a parenthesised join.
        size_t k = i_;
        while (t_[k].is_op("(")) ++k;
        if (t_[k].is("SELECT") || t_[k].is("WITH")) {
            ++i_;
            f->kind = lite_from_item::subquery;
            f->query = query();
            need_op(")");
        } else {
            ++i_;
            f = table_reference();
            need_op(")");
            return f;
        }
    } else {
        if (cur().is("LATERAL") || (cur().is("TABLE") && peek().is_op("("))) {
            throw lite_error(3001, "unimplemented feature");
        }
        f->kind = lite_from_item::table;
        f->name = name(903, "invalid table name");
        if (op(".")) {
            f->owner = f->name;
            f->name = name(903, "invalid table name");
        }
        if (cur().is_op("@"))
            throw lite_error(2019, "connection description for remote database not found");
        if (cur().is("PARTITION") && peek().is_op("(")) {
            ++i_;
            need_op("(");
            name();
            need_op(")");
        }
    }
    if (cur().is("AS") && f->kind == lite_from_item::table)
        fail_here(933, "SQL command not properly ended");
    f->alias = take_alias();
    return f;
}

void lite_parser::group_by(lite_query_block& b) {
    do {
        lite_group_element g;
        auto list_of_sets = [&]() {
            // ( elem, elem ... ) where elem is expr, (expr, ...) or ()
            need_op("(");
            do {
                std::vector<lite_expr_ptr> set;
                if (cur().is_op("(") && peek().is_op(")")) {
                    i_ += 2;
                } else if (cur().is_op("(")) {
                    size_t save = i_;
                    ++i_;
                    std::vector<lite_expr_ptr> many = grouping_list();
                    if (op(")")) {
                        set = std::move(many);
                    } else {
                        i_ = save;
                        set.clear();
                        set.push_back(expr());
                    }
                } else {
                    set.push_back(expr());
                }
                g.sets.push_back(std::move(set));
            } while (op(","));
            need_op(")");
        };
        if (word("ROLLUP")) {
            g.kind = lite_group_element::rollup;
            list_of_sets();
        } else if (word("CUBE")) {
            g.kind = lite_group_element::cube;
            list_of_sets();
        } else if (cur().is("GROUPING") && peek().is("SETS")) {
            i_ += 2;
            g.kind = lite_group_element::grouping_sets;
            list_of_sets();
        } else if (cur().is_op("(") && peek().is_op(")")) {
            i_ += 2;
            g.kind = lite_group_element::grouping_sets;
            g.sets.emplace_back();
        } else {
            lite_expr_ptr e = expr();
            if (e->kind == lite_expr::tuple) {
                for (auto& a : e->args) {
                    lite_group_element one;
                    one.sets.emplace_back();
                    one.sets.back().push_back(std::move(a));
                    b.group_by.push_back(std::move(one));
                }
                continue;
            }
            g.sets.emplace_back();
            g.sets.back().push_back(std::move(e));
        }
        b.group_by.push_back(std::move(g));
    } while (op(","));
}

std::vector<lite_expr_ptr> lite_parser::grouping_list() {
    std::vector<lite_expr_ptr> r;
    do {
        r.push_back(expr());
    } while (op(","));
    return r;
}

std::vector<lite_order_item> lite_parser::order_list() {
    std::vector<lite_order_item> r;
    word("SIBLINGS");
    do {
        lite_order_item o;
        o.expr = expr();
        if (word("DESC")) {
            o.desc = true;
        } else {
            word("ASC");
        }
        if (word("NULLS")) {
            if (word("FIRST")) {
                o.nulls = 1;
            } else {
                need_word("LAST");
                o.nulls = 2;
            }
        }
        r.push_back(std::move(o));
    } while (op(","));
    return r;
}

// ------------------------------------------------------------------------------ expressions

lite_expr_ptr lite_parser::expr() {
    if (++depth_ > k_max_depth) throw lite_error(1436, "nesting too deep");
    lite_expr_ptr e = or_expr();
    --depth_;
    return e;
}

lite_expr_ptr lite_parser::or_expr() {
    return logical_chain("OR", &lite_parser::and_expr);
}

lite_expr_ptr lite_parser::and_expr() {
    return logical_chain("AND", &lite_parser::not_expr);
}

// OR and AND bind left to right over the next tighter level.
lite_expr_ptr lite_parser::logical_chain(const char* op, lite_expr_ptr (lite_parser::*next)()) {
    lite_expr_ptr l = (this->*next)();
    while (cur().is(op)) {
        ++i_;
        auto b = node(lite_expr::binary, l->begin);
        b->text = op;
        b->args.push_back(std::move(l));
        b->args.push_back((this->*next)());
        close(*b);
        l = std::move(b);
    }
    return l;
}

lite_expr_ptr lite_parser::not_expr() {
    if (cur().is("NOT")) {
        size_t begin = cur().begin;
        ++i_;
        if (++depth_ > k_max_depth) throw lite_error(1436, "nesting too deep");
        auto n = node(lite_expr::unary, begin);
        n->text = "NOT";
        n->args.push_back(not_expr());
        --depth_;
        close(*n);
        return n;
    }
    return comparison();
}

lite_expr_ptr lite_parser::comparison() {
    lite_expr_ptr l = binary(0);
    const size_t begin = l->begin;
    static const char* const cmp[] = {"=", "<>", "!=", "^=", "<", ">", "<=", ">="};
    for (const char* c : cmp) {
        if (!cur().is_op(c)) continue;
        ++i_;
        std::string o = c;
        if (o == "!=" || o == "^=") o = "<>";
        // The two-character forms may come as two tokens ("< =" is not Oracle, "<>" is one).
        if (cur().is("ANY") || cur().is("SOME") || cur().is("ALL")) {
            std::string q = cur().is("ALL") ? "ALL" : "ANY";
            ++i_;
            need_op("(");
            auto n = node(lite_expr::quantified, begin);
            n->text = o;
            n->text2 = q;
            n->args.push_back(std::move(l));
            if (cur().is("SELECT") || cur().is("WITH")) {
                n->query = query();
            } else {
                // = ANY (1, 2) is IN (1, 2)
                n->kind = lite_expr::in_list;
                n->flag = false;
                do {
                    n->args.push_back(expr());
                } while (op(","));
                if (o != "=" || q != "ANY") throw lite_error(3001, "unimplemented feature");
            }
            need_op(")");
            close(*n);
            return n;
        }
        auto b = node(lite_expr::binary, begin);
        b->text = o;
        b->args.push_back(std::move(l));
        b->args.push_back(binary(0));
        close(*b);
        return b;
    }
    if (cur().is("IS")) {
        ++i_;
        bool negated = word("NOT");
        if (word("NULL")) {
            auto n = node(lite_expr::is_null, begin);
            n->flag = negated;
            n->args.push_back(std::move(l));
            close(*n);
            return n;
        }
        if (word("JSON")) {
            auto n = node(lite_expr::is_json, begin);
            n->flag = negated;
            n->args.push_back(std::move(l));
            // FORMAT JSON, (STRICT|LAX), WITH|WITHOUT UNIQUE KEYS mean nothing to the check.
            if (cur().is("FORMAT") && peek().is("JSON")) i_ += 2;
            if (cur().is_op("(") && (peek().is("STRICT") || peek().is("LAX")) &&
                peek(2).is_op(")")) {
                i_ += 3;
            } else if (cur().is("STRICT") || cur().is("LAX")) {
                ++i_;
            }
            if ((cur().is("WITH") || cur().is("WITHOUT")) && peek().is("UNIQUE")) {
                i_ += 2;
                need_word("KEYS");
            }
            close(*n);
            return n;
        }
        fail_here(908, "missing NULL keyword");
    }
    bool negated = false;
    if (cur().is("NOT") && (peek().is("LIKE") || peek().is("BETWEEN") || peek().is("IN"))) {
        negated = true;
        ++i_;
    }
    if (word("LIKE") || word("LIKEC") || word("LIKE2") || word("LIKE4")) {
        auto n = node(lite_expr::like, begin);
        n->flag = negated;
        n->args.push_back(std::move(l));
        n->args.push_back(binary(0));
        if (word("ESCAPE")) n->args.push_back(binary(0));
        close(*n);
        return n;
    }
    if (word("BETWEEN")) {
        auto n = node(lite_expr::between, begin);
        n->flag = negated;
        n->args.push_back(std::move(l));
        n->args.push_back(binary(0));
        need_word("AND");
        n->args.push_back(binary(0));
        close(*n);
        return n;
    }
    if (word("IN")) {
        need_op("(");
        auto n = node(lite_expr::in_list, begin);
        n->flag = negated;
        n->args.push_back(std::move(l));
        if (cur().is("SELECT") || cur().is("WITH")) {
            n->kind = lite_expr::in_query;
            n->query = query();
        } else {
            do {
                n->args.push_back(expr());
            } while (op(","));
        }
        need_op(")");
        close(*n);
        return n;
    }
    return l;
}

lite_expr_ptr lite_parser::binary(int min_prec) {
    lite_expr_ptr l = unary();
    while (true) {
        int prec = -1;
        const lite_token& k = cur();
        if (k.is_op("+") || k.is_op("-") || k.is_op("||")) {
            prec = 1;
        } else if (k.is_op("*") || k.is_op("/")) {
            prec = 2;
        }
        if (prec < 0 || prec < min_prec) return l;
        // "(+)" after a name is the outer-join mark, taken by the name itself.
        std::string o = k.text;
        ++i_;
        auto b = node(lite_expr::binary, l->begin);
        b->text = o;
        b->args.push_back(std::move(l));
        b->args.push_back(binary(prec + 1));
        close(*b);
        l = std::move(b);
    }
}

lite_expr_ptr lite_parser::unary() {
    const size_t begin = cur().begin;
    if (cur().is_op("-") || cur().is_op("+") || cur().is("PRIOR")) {
        std::string o = cur().text;
        ++i_;
        if (++depth_ > k_max_depth) throw lite_error(1436, "nesting too deep");
        lite_expr_ptr operand = unary();
        --depth_;
        if (o == "+") return operand;
        if (o == "-" && operand->kind == lite_expr::number && operand->text[0] != '-') {
            operand->text = "-" + operand->text;
            operand->begin = begin;
            return operand;
        }
        auto n = node(lite_expr::unary, begin);
        n->text = o;
        n->args.push_back(std::move(operand));
        close(*n);
        return n;
    }
    return primary();
}

lite_expr_ptr lite_parser::primary() {
    const lite_token& k = cur();
    const size_t begin = k.begin;
    switch (k.kind) {
        case lite_token::end:
            throw lite_error(936, "missing expression");
        case lite_token::number:
        case lite_token::string:
        case lite_token::bind: {
            // A literal or a placeholder is one token that stands as written.
            const lite_expr::kind_t kind = k.kind == lite_token::number   ? lite_expr::number
                                           : k.kind == lite_token::string ? lite_expr::string
                                                                          : lite_expr::bind;
            auto n = node(kind, begin);
            n->text = k.text;
            ++i_;
            close(*n);
            return n;
        }
        case lite_token::op: {
            if (k.is_op("(")) {
                ++i_;
                if (cur().is("SELECT") || cur().is("WITH")) {
                    auto n = node(lite_expr::subquery, begin);
                    n->query = query();
                    need_op(")");
                    close(*n);
                    return n;
                }
                lite_expr_ptr first = expr();
                if (op(",")) {
                    auto n = node(lite_expr::tuple, begin);
                    n->args.push_back(std::move(first));
                    do {
                        n->args.push_back(expr());
                    } while (op(","));
                    need_op(")");
                    close(*n);
                    return n;
                }
                need_op(")");
                first->begin = begin;
                close(*first);
                // Keep the brackets visible to the naming of the column: (a) is named "(A)".
                return first;
            }
            if (k.is_op(";")) throw lite_error(911, "invalid character");
            throw lite_error(936, "missing expression");
        }
        case lite_token::ident:
        case lite_token::quoted:
            return name_expression();
    }
    throw lite_error(936, "missing expression");
}

lite_expr_ptr lite_parser::name_expression() {
    const size_t begin = cur().begin;
    const lite_token& k = cur();
    if (k.kind == lite_token::ident) {
        if (reserved(k.text) && !k.is("NULL") && !k.is("EXISTS") && !k.is("PRIOR")) {
            if (k.is("CONNECT_BY_ROOT")) throw lite_error(3001, "unimplemented feature");
            throw lite_error(936, "missing expression");
        }
        if (k.is("NULL")) {
            ++i_;
            auto n = node(lite_expr::null, begin);
            close(*n);
            return n;
        }
        if (k.is("EXISTS")) {
            ++i_;
            need_op("(");
            auto n = node(lite_expr::exists, begin);
            n->query = query();
            need_op(")");
            close(*n);
            return n;
        }
        if (k.is("CASE")) {
            ++i_;
            return case_expression(begin);
        }
        if ((k.is("DATE") || k.is("TIMESTAMP")) && peek().kind == lite_token::string) {
            auto n = node(lite_expr::datetime, begin);
            n->flag = k.is("TIMESTAMP");
            n->text = peek().text;
            i_ += 2;
            close(*n);
            return n;
        }
        if (k.is("INTERVAL") && peek().kind == lite_token::string) {
            throw lite_error(3001, "unimplemented feature");
        }
        if (k.is("ROWNUM")) {
            ++i_;
            auto n = node(lite_expr::rownum, begin);
            close(*n);
            return n;
        }
    }
    std::vector<std::string> path{name()};
    while (cur().is_op(".") &&
           (peek().kind == lite_token::ident || peek().kind == lite_token::quoted)) {
        ++i_;
        path.push_back(name());
    }
    if (path.size() > 4) throw lite_error(904, "invalid identifier");
    if (path.size() >= 2 && (path.back() == "NEXTVAL" || path.back() == "CURRVAL") &&
        t_[i_ - 1].kind == lite_token::ident) {
        auto n = node(lite_expr::sequence, begin);
        n->text = path.back();
        path.pop_back();
        n->path = std::move(path);
        close(*n);
        return n;
    }
    if (cur().is_op("(")) {
        // column(+): the old outer-join mark.
        if (peek().is_op("+") && peek(2).is_op(")")) {
            i_ += 3;
            auto n = node(lite_expr::column, begin);
            n->path = std::move(path);
            n->flag = true;
            close(*n);
            return n;
        }
        return call(std::move(path), begin);
    }
    auto n = node(lite_expr::column, begin);
    n->path = std::move(path);
    close(*n);
    return n;
}

lite_expr_ptr lite_parser::case_expression(size_t begin) {
    auto n = node(lite_expr::case_expr, begin);
    if (!cur().is("WHEN")) {
        n->has_operand = true;
        n->args.push_back(expr());
    }
    if (!cur().is("WHEN")) fail_here(905, "missing keyword");
    while (word("WHEN")) {
        n->args.push_back(expr());
        need_word("THEN");
        n->args.push_back(expr());
    }
    if (word("ELSE")) {
        n->has_else = true;
        n->args.push_back(expr());
    }
    need_word("END");
    close(*n);
    return n;
}

std::string lite_parser::type_text() {
    std::string r = name(902, "invalid datatype");
    if (r == "DOUBLE" && word("PRECISION")) r += " PRECISION";
    if (r == "LONG" && word("RAW")) r += " RAW";
    if (r == "CHARACTER" && word("VARYING")) r = "VARCHAR2";
    if (op("(")) {
        r += "(";
        while (!cur().is_op(")")) {
            if (at_end()) fail_here(907, "missing right parenthesis");
            if (cur().kind == lite_token::number || cur().is_op(",") || cur().is_op("*") ||
                cur().is("CHAR") || cur().is("BYTE")) {
                if (cur().kind == lite_token::ident) r += ' ';
                r += cur().text;
                ++i_;
            } else {
                throw lite_error(902, "invalid datatype");
            }
        }
        ++i_;
        r += ")";
    }
    if (cur().is("WITH") && (peek().is("TIME") || peek().is("LOCAL"))) {
        ++i_;
        bool local = word("LOCAL");
        need_word("TIME");
        need_word("ZONE");
        r += local ? " WITH LOCAL TIME ZONE" : " WITH TIME ZONE";
    }
    return r;
}

lite_expr_ptr lite_parser::call(std::vector<std::string> path, size_t begin) {
    need_op("(");
    if (++depth_ > k_max_depth) throw lite_error(1436, "nesting too deep");
    const std::string fn = path.size() == 1 ? path[0] : std::string();
    auto n = node(lite_expr::function, begin);
    if (fn == "CAST") {
        n->kind = lite_expr::cast;
        n->args.push_back(expr());
        need_word("AS");
        n->text = type_text();
        need_op(")");
    } else if (fn == "EXTRACT") {
        n->kind = lite_expr::extract;
        static const char* const fields[] = {
            "YEAR", "MONTH", "DAY", "HOUR", "MINUTE", "SECOND", "TIMEZONE_HOUR", "TIMEZONE_MINUTE"};
        for (const char* f : fields) {
            if (word(f)) {
                n->text = f;
                break;
            }
        }
        if (n->text.empty()) fail_here(907, "missing right parenthesis");
        need_word("FROM", 923, "FROM keyword not found where expected");
        n->args.push_back(expr());
        need_op(")");
    } else if (fn == "TRIM") {
        n->kind = lite_expr::trim;
        n->text = "BOTH";
        bool mode = false;
        if (word("LEADING") || word("TRAILING") || word("BOTH")) {
            n->text = t_[i_ - 1].text;
            mode = true;
        }
        if (mode && word("FROM")) {
            n->args.push_back(expr());
        } else {
            lite_expr_ptr first = expr();
            if (word("FROM")) {
                n->args.push_back(expr());
                n->args.push_back(std::move(first));
            } else {
                if (mode) fail_here(923, "FROM keyword not found where expected");
                n->args.push_back(std::move(first));
            }
        }
        need_op(")");
    } else {
        n->path = std::move(path);
        if (cur().is_op("*") && peek().is_op(")")) {
            n->star_arg = true;
            ++i_;
        } else if (!cur().is_op(")")) {
            if (word("DISTINCT") || word("UNIQUE")) {
                n->flag = true;
            } else if (cur().is("ALL") && !peek().is_op(")") && !peek().is_op(",")) {
                ++i_;
            }
            do {
                n->args.push_back(expr());
                // Named notation (name => value) is PL/SQL's; SQL functions here take positions.
                if (n->name() == "LISTAGG" && cur().is("ON") && peek().is("OVERFLOW")) {
                    i_ += 2;
                    if (word("ERROR")) {
                    } else {
                        need_word("TRUNCATE");
                        n->overflow_truncate = true;
                        if (cur().kind == lite_token::string) {
                            n->overflow_filler = cur().text;
                            ++i_;
                        }
                        if (word("WITHOUT")) {
                            need_word("COUNT");
                            n->overflow_count = false;
                        } else if (word("WITH")) {
                            need_word("COUNT");
                        }
                    }
                }
            } while (op(","));
        }
        need_op(")");
        if (cur().is("WITHIN") && peek().is("GROUP")) {
            i_ += 2;
            need_op("(");
            need_word("ORDER");
            need_word("BY");
            n->within_group = order_list();
            need_op(")");
        }
        if (cur().is("KEEP") && peek().is_op("(")) throw lite_error(3001, "unimplemented feature");
        if (word("OVER")) {
            if (!cur().is_op("(")) throw lite_error(3001, "unimplemented feature");
            n->over = window();
        } else if (!n->path.empty() && is_aggregate_name(n->name()) && n->path.size() == 1) {
            // plain aggregate
        }
    }
    --depth_;
    close(*n);
    return n;
}

std::unique_ptr<lite_window> lite_parser::window() {
    need_op("(");
    auto w = std::make_unique<lite_window>();
    if (cur().is("PARTITION") && peek().is("BY")) {
        i_ += 2;
        do {
            w->partition_by.push_back(expr());
        } while (op(","));
    }
    if (cur().is("ORDER") && peek().is("BY")) {
        i_ += 2;
        w->order_by = order_list();
    }
    if (word("ROWS") || word("RANGE")) {
        w->frame_units = t_[i_ - 1].text;
        if (word("BETWEEN")) {
            w->frame_between = true;
            w->frame_start = frame_bound();
            need_word("AND");
            w->frame_end = frame_bound();
        } else {
            w->frame_start = frame_bound();
        }
    }
    need_op(")");
    return w;
}

lite_frame_bound lite_parser::frame_bound() {
    lite_frame_bound b;
    if (word("UNBOUNDED")) {
        if (word("PRECEDING")) {
            b.kind = lite_frame_bound::unbounded_preceding;
        } else {
            need_word("FOLLOWING");
            b.kind = lite_frame_bound::unbounded_following;
        }
        return b;
    }
    if (word("CURRENT")) {
        need_word("ROW");
        b.kind = lite_frame_bound::current_row;
        return b;
    }
    b.offset = binary(0);
    if (word("PRECEDING")) {
        b.kind = lite_frame_bound::preceding;
    } else {
        need_word("FOLLOWING");
        b.kind = lite_frame_bound::following;
    }
    return b;
}

// ------------------------------------------------------------------------------ DML

void lite_parser::dml_target(lite_dml& d) {
    if (cur().is_op("(")) throw lite_error(3001, "unimplemented feature");
    d.table = name(903, "invalid table name");
    if (op(".")) {
        d.owner = d.table;
        d.table = name(903, "invalid table name");
    }
    if (cur().is_op("@"))
        throw lite_error(2019, "connection description for remote database not found");
    if (alias_follows()) d.alias = name();
}

std::unique_ptr<lite_returning> lite_parser::returning() {
    if (!word("RETURNING") && !word("RETURN")) return nullptr;
    auto r = std::make_unique<lite_returning>();
    do {
        r->exprs.push_back(expr());
    } while (op(","));
    need_word("INTO", 925, "missing INTO keyword");
    do {
        if (cur().kind != lite_token::bind) fail_here(1745, "invalid host/bind variable name");
        r->binds.push_back(cur().text);
        ++i_;
    } while (op(","));
    if (r->binds.size() != r->exprs.size()) {
        throw lite_error(
            r->binds.size() < r->exprs.size() ? 947 : 913,
            r->binds.size() < r->exprs.size() ? "not enough values" : "too many values");
    }
    return r;
}

std::unique_ptr<lite_dml> lite_parser::dml_statement() {
    auto d = std::make_unique<lite_dml>();
    if (word("INSERT")) {
        d->kind = lite_dml::insert;
        if (cur().is("ALL") || cur().is("FIRST")) throw lite_error(3001, "unimplemented feature");
        need_word("INTO", 925, "missing INTO keyword");
        dml_target(*d);
        if (cur().is_op("(") && !(peek().is("SELECT") || peek().is("WITH"))) {
            ++i_;
            do {
                d->columns.push_back(name());
            } while (op(","));
            need_op(")");
        }
        if (word("VALUES")) {
            need_op("(");
            std::vector<lite_expr_ptr> row;
            do {
                row.push_back(expr());
            } while (op(","));
            need_op(")");
            d->rows.push_back(std::move(row));
        } else if (cur().is("SELECT") || cur().is("WITH") || cur().is_op("(")) {
            d->select = query();
        } else {
            fail_here(926, "missing VALUES keyword");
        }
    } else if (word("UPDATE")) {
        d->kind = lite_dml::update;
        dml_target(*d);
        need_word("SET", 971, "missing SET keyword");
        do {
            lite_dml::assignment a;
            if (op("(")) {
                do {
                    a.columns.push_back(name());
                } while (op(","));
                need_op(")");
                need_op("=");
                size_t begin = cur().begin;
                need_op("(");
                auto sq = node(lite_expr::subquery, begin);
                sq->query = query();
                need_op(")");
                close(*sq);
                a.value = std::move(sq);
            } else {
                std::string c = name();
                // t.col = ... names the column through the table or its alias.
                if (op(".")) c = name();
                a.columns.push_back(c);
                need_op("=");
                a.value = expr();
            }
            d->sets.push_back(std::move(a));
        } while (op(","));
        if (word("WHERE")) d->where = expr();
    } else if (word("DELETE")) {
        d->kind = lite_dml::remove;
        word("FROM");
        dml_target(*d);
        if (word("WHERE")) d->where = expr();
    } else {
        throw lite_error(900, "invalid SQL statement");
    }
    d->returning = returning();
    if (!at_end() && d->kind == lite_dml::insert && cur().is("LOG")) {
        throw lite_error(3001, "unimplemented feature");
    }
    need_end();
    return d;
}

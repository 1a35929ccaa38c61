#include "sql/lite_parser.h"

#include <algorithm>
#include <cctype>

#include "lite_engine.h"
#include "sql/lite_parser_internal.h"
#include "lite_errors.h"

namespace lite_parse {

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

}  // namespace lite_parse

using lite_parse::reserved;

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
            throw lite_error(ora_err::unterminated_string, "quoted string not properly terminated");
        }
        if (k.unterminated && k.kind == lite_token::quoted) {
            throw lite_error(ora_err::missing_double_quote, "missing double quote in identifier");
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
    if (at_end() && code == ora_err::command_not_properly_ended)
        throw lite_error(ora_err::unexpected_end_of_command, "unexpected end of SQL command");
    throw lite_error(code, text);
}

void lite_parser::need_word(std::string_view w, int code, const char* text) {
    if (!word(w)) fail_here(code, text);
}

void lite_parser::need_op(std::string_view o) {
    if (op(o)) return;
    if (o == ")") fail_here(ora_err::missing_right_parenthesis, "missing right parenthesis");
    if (o == "(") fail_here(ora_err::missing_left_parenthesis, "missing left parenthesis");
    if (o == ",") fail_here(ora_err::missing_comma, "missing comma");
    if (o == "=") fail_here(ora_err::missing_equal_sign, "missing equal sign");
    fail_here(ora_err::command_not_properly_ended, "SQL command not properly ended");
}

void lite_parser::need_end() {
    if (at_end()) return;
    if (cur().is_op(";")) throw lite_error(ora_err::invalid_character, "invalid character");
    if (cur().is_op(")"))
        throw lite_error(ora_err::missing_right_parenthesis, "missing right parenthesis");
    throw lite_error(ora_err::command_not_properly_ended, "SQL command not properly ended");
}

bool lite_parser::is_name() const {
    return cur().kind == lite_token::ident || cur().kind == lite_token::quoted;
}

std::string lite_parser::name(int code, const char* text) {
    const lite_token& k = cur();
    if (k.kind == lite_token::quoted) {
        if (k.text.empty())
            throw lite_error(ora_err::zero_length_identifier, "illegal zero-length identifier");
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
                fail_here(ora_err::invalid_wait_interval, "missing or invalid WAIT interval");
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
    if (at_end()) throw lite_error(ora_err::missing_expression, "missing expression");
    lite_expr_ptr e = expr();
    need_end();
    return e;
}

// ------------------------------------------------------------------------------ DML

void lite_parser::dml_target(lite_dml& d) {
    if (cur().is_op("(")) throw lite_error(ora_err::unimplemented_feature, "unimplemented feature");
    d.table = name(ora_err::invalid_table_name, "invalid table name");
    if (op(".")) {
        d.owner = d.table;
        d.table = name(ora_err::invalid_table_name, "invalid table name");
    }
    if (cur().is_op("@"))
        throw lite_error(ora_err::remote_database_not_found,
                         "connection description for remote database not found");
    if (alias_follows()) d.alias = name();
}

std::unique_ptr<lite_returning> lite_parser::returning() {
    if (!word("RETURNING") && !word("RETURN")) return nullptr;
    auto r = std::make_unique<lite_returning>();
    do {
        r->exprs.push_back(expr());
    } while (op(","));
    need_word("INTO", ora_err::missing_into_keyword, "missing INTO keyword");
    do {
        if (cur().kind != lite_token::bind)
            fail_here(ora_err::invalid_bind_name, "invalid host/bind variable name");
        r->binds.push_back(cur().text);
        ++i_;
    } while (op(","));
    if (r->binds.size() != r->exprs.size()) {
        throw lite_error(
            r->binds.size() < r->exprs.size() ? ora_err::not_enough_values
                                              : ora_err::too_many_values,
            r->binds.size() < r->exprs.size() ? "not enough values" : "too many values");
    }
    return r;
}

std::unique_ptr<lite_dml> lite_parser::dml_statement() {
    auto d = std::make_unique<lite_dml>();
    if (word("INSERT")) {
        d->kind = lite_dml::insert;
        if (cur().is("ALL") || cur().is("FIRST"))
            throw lite_error(ora_err::unimplemented_feature, "unimplemented feature");
        need_word("INTO", ora_err::missing_into_keyword, "missing INTO keyword");
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
            fail_here(ora_err::missing_values_keyword, "missing VALUES keyword");
        }
    } else if (word("UPDATE")) {
        d->kind = lite_dml::update;
        dml_target(*d);
        need_word("SET", ora_err::missing_set_keyword, "missing SET keyword");
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
        throw lite_error(ora_err::invalid_sql_statement, "invalid SQL statement");
    }
    d->returning = returning();
    if (!at_end() && d->kind == lite_dml::insert && cur().is("LOG")) {
        throw lite_error(ora_err::unimplemented_feature, "unimplemented feature");
    }
    need_end();
    return d;
}

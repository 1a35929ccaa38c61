// The expression half of the parser: conditions, operators by precedence, calls, CASE, windows
// and type names.
#include "lite_engine.h"
#include "sql/lite_parser.h"
#include "sql/lite_parser_internal.h"
#include "lite_errors.h"

namespace {

bool is_aggregate_name(const std::string& n) {
    return n == "COUNT" || n == "SUM" || n == "AVG" || n == "MIN" || n == "MAX" || n == "LISTAGG" ||
           n == "STDDEV" || n == "VARIANCE";
}

}  // namespace

using lite_parse::k_max_depth;
using lite_parse::reserved;

// ------------------------------------------------------------------------------ expressions

lite_expr_ptr lite_parser::expr() {
    if (++depth_ > k_max_depth) throw lite_error(ora_err::nesting_too_deep, "nesting too deep");
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
        if (++depth_ > k_max_depth) throw lite_error(ora_err::nesting_too_deep, "nesting too deep");
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
                if (o != "=" || q != "ANY")
                    throw lite_error(ora_err::unimplemented_feature, "unimplemented feature");
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
        fail_here(ora_err::missing_null_keyword, "missing NULL keyword");
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
        if (++depth_ > k_max_depth) throw lite_error(ora_err::nesting_too_deep, "nesting too deep");
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
            throw lite_error(ora_err::missing_expression, "missing expression");
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
            if (k.is_op(";")) throw lite_error(ora_err::invalid_character, "invalid character");
            throw lite_error(ora_err::missing_expression, "missing expression");
        }
        case lite_token::ident:
        case lite_token::quoted:
            return name_expression();
    }
    throw lite_error(ora_err::missing_expression, "missing expression");
}

lite_expr_ptr lite_parser::name_expression() {
    const size_t begin = cur().begin;
    const lite_token& k = cur();
    if (k.kind == lite_token::ident) {
        // LOG is kept from aliases for LOG ERRORS, but before a parenthesis it is the function.
        const bool log_call = k.is("LOG") && peek().is_op("(");
        if (reserved(k.text) && !k.is("NULL") && !k.is("EXISTS") && !k.is("PRIOR") && !log_call) {
            if (k.is("CONNECT_BY_ROOT"))
                throw lite_error(ora_err::unimplemented_feature, "unimplemented feature");
            throw lite_error(ora_err::missing_expression, "missing expression");
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
            throw lite_error(ora_err::unimplemented_feature, "unimplemented feature");
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
    if (path.size() > 4) throw lite_error(ora_err::invalid_identifier, "invalid identifier");
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
    if (!cur().is("WHEN")) fail_here(ora_err::missing_keyword, "missing keyword");
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
    std::string r = name(ora_err::invalid_datatype, "invalid datatype");
    if (r == "DOUBLE" && word("PRECISION")) r += " PRECISION";
    if (r == "LONG" && word("RAW")) r += " RAW";
    if (r == "CHARACTER" && word("VARYING")) r = "VARCHAR2";
    if (op("(")) {
        r += "(";
        while (!cur().is_op(")")) {
            if (at_end())
                fail_here(ora_err::missing_right_parenthesis, "missing right parenthesis");
            if (cur().kind == lite_token::number || cur().is_op(",") || cur().is_op("*") ||
                cur().is("CHAR") || cur().is("BYTE")) {
                if (cur().kind == lite_token::ident) r += ' ';
                r += cur().text;
                ++i_;
            } else {
                throw lite_error(ora_err::invalid_datatype, "invalid datatype");
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
    if (++depth_ > k_max_depth) throw lite_error(ora_err::nesting_too_deep, "nesting too deep");
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
        if (n->text.empty())
            fail_here(ora_err::missing_right_parenthesis, "missing right parenthesis");
        need_word("FROM", ora_err::from_keyword_not_found, "FROM keyword not found where expected");
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
                if (mode)
                    fail_here(ora_err::from_keyword_not_found,
                              "FROM keyword not found where expected");
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
        if (cur().is("KEEP") && peek().is_op("("))
            throw lite_error(ora_err::unimplemented_feature, "unimplemented feature");
        if (word("OVER")) {
            if (!cur().is_op("("))
                throw lite_error(ora_err::unimplemented_feature, "unimplemented feature");
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

// The query half of the parser: WITH, set operations, query blocks, FROM items, GROUP BY and
// ORDER BY.
#include "lite_engine.h"
#include "sql/lite_parser.h"
#include "sql/lite_parser_internal.h"
#include "lite_errors.h"

using lite_parse::k_max_depth;

// ------------------------------------------------------------------------------ queries

lite_query_ptr lite_parser::query() {
    if (++depth_ > k_max_depth) throw lite_error(ora_err::nesting_too_deep, "nesting too deep");
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
        if (!q.order_by.empty())
            fail_here(ora_err::command_not_properly_ended, "SQL command not properly ended");
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
            if (word("PERCENT"))
                throw lite_error(ora_err::unimplemented_feature, "unimplemented feature");
        }
        if (!word("ROWS")) need_word("ROW");
        if (word("WITH")) {
            need_word("TIES");
            throw lite_error(ora_err::unimplemented_feature, "unimplemented feature");
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
        if (at_end())
            throw lite_error(ora_err::unexpected_end_of_command, "unexpected end of SQL command");
        throw lite_error(ora_err::missing_select_keyword, "missing SELECT keyword");
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
    if (!word("FROM"))
        fail_here(ora_err::from_keyword_not_found, "FROM keyword not found where expected");
    do {
        b->from.push_back(table_reference());
    } while (op(","));
    while (true) {
        if (word("WHERE")) {
            if (b->where)
                fail_here(ora_err::command_not_properly_ended, "SQL command not properly ended");
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
            if (natural) fail_here(ora_err::missing_keyword, "missing keyword");
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
                fail_here(ora_err::missing_keyword, "missing keyword");
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
            throw lite_error(ora_err::unimplemented_feature, "unimplemented feature");
        }
        f->kind = lite_from_item::table;
        f->name = name(ora_err::invalid_table_name, "invalid table name");
        if (op(".")) {
            f->owner = f->name;
            f->name = name(ora_err::invalid_table_name, "invalid table name");
        }
        if (cur().is_op("@"))
            throw lite_error(ora_err::remote_database_not_found,
                             "connection description for remote database not found");
        if (cur().is("PARTITION") && peek().is_op("(")) {
            ++i_;
            need_op("(");
            name();
            need_op(")");
        }
    }
    if (cur().is("AS") && f->kind == lite_from_item::table)
        fail_here(ora_err::command_not_properly_ended, "SQL command not properly ended");
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

#include "sql/lite_sqlite_writer.h"

#include <algorithm>
#include <charconv>

#include "lite_engine.h"
#include "functions/lite_function_table.h"
#include "lite_value_text.h"
#include "sql/lite_lexer.h"
#include "sql/lite_parser.h"

// The grouping set one branch of an expanded GROUP BY stands for: every grouping expression of
// the query (as SQLite text) and whether this branch groups by it. Outside aggregates, an
// expression the branch does not group by reads as NULL, as in Oracle's super-aggregate rows.
struct lite_sqlite_writer::grouping {
    std::vector<std::string> all;
    std::vector<bool> in_set;
};

namespace {

// More groupings than this make a union too large to be worth running.
constexpr size_t k_max_grouping_sets = 256;

std::string q(const std::string& name) {
    return lite_quote_name(name);
}

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

void flatten_and(const lite_expr* e, std::vector<const lite_expr*>& out) {
    if (!e) return;
    if (e->kind == lite_expr::binary && e->text == "AND") {
        flatten_and(e->args[0].get(), out);
        flatten_and(e->args[1].get(), out);
        return;
    }
    out.push_back(e);
}

// The (+)-marked columns under e; `in_or` tells whether one sits under an OR.
void marked_columns(const lite_expr& e, std::vector<const lite_expr*>& out, bool under_or,
                    bool& in_or) {
    if (e.kind == lite_expr::column && e.flag) {
        out.push_back(&e);
        if (under_or) in_or = true;
    }
    bool is_or = e.kind == lite_expr::binary && e.text == "OR";
    for (const auto& a : e.args) {
        if (a) marked_columns(*a, out, under_or || is_or, in_or);
    }
}

bool has_mark(const lite_expr* e) {
    if (!e) return false;
    if (e->kind == lite_expr::column && e->flag) return true;
    for (const auto& a : e->args) {
        if (has_mark(a.get())) return true;
    }
    return false;
}

bool grouped_specially(const lite_query_block& b) {
    for (const auto& g : b.group_by) {
        if (g.kind != lite_group_element::expr) return true;
    }
    return false;
}

// A whole non-negative integer literal as a number; false otherwise.
bool whole_number(const lite_expr& e, long long& out) {
    if (e.kind != lite_expr::number) return false;
    if (e.text.find_first_not_of("0123456789") != std::string::npos) return false;
    auto r = std::from_chars(e.text.data(), e.text.data() + e.text.size(), out);
    return r.ec == std::errc();
}

// ROWNUM <= n, ROWNUM < n, ROWNUM = 1 (and the same written the other way round) as a row limit.
bool rownum_limit(const lite_expr& e, long long& limit) {
    if (e.kind != lite_expr::binary) return false;
    const lite_expr* a = e.args[0].get();
    const lite_expr* b = e.args[1].get();
    std::string op = e.text;
    if (b->kind == lite_expr::rownum && a->kind != lite_expr::rownum) {
        std::swap(a, b);
        if (op == "<")
            op = ">";
        else if (op == ">")
            op = "<";
        else if (op == "<=")
            op = ">=";
        else if (op == ">=")
            op = "<=";
    }
    long long n = 0;
    if (a->kind != lite_expr::rownum || !whole_number(*b, n)) return false;
    if (op == "<=") {
        limit = n;
    } else if (op == "<") {
        limit = n > 0 ? n - 1 : 0;
    } else if (op == "=") {
        limit = n == 1 ? 1 : 0;
    } else {
        return false;
    }
    return true;
}

std::string join(const std::vector<std::string>& parts, const char* sep) {
    std::string r;
    for (const std::string& p : parts) {
        if (!r.empty()) r += sep;
        r += p;
    }
    return r;
}

}  // namespace

lite_sqlite_writer::lite_sqlite_writer(std::string user, lite_schema* schema)
    : user_(std::move(user)), schema_(schema) {}

std::string lite_sqlite_writer::table_name(const std::string& owner,
                                           const std::string& name) const {
    // Dictionary views live in the session's TEMP schema, where an unqualified name finds them.
    if (owner.empty() || owner == "SYS" || owner == "PUBLIC") return q(name);
    if (owner == user_) return "main." + q(name);
    return q(owner) + "." + q(name);
}

// ------------------------------------------------------------------------------ queries

std::string lite_sqlite_writer::query(const lite_query& query, const std::string& hidden) {
    return query_level(query, hidden);
}

std::string lite_sqlite_writer::query_level(const lite_query& qr, const std::string& hidden) {
    std::string out;
    if (!qr.with.empty()) {
        std::vector<std::string> parts;
        for (const lite_with_item& w : qr.with) {
            std::string p = q(w.name);
            if (!w.columns.empty()) {
                std::vector<std::string> cols;
                for (const std::string& c : w.columns) cols.push_back(q(c));
                p += "(" + join(cols, ", ") + ")";
            }
            p += " AS (" + query_level(*w.query, "") + ")";
            parts.push_back(std::move(p));
        }
        out += "WITH " + join(parts, ", ") + " ";
    }
    long long limit = -1;
    const lite_query_block* wrapped = nullptr;
    if (qr.block) {
        const bool ordered = !qr.order_by.empty();
        std::string body = block(*qr.block, hidden, &limit, ordered);
        if (grouped_specially(*qr.block)) wrapped = qr.block.get();
        if (limit >= 0 && ordered) {
            // Oracle numbers rows before it sorts them: the limit applies first.
            body = "SELECT * FROM (" + body + " LIMIT " + std::to_string(limit) + ")";
            limit = -1;
            wrapped = qr.block.get();
        }
        out += body;
    } else {
        // Operands of a compound select take no ORDER BY or LIMIT of their own in SQLite.
        auto operand = [&](const lite_query& o, const std::string& h) {
            if (o.block && o.order_by.empty() && !o.fetch && !o.offset && o.with.empty()) {
                long long l = -1;
                std::string b = block(*o.block, h, &l, false);
                if (l >= 0) return "SELECT * FROM (" + b + " LIMIT " + std::to_string(l) + ")";
                return b;
            }
            return "SELECT * FROM (" + query_level(o, h) + ")";
        };
        std::string op = qr.set_op == "MINUS" ? "EXCEPT" : qr.set_op;
        out += operand(*qr.left, hidden) + " " + op + " " + operand(*qr.right, "");
    }
    if (!qr.order_by.empty()) {
        const lite_query_block* saved = expanded_;
        expanded_ = wrapped;
        out += " ORDER BY " + order_list(qr.order_by);
        expanded_ = saved;
    }
    std::string lim;
    if (qr.fetch) {
        lim = x(*qr.fetch);
        if (limit >= 0) lim = "min(" + lim + ", " + std::to_string(limit) + ")";
    } else if (limit >= 0) {
        lim = std::to_string(limit);
    }
    if (!lim.empty() || qr.offset) {
        out += " LIMIT " + (lim.empty() ? std::string("-1") : lim);
        if (qr.offset) out += " OFFSET " + x(*qr.offset);
    }
    return out;
}

std::string lite_sqlite_writer::block(const lite_query_block& b, const std::string& hidden,
                                      long long* limit, bool ordered) {
    if (b.hierarchical) throw lite_error(3001, "unimplemented feature");
    if (grouped_specially(b)) return expanded_block(b, hidden);
    return plain_block(b, hidden, nullptr, limit, ordered);
}

std::string lite_sqlite_writer::plain_block(const lite_query_block& b, const std::string& hidden,
                                            const std::vector<std::string>* group_exprs,
                                            long long* limit, bool /*ordered*/) {
    const grouping* branch = grouping_;
    grouping_ = nullptr;  // WHERE and FROM see rows before grouping
    std::vector<const lite_expr*> conds;
    flatten_and(b.where.get(), conds);
    // ROWNUM as a row limit.
    if (limit) {
        for (auto it = conds.begin(); it != conds.end(); ++it) {
            long long n = 0;
            if (rownum_limit(**it, n) && b.group_by.empty() && !b.having) {
                *limit = *limit < 0 ? n : std::min(*limit, n);
                conds.erase(it);
                break;
            }
        }
    }
    std::string from = from_clause(b, nullptr);
    std::string where_sql;
    // Conditions with (+) marks went into the joins.
    bool marked = false;
    for (const lite_expr* c : conds) marked = marked || has_mark(c);
    if (marked) {
        // from_clause has rewritten the FROM list; the marked conditions are its ON clauses.
        std::vector<std::string> keep;
        for (const lite_expr* c : conds) {
            if (!has_mark(c)) keep.push_back(x(*c));
        }
        where_sql = join(keep, " AND ");
    } else {
        std::vector<std::string> all;
        for (const lite_expr* c : conds) all.push_back(x(*c));
        where_sql = join(all, " AND ");
    }
    grouping_ = branch;

    std::string out = "SELECT ";
    if (b.distinct) out += "DISTINCT ";
    std::vector<std::string> items;
    for (const lite_select_item& it : b.items) {
        const lite_expr& e = *it.expr;
        if (e.kind == lite_expr::star) {
            items.push_back(e.path.empty() ? "*" : q(e.path.back()) + ".*");
            continue;
        }
        items.push_back(x(e) + " AS " + q(it.oracle_name));
    }
    if (!hidden.empty()) items.push_back(q(hidden) + ".rowid AS \"LITE$ROWID\"");
    out += join(items, ", ");
    out += " FROM " + from;
    if (!where_sql.empty()) out += " WHERE " + where_sql;
    std::vector<std::string> groups;
    if (group_exprs) {
        groups = *group_exprs;
    } else {
        grouping_ = nullptr;
        for (const auto& g : b.group_by) {
            for (const auto& set : g.sets) {
                for (const auto& e : set) groups.push_back(x(*e));
            }
        }
        grouping_ = branch;
    }
    if (!groups.empty()) out += " GROUP BY " + join(groups, ", ");
    if (b.having) out += " HAVING " + x(*b.having);
    return out;
}

std::string lite_sqlite_writer::expanded_block(const lite_query_block& b,
                                               const std::string& hidden) {
    // Every grouping set as a list of expressions, the cross product of the elements.
    using set_t = std::vector<const lite_expr*>;
    std::vector<set_t> sets{set_t{}};
    for (const lite_group_element& g : b.group_by) {
        std::vector<set_t> options;
        switch (g.kind) {
            case lite_group_element::expr:
            case lite_group_element::grouping_sets:
                for (const auto& s : g.sets) {
                    set_t o;
                    for (const auto& e : s) o.push_back(e.get());
                    options.push_back(std::move(o));
                }
                if (g.kind == lite_group_element::expr) {
                    // one option holding every expression of the element
                    set_t all;
                    for (auto& o : options) all.insert(all.end(), o.begin(), o.end());
                    options = {all};
                }
                break;
            case lite_group_element::rollup:
                for (size_t n = g.sets.size() + 1; n-- > 0;) {
                    set_t o;
                    for (size_t k = 0; k < n; ++k) {
                        for (const auto& e : g.sets[k]) o.push_back(e.get());
                    }
                    options.push_back(std::move(o));
                }
                break;
            case lite_group_element::cube: {
                if (g.sets.size() > 8) throw lite_error(3001, "unimplemented feature");
                size_t n = g.sets.size();
                for (size_t mask = (size_t{1} << n); mask-- > 0;) {
                    set_t o;
                    for (size_t k = 0; k < n; ++k) {
                        if (mask & (size_t{1} << (n - 1 - k))) {
                            for (const auto& e : g.sets[k]) o.push_back(e.get());
                        }
                    }
                    options.push_back(std::move(o));
                }
                break;
            }
        }
        std::vector<set_t> next;
        for (const set_t& s : sets) {
            for (const set_t& o : options) {
                set_t c = s;
                c.insert(c.end(), o.begin(), o.end());
                next.push_back(std::move(c));
                if (next.size() > k_max_grouping_sets)
                    throw lite_error(3001, "unimplemented feature");
            }
        }
        sets = std::move(next);
    }
    grouping g;
    const grouping* saved = grouping_;
    grouping_ = nullptr;
    std::vector<std::vector<std::string>> texts;
    for (const set_t& s : sets) {
        std::vector<std::string> t;
        for (const lite_expr* e : s) {
            std::string sql = x(*e);
            if (std::find(t.begin(), t.end(), sql) == t.end()) t.push_back(sql);
            if (std::find(g.all.begin(), g.all.end(), sql) == g.all.end()) g.all.push_back(sql);
        }
        texts.push_back(std::move(t));
    }
    std::vector<std::string> branches;
    for (const auto& t : texts) {
        g.in_set.assign(g.all.size(), false);
        for (size_t k = 0; k < g.all.size(); ++k) {
            g.in_set[k] = std::find(t.begin(), t.end(), g.all[k]) != t.end();
        }
        grouping_ = &g;
        branches.push_back(plain_block(b, hidden, &t, nullptr, false));
        grouping_ = nullptr;
    }
    grouping_ = saved;
    return "SELECT * FROM (" + join(branches, " UNION ALL ") + ")";
}

std::string lite_sqlite_writer::from_clause(const lite_query_block& b, const lite_expr**) {
    std::vector<const lite_expr*> conds;
    flatten_and(b.where.get(), conds);
    bool marked = false;
    for (const lite_expr* c : conds) marked = marked || has_mark(c);
    if (!marked) {
        std::vector<std::string> parts;
        for (const auto& f : b.from) parts.push_back(from_item(*f));
        return join(parts, ", ");
    }
    // Oracle's old outer join: conditions with (+) on the columns of one table become the ON
    // clause of a LEFT JOIN of that table.
    struct entry {
        const lite_from_item* item;
        std::string key;  // alias, else table name
        std::vector<const lite_expr*> on;
    };
    std::vector<entry> items;
    for (const auto& f : b.from) {
        if (f->kind == lite_from_item::join) {
            throw lite_error(25156, "old style outer join (+) cannot be used with ANSI joins");
        }
        items.push_back({f.get(), f->alias.empty() ? f->name : f->alias, {}});
    }
    for (const lite_expr* c : conds) {
        std::vector<const lite_expr*> cols;
        bool in_or = false;
        marked_columns(*c, cols, false, in_or);
        if (cols.empty()) continue;
        if (in_or)
            throw lite_error(1719, "outer join operator (+) not allowed in operand of OR or IN");
        std::string key;
        for (const lite_expr* col : cols) {
            std::string k;
            if (col->path.size() >= 2) {
                k = col->path[col->path.size() - 2];
            } else if (items.size() == 2 || !schema_) {
                throw lite_error(1719, "outer join operator (+) not allowed here");
            }
            if (!key.empty() && k != key) {
                throw lite_error(1468, "a predicate may reference only one outer-joined table");
            }
            key = k;
        }
        auto it = std::find_if(items.begin(), items.end(),
                               [&](const entry& en) { return en.key == key; });
        if (it == items.end()) throw lite_error(904, q(key) + ": invalid identifier");
        it->on.push_back(c);
    }
    std::string out;
    for (const entry& en : items) {
        if (!en.on.empty()) continue;
        if (!out.empty()) out += ", ";
        out += from_item(*en.item);
    }
    if (out.empty()) throw lite_error(1416, "two tables cannot be outer-joined to each other");
    for (const entry& en : items) {
        if (en.on.empty()) continue;
        std::vector<std::string> on;
        for (const lite_expr* c : en.on) on.push_back(x(*c));
        out += " LEFT JOIN " + from_item(*en.item) + " ON " + join(on, " AND ");
    }
    return out;
}

std::string lite_sqlite_writer::from_item(const lite_from_item& f) {
    std::string out;
    switch (f.kind) {
        case lite_from_item::table:
            out = table_name(f.owner, f.name);
            break;
        case lite_from_item::subquery:
            out = "(" + query_level(*f.query, "") + ")";
            break;
        case lite_from_item::join: {
            out = "(" + from_item(*f.left);
            std::string type = f.join_type == "INNER" ? "JOIN" : f.join_type + " JOIN";
            if (f.join_type == "FULL") type = "FULL OUTER JOIN";
            out +=
                std::string(" ") + (f.natural ? "NATURAL " : "") + type + " " + from_item(*f.right);
            if (f.on) out += " ON " + x(*f.on);
            if (!f.using_columns.empty()) {
                std::vector<std::string> cols;
                for (const std::string& c : f.using_columns) cols.push_back(q(c));
                out += " USING (" + join(cols, ", ") + ")";
            }
            return out + ")";
        }
    }
    if (!f.alias.empty()) out += " AS " + q(f.alias);
    return out;
}

std::string lite_sqlite_writer::order_list(const std::vector<lite_order_item>& items) {
    std::vector<std::string> parts;
    for (const lite_order_item& o : items) {
        std::string e;
        if (expanded_) {
            // The sorted rows are a wrapped select: terms must name its result columns.
            const grouping* saved = grouping_;
            grouping_ = nullptr;
            std::string mine = x(*o.expr);
            for (const lite_select_item& it : expanded_->items) {
                if (it.expr->kind == lite_expr::star) continue;
                if (x(*it.expr) == mine ||
                    (o.expr->kind == lite_expr::column && o.expr->name() == it.oracle_name)) {
                    e = q(it.oracle_name);
                    break;
                }
            }
            grouping_ = saved;
            if (e.empty()) e = mine;
        } else {
            e = x(*o.expr);
        }
        // Oracle sorts NULL as the largest value: last ascending, first descending.
        if (o.desc) {
            e += o.nulls == 2 ? " DESC NULLS LAST" : " DESC NULLS FIRST";
        } else {
            e += o.nulls == 1 ? " NULLS FIRST" : " NULLS LAST";
        }
        parts.push_back(std::move(e));
    }
    return join(parts, ", ");
}

std::string lite_sqlite_writer::window(const lite_window& w) {
    std::vector<std::string> parts;
    if (!w.partition_by.empty()) {
        std::vector<std::string> p;
        for (const auto& e : w.partition_by) p.push_back(x(*e));
        parts.push_back("PARTITION BY " + join(p, ", "));
    }
    if (!w.order_by.empty()) {
        const lite_query_block* saved = expanded_;
        expanded_ = nullptr;
        parts.push_back("ORDER BY " + order_list(w.order_by));
        expanded_ = saved;
    }
    if (!w.frame_units.empty()) {
        auto bound = [&](const lite_frame_bound& b) -> std::string {
            switch (b.kind) {
                case lite_frame_bound::unbounded_preceding:
                    return "UNBOUNDED PRECEDING";
                case lite_frame_bound::preceding:
                    return x(*b.offset) + " PRECEDING";
                case lite_frame_bound::current_row:
                    return "CURRENT ROW";
                case lite_frame_bound::following:
                    return x(*b.offset) + " FOLLOWING";
                case lite_frame_bound::unbounded_following:
                    return "UNBOUNDED FOLLOWING";
            }
            return "CURRENT ROW";
        };
        std::string f = w.frame_units + " ";
        if (w.frame_between) {
            f += "BETWEEN " + bound(w.frame_start) + " AND " + bound(w.frame_end);
        } else {
            f += bound(w.frame_start);
        }
        parts.push_back(f);
    }
    return join(parts, " ");
}

// ------------------------------------------------------------------------------ expressions

std::string lite_sqlite_writer::expression(const lite_expr& e) {
    return x(e);
}

std::string lite_sqlite_writer::number(const std::string& text) const {
    std::string digits = text[0] == '-' ? text.substr(1) : text;
    bool integral = digits.find_first_of(".eE") == std::string::npos;
    bool too_big = integral ? (digits.size() > 18 && lite_canonical_number(digits).size() > 18)
                            : significant_digits(digits) > 15;
    if (too_big) return lite_quote_text(lite_canonical_number(text));
    return text;
}

std::string lite_sqlite_writer::column(const lite_expr& e) {
    const auto& p = e.path;
    const std::string& last = p.back();
    if (new_row_ && p.size() == 2 && p[0] == "NEW") {
        auto it = new_row_->find(last);
        if (it == new_row_->end())
            throw lite_error(904, "\"NEW\"." + q(last) + ": invalid identifier");
        return "(" + it->second + ")";
    }
    if (p.size() == 1) {
        if (last == "SYSDATE" || last == "CURRENT_DATE") return "SYSDATE()";
        if (last == "SYSTIMESTAMP" || last == "CURRENT_TIMESTAMP" || last == "LOCALTIMESTAMP") {
            return "SYSTIMESTAMP()";
        }
        if (last == "USER") return lite_quote_text(user_);
        if (last == "ROWID") return "rowid";
        if (last == "LEVEL") throw lite_error(3001, "unimplemented feature");
        return q(last);
    }
    std::string col = last == "ROWID" ? "rowid" : q(last);
    if (p.size() == 2) return q(p[0]) + "." + col;
    if (p.size() == 3) return table_name(p[0], p[1]) + "." + col;
    throw lite_error(904, "invalid identifier");
}

std::string lite_sqlite_writer::args_of(const lite_expr& e, size_t from) {
    std::vector<std::string> a;
    for (size_t k = from; k < e.args.size(); ++k) a.push_back(x(*e.args[k]));
    return join(a, ", ");
}

std::string lite_sqlite_writer::x(const lite_expr& e) {
    std::string s;
    switch (e.kind) {
        case lite_expr::number:
            s = number(e.text);
            break;
        case lite_expr::string:
            s = e.text.empty() ? "NULL" : lite_quote_text(e.text);
            break;
        case lite_expr::null:
            return "NULL";
        case lite_expr::datetime: {
            lite_datetime d;
            if (!lite_parse_iso(e.text, d)) {
                throw lite_error(1861, "literal does not match format string");
            }
            s = lite_quote_text(lite_iso_text(d, e.flag && d.nanosecond ? 9 : 0));
            break;
        }
        case lite_expr::bind:
            s = ":" + e.text;
            break;
        case lite_expr::column:
            s = column(e);
            break;
        case lite_expr::star:
            throw lite_error(936, "missing expression");
        case lite_expr::unary:
            if (e.text == "NOT") {
                s = "(NOT " + x(*e.args[0]) + ")";
            } else if (e.text == "PRIOR") {
                throw lite_error(3001, "unimplemented feature");
            } else {
                s = "(- " + x(*e.args[0]) + ")";
            }
            break;
        case lite_expr::binary: {
            const std::string& o = e.text;
            if (o == "||") {
                // Chains of || become one call: a || b || c is LITE_CAT(a, b, c).
                std::vector<const lite_expr*> parts;
                std::vector<const lite_expr*> stack{&e};
                while (!stack.empty()) {
                    const lite_expr* n = stack.back();
                    stack.pop_back();
                    if (n->kind == lite_expr::binary && n->text == "||") {
                        stack.push_back(n->args[1].get());
                        stack.push_back(n->args[0].get());
                    } else {
                        parts.push_back(n);
                    }
                }
                std::vector<std::string> a;
                for (const lite_expr* p : parts) a.push_back(x(*p));
                s = "LITE_CAT(" + join(a, ", ") + ")";
            } else if (o == "+" || o == "-") {
                s = std::string(o == "+" ? "LITE_ADD(" : "LITE_SUB(") + x(*e.args[0]) + ", " +
                    x(*e.args[1]) + ")";
            } else if (o == "/") {
                s = "LITE_DIV(" + x(*e.args[0]) + ", " + x(*e.args[1]) + ")";
            } else {
                s = "(" + x(*e.args[0]) + " " + o + " " + x(*e.args[1]) + ")";
            }
            break;
        }
        case lite_expr::function:
            s = call(e);
            break;
        case lite_expr::case_expr: {
            s = "CASE";
            size_t k = 0;
            if (e.has_operand) s += " " + x(*e.args[k++]);
            size_t pairs_end = e.args.size() - (e.has_else ? 1 : 0);
            for (; k + 1 < pairs_end; k += 2) {
                s += " WHEN " + x(*e.args[k]) + " THEN " + x(*e.args[k + 1]);
            }
            if (e.has_else) s += " ELSE " + x(*e.args.back());
            s += " END";
            break;
        }
        case lite_expr::subquery:
            s = "(" + query_level(*e.query, "") + ")";
            break;
        case lite_expr::exists:
            s = "(EXISTS (" + query_level(*e.query, "") + "))";
            break;
        case lite_expr::in_list: {
            std::string lhs = x(*e.args[0]);
            bool rows = e.args[0]->kind == lite_expr::tuple;
            std::string list = args_of(e, 1);
            s = "(" + lhs + (e.flag ? " NOT IN (" : " IN (") + (rows ? "VALUES " : "") + list +
                "))";
            break;
        }
        case lite_expr::in_query:
            s = "(" + x(*e.args[0]) + (e.flag ? " NOT IN (" : " IN (") + query_level(*e.query, "") +
                "))";
            break;
        case lite_expr::between:
            s = "(" + x(*e.args[0]) + (e.flag ? " NOT BETWEEN " : " BETWEEN ") + x(*e.args[1]) +
                " AND " + x(*e.args[2]) + ")";
            break;
        case lite_expr::like:
            s = "(" + x(*e.args[0]) + (e.flag ? " NOT LIKE " : " LIKE ") + x(*e.args[1]);
            if (e.args.size() > 2) s += " ESCAPE " + x(*e.args[2]);
            s += ")";
            break;
        case lite_expr::is_null:
            s = "(" + x(*e.args[0]) + (e.flag ? " IS NOT NULL)" : " IS NULL)");
            break;
        case lite_expr::is_json: {
            // NULL IS JSON is unknown, as every condition on NULL (a CHECK lets it pass).
            std::string v = x(*e.args[0]);
            s = "(CASE WHEN " + v + " IS NULL THEN NULL ELSE " + (e.flag ? "NOT " : "") +
                "json_valid(" + v + ") END)";
            break;
        }
        case lite_expr::cast: {
            std::string v = x(*e.args[0]);
            std::string ty = e.text.substr(0, e.text.find_first_of(" ("));
            if (ty == "VARCHAR2" || ty == "VARCHAR" || ty == "CHAR" || ty == "NCHAR" ||
                ty == "NVARCHAR2" || ty == "CLOB" || ty == "NCLOB" || ty == "LONG") {
                s = "TO_CHAR(" + v + ")";
            } else if (ty == "NUMBER" || ty == "INTEGER" || ty == "INT" || ty == "DECIMAL" ||
                       ty == "NUMERIC" || ty == "FLOAT" || ty == "BINARY_DOUBLE" ||
                       ty == "BINARY_FLOAT" || ty == "SMALLINT" || ty == "REAL" || ty == "DOUBLE") {
                s = "TO_NUMBER(" + v + ")";
                size_t comma = e.text.find(',');
                if (ty == "INTEGER" || ty == "INT" || ty == "SMALLINT") {
                    s = "round(" + s + ")";
                } else if (comma != std::string::npos) {
                    s = "round(" + s + ", " +
                        std::to_string(std::atoi(e.text.c_str() + comma + 1)) + ")";
                } else if (e.text.find('(') != std::string::npos && ty != "FLOAT") {
                    s = "round(" + s + ")";
                }
            } else if (ty == "DATE") {
                s = "TO_DATE(" + v + ")";
            } else if (ty == "TIMESTAMP") {
                s = "TO_TIMESTAMP(" + v + ")";
            } else if (ty == "RAW" || ty == "BLOB") {
                s = v;
            } else {
                throw lite_error(3001, "unimplemented feature");
            }
            break;
        }
        case lite_expr::extract:
            s = "LITE_EXTRACT('" + e.text + "', " + x(*e.args[0]) + ")";
            break;
        case lite_expr::trim:
            s = "LITE_TRIM('" + e.text + "', " + args_of(e) + ")";
            break;
        case lite_expr::sequence: {
            std::string owner = e.path.size() >= 2 ? e.path[e.path.size() - 2] : user_;
            note_call(lite_find_sqlite_function("LITE_SEQ"));
            s = "LITE_SEQ(" + lite_quote_text(owner) + ", " + lite_quote_text(e.path.back()) +
                ", '" + e.text + "')";
            break;
        }
        case lite_expr::rownum:
            // Outside a row limit, ROWNUM numbers the rows as they come, before any sorting.
            s = "row_number() OVER ()";
            break;
        case lite_expr::tuple:
            s = "(" + args_of(e) + ")";
            break;
        case lite_expr::quantified: {
            const lite_query_block& inner = e.query->first_block();
            if (inner.items.size() != 1 || inner.items[0].expr->kind == lite_expr::star) {
                if (e.text == "=" && e.text2 == "ANY") {
                    s = "(" + x(*e.args[0]) + " IN (" + query_level(*e.query, "") + "))";
                    break;
                }
                throw lite_error(3001, "unimplemented feature");
            }
            // The sub-query's column is renamed so it cannot hide an outer column of its name.
            std::string test = "(" + x(*e.args[0]) + " " + e.text + " \"LITE$R\".\"LITE$V\")";
            std::string src = "(SELECT \"LITE$Q\"." + q(inner.items[0].oracle_name) +
                              " AS \"LITE$V\" FROM (" + query_level(*e.query, "") +
                              ") AS \"LITE$Q\") AS \"LITE$R\"";
            if (e.text2 == "ANY") {
                s = "(EXISTS (SELECT 1 FROM " + src + " WHERE " + test + "))";
            } else {
                s = "(NOT EXISTS (SELECT 1 FROM " + src + " WHERE NOT " + test + "))";
            }
            break;
        }
    }
    if (grouping_ && in_aggregate_ == 0) {
        for (size_t k = 0; k < grouping_->all.size(); ++k) {
            if (!grouping_->in_set[k] && grouping_->all[k] == s) return "NULL";
        }
    }
    return s;
}

void lite_sqlite_writer::note_call(const lite_function_sig* sig) {
    if (sig && (sig->flags & k_fn_session) != 0) uses_session_state_ = true;
}

std::string lite_sqlite_writer::call(const lite_expr& e) {
    const std::string name = e.dotted();
    const lite_function_sig* sig = lite_find_function(name);
    if (!sig || (sig->flags & k_fn_internal) != 0) {
        std::string quoted;
        for (const std::string& p : e.path) quoted += (quoted.empty() ? "" : ".") + q(p);
        throw lite_error(904, quoted + ": invalid identifier");
    }
    note_call(sig);
    const int argc = e.star_arg ? 1 : static_cast<int>(e.args.size());
    if (e.star_arg && name != "COUNT") throw lite_error(936, "missing expression");
    if (argc < sig->min_args && sig->max_args < 0) {
        throw lite_error(938, "not enough arguments for function");
    }
    if (argc < sig->min_args || (sig->max_args >= 0 && argc > sig->max_args)) {
        throw lite_error(909, "invalid number of arguments");
    }
    const bool aggregate = (sig->flags & k_fn_aggregate) != 0;
    const bool analytic = (sig->flags & k_fn_analytic) != 0;
    if (analytic && !e.over) throw lite_error(30484, "missing window clause for this function");
    if (e.over && !aggregate && !analytic) {
        throw lite_error(30483, "window  functions are not allowed here");
    }
    if (e.flag && !aggregate)
        throw lite_error(30482, "DISTINCT option not allowed for this function");
    const std::string over = e.over ? " OVER (" + window(*e.over) + ")" : std::string();
    const bool counts_as_aggregate = aggregate && !e.over;

    if (name == "GROUPING" || name == "GROUPING_ID") {
        if (!grouping_) return "0";
        long long bits = 0;
        const grouping* g = grouping_;
        grouping_ = nullptr;
        for (const auto& a : e.args) {
            std::string sql = x(*a);
            bool absent = false;
            for (size_t k = 0; k < g->all.size(); ++k) {
                if (g->all[k] == sql) absent = !g->in_set[k];
            }
            bits = bits * 2 + (absent ? 1 : 0);
        }
        grouping_ = g;
        return std::to_string(bits);
    }
    if (name == "RATIO_TO_REPORT") {
        std::string v = x(*e.args[0]);
        return "LITE_DIV(" + v + ", sum(" + v + ")" + over + ")";
    }
    if (counts_as_aggregate) ++in_aggregate_;
    std::string args;
    if (name == "LISTAGG") {
        // LITE_LISTAGG(value, separator, mode, filler, key, descending, ...)
        int mode = e.overflow_truncate ? (e.overflow_count ? 1 : 2) : 0;
        if (e.flag) mode |= 4;
        args = x(*e.args[0]) + ", " + (e.args.size() > 1 ? x(*e.args[1]) : "NULL") + ", " +
               std::to_string(mode) + ", " + lite_quote_text(e.overflow_filler);
        for (const lite_order_item& o : e.within_group) {
            args += ", " + x(*o.expr) + ", " + std::to_string((o.desc ? 1 : 0) | (o.nulls << 1));
        }
        if (counts_as_aggregate) --in_aggregate_;
        return std::string(sig->sqlite_name) + "(" + args + ")" + over;
    }
    if (!e.within_group.empty()) {
        if (counts_as_aggregate) --in_aggregate_;
        throw lite_error(3001, "unimplemented feature");
    }
    if (e.star_arg) {
        args = "*";
    } else {
        args = args_of(e);
    }
    if (counts_as_aggregate) --in_aggregate_;
    return std::string(sig->sqlite_name) + "(" + (e.flag ? "DISTINCT " : "") + args + ")" + over;
}

// ------------------------------------------------------------------------------ DML

std::string lite_sqlite_writer::returning(const lite_dml& d) {
    if (!d.returning) return {};
    std::vector<std::string> r;
    for (const auto& e : d.returning->exprs) r.push_back(x(*e));
    return " RETURNING " + join(r, ", ");
}

std::string lite_sqlite_writer::dml(const lite_dml& d) {
    const std::string target = table_name(d.owner, d.table);
    const std::vector<lite_table_column>* cols =
        schema_ ? schema_->table_columns(d.owner.empty() ? user_ : d.owner, d.table) : nullptr;
    auto type_of = [&](const std::string& c) -> const lite_coltype* {
        if (!cols) return nullptr;
        for (const lite_table_column& tc : *cols) {
            if (tc.name == c) return &tc.type;
        }
        return nullptr;
    };
    store_owner_ = d.owner.empty() ? user_ : d.owner;
    store_table_ = d.table;
    std::string out;
    switch (d.kind) {
        case lite_dml::insert: {
            std::vector<std::string> names = d.columns;
            if (names.empty() && cols) {
                for (const lite_table_column& tc : *cols) names.push_back(tc.name);
            }
            const std::vector<lite_row_trigger>* triggers =
                schema_ && cols
                    ? schema_->insert_triggers(d.owner.empty() ? user_ : d.owner, d.table)
                    : nullptr;
            if (triggers && !triggers->empty()) {
                out = fired_insert(d, target, names, *cols, *triggers);
                break;
            }
            out = "INSERT INTO " + target;
            if (!names.empty()) {
                std::vector<std::string> qn;
                for (const std::string& n : names) qn.push_back(q(n));
                out += " (" + join(qn, ", ") + ")";
            }
            if (d.select) {
                std::vector<const lite_coltype*> types;
                for (const std::string& n : names) types.push_back(type_of(n));
                out += " " + coerced_rows(query_level(*d.select, ""), names, types);
            } else {
                std::vector<std::string> rows;
                for (const auto& row : d.rows) {
                    if (!names.empty() && row.size() != names.size()) {
                        throw lite_error(
                            row.size() < names.size() ? 947 : 913,
                            row.size() < names.size() ? "not enough values" : "too many values");
                    }
                    std::vector<std::string> v;
                    for (size_t k = 0; k < row.size(); ++k) {
                        v.push_back(k < names.size()
                                        ? coerce(x(*row[k]), type_of(names[k]), names[k])
                                        : x(*row[k]));
                    }
                    rows.push_back("(" + join(v, ", ") + ")");
                }
                out += " VALUES " + join(rows, ", ");
            }
            break;
        }
        case lite_dml::update: {
            out = "UPDATE " + target;
            if (!d.alias.empty()) out += " AS " + q(d.alias);
            std::vector<std::string> sets;
            for (const auto& a : d.sets) {
                if (a.columns.size() == 1) {
                    sets.push_back(q(a.columns[0]) + " = " +
                                   coerce(x(*a.value), type_of(a.columns[0]), a.columns[0]));
                } else {
                    std::vector<std::string> qn;
                    std::vector<const lite_coltype*> types;
                    for (const std::string& n : a.columns) {
                        qn.push_back(q(n));
                        types.push_back(type_of(n));
                    }
                    std::string v;
                    if (a.value->kind == lite_expr::subquery) {
                        v = "(" + coerced_rows(query_level(*a.value->query, ""), a.columns, types) +
                            ")";
                    } else if (a.value->kind == lite_expr::tuple &&
                               a.value->args.size() == a.columns.size()) {
                        std::vector<std::string> each;
                        for (size_t k = 0; k < a.columns.size(); ++k)
                            each.push_back(coerce(x(*a.value->args[k]), types[k], a.columns[k]));
                        v = "(" + join(each, ", ") + ")";
                    } else {
                        v = x(*a.value);
                    }
                    sets.push_back("(" + join(qn, ", ") + ") = " + v);
                }
            }
            out += " SET " + join(sets, ", ");
            if (d.where) out += " WHERE " + x(*d.where);
            break;
        }
        case lite_dml::remove:
            out = "DELETE FROM " + target;
            if (!d.alias.empty()) out += " AS " + q(d.alias);
            if (d.where) out += " WHERE " + x(*d.where);
            break;
    }
    return out + returning(d);
}

std::string lite_sqlite_writer::fired_insert(const lite_dml& d, const std::string& target,
                                             const std::vector<std::string>& names,
                                             const std::vector<lite_table_column>& cols,
                                             const std::vector<lite_row_trigger>& triggers) {
    auto type_of = [&](const std::string& c) -> const lite_coltype* {
        for (const lite_table_column& tc : cols) {
            if (tc.name == c) return &tc.type;
        }
        return nullptr;
    };
    // Each inserted value is read once from the rows' table, so a NEXTVAL or a sub-query among
    // the values runs once per row however often the triggers look at it.
    static const std::string rows_name = "\"LITE$NEW\"";
    std::map<std::string, std::string> row;
    for (const lite_table_column& tc : cols) {
        std::string v = "NULL";
        if (!tc.default_text.empty()) {
            try {
                lite_parser p(tc.default_text);
                lite_expr_ptr e = p.expression_statement();
                v = coerce(x(*e), &tc.type, tc.name);
            } catch (const lite_error&) {
                v = "NULL";
            }
        }
        row[tc.name] = v;
    }
    std::vector<std::string> row_cols;
    for (size_t k = 0; k < names.size(); ++k) {
        const std::string c = q("C" + std::to_string(k + 1));
        row_cols.push_back(c);
        // Rows of a query are checked here; a VALUES list is checked as it is written below.
        row[names[k]] = d.select ? coerce(rows_name + "." + c, type_of(names[k]), names[k])
                                 : rows_name + "." + c;
    }
    std::vector<std::string> out_cols = names;
    for (const lite_row_trigger& trig : triggers) {
        // The WHEN clause sees the row as it came to this trigger; each assignment sees the ones
        // before it.
        const std::map<std::string, std::string> before = row;
        std::string cond;
        if (!trig.when.empty()) {
            lite_parser p(trig.when);
            lite_expr_ptr e = p.expression_statement();
            new_row_ = &before;
            cond = x(*e);
        }
        for (const auto& [c, text] : trig.sets) {
            lite_parser p(text);
            lite_expr_ptr e = p.expression_statement();
            new_row_ = &row;
            std::string v = coerce(x(*e), type_of(c), c);
            new_row_ = nullptr;
            auto it = row.find(c);
            if (it == row.end()) throw lite_error(904, q(c) + ": invalid identifier");
            it->second = cond.empty()
                             ? v
                             : "CASE WHEN " + cond + " THEN " + v + " ELSE " + it->second + " END";
            if (std::find(out_cols.begin(), out_cols.end(), c) == out_cols.end())
                out_cols.push_back(c);
        }
        new_row_ = nullptr;
    }
    std::string source;
    if (d.select) {
        source = query_level(*d.select, "");
    } else {
        std::vector<std::string> rows;
        for (const auto& r : d.rows) {
            if (r.size() != names.size()) {
                throw lite_error(r.size() < names.size() ? 947 : 913,
                                 r.size() < names.size() ? "not enough values" : "too many values");
            }
            std::vector<std::string> v;
            for (size_t k = 0; k < r.size(); ++k)
                v.push_back(coerce(x(*r[k]), type_of(names[k]), names[k]));
            rows.push_back("(" + join(v, ", ") + ")");
        }
        source = "VALUES " + join(rows, ", ");
    }
    std::vector<std::string> qn, values;
    for (const std::string& c : out_cols) {
        qn.push_back(q(c));
        values.push_back(row.at(c));
    }
    return "INSERT INTO " + target + " (" + join(qn, ", ") + ") WITH " + rows_name + "(" +
           join(row_cols, ", ") + ") AS (" + source + ") SELECT " + join(values, ", ") + " FROM " +
           rows_name;
}

#include "sql/lite_sqlite_writer.h"

#include <algorithm>
#include <charconv>

#include "lite_engine.h"
#include "functions/lite_function_table.h"
#include "lite_value_text.h"
#include "sql/lite_lexer.h"
#include "sql/lite_parser.h"
#include "sql/lite_sqlite_writer_internal.h"
#include "lite_errors.h"

namespace {

// More groupings than this make a union too large to be worth running.
constexpr size_t k_max_grouping_sets = 256;

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
    // A row that fails takes no number, so the next row is offered the same one: once the
    // condition fails it fails for every later row. No limit at all is -2.
    if (op == "<=") {
        limit = n;
    } else if (op == "<") {
        limit = n > 0 ? n - 1 : 0;
    } else if (op == "=") {
        limit = n == 1 ? 1 : 0;
    } else if (op == ">") {
        limit = n < 1 ? -2 : 0;
    } else if (op == ">=") {
        limit = n <= 1 ? -2 : 0;
    } else if (op == "<>" || op == "!=") {
        limit = n >= 1 ? n - 1 : -2;
    } else {
        return false;
    }
    return true;
}
}  // namespace

using lite_write::join;
using lite_write::q;

lite_sqlite_writer::lite_sqlite_writer(std::string user, lite_schema* schema)
    : user_(std::move(user)), schema_(schema) {}

std::string lite_sqlite_writer::table_name(const std::string& owner,
                                           const std::string& name) const {
    // Dictionary views live in the session's TEMP schema, where an unqualified name finds them.
    if (owner.empty() || owner == "SYS" || owner == "PUBLIC") return q(name);
    if (owner == user_) return "main." + q(name);
    return lite_quote_name(owner) + "." + q(name);
}

std::pair<std::string, std::string> lite_sqlite_writer::reached(const std::string& owner,
                                                                const std::string& name,
                                                                const char* privilege) {
    if (!schema_) return {owner, name};
    if (owner.empty()) {
        for (const lite_with_item* w : with_items_) {
            if (w->name == name) return {owner, name};
        }
    }
    return schema_->resolve(owner, name, privilege);
}

// ------------------------------------------------------------------------------ queries

std::string lite_sqlite_writer::query(const lite_query& query, const std::string& hidden) {
    return query_level(query, hidden);
}

std::string lite_sqlite_writer::query_level(const lite_query& qr, const std::string& hidden) {
    scope_guard names(*this, nullptr, qr.with.empty() ? nullptr : &qr.with);
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
            with_items_.push_back(&w);
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
            // Oracle numbers rows before it sorts them: the limit applies first. The OFFSET
            // keeps SQLite from merging the two selects, which would sort before it limits.
            body = "SELECT * FROM (" + body + " LIMIT " + std::to_string(limit) + " OFFSET 0)";
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
        if (qr.order_by.empty()) out = number_set_order(qr, out);
    }
    if (!qr.order_by.empty()) {
        const lite_query_block* saved = expanded_;
        expanded_ = wrapped;
        scope_guard sorted(*this, qr.block.get());
        if (std::string terms = number_compound_order(qr); !terms.empty()) {
            out = "SELECT * FROM (" + out + ") ORDER BY " + terms;
        } else {
            // The terms of a compound query must name its result columns as they are.
            const bool keyed = keys_on_;
            keys_on_ = keyed && qr.block;
            out += " ORDER BY " + order_list(qr.order_by);
            keys_on_ = keyed;
        }
        expanded_ = saved;
    }
    with_items_.resize(with_items_.size() - qr.with.size());
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
    if (b.hierarchical) throw lite_error(ora_err::unimplemented_feature, "unimplemented feature");
    struct scope {
        lite_sqlite_writer& w;
        bool qualify;
        ~scope() {
            w.scopes_.pop_back();
            w.qualify_ = qualify;
        }
    } in{*this, qualify_};
    scopes_.push_back(&b);
    qualify_ = aggregates(b);
    check_grouped(b);
    if (grouped_specially(b)) return expanded_block(b, hidden);
    return plain_block(b, hidden, nullptr, limit, ordered);
}

std::string lite_sqlite_writer::plain_block(const lite_query_block& b, const std::string& hidden,
                                            const std::vector<std::string>* group_exprs,
                                            long long* limit, bool /*ordered*/) {
    scope_guard in_block(*this, &b);
    const grouping* branch = grouping_;
    grouping_ = nullptr;  // WHERE and FROM see rows before grouping
    std::vector<const lite_expr*> conds;
    flatten_and(b.where.get(), conds);
    // ROWNUM as a row limit: on the rows that pass WHERE, before grouping, DISTINCT and
    // analytic functions see them.
    const bool early = numbers_before_select(b);
    long long first = -1;
    if (limit || early) {
        long long* to = early ? &first : limit;
        for (auto it = conds.begin(); it != conds.end();) {
            long long n = 0;
            if (!rownum_limit(**it, n)) {
                ++it;
                continue;
            }
            if (n != -2) *to = *to < 0 ? n : std::min(*to, n);
            it = conds.erase(it);
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
        all.reserve(conds.size());
        for (const lite_expr* c : conds) all.push_back(x(*c));
        where_sql = join(all, " AND ");
    }
    if (first >= 0) first_rows(b, from, where_sql, first);
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
    if (!groups.empty()) {
        out += " GROUP BY " + join(groups, ", ");
    } else if (group_exprs && !calls_aggregate(b)) {
        // The empty grouping set is one row even where no aggregate asks for one.
        out += " GROUP BY NULL";
    }
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
                if (g.sets.size() > 8)
                    throw lite_error(ora_err::unimplemented_feature, "unimplemented feature");
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
                    throw lite_error(ora_err::unimplemented_feature, "unimplemented feature");
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
            throw lite_error(ora_err::old_outer_join_with_ansi,
                             "old style outer join (+) cannot be used with ANSI joins");
        }
        items.push_back({f.get(), f->alias.empty() ? f->name : f->alias, {}});
    }
    for (const lite_expr* c : conds) {
        std::vector<const lite_expr*> cols;
        bool in_or = false;
        marked_columns(*c, cols, false, in_or);
        if (cols.empty()) continue;
        if (in_or)
            throw lite_error(ora_err::outer_join_in_or,
                             "outer join operator (+) not allowed in operand of OR or IN");
        std::string key;
        for (const lite_expr* col : cols) {
            std::string k;
            if (col->path.size() >= 2) {
                k = col->path[col->path.size() - 2];
            } else if (items.size() == 2 || !schema_) {
                throw lite_error(ora_err::outer_join_in_or,
                                 "outer join operator (+) not allowed here");
            }
            if (!key.empty() && k != key) {
                throw lite_error(ora_err::one_outer_joined_table_only,
                                 "a predicate may reference only one outer-joined table");
            }
            key = k;
        }
        auto it = std::find_if(items.begin(), items.end(),
                               [&](const entry& en) { return en.key == key; });
        if (it == items.end())
            throw lite_error(ora_err::invalid_identifier,
                             lite_quote_name(key) + ": invalid identifier");
        it->on.push_back(c);
    }
    std::string out;
    for (const entry& en : items) {
        if (!en.on.empty()) continue;
        if (!out.empty()) out += ", ";
        out += from_item(*en.item);
    }
    if (out.empty())
        throw lite_error(ora_err::two_tables_outer_joined,
                         "two tables cannot be outer-joined to each other");
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
        case lite_from_item::table: {
            if (dual_inline_ && is_dual(f)) {
                out = "(SELECT 'X' AS \"DUMMY\")";
                if (f.alias.empty()) out += " AS \"DUAL\"";
                break;
            }
            const auto [owner, name] = reached(f.owner, f.name, "SELECT");
            out = table_name(owner, name);
            // A synonym reads as its object, under the synonym's name unless an alias is given.
            if (f.alias.empty() && name != f.name) out += " AS " + q(f.name);
            break;
        }
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
                    if (keys_on_ && number_class(*it.expr) == num_class::wide)
                        e = "LITE_NUMKEY(" + e + ")";
                    break;
                }
            }
            grouping_ = saved;
            if (e.empty()) e = mine;
        } else {
            e = number_order_key(*o.expr, x(*o.expr));
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
        // A RANGE frame with offsets measures them on the sorted values themselves; without
        // offsets it needs only the order and its peers, which the keys keep.
        const auto offset = [](const lite_frame_bound& b) {
            return b.kind == lite_frame_bound::preceding || b.kind == lite_frame_bound::following;
        };
        const bool keyed = keys_on_;
        keys_on_ = w.frame_units != "RANGE" ||
                   !(offset(w.frame_start) || (w.frame_between && offset(w.frame_end)));
        parts.push_back("ORDER BY " + order_list(w.order_by));
        keys_on_ = keyed;
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

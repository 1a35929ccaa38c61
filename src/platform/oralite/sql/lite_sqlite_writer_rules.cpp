// Where Oracle's meaning of a query differs from what SQLite would make of the same text: which
// FROM item a column comes from (so that a and t.a are one grouping expression), the
// blank-padded comparison of CHAR values, the select lists an aggregating query may have, and
// ROWNUM numbering the rows that pass WHERE before they are grouped.
#include <algorithm>

#include "lite_engine.h"
#include "lite_errors.h"
#include "functions/lite_function_table.h"
#include "sql/lite_lexer.h"
#include "sql/lite_sqlite_writer.h"

namespace {

std::string key_of(const lite_from_item& f) {
    return f.alias.empty() ? f.name : f.alias;
}

// GROUPING and GROUPING_ID are written as the constants they are in each grouping set.
bool is_aggregate_call(const lite_expr& e) {
    if (e.kind != lite_expr::function || e.over) return false;
    if (e.name() == "GROUPING" || e.name() == "GROUPING_ID") return false;
    const lite_function_sig* sig = lite_find_function(e.dotted());
    return sig && (sig->flags & k_fn_aggregate) != 0;
}

// An aggregate call outside sub-queries and analytic functions' own arguments.
bool holds_aggregate(const lite_expr& e) {
    if (is_aggregate_call(e)) return true;
    if (e.kind == lite_expr::subquery || e.kind == lite_expr::exists) return false;
    for (const auto& a : e.args) {
        if (a && holds_aggregate(*a)) return true;
    }
    if (e.over) {
        for (const auto& p : e.over->partition_by) {
            if (holds_aggregate(*p)) return true;
        }
        for (const auto& o : e.over->order_by) {
            if (holds_aggregate(*o.expr)) return true;
        }
    }
    return false;
}

bool holds_analytic(const lite_expr& e) {
    if (e.over || e.kind == lite_expr::rownum) return true;
    if (e.kind == lite_expr::subquery || e.kind == lite_expr::exists) return false;
    for (const auto& a : e.args) {
        if (a && holds_analytic(*a)) return true;
    }
    return false;
}

// The names a session reads as values, not columns.
bool is_pseudo_column(const lite_expr& e) {
    if (e.kind != lite_expr::column || e.path.size() != 1) return false;
    const std::string& n = e.path[0];
    return n == "SYSDATE" || n == "CURRENT_DATE" || n == "SYSTIMESTAMP" ||
           n == "CURRENT_TIMESTAMP" || n == "LOCALTIMESTAMP" || n == "USER";
}

}  // namespace

bool lite_sqlite_writer::calls_aggregate(const lite_query_block& b) {
    for (const lite_select_item& it : b.items) {
        if (holds_aggregate(*it.expr)) return true;
    }
    return b.having && holds_aggregate(*b.having);
}

bool lite_sqlite_writer::aggregates(const lite_query_block& b) {
    return !b.group_by.empty() || b.having || calls_aggregate(b);
}

// ------------------------------------------------------------------------------ columns

lite_sqlite_writer::lookup lite_sqlite_writer::column_of(const lite_from_item& f,
                                                         const std::string& col) {
    const lite_query* inner = nullptr;
    const std::vector<std::string>* renamed = nullptr;
    if (f.kind == lite_from_item::subquery) {
        inner = f.query.get();
    } else if (f.owner.empty()) {
        for (auto w = with_items_.rbegin(); w != with_items_.rend(); ++w) {
            if ((*w)->name == f.name) {
                inner = (*w)->query.get();
                renamed = &(*w)->columns;
                break;
            }
        }
    }
    lookup r;
    if (inner) {
        const lite_query_block& b = inner->first_block();
        for (size_t k = 0; k < b.items.size(); ++k) {
            const lite_select_item& it = b.items[k];
            if (it.expr->kind == lite_expr::star) return {};
            const std::string& name =
                renamed && k < renamed->size() ? (*renamed)[k] : it.oracle_name;
            if (name != col) continue;
            r.known = r.has = true;
            // A WITH query that reads itself must not be followed for ever.
            if (it.expr->kind == lite_expr::column && resolving_ < 16) {
                ++resolving_;
                scopes_.push_back(&b);
                if (auto s = source_of(*it.expr)) r.type = s->type;
                scopes_.pop_back();
                --resolving_;
            }
        }
        r.known = true;
        return r;
    }
    if (f.kind != lite_from_item::table || !schema_) return {};
    const auto* cols = relation_columns(f);
    if (!cols) return {};
    r.known = true;
    for (const lite_table_column& c : *cols) {
        if (c.name == col) {
            r.has = true;
            r.type = &c.type;
        }
    }
    return r;
}

std::optional<lite_sqlite_writer::column_source> lite_sqlite_writer::source_of(const lite_expr& e) {
    if (scopes_.empty() || e.kind != lite_expr::column || e.path.size() > 2) return std::nullopt;
    const std::string& col = e.name();
    if (col == "ROWID") return std::nullopt;
    std::vector<const lite_from_item*> items;
    for (const auto& f : scopes_.back()->from) lite_from_leaves(*f, items);
    std::optional<column_source> found;
    for (const lite_from_item* f : items) {
        const std::string key = key_of(*f);
        if (e.path.size() == 2 && e.path[0] != key) continue;
        const lookup r = column_of(*f, col);
        // A FROM item of unknown columns may hold this one too: nothing is certain.
        if (!r.known) return std::nullopt;
        if (!r.has) continue;
        // Two holders (also the two sides of a USING join): SQLite decides, not the writer.
        if (found) return std::nullopt;
        found = column_source{key, r.type};
    }
    return found;
}

std::string lite_sqlite_writer::table_expression(const lite_expr& e, const std::string& table) {
    lite_query_block scope;
    scope.from.push_back(std::make_unique<lite_from_item>());
    scope.from[0]->name = table;
    scopes_.push_back(&scope);
    struct leave {
        std::vector<const lite_query_block*>& s;
        ~leave() { s.pop_back(); }
    } left{scopes_};
    return x(e);
}

// ------------------------------------------------------------------------------ CHAR

namespace {
bool is_char(const lite_coltype* t) {
    return t && (t->data_type == "CHAR" || t->data_type == "NCHAR");
}
}  // namespace

bool lite_sqlite_writer::char_typed(const lite_expr& e) {
    if (e.kind == lite_expr::string) return !e.text.empty();
    if (e.kind == lite_expr::cast) {
        const std::string ty = e.text.substr(0, e.text.find_first_of(" ("));
        return ty == "CHAR" || ty == "NCHAR";
    }
    if (e.kind != lite_expr::column) return false;
    if (new_row_ && e.path.size() == 2 && e.path[0] == "NEW") {
        // A trigger's :new row is the row of the table the statement stores into.
        if (scopes_.empty() || scopes_.back()->from.size() != 1) return false;
        return is_char(column_of(*scopes_.back()->from[0], e.path[1]).type);
    }
    if (auto s = source_of(e)) return is_char(s->type);
    return e.path.size() == 1 && e.path[0] == "USER";
}

bool lite_sqlite_writer::blank_padded(const lite_expr& e,
                                      const std::vector<const lite_expr*>& others) {
    if (!char_typed(e)) return false;
    for (const lite_expr* o : others) {
        if (!char_typed(*o)) return false;
    }
    return true;
}

std::string lite_sqlite_writer::compared(const lite_expr& e, bool padded, bool first) {
    // Blanks at the end decide nothing between CHAR values and text literals. The unary plus
    // keeps SQLite from an automatic index, which would compare without the collation.
    if (!padded) return x(e);
    return "(+" + x(e) + (first ? ") COLLATE RTRIM" : ")");
}

// ------------------------------------------------------------------------------ grouping

bool lite_sqlite_writer::grouped_expression(const lite_expr& e,
                                            const std::vector<std::string>& groups) {
    switch (e.kind) {
        case lite_expr::number:
        case lite_expr::string:
        case lite_expr::null:
        case lite_expr::datetime:
        case lite_expr::bind:
        case lite_expr::sequence:
        case lite_expr::rownum:
        case lite_expr::star:
        case lite_expr::subquery:
        case lite_expr::exists:
            return true;
        default:
            break;
    }
    if (is_aggregate_call(e) || is_pseudo_column(e)) return true;
    if (std::find(groups.begin(), groups.end(), x(e)) != groups.end()) return true;
    if (e.kind == lite_expr::column) return false;
    for (const auto& a : e.args) {
        if (a && !grouped_expression(*a, groups)) return false;
    }
    if (e.over) {
        for (const auto& p : e.over->partition_by) {
            if (!grouped_expression(*p, groups)) return false;
        }
        for (const auto& o : e.over->order_by) {
            if (!grouped_expression(*o.expr, groups)) return false;
        }
    }
    return true;
}

void lite_sqlite_writer::check_grouped(const lite_query_block& b) {
    if (!aggregates(b)) return;
    const grouping* saved = grouping_;
    grouping_ = nullptr;
    std::vector<std::string> groups;
    for (const lite_group_element& g : b.group_by) {
        for (const auto& set : g.sets) {
            for (const auto& e : set) groups.push_back(x(*e));
        }
    }
    for (const lite_select_item& it : b.items) {
        if (!grouped_expression(*it.expr, groups)) {
            grouping_ = saved;
            if (b.group_by.empty()) {
                throw lite_error(ora_err::not_single_group_function,
                                 "not a single-group group function");
            }
            throw lite_error(ora_err::not_group_by_expression, "not a GROUP BY expression");
        }
    }
    if (b.having && !grouped_expression(*b.having, groups)) {
        grouping_ = saved;
        throw lite_error(ora_err::not_group_by_expression, "not a GROUP BY expression");
    }
    grouping_ = saved;
}

// ------------------------------------------------------------------------------ ROWNUM

bool lite_sqlite_writer::numbers_before_select(const lite_query_block& b) {
    if (b.distinct || aggregates(b)) return true;
    for (const lite_select_item& it : b.items) {
        if (holds_analytic(*it.expr)) return true;
    }
    return false;
}

const std::vector<lite_table_column>* lite_sqlite_writer::relation_columns(
    const lite_from_item& f) const {
    if (f.kind != lite_from_item::table || !schema_) return nullptr;
    const std::string& owner = f.owner.empty() ? user_ : f.owner;
    if (const auto* cols = schema_->table_columns(owner, f.name)) return cols;
    // A view's columns keep the types of what it selects: a CHAR stays blank-padded, a NUMBER
    // held as text still sorts by its value.
    return schema_->view_columns(owner, f.name);
}

bool lite_sqlite_writer::is_dual(const lite_from_item& f) {
    if (f.kind != lite_from_item::table || f.name != "DUAL") return false;
    if (!f.owner.empty() && f.owner != "SYS" && f.owner != "PUBLIC") return false;
    if (f.owner.empty()) {
        for (const lite_with_item* w : with_items_) {
            if (w->name == f.name) return false;
        }
        // A table of the user's own named DUAL comes first, as in Oracle.
        if (schema_ && schema_->table_columns(user_, f.name)) return false;
    }
    return true;
}

bool lite_sqlite_writer::is_stored_table(const lite_from_item& f) {
    if (f.kind != lite_from_item::table || !schema_) return false;
    if (f.owner.empty()) {
        for (const lite_with_item* w : with_items_) {
            if (w->name == f.name) return false;
        }
    }
    return schema_->table_columns(f.owner.empty() ? user_ : f.owner, f.name) != nullptr;
}

void lite_sqlite_writer::first_rows(const lite_query_block& b, std::string& from,
                                    std::string& where_sql, long long n) {
    // The OFFSET keeps SQLite from merging the selects and limiting the outer one's rows.
    const std::string limit = " LIMIT " + std::to_string(n) + " OFFSET 0";
    const std::string where = where_sql.empty() ? std::string() : " WHERE " + where_sql;
    if (b.from.size() == 1 && b.from[0]->kind != lite_from_item::join) {
        // One FROM item: the rows that pass, under the item's own name, so that every
        // reference to it reads the same.
        const std::string key = key_of(*b.from[0]);
        from = "(SELECT * FROM " + from + where + limit + ")" +
               (key.empty() ? std::string() : " AS " + lite_quote_name(key));
        where_sql.clear();
        return;
    }
    // Several tables: the rows of the join that pass, told apart by their tables' rowids (an
    // outer join's missing row by a text no rowid equals).
    std::vector<const lite_from_item*> items;
    for (const auto& f : b.from) lite_from_leaves(*f, items);
    std::string keys;
    for (const lite_from_item* f : items) {
        if (!is_stored_table(*f))
            throw lite_error(ora_err::unimplemented_feature, "unimplemented feature");
        if (!keys.empty()) keys += ", ";
        keys += "ifnull(" + lite_quote_name(key_of(*f)) + ".rowid, '')";
    }
    where_sql = "(" + keys + ") IN (SELECT " + keys + " FROM " + from + where + limit + ")";
}

std::string lite_sqlite_writer::single_row(const lite_query& sub) {
    const lite_query_block& first = sub.first_block();
    std::string inner = query_level(sub, "");
    // An aggregate without GROUP BY is one row whatever it reads.
    const bool one_row = sub.block && sub.block->group_by.empty() && calls_aggregate(first);
    if (one_row || first.items.size() != 1 || first.items[0].expr->kind == lite_expr::star) {
        return "(" + inner + ")";
    }
    return "(SELECT LITE_ONE(\"LITE$S\"." + lite_quote_name(first.items[0].oracle_name) +
           ") FROM (" + inner + ") AS \"LITE$S\")";
}

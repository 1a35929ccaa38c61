// The expressions of the writer: operators, columns, numbers and calls of functions, as SQLite
// text.
#include <tuple>

#include "lite_engine.h"
#include "functions/lite_function_table.h"
#include "lite_value_text.h"
#include "sql/lite_sqlite_writer_internal.h"
#include "lite_errors.h"

namespace {

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

}  // namespace

using lite_write::join;
using lite_write::q;

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
            throw lite_error(ora_err::invalid_identifier,
                             "\"NEW\"." + lite_quote_name(last) + ": invalid identifier");
        return "(" + it->second + ")";
    }
    if (p.size() == 1) {
        if (last == "SYSDATE" || last == "CURRENT_DATE") return "SYSDATE()";
        if (last == "SYSTIMESTAMP") return "SYSTIMESTAMP()";
        if (last == "CURRENT_TIMESTAMP") return "LITE_CURRENT_TIMESTAMP()";
        if (last == "LOCALTIMESTAMP") return "LITE_LOCALTIMESTAMP()";
        if (last == "USER") return lite_quote_text(user_);
        if (last == "ROWID") return "rowid";
        if (last == "LEVEL")
            throw lite_error(ora_err::unimplemented_feature, "unimplemented feature");
        if (qualify_ && !new_row_) {
            // An inline view without an alias has no name to qualify with.
            auto src = source_of(e);
            if (src && !src->qualifier.empty()) return q(src->qualifier) + "." + q(last);
        }
        return q(last);
    }
    std::string col = last == "ROWID" ? "rowid" : q(last);
    if (p.size() == 2) return q(p[0]) + "." + col;
    if (p.size() == 3) return table_name(p[0], p[1]) + "." + col;
    throw lite_error(ora_err::invalid_identifier, "invalid identifier");
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
            int why = 0;
            if (!lite_parse_literal(e.text, e.flag, d, why)) {
                throw lite_error(why, lite_date_error_text(why));
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
            throw lite_error(ora_err::missing_expression, "missing expression");
        case lite_expr::unary:
            if (e.text == "NOT") {
                s = "(NOT " + x(*e.args[0]) + ")";
            } else if (e.text == "PRIOR") {
                throw lite_error(ora_err::unimplemented_feature, "unimplemented feature");
            } else if (e.text != "-" || (s = number_negate(e)).empty()) {
                s = "(- " + x(*e.args[0]) + ")";
            }
            break;
        case lite_expr::binary: {
            if (s = number_binary(e); !s.empty()) break;
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
                a.reserve(parts.size());
                for (const lite_expr* p : parts) a.push_back(x(*p));
                s = "LITE_CAT(" + join(a, ", ") + ")";
            } else if (o == "+" || o == "-") {
                s = std::string(o == "+" ? "LITE_ADD(" : "LITE_SUB(") + x(*e.args[0]) + ", " +
                    x(*e.args[1]) + ")";
            } else if (o == "/") {
                s = "LITE_DIV(" + x(*e.args[0]) + ", " + x(*e.args[1]) + ")";
            } else if (o == "AND" || o == "OR") {
                s = "(" + x(*e.args[0]) + " " + o + " " + x(*e.args[1]) + ")";
            } else {
                const bool pad = blank_padded(*e.args[0], {e.args[1].get()});
                s = "(" + compared(*e.args[0], pad, true) + " " + o + " " +
                    compared(*e.args[1], pad, false) + ")";
            }
            break;
        }
        case lite_expr::function:
            s = call(e);
            break;
        case lite_expr::case_expr: {
            if (s = number_case(e); !s.empty()) break;
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
            s = single_row(*e.query);
            break;
        case lite_expr::exists:
            s = "(EXISTS (" + query_level(*e.query, "") + "))";
            break;
        case lite_expr::in_list: {
            if (s = number_in_list(e); !s.empty()) break;
            std::vector<const lite_expr*> items;
            for (size_t k = 1; k < e.args.size(); ++k) items.push_back(e.args[k].get());
            const bool pad = blank_padded(*e.args[0], items);
            std::string lhs = compared(*e.args[0], pad, true);
            bool rows = e.args[0]->kind == lite_expr::tuple;
            std::string list;
            for (const lite_expr* i : items)
                list += (list.empty() ? "" : ", ") + compared(*i, pad, false);
            s = "(" + lhs + (e.flag ? " NOT IN (" : " IN (") + (rows ? "VALUES " : "") + list +
                "))";
            break;
        }
        case lite_expr::in_query:
            s = "(" + x(*e.args[0]) + (e.flag ? " NOT IN (" : " IN (") + query_level(*e.query, "") +
                "))";
            break;
        case lite_expr::between: {
            if (s = number_between(e); !s.empty()) break;
            const bool pad = blank_padded(*e.args[0], {e.args[1].get(), e.args[2].get()});
            s = "(" + compared(*e.args[0], pad, true) + (e.flag ? " NOT BETWEEN " : " BETWEEN ") +
                compared(*e.args[1], pad, false) + " AND " + compared(*e.args[2], pad, false) + ")";
            break;
        }
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
                if (ty == "CHAR" || ty == "NCHAR") {
                    // A CHAR(n) is its value blank-padded to n characters, as stored; a longer
                    // value does not fit.
                    const size_t open = e.text.find('(');
                    const long n =
                        open == std::string::npos ? 1 : std::atol(e.text.c_str() + open + 1);
                    const std::string w = std::to_string(n);
                    s = "(CASE WHEN LITE_LENGTH(" + s + ") > " + w + " THEN LITE_RAISE(" +
                        std::to_string(ora_err::data_value_out_of_range) +
                        ", 'Data value out of range') ELSE RPAD(" + s + ", " + w + ") END)";
                }
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
                throw lite_error(ora_err::unimplemented_feature, "unimplemented feature");
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
            std::string owner = e.path.size() >= 2 ? e.path[e.path.size() - 2] : std::string();
            std::string name = e.path.back();
            // An identity column's sequence is reached through its table, by whoever may
            // insert into it.
            if (name.rfind("ISEQ$$_", 0) != 0)
                std::tie(owner, name) = reached(owner, name, "SELECT");
            note_call(lite_find_sqlite_function("LITE_SEQ"));
            s = "LITE_SEQ(" + lite_quote_text(owner.empty() ? user_ : owner) + ", " +
                lite_quote_text(name) + ", '" + e.text + "')";
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
                throw lite_error(ora_err::unimplemented_feature, "unimplemented feature");
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

namespace {

void table_leaves(const lite_from_item& f, std::vector<const lite_from_item*>& out) {
    if (f.kind == lite_from_item::join) {
        if (f.left) table_leaves(*f.left, out);
        if (f.right) table_leaves(*f.right, out);
    } else if (f.kind == lite_from_item::table) {
        out.push_back(&f);
    }
}

}  // namespace

bool lite_sqlite_writer::binary_real(const lite_expr& e, bool& single) const {
    if (e.kind == lite_expr::cast) {
        const std::string ty = e.text.substr(0, e.text.find_first_of(" ("));
        single = ty == "BINARY_FLOAT";
        return single || ty == "BINARY_DOUBLE";
    }
    if (e.kind != lite_expr::column || !schema_ || e.path.empty() || e.path.size() > 3)
        return false;
    const std::string& col = e.path.back();
    const std::string qual = e.path.size() >= 2 ? e.path[e.path.size() - 2] : std::string();
    for (auto scope = scopes_.rbegin(); scope != scopes_.rend(); ++scope) {
        std::vector<const lite_from_item*> tables;
        for (const auto& f : (*scope)->from) table_leaves(*f, tables);
        for (const lite_from_item* f : tables) {
            if (!qual.empty() && f->alias != qual && !(f->alias.empty() && f->name == qual))
                continue;
            const auto* cols = relation_columns(*f);
            if (!cols) continue;
            for (const lite_table_column& c : *cols) {
                if (c.name != col) continue;
                single = c.type.data_type == "BINARY_FLOAT";
                return single || c.type.data_type == "BINARY_DOUBLE";
            }
        }
    }
    return false;
}

std::string lite_sqlite_writer::call(const lite_expr& e) {
    const std::string name = e.dotted();
    const lite_function_sig* sig = lite_find_function(name);
    if (!sig || (sig->flags & k_fn_internal) != 0) {
        std::string quoted;
        for (const std::string& p : e.path)
            quoted += (quoted.empty() ? "" : ".") + lite_quote_name(p);
        throw lite_error(ora_err::invalid_identifier, quoted + ": invalid identifier");
    }
    note_call(sig);
    const int argc = e.star_arg ? 1 : static_cast<int>(e.args.size());
    if (e.star_arg && name != "COUNT")
        throw lite_error(ora_err::missing_expression, "missing expression");
    if (argc < sig->min_args && sig->max_args < 0) {
        throw lite_error(ora_err::not_enough_arguments, "not enough arguments for function");
    }
    if (argc < sig->min_args || (sig->max_args >= 0 && argc > sig->max_args)) {
        throw lite_error(ora_err::invalid_argument_count, "invalid number of arguments");
    }
    const bool aggregate = (sig->flags & k_fn_aggregate) != 0;
    const bool analytic = (sig->flags & k_fn_analytic) != 0;
    if (analytic && !e.over)
        throw lite_error(ora_err::missing_window_clause, "missing window clause for this function");
    if (e.over && !aggregate && !analytic) {
        throw lite_error(ora_err::window_function_not_allowed,
                         "window  functions are not allowed here");
    }
    if (e.flag && !aggregate)
        throw lite_error(ora_err::distinct_not_allowed,
                         "DISTINCT option not allowed for this function");
    const std::string over = e.over ? " OVER (" + window(*e.over) + ")" : std::string();
    const bool counts_as_aggregate = aggregate && !e.over;
    // A binary real converts to text in a form of its own, which its value alone cannot tell.
    bool single = false;
    if (name == "TO_CHAR" && argc == 1 && binary_real(*e.args[0], single)) {
        return std::string(single ? "LITE_BINARY_FLOAT_TO_CHAR(" : "LITE_BINARY_TO_CHAR(") +
               x(*e.args[0]) + ")";
    }

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
        throw lite_error(ora_err::unimplemented_feature, "unimplemented feature");
    }
    if (e.star_arg) {
        args = "*";
    } else {
        args = args_of(e);
    }
    if (counts_as_aggregate) --in_aggregate_;
    return std::string(number_function(e, sig)) + "(" + (e.flag ? "DISTINCT " : "") + args + ")" +
           over;
}

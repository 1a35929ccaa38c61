// NUMBER semantics in the SQLite text. A NUMBER column holds a 64-bit integer when its value is
// one, a double when a double keeps every digit, else the exact text, so SQLite's own operators
// answer exactly only for the first two forms: text sorts after every number and converts to a
// double when an operator touches it. Where an operand is or may be a NUMBER held as text, or a
// text Oracle would convert to a NUMBER, the writer calls the engine's exact functions instead
// (LITE_CMP, LITE_MUL, LITE_NEG, LITE_NUMKEY, LITE_MIN, ...); where both operands are known to
// be integers or doubles of a NUMBER, or one is a BINARY_DOUBLE, SQLite's operator stays.
//
// Equality needs no function between numbers: every stored value has one canonical form (an
// integer when it is one, a double up to 15 digits, else text), so equal numbers are stored
// alike and SQLite's equality is exact, and an index on the column still serves it.
#include <algorithm>

#include "ddl/lite_dictionary.h"
#include "functions/lite_function_table.h"
#include "lite_engine.h"
#include "sql/lite_lexer.h"
#include "sql/lite_sqlite_writer.h"

namespace {

using num_class = lite_sqlite_writer::num_class;

bool numeric(num_class c) {
    return c == num_class::exact || c == num_class::wide;
}

// The class of values a column of this Oracle type holds.
num_class of_coltype(const lite_coltype& t) {
    const std::string& d = t.data_type;
    if (d == "NUMBER") {
        if (!t.precision) return num_class::wide;
        const int p = *t.precision, s = t.scale.value_or(0);
        // Up to 15 digits a double keeps them all; integers of up to 18 digits are int64s.
        if (p <= 15 || (p <= 18 && s <= 0)) return num_class::exact;
        return num_class::wide;
    }
    if (d == "FLOAT") return num_class::wide;
    if (d == "BINARY_DOUBLE" || d == "BINARY_FLOAT") return num_class::binary;
    if (d == "DATE" || d.rfind("TIMESTAMP", 0) == 0) return num_class::date;
    if (d == "VARCHAR2" || d == "VARCHAR" || d == "NVARCHAR2" || d == "CHAR" || d == "NCHAR" ||
        d == "CLOB" || d == "NCLOB" || d == "LONG") {
        return num_class::text;
    }
    return num_class::unknown;
}

// The class of values that may come from either of two expressions.
num_class merge(num_class a, num_class b) {
    if (a == b || b == num_class::unknown) return a;
    if (a == num_class::unknown) return b;
    if (a == num_class::binary || b == num_class::binary) {
        return numeric(a) || numeric(b) ? num_class::binary : num_class::unknown;
    }
    if (numeric(a) && numeric(b)) return num_class::wide;
    return num_class::unknown;
}

bool is_comparison(const std::string& op) {
    return op == "=" || op == "<>" || op == "!=" || op == "^=" || op == "<" || op == ">" ||
           op == "<=" || op == ">=";
}

bool is_equality(const std::string& op) {
    return op == "=" || op == "<>" || op == "!=" || op == "^=";
}

}  // namespace

const char* lite_sqlite_writer::binary_math(const lite_expr& e) {
    if (e.path.size() != 1) return nullptr;
    static const char* const k_math[][2] = {
        {"SQRT", "sqrt"}, {"EXP", "exp"}, {"LN", "ln"}, {"LOG", "log"}, {"POWER", "pow"}};
    for (const auto& m : k_math) {
        if (e.name() != m[0]) continue;
        // A BINARY_DOUBLE argument makes the function one of doubles, as in Oracle.
        for (const auto& a : e.args) {
            if (a && number_class(*a) == num_class::binary) return m[1];
        }
        return nullptr;
    }
    return nullptr;
}

lite_sqlite_writer::scope_guard::scope_guard(lite_sqlite_writer& w, const lite_query_block* b,
                                             const std::vector<lite_with_item>* with)
    : w_(w), block_(b != nullptr), with_(with != nullptr) {
    if (block_) w_.scopes_.push_back(b);
    if (with_) w_.withs_.push_back(with);
}

lite_sqlite_writer::scope_guard::~scope_guard() {
    if (block_) w_.scopes_.pop_back();
    if (with_) w_.withs_.pop_back();
}

lite_sqlite_writer::num_class lite_sqlite_writer::from_item_class(const lite_from_item& f,
                                                                  const std::string& col) {
    const lite_query* inner = nullptr;
    if (f.kind == lite_from_item::subquery) {
        inner = f.query.get();
    } else if (f.kind == lite_from_item::table && f.owner.empty()) {
        for (auto w = withs_.rbegin(); w != withs_.rend() && !inner; ++w) {
            for (const lite_with_item& item : **w) {
                if (item.name == f.name) inner = item.query.get();
            }
        }
    }
    if (inner) {
        const auto& items = inner->first_block().items;
        for (size_t k = 0; k < items.size(); ++k) {
            if (items[k].expr->kind != lite_expr::star && items[k].oracle_name == col)
                return query_column_class(*inner, k);
        }
        return num_class::unknown;
    }
    const std::vector<lite_table_column>* cols = relation_columns(f);
    if (!cols) return num_class::unknown;
    for (const lite_table_column& c : *cols) {
        if (c.name == col) return of_coltype(c.type);
    }
    return num_class::unknown;
}

lite_sqlite_writer::num_class lite_sqlite_writer::query_column_class(const lite_query& qr,
                                                                     size_t position) {
    if (!qr.block) {
        // Every operand of a compound query gives the column values: a NUMBER held as text in
        // any of them makes the column one.
        num_class c = num_class::unknown;
        if (qr.left) c = merge(c, query_column_class(*qr.left, position));
        if (qr.right) c = merge(c, query_column_class(*qr.right, position));
        return c;
    }
    const lite_query_block& b = *qr.block;
    if (position >= b.items.size() || b.items[position].expr->kind == lite_expr::star)
        return num_class::unknown;
    scope_guard g(*this, &b);
    return number_class(*b.items[position].expr);
}

lite_sqlite_writer::num_class lite_sqlite_writer::column_class(const lite_expr& e) {
    const auto& p = e.path;
    const std::string& col = p.back();
    if (p.size() == 1) {
        if (col == "SYSDATE" || col == "CURRENT_DATE" || col == "SYSTIMESTAMP" ||
            col == "CURRENT_TIMESTAMP" || col == "LOCALTIMESTAMP") {
            return num_class::date;
        }
        if (col == "USER") return num_class::text;
    }
    if (col == "ROWID" || new_row_) return num_class::unknown;
    const std::string qual = p.size() >= 2 ? p[p.size() - 2] : std::string();
    // The innermost query block first: a correlated name belongs to the nearest block with it.
    for (auto s = scopes_.rbegin(); s != scopes_.rend(); ++s) {
        std::vector<const lite_from_item*> items;
        for (const auto& f : (*s)->from) lite_from_leaves(*f, items);
        for (const lite_from_item* f : items) {
            if (!qual.empty() && f->alias != qual && !(f->alias.empty() && f->name == qual))
                continue;
            const num_class c = from_item_class(*f, col);
            if (c != num_class::unknown) return c;
        }
    }
    return num_class::unknown;
}

lite_sqlite_writer::num_class lite_sqlite_writer::number_class(const lite_expr& e) {
    if (++class_depth_ > 100) {
        --class_depth_;
        return num_class::unknown;
    }
    struct leave {
        int& d;
        ~leave() { --d; }
    } guard{class_depth_};
    auto arg = [&](size_t k) {
        return k < e.args.size() && e.args[k] ? number_class(*e.args[k]) : num_class::unknown;
    };
    switch (e.kind) {
        case lite_expr::number:
            return number(e.text) == e.text ? num_class::exact : num_class::wide;
        case lite_expr::string:
            return e.text.empty() ? num_class::unknown : num_class::text;
        case lite_expr::datetime:
            return num_class::date;
        case lite_expr::column:
            return column_class(e);
        case lite_expr::rownum:
        case lite_expr::extract:
            return num_class::exact;
        case lite_expr::sequence:
            return num_class::wide;
        case lite_expr::unary:
            if (e.text != "-" && e.text != "+") return num_class::unknown;
            if (e.text == "+") return arg(0);
            return arg(0) == num_class::binary ? num_class::binary : num_class::wide;
        case lite_expr::binary: {
            const std::string& o = e.text;
            if (o == "||") return num_class::text;
            if (o != "+" && o != "-" && o != "*" && o != "/") return num_class::unknown;
            const num_class a = arg(0), b = arg(1);
            if ((o == "+" || o == "-") && (a == num_class::date || b == num_class::date)) {
                return a == b ? num_class::wide : num_class::date;
            }
            if (a == num_class::binary || b == num_class::binary) return num_class::binary;
            return num_class::wide;
        }
        case lite_expr::case_expr: {
            num_class c = num_class::unknown;
            size_t k = e.has_operand ? 1 : 0;
            const size_t pairs_end = e.args.size() - (e.has_else ? 1 : 0);
            for (; k + 1 < pairs_end; k += 2) c = merge(c, arg(k + 1));
            if (e.has_else) c = merge(c, arg(e.args.size() - 1));
            return c;
        }
        case lite_expr::subquery:
            return query_column_class(*e.query, 0);
        case lite_expr::cast:
            return of_coltype(lite_coltype_from_decl(e.text));
        case lite_expr::trim:
            return num_class::text;
        case lite_expr::function: {
            const lite_function_sig* sig = lite_find_function(e.dotted());
            if (!sig) return num_class::unknown;
            const std::string& n = e.name();
            if (n == "COUNT" || n == "LENGTH" || n == "LENGTHB" || n == "INSTR" ||
                n == "ROW_NUMBER" || n == "RANK" || n == "DENSE_RANK" || n == "NTILE" ||
                n == "GETLENGTH") {
                return num_class::exact;
            }
            if (binary_math(e)) return num_class::binary;
            switch (sig->result) {
                case lite_result_rule::number:
                    return num_class::wide;
                case lite_result_rule::varchar2:
                case lite_result_rule::long_text:
                case lite_result_rule::clob:
                    return num_class::text;
                case lite_result_rule::date:
                case lite_result_rule::timestamp:
                case lite_result_rule::timestamp_tz:
                    return num_class::date;
                case lite_result_rule::arg0: {
                    const num_class a = arg(0);
                    if ((n == "ROUND" || n == "TRUNC") && a == num_class::text)
                        return num_class::wide;
                    return a;
                }
                case lite_result_rule::first_known: {
                    num_class c = num_class::unknown;
                    for (size_t k = 0; k < e.args.size(); ++k) c = merge(c, arg(k));
                    return c;
                }
                case lite_result_rule::decode: {
                    num_class c = num_class::unknown;
                    for (size_t k = 2; k < e.args.size(); k += 2) c = merge(c, arg(k));
                    if (e.args.size() % 2 == 0) c = merge(c, arg(e.args.size() - 1));
                    return c;
                }
                case lite_result_rule::nvl2:
                    return merge(arg(1), arg(2));
                default:
                    return num_class::unknown;
            }
        }
        default:
            return num_class::unknown;
    }
}

bool lite_sqlite_writer::compares_by_function(num_class a, num_class b, bool equality) const {
    if (a == num_class::binary || b == num_class::binary) return false;
    // Oracle turns the text into a NUMBER, and refuses one that is no number.
    if ((numeric(a) && b == num_class::text) || (a == num_class::text && numeric(b))) return true;
    if (equality) return false;
    return (a == num_class::wide && b != num_class::text && b != num_class::date) ||
           (b == num_class::wide && a != num_class::text && a != num_class::date);
}

std::string lite_sqlite_writer::number_binary(const lite_expr& e) {
    const std::string& o = e.text;
    if (is_comparison(o)) {
        const num_class a = number_class(*e.args[0]), b = number_class(*e.args[1]);
        if (!compares_by_function(a, b, is_equality(o))) return {};
        const std::string op = o == "!=" || o == "^=" ? "<>" : o;
        return "(LITE_CMP(" + x(*e.args[0]) + ", " + x(*e.args[1]) + ") " + op + " 0)";
    }
    if (o != "+" && o != "-" && o != "*" && o != "/") return {};
    const num_class a = number_class(*e.args[0]), b = number_class(*e.args[1]);
    const bool ieee = (a == num_class::binary || b == num_class::binary) && a != num_class::date &&
                      b != num_class::date;
    if (ieee) {
        // A BINARY_DOUBLE operand makes the operation one of doubles, as in Oracle.
        if (o == "/") return "(CAST(" + x(*e.args[0]) + " AS REAL) / " + x(*e.args[1]) + ")";
        return "(" + x(*e.args[0]) + " " + o + " " + x(*e.args[1]) + ")";
    }
    if (o == "*") return "LITE_MUL(" + x(*e.args[0]) + ", " + x(*e.args[1]) + ")";
    return {};
}

std::string lite_sqlite_writer::number_negate(const lite_expr& e) {
    const lite_expr& a = *e.args[0];
    const num_class c = number_class(a);
    if (c == num_class::binary || (a.kind == lite_expr::number && c == num_class::exact)) return {};
    return "LITE_NEG(" + x(a) + ")";
}

std::string lite_sqlite_writer::number_between(const lite_expr& e) {
    const num_class a = number_class(*e.args[0]);
    if (!compares_by_function(a, number_class(*e.args[1]), false) &&
        !compares_by_function(a, number_class(*e.args[2]), false)) {
        return {};
    }
    const std::string v = x(*e.args[0]);
    const std::string test = "(LITE_CMP(" + v + ", " + x(*e.args[1]) + ") >= 0 AND LITE_CMP(" + v +
                             ", " + x(*e.args[2]) + ") <= 0)";
    return e.flag ? "(NOT " + test + ")" : test;
}

std::string lite_sqlite_writer::number_in_list(const lite_expr& e) {
    if (e.args[0]->kind == lite_expr::tuple) return {};
    const num_class a = number_class(*e.args[0]);
    bool needed = false;
    for (size_t k = 1; k < e.args.size() && !needed; ++k)
        needed = compares_by_function(a, number_class(*e.args[k]), true);
    if (!needed) return {};
    const std::string v = x(*e.args[0]);
    std::string any;
    for (size_t k = 1; k < e.args.size(); ++k) {
        if (!any.empty()) any += " OR ";
        any += "LITE_CMP(" + v + ", " + x(*e.args[k]) + ") = 0";
    }
    return e.flag ? "(NOT (" + any + "))" : "(" + any + ")";
}

std::string lite_sqlite_writer::number_case(const lite_expr& e) {
    if (!e.has_operand) return {};
    const num_class a = number_class(*e.args[0]);
    const size_t pairs_end = e.args.size() - (e.has_else ? 1 : 0);
    bool needed = false;
    for (size_t k = 1; k + 1 < pairs_end && !needed; k += 2)
        needed = compares_by_function(a, number_class(*e.args[k]), true);
    if (!needed) return {};
    const std::string v = x(*e.args[0]);
    std::string s = "CASE";
    for (size_t k = 1; k + 1 < pairs_end; k += 2) {
        s += " WHEN LITE_CMP(" + v + ", " + x(*e.args[k]) + ") = 0 THEN " + x(*e.args[k + 1]);
    }
    if (e.has_else) s += " ELSE " + x(*e.args.back());
    return s + " END";
}

std::string lite_sqlite_writer::number_order_key(const lite_expr& e, std::string sql) {
    if (expanded_ || !keys_on_ || scopes_.empty()) return sql;
    num_class c = num_class::unknown;
    if (e.kind == lite_expr::column && e.path.size() == 1) {
        // A name of the select list before a column of the FROM list, as Oracle resolves it.
        for (const lite_select_item& it : scopes_.back()->items) {
            if (it.expr->kind != lite_expr::star && it.has_alias && it.oracle_name == e.name()) {
                c = number_class(*it.expr);
                break;
            }
        }
    }
    const auto& items = scopes_.back()->items;
    if (e.kind == lite_expr::number &&
        e.text.find_first_not_of("0123456789") == std::string::npos && e.text.size() < 6) {
        const long long position = std::stoll(e.text);
        // A position names a column of the select list; the key reads it by its name.
        if (position < 1) return sql;
        if (items.size() == 1 && items[0].expr->kind == lite_expr::star)
            return star_order_key(position, sql);
        if (position > static_cast<long long>(items.size())) return sql;
        const lite_select_item& it = items[static_cast<size_t>(position - 1)];
        if (it.expr->kind == lite_expr::star) return star_order_key(position, sql);
        if (number_class(*it.expr) != num_class::wide) return sql;
        return "LITE_NUMKEY(" + lite_quote_name(it.oracle_name) + ")";
    }
    if (c == num_class::unknown) c = number_class(e);
    return c == num_class::wide ? "LITE_NUMKEY(" + sql + ")" : sql;
}

std::string lite_sqlite_writer::number_set_order(const lite_query& qr, const std::string& sql) {
    if (qr.set_op == "UNION ALL" || !keys_on_) return sql;
    // Oracle sorts the rows to find the duplicates, and returns them in that order; SQLite's
    // order puts a NUMBER held as text after every other number.
    const auto& items = qr.first_block().items;
    std::vector<std::string> terms;
    bool keyed = false;
    for (size_t k = 0; k < items.size(); ++k) {
        if (items[k].expr->kind == lite_expr::star) return sql;
        std::string t = lite_quote_name(items[k].oracle_name);
        if (query_column_class(qr, k) == num_class::wide) {
            t = "LITE_NUMKEY(" + t + ")";
            keyed = true;
        }
        terms.push_back(t + " NULLS LAST");
    }
    if (!keyed) return sql;
    std::string out;
    for (const std::string& t : terms) out += (out.empty() ? "" : ", ") + t;
    return "SELECT * FROM (" + sql + ") ORDER BY " + out;
}

std::string lite_sqlite_writer::star_order_key(long long position, const std::string& sql) {
    const lite_query_block& b = *scopes_.back();
    // SELECT * of one FROM item: the position is one of that item's columns.
    if (b.items.size() != 1 || !b.items[0].expr->path.empty() || b.from.size() != 1) return sql;
    const lite_from_item& f = *b.from[0];
    const auto at = static_cast<size_t>(position - 1);
    if (f.kind == lite_from_item::subquery) {
        const auto& inner = f.query->first_block().items;
        if (at >= inner.size() || inner[at].expr->kind == lite_expr::star) return sql;
        if (query_column_class(*f.query, at) != num_class::wide) return sql;
        return "LITE_NUMKEY(" + lite_quote_name(inner[at].oracle_name) + ")";
    }
    const std::vector<lite_table_column>* cols = relation_columns(f);
    if (!cols || at >= cols->size() || from_item_class(f, (*cols)[at].name) != num_class::wide)
        return sql;
    return "LITE_NUMKEY(" + lite_quote_name((*cols)[at].name) + ")";
}

std::string lite_sqlite_writer::number_compound_order(const lite_query& qr) {
    if (qr.block || qr.order_by.empty() || !keys_on_) return {};
    const lite_query_block& first = qr.first_block();
    scope_guard in_first(*this, &first);
    std::vector<std::string> terms;
    bool keyed = false;
    for (const lite_order_item& o : qr.order_by) {
        const lite_expr& e = *o.expr;
        const lite_select_item* item = nullptr;
        if (e.kind == lite_expr::number && e.text.size() < 6 &&
            e.text.find_first_not_of("0123456789") == std::string::npos) {
            const size_t k = static_cast<size_t>(std::stoll(e.text));
            if (k >= 1 && k <= first.items.size()) item = &first.items[k - 1];
        } else if (e.kind == lite_expr::column && e.path.size() == 1) {
            for (const lite_select_item& it : first.items) {
                if (it.expr->kind != lite_expr::star && it.oracle_name == e.name()) item = &it;
            }
        }
        if (!item || item->expr->kind == lite_expr::star) return {};
        std::string t = lite_quote_name(item->oracle_name);
        if (query_column_class(qr, static_cast<size_t>(item - first.items.data())) ==
            num_class::wide) {
            t = "LITE_NUMKEY(" + t + ")";
            keyed = true;
        }
        if (o.desc) {
            t += o.nulls == 2 ? " DESC NULLS LAST" : " DESC NULLS FIRST";
        } else {
            t += o.nulls == 1 ? " NULLS FIRST" : " NULLS LAST";
        }
        terms.push_back(std::move(t));
    }
    if (!keyed) return {};
    std::string out;
    for (const std::string& t : terms) out += (out.empty() ? "" : ", ") + t;
    return out;
}

const char* lite_sqlite_writer::number_function(const lite_expr& e, const lite_function_sig* sig) {
    const std::string& n = e.name();
    if (e.args.empty() || e.path.size() != 1) return sig->sqlite_name;
    const num_class a = number_class(*e.args[0]);
    if (const char* ieee = binary_math(e)) return ieee;
    if (n == "SUM" || n == "AVG") {
        // Doubles of a BINARY_DOUBLE add as doubles.
        if (a == num_class::binary) return n == "SUM" ? "sum" : "avg";
    } else if (n == "MIN" || n == "MAX") {
        if (a == num_class::wide) {
            if (n == "MIN") return e.over ? "LITE_MIN_OVER" : "LITE_MIN";
            return e.over ? "LITE_MAX_OVER" : "LITE_MAX";
        }
    } else if (n == "GREATEST" || n == "LEAST" || n == "DECODE") {
        if (numeric(a)) {
            if (n == "DECODE") return "LITE_DECODE_NUMBER";
            return n == "GREATEST" ? "LITE_GREATEST_NUMBER" : "LITE_LEAST_NUMBER";
        }
    }
    return sig->sqlite_name;
}

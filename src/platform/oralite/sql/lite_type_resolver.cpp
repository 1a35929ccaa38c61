#include "sql/lite_type_resolver.h"

#include "ddl/lite_dictionary.h"
#include "functions/lite_function_table.h"

namespace {

lite_column of_type(const char* data_type, int64_t length = 0, int scale = -1) {
    lite_coltype t;
    t.data_type.assign(data_type);
    t.data_length = length;
    if (scale >= 0) t.scale = scale;
    const std::string_view dt(data_type);
    if (dt == "VARCHAR2" || dt == "CHAR") {
        t.char_length = length;
        t.char_used.assign("B");
    }
    return lite_describe_coltype(std::string(), t, true);
}

bool is_date(const lite_column& c) {
    return c.type_code == LITE_DATE || c.type_code == LITE_TIMESTAMP ||
           c.type_code == LITE_TIMESTAMP_TZ || c.type_code == LITE_TIMESTAMP_LTZ;
}

// Oracle computes in doubles when an operand is one.
bool is_binary(const std::optional<lite_column>& c) {
    return c && (c->type_code == LITE_BINARY_DOUBLE || c->type_code == LITE_BINARY_FLOAT);
}

bool is_text(const lite_column& c) {
    return c.type_code == LITE_VARCHAR2 || c.type_code == LITE_CHAR;
}

}  // namespace

std::optional<lite_column> lite_type_resolver::item(const lite_query& q, size_t k,
                                                    const std::string& name) {
    const lite_query_block& b = q.first_block();
    if (k >= b.items.size()) return std::nullopt;
    depth_ = 0;
    std::optional<lite_column> c = type_of(*b.items[k].expr, b, q);
    if (c) {
        c->name = name;
        c->nullable = true;
    }
    return c;
}

std::optional<lite_column> lite_type_resolver::from_item_column(const lite_from_item& f,
                                                                const std::string& col,
                                                                const lite_query& owner) {
    const lite_query* inner = nullptr;
    if (f.kind == lite_from_item::subquery) {
        inner = f.query.get();
    } else if (f.kind == lite_from_item::table && f.owner.empty()) {
        for (const lite_with_item& w : owner.with) {
            if (w.name == f.name) inner = w.query.get();
        }
    }
    if (inner) {
        const lite_query_block& b = inner->first_block();
        for (const lite_select_item& it : b.items) {
            if (it.expr->kind != lite_expr::star && it.oracle_name == col) {
                return type_of(*it.expr, b, *inner);
            }
        }
        return std::nullopt;
    }
    if (f.kind != lite_from_item::table) return std::nullopt;
    std::string o = f.owner.empty() ? session_.user() : f.owner;
    const lite_column* c = session_.dictionary_column(o, f.name, col);
    if (c) return *c;
    return std::nullopt;
}

std::optional<lite_column> lite_type_resolver::column_type(const lite_expr& e,
                                                           const lite_query_block& scope,
                                                           const lite_query& owner) {
    const auto& p = e.path;
    const std::string& col = p.back();
    if (p.size() == 1) {
        if (col == "SYSDATE" || col == "CURRENT_DATE") return of_type("DATE", 7);
        if (col == "SYSTIMESTAMP" || col == "CURRENT_TIMESTAMP") {
            return of_type("TIMESTAMP(6) WITH TIME ZONE", 13, 6);
        }
        if (col == "LOCALTIMESTAMP") return of_type("TIMESTAMP(6)", 11, 6);
        if (col == "USER") return of_type("VARCHAR2", 128);
    }
    if (col == "ROWID") return of_type("ROWID", 10);
    std::string qual = p.size() >= 2 ? p[p.size() - 2] : std::string();
    std::vector<const lite_from_item*> items;
    for (const auto& f : scope.from) lite_from_leaves(*f, items);
    for (const lite_from_item* f : items) {
        if (!qual.empty() && f->alias != qual && !(f->alias.empty() && f->name == qual)) continue;
        if (auto c = from_item_column(*f, col, owner)) return c;
    }
    return std::nullopt;
}

std::optional<lite_column> lite_type_resolver::type_of(const lite_expr& e,
                                                       const lite_query_block& scope,
                                                       const lite_query& owner) {
    if (++depth_ > 100) return std::nullopt;
    struct leave {
        int& d;
        ~leave() { --d; }
    } guard{depth_};
    switch (e.kind) {
        case lite_expr::number:
        case lite_expr::sequence:
        case lite_expr::rownum:
        case lite_expr::extract:
            return of_type("NUMBER", 22);
        case lite_expr::string:
            if (e.text.empty()) return std::nullopt;
            return of_type("CHAR", static_cast<int64_t>(e.text.size()));
        case lite_expr::datetime:
            return e.flag ? of_type("TIMESTAMP(9)", 11, 9) : of_type("DATE", 7);
        case lite_expr::column:
            return column_type(e, scope, owner);
        case lite_expr::unary: {
            if (e.text != "-") return std::nullopt;
            if (is_binary(type_of(*e.args[0], scope, owner))) return of_type("BINARY_DOUBLE", 8);
            return of_type("NUMBER", 22);
        }
        case lite_expr::binary: {
            if (e.text == "||") return of_type("VARCHAR2", 4000);
            if (e.text != "+" && e.text != "-" && e.text != "*" && e.text != "/") {
                return std::nullopt;
            }
            auto a = type_of(*e.args[0], scope, owner);
            auto b = type_of(*e.args[1], scope, owner);
            bool ad = a && is_date(*a), bd = b && is_date(*b);
            if ((e.text == "+" || e.text == "-") && ad && bd) return of_type("NUMBER", 22);
            if ((e.text == "+" || e.text == "-") && (ad || bd)) return of_type("DATE", 7);
            if (is_binary(a) || is_binary(b)) return of_type("BINARY_DOUBLE", 8);
            return of_type("NUMBER", 22);
        }
        case lite_expr::case_expr: {
            size_t k = e.has_operand ? 1 : 0;
            size_t pairs_end = e.args.size() - (e.has_else ? 1 : 0);
            for (; k + 1 < pairs_end; k += 2) {
                if (auto t = type_of(*e.args[k + 1], scope, owner)) return t;
            }
            if (e.has_else) return type_of(*e.args.back(), scope, owner);
            return std::nullopt;
        }
        case lite_expr::subquery: {
            const lite_query_block& b = e.query->first_block();
            if (b.items.empty() || b.items[0].expr->kind == lite_expr::star) return std::nullopt;
            return type_of(*b.items[0].expr, b, *e.query);
        }
        case lite_expr::cast: {
            lite_column c = lite_describe_coltype("", lite_coltype_from_decl(e.text), true);
            return c;
        }
        case lite_expr::trim:
            return of_type("VARCHAR2", 4000);
        case lite_expr::function: {
            const lite_function_sig* sig = lite_find_function(e.dotted());
            if (!sig) return std::nullopt;
            auto arg = [&](size_t k) -> std::optional<lite_column> {
                if (k >= e.args.size()) return std::nullopt;
                return type_of(*e.args[k], scope, owner);
            };
            const std::string& n = e.name();
            if (n == "SQRT" || n == "EXP" || n == "LN" || n == "LOG" || n == "POWER") {
                // Of a BINARY_DOUBLE they are BINARY_DOUBLEs, as in Oracle.
                for (size_t k = 0; k < e.args.size(); ++k) {
                    if (is_binary(arg(k))) return of_type("BINARY_DOUBLE", 8);
                }
            }
            switch (sig->result) {
                case lite_result_rule::number:
                    return of_type("NUMBER", 22);
                case lite_result_rule::varchar2:
                case lite_result_rule::long_text: {
                    auto a = arg(0);
                    if (a && a->type_code == LITE_CLOB) return a;
                    return of_type("VARCHAR2", 4000);
                }
                case lite_result_rule::date:
                    return of_type("DATE", 7);
                case lite_result_rule::timestamp:
                    return of_type("TIMESTAMP(9)", 11, 9);
                case lite_result_rule::timestamp_tz:
                    return of_type("TIMESTAMP(9) WITH TIME ZONE", 13, 9);
                case lite_result_rule::clob:
                    return of_type("CLOB", 4000);
                case lite_result_rule::blob:
                    return of_type("BLOB", 4000);
                case lite_result_rule::raw:
                    return of_type("RAW", 2000);
                case lite_result_rule::arg0: {
                    auto a = arg(0);
                    // The text of a LOB read in pieces is no LOB.
                    if (a && e.dotted() == "DBMS_LOB.SUBSTR") {
                        if (a->type_code == LITE_BLOB) return of_type("RAW", 2000);
                        return of_type("VARCHAR2", 4000);
                    }
                    if (a && (e.name() == "ROUND" || e.name() == "TRUNC") && !is_date(*a)) {
                        return of_type("NUMBER", 22);
                    }
                    return a;
                }
                case lite_result_rule::first_known:
                    for (size_t k = 0; k < e.args.size(); ++k) {
                        if (auto a = arg(k)) {
                            if (is_text(*a) && a->type_code == LITE_CHAR) continue;
                            return a;
                        }
                    }
                    return e.args.empty() ? std::nullopt : arg(0);
                case lite_result_rule::decode:
                    return arg(2);
                case lite_result_rule::nvl2:
                    if (auto a = arg(1)) return a;
                    return arg(2);
            }
            return std::nullopt;
        }
        default:
            return std::nullopt;
    }
}

// The DML of the writer: INSERT, UPDATE and DELETE, RETURNING, and inserts that fire row
// triggers.
#include <algorithm>

#include "lite_engine.h"
#include "lite_internal.h"
#include "sql/lite_parser.h"
#include "sql/lite_sqlite_writer_internal.h"
#include "lite_errors.h"

using lite_write::join;
using lite_write::q;

// ------------------------------------------------------------------------------ DML

std::string lite_sqlite_writer::returning(const lite_dml& d) {
    if (!d.returning) return {};
    std::vector<std::string> r;
    for (const auto& e : d.returning->exprs) r.push_back(x(*e));
    return " RETURNING " + join(r, ", ");
}

std::string lite_sqlite_writer::dml(const lite_dml& d) {
    static const char* const k_verbs[] = {"INSERT", "UPDATE", "DELETE"};
    const auto [owner, table] = reached(d.owner, d.table, k_verbs[d.kind]);
    // Through a synonym the statement's own name still qualifies the columns it names.
    const std::string alias = !d.alias.empty() || table == d.table ? d.alias : d.table;
    const std::string target = table_name(owner, table);
    const std::vector<lite_table_column>* cols =
        schema_ ? schema_->table_columns(owner.empty() ? user_ : owner, table) : nullptr;
    auto type_of = [&](const std::string& c) -> const lite_coltype* {
        if (!cols) return nullptr;
        for (const lite_table_column& tc : *cols) {
            if (tc.name == c) return &tc.type;
        }
        return nullptr;
    };
    store_owner_ = owner.empty() ? user_ : owner;
    store_table_ = table;
    // The WHERE clause and the values name the columns of the target.
    lite_query_block target_scope;
    target_scope.from.push_back(std::make_unique<lite_from_item>());
    target_scope.from.back()->owner = owner;
    target_scope.from.back()->name = table;
    target_scope.from.back()->alias = alias;
    scope_guard in_target(*this, &target_scope);
    std::string out;
    switch (d.kind) {
        case lite_dml::insert: {
            std::vector<std::string> names = d.columns;
            if (names.empty() && cols) {
                for (const lite_table_column& tc : *cols) names.push_back(tc.name);
            }
            insert_fills_.clear();
            for (const lite_table_column& tc : cols ? *cols : std::vector<lite_table_column>()) {
                if (tc.identity.empty() ||
                    std::find(names.begin(), names.end(), tc.name) == names.end())
                    continue;
                // Only the sequence numbers such a column: a value given for it is refused.
                if (tc.identity == "ALWAYS") {
                    throw lite_error(ora_err::insert_generated_always,
                                     "cannot insert into a generated always identity column");
                }
                if (tc.identity == "BY DEFAULT ON NULL")
                    insert_fills_.emplace_back(tc.name,
                                               lite_translate_condition(tc.default_text, user_));
            }
            const std::vector<lite_row_trigger>* triggers =
                schema_ && cols ? schema_->insert_triggers(owner.empty() ? user_ : owner, table)
                                : nullptr;
            if (triggers && !triggers->empty()) {
                out = fired_insert(d, target, names, *cols, *triggers);
                break;
            }
            out = "INSERT INTO " + target;
            if (!names.empty()) {
                std::vector<std::string> qn;
                qn.reserve(names.size());
                for (const std::string& n : names) qn.push_back(q(n));
                out += " (" + join(qn, ", ") + ")";
            }
            if (d.select) {
                std::vector<const lite_coltype*> types;
                types.reserve(names.size());
                for (const std::string& n : names) types.push_back(type_of(n));
                out += " " + coerced_rows(query_level(*d.select, ""), names, types);
            } else {
                std::vector<std::string> rows;
                for (const auto& row : d.rows) {
                    if (!names.empty() && row.size() != names.size()) {
                        throw lite_error(
                            row.size() < names.size() ? ora_err::not_enough_values
                                                      : ora_err::too_many_values,
                            row.size() < names.size() ? "not enough values" : "too many values");
                    }
                    std::vector<std::string> v;
                    for (size_t k = 0; k < row.size(); ++k) {
                        v.push_back(
                            k < names.size()
                                ? filled(coerce(x(*row[k]), type_of(names[k]), names[k]), names[k])
                                : x(*row[k]));
                    }
                    rows.push_back("(" + join(v, ", ") + ")");
                }
                out += " VALUES " + join(rows, ", ");
            }
            break;
        }
        case lite_dml::update: {
            for (const auto& a : d.sets) {
                for (const std::string& n : a.columns) {
                    for (const lite_table_column& tc :
                         cols ? *cols : std::vector<lite_table_column>()) {
                        if (tc.name == n && tc.identity == "ALWAYS") {
                            throw lite_error(ora_err::update_generated_always,
                                             "cannot update a generated always identity column");
                        }
                    }
                }
            }
            out = "UPDATE " + target;
            if (!alias.empty()) out += " AS " + q(alias);
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
            if (!alias.empty()) out += " AS " + q(alias);
            if (d.where) out += " WHERE " + x(*d.where);
            break;
    }
    insert_fills_.clear();
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
        row[names[k]] = filled(d.select ? coerce(rows_name + "." + c, type_of(names[k]), names[k])
                                        : rows_name + "." + c,
                               names[k]);
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
            if (it == row.end())
                throw lite_error(ora_err::invalid_identifier,
                                 lite_quote_name(c) + ": invalid identifier");
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
                throw lite_error(
                    r.size() < names.size() ? ora_err::not_enough_values : ora_err::too_many_values,
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

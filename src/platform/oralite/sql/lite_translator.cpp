// Oracle SQL to SQLite SQL: the statement is parsed into a tree (lite_parser) and SQLite text
// is written from the tree (lite_sqlite_writer). This unit decides what kind of statement a text
// is and what its users must know beyond the SQLite text: the RETURNING target and the table a
// FOR UPDATE query locks.
#include <cstring>

#include "lite_internal.h"
#include "sql/lite_parser.h"
#include "ddl/lite_schema.h"
#include "sql/lite_sqlite_writer.h"
#include "lite_errors.h"

namespace {

lite_statement::kind kind_of(const std::string& verb, const lite_parser& p) {
    if (verb == "SELECT" || verb == "WITH") return lite_statement::kind::query;
    if (verb == "INSERT" || verb == "UPDATE" || verb == "DELETE") return lite_statement::kind::dml;
    if (verb == "ALTER" && p.tokens()[1].is("SESSION")) return lite_statement::kind::other;
    if (verb == "CREATE" || verb == "ALTER" || verb == "DROP" || verb == "COMMENT" ||
        verb == "TRUNCATE" || verb == "GRANT" || verb == "REVOKE" || verb == "RENAME" ||
        verb == "ANALYZE" || verb == "PURGE") {
        return lite_statement::kind::ddl;
    }
    if (verb == "COMMIT" || verb == "ROLLBACK" || verb == "SAVEPOINT" || verb == "SET") {
        return lite_statement::kind::other;
    }
    if (verb == "MERGE") throw lite_error(ora_err::unimplemented_feature, "unimplemented feature");
    throw lite_error(ora_err::invalid_sql_statement, "invalid SQL statement");
}

// The leftmost table of a FROM item (the first table of a join).
const lite_from_item* leftmost(const lite_from_item* f) {
    while (f && f->kind == lite_from_item::join) f = f->left.get();
    return f;
}

// The table a FOR UPDATE query locks: the one its OF columns name, else the first of its FROM
// list. Null when that is no stored table of the query (an inline view).
const lite_from_item* update_target(const lite_query& q) {
    const lite_query_block& b = q.first_block();
    if (b.from.empty()) return nullptr;
    if (!q.for_update_of.empty() && q.for_update_of[0].size() >= 2) {
        const auto& path = q.for_update_of[0];
        const std::string& qual = path[path.size() - 2];
        std::vector<const lite_from_item*> stack;
        for (const auto& f : b.from) stack.push_back(f.get());
        while (!stack.empty()) {
            const lite_from_item* f = stack.back();
            stack.pop_back();
            if (f->kind == lite_from_item::join) {
                stack.push_back(f->left.get());
                stack.push_back(f->right.get());
            } else if (f->kind == lite_from_item::table && (f->alias == qual || f->name == qual)) {
                return f;
            }
        }
        return nullptr;
    }
    const lite_from_item* f = leftmost(b.from[0].get());
    return f && f->kind == lite_from_item::table ? f : nullptr;
}

}  // namespace

std::string lite_statement_verb(std::string_view oracle_sql) {
    std::vector<lite_token> t = lite_tokenize(oracle_sql);
    size_t k = 0;
    while (t[k].is_op("(")) ++k;
    return t[k].kind == lite_token::ident ? t[k].text : std::string();
}

lite_translation lite_translate(const std::string& oracle_sql, const std::string& user,
                                lite_schema* schema) {
    lite_parser p(oracle_sql);
    lite_translation tr;
    if (p.tokens().size() == 1)
        throw lite_error(ora_err::invalid_sql_statement, "invalid SQL statement");
    tr.verb = p.verb();
    tr.kind = kind_of(tr.verb, p);
    if (tr.kind != lite_statement::kind::query && tr.kind != lite_statement::kind::dml) {
        tr.sql = oracle_sql;
        return tr;
    }
    lite_sqlite_writer w(user, schema);
    if (tr.kind == lite_statement::kind::query) {
        std::shared_ptr<lite_query> q = p.query_statement();
        std::string hidden;
        if (q->for_update) {
            if (const lite_from_item* f = update_target(*q)) {
                const auto [o, table] = schema ? schema->resolve(f->owner, f->name, "SELECT")
                                               : std::make_pair(f->owner, f->name);
                std::string owner = o.empty() ? user : o;
                // Only a stored table has rows to write back; a view has no rowid.
                if (!schema || schema->table_columns(owner, table)) {
                    tr.update_owner = owner;
                    tr.update_table = table;
                    tr.hidden_rowid = true;
                    hidden = f->alias.empty() ? f->name : f->alias;
                }
            }
        }
        tr.sql = w.query(*q, hidden);
        tr.uses_session_state = w.uses_session_state();
        tr.tree = std::move(q);
        return tr;
    }
    std::unique_ptr<lite_dml> d = p.dml_statement();
    if (d->returning) {
        const lite_returning& r = *d->returning;
        const lite_expr& e = *r.exprs[0];
        if (r.exprs.size() != 1 || e.kind != lite_expr::column || e.name() != "ROWID") {
            throw lite_error(ora_err::unimplemented_feature, "unimplemented feature");
        }
        tr.returning_bind = r.binds[0];
    }
    tr.sql = w.dml(*d);
    tr.uses_session_state = w.uses_session_state();
    return tr;
}

std::string lite_translate_condition(std::string_view oracle_text, const std::string& user,
                                     const std::vector<lite_table_column>* columns) {
    lite_parser p(oracle_text);
    lite_expr_ptr e = p.expression_statement();
    if (!columns) {
        lite_sqlite_writer w(user, nullptr);
        return w.expression(*e);
    }
    // The one table, under a name no other can have.
    class one_table : public lite_schema {
    public:
        explicit one_table(const std::vector<lite_table_column>& c) : c_(c) {}
        const std::vector<lite_table_column>* table_columns(const std::string&,
                                                            const std::string&) override {
            return &c_;
        }

    private:
        const std::vector<lite_table_column>& c_;
    } table(*columns);
    lite_sqlite_writer w(user, &table);
    return w.table_expression(*e, "LITE$TABLE");
}

std::string lite_translate_query(std::string_view oracle_text, const std::string& user,
                                 lite_schema* schema) {
    lite_parser p(oracle_text);
    lite_query_ptr q = p.query_statement();
    lite_sqlite_writer w(user, schema);
    w.write_dual_inline();
    return w.query(*q);
}

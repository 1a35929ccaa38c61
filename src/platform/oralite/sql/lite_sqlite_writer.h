// Writes the SQLite text of a parsed Oracle statement. Every construct is written from the
// tree, fully bracketed, so SQLite's own operator precedence never decides anything; what SQLite
// lacks is written as calls of the engine's functions (LITE_CAT for ||, LITE_ADD/LITE_SUB for
// date arithmetic, LITE_LISTAGG, LITE_EXTRACT, ...) or rewritten (old (+) outer joins, ROWNUM
// limits, FETCH FIRST, GROUPING SETS/ROLLUP/CUBE as a union of plain groupings).
//
// Constructs the engine cannot run raise lite_error: ORA-00904 for unknown functions, ORA-00909
// for wrong argument counts, ORA-01719 for (+) forms it cannot rewrite, ORA-03001 otherwise.
//
// Thread-safety: a writer is used by one thread.
#ifndef TW_PLATFORM_ORALITE_LITE_SQLITE_WRITER_H
#define TW_PLATFORM_ORALITE_LITE_SQLITE_WRITER_H

#include <map>
#include <string>
#include <vector>

#include "sql/lite_ast.h"
#include "functions/lite_function_table.h"
#include "ddl/lite_schema.h"

class lite_sqlite_writer {
public:
    // `user` is the session's schema (written as SQLite's "main"); `schema` may be null.
    lite_sqlite_writer(std::string user, lite_schema* schema);

    // A whole query. With `hidden_rowid_of` set, the first query block gets one more column,
    // the rowid of that table or alias, after the ones Oracle describes.
    std::string query(const lite_query& q, const std::string& hidden_rowid_of = "");
    // INSERT, UPDATE or DELETE; a RETURNING clause is written as SQLite's RETURNING.
    std::string dml(const lite_dml& d);
    // One expression or condition.
    std::string expression(const lite_expr& e);
    // The SQLite form of a table name ([schema.]"NAME").
    std::string table_name(const std::string& owner, const std::string& name) const;
    // True once the text written calls a function marked as using the session.
    bool uses_session_state() const noexcept { return uses_session_state_; }

private:
    struct grouping;  // the grouping set a branch of an expanded GROUP BY stands for

    std::string query_level(const lite_query& q, const std::string& hidden);
    std::string block(const lite_query_block& b, const std::string& hidden, long long* limit,
                      bool ordered);
    std::string plain_block(const lite_query_block& b, const std::string& hidden,
                            const std::vector<std::string>* group_exprs, long long* limit,
                            bool ordered);
    std::string expanded_block(const lite_query_block& b, const std::string& hidden);
    std::string from_clause(const lite_query_block& b, const lite_expr** where_left);
    std::string from_item(const lite_from_item& f);
    std::string order_list(const std::vector<lite_order_item>& items);
    std::string window(const lite_window& w);
    std::string x(const lite_expr& e);
    std::string column(const lite_expr& e);
    std::string number(const std::string& text) const;
    std::string call(const lite_expr& e);
    std::string args_of(const lite_expr& e, size_t from = 0);
    // The value as column `column` of the DML's table stores it: converted to the column's type
    // and checked against its length, precision and scale (lite_sqlite_writer_store.cpp).
    std::string coerce(const std::string& value_sql, const lite_coltype* target,
                       const std::string& column) const;
    // INSERT ... SELECT: the query's rows pass through coerce on their way into the columns.
    std::string coerced_rows(const std::string& query_sql, const std::vector<std::string>& names,
                             const std::vector<const lite_coltype*>& types) const;
    std::string returning(const lite_dml& d);
    // An INSERT into a table with row triggers: the rows become a common table expression and
    // the SELECT over it computes each trigger's assignments.
    std::string fired_insert(const lite_dml& d, const std::string& target,
                             const std::vector<std::string>& names,
                             const std::vector<lite_table_column>& cols,
                             const std::vector<lite_row_trigger>& triggers);

    // Marks the text as using the session when the called function does.
    void note_call(const lite_function_sig* sig);
    // True when `e` is a BINARY_DOUBLE (or, `single` set, a BINARY_FLOAT): a cast to one, or a
    // column that a table of the query blocks being written declares so.
    bool binary_real(const lite_expr& e, bool& single) const;

    std::string user_;
    lite_schema* schema_;
    const grouping* grouping_ = nullptr;
    // The query blocks being written, innermost last: the scopes of their column names.
    std::vector<const lite_query_block*> scopes_;
    int in_aggregate_ = 0;
    // An expanded GROUP BY's query block, whose ORDER BY must name result columns.
    const lite_query_block* expanded_ = nullptr;
    // While a trigger's expressions are written: NEW.column -> its SQLite value.
    const std::map<std::string, std::string>* new_row_ = nullptr;
    bool uses_session_state_ = false;
    // The table a DML statement stores into, as its errors name it.
    std::string store_owner_, store_table_;
};

#endif

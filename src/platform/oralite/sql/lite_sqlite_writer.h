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
#include <optional>
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
    // One expression or condition on the columns of table `table` (unqualified names).
    std::string table_expression(const lite_expr& e, const std::string& table);
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

    // Oracle's meaning where SQLite's differs (lite_sqlite_writer_rules.cpp).
    struct column_source {
        std::string qualifier;               // the FROM item's alias, else its table's name
        const lite_coltype* type = nullptr;  // null when not told
    };
    struct lookup {
        bool known = false;  // the FROM item's columns are known
        bool has = false;
        const lite_coltype* type = nullptr;
    };
    // The FROM item of the innermost query block being written that a column comes from;
    // nullopt unless that is certain.
    std::optional<column_source> source_of(const lite_expr& column);
    lookup column_of(const lite_from_item& f, const std::string& column);
    bool is_stored_table(const lite_from_item& f);
    // A CHAR or NCHAR value, or a text literal: what compares blank-padded.
    bool char_typed(const lite_expr& e);
    // Whether a comparison of e with the others is blank-padded: all of them char_typed.
    bool blank_padded(const lite_expr& e, const std::vector<const lite_expr*>& others);
    // An operand of a comparison; the first of a blank-padded one carries the collation.
    std::string compared(const lite_expr& e, bool padded, bool first);
    // A block that groups its rows (GROUP BY, HAVING or an aggregate in its select list), and
    // one whose select list or HAVING calls an aggregate.
    static bool aggregates(const lite_query_block& b);
    static bool calls_aggregate(const lite_query_block& b);
    bool grouped_expression(const lite_expr& e, const std::vector<std::string>& groups);
    // ORA-00937 or ORA-00979 for a select list or HAVING that reads rows of an aggregating block.
    void check_grouped(const lite_query_block& b);
    // Whether ROWNUM limits must act on the rows before the select list does its work.
    static bool numbers_before_select(const lite_query_block& b);
    // The FROM and WHERE of a block whose rows are the first n that pass its WHERE.
    void first_rows(const lite_query_block& b, std::string& from, std::string& where_sql,
                    long long n);
    // A scalar sub-query as one value, ORA-01427 for a second row.
    std::string single_row(const lite_query& q);

    std::string user_;
    lite_schema* schema_;
    const grouping* grouping_ = nullptr;
    int in_aggregate_ = 0;
    // An expanded GROUP BY's query block, whose ORDER BY must name result columns.
    const lite_query_block* expanded_ = nullptr;
    // While a trigger's expressions are written: NEW.column -> its SQLite value.
    const std::map<std::string, std::string>* new_row_ = nullptr;
    bool uses_session_state_ = false;
    // The query blocks being written, innermost last, and the WITH queries in view.
    std::vector<const lite_query_block*> scopes_;
    std::vector<const lite_with_item*> withs_;
    // Columns are written with their FROM item's name, so that the grouping expressions of a
    // block compare as text however they were written.
    bool qualify_ = false;
    int resolving_ = 0;  // inline views followed to tell a column's type
    // The table a DML statement stores into, as its errors name it.
    std::string store_owner_, store_table_;
};

#endif

// Writes the SQLite text of a parsed Oracle statement. Every construct is written from the
// tree, fully bracketed, so SQLite's own operator precedence never decides anything; what SQLite
// lacks is written as calls of the engine's functions (LITE_CAT for ||, LITE_ADD/LITE_SUB for
// date and exact NUMBER arithmetic, LITE_CMP and LITE_NUMKEY where NUMBERs stored as text are
// compared or sorted, LITE_LISTAGG, LITE_EXTRACT, ...) or rewritten (old (+) outer joins, ROWNUM
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
#include <utility>
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
    // Writes DUAL as its one row instead of the session's TEMP table, which the text of a
    // stored view cannot read.
    void write_dual_inline() noexcept { dual_inline_ = true; }
    // The SQLite form of a table name ([schema.]"NAME").
    std::string table_name(const std::string& owner, const std::string& name) const;
    // True once the text written calls a function marked as using the session.
    bool uses_session_state() const noexcept { return uses_session_state_; }

    // What an expression's values are, as far as the statement tells: exact holds integers and
    // doubles of a NUMBER (SQLite's own operators answer exactly), wide may hold a NUMBER stored
    // as its text.
    enum class num_class { unknown, text, exact, wide, binary, date };

private:
    // The object owner.name stands for (through a synonym, not for a WITH name), checked for
    // the privilege the statement uses it with.
    std::pair<std::string, std::string> reached(const std::string& owner, const std::string& name,
                                                const char* privilege);
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

    // NUMBER semantics (lite_sqlite_writer_number.cpp).
    // Keeps a query block as the scope its column names are looked up in, and a WITH list as
    // the names of queries in force, while it lives.
    class scope_guard {
    public:
        scope_guard(lite_sqlite_writer& w, const lite_query_block* b,
                    const std::vector<lite_with_item>* with = nullptr);
        ~scope_guard();
        scope_guard(const scope_guard&) = delete;
        scope_guard& operator=(const scope_guard&) = delete;

    private:
        lite_sqlite_writer& w_;
        bool block_, with_;
    };
    num_class number_class(const lite_expr& e);
    num_class column_class(const lite_expr& e);
    // The class of a query's result column at a position, over every operand of a compound.
    num_class query_column_class(const lite_query& qr, size_t position);
    num_class from_item_class(const lite_from_item& f, const std::string& col);
    bool compares_by_function(num_class a, num_class b, bool equality) const;
    // The exact forms of operators, BETWEEN, IN lists and CASE matching; "" where SQLite's own
    // form gives Oracle's answer.
    std::string number_binary(const lite_expr& e);
    std::string number_negate(const lite_expr& e);
    std::string number_between(const lite_expr& e);
    std::string number_in_list(const lite_expr& e);
    std::string number_case(const lite_expr& e);
    // An ORDER BY term that sorts NUMBERs stored in any form by their values.
    std::string number_order_key(const lite_expr& e, std::string sql);
    // The key of ORDER BY position under SELECT *; `sql` when none is needed.
    std::string star_order_key(long long position, const std::string& sql);
    // The ORDER BY terms of a compound query over its wrapped rows when a NUMBER needs a key;
    // "" when its own terms sort right.
    std::string number_compound_order(const lite_query& qr);
    // A UNION, INTERSECT or MINUS without ORDER BY, its rows in the order of their values.
    std::string number_set_order(const lite_query& qr, const std::string& sql);
    // The function a call writes: an exact twin for numbers, SQLite's own for BINARY_DOUBLE.
    const char* number_function(const lite_expr& e, const lite_function_sig* sig);
    // SQLite's function for SQRT, EXP, LN, LOG or POWER with a BINARY_DOUBLE argument; null
    // for any other call.
    const char* binary_math(const lite_expr& e);

    // Marks the text as using the session when the called function does.
    void note_call(const lite_function_sig* sig);
    // True when `e` is a BINARY_DOUBLE (or, `single` set, a BINARY_FLOAT): a cast to one, or a
    // column that a table of the query blocks being written declares so.
    bool binary_real(const lite_expr& e, bool& single) const;

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
    // The session's DUAL, not a table or WITH query of that name.
    bool is_dual(const lite_from_item& f);
    // The columns of the table or view a FROM item names; null when it names neither.
    const std::vector<lite_table_column>* relation_columns(const lite_from_item& f) const;
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
    // The query blocks being written, innermost last, and the WITH lists in force.
    std::vector<const lite_query_block*> scopes_;
    std::vector<const std::vector<lite_with_item>*> withs_;
    int class_depth_ = 0;
    // False while a RANGE frame's ORDER BY is written: its offsets need the values themselves.
    bool keys_on_ = true;
    bool dual_inline_ = false;
    // The WITH queries in view, one by one, for telling a column's source and type.
    std::vector<const lite_with_item*> with_items_;
    // Columns are written with their FROM item's name, so that the grouping expressions of a
    // block compare as text however they were written.
    bool qualify_ = false;
    int resolving_ = 0;  // inline views followed to tell a column's type
    // The table a DML statement stores into, as its errors name it.
    std::string store_owner_, store_table_;
};

#endif

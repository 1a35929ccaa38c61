// The tree the Oracle SQL parser builds and the SQLite writer walks: expressions, query blocks
// with their set operations, and the DML statements. Nodes own their children and hold no back
// pointers, so a subtree can be moved freely. The node types share one header because they are
// one tree: none means anything without the others.
//
// Thread-safety: plain data; a tree belongs to one thread at a time.
#ifndef TW_PLATFORM_ORALITE_LITE_AST_H
#define TW_PLATFORM_ORALITE_LITE_AST_H

#include <memory>
#include <string>
#include <vector>

struct lite_expr;
struct lite_query;
using lite_expr_ptr = std::unique_ptr<lite_expr>;
using lite_query_ptr = std::unique_ptr<lite_query>;

struct lite_order_item {
    lite_expr_ptr expr;
    bool desc = false;
    int nulls = 0;  // 0 as the direction implies, 1 NULLS FIRST, 2 NULLS LAST
};

// One bound of a window frame: UNBOUNDED PRECEDING, n PRECEDING, CURRENT ROW, n FOLLOWING,
// UNBOUNDED FOLLOWING.
struct lite_frame_bound {
    enum kind_t { unbounded_preceding, preceding, current_row, following, unbounded_following };
    kind_t kind = current_row;
    lite_expr_ptr offset;
};

struct lite_window {
    std::vector<lite_expr_ptr> partition_by;
    std::vector<lite_order_item> order_by;
    std::string frame_units;  // "", "ROWS" or "RANGE"
    lite_frame_bound frame_start, frame_end;
    bool frame_between = false;
};

struct lite_expr {
    enum kind_t {
        number,      // text: as written
        string,      // text: value ('' is NULL in Oracle, kept as written here)
        null,        //
        datetime,    // text: ISO value; flag: TIMESTAMP literal
        bind,        // text: name upper-cased, without ':'
        column,      // path: [owner.][table.]column; flag: marked with (+)
        star,        // path: qualifier of "t.*" (empty for "*")
        unary,       // text: "-", "+", "NOT", "PRIOR"; args[0]
        binary,      // text: operator (+ - * / || = <> < <= > >= AND OR); args[0], args[1]
        function,    // path: name parts; args; flag: DISTINCT; star_arg: COUNT(*)
        case_expr,   // args: [operand] when, then, ..., [else]; has_operand, has_else
        subquery,    // query: a scalar sub-query
        exists,      // query
        in_list,     // args[0] IN (args[1..]); flag: NOT IN
        in_query,    // args[0] IN (query); flag: NOT IN
        between,     // args[0] BETWEEN args[1] AND args[2]; flag: NOT
        like,        // args[0] LIKE args[1] [ESCAPE args[2]]; flag: NOT
        is_null,     // args[0] IS [NOT] NULL; flag: NOT
        is_json,     // args[0] IS [NOT] JSON; flag: NOT
        cast,        // CAST(args[0] AS text)
        extract,     // text: field; args[0]
        trim,        // text: LEADING, TRAILING or BOTH; args[0] source, [args[1] character]
        sequence,    // path: [owner.]sequence; text: NEXTVAL or CURRVAL
        rownum,      //
        tuple,       // (a, b, ...): args
        quantified,  // args[0] op ANY/ALL (query); text: op; text2: ANY or ALL
    };
    kind_t kind = null;
    std::string text;
    std::string text2;
    std::vector<std::string> path;
    std::vector<lite_expr_ptr> args;
    lite_query_ptr query;
    bool flag = false;
    bool star_arg = false;
    bool has_operand = false;
    bool has_else = false;
    // Aggregates and analytic functions.
    std::unique_ptr<lite_window> over;
    std::vector<lite_order_item> within_group;  // LISTAGG ... WITHIN GROUP (ORDER BY ...)
    bool overflow_truncate = false;             // LISTAGG ... ON OVERFLOW TRUNCATE
    std::string overflow_filler = "...";
    bool overflow_count = true;
    // Where the expression was written, as byte offsets into the statement's text.
    size_t begin = 0, end = 0;

    // The function or column name written last ("GETLENGTH" of DBMS_LOB.GETLENGTH).
    const std::string& name() const { return path.back(); }
    // The whole dotted name ("DBMS_LOB.GETLENGTH").
    std::string dotted() const;
};

struct lite_select_item {
    lite_expr_ptr expr;
    std::string alias;  // as given (case kept for quoted aliases); empty when none
    bool has_alias = false;
    std::string oracle_name;  // what a describe calls the column
};

struct lite_from_item {
    enum kind_t { table, subquery, join };
    kind_t kind = table;
    std::string owner;  // empty: the session's schema (or a WITH name)
    std::string name;
    lite_query_ptr query;
    std::string alias;
    // Joins.
    std::string join_type;  // INNER, LEFT, RIGHT, FULL, CROSS
    std::unique_ptr<lite_from_item> left, right;
    lite_expr_ptr on;
    std::vector<std::string> using_columns;
    bool natural = false;
};
using lite_from_ptr = std::unique_ptr<lite_from_item>;

// The leaves of a FROM item: its tables and inline views, joins opened up.
inline void lite_from_leaves(const lite_from_item& f, std::vector<const lite_from_item*>& out) {
    if (f.kind == lite_from_item::join) {
        if (f.left) lite_from_leaves(*f.left, out);
        if (f.right) lite_from_leaves(*f.right, out);
    } else {
        out.push_back(&f);
    }
}

// One element of GROUP BY: an expression, ROLLUP, CUBE or GROUPING SETS. Each list in `sets`
// is one element of the construct (a composite column or a grouping set; empty for "()").
struct lite_group_element {
    enum kind_t { expr, rollup, cube, grouping_sets };
    kind_t kind = expr;
    std::vector<std::vector<lite_expr_ptr>> sets;
};

struct lite_query_block {
    bool distinct = false;
    std::vector<lite_select_item> items;
    std::vector<lite_from_ptr> from;
    lite_expr_ptr where;
    std::vector<lite_group_element> group_by;
    lite_expr_ptr having;
    bool hierarchical = false;  // START WITH / CONNECT BY seen
};

struct lite_with_item {
    std::string name;
    std::vector<std::string> columns;
    lite_query_ptr query;
};

struct lite_query {
    // A query block, or a set operation of two queries.
    std::unique_ptr<lite_query_block> block;
    std::string set_op;  // UNION, UNION ALL, MINUS, INTERSECT when block is null
    lite_query_ptr left, right;
    std::vector<lite_with_item> with;
    std::vector<lite_order_item> order_by;
    lite_expr_ptr offset, fetch;  // OFFSET n ROWS, FETCH FIRST n ROWS ONLY
    bool for_update = false;
    std::vector<std::vector<std::string>> for_update_of;  // FOR UPDATE OF [t.]col, ...

    // The first query block (the one whose select list names the columns).
    lite_query_block& first_block();
    const lite_query_block& first_block() const;
};

struct lite_returning {
    std::vector<lite_expr_ptr> exprs;
    std::vector<std::string> binds;  // upper-case, without ':'
};

struct lite_dml {
    enum kind_t { insert, update, remove };
    kind_t kind = insert;
    std::string owner, table, alias;
    std::vector<std::string> columns;              // INSERT column list
    std::vector<std::vector<lite_expr_ptr>> rows;  // INSERT ... VALUES
    lite_query_ptr select;                         // INSERT ... SELECT
    // UPDATE: one column = expr, or (a, b) = (sub-query).
    struct assignment {
        std::vector<std::string> columns;
        lite_expr_ptr value;
    };
    std::vector<assignment> sets;
    lite_expr_ptr where;
    std::unique_ptr<lite_returning> returning;
};

#endif

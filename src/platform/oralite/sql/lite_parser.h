// The parser of Oracle SQL for the embedded engine: recursive descent for statements and
// clauses, precedence climbing for expressions, over the tokens of lite_lexer.h. It builds the
// tree of lite_ast.h and knows nothing of SQLite or of the stored schema; what a statement
// means is the translator's business. Syntax errors are raised as the lite_error Oracle gives
// (ORA-00900, 00904, 00905, 00906, 00907, 00917, 00921, 00923, 00933, 00936, 01756, ...).
//
// Operator precedence is Oracle's, loosest first: OR; AND; NOT; comparisons, IS [NOT] NULL,
// LIKE, BETWEEN, IN; binary + - and ||; * and /; unary + - and PRIOR. Operators of one level
// associate to the left, so 1 + 2 || 'x' is (1 + 2) || 'x'.
//
// Thread-safety: a parser is used by one thread; distinct parsers share nothing.
#ifndef TW_PLATFORM_ORALITE_LITE_PARSER_H
#define TW_PLATFORM_ORALITE_LITE_PARSER_H

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "sql/lite_ast.h"
#include "sql/lite_lexer.h"
#include "lite_errors.h"

class lite_parser {
public:
    // Tokenizes the text; trailing ';' and '/' are dropped. The text must outlive the parser.
    explicit lite_parser(std::string_view sql);

    // A whole query (WITH, SELECT, set operations, ORDER BY, OFFSET/FETCH, FOR UPDATE).
    lite_query_ptr query_statement();
    // A whole INSERT, UPDATE or DELETE.
    std::unique_ptr<lite_dml> dml_statement();
    // A whole expression or condition (CHECK conditions, defaults).
    lite_expr_ptr expression_statement();

    // The first keyword of the statement, upper-case ("" when it starts otherwise).
    std::string verb() const;
    const std::vector<lite_token>& tokens() const noexcept { return t_; }

private:
    // Tokens.
    const lite_token& cur() const { return t_[i_]; }
    const lite_token& peek(size_t k = 1) const;
    bool at_end() const { return t_[i_].kind == lite_token::end; }
    bool word(std::string_view w);
    bool op(std::string_view o);
    void need_word(std::string_view w, int code = ora_err::missing_keyword,
                   const char* text = "missing keyword");
    void need_op(std::string_view o);
    void need_end();
    [[noreturn]] void fail_here(int code, const char* text) const;
    std::string name(int code = ora_err::invalid_identifier,
                     const char* text = "invalid identifier");
    bool is_name() const;
    bool alias_follows() const;
    std::string take_alias();

    // Queries.
    lite_query_ptr query();
    lite_query_ptr set_expression();
    lite_query_ptr query_term();
    std::unique_ptr<lite_query_block> query_block();
    void select_item(lite_query_block& b);
    lite_from_ptr table_reference();
    lite_from_ptr table_primary();
    void group_by(lite_query_block& b);
    std::vector<lite_expr_ptr> grouping_list();
    std::vector<lite_order_item> order_list();
    void order_tail(lite_query& q);

    // Expressions.
    lite_expr_ptr expr();
    lite_expr_ptr or_expr();
    lite_expr_ptr and_expr();
    lite_expr_ptr logical_chain(const char* op, lite_expr_ptr (lite_parser::*next)());
    lite_expr_ptr not_expr();
    lite_expr_ptr comparison();
    lite_expr_ptr binary(int min_prec);
    lite_expr_ptr unary();
    lite_expr_ptr primary();
    lite_expr_ptr name_expression();
    lite_expr_ptr call(std::vector<std::string> path, size_t begin);
    lite_expr_ptr case_expression(size_t begin);
    std::unique_ptr<lite_window> window();
    lite_frame_bound frame_bound();
    std::string type_text();
    lite_expr_ptr node(lite_expr::kind_t k, size_t begin);
    void close(lite_expr& e);

    // DML.
    std::unique_ptr<lite_returning> returning();
    void dml_target(lite_dml& d);

    std::string_view src_;
    std::vector<lite_token> t_;
    size_t i_ = 0;
    int depth_ = 0;  // nesting of expressions and sub-queries, bounded against deep recursion
};

#endif

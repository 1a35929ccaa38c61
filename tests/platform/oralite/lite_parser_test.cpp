// The parser: the tree it builds and the errors it raises, without SQLite.
#include <gtest/gtest.h>

#include "lite_engine.h"
#include "sql/lite_parser.h"

namespace {

// The tree of an expression written back with full brackets.
std::string shape(const lite_expr& e) {
    switch (e.kind) {
        case lite_expr::binary:
            return "(" + shape(*e.args[0]) + " " + e.text + " " + shape(*e.args[1]) + ")";
        case lite_expr::unary:
            return "(" + e.text + " " + shape(*e.args[0]) + ")";
        case lite_expr::column:
            return e.dotted() + (e.flag ? "(+)" : "");
        case lite_expr::number:
        case lite_expr::bind:
            return e.text;
        case lite_expr::string:
            return "'" + e.text + "'";
        case lite_expr::function: {
            std::string r = e.dotted() + "(";
            for (size_t k = 0; k < e.args.size(); ++k) r += (k ? ", " : "") + shape(*e.args[k]);
            return r + ")" + (e.over ? " OVER" : "");
        }
        case lite_expr::is_null:
            return "(" + shape(*e.args[0]) + (e.flag ? " IS NOT NULL)" : " IS NULL)");
        case lite_expr::between:
            return "(" + shape(*e.args[0]) + " BETWEEN " + shape(*e.args[1]) + " AND " +
                   shape(*e.args[2]) + ")";
        default:
            return "<" + std::to_string(static_cast<int>(e.kind)) + ">";
    }
}

std::string expr_shape(const std::string& text) {
    lite_parser p(text);
    return shape(*p.expression_statement());
}

int fails_with(const std::string& text) {
    try {
        lite_parser p(text);
        p.query_statement();
    } catch (const lite_error& e) {
        return e.code();
    }
    return 0;
}

TEST(LiteParser, PrecedenceIsOracles) {
    EXPECT_EQ(expr_shape("1 + 2 || 'x'"), "((1 + 2) || 'x')");
    EXPECT_EQ(expr_shape("'x' || 1 + 2"), "(('x' || 1) + 2)");
    EXPECT_EQ(expr_shape("a + b * c - d / e"), "((A + (B * C)) - (D / E))");
    EXPECT_EQ(expr_shape("- a * b"), "((- A) * B)");
    EXPECT_EQ(expr_shape("a = 1 or b = 2 and c = 3"), "((A = 1) OR ((B = 2) AND (C = 3)))");
    EXPECT_EQ(expr_shape("not a = 1 and b is not null"), "((NOT (A = 1)) AND (B IS NOT NULL))");
    EXPECT_EQ(expr_shape("a between 1 + 1 and 3 and b = 4"),
              "((A BETWEEN (1 + 1) AND 3) AND (B = 4))");
    EXPECT_EQ(expr_shape("x.a(+) = y.b"), "(X.A(+) = Y.B)");
    EXPECT_EQ(expr_shape("dbms_lob.getlength(c) + :n"), "(DBMS_LOB.GETLENGTH(C) + N)");
    EXPECT_EQ(expr_shape("a != b"), "(A <> B)");
}

TEST(LiteParser, QueriesBuildTheirParts) {
    lite_parser p(
        "with q as (select a from t) select distinct x.a, count(*) over (partition by b) c "
        "from q x join u on u.a = x.a where x.a > 1 group by rollup(x.a, (b, c)) having "
        "count(*) > 1 order by 1 desc nulls last fetch first 5 rows only for update of x.a nowait");
    lite_query_ptr q = p.query_statement();
    ASSERT_EQ(q->with.size(), 1u);
    const lite_query_block& b = q->first_block();
    EXPECT_TRUE(b.distinct);
    ASSERT_EQ(b.items.size(), 2u);
    EXPECT_EQ(b.items[0].oracle_name, "A");
    EXPECT_EQ(b.items[1].oracle_name, "C");
    EXPECT_TRUE(b.items[1].expr->over != nullptr);
    ASSERT_EQ(b.from.size(), 1u);
    EXPECT_EQ(b.from[0]->kind, lite_from_item::join);
    ASSERT_EQ(b.group_by.size(), 1u);
    EXPECT_EQ(b.group_by[0].kind, lite_group_element::rollup);
    EXPECT_EQ(b.group_by[0].sets.size(), 2u);
    EXPECT_EQ(b.group_by[0].sets[1].size(), 2u);
    ASSERT_EQ(q->order_by.size(), 1u);
    EXPECT_TRUE(q->order_by[0].desc);
    EXPECT_EQ(q->order_by[0].nulls, 2);
    EXPECT_TRUE(q->fetch != nullptr);
    EXPECT_TRUE(q->for_update);
    EXPECT_EQ(q->for_update_of[0], (std::vector<std::string>{"X", "A"}));
}

TEST(LiteParser, DmlStatements) {
    lite_parser p(
        "update emp e set (a, b) = (select 1, 2 from dual), c = c + 1 where id = :1 "
        "returning rowid into :r");
    auto d = p.dml_statement();
    EXPECT_EQ(d->kind, lite_dml::update);
    EXPECT_EQ(d->alias, "E");
    ASSERT_EQ(d->sets.size(), 2u);
    EXPECT_EQ(d->sets[0].columns.size(), 2u);
    ASSERT_TRUE(d->returning != nullptr);
    EXPECT_EQ(d->returning->binds[0], "R");
    lite_parser ins("insert into hr.t (a, b) values (1, 'x')");
    auto i = ins.dml_statement();
    EXPECT_EQ(i->owner, "HR");
    EXPECT_EQ(i->columns.size(), 2u);
    EXPECT_EQ(i->rows.size(), 1u);
}

TEST(LiteParser, ErrorsByNumber) {
    EXPECT_EQ(fails_with("select a from"), 903);
    EXPECT_EQ(fails_with("select a, from t"), 936);
    EXPECT_EQ(fails_with("select a from t where"), 936);
    EXPECT_EQ(fails_with("select a from t order a"), 933);
    EXPECT_EQ(fails_with("select f(a from t"), 907);
    EXPECT_EQ(fails_with("select case a when 1 then 2 from t"), 905);
    EXPECT_EQ(fails_with("select \"\" from t"), 1741);
    EXPECT_EQ(fails_with("select a from t where a in 1"), 906);
    std::string deep = "select ";
    for (int k = 0; k < 5000; ++k) deep += "(";
    EXPECT_NE(fails_with(deep + "1"), 0) << "deep nesting fails instead of overflowing the stack";
}

}  // namespace

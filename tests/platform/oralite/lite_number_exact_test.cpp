// NUMBER is exact decimal: arithmetic, comparison, ordering and aggregation give Oracle's
// answers for values of up to 40 digits, whether a value is stored as an integer, a double or
// its exact text; BINARY_DOUBLE stays IEEE.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "lite_test_helpers.h"

namespace {

using rows_t = std::vector<std::vector<std::string>>;

const char* const k_big = "12345678901234567890123456789012345678";

class LiteNumberExact : public ::testing::Test {
protected:
    void SetUp() override {
        s_ = inst_.logon();
        s_->execute("CREATE TABLE n (id NUMBER(4), v NUMBER)");
        const char* values[] = {"-12345678901234567890123",
                                "5",
                                "12345678901234567890.5",
                                "-3.5",
                                "1000.25",
                                "99999999999999999999999999999999999999",
                                "0"};
        int id = 0;
        for (const char* v : values) {
            s_->execute("INSERT INTO n VALUES (" + std::to_string(++id) + ", " + v + ")");
        }
    }

    std::string cell(const std::string& sql) { return lite_cell(*s_, sql); }
    std::vector<std::string> ids(const std::string& where_and_order) {
        std::vector<std::string> out;
        for (const auto& r : lite_rows(*s_, "SELECT id FROM n " + where_and_order)) {
            out.push_back(r[0]);
        }
        return out;
    }

    lite_scratch inst_;
    std::unique_ptr<lite_session> s_;
};

using ids_t = std::vector<std::string>;

TEST_F(LiteNumberExact, ArithmeticOnFortyDigitsIsExact) {
    const std::string b = k_big;
    EXPECT_EQ(cell("SELECT " + b + " + 1 FROM dual"), "12345678901234567890123456789012345679");
    EXPECT_EQ(cell("SELECT " + b + " - " + b + " FROM dual"), "0");
    EXPECT_EQ(cell("SELECT " + b + " * 2 FROM dual"), "24691357802469135780246913578024691356");
    EXPECT_EQ(cell("SELECT " + b + " / 2 FROM dual"), "6172839450617283945061728394506172839");
    EXPECT_EQ(cell("SELECT -" + b + " FROM dual"), "-" + b);
    EXPECT_EQ(cell("SELECT 99999999999999999999 * 99999999999999999999 FROM dual"),
              "9999999999999999999800000000000000000001");
    EXPECT_EQ(cell("SELECT 9223372036854775807 + 1 FROM dual"), "9223372036854775808");
    EXPECT_EQ(cell("SELECT 4294967296 * 4294967296 FROM dual"), "18446744073709551616");
    EXPECT_EQ(cell("SELECT .1 + .2 FROM dual"), ".3");
    EXPECT_EQ(cell("SELECT v + 1 FROM n WHERE id = 6"), "100000000000000000000000000000000000000");
    EXPECT_EQ(cell("SELECT v * -2 FROM n WHERE id = 3"), "-24691357802469135781");
}

TEST_F(LiteNumberExact, QuotientsKeepEveryDigitANumberHolds) {
    EXPECT_EQ(cell("SELECT 1/3 FROM dual"), ".3333333333333333333333333333333333333333");
    EXPECT_EQ(cell("SELECT 2/3 FROM dual"), ".6666666666666666666666666666666666666667");
    EXPECT_EQ(cell("SELECT 1/19 FROM dual"), ".0526315789473684210526315789473684210526");
    EXPECT_EQ(cell("SELECT 1/3*3 FROM dual"), ".9999999999999999999999999999999999999999");
    EXPECT_EQ(cell("SELECT 7/2 FROM dual"), "3.5");
    EXPECT_EQ(lite_fails_with(*s_, "SELECT 1/0 FROM dual"), 1476);
}

TEST_F(LiteNumberExact, FunctionsOfNumbersAreExact) {
    EXPECT_EQ(cell("SELECT round(v, 0) FROM n WHERE id = 3"), "12345678901234567891");
    EXPECT_EQ(cell("SELECT trunc(v) FROM n WHERE id = 3"), "12345678901234567890");
    EXPECT_EQ(cell("SELECT floor(v) FROM n WHERE id = 3"), "12345678901234567890");
    EXPECT_EQ(cell("SELECT ceil(v) FROM n WHERE id = 3"), "12345678901234567891");
    EXPECT_EQ(cell("SELECT abs(v) FROM n WHERE id = 1"), "12345678901234567890123");
    EXPECT_EQ(cell("SELECT sign(v) FROM n WHERE id = 1"), "-1");
    EXPECT_EQ(cell("SELECT mod(v, 7) FROM n WHERE id = 6"), "1");
    EXPECT_EQ(cell("SELECT mod(-7.5, 2) FROM dual"), "-1.5");
    EXPECT_EQ(cell("SELECT power(2, 100) FROM dual"), "1267650600228229401496703205376");
    EXPECT_EQ(cell("SELECT power(10, -2) FROM dual"), ".01");
    EXPECT_EQ(cell("SELECT round(2.675, 2) FROM dual"), "2.68");
    EXPECT_EQ(cell("SELECT round(-2.5) FROM dual"), "-3");
}

TEST_F(LiteNumberExact, SquareRootsLogarithmsAndPowersKeepANumbersDigits) {
    EXPECT_EQ(cell("SELECT sqrt(2) FROM dual"), "1.41421356237309504880168872420969807857");
    EXPECT_EQ(cell("SELECT exp(1) FROM dual"), "2.71828182845904523536028747135266249776");
    EXPECT_EQ(cell("SELECT ln(10) FROM dual"), "2.3025850929940456840179914546843642076");
    EXPECT_EQ(cell("SELECT ln(2) FROM dual"), ".6931471805599453094172321214581765680755");
    EXPECT_EQ(cell("SELECT log(10, 2) FROM dual"), ".3010299956639811952137388947244930267682");
    EXPECT_EQ(cell("SELECT power(2, .5) FROM dual"), "1.41421356237309504880168872420969807857");
    EXPECT_EQ(cell("SELECT power(10, 2.5) FROM dual"), "316.227766016837933199889354443271853372");
    // Exact answers stay exact.
    EXPECT_EQ(lite_rows(*s_,
                        "SELECT sqrt(4), sqrt(.0001), power(4, .5), log(10, 100), log(2, 8), "
                        "exp(0), ln(1), sqrt(0) FROM dual"),
              (rows_t{{"2", ".01", "2", "2", "3", "1", "0", "0"}}));
    // Values stored as text, and the ends of a NUMBER's range.
    EXPECT_EQ(cell("SELECT sqrt(v) FROM n WHERE id = 6"),
              "9999999999999999999.99999999999999999995");
    EXPECT_EQ(cell("SELECT sqrt(1e125) FROM dual"), "3.16227766016837933199889354443271853372E+62");
    EXPECT_EQ(cell("SELECT exp(290) FROM dual"), "8.818602191274965898609482242773346935903E+125");
    EXPECT_EQ(cell("SELECT ln(1e-130) FROM dual"), "-299.336062089225938922338889108967346988");
    EXPECT_EQ(cell("SELECT exp(-71.25) * 1e40 FROM dual"),
              "1138985419.014403235469465408009137230371");
    EXPECT_EQ(cell("SELECT exp(-1000) FROM dual"), "0");
    EXPECT_EQ(lite_fails_with(*s_, "SELECT exp(300) FROM dual"), 1426);
    EXPECT_EQ(lite_fails_with(*s_, "SELECT power(10, 126.5) FROM dual"), 1426);
    // Arguments out of each function's domain.
    for (const char* bad :
         {"sqrt(-1)", "ln(0)", "ln(-2)", "log(1, 5)", "log(-1, 5)", "log(2, 0)", "power(-2, .5)"}) {
        EXPECT_EQ(lite_fails_with(*s_, std::string("SELECT ") + bad + " FROM dual"), 1428) << bad;
    }
    try {
        s_->execute("SELECT sqrt(-1) FROM dual");
        ADD_FAILURE() << "sqrt(-1) ran";
    } catch (const lite_error& e) {
        EXPECT_STREQ(e.what(), "ORA-01428: argument '-1' is out of range");
    }
    // Of a BINARY_DOUBLE they are IEEE doubles.
    s_->execute("CREATE TABLE r (a BINARY_DOUBLE)");
    s_->execute("INSERT INTO r VALUES (2)");
    EXPECT_EQ(lite_rows(*s_, "SELECT sqrt(a), exp(a), power(a, .5) FROM r"),
              (rows_t{{"1.4142135623730951", "7.38905609893065", "1.4142135623730951"}}));
}

TEST_F(LiteNumberExact, ComparisonsCompareValuesStoredAsText) {
    EXPECT_EQ(ids("WHERE v > 0 ORDER BY id"), (ids_t{"2", "3", "5", "6"}));
    EXPECT_EQ(ids("WHERE v > 1000 ORDER BY id"), (ids_t{"3", "5", "6"}));
    EXPECT_EQ(ids("WHERE v < -4 ORDER BY id"), (ids_t{"1"}));
    EXPECT_EQ(ids("WHERE v <= 5 ORDER BY id"), (ids_t{"1", "2", "4", "7"}));
    EXPECT_EQ(ids("WHERE v BETWEEN -5 AND 12345678901234567890.5 ORDER BY id"),
              (ids_t{"2", "3", "4", "5", "7"}));
    EXPECT_EQ(ids("WHERE v NOT BETWEEN -5 AND 6 ORDER BY id"), (ids_t{"1", "3", "5", "6"}));
    EXPECT_EQ(ids("WHERE v IN (5, 12345678901234567890.5) ORDER BY id"), (ids_t{"2", "3"}));
    EXPECT_EQ(ids("WHERE v = 12345678901234567890.50 ORDER BY id"), (ids_t{"3"}));
    EXPECT_EQ(ids("WHERE v <> 0 AND v > -100 ORDER BY id"), (ids_t{"2", "3", "4", "5", "6"}));
    EXPECT_EQ(cell("SELECT CASE WHEN 12345678901234567890123 > 9 THEN 'y' END FROM dual"), "y");
    EXPECT_EQ(cell("SELECT CASE v WHEN 12345678901234567890.5 THEN 'big' ELSE 'no' END FROM n "
                   "WHERE id = 3"),
              "big");
    EXPECT_EQ(cell("SELECT decode(v, 12345678901234567890.5, 'big', 'no') FROM n WHERE id = 3"),
              "big");
    EXPECT_EQ(cell("SELECT greatest(v, 1) FROM n WHERE id = 3"), "12345678901234567890.5");
    EXPECT_EQ(cell("SELECT least(v, 1) FROM n WHERE id = 1"), "-12345678901234567890123");
}

TEST_F(LiteNumberExact, TextMeetsNumberAsANumber) {
    EXPECT_EQ(lite_fails_with(*s_, "SELECT 1 FROM dual WHERE 'x1' = 1"), 1722);
    EXPECT_EQ(lite_fails_with(*s_, "SELECT id FROM n WHERE v > 'abc'"), 1722);
    EXPECT_EQ(lite_rows(*s_, "SELECT 1 FROM dual WHERE '5' > 10").size(), 0u);
    EXPECT_EQ(lite_rows(*s_, "SELECT 1 FROM dual WHERE '10' > 9").size(), 1u);
    EXPECT_EQ(lite_rows(*s_, "SELECT 1 FROM dual WHERE ' 007 ' = 7").size(), 1u);
    EXPECT_EQ(ids("WHERE v = '1000.250' ORDER BY id"), (ids_t{"5"}));
}

TEST_F(LiteNumberExact, OrderingAndGroupingFollowTheValues) {
    EXPECT_EQ(ids("ORDER BY v"), (ids_t{"1", "4", "7", "2", "5", "3", "6"}));
    EXPECT_EQ(ids("ORDER BY v DESC"), (ids_t{"6", "3", "5", "2", "7", "4", "1"}));
    EXPECT_EQ(lite_rows(*s_, "SELECT v AS x FROM n WHERE id < 4 ORDER BY x"),
              (rows_t{{"-12345678901234567890123"}, {"5"}, {"12345678901234567890.5"}}));
    EXPECT_EQ(lite_rows(*s_, "SELECT v FROM n WHERE id < 4 ORDER BY 1 DESC"),
              (rows_t{{"12345678901234567890.5"}, {"5"}, {"-12345678901234567890123"}}));
    EXPECT_EQ(lite_rows(*s_, "SELECT v FROM n WHERE id < 3 UNION SELECT 7 FROM dual ORDER BY 1"),
              (rows_t{{"-12345678901234567890123"}, {"5"}, {"7"}}));
    EXPECT_EQ(lite_rows(*s_,
                        "SELECT id FROM n a WHERE EXISTS (SELECT 1 FROM n b WHERE b.v > a.v "
                        "AND b.id <> 6) AND id <> 7 ORDER BY id"),
              (rows_t{{"1"}, {"2"}, {"4"}, {"5"}}));
    EXPECT_EQ(cell("SELECT max(v) FROM n"), "99999999999999999999999999999999999999");
    EXPECT_EQ(cell("SELECT min(v) FROM n"), "-12345678901234567890123");
    EXPECT_EQ(cell("SELECT max(v) FROM n WHERE id < 6"), "12345678901234567890.5");
    s_->execute("CREATE TABLE g (v NUMBER)");
    s_->execute("INSERT INTO g VALUES (1)");
    s_->execute("INSERT INTO g VALUES (1.0)");
    s_->execute("INSERT INTO g VALUES (1.00)");
    s_->execute("INSERT INTO g VALUES (12345678901234567890.5)");
    s_->execute("INSERT INTO g VALUES (12345678901234567890.50)");
    EXPECT_EQ(lite_rows(*s_, "SELECT v, count(*) FROM g GROUP BY v ORDER BY v"),
              (rows_t{{"1", "3"}, {"12345678901234567890.5", "2"}}));
    EXPECT_EQ(lite_rows(*s_, "SELECT DISTINCT v FROM g ORDER BY v"),
              (rows_t{{"1"}, {"12345678901234567890.5"}}));
}

TEST_F(LiteNumberExact, EveryPathThatSortsOrGroupsUsesTheValues) {
    s_->execute("CREATE TABLE s (g NUMBER, v NUMBER)");
    const std::string big = k_big, bigger = "12345678901234567890123456789012345679";
    for (const std::string& row : {"1, " + big, std::string("1, 5"), "2, -" + big,
                                   std::string("2, 7"), "1, " + bigger, std::string("2, 100")}) {
        s_->execute("INSERT INTO s VALUES (" + row + ")");
    }
    s_->execute("CREATE VIEW sv AS SELECT g, v FROM s");
    const rows_t sorted{{"-" + big}, {"5"}, {"7"}, {"100"}, {big}, {bigger}};
    const rows_t first3{{"-" + big}, {"5"}, {"7"}};
    EXPECT_EQ(lite_rows(*s_, "select v from (select v from s order by v) where rownum <= 3"),
              first3);
    EXPECT_EQ(lite_rows(*s_, "select * from (select v from s order by 1) where rownum <= 3"),
              first3);
    EXPECT_EQ(lite_rows(*s_, "select v from s where rownum <= 6 order by v"), sorted);
    EXPECT_EQ(lite_rows(*s_, "select v from sv order by v"), sorted);
    EXPECT_EQ(lite_rows(*s_, "select v from s union select v from s"), sorted);
    EXPECT_EQ(lite_rows(*s_, "select v from s intersect select v from s"), sorted);
    EXPECT_EQ(lite_rows(*s_, "select 5 from dual union select v from s"), sorted);
    EXPECT_EQ(lite_rows(*s_, "select distinct v from s order by v"), sorted);
    EXPECT_EQ(lite_rows(*s_,
                        "select v from (select 5 v from dual union all select v from s "
                        "where v <> 5) order by v"),
              sorted);
    EXPECT_EQ(lite_rows(*s_,
                        "select * from (select 5 v from dual union all select v from s "
                        "where v <> 5) order by 1"),
              sorted);
    EXPECT_EQ(lite_rows(*s_, "select g, v from s order by 2, 1")[0], (ids_t{"2", "-" + big}));
    EXPECT_EQ(lite_rows(*s_, "select g, v, count(*) from s group by rollup(g, v) order by g, v"),
              (rows_t{{"1", "5", "1"},
                      {"1", big, "1"},
                      {"1", bigger, "1"},
                      {"1", "<null>", "3"},
                      {"2", "-" + big, "1"},
                      {"2", "7", "1"},
                      {"2", "100", "1"},
                      {"2", "<null>", "3"},
                      {"<null>", "<null>", "6"}}));
    EXPECT_EQ(lite_rows(*s_, "select v from s group by cube(v) order by v"),
              (rows_t{{"-" + big}, {"5"}, {"7"}, {"100"}, {big}, {bigger}, {"<null>"}}));
    EXPECT_EQ(lite_rows(*s_,
                        "select v from s group by grouping sets((g, v), (v)) having g is "
                        "null order by v"),
              sorted);
    EXPECT_EQ(lite_rows(*s_, "select v, row_number() over (order by v) from s order by 2")[0],
              (ids_t{"-" + big, "1"}));
    EXPECT_EQ(lite_rows(*s_,
                        "select v, sum(v) over (order by v range between unbounded preceding "
                        "and current row) from s order by v")[1],
              (ids_t{"5", "-12345678901234567890123456789012345673"}));
    EXPECT_EQ(lite_rows(*s_, "select g, min(v), max(v) from s group by g order by g"),
              (rows_t{{"1", "5", bigger}, {"2", "-" + big, "100"}}));
    EXPECT_EQ(lite_rows(*s_,
                        "select min(v), max(v) from (select 5 v from dual union all "
                        "select v from s)"),
              (rows_t{{"-" + big, bigger}}));
    // A view may select from DUAL too.
    s_->execute("CREATE VIEW su AS SELECT 5 v FROM dual UNION ALL SELECT v FROM s WHERE v <> 5");
    EXPECT_EQ(lite_rows(*s_, "select min(v), max(v), count(*) from su"),
              (rows_t{{"-" + big, bigger, "6"}}));
    EXPECT_EQ(lite_rows(*s_, "select v from su order by v"), sorted);
    // A view's own conditions and order are those of its query.
    s_->execute("CREATE VIEW sw AS SELECT v FROM s WHERE v > 10 ORDER BY v");
    EXPECT_EQ(lite_rows(*s_, "select v from sw"), (rows_t{{"100"}, {big}, {bigger}}));
}

TEST_F(LiteNumberExact, SumsOfPricesAreExact) {
    s_->execute(
        "CREATE TABLE order_items (id NUMBER, quantity NUMBER(6), unit_price NUMBER(10,2))");
    // A sale and its return: the products differ in their last cent only.
    s_->execute("INSERT INTO order_items VALUES (1, 3, 1234567.89)");
    s_->execute("INSERT INTO order_items VALUES (2, -3, 1234567.88)");
    EXPECT_EQ(cell("SELECT sum(quantity * unit_price) FROM order_items"), ".03");
    for (int k = 3; k <= 400; ++k) {
        s_->execute("INSERT INTO order_items VALUES (" + std::to_string(k) + ", " +
                    std::to_string(k % 7 + 1) + ", " + std::to_string(k * 37 % 5000) + "." +
                    std::to_string(10 + k * 53 % 90) + ")");
    }
    EXPECT_EQ(cell("SELECT sum(quantity * unit_price) FROM order_items"), "3950330.76");
    EXPECT_EQ(cell("SELECT sum(unit_price) FROM order_items WHERE id <= 2"), "2469135.77");
    EXPECT_EQ(cell("SELECT avg(unit_price) FROM order_items WHERE id <= 2"), "1234567.885");
    EXPECT_EQ(cell("SELECT avg(quantity) FROM order_items WHERE id IN (3, 4, 6)"),
              "5.33333333333333333333333333333333333333");
    EXPECT_EQ(cell("SELECT sum(v) FROM n WHERE id IN (1, 3)"), "-12333333222333333322232.5");
    EXPECT_EQ(lite_rows(*s_,
                        "SELECT id, sum(unit_price) OVER (ORDER BY id) FROM order_items "
                        "WHERE id <= 2 ORDER BY id"),
              (rows_t{{"1", "1234567.89"}, {"2", "2469135.77"}}));
    EXPECT_EQ(
        lite_rows(*s_,
                  "SELECT id, max(v) OVER (ORDER BY id ROWS BETWEEN 1 PRECEDING AND "
                  "CURRENT ROW) FROM n WHERE id <= 3 ORDER BY id"),
        (rows_t{{"1", "-12345678901234567890123"}, {"2", "5"}, {"3", "12345678901234567890.5"}}));
    EXPECT_EQ(cell("SELECT sum(v) FROM n WHERE id > 100"), "<null>");
}

TEST_F(LiteNumberExact, UpdatesAndDeletesFindTheirRowsByValue) {
    s_->execute("UPDATE n SET v = v * 2 WHERE v > 1000");
    EXPECT_EQ(cell("SELECT v FROM n WHERE id = 3"), "24691357802469135781");
    EXPECT_EQ(cell("SELECT v FROM n WHERE id = 6"), "199999999999999999999999999999999999998");
    s_->execute("DELETE FROM n WHERE v < 0");
    EXPECT_EQ(ids("ORDER BY id"), (ids_t{"2", "3", "5", "6", "7"}));
}

TEST_F(LiteNumberExact, BinaryDoubleStaysIeeeAndDatesStillMove) {
    s_->execute("CREATE TABLE r (a BINARY_DOUBLE, b BINARY_DOUBLE)");
    s_->execute("INSERT INTO r VALUES (.1, .2)");
    EXPECT_EQ(cell("SELECT a + b FROM r"), ".30000000000000004");
    EXPECT_EQ(cell("SELECT a * 3 FROM r"), ".30000000000000004");
    EXPECT_EQ(cell("SELECT to_char(DATE '2020-01-31' + 1.5, 'YYYY-MM-DD HH24:MI') FROM dual"),
              "2020-02-01 12:00");
    EXPECT_EQ(cell("SELECT DATE '2020-03-01' - DATE '2020-02-01' FROM dual"), "29");
}

}  // namespace

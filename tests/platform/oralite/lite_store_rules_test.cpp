// What a column refuses and how it rounds, each case with the answer Oracle gives for it.
#include <gtest/gtest.h>

#include <string>

#include "lite_engine.h"
#include "lite_test_helpers.h"

namespace {

class LiteStoreRules : public ::testing::Test {
protected:
    void SetUp() override {
        s_ = inst_.logon();
        s_->execute(
            "CREATE TABLE fit (id NUMBER, v VARCHAR2(5), vc VARCHAR2(3 CHAR), c CHAR(5), "
            "r RAW(2), p NUMBER(5,2), i NUMBER(2), n NUMBER)");
    }
    // The Oracle error text of a statement that must fail.
    std::string error_of(const std::string& sql) {
        try {
            s_->execute(sql);
        } catch (const lite_error& e) {
            return e.what();
        }
        return "no error";
    }
    lite_scratch inst_;
    std::unique_ptr<lite_session> s_;
};

TEST_F(LiteStoreRules, TooLongValuesAreRefusedWithTheirColumnAndLengths) {
    const std::string user = lite_cell(*s_, "select user from dual");
    const std::string col = "\"" + user + "\".\"FIT\".";
    EXPECT_EQ(error_of("insert into fit (id, v) values (1, 'abcdefg')"),
              "ORA-12899: value too large for column " + col + "\"V\" (actual: 7, maximum: 5)");
    EXPECT_EQ(error_of("insert into fit (id, c) values (1, 'abcdef')"),
              "ORA-12899: value too large for column " + col + "\"C\" (actual: 6, maximum: 5)");
    EXPECT_EQ(error_of("insert into fit (id, r) values (1, 'AABBCC')"),
              "ORA-12899: value too large for column " + col + "\"R\" (actual: 3, maximum: 2)");
    // Byte semantics count bytes, CHAR semantics characters.
    EXPECT_EQ(error_of("insert into fit (id, v) values (1, 'ééé')"),
              "ORA-12899: value too large for column " + col + "\"V\" (actual: 6, maximum: 5)");
    s_->execute("insert into fit (id, vc) values (1, 'ééé')");
    EXPECT_EQ(error_of("insert into fit (id, vc) values (1, 'éééé')"),
              "ORA-12899: value too large for column " + col + "\"VC\" (actual: 4, maximum: 3)");
    // UPDATE and INSERT ... SELECT are held to the same lengths.
    s_->execute("insert into fit (id, v) values (2, 'abcde')");
    EXPECT_EQ(lite_fails_with(*s_, "update fit set v = v || 'f' where id = 2"), 12899);
    EXPECT_EQ(
        lite_fails_with(*s_, "insert into fit (id, v) select 3, v || v from fit where id = 2"),
        12899);
    EXPECT_EQ(lite_cell(*s_, "select count(*) from fit"), "2");
    EXPECT_EQ(lite_cell(*s_, "select v from fit where id = 2"), "abcde");
}

TEST_F(LiteStoreRules, NumbersPastTheirPrecisionOrNoNumbersAreRefused) {
    EXPECT_EQ(error_of("insert into fit (id, p) values (1, 99999)"),
              "ORA-01438: value larger than specified precision allowed for this column");
    EXPECT_EQ(lite_fails_with(*s_, "insert into fit (id, i) values (1, 100)"), 1438);
    // 999.995 rounds to 1000.00, one digit too many.
    EXPECT_EQ(lite_fails_with(*s_, "insert into fit (id, p) values (1, 999.995)"), 1438);
    EXPECT_EQ(error_of("insert into fit (id, n) values (1, 'x1')"), "ORA-01722: invalid number");
    EXPECT_EQ(lite_fails_with(*s_, "insert into fit (id, p) values (1, 'x1')"), 1722);
    s_->execute("insert into fit (id, p, i, n) values (2, 999.99, -99, ' 12 ')");
    EXPECT_EQ(lite_fails_with(*s_, "update fit set i = i - 1 where id = 2"), 1438);
    EXPECT_EQ(lite_fails_with(*s_, "insert into fit (id, i) select 3, p from fit"), 1438);
    EXPECT_EQ(lite_cell(*s_, "select n + 1 from fit where id = 2"), "13");
    EXPECT_EQ(lite_cell(*s_, "select count(*) from fit"), "1");
}

TEST_F(LiteStoreRules, ScaledNumbersAreStoredRounded) {
    s_->execute("insert into fit (id, p, i) values (1, 1.005, 1.5)");
    s_->execute("insert into fit (id, p, i) values (2, -1.005, -1.5)");
    auto ins = s_->prepare("insert into fit (id, p) values (3, :1)");
    ins->bind_text(1, "2.675");
    ins->execute();
    // The stored value is the rounded one: it compares and adds as such.
    EXPECT_EQ(lite_cell(*s_, "select count(*) from fit where p = 1.01"), "1");
    EXPECT_EQ(lite_cell(*s_, "select p * 100 from fit where id = 1"), "101");
    EXPECT_EQ(lite_rows(*s_, "select p, i from fit order by id"),
              (std::vector<std::vector<std::string>>{
                  {"1.01", "2"}, {"-1.01", "-2"}, {"2.68", "<null>"}}));
}

}  // namespace

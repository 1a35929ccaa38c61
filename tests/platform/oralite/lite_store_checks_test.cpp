// What a column accepts: each case states the answer Oracle gives for a value stored into a
// column, and checks the engine gives the same (the error, its text, or the value kept).
#include <gtest/gtest.h>

#include "lite_test_helpers.h"

namespace {

class LiteStoreChecks : public ::testing::Test {
protected:
    void SetUp() override {
        s_ = inst_.logon();
        s_->execute(
            "CREATE TABLE t (v VARCHAR2(5), vc VARCHAR2(3 CHAR), c CHAR(5), r RAW(2), "
            "n52 NUMBER(5,2), n2 NUMBER(2), n NUMBER, nm2 NUMBER(4,-2), f FLOAT, bd "
            "BINARY_DOUBLE)");
    }
    // The text of the error a statement fails with ("" when it runs).
    std::string error_of(const std::string& sql) {
        try {
            s_->execute(sql);
        } catch (const lite_error& e) {
            return e.what();
        }
        return {};
    }
    lite_scratch inst_;
    std::unique_ptr<lite_session> s_;
};

TEST_F(LiteStoreChecks, TextAndRawPastTheirLengthAreRefused) {
    EXPECT_EQ(error_of("INSERT INTO t (v) VALUES ('abcdefg')"),
              "ORA-12899: value too large for column \"APP\".\"T\".\"V\" (actual: 7, maximum: 5)");
    EXPECT_EQ(error_of("INSERT INTO t (c) VALUES ('abcdef')"),
              "ORA-12899: value too large for column \"APP\".\"T\".\"C\" (actual: 6, maximum: 5)");
    EXPECT_EQ(error_of("INSERT INTO t (r) VALUES ('AABBCC')"),
              "ORA-12899: value too large for column \"APP\".\"T\".\"R\" (actual: 3, maximum: 2)");
    // Byte semantics count bytes; CHAR semantics count characters.
    EXPECT_EQ(lite_fails_with(*s_, "INSERT INTO t (v) VALUES ('\xC3\xA9\xC3\xA9\xC3\xA9')"), 12899);
    EXPECT_EQ(lite_fails_with(*s_, "INSERT INTO t (vc) VALUES ('\xC3\xA9\xC3\xA9\xC3\xA9')"), 0);
    EXPECT_EQ(error_of("INSERT INTO t (vc) VALUES ('abcd')"),
              "ORA-12899: value too large for column \"APP\".\"T\".\"VC\" (actual: 4, maximum: 3)");
    // What fits is stored as given.
    EXPECT_EQ(lite_fails_with(*s_, "INSERT INTO t (v, c, r) VALUES ('abcde', 'ab', 'AABB')"), 0);
    EXPECT_EQ(lite_cell(*s_, "SELECT count(*) FROM t WHERE v = 'abcde' AND r = HEXTORAW('AABB')"),
              "1");
    // A number stored into text counts the characters of its text.
    EXPECT_EQ(lite_fails_with(*s_, "INSERT INTO t (v) VALUES (123456)"), 12899);
    EXPECT_EQ(lite_fails_with(*s_, "INSERT INTO t (v) VALUES (12345)"), 0);
}

TEST_F(LiteStoreChecks, NumbersPastTheirPrecisionAreRefused) {
    const std::string too_large =
        "ORA-01438: value larger than specified precision allowed for this column";
    EXPECT_EQ(error_of("INSERT INTO t (n52) VALUES (99999)"), too_large);
    EXPECT_EQ(error_of("INSERT INTO t (n2) VALUES (100)"), too_large);
    EXPECT_EQ(error_of("INSERT INTO t (n52) VALUES (999.995)"), too_large);  // rounds to 1000.00
    EXPECT_EQ(error_of("INSERT INTO t (n2) VALUES (-100)"), too_large);
    EXPECT_EQ(lite_fails_with(*s_, "INSERT INTO t (n2) VALUES (99.4)"), 0);  // rounds to 99
    EXPECT_EQ(lite_fails_with(*s_, "INSERT INTO t (n2) VALUES (99.5)"), 1438);
    EXPECT_EQ(lite_fails_with(*s_, "INSERT INTO t (n52) VALUES (999.99)"), 0);
    // A negative scale rounds left of the point; the precision counts from there.
    EXPECT_EQ(lite_fails_with(*s_, "INSERT INTO t (nm2) VALUES (123449)"), 0);
    EXPECT_EQ(lite_fails_with(*s_, "INSERT INTO t (nm2) VALUES (1234567)"), 1438);
    EXPECT_EQ(lite_cell(*s_, "SELECT nm2 FROM t WHERE nm2 IS NOT NULL"), "123400");
    EXPECT_EQ(lite_cell(*s_, "SELECT n2 FROM t WHERE n2 IS NOT NULL"), "99");
}

TEST_F(LiteStoreChecks, TextThatIsNoNumberIsRefused) {
    EXPECT_EQ(error_of("INSERT INTO t (n) VALUES ('x1')"), "ORA-01722: invalid number");
    EXPECT_EQ(lite_fails_with(*s_, "INSERT INTO t (n52) VALUES ('1.2.3')"), 1722);
    EXPECT_EQ(lite_fails_with(*s_, "INSERT INTO t (n) VALUES (' 12.5 ')"), 0);
    EXPECT_EQ(lite_cell(*s_, "SELECT n FROM t"), "12.5");
    EXPECT_EQ(lite_fails_with(*s_, "INSERT INTO t (f) VALUES ('abc')"), 1722);
}

TEST_F(LiteStoreChecks, ScaleRoundsWhatIsStored) {
    s_->execute("INSERT INTO t (n52) VALUES (1.005)");
    s_->execute("INSERT INTO t (n52) VALUES ('-2.675')");
    s_->execute("INSERT INTO t (n52) VALUES (3.14159)");
    // Stored rounded, not only shown so: equality and arithmetic see the rounded value.
    EXPECT_EQ(lite_cell(*s_, "SELECT count(*) FROM t WHERE n52 = 1.01"), "1");
    EXPECT_EQ(lite_cell(*s_, "SELECT count(*) FROM t WHERE n52 = -2.68"), "1");
    EXPECT_EQ(lite_cell(*s_, "SELECT n52 * 100 FROM t WHERE n52 > 3"), "314");
    s_->execute("INSERT INTO t (n2) VALUES (12.5)");
    EXPECT_EQ(lite_cell(*s_, "SELECT n2 FROM t WHERE n2 IS NOT NULL"), "13");
}

TEST_F(LiteStoreChecks, UpdateAndInsertSelectAreCheckedLikeInsert) {
    s_->execute("INSERT INTO t (v, n52, n2) VALUES ('ab', 1, 1)");
    EXPECT_EQ(error_of("UPDATE t SET v = 'abcdefg'"),
              "ORA-12899: value too large for column \"APP\".\"T\".\"V\" (actual: 7, maximum: 5)");
    EXPECT_EQ(lite_fails_with(*s_, "UPDATE t SET n2 = n2 * 100"), 1438);
    EXPECT_EQ(lite_fails_with(*s_, "UPDATE t SET n = 'x1'"), 1722);
    EXPECT_EQ(lite_cell(*s_, "SELECT v || ',' || n2 FROM t"), "ab,1");  // the failed ones left it
    s_->execute("UPDATE t SET n52 = 1.005");
    EXPECT_EQ(lite_cell(*s_, "SELECT count(*) FROM t WHERE n52 = 1.01"), "1");

    s_->execute("CREATE TABLE src (s VARCHAR2(20), x NUMBER)");
    s_->execute("INSERT INTO src VALUES ('abcdefg', 100)");
    EXPECT_EQ(lite_fails_with(*s_, "INSERT INTO t (v) SELECT s FROM src"), 12899);
    EXPECT_EQ(lite_fails_with(*s_, "INSERT INTO t (n2) SELECT x FROM src"), 1438);
    EXPECT_EQ(lite_fails_with(*s_, "INSERT INTO t (n) SELECT s FROM src"), 1722);
    EXPECT_EQ(lite_cell(*s_, "SELECT count(*) FROM t"), "1");
    EXPECT_EQ(lite_fails_with(*s_, "UPDATE t SET (v, n2) = (SELECT 'ok', x FROM src)"), 1438);
    EXPECT_EQ(lite_fails_with(*s_, "UPDATE t SET (n2, v) = (SELECT 5, s FROM src)"), 12899);
    EXPECT_EQ(lite_fails_with(*s_, "UPDATE t SET (v, n52) = (SELECT 'ok', 2.345 FROM src)"), 0);
    EXPECT_EQ(lite_cell(*s_, "SELECT v || ',' || n52 FROM t"), "ok,2.35");
    s_->execute("UPDATE t SET n52 = 1.005");
    s_->execute("INSERT INTO t (n52, v) SELECT 1.005, substr(s, 1, 5) FROM src");
    EXPECT_EQ(lite_cell(*s_, "SELECT count(*) FROM t WHERE n52 = 1.01 AND v = 'abcde'"), "1");
    EXPECT_EQ(lite_cell(*s_, "SELECT count(*) FROM t WHERE n52 = 1.01"), "2");
}

TEST_F(LiteStoreChecks, BoundValuesAreCheckedToo) {
    auto st = s_->prepare("INSERT INTO t (v, n52) VALUES (:1, :2)");
    st->bind_text(1, "abcdef");
    st->bind_text(2, "1");
    try {
        st->execute();
        ADD_FAILURE() << "a six-byte text went into VARCHAR2(5)";
    } catch (const lite_error& e) {
        EXPECT_EQ(e.code(), 12899);
    }
    st->bind_text(1, "abc");
    st->bind_text(2, "1.005");
    st->execute();
    EXPECT_EQ(lite_cell(*s_, "SELECT count(*) FROM t WHERE n52 = 1.01"), "1");
}

}  // namespace

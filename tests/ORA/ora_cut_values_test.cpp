// Values longer than their column's fetch buffer, read from a real embedded instance: the longest
// interval texts arrive whole, and any value the fetch had to cut is a record error naming the
// table and the column, after which the walk goes on.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <vector>

#include "ORA/ora_database.h"
#include "ORA/ora_engine.h"
#include "UDB/udb_recordset.h"
#include "ora_test_support.h"
#include "lite_engine.h"

namespace {

std::vector<unsigned char> pattern_bytes(std::size_t count, unsigned seed) {
    std::vector<unsigned char> bytes(count);
    for (std::size_t i = 0; i < count; ++i)
        bytes[i] = static_cast<unsigned char>((i * 131 + seed) % 251);
    return bytes;
}

// A query of two rows: the first's `column` arrives as `whole`, the second is refused as a record
// error whose text holds `parts`, and the query ends.
void expect_whole_then_cut(udb_recordset& q, const std::wstring& column, const std::wstring& whole,
                           const std::vector<std::string>& parts) {
    ASSERT_FALSE(q.is_eof());
    udb_record* rec = q.get_item();
    ASSERT_NE(rec, nullptr);
    EXPECT_EQ(rec->get_field(column).to_wstring(), whole);
    q.next();
    ASSERT_FALSE(q.is_eof());
    ora_expect_record_error(q, parts);
    q.next();
    EXPECT_TRUE(q.is_eof());
}

class OraCutValues : public ora_suite_test<OraCutValues> {
protected:
    static void SetUpTestSuite() {
        s_inst = std::make_unique<ora_test_instance>();
        s_inst->add_user("T", "t");
        s_inst->run(
            "T", "t",
            {"CREATE TABLE spans_t (id NUMBER(3), ym INTERVAL YEAR(9) TO MONTH, "
             "ds INTERVAL DAY(9) TO SECOND(9), short_ds INTERVAL DAY(2) TO SECOND(6))",
             "INSERT INTO spans_t VALUES (1, '-999999999-11', "
             "'+999999999 23:59:59.999999999', '+03 04:05:06.500000')",
             "INSERT INTO spans_t VALUES (2, '+000000012-03', "
             "'-000000001 00:00:00.000000001', NULL)",
             "CREATE TABLE lr_t (id NUMBER(7), lr LONG RAW)",
             "CREATE TABLE words_t (id NUMBER(3), w VARCHAR2(5))",
             "CREATE TABLE wide_t (id NUMBER(3), nv NVARCHAR2(30000), v VARCHAR2(21845 CHAR))",
             "INSERT INTO wide_t VALUES (1, RPAD('\u20ac', 30000, '\u20ac'), "
             "RPAD('\u00e9', 21845, '\u00e9'))",
             "INSERT INTO words_t VALUES (1, 'abcde')", "INSERT INTO words_t VALUES (2, 'a')"});
        s_inst->with_session("T", "t", [](lite_session& session) {
            auto st = session.prepare("INSERT INTO lr_t VALUES (:1, :2)");
            // Either side of a million bytes, three megabytes, and a short one.
            for (std::size_t size : {600000u, 999999u, 1000000u, 3145728u, 3u}) {
                std::vector<unsigned char> bytes = pattern_bytes(size, 7);
                st->bind_int64(1, static_cast<std::int64_t>(size));
                st->bind_bytes(2, bytes);
                st->execute();
            }
            // LONG text has no length to size a buffer by: the first is beyond a million
            // characters (a three-byte euro sign last), the second three megabytes.
            session.execute("CREATE TABLE long_t (id NUMBER(3), l LONG)");
            auto add = session.prepare("INSERT INTO long_t VALUES (:1, :2)");
            add->bind_int64(1, 1);
            add->bind_text(2, std::string(1000000, 'q') + "\xE2\x82\xAC");
            add->execute();
            add->bind_int64(1, 2);
            add->bind_text(2, long_pattern());
            add->execute();
            session.execute("INSERT INTO long_t VALUES (3, NULL)");
            session.execute("INSERT INTO long_t VALUES (4, 'tail')");
        });
    }
    // Three megabytes of text in which every position differs from its neighbours'.
    static std::string long_pattern() {
        std::string text(3 * 1024 * 1024 + 5, ' ');
        for (std::size_t i = 0; i < text.size(); ++i)
            text[i] = static_cast<char>('a' + (i * 7 + i / 26) % 26);
        return text;
    }
    void SetUp() override {
        connect(*s_inst, L"T", L"t");
        m_db->get_tables();
    }
};

TEST_F(OraCutValues, LongestIntervalsArriveWhole) {
    auto q = m_db->get_query(L"SPANS", L"SELECT ym, ds, short_ds FROM spans_t ORDER BY id", 1);
    // The destination column is made from this size: it must hold the longest text too.
    EXPECT_GE(q->get_schema().get_field2(L"DS").size, 29u);
    EXPECT_GE(q->get_schema().get_field2(L"YM").size, 13u);
    auto rows = ora_read_all(*q);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0][0], L"-999999999-11");
    EXPECT_EQ(rows[0][1], L"+999999999 23:59:59.999999999");
    EXPECT_EQ(rows[0][2], L"+03 04:05:06.500000");
    EXPECT_EQ(rows[1][0], L"+000000012-03");
    EXPECT_EQ(rows[1][1], L"-000000001 00:00:00.000000001");
    EXPECT_EQ(rows[1][2], L"<null>");
}

TEST_F(OraCutValues, LongRawOfAnyLengthArrivesWhole) {
    auto t = m_db->get_table(L"LR_T", 1);
    ASSERT_EQ(t->get_record_count(), 5);
    auto expect_whole = [&](std::size_t size) {
        ASSERT_FALSE(t->is_eof());
        udb_record* rec = t->get_item();
        ASSERT_NE(rec, nullptr);
        ASSERT_EQ(rec->get_field(L"ID").to_long(), static_cast<long>(size));
        const std::uint8_t* bytes = nullptr;
        ASSERT_EQ(rec->get_field(L"LR").get_bytes1(bytes), size);
        std::vector<unsigned char> expected = pattern_bytes(size, 7);
        EXPECT_TRUE(std::equal(expected.begin(), expected.end(), bytes)) << size;
        t->next();
    };
    expect_whole(600000);
    expect_whole(999999);
    expect_whole(1000000);
    expect_whole(3145728);
    expect_whole(3);
    EXPECT_TRUE(t->is_eof());
}

TEST_F(OraCutValues, LongTextOfAnyLengthArrivesWhole) {
    const std::string pattern = long_pattern();
    const std::wstring wide_pattern(pattern.begin(), pattern.end());
    for (const bool as_query : {false, true}) {
        SCOPED_TRACE(as_query ? "query" : "table");
        auto t = as_query ? m_db->get_query(L"L", L"SELECT id, l FROM long_t ORDER BY id", 1)
                          : m_db->get_table(L"LONG_T", 1);
        auto rows = ora_read_all(*t);
        ASSERT_EQ(rows.size(), 4u);
        EXPECT_TRUE(rows[0][1] == std::wstring(1000000, L'q') + L"\u20ac") << rows[0][1].size();
        EXPECT_TRUE(rows[1][1] == wide_pattern) << rows[1][1].size();
        EXPECT_EQ(rows[2][1], L"<null>");
        EXPECT_EQ(rows[3][1], L"tail");
    }
}

TEST_F(OraCutValues, CutValuesInQueriesAreRecordErrors) {
    // Text longer than the size the server describes for an expression: the long value is
    // refused, the rows around it arrive.
    auto words = m_db->get_query(
        L"W", L"SELECT id, RPAD(w, id * 3000, 'y') AS padded FROM words_t ORDER BY id", 1);
    ASSERT_EQ(words->get_schema().get_field2(L"PADDED").size, 4000u);
    expect_whole_then_cut(*words, L"PADDED", L"abcde" + std::wstring(2995, L'y'),
                          {"'PADDED'", "value 'ayyy", "longer than"});
}

TEST_F(OraCutValues, WideCharactersFillTheDescribedSizeAndNoMore) {
    // Text arrives as UTF-8 into a buffer sized for three bytes a character: characters of three
    // bytes up to the described size arrive whole, and one more is refused although its bytes
    // still fit the buffer.
    auto q = m_db->get_query(
        L"E", L"SELECT id, RPAD('ab', 3999 + id, '\u20ac') AS euros FROM words_t ORDER BY id", 1);
    ASSERT_EQ(q->get_schema().get_field2(L"EUROS").size, 4000u);
    expect_whole_then_cut(*q, L"EUROS", L"ab" + std::wstring(3998, L'\u20ac'),
                          {"'EUROS'", "value 'ab\u20ac", "longer than"});
}

TEST_F(OraCutValues, TheWidestColumnsArriveWhole) {
    // Their UTF-8 could outgrow the longest length a fetch reports: every character arrives.
    auto q = m_db->get_query(L"WIDE", L"SELECT nv, v FROM wide_t", 1);
    auto rows = ora_read_all(*q);
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0][0], std::wstring(30000, L'\u20ac'));
    EXPECT_EQ(rows[0][1], std::wstring(21845, L'\u00e9'));
}

}  // namespace

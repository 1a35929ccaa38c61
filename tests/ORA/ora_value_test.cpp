// Values the reader must carry whole or refuse by name: numbers beyond the variant types, zero
// characters inside texts, empty LOBs, time stamps with fractions and zones.
#include <gtest/gtest.h>

#include "ORA/ora_database.h"
#include "ORA/ora_engine.h"
#include "ORA/ora_table.h"
#include "UDB/udb_recordset.h"
#include "ora_test_support.h"
#include "lite_engine.h"

namespace {

const std::vector<std::string> k_schema = {
    "CREATE TABLE nums (id NUMBER(3), neg NUMBER(8,-3), sp NUMBER(3,5), n20 NUMBER(20), "
    "bigd NUMBER(38,10), d302 NUMBER(30,2))",
    "INSERT INTO nums VALUES (1, 99999999000, 0.00123, -99999999999999999999, "
    "123456789012345678901234567.1234567891, 9999999999999999999999999999.99)",
    "INSERT INTO nums VALUES (2, -1000, -0.00001, 0, 0.5, -0.01)",
    "CREATE TABLE reals (id NUMBER(3), r NUMBER)",
    "INSERT INTO reals VALUES (1, 0.1)",
    "INSERT INTO reals VALUES (2, 0.12345678901234567890123)",
    "INSERT INTO reals VALUES (3, 100000000000000000000)",
    "CREATE TABLE texts (id NUMBER(3), v VARCHAR2(20), c CLOB, e CLOB, b BLOB)",
    "CREATE TABLE times (id NUMBER(3), ts9 TIMESTAMP(9), tz TIMESTAMP(3) WITH TIME ZONE, "
    "ts0 TIMESTAMP(0))",
    "INSERT INTO times VALUES (1, TIMESTAMP '2024-02-29 13:45:59.123456', "
    "TIMESTAMP '2024-03-01 01:30:00.250 +02:00', TIMESTAMP '2024-02-29 13:45:59')",
    "INSERT INTO times VALUES (2, TIMESTAMP '2024-02-29 13:45:59.123456789', "
    "TIMESTAMP '2023-12-31 23:30:00.000 -01:00', NULL)",
    "INSERT INTO times VALUES (3, TIMESTAMP '2024-02-29 23:59:59.9999996', "
    "TIMESTAMP '2024-12-31 23:59:59.999 +00:00', TIMESTAMP '1583-01-01 00:00:00')",
    "INSERT INTO times VALUES (4, TIMESTAMP '1583-01-01 00:00:00.000001', "
    "TIMESTAMP '1583-01-01 00:30:00.000 +01:00', NULL)",
    "CREATE TABLE old_dates (id NUMBER(3), d DATE, ts TIMESTAMP(3))",
    "INSERT INTO old_dates VALUES (1, TO_DATE('-4712-01-01 10:00:00', 'SYYYY-MM-DD HH24:MI:SS'), "
    "NULL)",
    "INSERT INTO old_dates VALUES (2, NULL, TO_TIMESTAMP('0044-03-15 12:00:00.5 BC', "
    "'YYYY-MM-DD HH24:MI:SS.FF BC'))",
    "INSERT INTO old_dates VALUES (3, TO_DATE('0001-01-01', 'YYYY-MM-DD'), NULL)",
    "CREATE TABLE files (id NUMBER(3), f BFILE)",
    "CREATE TABLE mixed_texts (id NUMBER(3), v VARCHAR2(20), c CLOB)",
    "CREATE TABLE long_texts (id NUMBER(3), c CLOB, n NCLOB)",
};

// Text whose characters outside the BMP straddle the reader's chunks of 16384 UTF-16 units:
// the pair of the first at units 16383 and 16384, of the second at 32767 and 32768.
struct long_text {
    std::string utf8;
    std::wstring wide;
    void add(const char* bytes, wchar_t c, int times) {
        for (int i = 0; i < times; ++i) {
            utf8 += bytes;
            wide.push_back(c);
        }
    }
};

long_text straddling_text() {
    long_text t;
    t.add("\xC3\xA9", L'\u00E9', 16383);
    t.add("\xF0\x9F\x98\x80", L'\U0001F600', 1);
    t.add("\xE6\xBC\xA2", L'\u6F22', 32767 - 16385);
    t.add("\xF0\x9D\x84\x9E", L'\U0001D11E', 1);
    t.add("\xCE\xA9", L'\u03A9', 100);
    t.add("!", L'!', 1);
    return t;
}

class OraValues : public ora_suite_test<OraValues> {
protected:
    static void SetUpTestSuite() {
        s_inst = std::make_unique<ora_test_instance>();
        s_inst->add_user("T", "t");
        s_inst->run("T", "t", k_schema);
        s_inst->with_session("T", "t", [](lite_session& session) {
            auto st = session.prepare(
                "INSERT INTO texts VALUES (1, :1, :2, EMPTY_CLOB(), "
                "EMPTY_BLOB())");
            st->bind_text(1, std::string("a\0b", 3));
            st->bind_text(2, std::string("x\0\0y", 4));
            st->execute();
            // Row after row into the same fields: a character beyond the Basic Multilingual
            // Plane, a malformed sequence, plain text.
            auto mixed = session.prepare("INSERT INTO mixed_texts VALUES (:1, :2, :3)");
            const char* const texts[] = {"a\xF0\x9F\x98\x80!", "x\xC3(", "plain"};
            for (int i = 0; i < 3; ++i) {
                mixed->bind_int64(1, i + 1);
                mixed->bind_text(2, i == 1 ? "-" : texts[i]);
                mixed->bind_text(3, texts[i]);
                mixed->execute();
            }
            auto lengthy = session.prepare("INSERT INTO long_texts VALUES (1, :1, :2)");
            const std::string text = straddling_text().utf8;
            lengthy->bind_text(1, text);
            lengthy->bind_text(2, text);
            lengthy->execute();
        });
    }

    void SetUp() override {
        connect(*s_inst, L"T", L"t");
        m_db->get_tables();
    }
};

TEST_F(OraValues, NumbersKeepEveryDigit) {
    auto t = m_db->get_table(L"NUMS", 1);
    const udb_schema& s = t->get_schema();
    EXPECT_EQ(s.get_field2(L"NEG").vartype, VT_I8);
    EXPECT_EQ(s.get_field2(L"SP").vartype, VT_DECIMAL);
    EXPECT_EQ(s.get_field2(L"SP").dw_reserved, 5 * 256 + 5);
    EXPECT_EQ(s.get_field2(L"N20").dw_reserved, 20 * 256);
    EXPECT_EQ(s.get_field2(L"BIGD").dw_reserved, 38 * 256 + 10);
    auto rows = ora_read_all(*t);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0][1], L"99999999000");
    EXPECT_EQ(rows[0][2], L"0.00123");
    EXPECT_EQ(rows[0][3], L"-99999999999999999999");
    // Beyond the 28 digits of a variant decimal: the text itself, never a rounded value.
    EXPECT_EQ(rows[0][4], L"123456789012345678901234567.1234567891");
    EXPECT_EQ(rows[0][5], L"9999999999999999999999999999.99");
    EXPECT_EQ(rows[1][1], L"-1000");
    EXPECT_EQ(rows[1][2], L"-0.00001");
    EXPECT_EQ(rows[1][5], L"-0.01");
}

TEST_F(OraValues, RealsThatWouldLoseDigitsAreRecordErrors) {
    auto t = m_db->get_table(L"REALS", 1);
    ASSERT_FALSE(t->is_eof());
    EXPECT_DOUBLE_EQ(t->get_item()->get_field(L"R").to_double(), 0.1);
    t->next();
    ASSERT_FALSE(t->is_eof());
    ora_expect_record_error(*t, {"REALS", "'R'", "12345678901234567890123"});
    t->next();
    ASSERT_FALSE(t->is_eof());
    EXPECT_EQ(t->get_item()->get_field(L"R").to_double(), 1e20);
    t->next();
    EXPECT_TRUE(t->is_eof());
}

TEST_F(OraValues, ZeroCharactersAndEmptyLobsArriveWhole) {
    auto t = m_db->get_table(L"TEXTS", 1);
    ASSERT_FALSE(t->is_eof());
    udb_record& rec = *t->get_item();
    EXPECT_EQ(rec.get_field(L"V").whole_text(), std::wstring(L"a\0b", 3));
    EXPECT_EQ(rec.get_field(L"C").whole_text(), std::wstring(L"x\0\0y", 4));
    EXPECT_EQ(rec.get_field(L"E").vt(), VT_BSTR);
    EXPECT_EQ(rec.get_field(L"E").whole_text(), L"");
    EXPECT_EQ(rec.get_field(L"B").vt(), VT_BYTE_ARRAY);
    const std::uint8_t* bytes = nullptr;
    EXPECT_EQ(rec.get_field(L"B").get_bytes1(bytes), 0u);
}

TEST_F(OraValues, TextsOfEveryKindFollowEachOtherInOneField) {
    auto t = m_db->get_table(L"MIXED_TEXTS", 1);
    const std::wstring v[] = {L"a\U0001F600!", L"-", L"plain"};
    const std::wstring c[] = {L"a\U0001F600!", L"x\uFFFD(", L"plain"};
    for (int i = 0; i < 3; ++i) {
        ASSERT_FALSE(t->is_eof());
        udb_record& rec = *t->get_item();
        EXPECT_EQ(rec.get_field(L"V").whole_text(), v[i]);
        EXPECT_EQ(rec.get_field(L"C").whole_text(), c[i]);
        t->next();
    }
    EXPECT_TRUE(t->is_eof());
}

TEST_F(OraValues, CharacterLobsArriveWholeWhereAPairStraddlesTheirChunks) {
    auto t = m_db->get_table(L"LONG_TEXTS", 1);
    ASSERT_FALSE(t->is_eof());
    udb_record& rec = *t->get_item();
    const std::wstring expected = straddling_text().wide;
    for (const wchar_t* column : {L"C", L"N"}) {
        const std::wstring got(rec.get_field(column).whole_text());
        EXPECT_EQ(got.size(), expected.size()) << column;
        EXPECT_TRUE(got == expected) << column;
    }
    t->next();
    EXPECT_TRUE(t->is_eof());
}

TEST_F(OraValues, TimeStampsCarryTheirFractionsAndZones) {
    auto t = m_db->get_table(L"TIMES", 1);
    const udb_schema& s = t->get_schema();
    EXPECT_EQ(s.get_field2(L"TS9").dw_reserved, 1 + 6 * 256);
    EXPECT_EQ(s.get_field2(L"TZ").dw_reserved, 1 + 3 * 256);
    EXPECT_EQ(s.get_field2(L"TS0").dw_reserved, 1);
    ASSERT_FALSE(t->is_eof());
    udb_record& rec = *t->get_item();
    EXPECT_EQ(rec.get_field(L"TS9").to_wstring(), L"2024-02-29 13:45:59.123456");
    // The zone applied: the instant in UTC, over a day's end.
    EXPECT_EQ(rec.get_field(L"TZ").to_wstring(), L"2024-02-29 23:30:00.250");
    EXPECT_EQ(rec.get_field(L"TS0").vt(), VT_DATE);
    EXPECT_EQ(rec.get_field(L"TS0").systemtime().wSecond, 59);
    t->next();
    ASSERT_FALSE(t->is_eof());
    // Nanoseconds no DATETIME holds: rounded to microseconds, and counted for the user.
    EXPECT_TRUE(dynamic_cast<ora_query_results&>(*t).get_value_notices().empty());
    udb_record& second = *t->get_item();
    EXPECT_EQ(second.get_field(L"TS9").to_wstring(), L"2024-02-29 13:45:59.123457");
    EXPECT_EQ(dynamic_cast<ora_query_results&>(*t).get_value_notices(),
              std::vector<std::wstring>{L"column 'TS9': 1 value rounded to microseconds"});
    // Rounding up carries over the day's and the month's end; without a zone and a carry the
    // fields stay as fetched, back to the calendar reform, and a zone still moves across it.
    t->next();
    ASSERT_FALSE(t->is_eof());
    udb_record& third = *t->get_item();
    EXPECT_EQ(third.get_field(L"TS9").to_wstring(), L"2024-03-01 00:00:00.000000");
    EXPECT_EQ(third.get_field(L"TZ").to_wstring(), L"2024-12-31 23:59:59.999");
    EXPECT_EQ(third.get_field(L"TS0").systemtime().wYear, 1583);
    t->next();
    ASSERT_FALSE(t->is_eof());
    udb_record& fourth = *t->get_item();
    EXPECT_EQ(fourth.get_field(L"TS9").to_wstring(), L"1583-01-01 00:00:00.000001");
    EXPECT_EQ(fourth.get_field(L"TZ").to_wstring(), L"1582-12-31 23:30:00.000");
    t->next();
    EXPECT_TRUE(t->is_eof());
}

TEST_F(OraValues, DatesBeforeChristAreRecordErrorsNamingTheColumn) {
    auto t = m_db->get_table(L"OLD_DATES", 1);
    ASSERT_FALSE(t->is_eof());
    ora_expect_record_error(*t, {"OLD_DATES", "'D'", "-4712-01-01 10:00:00"});
    t->next();
    ASSERT_FALSE(t->is_eof());
    ora_expect_record_error(*t, {"OLD_DATES", "'TS'", "-0044-03-15 12:00:00.5"});
    t->next();
    ASSERT_FALSE(t->is_eof());
    const ole_variant& first = t->get_item()->get_field(L"D");
    EXPECT_EQ(first.systemtime().wYear, 1);
    EXPECT_EQ(first.systemtime().wMonth, 1);
    t->next();
    EXPECT_TRUE(t->is_eof());
}

TEST_F(OraValues, ColumnsThatCannotBeReadAreListedForTheUser) {
    auto t = m_db->get_table(L"FILES", 1);
    const auto& unsupported = dynamic_cast<ora_table&>(*t).get_unsupported_columns();
    ASSERT_EQ(unsupported.size(), 1u);
    EXPECT_NE(unsupported[0].find(L"column 'F'"), std::wstring::npos);
}

}  // namespace

// Every column type the reader tells apart, from the shared type-zoo script: variant types and
// description words, NULLs, non-ASCII text, LOBs of 100 KB, skipped and unsupported columns.
#include <gtest/gtest.h>

#include "ORA/ora_database.h"
#include "ORA/ora_table.h"
#include "ORA/ora_engine.h"
#include "ORA/ora_exception.h"
#include "UDB/udb_recordset.h"
#include "ora_test_support.h"
#include "lite_engine.h"

namespace {

const std::string k_zoo = std::string(TW_SOURCE_DIR) + "/tests/platform/oralite/data/type_zoo.sql";

class OraZoo : public ora_suite_test<OraZoo> {
protected:
    static void SetUpTestSuite() {
        s_inst = std::make_unique<ora_test_instance>();
        s_inst->add_user("ZOO", "zoo");
        s_inst->run_script("ZOO", "zoo", k_zoo);
        s_inst->with_session("ZOO", "zoo", [](lite_session& session) {
            std::string text;
            while (text.size() < 100 * 1024) text += "0123456789\xC3\xA9\n";
            std::vector<unsigned char> bytes(100 * 1024);
            for (std::size_t i = 0; i < bytes.size(); ++i)
                bytes[i] = static_cast<unsigned char>(i * 7);
            auto st = session.prepare("INSERT INTO ZOO_LOB VALUES (4, :1, :2, :3)");
            st->bind_text(1, text);
            st->bind_text(2, text);
            st->bind_bytes(3, bytes);
            st->execute();
            // Interval texts at their longest for the zoo's precisions.
            session.execute(
                "UPDATE ZOO_TIME SET IYM = '+99-11', IDS = '+99 23:59:59.999999' WHERE ID = 1");
            session.execute(
                "UPDATE ZOO_TIME SET IYM = '-01-01', IDS = '+03 04:05:06.500000' WHERE ID = 2");
        });
    }
    void SetUp() override {
        connect(*s_inst, L"ZOO", L"zoo");
        m_db->get_tables();
    }
};

TEST_F(OraZoo, TextColumns) {
    auto t = m_db->get_table(L"ZOO_TEXT", 1);
    const udb_schema& s = t->get_schema();
    ASSERT_EQ(s.size(), 7u);
    EXPECT_EQ(s.get_field2(L"ID").vartype, VT_I2);
    EXPECT_TRUE(s.get_field2(L"ID").b_not_null);
    EXPECT_EQ(s.get_field2(L"V").size, 20u);
    EXPECT_EQ(s.get_field2(L"C").size, 5u);
    EXPECT_EQ(s.get_field2(L"NV").size, 20u);  // national text: bytes halved
    EXPECT_EQ(s.get_field2(L"NC").size, 4u);
    EXPECT_EQ(s.get_field2(L"L").native_type, L"LONG");
    EXPECT_EQ(s.get_field2(L"L").size, 0u);
    ora_expect_same_rows(*s_inst, "ZOO", "zoo", "SELECT * FROM ZOO_TEXT", *t);
}

TEST_F(OraZoo, NumberColumns) {
    auto t = m_db->get_table(L"ZOO_NUM", 1);
    const udb_schema& s = t->get_schema();
    EXPECT_EQ(s.get_field2(L"N").vartype, VT_R8);
    EXPECT_EQ(s.get_field2(L"N2").vartype, VT_I1);
    EXPECT_EQ(s.get_field2(L"N3").vartype, VT_I2);
    EXPECT_EQ(s.get_field2(L"N10").vartype, VT_I8);
    EXPECT_EQ(s.get_field2(L"N19").vartype, VT_DECIMAL);
    EXPECT_EQ(s.get_field2(L"N25").vartype, VT_DECIMAL);
    EXPECT_EQ(s.get_field2(L"D102").vartype, VT_DECIMAL);
    EXPECT_EQ(s.get_field2(L"D102").dw_reserved, 10 * 256 + 2);
    EXPECT_EQ(s.get_field2(L"D55").dw_reserved, 6 * 256 + 5);
    EXPECT_EQ(s.get_field2(L"NNEG").vartype, VT_I4);
    EXPECT_EQ(s.get_field2(L"F").vartype, VT_R8);
    EXPECT_EQ(s.get_field2(L"F10").vartype, VT_R8);
    EXPECT_EQ(s.get_field2(L"BF").vartype, VT_R4);
    EXPECT_EQ(s.get_field2(L"BD").vartype, VT_R8);

    // Rows 1 and 2 hold +-9,999,999,999,999,999,999 in N19, beyond a 64-bit integer, and N
    // holds 10^20 in row 2: every digit arrives.
    ASSERT_FALSE(t->is_eof());
    udb_record& first = *t->get_item();
    EXPECT_EQ(first.get_field(L"N19").to_string(), "9999999999999999999");
    EXPECT_EQ(first.get_field(L"N25").to_string(), "1234567890123456789012345");
    t->next();
    ASSERT_FALSE(t->is_eof());
    udb_record& second = *t->get_item();
    EXPECT_EQ(second.get_field(L"N19").to_string(), "-9999999999999999999");
    EXPECT_EQ(second.get_field(L"N").to_double(), 1e20);
    t->next();
    ASSERT_FALSE(t->is_eof());
    udb_record& third = *t->get_item();
    EXPECT_DOUBLE_EQ(third.get_field(L"N").to_double(), 0.5);
    EXPECT_TRUE(third.get_field(L"N2").is_empty());
    EXPECT_TRUE(third.get_field(L"BF").is_empty());
    t->next();
    ASSERT_FALSE(t->is_eof());
    udb_record& fourth = *t->get_item();
    EXPECT_DOUBLE_EQ(fourth.get_field(L"N").to_double(), -0.5);
    EXPECT_EQ(fourth.get_field(L"N19").vt(), VT_DECIMAL);
    EXPECT_EQ(fourth.get_field(L"D55").vt(), VT_DECIMAL);
    t->next();
    EXPECT_TRUE(t->is_eof());

    // A computed column has no precision of its own.
    auto count = m_db->get_query(L"C", L"SELECT COUNT(*) AS CNT, MAX(N3) + 1 AS M FROM ZOO_NUM", 1);
    EXPECT_EQ(count->get_schema().get_field2(L"CNT").vartype, VT_R8);
    EXPECT_EQ(count->get_schema().get_field2(L"M").vartype, VT_R8);
    EXPECT_EQ(count->get_record_count(), 1);

    auto q = m_db->get_query(L"Q", L"SELECT ID, N, N3, D102, F10, BF, BD FROM ZOO_NUM", 1);
    ora_expect_same_rows(*s_inst, "ZOO", "zoo", "SELECT ID, N, N3, D102, F10, BF, BD FROM ZOO_NUM",
                         *q);
    // The columns after N19, which the table walk above never reaches in its first two rows.
    const std::string rest = "SELECT ID, N2, N10, N25, D55, NNEG, F FROM ZOO_NUM";
    auto r = m_db->get_query(L"R", std::wstring(rest.begin(), rest.end()), 1);
    EXPECT_EQ(r->get_schema().get_field2(L"D55").dw_reserved, 6 * 256 + 5);
    EXPECT_EQ(r->get_schema().get_field2(L"NNEG").vartype, VT_I4);
    ora_expect_same_rows(*s_inst, "ZOO", "zoo", rest, *r);
}

TEST_F(OraZoo, TimeColumnsWithFractionsZonesAndIntervals) {
    auto t = m_db->get_table(L"ZOO_TIME", 1);
    const udb_schema& s = t->get_schema();
    ASSERT_EQ(s.size(), 8u);
    EXPECT_TRUE(dynamic_cast<ora_table&>(*t).get_unsupported_columns().empty());
    EXPECT_EQ(s.get_field2(L"D").vartype, VT_DATE);
    EXPECT_EQ(s.get_field2(L"D").dw_reserved, 1);
    // The fraction digits a column declares ride above the date kind.
    EXPECT_EQ(s.get_field2(L"TS").dw_reserved, 1 + 6 * 256);
    EXPECT_EQ(s.get_field2(L"TS3").dw_reserved, 1 + 3 * 256);
    EXPECT_EQ(s.get_field2(L"TSTZ").vartype, VT_DATE);
    EXPECT_EQ(s.get_field2(L"TSLTZ").vartype, VT_DATE);
    EXPECT_EQ(s.get_field2(L"IYM").vartype, VT_BSTR);
    EXPECT_EQ(s.get_field2(L"IDS").vartype, VT_BSTR);
    ASSERT_FALSE(t->is_eof());
    udb_record& rec = *t->get_item();
    // TIMESTAMP(6) holds six digits: the nine the embedded engine keeps round as a store would.
    EXPECT_EQ(rec.get_field(L"TS").to_wstring(), L"2024-02-29 13:45:59.123457");
    EXPECT_EQ(rec.get_field(L"TS3").to_wstring(), L"1999-12-31 23:59:59.999");
    EXPECT_EQ(rec.get_field(L"D").vt(), VT_DATE);
    EXPECT_EQ(rec.get_field(L"IYM").to_wstring(), L"+99-11");
    t->next();
    ASSERT_FALSE(t->is_eof());
    udb_record& second = *t->get_item();
    EXPECT_EQ(second.get_field(L"D").systemtime().wYear, 1);
    EXPECT_EQ(second.get_field(L"TS").to_wstring(), L"0001-01-01 00:00:00.000001");
    EXPECT_EQ(second.get_field(L"TS3").to_wstring(), L"9999-12-31 23:59:59.500");
    t->next();
    ASSERT_FALSE(t->is_eof());
    EXPECT_TRUE(t->get_item()->get_field(L"TS").is_empty());
}

TEST_F(OraZoo, IntervalsInQueriesArriveWhole) {
    const std::wstring sql = L"SELECT ID, IYM, IDS FROM ZOO_TIME ORDER BY ID";
    auto q = m_db->get_query(L"SPANS", sql, 1);
    EXPECT_EQ(q->get_schema().get_field2(L"IDS").vartype, VT_BSTR);
    auto rows = ora_read_all(*q);
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0][1], L"+99-11");
    EXPECT_EQ(rows[0][2], L"+99 23:59:59.999999");
    EXPECT_EQ(rows[1][1], L"-01-01");
    EXPECT_EQ(rows[1][2], L"+03 04:05:06.500000");
    EXPECT_EQ(rows[2][2], L"<null>");
    auto again = m_db->get_query(L"SPANS", sql, 1);
    ora_expect_same_rows(*s_inst, "ZOO", "zoo", "SELECT ID, IYM, IDS FROM ZOO_TIME ORDER BY ID",
                         *again);
}

TEST_F(OraZoo, BinaryAndLobColumns) {
    auto b = m_db->get_table(L"ZOO_BIN", 1);
    EXPECT_EQ(b->get_schema().get_field2(L"R").vartype, VT_BLOB);
    EXPECT_EQ(b->get_schema().get_field2(L"R").size, 16u);
    EXPECT_EQ(b->get_schema().get_field2(L"LR").vartype, VT_BLOB);
    ora_expect_same_rows(*s_inst, "ZOO", "zoo", "SELECT * FROM ZOO_BIN", *b);

    auto l = m_db->get_table(L"ZOO_LOB", 1);
    EXPECT_EQ(l->get_schema().get_field2(L"C").vartype, VT_BSTR);
    EXPECT_EQ(l->get_schema().get_field2(L"NC").vartype, VT_BSTR);
    EXPECT_EQ(l->get_schema().get_field2(L"B").vartype, VT_BLOB);
    ora_expect_same_rows(*s_inst, "ZOO", "zoo", "SELECT * FROM ZOO_LOB", *l);
}

TEST_F(OraZoo, OtherColumns) {
    auto t = m_db->get_table(L"ZOO_MISC", 1);
    const udb_schema& s = t->get_schema();
    ASSERT_EQ(s.size(), 5u);
    EXPECT_EQ(s.get_field2(L"BF").vartype, VT_BLOB);
    ASSERT_FALSE(t->is_eof());
    udb_record& rec = *t->get_item();
    EXPECT_TRUE(rec.get_field(L"RID").is_empty());
    EXPECT_TRUE(rec.get_field(L"X").is_empty());
    EXPECT_EQ(rec.get_field(L"BF").to_wstring(), L"<unsupported type>");
}

}  // namespace

// Reading real embedded instances: connection errors, both catalogue modes, schemas with keys,
// indexes, defaults and comments, and every column class walked row by row.
#include <gtest/gtest.h>

#include <cstring>

#include "ORA/ora_database.h"
#include "ORA/ora_date_processor.h"
#include "ORA/ora_engine.h"
#include "ORA/ora_exception.h"
#include "ORA/ora_table.h"
#include "UDB/udb_recordset.h"
#include "ora_test_support.h"
#include "lite_engine.h"

namespace {

const std::vector<std::string> k_schema = {
    "CREATE TABLE parent_t (id NUMBER(10) CONSTRAINT parent_pk PRIMARY KEY, "
    "code VARCHAR2(10) DEFAULT 'N' NOT NULL, created DATE DEFAULT SYSDATE, "
    "who VARCHAR2(30) DEFAULT USER, label NVARCHAR2(20), small NUMBER(2), mid NUMBER(4), "
    "price NUMBER(10,2), frac NUMBER(5,5), big NUMBER(19), huge NUMBER(25), plain NUMBER, "
    "bf BINARY_FLOAT, bd BINARY_DOUBLE, raw_c RAW(2000), notes LONG, "
    "born DATE DEFAULT '01-JAN-2000')",
    "CREATE UNIQUE INDEX parent_code_ux ON parent_t (code, small)",
    "CREATE INDEX parent_who_ix ON parent_t (who)",
    "COMMENT ON COLUMN parent_t.code IS 'The code'",
    "CREATE TABLE child_t (id NUMBER(6) PRIMARY KEY, parent_id NUMBER(10), other_id NUMBER(10), "
    "CONSTRAINT child_parent_fk FOREIGN KEY (parent_id) REFERENCES parent_t (id) "
    "ON DELETE CASCADE)",
    "CREATE TABLE lobs_t (id NUMBER(3) PRIMARY KEY, c CLOB, b BLOB)",
    "CREATE TABLE longraw_t (id NUMBER(3), lr LONG RAW)",
    "CREATE TABLE odd_t (id NUMBER(3), span INTERVAL DAY(2) TO SECOND(6), name VARCHAR2(5))",
    "CREATE TABLE \"O'HARA\" (id NUMBER(3) CONSTRAINT ohara_pk PRIMARY KEY, v VARCHAR2(3))",
    "CREATE VIEW parent_v AS SELECT id, code FROM parent_t -- all of them\nWITH READ ONLY",
    "INSERT INTO parent_t (id, code, created, who, label, small, mid, price, frac, big, huge, "
    "plain, bf, bd, raw_c, notes, born) VALUES (9999999999, 'A', DATE '2024-02-29', 'me', 'Ünï', "
    "-99, 9999, 12345678.91, .12345, 9000000000000000000, 1234567890123456789012345, 2.5, 1.5, "
    "0.1, HEXTORAW('00FF10'), 'long text', DATE '2000-01-01')",
    "INSERT INTO parent_t (id, code, born) VALUES (2, 'B', NULL)",
    "INSERT INTO child_t VALUES (1, 2, NULL)",
    "INSERT INTO longraw_t VALUES (1, HEXTORAW('0A0B0C'))",
    "INSERT INTO odd_t (id, name) VALUES (1, 'x')",
    "INSERT INTO \"O'HARA\" VALUES (1, 'a')",
    "CREATE TABLE wide_t (id NUMBER(3), n NUMBER(19))",
    "INSERT INTO wide_t VALUES (1, 9223372036854775807)",
    "INSERT INTO wide_t VALUES (2, 9999999999999999999)",
    "INSERT INTO wide_t VALUES (3, -9223372036854775808)",
    "CREATE TABLE longbig_t (id NUMBER(3), l LONG)",
    "CREATE TABLE narrow_t (id NUMBER(3), n NUMBER(9))",
    "INSERT INTO narrow_t VALUES (1, 999999999)",
    "INSERT INTO narrow_t VALUES (2, 0)",
    "INSERT INTO narrow_t VALUES (3, -999999999)",
};

class OraRead : public ora_suite_test<OraRead> {
protected:
    static void SetUpTestSuite() {
        s_inst = std::make_unique<ora_test_instance>();
        s_inst->add_user("T", "t");
        s_inst->run("T", "t", k_schema);
        // 100 KB of text with multi-byte characters, and 100 KB of bytes with zeros inside.
        s_clob.clear();
        while (s_clob.size() < 100000) s_clob += "ab\xC3\xA9\xE2\x82\xAC-";
        s_blob.resize(100000);
        for (std::size_t i = 0; i < s_blob.size(); ++i)
            s_blob[i] = static_cast<unsigned char>(i % 7 == 0 ? 0 : i * 31);
        s_inst->with_session("T", "t", [](lite_session& session) {
            auto st = session.prepare("INSERT INTO lobs_t VALUES (1, :1, :2)");
            st->bind_text(1, s_clob);
            st->bind_bytes(2, s_blob);
            st->execute();
            session.execute("INSERT INTO lobs_t VALUES (2, NULL, NULL)");
            // A zero byte inside text, in the second chunk: data, not the end of the value.
            std::string zeroed(40000, 'z');
            zeroed[35000] = '\0';
            auto third = session.prepare("INSERT INTO lobs_t VALUES (3, :1, NULL)");
            third->bind_text(1, zeroed);
            third->execute();
            auto big = session.prepare("INSERT INTO longbig_t VALUES (:1, :2)");
            big->bind_int64(1, 1);
            big->bind_text(2, std::string(999999, 'x'));
            big->execute();
            big->bind_int64(1, 2);
            big->bind_text(2, std::string(1000001, 'y'));
            big->execute();
        });
    }

    void SetUp() override {
        connect(*s_inst, L"T", L"t");
        m_db->get_tables();
    }

    std::unique_ptr<udb_recordset> open(const std::wstring& name, int mode = 1) {
        return m_db->get_table(name, mode);
    }

    static std::string s_clob;
    static std::vector<unsigned char> s_blob;
};

std::string OraRead::s_clob;
std::vector<unsigned char> OraRead::s_blob;

TEST_F(OraRead, ListsTablesAndViews) {
    auto& tables = m_db->get_tables();
    EXPECT_EQ(tables.size(), 9u);
    EXPECT_TRUE(m_db->is_table_exist(L"PARENT_T"));
    EXPECT_TRUE(m_db->is_table_exist(L"\"PARENT_T\""));
    // Bare names in this mode: a qualified name is not in the list.
    EXPECT_FALSE(m_db->is_table_exist(L"T.PARENT_T"));
    EXPECT_FALSE(m_db->is_table_exist(L"parent_t"));
    ASSERT_EQ(m_db->get_views().size(), 1u);
    EXPECT_EQ(m_db->get_views()[0].first, L"PARENT_V");
    EXPECT_EQ(m_db->get_views()[0].second.find(L"READ ONLY"), std::wstring::npos);
    EXPECT_EQ(m_db->get_views()[0].second.find(L"all of them"), std::wstring::npos);
}

TEST_F(OraRead, AllSchemasModeUsesOwnerNames) {
    m_engine->b_owned_by_user = false;
    auto& tables = m_db->get_tables();
    EXPECT_NE(std::find(tables.begin(), tables.end(), L"T.PARENT_T"), tables.end());
    EXPECT_TRUE(m_db->is_table_exist(L"PARENT_T"));
    EXPECT_TRUE(m_db->is_table_exist(L"\"T\".\"PARENT_T\""));
    EXPECT_TRUE(m_db->is_table_exist(L"T.PARENT_T"));
    EXPECT_TRUE(m_db->is_table_exist(L"\"PARENT_T\""));
    EXPECT_FALSE(m_db->is_table_exist(L"SYS.PARENT_T"));
    EXPECT_EQ(m_engine->get_safe_name(L"T.PARENT_T"), L"\"T\".\"PARENT_T\"");
    EXPECT_EQ(m_engine->get_safe_name(L"\"T.X\""), L"\"T.X\"");
    EXPECT_EQ(m_engine->get_tab_columns_view(), L"ALL_TAB_COLUMNS");
    m_engine->b_owned_by_user = true;
    EXPECT_EQ(m_engine->get_safe_name(L"T.PARENT_T"), L"\"T.PARENT_T\"");
    EXPECT_EQ(m_engine->get_table_filter(L"O'HARA"), L"table_name = 'O''HARA'");
    m_engine->b_owned_by_user = false;
    auto t = open(L"T.PARENT_T");
    EXPECT_EQ(t->get_schema().size(), 17u);
    EXPECT_EQ(t->get_record_count(), 2);
    ASSERT_GE(t->get_indexes().size(), 1u);
    EXPECT_TRUE(t->get_indexes()[0].primary);
    // The comment view is the user's own, matched by the bare name only.
    EXPECT_EQ(t->get_schema().get_field2(L"CODE").comment, L"");
}

TEST_F(OraRead, SchemaOfATable) {
    ora_date_processor dates;
    auto t = open(L"PARENT_T");
    const udb_schema& s = t->get_schema();
    ASSERT_EQ(s.size(), 17u);
    EXPECT_EQ(s.get_field2(L"ID").vartype, VT_I8);
    EXPECT_TRUE(s.get_field2(L"ID").b_not_null);
    EXPECT_EQ(s.get_field2(L"CODE").vartype, VT_BSTR);
    EXPECT_EQ(s.get_field2(L"CODE").size, 10u);
    EXPECT_TRUE(s.get_field2(L"CODE").b_not_null);
    EXPECT_EQ(s.get_field2(L"CODE").default_value.to_wstring(), L"N");
    EXPECT_EQ(s.get_field2(L"CODE").comment, L"The code");
    EXPECT_EQ(s.get_field2(L"CREATED").vartype, VT_DATE);
    EXPECT_EQ(s.get_field2(L"CREATED").default_value.to_wstring(), L"sysdate");
    EXPECT_EQ(s.get_field2(L"CREATED").dw_reserved, 9);
    EXPECT_EQ(s.get_field2(L"BORN").dw_reserved, 1);
    EXPECT_EQ(s.get_field2(L"BORN").default_value.vt(), VT_DATE);
    // A function is no value: its text stays, marked as an expression.
    EXPECT_TRUE(s.get_field2(L"WHO").b_default_expression);
    EXPECT_FALSE(s.get_field2(L"WHO").b_not_null);
    EXPECT_EQ(s.get_field2(L"LABEL").size, 20u);
    EXPECT_EQ(s.get_field2(L"SMALL").vartype, VT_I1);
    EXPECT_EQ(s.get_field2(L"MID").vartype, VT_I2);
    EXPECT_EQ(s.get_field2(L"PRICE").vartype, VT_DECIMAL);
    EXPECT_EQ(s.get_field2(L"PRICE").dw_reserved, 10 * 256 + 2);
    EXPECT_EQ(s.get_field2(L"FRAC").dw_reserved, 6 * 256 + 5);
    // Nineteen digits and more pass the 64-bit range: every digit is kept as a decimal.
    EXPECT_EQ(s.get_field2(L"BIG").vartype, VT_DECIMAL);
    EXPECT_EQ(s.get_field2(L"BIG").dw_reserved, 19 * 256);
    EXPECT_EQ(s.get_field2(L"HUGE").vartype, VT_DECIMAL);
    EXPECT_EQ(s.get_field2(L"HUGE").dw_reserved, 25 * 256);
    EXPECT_EQ(s.get_field2(L"PLAIN").vartype, VT_R8);
    EXPECT_EQ(s.get_field2(L"BF").vartype, VT_R4);
    EXPECT_EQ(s.get_field2(L"BD").vartype, VT_R8);
    EXPECT_EQ(s.get_field2(L"RAW_C").vartype, VT_BLOB);
    EXPECT_EQ(s.get_field2(L"RAW_C").size, 2000u);
    EXPECT_EQ(s.get_field2(L"NOTES").vartype, VT_BSTR);
    EXPECT_EQ(s.get_field2(L"NOTES").size, 0u);
    EXPECT_EQ(s.get_field2(L"NOTES").native_type, L"LONG");

    const udb_indexes& idx = t->get_indexes();
    ASSERT_EQ(idx.size(), 3u);
    EXPECT_EQ(idx[0].name, L"PARENT_PK");
    EXPECT_TRUE(idx[0].primary);
    EXPECT_EQ(idx[0].columns, std::vector<std::wstring>{L"ID"});
    EXPECT_TRUE(idx.find2(L"PARENT_CODE_UX"));
    EXPECT_TRUE(idx.get_index(L"PARENT_CODE_UX").unique);
    EXPECT_EQ(idx.get_index(L"PARENT_CODE_UX").columns.size(), 2u);
    EXPECT_FALSE(idx.get_index(L"PARENT_WHO_IX").unique);
    EXPECT_EQ(t->get_key_index(), 0);

    const udb_relationships& rels = m_db->get_relationships();
    ASSERT_EQ(rels.size(), 1u);
    EXPECT_EQ(rels[0].name, L"CHILD_PARENT_FK");
    EXPECT_EQ(rels[0].ref_key_name, L"PARENT_PK");
    EXPECT_EQ(rels[0].child_table, L"CHILD_T");
    EXPECT_EQ(rels[0].parent_table, L"PARENT_T");
    EXPECT_EQ(rels[0].child_columns, std::vector<std::wstring>{L"PARENT_ID"});
    EXPECT_EQ(rels[0].parent_columns, std::vector<std::wstring>{L"ID"});
    EXPECT_EQ(rels[0].rule, L"ON DELETE CASCADE");
}

TEST_F(OraRead, IndexesSwitchedOff) {
    m_engine->b_indexes_off = true;
    ora_log_capture log("ora_indexes_off", 2);
    auto t = open(L"PARENT_T");
    EXPECT_TRUE(t->get_indexes().empty());
    EXPECT_TRUE(m_db->get_relationships().empty());
    // Not one key, index or foreign-key statement reaches the server.
    std::string text = log.finish();
    EXPECT_NE(text.find("Indexes are OFF\r\n"), std::string::npos) << text;
    EXPECT_EQ(text.find("init_indexes"), std::string::npos) << text;
    EXPECT_EQ(text.find("constraint"), std::string::npos) << text;
    m_engine->b_indexes_off = false;
    auto u = open(L"PARENT_T", 0x60);
    EXPECT_TRUE(u->get_indexes().empty());
    auto v = open(L"PARENT_T", 0x20);
    EXPECT_EQ(v->get_indexes().size(), 3u);
    EXPECT_TRUE(m_db->get_relationships().empty());
}

TEST_F(OraRead, RowsOfEveryColumnClass) {
    auto t = open(L"PARENT_T");
    ASSERT_EQ(t->get_record_count(), 2);
    ASSERT_FALSE(t->is_eof());
    udb_record* r = t->get_item();
    ASSERT_NE(r, nullptr);
    udb_record& rec = *r;
    EXPECT_EQ(rec.get_field(L"ID").vt(), VT_I8);
    EXPECT_EQ(rec.get_field(L"ID").i8(), 9999999999LL);
    EXPECT_EQ(rec.get_field(L"CODE").to_wstring(), L"A");
    const SYSTEMTIME& day = rec.get_field(L"CREATED").systemtime();
    EXPECT_EQ(rec.get_field(L"CREATED").vt(), VT_DATE);
    EXPECT_EQ(day.wYear, 2024);
    EXPECT_EQ(day.wMonth, 2);
    EXPECT_EQ(day.wDay, 29);
    EXPECT_EQ(rec.get_field(L"LABEL").to_wstring(), L"Ünï");
    EXPECT_EQ(rec.get_field(L"SMALL").vt(), VT_I1);
    EXPECT_EQ(rec.get_field(L"SMALL").to_long(), -99);
    EXPECT_EQ(rec.get_field(L"MID").to_long(), 9999);
    EXPECT_EQ(rec.get_field(L"PRICE").vt(), VT_DECIMAL);
    EXPECT_EQ(rec.get_field(L"PRICE").to_string(), "12345678.91");
    EXPECT_EQ(rec.get_field(L"FRAC").to_string(), "0.12345");
    EXPECT_EQ(rec.get_field(L"BIG").to_string(), "9000000000000000000");
    EXPECT_EQ(rec.get_field(L"HUGE").to_string(), "1234567890123456789012345");
    EXPECT_DOUBLE_EQ(rec.get_field(L"PLAIN").to_double(), 2.5);
    EXPECT_EQ(rec.get_field(L"BF").vt(), VT_R4);
    EXPECT_DOUBLE_EQ(rec.get_field(L"BF").to_double(), 1.5);
    EXPECT_EQ(rec.get_field(L"BD").vt(), VT_R8);
    EXPECT_DOUBLE_EQ(rec.get_field(L"BD").to_double(), 0.1);
    // The RAW value is its own three bytes, not the column's 2000.
    const std::uint8_t* bytes = nullptr;
    ASSERT_EQ(rec.get_field(L"RAW_C").get_bytes1(bytes), 3u);
    EXPECT_EQ(bytes[0], 0x00);
    EXPECT_EQ(bytes[1], 0xFF);
    EXPECT_EQ(bytes[2], 0x10);
    EXPECT_EQ(rec.get_field(L"NOTES").to_wstring(), L"long text");
    t->next();

    ASSERT_FALSE(t->is_eof());
    udb_record& second = *t->get_item();
    EXPECT_EQ(second.get_field(L"ID").i8(), 2);
    EXPECT_EQ(second.get_field(L"CREATED").vt(), VT_DATE);  // the column default
    EXPECT_TRUE(second.get_field(L"BORN").is_empty());
    EXPECT_TRUE(second.get_field(L"RAW_C").is_empty());
    EXPECT_TRUE(second.get_field(L"BF").is_empty());
    EXPECT_TRUE(second.get_field(L"NOTES").is_empty());
    EXPECT_TRUE(second.get_field(L"PRICE").is_empty());
    t->next();
    EXPECT_TRUE(t->is_eof());
}

TEST_F(OraRead, LargeLobsArriveWhole) {
    auto t = open(L"LOBS_T");
    auto rows = ora_read_all(*t);
    ASSERT_EQ(rows.size(), 3u);
    t.reset();
    t = open(L"LOBS_T");
    ASSERT_FALSE(t->is_eof());
    udb_record& rec = *t->get_item();
    EXPECT_EQ(rec.get_field(L"C").vt(), VT_BSTR);
    std::wstring expected;
    for (std::size_t i = 0; i < s_clob.size() / 8; ++i) expected += L"abé€-";
    std::wstring got = rec.get_field(L"C").to_wstring();
    EXPECT_EQ(got.size(), expected.size());
    EXPECT_TRUE(got == expected);
    const std::uint8_t* bytes = nullptr;
    ASSERT_EQ(rec.get_field(L"B").get_bytes1(bytes), s_blob.size());
    EXPECT_EQ(std::memcmp(bytes, s_blob.data(), s_blob.size()), 0);
    t->next();
    ASSERT_FALSE(t->is_eof());
    udb_record& empty = *t->get_item();
    EXPECT_TRUE(empty.get_field(L"C").is_empty());
    EXPECT_TRUE(empty.get_field(L"B").is_empty());
    t->next();
    ASSERT_FALSE(t->is_eof());
    const VARIANT& var = t->get_item()->get_field(L"C").variant();
    ASSERT_EQ(var.vt, VT_BSTR);
    std::wstring zeroed(var.bstrVal, SysStringLen(var.bstrVal));
    ASSERT_EQ(zeroed.size(), 40000u);
    EXPECT_EQ(zeroed[35000], L'\0');
    EXPECT_EQ(zeroed.back(), L'z');
}

TEST_F(OraRead, LongRawAsBytes) {
    auto t = open(L"LONGRAW_T");
    ASSERT_FALSE(t->is_eof());
    udb_record& rec = *t->get_item();
    EXPECT_EQ(t->get_schema().get_field2(L"LR").vartype, VT_BLOB);
    const std::uint8_t* bytes = nullptr;
    ASSERT_EQ(rec.get_field(L"LR").get_bytes1(bytes), 3u);
    EXPECT_EQ(bytes[0], 0x0A);
    EXPECT_EQ(bytes[2], 0x0C);
}

TEST_F(OraRead, IntervalColumnIsReadAsText) {
    auto t = open(L"ODD_T");
    ASSERT_EQ(t->get_schema().size(), 3u);
    EXPECT_EQ(t->get_schema().get_field2(L"SPAN").vartype, VT_BSTR);
    EXPECT_TRUE(dynamic_cast<ora_table&>(*t).get_unsupported_columns().empty());
    auto rows = ora_read_all(*t);
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0][1], L"<null>");
    EXPECT_EQ(rows[0][2], L"x");
}

TEST_F(OraRead, NineteenDigitIntegersKeepEveryDigit) {
    auto t = open(L"WIDE_T");
    EXPECT_EQ(t->get_schema().get_field2(L"N").vartype, VT_DECIMAL);
    auto rows = ora_read_all(*t);
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0][1], L"9223372036854775807");
    EXPECT_EQ(rows[1][1], L"9999999999999999999");
    EXPECT_EQ(rows[2][1], L"-9223372036854775808");
}

// The source refuses a value past a NUMBER(9)'s precision, so the edges of the column are the
// values its 32-bit reading must carry.
TEST_F(OraRead, IntegersAtTheEdgesOfTheirColumnArriveWhole) {
    auto t = open(L"NARROW_T");
    for (long expected : {999999999L, 0L, -999999999L}) {
        ASSERT_FALSE(t->is_eof());
        EXPECT_EQ(t->get_item()->get_field(L"N").to_long(), expected);
        t->next();
    }
    EXPECT_TRUE(t->is_eof());
}

TEST_F(OraRead, LongValuesAreNeverCut) {
    auto t = open(L"LONGBIG_T");
    auto rows = ora_read_all(*t);
    ASSERT_EQ(rows.size(), 2u);
    // Either side of a million characters, each value whole.
    EXPECT_TRUE(rows[0][1] == std::wstring(999999, L'x')) << rows[0][1].size();
    EXPECT_TRUE(rows[1][1] == std::wstring(1000001, L'y')) << rows[1][1].size();
}

TEST_F(OraRead, QuoteInTableName) {
    ASSERT_TRUE(m_db->is_table_exist(L"O'HARA"));
    auto t = open(L"O'HARA");
    EXPECT_EQ(t->get_schema().size(), 2u);
    ASSERT_EQ(t->get_indexes().size(), 1u);
    EXPECT_EQ(t->get_indexes()[0].name, L"OHARA_PK");
    auto rows = ora_read_all(*t);
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0][1], L"a");
}

TEST_F(OraRead, UserQueries) {
    auto q = m_db->get_query(L"Q1", L"SELECT id, code, price FROM parent_t ORDER BY id", 1);
    EXPECT_TRUE(q->is_query());
    EXPECT_EQ(q->get_record_count(), 2);
    EXPECT_EQ(q->get_schema().get_field2(L"PRICE").vartype, VT_DECIMAL);
    EXPECT_TRUE(q->get_indexes().empty());
    auto rows = ora_read_all(*q);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0][1], L"B");
    EXPECT_TRUE(m_db->test_query(L"SELECT * FROM child_t"));
    try {
        m_db->test_query(L"SELECT x FROM no_such_table");
        FAIL() << "no error";
    } catch (const ora_exception& e) {
        EXPECT_EQ(e.code() & 0xFFF00000, 0x100000);
        EXPECT_EQ(e.code(), 0x100000 | 942);
        EXPECT_NE(std::string(e.what()).find("ORA-00942"), std::string::npos) << e.what();
        EXPECT_EQ(e.level(), 0);
    }
    // Opening a bad query fails the same way, before any row is read.
    try {
        m_db->get_query(L"Q2", L"SELECT nothing_here FROM parent_t", 1);
        FAIL() << "no error";
    } catch (const ora_exception& e) {
        EXPECT_EQ(e.code(), 0x100000 | 904);
        EXPECT_NE(std::string(e.what()).find("ORA-00904"), std::string::npos) << e.what();
    }
    // Binary reals are numbers in a query as in a table.
    auto reals = m_db->get_query(L"Q3", L"SELECT bf, bd FROM parent_t WHERE id = 2", 1);
    EXPECT_EQ(reals->get_schema()[0].vartype, VT_R4);
    EXPECT_EQ(reals->get_schema()[1].vartype, VT_R8);
}

TEST_F(OraRead, LongErrorTextsAreCutToTheBuffer) {
    // An unknown identifier of 600 characters makes a server text far beyond 512 bytes.
    std::wstring name(600, L'Q');
    try {
        m_db->test_query(L"SELECT \"" + name + L"\" FROM parent_t");
        FAIL() << "no error";
    } catch (const ora_exception& e) {
        std::string text = e.what();
        EXPECT_EQ(text.rfind("ORA-", 0), 0u) << text;
        EXPECT_EQ(text.size(), 255u);
        EXPECT_EQ(text.find('\0'), std::string::npos);
    }
}

TEST_F(OraRead, IsEofFetchesEachTime) {
    ora_query_results rs(0, L"SELECT id FROM parent_t ORDER BY id");
    EXPECT_FALSE(rs.is_eof());
    EXPECT_FALSE(rs.is_eof());  // passes over the first row
    udb_record* rec = rs.get_item();
    ASSERT_NE(rec, nullptr);
    EXPECT_EQ((*rec)[0].i8(), 9999999999LL);
    EXPECT_TRUE(rs.is_eof());
    EXPECT_EQ(rs.get_item(), nullptr);
    EXPECT_THROW(rs.append_record(*rec), tk_mail_assertion);
}

TEST_F(OraRead, MissingTableIsAnInternalError) {
    EXPECT_THROW(open(L"NO_SUCH"), tk_mail_assertion);
}

TEST(OraConnect, RefusedLogonsRaiseOracleErrors) {
    ora_test_instance inst;
    inst.add_user("T", "t");
    ora_engine engine;
    try {
        engine.open_db(inst.wdir(), L"T", L"wrong");
        FAIL() << "no error";
    } catch (const ora_exception& e) {
        EXPECT_EQ(e.code(), 0x1003F9);
        EXPECT_NE(std::string(e.what()).find("ORA-01017"), std::string::npos);
    }
    // The engine connects after failures.
    auto db = engine.open_db(inst.wdir(), L"T", L"t");
    EXPECT_TRUE(engine.b_attached);
    EXPECT_EQ(engine.get_name(), L"T");
    EXPECT_EQ(db->get_name(), inst.wdir());
}

TEST(OraConnect, MissingClientIsReported) {
    ora_engine::set_client_locator([]() -> const oci_function_table* { return nullptr; });
    try {
        ora_engine engine;
        FAIL() << "no error";
    } catch (const ora_exception&) {
        FAIL() << "wrong error";
    } catch (const tk_exception& e) {
        EXPECT_EQ(e.level(), 1);
        EXPECT_EQ(std::string(e.what()).rfind("The Oracle client and networking components were "
                                              "not found.\nThese components",
                                              0),
                  0u);
    }
    ora_engine::set_client_locator(nullptr);
    EXPECT_EQ(ora_engine::find_instance(), nullptr);
    ora_engine engine;
    EXPECT_EQ(ora_engine::find_instance(), &engine);
}

TEST(OraSchema, TableOfIntervalsAndTimeStampsWithZones) {
    ora_test_instance inst;
    inst.add_user("T", "t");
    inst.run("T", "t",
             {"CREATE TABLE spans (d INTERVAL DAY(2) TO SECOND(6), y INTERVAL YEAR(2) TO MONTH, "
              "z TIMESTAMP(6) WITH TIME ZONE, l TIMESTAMP WITH LOCAL TIME ZONE)"});
    ora_engine engine;
    auto db = engine.open_db(inst.wdir(), L"T", L"t");
    db->get_tables();
    auto table = db->get_table(L"SPANS", 1);
    ASSERT_EQ(table->get_schema().size(), 4u);
    EXPECT_EQ(table->get_schema().get_field2(L"D").vartype, VT_BSTR);
    EXPECT_EQ(table->get_schema().get_field2(L"Z").vartype, VT_DATE);
    EXPECT_EQ(table->get_schema().get_field2(L"Z").dw_reserved, 1 + 6 * 256);
}

TEST(OraDatabase, StatementsViewsAndWriteSlots) {
    ora_test_instance inst;
    inst.add_user("T", "t");
    inst.run("T", "t", {"CREATE TABLE a (x NUMBER(3))", "CREATE VIEW a_v AS SELECT x FROM a"});
    ora_engine engine;
    auto db = engine.open_db(inst.wdir(), L"T", L"t");
    EXPECT_EQ(db->get_views().size(), 1u);
    // Mode bit 0x80 leaves the views unread.
    EXPECT_TRUE(ora_database(inst.wdir(), 0x80).get_views().empty());
    // A view's text is a LONG: a text of a million characters and more is read whole.
    const std::string big_text =
        "SELECT x FROM a WHERE '" + std::string(1000000, 'w') + "' IS NOT NULL";
    inst.run("T", "t", {"CREATE VIEW big_v AS " + big_text});
    auto after = engine.open_db(inst.wdir(), L"T", L"t");
    ASSERT_EQ(after->get_views().size(), 2u);
    bool found = false;
    for (const auto& [name, text] : after->get_views()) {
        if (name != L"BIG_V") continue;
        found = true;
        EXPECT_TRUE(text == std::wstring(big_text.begin(), big_text.end())) << text.size();
    }
    EXPECT_TRUE(found);
    EXPECT_EQ(after->get_tables().size(), 1u);
    db = std::move(after);

    db->query(L"INSERT INTO a VALUES (7)");
    db->get_tables();
    auto a = db->get_table(L"A", 1);
    EXPECT_EQ(a->get_record_count(), 1);
    EXPECT_THROW(db->query(L"INSERT INTO no_such VALUES (1)"), ora_exception);

    // A column list names no user: nothing is created.  Views and foreign keys of empty lists
    // send nothing.
    udb_schema schema;
    EXPECT_NO_THROW(db->create_schema(schema));
    EXPECT_NO_THROW(db->create_views({}));
    EXPECT_NO_THROW(db->create_relationships(udb_relationships()));
    ASSERT_FALSE(a->is_eof());
    udb_record& rec = *a->get_item();
    EXPECT_EQ(rec[0].to_long(), 7);
    // A table read has no key to update by.
    EXPECT_THROW(a->update1(rec), tk_mail_assertion);
    a->append_record(rec);
    a->flush();
    EXPECT_EQ(db->get_table(L"A", 1)->get_record_count(), 2);
}

TEST(OraSchema, CompositeKeysAndTheirForeignKeys) {
    ora_test_instance inst;
    inst.add_user("T", "t");
    inst.run("T", "t",
             {"CREATE TABLE p (a NUMBER(3), b VARCHAR2(5), CONSTRAINT p_pk PRIMARY KEY (a, b))",
              "CREATE TABLE c (id NUMBER(3), pa NUMBER(3), pb VARCHAR2(5), "
              "CONSTRAINT c_p_fk FOREIGN KEY (pa, pb) REFERENCES p (a, b))",
              "CREATE TABLE d (qa NUMBER(3), qb VARCHAR2(5), "
              "CONSTRAINT d_p_fk FOREIGN KEY (qa, qb) REFERENCES p (a, b) ON DELETE SET NULL)"});
    ora_engine engine;
    auto db = engine.open_db(inst.wdir(), L"T", L"t");
    db->get_tables();
    auto p = db->get_table(L"P", 1);
    ASSERT_EQ(p->get_indexes().size(), 1u);
    EXPECT_EQ(p->get_indexes()[0].columns, (std::vector<std::wstring>{L"A", L"B"}));
    // Opening the table again adds no relationship and no column twice.
    p = db->get_table(L"P", 1);
    const udb_relationships& rels = db->get_relationships();
    ASSERT_EQ(rels.size(), 2u);
    const udb_relationship& c = rels.get_index(L"C_P_FK");
    EXPECT_EQ(c.child_table, L"C");
    EXPECT_EQ(c.parent_table, L"P");
    EXPECT_EQ(c.child_columns.size(), 2u);
    EXPECT_EQ(c.parent_columns, (std::vector<std::wstring>{L"A", L"B"}));
    EXPECT_EQ(rels.get_index(L"D_P_FK").rule, L"ON DELETE SET NULL");
}

TEST(OraVersion, OldServersUseThePlainTableList) {
    ora_test_instance inst("Oracle7 Server Release 7.3.4.0.0 - Production");
    inst.add_user("T", "t");
    inst.run("T", "t",
             {"CREATE TABLE a (x NUMBER(3) PRIMARY KEY, y NUMBER(3))",
              "CREATE INDEX a_y_ix ON a (y)", "CREATE GLOBAL TEMPORARY TABLE tmp_t (x NUMBER(3))"});
    ora_engine engine;
    auto db = engine.open_db(inst.wdir(), L"T", L"t");
    EXPECT_EQ(engine.get_version(), 0x070304u);
    EXPECT_EQ(db->get_tables().size(), 2u);
    {
        // The old index statement does not leave out generated indexes: the key's own index
        // arrives with the others and is not added a second time.
        auto a = db->get_table(L"A", 1);
        const udb_indexes& idx = a->get_indexes();
        ASSERT_EQ(idx.size(), 2u);
        EXPECT_TRUE(idx[0].primary);
        EXPECT_EQ(idx[0].columns, std::vector<std::wstring>{L"X"});
        EXPECT_FALSE(idx[1].primary);
        EXPECT_EQ(idx[1].name, L"A_Y_IX");
    }
    inst.set_banner("Oracle Database 11g Enterprise Edition Release 11.2.0.1.0 - 64bit Production");
    EXPECT_EQ(engine.get_version(), 0x0B0200u);
    // Version 8 and later leave temporary tables out.
    EXPECT_EQ(db->get_tables().size(), 1u);
}

}  // namespace

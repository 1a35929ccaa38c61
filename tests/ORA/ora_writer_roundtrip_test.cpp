// Rows written into Oracle by both writers, the array insert and one INSERT per row, read back
// cell by cell: what arrives is what was given.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "ORA/ora_database.h"
#include "ORA/ora_engine.h"
#include "ORA/ora_query_results.h"
#include "ORA/ora_table.h"
#include "TK/tk_exception.h"
#include "UDB/udb_recordset.h"
#include "ora_test_support.h"
#include "lite_engine.h"

namespace {

constexpr int k_fraction_shift = 8;  // fraction digits ride above the date kind

std::shared_ptr<t_ftd> column(const std::wstring& name, int vt, unsigned size, int reserved = 0) {
    return std::make_shared<t_ftd>(size, name, vt, false, false, ole_variant(), reserved,
                                   std::wstring());
}

ole_variant text(const std::wstring& s) {
    return ole_variant(s);
}

// Writes through the array insert (fast) or one INSERT per row, into a user of its own.
class OraWriterRoundtrip : public ora_connected_test, public ::testing::WithParamInterface<bool> {
protected:
    void SetUp() override {
        connect_as_new_user(m_inst, L"DEST");
        m_db->b_use_cache = GetParam();
    }
    // An existing table of the destination, made by `ddl`.
    std::unique_ptr<udb_recordset> existing(const std::wstring& name, const std::wstring& ddl) {
        m_db->query(ddl);
        m_db->get_tables();
        return m_db->get_table(name, 1);
    }
    std::vector<std::vector<std::wstring>> rows(const std::string& sql) {
        ora_query_results rs(0, std::wstring(sql.begin(), sql.end()));
        return ora_read_all(rs);
    }

    ora_test_instance m_inst;
};

std::string path_name(const ::testing::TestParamInfo<bool>& info) {
    return info.param ? "Batched" : "OneRowEach";
}

TEST_P(OraWriterRoundtrip, TimeStampsKeepTheirFractions) {
    udb_schema s;
    s.push_back(column(L"ID", VT_I4, 10));
    s.push_back(column(L"TS6", VT_DATE, 0, 6 << k_fraction_shift));
    s.push_back(column(L"TS3", VT_DATE, 0, 3 << k_fraction_shift));
    s.push_back(column(L"D", VT_DATE, 0));
    auto table = m_db->create_table(L"STAMPS", s, udb_indexes());
    ASSERT_TRUE(table);
    SYSTEMTIME half{};
    half.wYear = 2021, half.wMonth = 3, half.wDay = 4, half.wHour = 5, half.wMinute = 6,
    half.wSecond = 7, half.wMilliseconds = 500;
    SYSTEMTIME plain = half;
    plain.wMilliseconds = 0;
    auto row = [](int id, const ole_variant& ts6, const ole_variant& ts3, const ole_variant& d) {
        auto r = std::make_unique<udb_record>();
        r->add_field(udb_field(L"ID", 10, ole_variant(id)));
        r->add_field(udb_field(L"TS6", 0, ts6));
        r->add_field(udb_field(L"TS3", 0, ts3));
        r->add_field(udb_field(L"D", 0, d));
        return r;
    };
    table->append_record(
        *row(1, text(L"2020-01-02 04:05:06.123456"), ole_variant(half), ole_variant(plain)));
    table->append_record(*row(2, text(L"2020-01-02 04:05:06"), text(L"2020-01-02 04:05:06.999"),
                              text(L"2020-01-02 04:05:06")));
    table->flush();
    EXPECT_EQ(rows("select id, to_char(ts6, 'YYYY-MM-DD HH24:MI:SS.FF6'), "
                   "to_char(ts3, 'YYYY-MM-DD HH24:MI:SS.FF3'), "
                   "to_char(d, 'YYYY-MM-DD HH24:MI:SS') from stamps order by id"),
              (std::vector<std::vector<std::wstring>>{
                  {L"1", L"2020-01-02 04:05:06.123456", L"2021-03-04 05:06:07.500",
                   L"2021-03-04 05:06:07"},
                  {L"2", L"2020-01-02 04:05:06.000000", L"2020-01-02 04:05:06.999",
                   L"2020-01-02 04:05:06"}}));
}

TEST_P(OraWriterRoundtrip, ColumnsAreMatchedByName) {
    auto table = existing(L"SWAPPED", L"CREATE TABLE SWAPPED (B NVARCHAR2(10), A NVARCHAR2(10))");
    ASSERT_TRUE(table);
    udb_record r;
    r.add_field(udb_field(L"A", 10, text(L"a1")));
    r.add_field(udb_field(L"B", 10, text(L"b1")));
    table->append_record(r);
    table->flush();
    EXPECT_EQ(rows("select a, b from swapped"),
              (std::vector<std::vector<std::wstring>>{{L"a1", L"b1"}}));
}

TEST_P(OraWriterRoundtrip, IntegersThatDoNotFitAreRecordErrors) {
    auto table = existing(L"WHOLE", L"CREATE TABLE WHOLE (ID NUMBER(5), N NUMBER(5))");
    ASSERT_TRUE(table);
    auto row = [](int id, const ole_variant& n) {
        auto r = std::make_unique<udb_record>();
        r->add_field(udb_field(L"ID", 5, ole_variant(id)));
        r->add_field(udb_field(L"N", 5, n));
        return r;
    };
    const std::vector<ole_variant> misfits = {text(L"a1"),
                                              ole_variant(static_cast<long long>(9999999999LL)),
                                              ole_variant(3.75), text(L"3.75")};
    int id = 0;
    for (const ole_variant& bad : misfits) {
        try {
            table->append_record(*row(++id, bad));
            ADD_FAILURE() << "accepted value " << id;
        } catch (const tk_exception& e) {
            EXPECT_EQ(e.level(), 0);
            EXPECT_NE(e.message().find("column 'N'"), std::string::npos) << e.message();
        }
    }
    table->append_record(*row(10, text(L" 42 ")));
    table->append_record(*row(11, ole_variant(-7.0)));
    table->append_record(*row(12, ole_variant(static_cast<long long>(99999))));
    table->flush();
    EXPECT_EQ(rows("select id, n from whole order by id"),
              (std::vector<std::vector<std::wstring>>{
                  {L"10", L"42"}, {L"11", L"-7"}, {L"12", L"99999"}}));
}

TEST_P(OraWriterRoundtrip, CompositeUniqueKeysCompareTheColumnsThemselves) {
    udb_schema s;
    s.push_back(column(L"A", VT_BSTR, 10));
    s.push_back(column(L"B", VT_BSTR, 10));
    udb_indexes ix;
    ix.push_back(udb_index(L"PAIR_AB", true, false, {L"A", L"B"}));
    auto table = m_db->create_table(L"PAIR", s, ix);
    ASSERT_TRUE(table);
    auto row = [](const ole_variant& a, const ole_variant& b) {
        auto r = std::make_unique<udb_record>();
        r->add_field(udb_field(L"A", 10, a));
        r->add_field(udb_field(L"B", 10, b));
        return r;
    };
    table->append_record(*row(text(L"a,b"), text(L"c")));
    table->append_record(*row(text(L"a"), text(L"b,c")));
    // A row with a NULL in the key is exempt from it.
    table->append_record(*row(text(L"n"), ole_variant()));
    table->append_record(*row(text(L"n"), ole_variant()));
    table->flush();
    // The key still holds.
    EXPECT_ANY_THROW({
        table->append_record(*row(text(L"a"), text(L"b,c")));
        table->flush();
    });
    EXPECT_EQ(rows("select a, nvl(b, '<null>') from pair order by a, b"),
              (std::vector<std::vector<std::wstring>>{
                  {L"a", L"b,c"}, {L"a,b", L"c"}, {L"n", L"<null>"}, {L"n", L"<null>"}}));
}

TEST_P(OraWriterRoundtrip, TheFirstDayOfTheDateCalendarIsADate) {
    udb_schema s;
    s.push_back(column(L"ID", VT_I4, 10));
    s.push_back(column(L"D", VT_DATE, 0));
    udb_indexes ix;
    ix.push_back(udb_index(L"DAYS_PK", true, true, {L"ID"}));
    auto table = m_db->create_table(L"DAYS", s, ix);
    ASSERT_TRUE(table);
    SYSTEMTIME day_zero{};
    day_zero.wYear = 1899, day_zero.wMonth = 12, day_zero.wDay = 30;
    SYSTEMTIME with_time = day_zero;
    with_time.wHour = 4, with_time.wMinute = 5, with_time.wSecond = 6;
    auto row = [](int id, const SYSTEMTIME& t) {
        auto r = std::make_unique<udb_record>();
        r->add_field(udb_field(L"ID", 10, ole_variant(id)));
        r->add_field(udb_field(L"D", 0, ole_variant(t)));
        return r;
    };
    table->append_record(*row(1, day_zero));
    table->append_record(*row(2, with_time));
    SYSTEMTIME later = with_time;
    later.wYear = 2001;
    table->append_record(*row(3, later));
    table->flush();
    const std::vector<std::vector<std::wstring>> expected = {{L"1", L"1899-12-30 00:00:00"},
                                                             {L"2", L"1899-12-30 04:05:06"}};
    const std::string select =
        "select id, to_char(d, 'YYYY-MM-DD HH24:MI:SS') from days where id < 3 order by id";
    EXPECT_EQ(rows(select), expected);
    // An update writes the same date back.
    udb_record change;
    change.add_field(udb_field(L"ID", 10, ole_variant(3)));
    change.add_field(udb_field(L"D", 0, ole_variant(with_time)));
    auto opened = m_db->get_table(L"DAYS", 1);
    ASSERT_GE(opened->get_key_index(), 0);
    opened->update1(change);
    EXPECT_EQ(rows("select to_char(d, 'YYYY-MM-DD HH24:MI:SS') from days where id = 3"),
              (std::vector<std::vector<std::wstring>>{{L"1899-12-30 04:05:06"}}));
}

TEST_P(OraWriterRoundtrip, RealColumnsCarryEveryValue) {
    udb_schema s;
    s.push_back(column(L"ID", VT_I4, 10));
    s.push_back(column(L"R8", VT_R8, 0));
    s.push_back(column(L"R4", VT_R4, 0));
    auto table = m_db->create_table(L"REALS", s, udb_indexes());
    ASSERT_TRUE(table);
    std::vector<std::string> reported;
    m_db->set_error_reporter(
        [&](const std::string&, const tk_exception& e) { reported.push_back(e.message()); });
    auto row = [](int id, double r8, float r4) {
        auto r = std::make_unique<udb_record>();
        r->add_field(udb_field(L"ID", 10, ole_variant(id)));
        r->add_field(udb_field(L"R8", 0, ole_variant(r8)));
        r->add_field(udb_field(L"R4", 0, ole_variant(r4)));
        return r;
    };
    table->append_record(*row(1, 1e300, 3.25e38F));
    table->append_record(*row(2, -2.5e-300, 1.25F));
    table->append_record(*row(3, 0.1, -0.1F));
    table->flush();
    EXPECT_TRUE(reported.empty()) << reported.front();
    EXPECT_EQ(rows("select column_name, data_type from user_tab_columns where table_name = "
                   "'REALS' and column_name like 'R%' order by column_name"),
              (std::vector<std::vector<std::wstring>>{{L"R4", L"BINARY_FLOAT"},
                                                      {L"R8", L"BINARY_DOUBLE"}}));
    auto back = m_db->get_query(L"REALS", L"SELECT R8, R4 FROM REALS ORDER BY ID", 1);
    ASSERT_TRUE(back);
    std::vector<std::pair<double, float>> read;
    for (; !back->is_eof(); back->next()) {
        udb_record* rec = back->get_item();
        ASSERT_TRUE(rec);
        read.emplace_back((*rec)[0].to_double(), static_cast<float>((*rec)[1].to_double()));
    }
    EXPECT_EQ(read, (std::vector<std::pair<double, float>>{
                        {1e300, 3.25e38F}, {-2.5e-300, 1.25F}, {0.1, -0.1F}}));
}

// A source table of every case above, read as a conversion reads it, written into a second user
// and read back: each cell arrives as the source held it.
class OraUserToUser : public ::testing::TestWithParam<bool> {};

TEST_P(OraUserToUser, EveryCellArrivesAsTheSourceHeldIt) {
    ora_test_instance inst;
    inst.add_user("SRC", "src");
    inst.run("SRC", "src",
             {"CREATE TABLE CASES (ID NUMBER(5) PRIMARY KEY, TS6 TIMESTAMP(6), TS3 TIMESTAMP(3), "
              "D DATE, A VARCHAR2(10), B VARCHAR2(10), N5 NUMBER(5), N17 NUMBER(17), "
              "BD BINARY_DOUBLE, DT DATE DEFAULT SYSDATE, L LONG, WHO VARCHAR2(30) DEFAULT USER, "
              "TWO NUMBER(5) DEFAULT 1 + 1, TAG VARCHAR2(5) DEFAULT 'it''s')",
              "CREATE UNIQUE INDEX CASES_AB ON CASES (A, B)",
              "INSERT INTO CASES VALUES (1, TIMESTAMP '2020-01-02 04:05:06.123456', "
              "TIMESTAMP '2021-03-04 05:06:07.5', DATE '1899-12-30', 'a,b', 'c', 1, "
              "12345678901234567, 1e300, DATE '2001-02-03', NULL, 'w', 2, 't')",
              "INSERT INTO CASES VALUES (2, TIMESTAMP '2020-01-02 04:05:06', "
              "TIMESTAMP '2020-01-02 04:05:06.999', "
              "TO_DATE('1899-12-30 04:05:06', 'YYYY-MM-DD HH24:MI:SS'), 'a', 'b,c', -32768, "
              "-99999999999999999, -2.5e-300, NULL, 'short', NULL, NULL, NULL)",
              "INSERT INTO CASES (ID) VALUES (3)"});
    inst.with_session("SRC", "src", [](lite_session& session) {
        auto add = session.prepare("UPDATE CASES SET L = :1 WHERE ID = 1");
        add->bind_text(1, std::string(1000001, 'l'));
        add->execute();
    });

    // Read as the run reads a source table.
    udb_schema schema;
    udb_indexes indexes;
    std::vector<std::vector<udb_field>> records;
    std::vector<std::vector<std::wstring>> source_rows;
    // Constants and expressions alike, as the dictionary gives them.
    const std::wstring k_defaults =
        L"select column_name, data_default from user_tab_columns where table_name = 'CASES' "
        L"and column_name in ('DT', 'WHO', 'TWO', 'TAG') order by column_name";
    std::vector<std::vector<std::wstring>> source_defaults;
    {
        ora_engine engine;
        auto db = engine.open_db(inst.wdir(), L"SRC", L"src");
        db->get_tables();
        auto table = db->get_table(L"CASES", 1);
        ASSERT_TRUE(table);
        schema = table->get_schema();
        indexes = table->get_indexes();
        for (; !table->is_eof(); table->next()) {
            udb_record* rec = table->get_item();
            ASSERT_TRUE(rec);
            std::vector<udb_field> copy;
            for (const auto& f : rec->fields()) copy.push_back(*f);
            records.push_back(std::move(copy));
        }
        auto again = db->get_query(L"BACK", L"SELECT * FROM CASES ORDER BY ID", 1);
        source_rows = ora_read_all(*again);
        ora_query_results def(0, k_defaults);
        source_defaults = ora_read_all(def);
    }
    ASSERT_EQ(records.size(), 3u);

    ora_engine engine;
    auto admin = engine.open_db(inst.wdir(), L"SRC", L"src");
    admin->create_schema(L"DEST");
    admin.reset();
    auto db = engine.open_db(inst.wdir(), L"DEST", L"");
    db->b_use_cache = GetParam();
    std::vector<std::string> reported;
    db->set_error_reporter(
        [&](const std::string&, const tk_exception& e) { reported.push_back(e.message()); });
    {
        auto table = db->create_table(L"CASES", schema, indexes);
        ASSERT_TRUE(table);
        for (const auto& fields : records) {
            udb_record r;
            for (const udb_field& f : fields) r.add_field(f);
            table->append_record(r);
        }
        table->flush();
    }
    EXPECT_TRUE(reported.empty()) << reported.front();
    db->get_tables();
    auto back = db->get_query(L"BACK", L"SELECT * FROM CASES ORDER BY ID", 1);
    const auto dest_rows = ora_read_all(*back);
    ASSERT_EQ(dest_rows.size(), source_rows.size());
    for (std::size_t i = 0; i < source_rows.size(); ++i) {
        ASSERT_EQ(dest_rows[i].size(), source_rows[i].size());
        for (std::size_t c = 0; c < source_rows[i].size(); ++c) {
            EXPECT_TRUE(dest_rows[i][c] == source_rows[i][c])
                << "row " << i + 1 << ", column " << c + 1 << ": "
                << std::string(dest_rows[i][c].begin(),
                               dest_rows[i][c].begin() + static_cast<long>(std::min<std::size_t>(
                                                             dest_rows[i][c].size(), 60)))
                << " vs "
                << std::string(source_rows[i][c].begin(),
                               source_rows[i][c].begin() + static_cast<long>(std::min<std::size_t>(
                                                               source_rows[i][c].size(), 60)));
        }
    }
    // Constants keep their values (an expression of constants its value); an expression of
    // anything else is no DEFAULT rather than a made-up text.
    ASSERT_EQ(
        source_defaults,
        (std::vector<std::vector<std::wstring>>{
            {L"DT", L"SYSDATE"}, {L"TAG", L"'it''s'"}, {L"TWO", L"1 + 1"}, {L"WHO", L"USER"}}));
    ora_query_results def(0, k_defaults);
    EXPECT_EQ(ora_read_all(def),
              (std::vector<std::vector<std::wstring>>{
                  {L"DT", L"SYSDATE"}, {L"TAG", L"'it''s'"}, {L"TWO", L"2"}, {L"WHO", L"<null>"}}));
    // The composite key compares the columns themselves, and still holds.
    udb_record twin;
    for (const udb_field& f : records[1]) twin.add_field(f);
    static_cast<ole_variant&>(twin.get_field(L"ID")) = ole_variant(9);
    bool refused = false;
    try {
        auto table = db->get_table(L"CASES", 1);
        table->append_record(twin);
        table->flush();
    } catch (const tk_exception&) {
        refused = true;
    }
    // The batch tells a refused row to the reporter, one row at a time raises it.
    EXPECT_TRUE(refused || reported.size() == 1u);
    ora_query_results count(0, L"select to_char(count(*)) from CASES");
    EXPECT_EQ(ora_read_all(count).at(0).at(0), L"3");
}

INSTANTIATE_TEST_SUITE_P(Paths, OraUserToUser, ::testing::Bool(), path_name);

INSTANTIATE_TEST_SUITE_P(Paths, OraWriterRoundtrip, ::testing::Bool(), path_name);

}  // namespace

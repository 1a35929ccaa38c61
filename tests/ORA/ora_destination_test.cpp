// Oracle as the destination: a user created for it, tables built from model column descriptions
// with their keys, indexes, sequence and trigger, foreign keys and views, and rows written fast
// (array insert) and slow (one INSERT each), all read back through the Oracle read path.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>

#include "ORA/ora_database.h"
#include "ORA/ora_engine.h"
#include "ORA/ora_exception.h"
#include "ORA/ora_in_validator.h"
#include "ORA/ora_indexes_initializer.h"
#include "ORA/ora_schema_initializer.h"
#include "ORA/ora_table.h"
#include "TK/tk_exception.h"
#include "UDB/udb_recordset.h"
#include "ora_test_support.h"

namespace {

std::shared_ptr<t_ftd> column(const std::wstring& name, int vt, unsigned size,
                              bool not_null = false, int reserved = 0) {
    return std::make_shared<t_ftd>(size, name, vt, not_null, false, ole_variant(), reserved,
                                   std::wstring());
}

const std::wstring k_long_name = L"A_COLUMN_NAME_OF_31_CHARACTERS_";  // 31

// Every column class the model carries.
udb_schema zoo_schema() {
    udb_schema s;
    auto id = column(L"ID", VT_I4, 10, true);
    id->b_auto_increment = true;
    s.push_back(id);
    s.push_back(column(L"NAME", VT_BSTR, 20, true));
    s.push_back(column(L"CODE", VT_BSTR, 5));
    s.push_back(column(L"DATE", VT_DATE, 0));  // a reserved word
    s.push_back(column(L"PRICE", VT_DECIMAL, 0, false, 10 * 256 + 2));
    s.push_back(column(L"RATIO", VT_R8, 0));
    s.push_back(column(L"BIG", VT_I8, 0));
    s.push_back(column(L"SMALL", VT_I2, 0));
    s.push_back(column(L"RAWISH", VT_BLOB, 8));
    s.push_back(column(k_long_name, VT_BSTR, 10));
    s.push_back(column(L"DOC", VT_BSTR, 0));
    s.push_back(column(L"PIC", VT_BLOB, 0));
    return s;
}

udb_indexes zoo_indexes() {
    udb_indexes ix;
    ix.push_back(udb_index(L"ZOO_PK", true, true, {L"ID"}));
    ix.push_back(udb_index(L"ZOO_NAME_CODE", true, false, {L"NAME", L"CODE"}));
    ix.push_back(udb_index(L"ZOO_PRICE", false, false, {L"PRICE"}));
    ix.push_back(udb_index(L"ZOO_ID_AGAIN", true, false, {L"ID"}));
    ix.push_back(udb_index(L"ZOO_DOC", false, false, {L"DOC"}));
    return ix;
}

// A record of the zoo's fields; the ID is NULL, for the trigger to fill.
std::unique_ptr<udb_record> zoo_row(int n) {
    auto r = std::make_unique<udb_record>();
    r->add_field(udb_field(L"ID", 10, ole_variant()));
    r->add_field(udb_field(L"NAME", 20, ole_variant(std::wstring(L"name ") + std::to_wstring(n))));
    r->add_field(udb_field(L"CODE", 5, ole_variant(std::wstring(L"c") + std::to_wstring(n % 7))));
    SYSTEMTIME t{};
    t.wYear = 2020, t.wMonth = 2, t.wDay = 29, t.wHour = 13, t.wMinute = 14,
    t.wSecond = static_cast<WORD>(n % 60);
    r->add_field(udb_field(L"DATE", 0, ole_variant(t)));
    r->add_field(udb_field(L"PRICE", 0, ole_variant(n + 0.25)));
    r->add_field(udb_field(L"RATIO", 0, ole_variant(1.0 / (n + 3))));
    r->add_field(udb_field(L"BIG", 0, ole_variant(static_cast<long long>((1LL << 53) + 1 + n))));
    r->add_field(udb_field(L"SMALL", 0, ole_variant(static_cast<short>(-n))));
    r->add_field(udb_field(
        L"RAWISH", 8,
        ole_variant(std::vector<std::uint8_t>{0xCA, 0xFE, static_cast<std::uint8_t>(n)})));
    r->add_field(udb_field(k_long_name, 10, ole_variant(std::wstring(L"long"))));
    r->add_field(udb_field(L"DOC", 0, ole_variant(std::wstring(L"doc ") + std::to_wstring(n))));
    r->add_field(udb_field(L"PIC", 0, ole_variant(std::vector<std::uint8_t>{1, 2, 3})));
    return r;
}

class OraDestination : public ora_connected_test {
protected:
    void SetUp() override { connect_as_new_user(m_inst, L"DEST"); }
    std::vector<std::vector<std::wstring>> rows(const std::string& sql) {
        std::vector<std::vector<std::wstring>> out;
        ora_query_results rs(0, std::wstring(sql.begin(), sql.end()));
        return ora_read_all(rs);
    }
    std::wstring cell(const std::string& sql) {
        auto r = rows(sql);
        return r.empty() || r[0].empty() ? L"<none>" : r[0][0];
    }
    std::unique_ptr<udb_recordset> make_zoo(const std::wstring& name) {
        udb_schema s = zoo_schema();
        return m_db->create_table(name, s, zoo_indexes());
    }

    ora_test_instance m_inst;
};

TEST_F(OraDestination, UserTablesKeysSequenceAndTrigger) {
    EXPECT_EQ(m_engine->get_name(), L"DEST");
    auto zoo = make_zoo(L"ZOO");
    ASSERT_TRUE(zoo);
    EXPECT_TRUE(m_db->is_table_exist(L"ZOO"));
    // The 31-character name was repaired and recorded.
    const std::wstring repaired = m_db->get_fn_mapped_name_ex(L"ZOO", k_long_name);
    EXPECT_EQ(repaired.size(), 29u);
    EXPECT_EQ(repaired, k_long_name.substr(0, 29));
    EXPECT_TRUE(zoo->get_schema().find_field(L"DATE"));

    EXPECT_EQ(
        rows("select index_name, uniqueness from user_indexes order by index_name"),
        (std::vector<std::vector<std::wstring>>{
            {L"ZOO_NAME_CODE", L"UNIQUE"}, {L"ZOO_PK", L"UNIQUE"}, {L"ZOO_PRICE", L"NONUNIQUE"}}));
    EXPECT_EQ(cell("select constraint_type from user_constraints where constraint_name = "
                   "'ZOO_PK'"),
              L"P");
    EXPECT_EQ(cell("select sequence_name from user_sequences"), L"ZOO_0");
    EXPECT_EQ(cell("select trigger_name from user_triggers"), L"ZOO__TRIGGER");
    EXPECT_EQ(cell("select nullable from user_tab_columns where column_name = 'NAME'"), L"N");
    EXPECT_EQ(cell("select data_type from user_tab_columns where column_name = 'DOC'"), L"CLOB");

    // Asked again, the table is opened as it is.
    udb_schema none;
    auto again = m_db->create_table(L"ZOO", none, udb_indexes());
    EXPECT_EQ(again->get_schema().size(), zoo_schema().size());
}

TEST_F(OraDestination, FastRowsComeInBatchesAndReadBackEqual) {
    auto zoo = make_zoo(L"ZOO");
    for (int n = 0; n < 199; ++n) zoo->append_record(*zoo_row(n));
    EXPECT_EQ(cell("select to_char(count(*)) from zoo"), L"0");
    zoo->append_record(*zoo_row(199));
    EXPECT_EQ(cell("select to_char(count(*)) from zoo"), L"200");
    for (int n = 200; n < 250; ++n) zoo->append_record(*zoo_row(n));
    EXPECT_EQ(cell("select to_char(count(*)) from zoo"), L"200");
    zoo.reset();
    EXPECT_EQ(cell("select to_char(count(*)) from zoo"), L"250");
    // The trigger filled the key from the sequence.
    EXPECT_EQ(cell("select min(id) || '-' || max(id) from zoo"), L"1-250");
    // BIG is a NUMBER without precision, which the reader carries as a double: its values above
    // 2^53 would be refused there (rightly), so they are checked as text below.
    auto back =
        m_db->get_query(L"ZOO", L"SELECT ID, NAME, CODE, PRICE, SMALL FROM ZOO ORDER BY ID", 1);
    auto read = ora_read_all(*back);
    ASSERT_EQ(read.size(), 250u);
    EXPECT_EQ(read[7][1], L"name 7");
    EXPECT_EQ(cell("select to_char(big) from zoo where id = 7"),
              L"9007199254740999");  // 2^53 + 1 + 6, exactly
    EXPECT_EQ(cell("select price || ' ' || small || ' ' || rawtohex(rawish) from zoo where id = 8"),
              L"7.25 -7 CAFE07");
    EXPECT_EQ(cell("select to_char(\"DATE\", 'YYYY-MM-DD HH24:MI:SS') from zoo where id = 8"),
              L"2020-02-29 13:14:07");
    EXPECT_EQ(cell("select doc from zoo where id = 250"), L"doc 249");
    EXPECT_EQ(cell("select to_char(dbms_lob.getlength(pic)) from zoo where id = 250"), L"3");
    const double ratio = std::stod(cell("select ratio from zoo where id = 8"));
    EXPECT_EQ(ratio, 1.0 / 10);
}

// The rules both writers keep, for the cache and for one INSERT per row.
void check_row_rules(OraDestination& t, ora_database& db, bool fast,
                     const std::function<std::wstring(const std::string&)>& cell) {
    db.b_use_cache = fast;
    udb_schema s;
    s.push_back(column(L"ID", VT_I4, 10, true));
    s.push_back(column(L"T", VT_BSTR, 10, true));
    s.push_back(column(L"N", VT_R8, 0, true));
    s.push_back(column(L"B", VT_BLOB, 0));
    s.push_back(column(L"C", VT_BSTR, 0));
    udb_indexes ix;
    ix.push_back(udb_index(L"RULES_PK", true, true, {L"ID"}));
    auto table = db.create_table(L"RULES", s, ix);
    auto row = [](int id, const ole_variant& text, const ole_variant& n, const ole_variant& b,
                  const ole_variant& c) {
        auto r = std::make_unique<udb_record>();
        r->add_field(udb_field(L"ID", 10, ole_variant(id)));
        r->add_field(udb_field(L"T", 10, text));
        r->add_field(udb_field(L"N", 0, n));
        r->add_field(udb_field(L"B", 0, b));
        r->add_field(udb_field(L"C", 0, c));
        return r;
    };
    const std::wstring big(5 * 1024 * 1024, L'x');
    table->append_record(*row(1, ole_variant(std::wstring()), ole_variant(1.5),
                              ole_variant(std::vector<std::uint8_t>{}), ole_variant(big)));
    table->append_record(*row(2, ole_variant(std::wstring(L"two")), ole_variant(),
                              ole_variant(std::vector<std::uint8_t>{7, 0, 9}), ole_variant()));
    table->flush();
    (void)t;
    EXPECT_EQ(cell("select '[' || t || ']' from rules where id = 1"), L"[ ]");
    // The NULL dropped the column's NOT NULL first.
    EXPECT_EQ(cell("select nullable from user_tab_columns where table_name = 'RULES' and "
                   "column_name = 'N'"),
              L"Y");
    EXPECT_EQ(cell("select nvl(to_char(n), 'null') from rules where id = 2"), L"null");
    EXPECT_EQ(cell("select to_char(dbms_lob.getlength(b)) from rules where id = 1"), L"0");
    EXPECT_EQ(cell("select rawtohex(b) from rules where id = 2"), L"070009");
    EXPECT_EQ(cell("select to_char(dbms_lob.getlength(c)) from rules where id = 1"), L"5242880");
    EXPECT_EQ(cell("select nvl(to_char(dbms_lob.getlength(c)), 'null') from rules where id = 2"),
              L"null");
    auto back = db.get_table(L"RULES", 1);
    auto all = ora_read_all(*back);
    ASSERT_EQ(all.size(), 2u);
    EXPECT_EQ(all[0][4], big);
}

TEST_F(OraDestination, FastRowRules) {
    check_row_rules(*this, *m_db, true, [&](const std::string& s) { return cell(s); });
}

TEST_F(OraDestination, SlowRowRules) {
    check_row_rules(*this, *m_db, false, [&](const std::string& s) { return cell(s); });
}

TEST_F(OraDestination, SlowRowsAndUpdates) {
    m_db->b_use_cache = false;
    auto zoo = make_zoo(L"ZOO");
    for (int n = 0; n < 5; ++n) zoo->append_record(*zoo_row(n));
    EXPECT_EQ(cell("select count(*) || ' ' || max(id) from zoo"), L"5 5");
    EXPECT_EQ(cell("select to_char(big) from zoo where id = 5"), L"9007199254740997");
    EXPECT_EQ(cell("select doc from zoo where id = 3"), L"doc 2");
    // A record with columns the table lacks is refused before anything is sent.
    udb_record odd;
    odd.add_field(udb_field(L"NO_SUCH", 0, ole_variant(1)));
    try {
        zoo->append_record(odd);
        FAIL() << "accepted";
    } catch (const ora_exception&) {
        FAIL() << "sent";
    } catch (const tk_exception& e) {
        EXPECT_EQ(e.level(), 0);
        EXPECT_EQ(e.message(),
                  "The structure of data source does not conform to the destination table.");
    }
    // Update by the primary key.
    auto opened = m_db->get_table(L"ZOO", 1);
    udb_record change;
    change.add_field(udb_field(L"ID", 10, ole_variant(2)));
    change.add_field(udb_field(L"NAME", 20, ole_variant(std::wstring(L"O'Hara"))));
    ASSERT_GE(opened->get_key_index(), 0);
    opened->update1(change);
    EXPECT_EQ(cell("select name from zoo where id = 2"), L"O'Hara");
    EXPECT_EQ(cell("select name from zoo where id = 3"), L"name 2");
}

TEST_F(OraDestination, FaultsAreReportedNotHidden) {
    std::vector<std::string> reported;
    m_db->set_error_reporter([&](const std::string& object, const tk_exception& e) {
        EXPECT_EQ(e.level(), 0);
        reported.push_back(object + ": " + e.message());
    });
    udb_schema s;
    s.push_back(column(L"ID", VT_I4, 10, true));
    s.push_back(column(L"T", VT_BSTR, 3));
    s.push_back(column(L"R", VT_R8, 0));
    udb_indexes ix;
    ix.push_back(udb_index(L"F_PK", true, true, {L"ID"}));
    // R as a NUMBER, as a table made elsewhere may have it: a real beyond its range has no place.
    m_db->create_table(L"F", s, ix).reset();
    m_db->query(L"ALTER TABLE \"F\" MODIFY \"R\" NUMBER");
    auto table = m_db->get_table(L"F", 1);
    auto row = [](int id, const wchar_t* text, double r) {
        auto rec = std::make_unique<udb_record>();
        rec->add_field(udb_field(L"ID", 10, ole_variant(id)));
        rec->add_field(udb_field(L"T", 3, ole_variant(std::wstring(text))));
        rec->add_field(udb_field(L"R", 0, ole_variant(r)));
        return rec;
    };
    // Too long for its column: the row is refused, naming table and column, nothing is cut.
    try {
        table->append_record(*row(1, L"abcd", 1));
        FAIL() << "cut in silence";
    } catch (const tk_exception& e) {
        EXPECT_EQ(e.level(), 0);
        EXPECT_NE(e.message().find("Table 'F', column 'T'"), std::string::npos) << e.message();
    }
    // A duplicate key in a batch loses only its own row.
    table->append_record(*row(1, L"a", 1));
    table->append_record(*row(2, L"b", 2));
    table->append_record(*row(1, L"dup", 3));
    table->append_record(*row(3, L"c", 1e200));
    table->append_record(*row(4, L"d", 4));
    table->flush();
    EXPECT_EQ(cell("select to_char(count(*)) from f"), L"4");
    EXPECT_EQ(cell("select nvl(to_char(r), 'null') from f where id = 3"), L"null");
    ASSERT_EQ(reported.size(), 2u);
    EXPECT_NE(reported[0].find("column 'R'"), std::string::npos) << reported[0];
    EXPECT_NE(reported[1].find("row 3 of the batch"), std::string::npos) << reported[1];
    EXPECT_NE(reported[1].find("ORA-00001"), std::string::npos) << reported[1];

    // Without a reporter the refused rows are raised once the rest is written.
    m_db->set_error_reporter(nullptr);
    table->append_record(*row(5, L"e", 5));
    table->append_record(*row(5, L"e", 5));
    EXPECT_THROW(table->flush(), tk_exception);
    EXPECT_EQ(cell("select to_char(count(*)) from f"), L"5");

    // Slow rows report the replaced number the same way.
    m_db->set_error_reporter([&](const std::string& object, const tk_exception& e) {
        reported.push_back(object + ": " + e.message());
    });
    m_db->b_use_cache = false;
    auto slow = m_db->get_table(L"F", 1);
    slow->append_record(*row(6, L"f", -1e130));
    EXPECT_EQ(reported.size(), 3u);
    EXPECT_EQ(cell("select nvl(to_char(r), 'null') from f where id = 6"), L"null");
}

TEST_F(OraDestination, ReadingPreparesNoInsert) {
    auto zoo = make_zoo(L"ZOO");
    zoo.reset();
    ora_log_capture log("ora_destination_read", 1);
    {
        auto t = m_db->get_table(L"ZOO", 1);
        ora_read_all(*t);
    }
    const std::string text = log.finish();
    EXPECT_EQ(text.find("ora_cache::ctor"), std::string::npos);
    EXPECT_EQ(text.find("INSERT"), std::string::npos);
}

TEST_F(OraDestination, ForeignKeysAndViews) {
    udb_schema ps;
    ps.push_back(column(L"ID", VT_I4, 10, true));
    ps.push_back(column(L"CODE", VT_BSTR, 5));
    udb_indexes pix;
    pix.push_back(udb_index(L"P_PK", true, true, {L"ID"}));
    m_db->create_table(L"P", ps, pix);
    udb_schema cs;
    cs.push_back(column(L"ID", VT_I4, 10, true));
    cs.push_back(column(L"PID", VT_I4, 10));
    cs.push_back(column(L"PCODE", VT_BSTR, 5));
    m_db->create_table(L"C", cs, udb_indexes());

    udb_relationships rels;
    rels.push_back(
        udb_relationship(L"C_P", L"P_PK", L"C", L"P", {L"PID"}, {L"ID"}, L"on delete cascade "));
    rels.push_back(
        udb_relationship(L"C_CODE", L"", L"C", L"P", {L"PCODE"}, {L"CODE"}, L"ON UPDATE CASCADE"));
    rels.push_back(udb_relationship(L"C_NONE", L"", L"C", L"NO_SUCH", {L"PID"}, {L"ID"}, L""));
    m_db->create_relationships(rels);
    EXPECT_EQ(rows("select delete_rule from user_constraints where constraint_type = 'R' order "
                   "by delete_rule"),
              (std::vector<std::vector<std::wstring>>{{L"CASCADE"}, {L"NO ACTION"}}));
    // The referenced CODE got a unique constraint first.
    EXPECT_EQ(cell("select constraint_name from user_constraints where constraint_type = 'U'"),
              L"P_UI");

    // A foreign key that fails goes to the reporter; the next one is still made.
    std::vector<std::string> reported;
    m_db->set_error_reporter(
        [&](const std::string& object, const tk_exception&) { reported.push_back(object); });
    udb_relationships bad;
    bad.push_back(udb_relationship(L"C_BAD", L"", L"C", L"P", {L"NOPE"}, {L"ID"}, L""));
    m_db->create_relationships(bad);
    EXPECT_EQ(reported, std::vector<std::string>{"Foreign key 'C_BAD'"});

    udb_database::view_list views = {
        {L"V_P", L"select [ID], CODE from P;\n"},
        {L"V_WITH", L"WITH x AS (select 1 a from dual) select a from x"},
        {L"P", L"select 1 x from dual"},
    };
    m_db->create_views(views);
    EXPECT_EQ(rows("select view_name from user_views"),
              (std::vector<std::vector<std::wstring>>{{L"V_P"}}));
    EXPECT_EQ(reported.back(), "View 'P'");
    EXPECT_EQ(m_db->refine_view_in(L"select DISTINCTROW [a] from t;\n"),
              L"select  \"a\" from t \n");
}

TEST(OraDestinationNames, SequenceCandidateAndUniqueExpression) {
    ora_test_instance inst;
    inst.add_user("D", "d");
    ora_engine engine;
    auto db = engine.open_db(inst.wdir(), L"D", L"d");
    udb_schema s;
    auto id = column(L"ID", VT_I4, 10, true);
    id->b_auto_increment = true;
    s.push_back(id);
    s.push_back(column(L"A", VT_BSTR, 5));
    s.push_back(column(L"B", VT_BSTR, 5));
    const std::wstring name = L"A_TABLE_NAME_OF_29_CHARACTERS";
    ASSERT_EQ(name.size(), 29u);
    udb_indexes ix;
    ix.push_back(udb_index(L"AB", true, false, {L"A", L"B"}));
    ora_schema_initializer init(name, false, s, ix);
    EXPECT_EQ(init.create_sequence(*db), name.substr(0, 27) + L"_0");
    EXPECT_EQ(init.create_sequence(*db), name.substr(0, 27) + L"_1");
    ora_in_validator names;
    ora_indexes_initializer keys(name, init);
    ASSERT_EQ(keys.get_indexes().size(), 1u);
    EXPECT_EQ(keys.index_statement(keys.get_indexes()[0]),
              L"CREATE UNIQUE INDEX \"AB\" ON \"" + name +
                  L"\" (CASE WHEN \"A\" IS NOT NULL AND \"B\" IS NOT NULL THEN \"A\" END, "
                  L"CASE WHEN \"A\" IS NOT NULL AND \"B\" IS NOT NULL THEN \"B\" END)");
    EXPECT_NE(init.create_statement().find(L"\"ID\" NUMBER(10,0), "), std::wstring::npos)
        << "an auto-increment column gets no NOT NULL";
}

}  // namespace

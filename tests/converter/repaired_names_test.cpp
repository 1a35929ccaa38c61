// Names the destination cannot take as they are: each is repaired into the same name on every
// run, so that running again into the same database reaches the same tables; names that differ
// only by letter case are kept apart as MySQL needs; control characters are repaired like any
// other refused character; and every repair is told to the user once.
#include <gtest/gtest.h>

#include <algorithm>

#include "TK/tk_utils.h"
#include "converter/converter_test_support.h"

namespace {

const std::string k_long_1 =
    "LONG_NAME_TABLE_ABCDEFGHIJKLMNOPQRSTUVWXYZ_ABCDEFGHIJKLMNOPQRSTUVWXYZ_1";
const std::string k_long_2 =
    "LONG_NAME_TABLE_ABCDEFGHIJKLMNOPQRSTUVWXYZ_ABCDEFGHIJKLMNOPQRSTUVWXYZ_2";
// Cut one below the limit; the second one's cut is taken, so it is numbered.
const std::string k_long_1_repaired = k_long_1.substr(0, 63);
const std::string k_long_2_repaired = k_long_1.substr(0, 58) + "00000";

const std::vector<std::string> k_schema = {
    // Repaired into A_B, which another source table holds: so it is numbered instead.
    "CREATE TABLE \"A;B\" (ID NUMBER(4) PRIMARY KEY, V VARCHAR2(10))",
    "CREATE TABLE A_B (ID NUMBER(4) PRIMARY KEY)",
    "CREATE TABLE \"" + k_long_1 + "\" (ID NUMBER(4) PRIMARY KEY)",
    "CREATE TABLE \"" + k_long_2 + "\" (ID NUMBER(4) PRIMARY KEY)",
    "CREATE TABLE \"LINE\nBREAK\" (ID NUMBER(4) PRIMARY KEY, \"TAB\tCOL\" VARCHAR2(10))",
    "CREATE INDEX \"I\nX\" ON \"LINE\nBREAK\" (\"TAB\tCOL\")",
    "CREATE TABLE EMP (ID NUMBER(4) PRIMARY KEY, W VARCHAR2(10))",
    "CREATE TABLE CASES (ID NUMBER(4) PRIMARY KEY, A VARCHAR2(10), B VARCHAR2(10))",
    "INSERT INTO \"A;B\" VALUES (1, 'a')",
    "INSERT INTO \"A;B\" VALUES (2, 'b')",
    "INSERT INTO A_B VALUES (7)",
    "INSERT INTO \"" + k_long_1 + "\" VALUES (1)",
    "INSERT INTO \"" + k_long_2 + "\" VALUES (2)",
    "INSERT INTO \"" + k_long_2 + "\" VALUES (3)",
    "INSERT INTO \"LINE\nBREAK\" VALUES (1, 'tab')",
    "INSERT INTO EMP VALUES (1, 'one')",
    "INSERT INTO EMP VALUES (2, 'two')",
    "INSERT INTO CASES VALUES (1, 'lower', 'upper')",
};

const std::vector<std::wstring> k_tables = {
    L"A;B", L"A_B", tk_to_unicode(k_long_1), tk_to_unicode(k_long_2), L"LINE\nBREAK", L"EMP"};

// Destination table and its rows, in binary name order, after one run of k_tables.
const std::vector<std::pair<std::string, long long>> k_expected = {
    {"A_B", 1},        {"A_B00000", 2},        {"EMP", 2},
    {"LINE_BREAK", 1}, {k_long_2_repaired, 2}, {k_long_1_repaired, 1}};

class repaired_names_test : public conversion_test {
protected:
    static void SetUpTestSuite() {
        s_inst = std::make_unique<ora_test_instance>();
        s_inst->add_user("RN", "rn");
        s_inst->run("RN", "rn", k_schema);
    }
    static void TearDownTestSuite() { s_inst.reset(); }

    void SetUp() override {
        conversion_test::SetUp();
        REQUIRE_TEST_SERVER();
        connect_source(*s_inst, L"RN", L"rn");
    }

    // Runs once into a new database on the server and once into a dump replayed into another;
    // gives both databases.
    std::vector<std::string> live_and_replayed(const std::string& stem) {
        const std::string live = database((stem + "_live").c_str());
        run_to_server(live);
        expect_no_errors();
        const std::string dump = run_to_dump(stem + "_dump");
        expect_no_errors();
        const std::string replayed = database((stem + "_dump").c_str());
        replay(dump, replayed);
        return {live, replayed};
    }

    // The tables of a database with their rows, in binary name order.
    std::vector<std::pair<std::string, long long>> tables_and_rows(const std::string& db) {
        std::vector<std::pair<std::string, long long>> out;
        for (const std::string& table : server_tables(db))
            out.emplace_back(table, server_count(db, table));
        std::sort(out.begin(), out.end());
        return out;
    }

    std::string scalar(const std::string& sql) {
        std::string out;
        EXPECT_EQ(run_client_sql(sql, out), 0) << out;
        while (!out.empty() && out.back() == '\n') out.pop_back();
        return out;
    }

    std::string columns_of(const std::string& db, const std::string& table) {
        return scalar(
            "select group_concat(column_name order by ordinal_position) from "
            "information_schema.columns where table_schema='" +
            db + "' and table_name='" + table + "'");
    }

    std::string indexes_of(const std::string& db, const std::string& table) {
        return scalar(
            "select group_concat(distinct index_name order by index_name) from "
            "information_schema.statistics where table_schema='" +
            db + "' and table_name='" + table + "'");
    }

    // How many lines the user was shown that hold `text`.
    std::size_t shown(const std::wstring& text) const {
        return static_cast<std::size_t>(std::count_if(
            front->lines.begin(), front->lines.end(),
            [&](const std::wstring& l) { return l.find(text) != std::wstring::npos; }));
    }

    void expect_no_errors() {
        for (const auto& e : handler->errors) ADD_FAILURE() << e.text;
        handler->errors.clear();
    }

    static inline std::unique_ptr<ora_test_instance> s_inst;
};

}  // namespace

TEST_F(repaired_names_test, a_rerun_reaches_the_same_tables_in_every_mode) {
    for (int mode : {1, 2, 3}) {
        SCOPED_TRACE(mode);
        const std::string db = database(("rerun" + std::to_string(mode)).c_str());
        conv->selected_tables = k_tables;
        conv->mode = mode;
        run_to_server(db);
        expect_no_errors();
        EXPECT_EQ(tables_and_rows(db), k_expected);
        run_to_server(db);
        expect_no_errors();
        EXPECT_EQ(tables_and_rows(db), k_expected);
    }
}

TEST_F(repaired_names_test, control_characters_are_repaired_live_and_in_a_dump) {
    conv->selected_tables = {L"LINE\nBREAK"};
    for (const std::string& db : live_and_replayed("ctl")) {
        SCOPED_TRACE(db);
        EXPECT_EQ(server_tables(db), std::vector<std::string>{"LINE_BREAK"});
        EXPECT_EQ(server_count(db, "LINE_BREAK"), 1);
        EXPECT_EQ(columns_of(db, "LINE_BREAK"), "ID,TAB_COL");
        EXPECT_EQ(indexes_of(db, "LINE_BREAK"), "I_X,PRIMARY");
    }
}

TEST_F(repaired_names_test, names_differing_only_by_case_are_kept_apart) {
    // A query stored as "emp" beside the table EMP; a query whose columns differ only by case.
    conv->table_jobs = {{L"emp", L"select ID, W from EMP where ID = 1"},
                        {L"QCASE", L"select ID, A as \"col\", B as \"COL\" from CASES"}};
    conv->selected_tables = {L"EMP"};
    for (const std::string& db : live_and_replayed("case")) {
        SCOPED_TRACE(db);
        const std::vector<std::pair<std::string, long long>> expected = {
            {"EMP00000", 2}, {"QCASE", 1}, {"emp", 1}};
        EXPECT_EQ(tables_and_rows(db), expected);
        EXPECT_EQ(columns_of(db, "QCASE"), "ID,col,COL00000");
        EXPECT_EQ(scalar("select concat(`col`, ',', `COL00000`) from `" + db + "`.QCASE"),
                  "lower,upper");
    }
}

TEST_F(repaired_names_test, every_repaired_name_is_shown_once) {
    conv->table_jobs = {{L"QCASE", L"select ID, A as \"col\", B as \"COL\" from CASES"}};
    conv->selected_tables = {L"A;B", L"LINE\nBREAK"};
    run_to_server(database("shown"));
    expect_no_errors();
    EXPECT_EQ(shown(L"Table 'A;B' -> 'A_B00000' (name repaired)"), 1u);
    EXPECT_EQ(shown(L"Table 'LINE\\nBREAK' -> 'LINE_BREAK' (name repaired)"), 1u);
    EXPECT_EQ(shown(L"Column 'TAB\\tCOL' of table 'LINE_BREAK' -> 'TAB_COL' (name repaired)"), 1u);
    EXPECT_EQ(shown(L"Index 'I\\nX' of table 'LINE_BREAK' -> 'I_X' (name repaired)"), 1u);
    EXPECT_EQ(shown(L"Column 'COL' of table 'QCASE' -> 'COL00000' (name repaired)"), 1u);
    EXPECT_EQ(shown(L"(name repaired)"), 5u);
}

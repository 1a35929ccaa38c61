// Column and index names that MySQL compares ignoring case, and names holding control
// characters: each is repaired once, the table is created on the server and in a dump that
// replays cleanly, every field reaches its own column, and the user is told of each repair.
#include <gtest/gtest.h>

#include "SQL/dmp_database.h"
#include "SQL/sql_new_validator.h"
#include "SQL/sql_old_validator.h"
#include "TK/tk_utils.h"
#include "UDB/udb_record.h"
#include "UDB/udb_recordset.h"
#include "sql_live_test_env.h"

namespace {

class sql_name_collision_test : public sql_live_test {
protected:
    void SetUp() override {
        sql_live_test::SetUp();
        columns.add_field(make_column(L"ID", VT_I4, 4, true));
        columns.add_field(make_column(L"col", VT_BSTR, 10));
        columns.add_field(make_column(L"COL", VT_BSTR, 10));
        columns.add_field(make_column(L"TAB\tCOL", VT_BSTR, 10));
        keys.push_back(udb_index(L"PK_CASES", false, true, {L"ID"}));
        keys.push_back(udb_index(L"ix", false, false, {L"col"}));
        keys.push_back(udb_index(L"IX", true, false, {L"COL"}));
        keys.push_back(udb_index(L"I\nX", false, false, {L"TAB\tCOL"}));
        keys.push_back(udb_index(L"primary", false, false, {L"ID", L"col"}));
    }

    static void add_row(udb_recordset& table) {
        udb_record row;
        row.add_field(udb_field(L"ID", 4, ole_variant(1)));
        row.add_field(udb_field(L"col", 10, ole_variant(std::wstring(L"lower"))));
        row.add_field(udb_field(L"COL", 10, ole_variant(std::wstring(L"upper"))));
        row.add_field(udb_field(L"TAB\tCOL", 10, ole_variant(std::wstring(L"tab"))));
        table.append_record(row);
        table.flush();
    }

    // What the server holds of table CASES in `database`.
    void expect_cases(const std::string& database) {
        const std::string where = " where table_schema='" + database + "' and table_name='CASES'";
        EXPECT_EQ(scalar("select group_concat(column_name order by ordinal_position) from "
                         "information_schema.columns" +
                         where),
                  "ID,col,COL00000,TAB_COL");
        EXPECT_EQ(scalar("select group_concat(concat(index_name, ':', column_name) order by "
                         "binary index_name, seq_in_index) from information_schema.statistics" +
                         where),
                  "IX00000:COL00000,I_X:TAB_COL,PRIMARY:ID,ix:col,primary00000:ID,"
                  "primary00000:col");
        EXPECT_EQ(scalar("select concat_ws(',', ID, `col`, COL00000, TAB_COL) from `" + database +
                         "`.CASES"),
                  "1,lower,upper,tab");
    }

    static void expect_notices(udb_database& destination) {
        const std::vector<std::wstring> expected = {
            L"Column 'COL' of table 'CASES' -> 'COL00000' (name repaired)",
            L"Column 'TAB\\tCOL' of table 'CASES' -> 'TAB_COL' (name repaired)",
            L"Index 'IX' of table 'CASES' -> 'IX00000' (name repaired)",
            L"Index 'I\\nX' of table 'CASES' -> 'I_X' (name repaired)",
            L"Index 'primary' of table 'CASES' -> 'primary00000' (name repaired)"};
        EXPECT_EQ(destination.take_notices(), expected);
    }

    udb_schema columns;
    udb_indexes keys;
};

}  // namespace

TEST_F(sql_name_collision_test, ValidatorsRefuseControlCharactersAndTakeNamesInAnyCase) {
    sql_new_tn_validator tables({}, {});
    sql_new_validator fields(false);
    EXPECT_FALSE(tables.is_acceptable(L"LINE\nBREAK"));
    EXPECT_EQ(tables.get_safe_name(L"LINE\nBREAK"), L"LINE_BREAK");
    EXPECT_FALSE(
        fields.is_acceptable(L"A\x7F"
                             L"B"));
    EXPECT_FALSE(
        fields.is_acceptable(L"A\x85"
                             L"B"));
    EXPECT_EQ(fields.get_safe_name(L"\tA\r"), L"_A_");
    EXPECT_TRUE(fields.is_acceptable(L"\u00c9t\u00e9"));

    EXPECT_EQ(fields.take_name(L"col"), L"col");
    EXPECT_EQ(fields.take_name(L"COL"), L"COL00000");
    EXPECT_EQ(fields.take_name(L"Col"), L"Col00001");
    EXPECT_EQ(fields.get_mapping().get_mapped_name(L"COL", true), L"COL00000");
    EXPECT_EQ(fields.get_mapping().get_mapped_name(L"col", true), L"col");

    sql_old_validator old;
    EXPECT_FALSE(old.is_acceptable(L"A\nB"));
    EXPECT_EQ(old.take_name(L"ab"), L"ab");
    EXPECT_EQ(old.take_name(L"AB"), L"AB00000");
}

TEST_F(sql_name_collision_test, TheServerGetsEveryColumnAndIndex) {
    {
        auto table = db->create_table(L"CASES", columns, keys);
        expect_notices(*db);
        add_row(*table);
    }
    expect_cases(db_name);
}

TEST_F(sql_name_collision_test, ADumpReplaysWithEveryColumnAndIndex) {
    const std::string file = test_file_path("name_collision.sql");
    {
        dump_options options;
        options.unix_eol = 1;
        auto dump = engine->create_dump(tk_to_unicode(file), options);
        auto table = dump->create_table(L"CASES", columns, keys);
        expect_notices(*dump);
        add_row(*table);
    }
    std::string out;
    ASSERT_EQ(run_client_file(file, db_name, out), 0) << out.substr(0, 2000);
    EXPECT_EQ(out, "");
    expect_cases(db_name);
}

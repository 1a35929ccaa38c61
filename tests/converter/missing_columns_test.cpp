// Writing into a destination table that exists already (overwriting its rows, merging,
// synchronising): a source column the table has no column for cannot land, and the user is told
// so once per table and column while the other columns still arrive.
#include <gtest/gtest.h>

#include <string>

#include "TK/tk_utils.h"
#include "UDB/udb_field.h"
#include "UDB/udb_schema.h"
#include "converter/live_conversion_test.h"

namespace {

class missing_columns_test : public live_conversion_test {
protected:
    std::string value(const std::string& sql) {
        std::string out;
        EXPECT_EQ(run_client_sql(sql, out), 0) << out;
        return out;
    }
};

TEST_F(missing_columns_test, each_column_the_existing_table_lacks_is_reported_in_every_mode) {
    conv->selected_tables = {L"CATEGORIES"};
    const std::string db = database("missing_cols");
    run_into(db);
    ASSERT_TRUE(handler->errors.empty()) << handler->errors.front().text;
    const std::string table = "`" + db + "`.CATEGORIES";
    value("alter table " + table + " drop column description");

    for (int mode : {1, 3, 4}) {
        SCOPED_TRACE(mode);
        handler->errors.clear();
        conv->mode = mode;
        run_into(db);
        ASSERT_EQ(handler->errors.size(), 1u);
        EXPECT_EQ(handler->errors[0].level, 0);
        EXPECT_EQ(handler->errors[0].text,
                  "CATEGORIES: The existing table 'CATEGORIES' has no column 'DESCRIPTION': the "
                  "values of that column are not converted.");
        // The columns the table has are written as ever.
        EXPECT_EQ(value("select count(*), count(name) from " + table), "5\t5\n");
    }

    // A table that has every column of the source is written without a word.
    value("alter table " + table + " add column description varchar(200)");
    handler->errors.clear();
    conv->mode = 1;
    run_into(db);
    EXPECT_TRUE(handler->errors.empty()) << handler->errors.front().text;
    EXPECT_EQ(value("select count(description) > 0 from " + table), "1\n");
}

TEST(columns_missing_from, names_match_as_the_table_matches_them) {
    sql_engine engine;
    udb_schema source, existing;
    for (const wchar_t* name : {L"ID", L"Name", L"NOTE", L"GONE"})
        source.add_field(t_ftd(4, name, 3, false, false, ole_variant(), 0, L""));
    for (const wchar_t* name : {L"id", L"NAME", L"note"})
        existing.add_field(t_ftd(4, name, 3, false, false, ole_variant(), 0, L""));
    EXPECT_EQ(mysql_converter_impl::columns_missing_from(source, existing),
              (std::vector<std::wstring>{L"GONE"}));
    EXPECT_TRUE(mysql_converter_impl::columns_missing_from(source, source).empty());
}

}  // namespace

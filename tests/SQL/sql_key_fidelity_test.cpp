// Definitions made to fit the destination: the row and key limits a server or a dump gives, the
// columns that become TEXT so that a row fits, the key columns that stay VARCHAR so that their
// key is created, the collation text keys get, and what is told about each change.
#include <gtest/gtest.h>

#include <string>

#include "SQL/dmp_database.h"
#include "SQL/sql_create_statement.h"
#include "SQL/sql_table_fit.h"
#include "SQL/sql_test_env.h"
#include "TK/tk_utils.h"
#include "UDB/udb_recordset.h"
#include "sql_live_test_env.h"

namespace {

bool contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

bool contains(const std::wstring& text, const std::wstring& part) {
    return text.find(part) != std::wstring::npos;
}

// A table of `count` VARCHAR(255) columns C1.. after an ID key.
udb_schema wide_columns(int count) {
    udb_schema columns;
    columns.add_field(make_column(L"ID", VT_I4, 4, true));
    for (int i = 1; i <= count; ++i)
        columns.add_field(make_column(L"C" + std::to_wstring(i), VT_BSTR, 255));
    return columns;
}

// A text key K and a text V.
udb_schema key_and_value() {
    udb_schema columns;
    columns.add_field(make_column(L"K", VT_BSTR, 20, true));
    columns.add_field(make_column(L"V", VT_BSTR, 20));
    return columns;
}

udb_indexes primary_key() {
    udb_indexes indexes;
    indexes.push_back(udb_index(L"PK", false, true, {L"K"}));
    return indexes;
}

class sql_key_fit_test : public sql_engine_test {
protected:
    void SetUp() override {
        sql_engine_test::SetUp();
        engine->version_word = 0x0A0B05;
        engine->set_table_type(L"InnoDB");
    }
};

class sql_key_live_test : public sql_live_test {};

}  // namespace

TEST_F(sql_key_fit_test, limits_follow_the_table_type_and_the_row_format) {
    EXPECT_EQ(sql_server_limits(L"InnoDB", L"dynamic", true, L"utf8mb4").key_bytes, 3072u);
    const sql_table_limits compact = sql_server_limits(L"InnoDB", L"compact", false, L"utf8mb4");
    EXPECT_EQ(compact.key_bytes, 767u);
    EXPECT_FALSE(compact.dynamic_rows);
    const sql_table_limits can_ask = sql_server_limits(L"InnoDB", L"compact", true, L"latin1");
    EXPECT_EQ(can_ask.key_bytes, 3072u);
    EXPECT_TRUE(can_ask.dynamic_rows);
    EXPECT_EQ(can_ask.key_char_bytes, 1u);
    EXPECT_EQ(sql_server_limits(L"MyISAM", L"dynamic", true, L"utf8").key_bytes, 1000u);
    EXPECT_EQ(sql_charset_char_bytes(L"UTF8MB4"), 4u);
    EXPECT_EQ(sql_charset_char_bytes(L"utf8"), 3u);
    EXPECT_EQ(sql_charset_char_bytes(L"latin1"), 1u);
    EXPECT_EQ(sql_row_bytes(L"VARCHAR(255)", 4), 1022u);
    EXPECT_EQ(sql_row_bytes(L"VARCHAR(10)", 1), 11u);
    EXPECT_EQ(sql_row_bytes(L"LONGTEXT", 4), 12u);
    EXPECT_EQ(sql_key_bytes(L"VARBINARY(16)", 4), 16u);
    EXPECT_FALSE(sql_type_is_indexable(L"MEDIUMTEXT"));
    EXPECT_TRUE(sql_type_is_indexable(L"VARCHAR(300)"));
}

TEST_F(sql_key_fit_test, a_row_too_wide_turns_its_widest_columns_into_text_keys_last) {
    udb_schema columns = wide_columns(70);
    columns[70].size = 100;
    columns[2].default_value = ole_variant(L"n/a");
    udb_indexes indexes;
    indexes.push_back(udb_index(L"UK", true, false, {L"C1"}));
    t_names_map names;
    sql_table_limits limits;
    const sql_table_fit fit(L"WIDE", columns, indexes, names, limits);
    // 70 columns of 1022 bytes pass 65,535 bytes by six columns' worth.
    ASSERT_EQ(fit.changes().size(), 6u);
    EXPECT_TRUE(contains(fit.changes()[0], L"Table 'WIDE': column 'C2' VARCHAR(255) -> TEXT"))
        << tk_to_utf8(fit.changes()[0]);
    EXPECT_EQ(columns[1].native_type, L"");
    EXPECT_EQ(columns[2].native_type, L"TEXT");
    // Most servers refuse a DEFAULT on TEXT.
    EXPECT_TRUE(columns[2].default_value.is_empty());
    EXPECT_TRUE(contains(fit.changes()[0], L"its default is not kept"))
        << tk_to_utf8(fit.changes()[0]);
    EXPECT_EQ(columns[70].native_type, L"");
}

TEST_F(sql_key_fit_test, a_text_key_column_stays_varchar_when_its_key_fits) {
    udb_schema columns;
    columns.add_field(make_column(L"ID", VT_I4, 4, true));
    columns.add_field(make_column(L"EMAIL", VT_BSTR, 320));
    columns.add_field(make_column(L"NOTE", VT_BSTR, 320));
    udb_indexes indexes;
    indexes.push_back(udb_index(L"PK", false, true, {L"ID"}));
    indexes.push_back(udb_index(L"UK_EMAIL", true, false, {L"EMAIL"}));
    const sql_create_statement create(L"MAIL", columns, indexes);
    const std::wstring text = create.text(L"`MAIL`", L"", L", ", L"");
    EXPECT_TRUE(contains(text, L"`EMAIL` VARCHAR(320) CHARACTER SET utf8mb4 COLLATE utf8mb4_bin"))
        << tk_to_utf8(text);
    EXPECT_TRUE(contains(text, L"`NOTE` TEXT CHARACTER SET utf8mb4,")) << tk_to_utf8(text);
    EXPECT_TRUE(contains(text, L"UNIQUE `UK_EMAIL` (`EMAIL`)")) << tk_to_utf8(text);
    EXPECT_TRUE(create.lost_keys().empty());

    // Four such columns in one key pass 3072 bytes: the key is not created, and that is told.
    udb_schema four;
    for (const wchar_t* name : {L"A", L"B", L"C", L"D"})
        four.add_field(make_column(name, VT_BSTR, 255));
    udb_indexes one_key;
    one_key.push_back(udb_index(L"UK_ALL", true, false, {L"A", L"B", L"C", L"D"}));
    const sql_create_statement too_long(L"T4", four, one_key);
    ASSERT_EQ(too_long.lost_keys().size(), 1u);
    EXPECT_TRUE(contains(too_long.lost_keys()[0],
                         L"Table 'T4': the unique key 'UK_ALL' (A, B, C, D) was not created"))
        << tk_to_utf8(too_long.lost_keys()[0]);
}

TEST_F(sql_key_fit_test, old_servers_compare_text_keys_with_binary) {
    engine->version_word = 0x40016;
    const sql_create_statement create(L"T", key_and_value(), primary_key());
    EXPECT_EQ(create.text(L"T", L"", L", ", L""),
              L"CREATE TABLE T (K VARCHAR(20) BINARY NOT NULL, V VARCHAR(20), PRIMARY KEY (`K`))");
}

TEST_F(sql_key_fit_test, a_dump_gives_text_keys_a_binary_collation_that_survives_conversion) {
    const std::string path = test_file_path("key_collation.sql");
    {
        auto db = engine->create_dump(std::wstring(path.begin(), path.end()), dump_options());
        engine->case_sensitive = true;
        db->create_table(L"KSET", key_and_value(), primary_key());
    }
    const std::string text = read_file(path);
    EXPECT_TRUE(contains(text, "`K` VARCHAR(20) CHARACTER SET utf8 COLLATE utf8_bin NOT NULL"))
        << text;
    EXPECT_TRUE(contains(text, "`V` VARCHAR(20) BINARY CHARACTER SET utf8")) << text;
    EXPECT_TRUE(contains(text,
                         "/*!50503 ALTER TABLE `KSET` CONVERT TO CHARACTER SET utf8mb4, MODIFY "
                         "`K` VARCHAR(20) CHARACTER SET utf8mb4 COLLATE utf8mb4_bin NOT NULL */;"))
        << text;
    EXPECT_TRUE(contains(text,
                         "/*M!100202 ALTER TABLE `KSET` MODIFY `K` VARCHAR(20) CHARACTER SET "
                         "utf8mb4 COLLATE utf8mb4_nopad_bin NOT NULL */;"))
        << text;
}

TEST_F(sql_key_live_test, text_keys_get_the_servers_unpadded_binary_collation) {
    db->create_table(L"KSET", key_and_value(), primary_key());
    EXPECT_EQ(scalar("select collation_name from information_schema.columns where table_schema='" +
                     db_name + "' and table_name='KSET' and column_name='K'"),
              "utf8mb4_nopad_bin");
    EXPECT_NE(scalar("select collation_name from information_schema.columns where table_schema='" +
                     db_name + "' and table_name='KSET' and column_name='V'"),
              "utf8mb4_nopad_bin");
    exec("insert into KSET (K) values ('abc'), ('abc '), ('ABC')");
    EXPECT_EQ(scalar("select count(*) from KSET"), "3");
}

TEST_F(sql_key_live_test, a_wide_row_is_created_and_its_changes_are_told_once) {
    db->create_table(L"WIDE", wide_columns(70), udb_indexes());
    EXPECT_EQ(scalar("select count(*) from information_schema.columns where table_schema='" +
                     db_name + "' and table_name='WIDE' and data_type='text'"),
              "6");
    const auto notices = db->take_notices();
    ASSERT_EQ(notices.size(), 6u);
    EXPECT_TRUE(db->take_notices().empty());
    EXPECT_TRUE(db->take_table_errors().empty());
}

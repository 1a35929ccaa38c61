#include <gtest/gtest.h>

#include "SQL/sql_indexes_initializer.h"
#include "SQL/sql_schema_initializer.h"
#include "SQL/sql_test_env.h"
#include "TK/tk_exception.h"

namespace {

class sql_init_test : public sql_engine_test {
protected:
    void SetUp() override {
        sql_engine_test::SetUp();
        engine->version_word = 0x50720;
    }

    // Column and index clauses as the dump and the live database join them.
    std::vector<std::wstring> clauses(const udb_schema& columns, const udb_indexes& indexes) {
        std::wstring auto_name;
        sql_schema_initializer schema(L"T", columns, indexes, auto_name, 0);
        std::vector<std::wstring> out;
        schema.get_init_chunks(out, nullptr);
        sql_indexes_initializer index_init(schema.columns(), indexes, auto_name, schema.name_map(),
                                           0);
        index_init.get_init_chunks(out);
        return out;
    }

    std::vector<std::wstring> index_clauses(const udb_schema& columns, const udb_indexes& indexes) {
        auto all = clauses(columns, indexes);
        return std::vector<std::wstring>(all.begin() + static_cast<long>(columns.size()),
                                         all.end());
    }
};

}  // namespace

TEST_F(sql_init_test, ColumnClauses) {
    udb_schema columns;
    columns.add_field(make_column(L"ID", VT_I4, 4));
    t_ftd& name = columns.add_field(make_column(L"NAME", VT_BSTR, 20, true));
    name.default_value = ole_variant(std::wstring(L"n/a"));
    t_ftd& note = columns.add_field(make_column(L"NOTE", VT_BSTR, 300));
    note.default_value = ole_variant(std::wstring(L"x"));
    note.comment = L"it's a \\ path";
    t_ftd& amount = columns.add_field(make_column(L"AMOUNT", VT_DECIMAL, 16, false, 10 * 256 + 2));
    amount.default_value = ole_variant(std::wstring(L"0.00"));
    t_ftd& mapped = columns.add_field(make_column(L"CODE", VT_BSTR, 5));
    mapped.native_type = L"CHAR(5)";
    udb_indexes indexes;
    indexes.push_back(udb_index(L"PK_T", false, true, {L"ID"}));

    const auto out = clauses(columns, indexes);
    ASSERT_EQ(out.size(), 6u);
    EXPECT_EQ(out[0], L"`ID` INT NOT NULL");
    // The default utf8 is the full utf8mb4 on a server that has it.
    EXPECT_EQ(out[1], L"`NAME` VARCHAR(20) CHARACTER SET utf8mb4 NOT NULL DEFAULT 'n/a'");
    EXPECT_EQ(out[2], L"`NOTE` TEXT CHARACTER SET utf8mb4 COMMENT 'it\\'s a \\\\ path'");
    EXPECT_EQ(out[3], L"`AMOUNT` DECIMAL(10,2) DEFAULT 0.00");
    EXPECT_EQ(out[4], L"`CODE` CHAR(5) CHARACTER SET utf8mb4");
    EXPECT_EQ(out[5], L"PRIMARY KEY (`ID`)");
}

TEST_F(sql_init_test, OldServersWriteBareNamesWithoutCharacterSets) {
    engine->version_word = 0x31700;
    udb_schema columns;
    columns.add_field(make_column(L"ID", VT_I4, 4));
    columns.add_field(make_column(L"NAME", VT_BSTR, 20));
    udb_indexes indexes;
    indexes.push_back(udb_index(L"IX_NAME", false, false, {L"NAME"}));
    const auto out = clauses(columns, indexes);
    ASSERT_EQ(out.size(), 3u);
    EXPECT_EQ(out[0], L"ID INT");
    // Below 3.23.2 every indexed column is NOT NULL.
    EXPECT_EQ(out[1], L"NAME VARCHAR(20) NOT NULL");
    EXPECT_EQ(out[2], L"INDEX `IX_NAME` (`NAME`)");
}

TEST_F(sql_init_test, RefusedColumnNamesAreRepairedAndIndexesFollow) {
    udb_schema columns;
    columns.add_field(make_column(L"A`B", VT_I4, 4));
    udb_indexes indexes;
    indexes.push_back(udb_index(L"IX;1", true, false, {L"A`B"}));
    std::wstring auto_name;
    sql_schema_initializer schema(L"T", columns, indexes, auto_name, 0);
    EXPECT_EQ(schema.columns()[0].name, L"A_B");
    EXPECT_EQ(schema.name_map().get_mapped_name(L"A`B", true), L"A_B");
    const auto out = clauses(columns, indexes);
    EXPECT_EQ(out[0], L"`A_B` INT");
    EXPECT_EQ(out[1], L"UNIQUE `IX_1` (`A_B`)");
}

TEST_F(sql_init_test, IndexesThatCannotBeHeldAreLeftOut) {
    udb_schema columns;
    columns.add_field(make_column(L"A", VT_BSTR, 255));
    columns.add_field(make_column(L"B", VT_BSTR, 255));
    columns.add_field(make_column(L"C", VT_BSTR, 4));
    columns.add_field(make_column(L"D", VT_BSTR, 300));
    columns.add_field(make_column(L"E", VT_BLOB, 10));
    udb_indexes indexes;
    indexes.push_back(udb_index(L"AB", false, false, {L"A", L"B"}));
    indexes.push_back(udb_index(L"AC", false, false, {L"A", L"C"}));
    indexes.push_back(udb_index(L"DD", false, false, {L"D"}));
    indexes.push_back(udb_index(L"EE", false, false, {L"E"}));
    indexes.push_back(udb_index(L"XX", false, false, {L"MISSING"}));
    indexes.push_back(udb_index(L"NONE", false, false, {}));
    indexes.push_back(udb_index(L"A1", false, false, {L"A"}));
    // A RAW(10) key is a VARBINARY(10), indexed whole; TEXT and BLOB forms are not.  Keys are
    // measured in bytes of utf8mb4: InnoDB's hold 3072, MyISAM's 1000.
    engine->set_table_type(L"InnoDB");
    auto out = index_clauses(columns, indexes);
    ASSERT_EQ(out.size(), 4u);
    EXPECT_EQ(out[0], L"INDEX `AB` (`A`, `B`)");
    EXPECT_EQ(out[1], L"INDEX `AC` (`A`, `C`)");
    EXPECT_EQ(out[2], L"INDEX `EE` (`E`)");
    EXPECT_EQ(out[3], L"INDEX `A1` (`A`)");

    engine->set_table_type(L"MyISAM");
    out = index_clauses(columns, indexes);
    ASSERT_EQ(out.size(), 1u);
    EXPECT_EQ(out[0], L"INDEX `EE` (`E`)");

    engine->version_word = 0x40016;
    out = index_clauses(columns, indexes);
    ASSERT_EQ(out.size(), 2u);
    EXPECT_EQ(out[0], L"INDEX `EE` (`E`)");
    EXPECT_EQ(out[1], L"INDEX `A1` (`A`)");
}

TEST_F(sql_init_test, PlainUtf8StaysBelowTheFullSetsServers) {
    udb_schema columns;
    columns.add_field(make_column(L"NAME", VT_BSTR, 20));
    engine->version_word = 0x50502;
    EXPECT_EQ(clauses(columns, udb_indexes())[0], L"`NAME` VARCHAR(20) CHARACTER SET utf8");
    engine->version_word = 0x50503;
    EXPECT_EQ(clauses(columns, udb_indexes())[0], L"`NAME` VARCHAR(20) CHARACTER SET utf8mb4");
    engine->set_character_set(L"latin1");
    EXPECT_EQ(clauses(columns, udb_indexes())[0], L"`NAME` VARCHAR(20) CHARACTER SET latin1");
}

TEST_F(sql_init_test, BinaryKeysKeepTheirPrimaryKey) {
    udb_schema columns;
    columns.add_field(make_column(L"K", VT_BLOB, 16, true));
    columns.add_field(make_column(L"B", VT_BLOB, 0));
    udb_indexes indexes;
    indexes.push_back(udb_index(L"PK", true, true, {L"K"}));
    indexes.push_back(udb_index(L"BB", false, false, {L"B"}));
    const auto out = index_clauses(columns, indexes);
    ASSERT_EQ(out.size(), 1u);
    EXPECT_EQ(out[0], L"PRIMARY KEY (`K`)");
}

TEST_F(sql_init_test, IndexCountCaps) {
    udb_schema columns;
    std::vector<std::wstring> seventeen;
    for (int i = 0; i < 40; ++i) {
        const std::wstring name = L"C" + std::to_wstring(i);
        columns.add_field(make_column(name, VT_I4, 4));
        if (i < 17) seventeen.push_back(name);
    }
    udb_indexes indexes;
    indexes.push_back(udb_index(L"WIDE", false, false, seventeen));
    for (int i = 0; i < 40; ++i)
        indexes.push_back(
            udb_index(L"I" + std::to_wstring(i), false, false, {L"C" + std::to_wstring(i)}));
    auto out = index_clauses(columns, indexes);
    ASSERT_EQ(out.size(), 31u);
    EXPECT_EQ(out[0], L"INDEX `I0` (`C0`)");
    engine->version_word = 0x40016;
    out = index_clauses(columns, indexes);
    EXPECT_EQ(out.size(), 15u);
}

TEST_F(sql_init_test, AutoIncrementColumnAlwaysGetsAKey) {
    udb_schema columns;
    columns.add_field(make_column(L"GRP", VT_I4, 4));
    t_ftd& id = columns.add_field(make_column(L"ID", VT_I4, 4));
    id.b_auto_increment = true;
    id.default_value = ole_variant(std::wstring(L"5"));

    auto out = clauses(columns, udb_indexes());
    ASSERT_EQ(out.size(), 3u);
    EXPECT_EQ(out[1], L"`ID` INT NOT NULL AUTO_INCREMENT");
    EXPECT_EQ(out[2], L"INDEX `ID` (`ID`)");

    udb_indexes second;
    second.push_back(udb_index(L"U", true, false, {L"GRP", L"ID"}));
    out = clauses(columns, second);
    ASSERT_EQ(out.size(), 3u);
    EXPECT_EQ(out[2], L"UNIQUE `U` (`GRP`, `ID`)");

    // An index that is abandoned does not count as the auto-increment column's key.
    udb_indexes lost;
    lost.push_back(udb_index(L"L", false, false, {L"ID", L"MISSING"}));
    out = clauses(columns, lost);
    ASSERT_EQ(out.size(), 3u);
    EXPECT_EQ(out[2], L"INDEX `ID` (`ID`)");

    // An index already named after the column leaves the name to it.
    udb_indexes named;
    named.push_back(udb_index(L"ID", false, false, {L"MISSING"}));
    out = clauses(columns, named);
    ASSERT_EQ(out.size(), 3u);
    EXPECT_EQ(out[2], L"INDEX `ID00000` (`ID`)");

    t_ftd& other = columns.add_field(make_column(L"ID2", VT_I4, 4));
    other.b_auto_increment = true;
    EXPECT_THROW(clauses(columns, udb_indexes()), tk_mail_assertion);
}

TEST_F(sql_init_test, ChecksAndCharacterSetNames) {
    EXPECT_THROW(sql_schema_initializer::can_have_auto_num(nullptr), tk_mail_assertion);
    EXPECT_THROW(sql_schema_initializer::can_have_def_value(nullptr), tk_mail_assertion);
    const t_ftd text255 = make_column(L"T", VT_BSTR, 255);
    const t_ftd text0 = make_column(L"T", VT_BSTR, 0);
    EXPECT_TRUE(sql_schema_initializer::can_have_def_value(&text255));
    EXPECT_FALSE(sql_schema_initializer::can_have_def_value(&text0));
    const t_ftd real = make_column(L"R", VT_R8, 8);
    EXPECT_FALSE(sql_schema_initializer::can_have_auto_num(&real));

    EXPECT_THROW(engine->set_character_set(L"utf8; DROP DATABASE x"), tk_exception);
    EXPECT_EQ(engine->character_set(), L"utf8");
    EXPECT_THROW(engine->set_table_type(L"InnoDB "), tk_exception);
    engine->set_character_set(L"latin1");
    udb_schema columns;
    columns.add_field(make_column(L"N", VT_BSTR, 10));
    EXPECT_EQ(clauses(columns, udb_indexes())[0], L"`N` VARCHAR(10) CHARACTER SET latin1");
}

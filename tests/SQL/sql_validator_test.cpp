#include <gtest/gtest.h>

#include "SQL/sql_new_validator.h"
#include "SQL/sql_old_validator.h"
#include "SQL/sql_test_env.h"
#include "UDB/udb_indexes.h"
#include "UDB/udb_schema.h"

namespace {

class sql_validator_test : public sql_engine_test {};

}  // namespace

TEST_F(sql_validator_test, NewFamilyForbidsItsCharactersAndEdgeBlanks) {
    sql_new_tn_validator tables({}, {});
    sql_new_validator columns(false);
    EXPECT_FALSE(tables.is_acceptable(L"A/B"));
    EXPECT_FALSE(tables.is_acceptable(L"A?B"));
    EXPECT_TRUE(columns.is_acceptable(L"A/B"));
    EXPECT_FALSE(columns.is_acceptable(L"A`B"));
    EXPECT_FALSE(columns.is_acceptable(L"A'B"));
    EXPECT_FALSE(tables.is_acceptable(L" EMP"));
    EXPECT_EQ(tables.get_safe_name(L" EMP"), L"EMP");
    EXPECT_FALSE(tables.is_acceptable(L""));
    const std::wstring long_name(65, L'n');
    EXPECT_FALSE(tables.is_acceptable(long_name));
    EXPECT_EQ(tables.get_safe_name(long_name).size(), 63u);
    EXPECT_TRUE(tables.is_acceptable(std::wstring(64, L'n')));
    EXPECT_EQ(tables.get_safe_name(L"A;B"), L"A_B");
    EXPECT_TRUE(tables.is_acceptable(L"\u00c9t\u00e9 2024"));
}

TEST_F(sql_validator_test, NamesTheServerRefusesAreRepaired) {
    sql_new_tn_validator tables({}, {});
    sql_new_validator columns(false);
    // A trailing blank, a character beyond the Basic Multilingual Plane, a zero character.
    EXPECT_FALSE(columns.is_acceptable(L"NAME "));
    EXPECT_EQ(columns.get_safe_name(L"NAME "), L"NAME");
    EXPECT_FALSE(tables.is_acceptable(L"SMILE\U0001F600"));
    EXPECT_EQ(tables.get_safe_name(L"SMILE\U0001F600"), L"SMILE_");
    EXPECT_FALSE(columns.is_acceptable(std::wstring(L"A\0B", 3)));
    EXPECT_EQ(columns.get_safe_name(std::wstring(L"A\0B", 3)), L"A_B");
    EXPECT_TRUE(columns.is_acceptable(L"\u20ac\uFFFD"));
}

TEST_F(sql_validator_test, LongNamesThatShareTheirStartStayApart) {
    const std::wstring stem(70, L'T');
    sql_new_tn_validator tables({stem + L"1", stem + L"2"}, {});
    const std::wstring first = tables.get_safe_name(stem + L"1");
    tables.add_restricted_name(first);
    const std::wstring second = tables.get_safe_name(stem + L"2");
    EXPECT_LE(first.size(), 64u);
    EXPECT_LE(second.size(), 64u);
    EXPECT_NE(first, second);
}

TEST_F(sql_validator_test, NewTableValidatorNumbersTakenNames) {
    sql_new_tn_validator tables({L"EMP"}, {L"DEPT"});
    EXPECT_EQ(tables.get_safe_name(L"EMP "), L"EMP00000");
    EXPECT_EQ(tables.get_safe_name(L"dept"), L"dept00000");
}

TEST_F(sql_validator_test, OldFamilyAllowsPlainNamesOnly) {
    sql_old_validator names;
    EXPECT_EQ(sql_old_validator::reserved_words().size(), 167u);
    EXPECT_FALSE(names.is_acceptable(L"ORDER"));
    EXPECT_EQ(names.get_safe_name(L"ORDER"), L"ORDER00000");
    EXPECT_EQ(names.get_safe_name(L"select"), L"select00000");
    EXPECT_FALSE(names.is_acceptable(L"1234"));
    EXPECT_EQ(names.get_safe_name(L"1234"), L"_234");
    EXPECT_FALSE(names.is_acceptable(L"EMP-DEPT"));
    EXPECT_EQ(names.get_safe_name(L"EMP-DEPT"), L"EMP_DEPT");
    EXPECT_TRUE(names.is_acceptable(L"EMP$1_x"));
    EXPECT_FALSE(names.is_acceptable(L""));
    EXPECT_EQ(names.get_safe_name(L""), L"_");

    sql_old_dn_validator databases;
    EXPECT_FALSE(databases.is_acceptable(L"1DB"));
    EXPECT_TRUE(databases.is_acceptable(L"DB1"));
}

TEST_F(sql_validator_test, EngineChoosesTheFamilyByVersion) {
    udb_schema schema;
    schema.add_field(make_column(L"ID", VT_I4, 4));
    engine->version_word = 0x400FF;
    auto old_columns = engine->create_fn_validator(schema);
    EXPECT_NE(dynamic_cast<sql_old_fn_validator*>(old_columns.get()), nullptr);
    EXPECT_NE(dynamic_cast<sql_old_dn_validator*>(engine->create_dn_validator().get()), nullptr);
    engine->version_word = 0x40100;
    auto new_columns = engine->create_fn_validator(schema);
    EXPECT_NE(dynamic_cast<sql_new_fn_validator*>(new_columns.get()), nullptr);
    EXPECT_EQ(new_columns->get_safe_name(L"id"), L"id00000");
    auto databases = engine->create_dn_validator();
    EXPECT_FALSE(databases->is_acceptable(L"a/b"));
    EXPECT_TRUE(databases->is_acceptable(L"1234"));
    udb_indexes indexes;
    indexes.push_back(udb_index(L"PK_EMP", false, true, {L"ID"}));
    EXPECT_NE(dynamic_cast<sql_new_in_validator*>(engine->create_in_validator(indexes).get()),
              nullptr);
}

// A default that the source kept as an expression (a sequence, a function) is never written as a
// value: no DEFAULT clause, no default cell for a missing value, and one line for the user; a
// sequence-fed auto-increment column is numbered by the server instead, without a line.
#include <gtest/gtest.h>

#include "SQL/sql_schema_initializer.h"
#include "SQL/sql_test_env.h"
#include "SQL/sql_util.h"

namespace {

class sql_default_expression_test : public sql_engine_test {
protected:
    void SetUp() override {
        sql_engine_test::SetUp();
        engine->version_word = 0x50720;
    }

    static t_ftd expression_column(const wchar_t* name, int vartype, const wchar_t* text) {
        t_ftd column = make_column(name, vartype, 8, true);
        column.default_value = ole_variant(std::wstring(text));
        column.b_default_expression = true;
        return column;
    }
};

}  // namespace

TEST_F(sql_default_expression_test, NoDefaultValueIsMadeUp) {
    // "5" would read as a number: only the mark tells it is the text of an expression.
    const t_ftd number = expression_column(L"N", VT_I4, L"5");
    EXPECT_EQ(make_mysql_def_val(&number), L"");
    const t_ftd text = expression_column(L"S", VT_BSTR, L"USER");
    EXPECT_EQ(make_mysql_def_val(&text), L"");
    // A missing value of a NOT NULL column is written as for a column without a default.
    const ole_variant missing;
    const t_ftd no_default = make_column(L"N", VT_I4, 8, true);
    EXPECT_EQ(get_fld_append_str(&missing, &number), get_fld_append_str(&missing, &no_default));
}

TEST_F(sql_default_expression_test, ColumnClausesAndWhatTheUserIsTold) {
    udb_schema columns;
    t_ftd id = expression_column(L"ID", VT_I8, L"SEQ.NEXTVAL");
    id.b_auto_increment = true;
    columns.add_field(id);
    columns.add_field(expression_column(L"N", VT_I4, L"SEQ.NEXTVAL"));
    t_ftd constant = make_column(L"C", VT_I4, 4);
    constant.default_value = ole_variant(std::wstring(L"5"));
    columns.add_field(constant);
    udb_indexes indexes;
    indexes.push_back(udb_index(L"PK", true, true, {L"ID"}));
    std::wstring auto_name;
    sql_schema_initializer schema(L"T", columns, indexes, auto_name, 0);
    std::vector<std::wstring> out;
    schema.get_init_chunks(out, nullptr);
    ASSERT_EQ(out.size(), 3u);
    EXPECT_EQ(out[0], L"`ID` BIGINT NOT NULL AUTO_INCREMENT");
    EXPECT_EQ(out[1], L"`N` INT NOT NULL");
    EXPECT_EQ(out[2], L"`C` INT DEFAULT 5");
    EXPECT_EQ(schema.notices(),
              std::vector<std::wstring>{L"Table 'T', column 'N': the default SEQ.NEXTVAL is an "
                                        L"expression of the source and is left out"});
}

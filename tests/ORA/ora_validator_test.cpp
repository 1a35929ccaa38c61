#include <gtest/gtest.h>

#include "ORA/ora_field_finder.h"
#include "ORA/ora_fn_validator.h"
#include "ORA/ora_in_validator.h"
#include "ORA/ora_tn_validator.h"
#include "ORA/ora_utils.h"
#include "TK/tk_exception.h"
#include "UDB/t_ftd.h"

namespace {

TEST(OraValidator, Acceptance) {
    ora_validator v;
    EXPECT_TRUE(v.is_acceptable(std::wstring(30, L'A')));
    EXPECT_FALSE(v.is_acceptable(std::wstring(31, L'A')));
    EXPECT_TRUE(v.is_acceptable(L"\"1 odd-name\""));
    EXPECT_FALSE(v.is_acceptable(L""));
    EXPECT_FALSE(v.is_acceptable(L"1ABC"));
    EXPECT_FALSE(v.is_acceptable(L"MY-TABLE"));
    EXPECT_TRUE(v.is_acceptable(L"MY TAB#LE.X_1"));
    EXPECT_TRUE(v.is_acceptable(L"Ärger"));
}

TEST(OraValidator, SafeNames) {
    ora_validator v;
    EXPECT_EQ(v.get_safe_name(L"1ABC"), L"A1ABC");
    EXPECT_EQ(v.get_safe_name(L"MY-TABLE"), L"MY_TABLE");
    EXPECT_EQ(v.get_safe_name(std::wstring(40, L'B')).size(), 29u);
    v.add_existing_name(L"MY_TABLE");
    std::wstring second = v.get_safe_name(L"MY-TABLE");
    EXPECT_NE(second, L"MY_TABLE");
    EXPECT_TRUE(v.is_acceptable(second));
}

TEST(OraValidator, TableNames) {
    ora_tn_validator v({L"EMP"}, {L"DEPT"});
    EXPECT_TRUE(v.is_acceptable(L"SCOTT.EMP"));
    EXPECT_FALSE(v.is_acceptable(L"SCOTT.1EMP"));
    EXPECT_EQ(v.get_safe_name(L"SCOTT.1EMP"), L"\"SCOTT\".\"A1EMP\"");
    EXPECT_TRUE(v.is_duplicated(L"dept"));
    EXPECT_NE(v.get_safe_name(L"EMP"), L"EMP");
}

TEST(OraValidator, FieldAndIndexNames) {
    udb_schema schema;
    schema.add_field(t_ftd(4, L"ID", VT_I4, true, false, ole_variant(), 0, L""));
    ora_fn_validator fields(schema);
    EXPECT_TRUE(fields.is_duplicated(L"id"));
    udb_indexes indexes;
    indexes.push_back(udb_index(L"PK_T", true, true, {L"ID"}));
    ora_in_validator names;
    names.load(indexes);
    EXPECT_TRUE(names.is_duplicated(L"PK_T"));
}

TEST(OraValidator, FieldFinderNamesEveryFieldOnce) {
    udb_record row;
    for (const wchar_t* name : {L"id", L"MY-COL", L"MY_COL", L"1ABC"})
        row.add_field(udb_field(name, 4, ole_variant()));
    ora_field_finder upper(row, true);
    ASSERT_EQ(upper.get_names().size(), 4u);
    EXPECT_EQ(upper.get_names()[0], L"ID");
    // The repaired name may not take the name of a later field.
    EXPECT_EQ(upper.get_names()[1].rfind(L"MY_COL", 0), 0u);
    EXPECT_NE(upper.get_names()[1], L"MY_COL");
    EXPECT_EQ(upper.get_names()[2], L"MY_COL");
    EXPECT_EQ(upper.get_names()[3], L"A1ABC");
    EXPECT_EQ(upper.get_field_idx(L"MY_COL"), 2);
    EXPECT_EQ(upper.get_field_idx(L"A1ABC"), 3);
    EXPECT_EQ(upper.get_field_idx(L"id"), -1);
    EXPECT_EQ(upper.get_field_idx(L"MY-COL"), -1);

    ora_field_finder as_is(row, false);
    EXPECT_EQ(as_is.get_names()[0], L"id");
    EXPECT_EQ(as_is.get_field_idx(L"id"), 0);
}

TEST(OraNativeTypes, ByVariantType) {
    auto type = [](int vt, unsigned size, int reserved, bool sizes = true) {
        return get_ora_native_type(
            t_ftd(size, L"C", vt, false, false, ole_variant(), reserved, L""), sizes);
    };
    EXPECT_EQ(type(VT_I2, 0, 0), L"NUMBER(5,0)");
    EXPECT_EQ(type(VT_I4, 0, 0), L"NUMBER(10,0)");
    EXPECT_EQ(type(VT_I4, 0, 0, false), L"NUMBER");
    EXPECT_EQ(type(VT_BOOL, 0, 0), L"NUMBER(3,0)");
    EXPECT_EQ(type(VT_DECIMAL, 0, 10 * 256 + 2), L"NUMBER(10,2)");
    EXPECT_EQ(type(VT_DECIMAL, 0, 2 * 256 + 5), L"NUMBER");
    EXPECT_EQ(type(VT_I8, 0, 0), L"NUMBER(19,0)");
    EXPECT_EQ(type(VT_UI8, 0, 0), L"NUMBER(20,0)");
    EXPECT_EQ(type(VT_I8, 0, 0, false), L"NUMBER");
    // A DATE holds the time to the second; fraction digits above the date kind ask for a time
    // stamp of that precision.
    EXPECT_EQ(type(VT_DATE, 0, 1), L"DATE");
    EXPECT_EQ(type(VT_DATE, 0, 1 + 6 * 256), L"TIMESTAMP(6)");
    EXPECT_EQ(type(VT_DATE, 0, 2), L"DATE");
    EXPECT_EQ(type(VT_BSTR, 40, 0), L"NVARCHAR2(40) ");
    EXPECT_EQ(type(VT_BSTR, 40, 0, false), L"NVARCHAR2");
    EXPECT_EQ(type(VT_BSTR, 0, 10), L"LONG");
    EXPECT_EQ(type(VT_BSTR, 5000, 0), L"CLOB");
    EXPECT_EQ(type(VT_BLOB, 16, 0), L"RAW(16)");
    EXPECT_EQ(type(VT_BLOB, 0, 0), L"BLOB");
    EXPECT_THROW(type(VT_EMPTY, 0, 0), tk_mail_assertion);
}

}  // namespace

namespace {

TEST(OraBinds, TypesAndLengths) {
    auto field = [](int vt, unsigned size = 0, int reserved = 0) {
        return t_ftd(size, L"C", vt, false, false, ole_variant(), reserved, L"");
    };
    EXPECT_EQ(get_ora_type(field(VT_I4)), 3);
    EXPECT_EQ(get_ora_len(field(VT_I4)), 4);
    EXPECT_EQ(get_ora_type(field(VT_R4)), 4);
    EXPECT_EQ(get_ora_type(field(VT_I8)), 22);
    EXPECT_EQ(get_ora_len(field(VT_I8)), 8);
    EXPECT_EQ(get_ora_type(field(VT_CY)), 5);
    EXPECT_EQ(get_ora_len(field(VT_CY)), 48);
    EXPECT_EQ(get_ora_type(field(VT_DATE)), 156);
    EXPECT_EQ(get_ora_len(field(VT_BSTR, 40)), 82);
    EXPECT_EQ(get_ora_len(field(VT_BSTR, 0)), 0);
    EXPECT_EQ(get_ora_len(field(VT_BSTR, 2001)), 0);
    EXPECT_EQ(get_ora_len(field(VT_DECIMAL, 0, 10 * 256 + 2)), 60);
    EXPECT_EQ(get_ora_len(field(VT_DECIMAL, 0, 38 * 256)), 82);
    EXPECT_EQ(get_ora_type(field(VT_BLOB, 16)), 5);
    EXPECT_EQ(get_ora_len(field(VT_BLOB, 16)), 0);
    EXPECT_EQ(get_ora_type(field(VT_EMPTY)), 0);
}

}  // namespace

#include <gtest/gtest.h>

#include "SQL/sql_field.h"
#include "SQL/sql_test_env.h"
#include "SQL/sql_util.h"
#include "TK/tk_exception.h"
#include "variant/ole_date.h"
#include "variant/ole_variant.h"

namespace {

class sql_util_test : public sql_engine_test {};

std::wstring type_of(int vt, unsigned int size, int dw = 0, bool bare = false) {
    return get_sql_native_type(make_column(L"C", vt, size, false, dw), bare);
}

std::string cell(const ole_variant& value, const t_ftd& column) {
    return get_fld_append_str(&value, &column);
}

}  // namespace

TEST_F(sql_util_test, TextAndBinaryColumnsStepBySize) {
    EXPECT_EQ(type_of(VT_BSTR, 255), L"VARCHAR(255)");
    EXPECT_EQ(type_of(VT_BSTR, 255, 0, true), L"VARCHAR");
    EXPECT_EQ(type_of(VT_BSTR, 256), L"TEXT");
    EXPECT_EQ(type_of(VT_BSTR, 65535), L"TEXT");
    EXPECT_EQ(type_of(VT_BSTR, 65536), L"MEDIUMTEXT");
    EXPECT_EQ(type_of(VT_BSTR, 16777216), L"LONGTEXT");
    EXPECT_EQ(type_of(VT_BSTR, 0), L"LONGTEXT");
    EXPECT_EQ(type_of(VT_BLOB, 255), L"VARBINARY(255)");
    EXPECT_EQ(type_of(VT_BYTE_ARRAY, 256), L"BLOB");
    EXPECT_EQ(type_of(VT_BLOB, 65536), L"MEDIUMBLOB");
    EXPECT_EQ(type_of(VT_BLOB, 0), L"LONGBLOB");
    engine->case_sensitive = true;
    EXPECT_EQ(type_of(VT_BSTR, 20), L"VARCHAR(20) BINARY");
    EXPECT_EQ(type_of(VT_BSTR, 20, 0, true), L"VARCHAR");
}

TEST_F(sql_util_test, NumericDecimalAndDateColumns) {
    EXPECT_EQ(type_of(VT_I1, 1), L"TINYINT");
    EXPECT_EQ(type_of(VT_UI4, 4), L"INT UNSIGNED");
    EXPECT_EQ(type_of(VT_UI8, 8), L"BIGINT UNSIGNED");
    EXPECT_EQ(type_of(VT_BOOL, 1), L"BIT");
    EXPECT_EQ(type_of(VT_CY, 8), L"DECIMAL(19,4)");
    EXPECT_EQ(type_of(VT_CY, 8, 0, true), L"DECIMAL");
    EXPECT_EQ(type_of(VT_DECIMAL, 16, 0), L"DOUBLE");
    EXPECT_EQ(type_of(VT_DECIMAL, 16, 10 * 256 + 2), L"DECIMAL(10,2)");
    EXPECT_EQ(type_of(VT_DATE, 8, 0), L"CHAR(19)");
    EXPECT_EQ(type_of(VT_DATE, 8, 0, true), L"CHAR");
    EXPECT_EQ(type_of(VT_DATE, 8, 1), L"DATETIME");
    EXPECT_EQ(type_of(VT_DATE, 8, 2), L"DATE");
    engine->version_word = 0x50603;
    EXPECT_EQ(type_of(VT_DATE, 8, 3), L"TIME");
    engine->version_word = 0x50604;
    EXPECT_EQ(type_of(VT_DATE, 8, 3), L"TIME(3)");
    EXPECT_EQ(type_of(VT_DATE, 8, 3, true), L"TIME");
    EXPECT_EQ(type_of(VT_DATE, 8, 1), L"DATETIME");
    EXPECT_THROW(type_of(VT_BLOB_OBJECT, 10), tk_mail_assertion);
}

TEST_F(sql_util_test, DateDefaultsChooseTimestampAndCurrentTimestamp) {
    t_ftd now = make_column(L"D", VT_DATE, 8, false, 1);
    now.default_value = ole_variant(std::wstring(L"GETDATE()"));
    EXPECT_EQ(get_sql_native_type(now, false), L"TIMESTAMP");
    EXPECT_EQ(make_mysql_def_val(&now), L"CURRENT_TIMESTAMP");
    t_ftd sys = make_column(L"D", VT_DATE, 8, false, 2);
    sys.default_value = ole_variant(std::wstring(L"sysdate"));
    EXPECT_EQ(get_sql_native_type(sys, false), L"DATE");
    EXPECT_EQ(make_mysql_def_val(&sys), L"CURRENT_TIMESTAMP");
    t_ftd fixed = make_column(L"D", VT_DATE, 8, false, 2);
    fixed.default_value = ole_variant(std::wstring(L"2024-01-31"));
    EXPECT_EQ(make_mysql_def_val(&fixed), L"\"2024-01-31\"");
}

TEST_F(sql_util_test, DefaultValuesKeepOnlyWellFormedNumbers) {
    auto def = [](int vt, const wchar_t* text) {
        t_ftd c = make_column(L"C", vt, 8);
        c.default_value = ole_variant(std::wstring(text));
        return make_mysql_def_val(&c);
    };
    EXPECT_EQ(def(VT_I4, L"5"), L"5");
    EXPECT_EQ(def(VT_I4, L"-12"), L"-12");
    EXPECT_EQ(def(VT_I4, L"007"), L"");
    EXPECT_EQ(def(VT_I4, L"+5"), L"");
    EXPECT_EQ(def(VT_I4, L" 5"), L"");
    EXPECT_EQ(def(VT_I4, L"5x"), L"");
    EXPECT_EQ(def(VT_R8, L"0.0"), L"0.0");
    EXPECT_EQ(def(VT_R8, L"1.5"), L"1.5");
    EXPECT_EQ(def(VT_R8, L"abc"), L"");
    // Text after a number would otherwise reach the CREATE TABLE statement verbatim.
    EXPECT_EQ(def(VT_R8, L"1.5) ENGINE=x; DROP TABLE t; --"), L"");
    EXPECT_EQ(def(VT_DECIMAL, L"0,0"), L"");
    // NUMBER(10) and wider are 64-bit integers and keep their defaults.
    EXPECT_EQ(def(VT_I8, L"0"), L"0");
    EXPECT_EQ(def(VT_I8, L"5"), L"5");
    EXPECT_EQ(def(VT_I8, L"-9223372036854775808"), L"-9223372036854775808");
    EXPECT_EQ(def(VT_I8, L"9223372036854775808"), L"");
    EXPECT_EQ(def(VT_I8, L"05"), L"");
    EXPECT_EQ(def(VT_I8, L"5; DROP"), L"");
    EXPECT_EQ(def(VT_UI8, L"18446744073709551615"), L"18446744073709551615");
    EXPECT_EQ(def(VT_UI8, L"-1"), L"");
    EXPECT_EQ(def(VT_BSTR, L"it's"), L"'it\\'s'");
    EXPECT_EQ(def(VT_BSTR, L""), L"");
    EXPECT_THROW(make_mysql_def_val(nullptr), tk_mail_assertion);
}

TEST_F(sql_util_test, TextLiteralsAreEscapedAndQuoted) {
    EXPECT_EQ(to_mysql_str("O'Brien\\x", VT_BSTR), "'O\\'Brien\\\\x'");
    EXPECT_EQ(to_mysql_wstr(L"O'Brien\\x", VT_BSTR), L"'O\\'Brien\\\\x'");
    // Not a number: quoted even for a numeric type, so it cannot leave the literal.
    EXPECT_EQ(to_mysql_str("O'Brien\\x", VT_I4), "'O\\'Brien\\\\x'");
    EXPECT_EQ(to_mysql_str("1, 2); DROP TABLE t; --", VT_I4), "'1, 2); DROP TABLE t; --'");
    EXPECT_EQ(to_mysql_str("12", VT_I4), "12");
    EXPECT_EQ(to_mysql_str("TRUE", VT_BOOL), "TRUE");
    EXPECT_EQ(to_mysql_str("true1", VT_BOOL), "'true1'");
    EXPECT_EQ(to_mysql_str("-1.5e+10", VT_R8), "-1.5e+10");
    EXPECT_EQ(to_mysql_str("", VT_BSTR), "\"\"");
    EXPECT_EQ(to_mysql_str("anything", VT_NULL), "NULL");
    EXPECT_EQ(to_mysql_str("x", VT_EMPTY), "NULL");
    EXPECT_EQ(to_mysql_wstr(std::wstring(L"a\0b", 3), VT_BSTR), L"'a\\0b'");
    EXPECT_EQ(to_mysql_str("a\r\nb\x1a", VT_BSTR), "'a\\r\\nb\\Z'");
    EXPECT_EQ(to_mysql_str("2024-01-31 10:20:30", VT_DATE), "'2024-01-31 10:20:30'");
}

TEST_F(sql_util_test, TextsThatLookLikeGuidsAreNeverRewritten) {
    const std::string guid = "6F9619FF-8B86-D011-B42D-00C04FC964FF";
    EXPECT_EQ(to_mysql_str("guid{" + guid + "}", VT_BSTR), "'guid{" + guid + "}'");
    EXPECT_EQ(to_mysql_str("GUID" + guid, VT_BSTR), "'GUID" + guid + "'");
    const std::string sentence = "the guid {" + guid + "}'; drop";
    EXPECT_EQ(to_mysql_str(sentence, VT_BSTR), "'the guid {" + guid + "}\\'; drop'");
    EXPECT_EQ(to_mysql_str("guid{6F9619FF-8B86-D011-B42D-00C04FC964FZ}", VT_BSTR),
              "'guid{6F9619FF-8B86-D011-B42D-00C04FC964FZ}'");
}

TEST_F(sql_util_test, BinaryLiterals) {
    EXPECT_EQ(to_mysql_str("0x0AFF", VT_BLOB), "0x0AFF");
    EXPECT_EQ(to_mysql_str("1234", VT_BYTE_ARRAY), "1234");
    EXPECT_EQ(to_mysql_str("0x1g", VT_BLOB), "'0x1g'");
    EXPECT_EQ(to_mysql_str("0x1'; drop", VT_BLOB), "'0x1\\'; drop'");
    const std::uint8_t bytes[] = {0x00, 0xAB};
    EXPECT_EQ(to_mysql_str(ole_variant(2, bytes)), "0x00AB");
    // An empty value is not a missing one.
    EXPECT_EQ(to_mysql_str(ole_variant(std::vector<std::uint8_t>{})), "''");
    EXPECT_EQ(to_mysql_str(ole_variant(4.5f)), "4.5");
    EXPECT_EQ(to_mysql_str(ole_variant(3.1415927f)), "3.1415927");
}

TEST_F(sql_util_test, InsertCellsFollowTheColumnRules) {
    engine->set_character_set(L"utf8mb4");
    const t_ftd text = make_column(L"T", VT_BSTR, 50);
    EXPECT_EQ(cell(ole_variant(std::wstring(L"h\u00e9llo \U0001F600")), text),
              "'h\xc3\xa9llo \xf0\x9f\x98\x80'");
    EXPECT_EQ(cell(ole_variant(std::wstring()), text), "\"\"");
    EXPECT_EQ(cell(ole_variant(), text), "NULL");
    EXPECT_EQ(cell(ole_variant(7), text), "7");

    const t_ftd number = make_column(L"N", VT_I4, 4);
    EXPECT_EQ(cell(ole_variant(42), number), "42");
    EXPECT_EQ(cell(ole_variant(std::wstring(L"42")), number), "42");
    EXPECT_EQ(cell(ole_variant(), number), "NULL");
    EXPECT_EQ(cell(ole_variant(std::wstring()), number), "NULL");
    EXPECT_EQ(cell(ole_variant(9223372036854775807LL), make_column(L"B", VT_I8, 8)),
              "9223372036854775807");

    t_ftd required = make_column(L"N", VT_I4, 4, true);
    EXPECT_EQ(cell(ole_variant(), required), "\"\"");
    required.default_value = ole_variant(std::wstring(L"7"));
    EXPECT_EQ(cell(ole_variant(), required), "7");

    const t_ftd blob = make_column(L"B", VT_BLOB, 0);
    const std::uint8_t bytes[] = {0x00, 0x01, 0xFF};
    EXPECT_EQ(cell(ole_variant(3, bytes), blob), "0x0001FF");
    EXPECT_EQ(cell(ole_variant(std::vector<std::uint8_t>{}), blob), "''");
    EXPECT_EQ(cell(ole_variant(), blob), "NULL");

    // A text's zero characters travel as escapes, the whole stored length.
    EXPECT_EQ(cell(ole_variant(std::wstring(L"a\0b", 3)), text), "'a\\0b'");
    // Decimal text beyond a variant decimal goes bare into its DECIMAL column.
    const t_ftd wide = make_column(L"D", VT_DECIMAL, 0, false, 38 * 256 + 10);
    EXPECT_EQ(cell(ole_variant(std::wstring(L"123456789012345678901234567.1234567891")), wide),
              "123456789012345678901234567.1234567891");
    // A time stamp with fractions, carried as text, into its DATETIME column.
    const t_ftd stamp = make_column(L"S", VT_DATE, 8, false, 1 + 6 * 256);
    EXPECT_EQ(cell(ole_variant(std::wstring(L"2024-02-29 13:45:59.123457")), stamp),
              "'2024-02-29 13:45:59.123457'");

    EXPECT_THROW(get_fld_append_str(nullptr, &text), tk_mail_assertion);
    const ole_variant v(1);
    EXPECT_THROW(get_fld_append_str(&v, nullptr), tk_mail_assertion);
}

TEST_F(sql_util_test, ResultCellsBecomeValues) {
    EXPECT_EQ(get_vartype_by_mysql_field_type(246, 0), VT_DECIMAL);
    EXPECT_EQ(get_vartype_by_mysql_field_type(1, 0x20), VT_UI1);
    EXPECT_EQ(get_vartype_by_mysql_field_type(8, 0), VT_I8);
    EXPECT_EQ(get_vartype_by_mysql_field_type(12, 0), VT_DATE);
    EXPECT_EQ(get_vartype_by_mysql_field_type(13, 0), VT_UI2);
    EXPECT_EQ(get_vartype_by_mysql_field_type(252, 0x80), VT_BLOB);
    EXPECT_EQ(get_vartype_by_mysql_field_type(253, 0x80), VT_BLOB);
    EXPECT_EQ(get_vartype_by_mysql_field_type(253, 0), VT_BSTR);
    EXPECT_EQ(get_vartype_by_mysql_field_type(254, 0), VT_BSTR);

    const ole_variant bytes = get_variant(253, 3, 0x80, "a\0b");
    ASSERT_EQ(bytes.vt(), VT_BYTE_ARRAY);
    const std::uint8_t* data = nullptr;
    ASSERT_EQ(bytes.get_bytes1(data), 3u);
    EXPECT_EQ(data[1], 0);
    EXPECT_EQ(data[2], 'b');

    const ole_variant text = get_variant(253, 6, 0, "h\xc3\xa9llo");
    EXPECT_EQ(text.vt(), VT_BSTR);
    EXPECT_EQ(text.to_wstring(), L"h\u00e9llo");
    EXPECT_EQ(get_variant(3, 2, 0, "42").to_long(), 42);
    EXPECT_EQ(get_variant(3, 0, 0, static_cast<const char*>(nullptr)).vt(), VT_EMPTY);
    EXPECT_FALSE(get_variant(16, 1, 0, "\0").to_bool());
    EXPECT_TRUE(get_variant(16, 1, 0, "\x01").to_bool());
    EXPECT_EQ(get_variant(8, 19, 0, "9223372036854775807").i8(), 9223372036854775807LL);
}

TEST_F(sql_util_test, NamesAndTypeNames) {
    EXPECT_EQ(quote_mysql_name(L"EMP"), L"`EMP`");
    EXPECT_EQ(quote_mysql_name(L"a`b"), L"`a``b`");
    EXPECT_EQ(quote_mysql_name(std::wstring(70, L'x')), L"`" + std::wstring(63, L'x') + L"`");
    EXPECT_EQ(quote_mysql_name(std::wstring(64, L'x')), L"`" + std::wstring(64, L'x') + L"`");
    EXPECT_EQ(mysql_name_for_old_server(L"EMP_1$"), L"EMP_1$");
    EXPECT_EQ(mysql_name_for_old_server(L"E; x"), L"`E; x`");
    EXPECT_EQ(get_sql_type_name(15), L"VARCHAR");
    EXPECT_EQ(get_sql_type_name(28), L"<Unknown type>");
    unsigned int size = 0;
    EXPECT_EQ(get_vartype_by_sql_type(L"VARCHAR(30)", size), VT_BSTR);
    EXPECT_EQ(size, 30u);
    EXPECT_EQ(get_vartype_by_sql_type(L"SMALLINT UNSIGNED", size), VT_UI2);
    EXPECT_EQ(size, 2u);
    size = 99;
    EXPECT_EQ(get_vartype_by_sql_type(L"DECIMAL(10,2)", size), VT_DECIMAL);
    EXPECT_EQ(size, 99u);
    EXPECT_EQ(get_vartype_by_sql_type(L"DATETIME", size), VT_BSTR);
    EXPECT_EQ(get_vartype_by_sql_type(L"int", size), VT_BSTR);
    EXPECT_EQ(make_type_size_suffix(L"VARCHAR", 20, 0, 0), L"VARCHAR(20)");
    EXPECT_EQ(make_type_size_suffix(L"DECIMAL", 0, 10, 2), L"DECIMAL(10,2)");
    EXPECT_EQ(make_type_size_suffix(L"TEXT", 20, 0, 0), L"TEXT");
}

TEST_F(sql_util_test, FieldsFromNarrowAndWideCells) {
    const sql_field number(L"N", 8, 3, 0x20, "123");
    EXPECT_EQ(number.get_name(), L"N");
    EXPECT_EQ(number.get_size(), 3);
    EXPECT_EQ(number.vt(), VT_UI8);
    EXPECT_EQ(number.ui8(), 123u);

    const wchar_t wide_bytes[] = {0x141, 0x00, 0x7F};
    const sql_field blob(L"B", 252, 3, 0x80, wide_bytes);
    ASSERT_EQ(blob.vt(), VT_BYTE_ARRAY);
    const std::uint8_t* data = nullptr;
    ASSERT_EQ(blob.get_bytes1(data), 3u);
    EXPECT_EQ(data[0], 0x41);
    EXPECT_EQ(data[1], 0x00);
    EXPECT_EQ(data[2], 0x7F);

    const sql_field text(L"T", 254, 4, 0, L"d\u00e9j\u00e0");
    EXPECT_EQ(text.to_wstring(), L"d\u00e9j\u00e0");
    const sql_field copy(static_cast<const udb_field&>(text));
    EXPECT_EQ(copy.get_name(), L"T");
    EXPECT_EQ(copy.to_wstring(), L"d\u00e9j\u00e0");

    engine->blob_as_text = true;
    EXPECT_EQ(get_vartype_by_mysql_field_type(252, 0x80), VT_BSTR);
    EXPECT_EQ(get_variant(252, 2, 0, "hi").to_wstring(), L"hi");
}

TEST_F(sql_util_test, FourByteCharactersNeedADestinationThatHoldsThem) {
    const t_ftd text = make_column(L"T", VT_BSTR, 50);
    const ole_variant smile(std::wstring(L"x \U0001F600"));
    engine->set_character_set(L"utf8");
    engine->version_word = 0x50503;
    EXPECT_EQ(cell(smile, text), "'x \xf0\x9f\x98\x80'");
    // A server without utf8mb4: the record is refused by column, never written with '?'.
    engine->version_word = 0x50502;
    try {
        cell(smile, text);
        FAIL() << "written";
    } catch (const tk_exception& e) {
        EXPECT_EQ(e.level(), 0);
        EXPECT_NE(std::string(e.what()).find("Column 'T'"), std::string::npos) << e.what();
    }
    EXPECT_EQ(cell(ole_variant(std::wstring(L"\u20ac")), text), "'\xe2\x82\xac'");
    // A dump switches to utf8mb4 on servers that have it.
    engine->versioned_dump = true;
    EXPECT_EQ(cell(smile, text), "'x \xf0\x9f\x98\x80'");
    engine->versioned_dump = false;
    engine->set_character_set(L"utf8mb4");
    EXPECT_EQ(cell(smile, text), "'x \xf0\x9f\x98\x80'");
}

TEST_F(sql_util_test, FractionsOfASecondNeedTheirServer) {
    const t_ftd stamp = make_column(L"S", VT_DATE, 8, false, 1 + 3 * 256);
    engine->version_word = 0x50604;
    EXPECT_EQ(get_sql_native_type(stamp, false), L"DATETIME(3)");
    engine->version_word = 0x40100;
    engine->versioned_dump = true;
    EXPECT_EQ(get_sql_native_type(stamp, false), L"DATETIME/*!50604 (3)*/");
    engine->versioned_dump = false;
    EXPECT_EQ(get_sql_native_type(stamp, false), L"CHAR(23)");
    EXPECT_EQ(get_sql_native_type(make_column(L"D", VT_DATE, 8, false, 1), false), L"DATETIME");
}

#include <gtest/gtest.h>

#include "ORA/ora_database.h"
#include "ORA/ora_date_processor.h"
#include "ORA/ora_engine.h"
#include "ORA/ora_table.h"
#include "ORA/ora_utils.h"
#include "variant/ole_variant.h"

namespace {

TEST(OraNames, SimplifyAndSplit) {
    EXPECT_EQ(ora_simplify_name(L"\"SCOTT\".\"EMP\""), L"SCOTT.EMP");
    EXPECT_EQ(ora_split_name(L"SCOTT.EMP"),
              std::make_pair(std::wstring(L"SCOTT"), std::wstring(L"EMP")));
    EXPECT_EQ(ora_split_name(L"\"SCOTT\".\"EMP\""),
              std::make_pair(std::wstring(L"SCOTT"), std::wstring(L"EMP")));
    EXPECT_EQ(ora_split_name(L"EMP"), std::make_pair(std::wstring(), std::wstring(L"EMP")));
    EXPECT_EQ(ora_split_name(L"\"EMP\""), std::make_pair(std::wstring(), std::wstring(L"EMP")));
    // A quoted name whose point lies inside the quotes is one table name.
    EXPECT_EQ(ora_split_name(L"\"A.B\""), std::make_pair(std::wstring(), std::wstring(L"A.B")));
}

TEST(OraNames, QuoteLiteralDoublesQuotes) {
    EXPECT_EQ(ora_quote_literal(L"O'HARA"), L"O''HARA");
    EXPECT_EQ(ora_quote_literal(L"''"), L"''''");
    EXPECT_EQ(ora_quote_literal(L"EMP"), L"EMP");
}

TEST(OraViews, RemoveComments) {
    EXPECT_EQ(remove_comments(L""), L"");
    EXPECT_EQ(remove_comments(L"-"), L"-");
    EXPECT_EQ(remove_comments(L"select a -- the a\nfrom t"), L"select a \nfrom t");
    // A last-line comment goes, the final line feed stays.
    EXPECT_EQ(remove_comments(L"select a from t\n-- done\n"), L"select a from t\n\n");
    EXPECT_EQ(remove_comments(L"select a from t -- done"), L"select a from t ");
    // Hyphens inside a literal are data.
    EXPECT_EQ(remove_comments(L"select '--x' from t"), L"select '--x' from t");
    EXPECT_EQ(remove_comments(L"select 'a' -- c\n, 'b--' from t"), L"select 'a' \n, 'b--' from t");
    // An apostrophe in a comment does not swallow the code after the comment.
    EXPECT_EQ(remove_comments(L"select a -- don't\nfrom t"), L"select a \nfrom t");
}

TEST(OraViews, RefineViewOut) {
    EXPECT_EQ(ora_database::refine_view_out(L"select * from t WITH READ ONLY"),
              L"select * from t ");
    EXPECT_EQ(ora_database::refine_view_out(L"select * from t with check option"),
              L"select * from t ");
    EXPECT_EQ(ora_database::refine_view_out(L"select * from t With Read Only"),
              L"select * from t With Read Only");
    EXPECT_EQ(ora_database::refine_view_out(L"select a -- x\nfrom t WITH OBJECT IDENTIFIER"),
              L"select a \nfrom t ");
}

TEST(OraNumbers, RefinedTypes) {
    auto refine = [](int prec, int scale, bool i64 = false) {
        return get_refined_num_type(prec, scale, i64);
    };
    EXPECT_EQ(refine(1, 0), VT_I1);
    EXPECT_EQ(refine(2, 0), VT_I1);
    EXPECT_EQ(refine(3, 0), VT_I2);
    EXPECT_EQ(refine(4, 0), VT_I2);
    EXPECT_EQ(refine(5, 0), VT_I4);
    EXPECT_EQ(refine(9, 0), VT_I4);
    // Ten digits overflow 32 bits.
    EXPECT_EQ(refine(10, 0), VT_I8);
    EXPECT_EQ(refine(18, 0), VT_I8);
    // Beyond the 64-bit range: every digit kept as DECIMAL(p,0).
    EXPECT_EQ(refine(19, 0), VT_DECIMAL);
    EXPECT_EQ(refine(20, 0), VT_DECIMAL);
    EXPECT_EQ(refine(20, 0, true), VT_DECIMAL);
    EXPECT_EQ(refine(25, 0), VT_DECIMAL);
    EXPECT_EQ(refine(38, 0), VT_DECIMAL);
    EXPECT_EQ(refine(25, 0, true), VT_I8);
    EXPECT_EQ(refine(0, 0), VT_R8);
    EXPECT_EQ(refine(0, 0, true), VT_I8);
    EXPECT_EQ(refine(126, 0), VT_R8);
    EXPECT_EQ(refine(10, 2), VT_DECIMAL);
    int prec = 5;
    EXPECT_EQ(get_refined_num_type(prec, 5, false), VT_DECIMAL);
    EXPECT_EQ(prec, 6);
}

TEST(OraNumbers, NegativeScalesCountTheRoundedDigits) {
    // NUMBER(8,-3) holds 99,999,999,000: eleven digits, beyond a 32-bit integer.
    int prec = 8;
    EXPECT_EQ(get_refined_num_type(prec, -3, false), VT_I8);
    EXPECT_EQ(prec, 11);
    prec = 5;
    EXPECT_EQ(get_refined_num_type(prec, -2, false), VT_I4);
    prec = 17;
    EXPECT_EQ(get_refined_num_type(prec, -3, false), VT_DECIMAL);
    EXPECT_EQ(prec, 20);
}

TEST(OraNumbers, ScaleAbovePrecisionBecomesAColumnMySqlAccepts) {
    // NUMBER(3,5) holds 0.00123: DECIMAL(5,5), never the refused DECIMAL(3,5).
    int prec = 3;
    EXPECT_EQ(get_refined_num_type(prec, 5, false), VT_DECIMAL);
    EXPECT_EQ(prec, 5);
    // No DECIMAL takes more than 30 decimals.
    prec = 2;
    EXPECT_EQ(get_refined_num_type(prec, 40, false), VT_R8);
}

TEST(OraEngineText, ConnectString) {
    EXPECT_EQ(ora_engine::make_connect_string(L"db1", L"", L"ORCL"), L"//db1:1521/ORCL");
    EXPECT_EQ(ora_engine::make_connect_string(L"", L"1522", L"ORCL"), L"//localhost:1522/ORCL");
    EXPECT_EQ(ora_engine::make_connect_string(L"", L"", L"ORCL"), L"ORCL");
    EXPECT_EQ(ora_engine::make_connect_string(L"h", L"1", L"S"), L"//h:1/S");
}

TEST(OraEngineText, VersionFromBanner) {
    EXPECT_EQ(ora_engine::parse_version(
                  L"Oracle Database 11g Enterprise Edition Release 11.2.0.1.0 - 64bit Production"),
              0x0B0200u);
    EXPECT_EQ(ora_engine::parse_version(L"Oracle7 Server Release 7.3.4.0.0 - Production"),
              0x070304u);
    EXPECT_EQ(ora_engine::parse_version(L"Oracle Database 19c Enterprise Edition"), 0u);
    EXPECT_EQ(ora_engine::parse_version(L""), 0u);
    EXPECT_EQ(ora_engine::parse_version(L"Release 10.2 then 9.2.0"), 0x090200u);
}

TEST(OraEngineText, SupportedTypes) {
    EXPECT_TRUE(ora_engine::is_supported_type(L"VARCHAR2(40)"));
    EXPECT_TRUE(ora_engine::is_supported_type(L"TIMESTAMP(6) WITH TIME ZONE"));
    EXPECT_TRUE(ora_engine::is_supported_type(L"LONG RAW"));
    EXPECT_TRUE(ora_engine::is_supported_type(L"INTERVAL DAY(2) TO SECOND(6)"));
    EXPECT_FALSE(ora_engine::is_supported_type(L"varchar2"));
    EXPECT_TRUE(ora_engine::is_supported_type_name(L"TIMESTAMP(6)"));
    EXPECT_TRUE(ora_engine::is_supported_type_name(L"TIMESTAMP(9)"));
    // Every precision and zone form of the time stamps, and the intervals, are read.
    EXPECT_TRUE(ora_engine::is_supported_type_name(L"TIMESTAMP(6) WITH TIME ZONE"));
    EXPECT_TRUE(ora_engine::is_supported_type_name(L"TIMESTAMP(3) WITH LOCAL TIME ZONE"));
    EXPECT_TRUE(ora_engine::is_supported_type_name(L"INTERVAL YEAR(2) TO MONTH"));
    EXPECT_FALSE(ora_engine::is_supported_type_name(L"SDO_GEOMETRY"));
    EXPECT_FALSE(ora_engine::is_supported_type_name(L"ANYDATA"));
}

TEST(OraDates, Canonisation) {
    ora_date_processor dates;
    EXPECT_EQ(dates.get_canonized_str(L"01-JAN-2000"), L"2000-01-01");
    EXPECT_EQ(dates.get_canonized_str(L"31-dec-9999"), L"9999-12-31");
    EXPECT_EQ(dates.get_canonized_str(L"5-feb-99"), L"99-02-05");
    EXPECT_EQ(dates.get_canonized_str(L"32-JAN-2000"), L"");
    EXPECT_EQ(dates.get_canonized_str(L"01-XYZ-2000"), L"");
    EXPECT_EQ(dates.get_canonized_str(L"01-JAN-00"), L"");
    EXPECT_EQ(dates.get_canonized_str(L"01-JAN"), L"");
    EXPECT_EQ(dates.get_canonized_str(L"2000-01-01"), L"");
    EXPECT_EQ(dates.get_month(L"Sep"), 9);
    EXPECT_EQ(&ora_date_processor::instance(), &dates);
}

TEST(OraDefaults, ValuesFromDictionaryText) {
    EXPECT_EQ(ora_table::get_def_value(VT_BSTR, L"'N'").value.to_wstring(), L"N");
    EXPECT_EQ(ora_table::get_def_value(VT_BSTR, L" 'it''s' \n").value.to_wstring(), L"it's");
    // A function is kept as the expression it is, never as a value.
    const ora_default user = ora_table::get_def_value(VT_BSTR, L"USER");
    EXPECT_TRUE(user.expression);
    EXPECT_EQ(user.value.to_wstring(), L"USER");
    ole_variant n = ora_table::get_def_value(VT_I4, L"42 ").value;
    EXPECT_EQ(n.vt(), VT_I4);
    EXPECT_EQ(n.to_long(), 42);
    // DEFAULT NULL is no default, not a zero.
    EXPECT_TRUE(ora_table::get_def_value(VT_I4, L"NULL").value.is_empty());
    EXPECT_FALSE(ora_table::get_def_value(VT_I4, L"NULL").expression);
    // A DD-MON-YYYY date needs the run's date processor; without it the text stays.
    EXPECT_TRUE(ora_table::get_def_value(VT_DATE, L"'01-JAN-2000'").expression);
    {
        ora_date_processor dates;
        ole_variant d = ora_table::get_def_value(VT_DATE, L"'01-JAN-2000'").value;
        ASSERT_EQ(d.vt(), VT_DATE);
        EXPECT_EQ(d.systemtime().wYear, 2000);
        EXPECT_EQ(d.systemtime().wMonth, 1);
        EXPECT_TRUE(ora_table::get_def_value(VT_DATE, L"'garbage'").expression);
    }
}

// A fetched text is decoded straight into its value, its ASCII bytes sixteen at a time: a
// character of several bytes must come out whole wherever it falls among those runs, and a
// malformed sequence anywhere must be told, for the reader to decode the text the slow way.
TEST(OraText, Utf8DecodesIntoTheValueWhereverItsCharactersFall) {
    const std::string several[] = {"\xC3\xA9", "\xE2\x82\xAC", "\xF0\x9F\x98\x80"};
    const std::string malformed[] = {"\x80",         "\xC3",         "\xE2\x82", "\xC0\xAF",
                                     "\xED\xA0\x80", "\xF8\x88\x80", "\xC3("};
    for (const std::size_t length : {1, 15, 16, 17, 31, 33, 40}) {
        for (std::size_t at = 0; at < length; ++at) {
            for (const std::string& character : several) {
                std::string text(length, 'a');
                text.replace(at, 1, character);
                text += character + "tail of ascii";
                ole_variant value;
                ASSERT_TRUE(ora_decode_utf8(text.data(), text.size(), value)) << text;
                EXPECT_EQ(std::wstring(value.whole_text()), ora_from_utf8(text.data(), text.size()))
                    << text;
            }
            for (const std::string& bad : malformed) {
                std::string text(length, 'a');
                text.replace(at, 1, bad);
                ole_variant value;
                EXPECT_FALSE(ora_decode_utf8(text.data(), text.size(), value)) << text;
            }
        }
    }
    ole_variant ascii;
    const std::string plain(50, 'x');
    ASSERT_TRUE(ora_decode_utf8(plain.data(), plain.size(), ascii));
    EXPECT_EQ(std::wstring(ascii.whole_text()), std::wstring(50, L'x'));
}

}  // namespace

// The dump writer's view of what a replaying server does with each literal: the number and text
// it would warn with, or nothing when it stores the value as written.
#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "SQL/dmp_database.h"
#include "SQL/dmp_key_set.h"
#include "SQL/dmp_recordset.h"
#include "SQL/sql_exception.h"
#include "SQL/sql_test_env.h"
#include "SQL/sql_util.h"
#include "SQL/sql_value_check.h"
#include "TK/tk_exception.h"
#include "TK/tk_utils.h"
#include "UDB/t_ftd.h"
#include "UDB/udb_record.h"
#include "UDB/udb_recordset.h"
#include "variant/ole_variant.h"

namespace {

t_ftd typed(const std::wstring& name, const std::wstring& type) {
    t_ftd column = make_column(name, VT_BSTR, 0);
    column.native_type = type;
    return column;
}

unsigned int number_of(const std::wstring& type, std::string_view literal,
                       const std::wstring& charset = L"", bool not_null = false) {
    return sql_value_check(L"T", typed(L"C", type), charset, not_null).check(literal).number;
}

using dump_value_checks_test = sql_engine_test;

TEST_F(dump_value_checks_test, numbers_out_of_their_column_are_told) {
    EXPECT_EQ(number_of(L"INT", "2147483647"), 0u);
    EXPECT_EQ(number_of(L"INT", "2147483647.5"), 1264u);
    EXPECT_EQ(number_of(L"INT", "1.4"), 0u);  // rounded without a word, as the server does
    EXPECT_EQ(number_of(L"TINYINT UNSIGNED", "-1"), 1264u);
    EXPECT_EQ(number_of(L"INT", "'abc'"), 1366u);
    EXPECT_EQ(number_of(L"INT", "'12abc'"), 1265u);
    EXPECT_EQ(number_of(L"DECIMAL(20,0)", "-99999999999999999999"), 0u);
    EXPECT_EQ(number_of(L"DECIMAL(20,0)", "100000000000000000000"), 1264u);
    EXPECT_EQ(number_of(L"DECIMAL(5,2)", "1.230"), 0u);
    EXPECT_EQ(number_of(L"DECIMAL(5,2)", "1.235"), 1265u);
    EXPECT_EQ(number_of(L"DECIMAL(5,2)", "999.995"), 1264u);
    EXPECT_EQ(number_of(L"DOUBLE", "'inf'"), 1366u);
    EXPECT_EQ(number_of(L"DOUBLE", "'-inf'"), 1366u);
    EXPECT_EQ(number_of(L"DOUBLE", "'nan'"), 1366u);
    EXPECT_EQ(number_of(L"DOUBLE", "1.5000000000000000e+00"), 0u);
    EXPECT_EQ(number_of(L"FLOAT", "1e39"), 1264u);
    const auto v = sql_value_check(L"T", typed(L"BD", L"DOUBLE"), L"", false).check("'inf'");
    EXPECT_EQ(v.message, "Incorrect double value: 'inf' for column `T`.`BD`");
}

TEST_F(dump_value_checks_test, dates_past_the_range_are_told) {
    EXPECT_EQ(number_of(L"DATETIME", "'9999-12-31 23:59:59'"), 0u);
    EXPECT_EQ(number_of(L"DATETIME", "'0001-01-01 00:00:00'"), 0u);
    EXPECT_EQ(number_of(L"DATETIME", "'10000-01-01 04:00:00'"), 1265u);
    EXPECT_EQ(number_of(L"DATE", "'-044-03-15'"), 1265u);
    EXPECT_EQ(number_of(L"DATE", "'2024-01-01 10:00:00'"), 1265u);
    EXPECT_EQ(number_of(L"DATE", "'2024-01-01 00:00:00'"), 0u);
    EXPECT_EQ(number_of(L"TIMESTAMP", "'2038-01-19 03:14:07'"), 0u);
    EXPECT_EQ(number_of(L"TIMESTAMP", "'2038-01-19 03:14:08'"), 1264u);
    EXPECT_EQ(number_of(L"TIMESTAMP", "'1960-01-01 00:00:00'"), 1264u);
}

TEST_F(dump_value_checks_test, texts_too_long_or_beyond_the_character_set_are_told) {
    EXPECT_EQ(number_of(L"VARCHAR(3)", "'abc'"), 0u);
    EXPECT_EQ(number_of(L"VARCHAR(3)", "'abcd'"), 1265u);
    EXPECT_EQ(number_of(L"VARCHAR(3)", "'abc  '"), 0u);
    EXPECT_EQ(number_of(L"VARCHAR(3)", "'\xE6\x97\xA5\xE6\x9C\xAC\xE6\x97\xA5'"), 0u);
    EXPECT_EQ(number_of(L"VARCHAR(3)", "'it\\'s'"), 1265u);
    EXPECT_EQ(number_of(L"VARCHAR(4)", "'it\\'s'"), 0u);
    EXPECT_EQ(number_of(L"TINYTEXT", "'" + std::string(256, 'a') + "'"), 1265u);
    EXPECT_EQ(number_of(L"VARBINARY(2)", "0x0102"), 0u);
    EXPECT_EQ(number_of(L"VARBINARY(2)", "0x010203"), 1265u);
    EXPECT_EQ(number_of(L"VARCHAR(20)", "'caf\xC3\xA9 \xE2\x82\xAC'", L"latin1"), 0u);
    const auto v = sql_value_check(L"T", typed(L"J", L"VARCHAR(20)"), L"latin1", false)
                       .check("'a\xE6\x97\xA5\xE6\x9C\xAC'");
    EXPECT_EQ(v.number, 1366u);
    EXPECT_EQ(v.message,
              "Incorrect string value: '\\xE6\\x97\\xA5\\xE6\\x9C\\xAC' for column `T`.`J`");
    EXPECT_EQ(number_of(L"VARCHAR(20)", "'\xE6\x97\xA5'", L"utf8mb4"), 0u);
}

TEST_F(dump_value_checks_test, null_into_not_null_is_told_but_not_for_auto_increment) {
    EXPECT_EQ(number_of(L"VARCHAR(3)", "NULL", L"", true), 1048u);
    EXPECT_EQ(number_of(L"VARCHAR(3)", "NULL"), 0u);
    t_ftd counter = typed(L"ID", L"INT");
    counter.b_auto_increment = true;
    EXPECT_EQ(sql_value_check(L"T", counter, L"", true).check("NULL").number, 0u);
}

TEST_F(dump_value_checks_test, keys_compare_as_the_column_stores_them) {
    const sql_value_check whole(L"T", typed(L"K", L"INT"), L"", true);
    EXPECT_EQ(whole.stored_form("1.2"), whole.stored_form("1.4"));
    EXPECT_NE(whole.stored_form("1.4"), whole.stored_form("1.5"));
    const sql_value_check cut(L"T", typed(L"K", L"VARCHAR(3)"), L"", true);
    EXPECT_EQ(cut.stored_form("'abcd'"), cut.stored_form("'abce'"));
    EXPECT_NE(cut.stored_form("'abc'"), cut.stored_form("'abd'"));
    EXPECT_EQ(cut.stored_form("NULL"), "");
    const sql_value_check latin(L"T", typed(L"K", L"VARCHAR(10)"), L"latin1", true);
    EXPECT_EQ(latin.stored_form("'\xE6\x97\xA5'"), latin.stored_form("'\xE4\xB8\xAD'"));
    EXPECT_NE(latin.stored_form("'caf\xC3\xA9'"), latin.stored_form("'cafe'"));
}

TEST_F(dump_value_checks_test, the_dump_writer_reports_each_change_and_duplicate_as_its_record) {
    udb_schema columns;
    columns.add_field(make_column(L"ID", VT_I4, 4));
    columns.add_field(make_column(L"NAME", VT_BSTR, 3));
    udb_indexes keys;
    keys.push_back(udb_index(L"PK", false, true, {L"ID"}));
    const std::string path = test_file_path("checked.sql");
    auto db = engine->create_dump(std::wstring(path.begin(), path.end()), dump_options());
    auto table = db->create_table(L"EMP", columns, keys);
    const auto add = [&](int id, const std::wstring& name, int number) {
        udb_record record;
        record.add_field(udb_field(L"ID", 4, ole_variant(id)));
        record.add_field(udb_field(L"NAME", 3, ole_variant(name)));
        table->append_record(record, number);
    };
    std::vector<sql_record_error> told;
    gather(told, [&] { add(1, L"abc", 10); });
    gather(told, [&] { add(2, L"abcd", 12); });
    gather(told, [&] { add(1, L"x", 13); });
    gather(told, [&] { table->flush(); });
    ASSERT_EQ(told.size(), 2u);
    EXPECT_EQ(told[0].message(), "Table 'EMP', record #12: Data truncated for column 'NAME'");
    EXPECT_EQ(told[0].table(), L"EMP");
    EXPECT_EQ(told[0].record(), 12);
    EXPECT_EQ(told[0].column(), L"NAME");
    EXPECT_EQ(told[0].text(), "Data truncated for column 'NAME'");
    EXPECT_EQ(told[1].code(), 0x400000 | 1062);
    EXPECT_EQ(told[1].message(), "Table 'EMP', record #13: Duplicate entry '1' for key 'PRIMARY'");
    // A key spans its columns: no one column is at fault.
    EXPECT_EQ(told[1].record(), 13);
    EXPECT_EQ(told[1].column(), L"");
    table.reset();
    db->close();
    // Every row is written: the replay does with it what a live server does.
    const std::string text = read_file(path);
    EXPECT_NE(text.find("VALUES(1, 'abc'), (2, 'abcd'), (1, 'x');"), std::string::npos) << text;
}

TEST_F(dump_value_checks_test, keys_written_aside_are_still_told_apart_exactly) {
    dmp_key_set keys;
    const auto key = [](int i) { return "s" + std::to_string(i) + std::string(60, 'k') + "\x1F"; };
    const int n = 50000;  // some 3.5 MB of key text: most of it goes to the file
    for (int i = 0; i < n; ++i) ASSERT_TRUE(keys.insert(key(i))) << i;
    EXPECT_FALSE(keys.insert(key(0)));
    EXPECT_FALSE(keys.insert(key(n / 2)));
    EXPECT_FALSE(keys.insert(key(n - 1)));
    // A key that begins another, or that another begins, is a key of its own.
    EXPECT_TRUE(keys.insert(key(7).substr(0, 10)));
    EXPECT_TRUE(keys.insert(key(7) + "x"));
    EXPECT_TRUE(keys.insert(""));
    EXPECT_FALSE(keys.insert(""));
    EXPECT_EQ(keys.size(), static_cast<std::size_t>(n) + 3);
}

TEST_F(dump_value_checks_test, integer_keys_in_and_out_of_order_are_told_apart_exactly) {
    dmp_key_set keys;
    // Ascending, with gaps and a negative start: runs of integers.
    for (int i = -5; i <= 1000; ++i) {
        if (i % 100 == 7) continue;
        ASSERT_TRUE(keys.insert(std::to_string(i))) << i;
    }
    for (int i = 3000; i < 3010; i += 2) ASSERT_TRUE(keys.insert(std::to_string(i))) << i;
    EXPECT_FALSE(keys.insert("-5"));
    EXPECT_FALSE(keys.insert("0"));
    EXPECT_FALSE(keys.insert("1000"));
    EXPECT_FALSE(keys.insert("3004"));
    // Out of order: the holes of the runs are new once, then duplicates.
    EXPECT_TRUE(keys.insert("107"));
    EXPECT_FALSE(keys.insert("107"));
    EXPECT_TRUE(keys.insert("3005"));
    EXPECT_FALSE(keys.insert("3005"));
    EXPECT_TRUE(keys.insert("-6"));
    EXPECT_FALSE(keys.insert("-6"));
    // Texts that are no canonical integer are keys of their own, never a run's integer.
    EXPECT_TRUE(keys.insert("0107"));
    EXPECT_TRUE(keys.insert("-0"));
    EXPECT_TRUE(keys.insert("s107"));
    EXPECT_FALSE(keys.insert("0107"));
    // Past 18 digits the general set decides, exactly.
    EXPECT_TRUE(keys.insert("1234567890123456789012"));
    EXPECT_FALSE(keys.insert("1234567890123456789012"));
    EXPECT_TRUE(keys.insert("999999999999999999"));
    EXPECT_FALSE(keys.insert("999999999999999999"));
    // Ascending again after out-of-order keys.
    EXPECT_TRUE(keys.insert("1000000000000000000"));
    EXPECT_FALSE(keys.insert("1000000000000000000"));
    EXPECT_EQ(keys.size(), 1006u - 10u + 5u + 3u + 3u + 3u);
}

TEST_F(dump_value_checks_test, a_key_of_several_texts_is_not_mistaken_by_their_contents) {
    udb_schema columns;
    columns.add_field(make_column(L"A", VT_BSTR, 20));
    columns.add_field(make_column(L"B", VT_BSTR, 20));
    udb_indexes keys;
    keys.push_back(udb_index(L"PK", false, true, {L"A", L"B"}));
    const std::string path = test_file_path("text_keys.sql");
    auto db = engine->create_dump(std::wstring(path.begin(), path.end()), dump_options());
    auto table = db->create_table(L"PAIRS", columns, keys);
    // The first two rows differ as pairs, though their texts run together are alike.
    const std::wstring unit(1, L'\x1F');
    const std::vector<std::pair<std::wstring, std::wstring>> rows = {
        {L"a" + unit + L"sb", L"c"}, {L"a", L"b" + unit + L"sc"}, {L"a", L"b" + unit + L"sc"}};
    std::vector<sql_record_error> told;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        udb_record record;
        record.add_field(udb_field(L"A", 20, ole_variant(rows[i].first)));
        record.add_field(udb_field(L"B", 20, ole_variant(rows[i].second)));
        gather(told, [&] { table->append_record(record, static_cast<int>(i) + 1); });
    }
    gather(told, [&] { table->flush(); });
    table.reset();
    db->close();
    ASSERT_EQ(told.size(), 1u);
    EXPECT_EQ(told[0].record(), 3);
}

TEST_F(dump_value_checks_test, one_duplicate_among_many_keys_is_told_once) {
    udb_schema columns;
    columns.add_field(make_column(L"ID", VT_I4, 4));
    columns.add_field(make_column(L"CODE", VT_BSTR, 40));
    udb_indexes keys;
    keys.push_back(udb_index(L"PK", false, true, {L"ID"}));
    keys.push_back(udb_index(L"CODE_UK", true, false, {L"CODE"}));
    const std::string path = test_file_path("many_keys.sql");
    auto db = engine->create_dump(std::wstring(path.begin(), path.end()), dump_options());
    auto table = db->create_table(L"ITEMS", columns, keys);
    const auto code = [](int i) { return L"item-" + std::to_wstring(i) + L"-of-the-catalogue"; };
    std::vector<sql_record_error> told;
    const int n = 200000;
    for (int i = 1; i <= n; ++i) {
        udb_record record;
        record.add_field(udb_field(L"ID", 4, ole_variant(i)));
        // Near the end, the code of the third row comes again under a new id.
        record.add_field(udb_field(L"CODE", 40, ole_variant(code(i == n - 10 ? 3 : i))));
        gather(told, [&] { table->append_record(record, i); });
    }
    gather(told, [&] { table->flush(); });
    table.reset();
    db->close();
    ASSERT_EQ(told.size(), 1u);
    EXPECT_EQ(told[0].message(), "Table 'ITEMS', record #" + std::to_string(n - 10) +
                                     ": Duplicate entry 'item-3-of-the-catalogue' for key "
                                     "'CODE_UK'");
}

}  // namespace

// The forms the plain literals of a dump take on their quick way must be those of the general
// reading: the same verdicts, and keys in the same text (a duplicate's message shows it).
TEST_F(dump_value_checks_test, plain_literals_read_as_any_other) {
    const sql_value_check id(L"T", typed(L"K", L"INT"), L"", true);
    EXPECT_EQ(id.stored_form("42"), "42");
    EXPECT_EQ(id.stored_form("-42"), "-42");
    EXPECT_EQ(id.stored_form("0042"), "42");
    EXPECT_EQ(id.stored_form("+7"), "7");
    EXPECT_EQ(id.stored_form("-0"), "-0");
    EXPECT_EQ(id.stored_form("0"), "0");
    EXPECT_EQ(id.stored_form("'12'"), "12");
    EXPECT_EQ(id.stored_form("2.5"), "3");
    EXPECT_EQ(id.stored_form("-2.5"), "-3");
    EXPECT_EQ(id.stored_form("1e3"), "1000");
    EXPECT_EQ(id.stored_form("123456789012345678"), "123456789012345678");
    const sql_value_check big(L"T", typed(L"K", L"BIGINT"), L"", true);
    EXPECT_EQ(big.stored_form("9223372036854775807"), "9223372036854775807");
    EXPECT_EQ(big.stored_form("-9223372036854775808"), "-9223372036854775808");
    const sql_value_check money(L"T", typed(L"K", L"DECIMAL(12,2)"), L"", true);
    EXPECT_EQ(money.stored_form("123.45"), "123.45");
    EXPECT_EQ(money.stored_form("-123.4"), "-123.40");
    EXPECT_EQ(money.stored_form("7"), "7.00");
    EXPECT_EQ(money.stored_form("-0.00"), "-0.00");
    EXPECT_EQ(money.stored_form("000.5"), "0.50");
    EXPECT_EQ(money.stored_form(".5"), "0.50");
    EXPECT_EQ(money.stored_form("1.005"), "1.01");
    EXPECT_EQ(money.stored_form("9999999999.99"), "9999999999.99");

    EXPECT_EQ(number_of(L"INT", "-2147483648"), 0u);
    EXPECT_EQ(number_of(L"INT", "-2147483649"), 1264u);
    EXPECT_EQ(number_of(L"INT", "2147483648"), 1264u);
    EXPECT_EQ(number_of(L"INT UNSIGNED", "4294967295"), 0u);
    EXPECT_EQ(number_of(L"INT UNSIGNED", "-0"), 0u);
    EXPECT_EQ(number_of(L"BIGINT", "99999999999999999999"), 1264u);
    EXPECT_EQ(number_of(L"INT", "12."), 0u);
    EXPECT_EQ(number_of(L"INT", "-"), 1366u);
    EXPECT_EQ(number_of(L"INT", "'  12'"), 0u);
    EXPECT_EQ(number_of(L"INT", "'12 '"), 1265u);
    EXPECT_EQ(number_of(L"INT", "0x10"), 1366u);
    EXPECT_EQ(number_of(L"DECIMAL(12,2)", "-99999999.5"), 0u);
    EXPECT_EQ(number_of(L"DECIMAL(12,2)", "10000000000.00"), 1264u);
    EXPECT_EQ(number_of(L"DECIMAL(12,2)", "0.001"), 1265u);
    EXPECT_EQ(number_of(L"DECIMAL(12,2) UNSIGNED", "-0.00"), 0u);
    EXPECT_EQ(number_of(L"DECIMAL(12,2) UNSIGNED", "-0.01"), 1264u);
    EXPECT_EQ(number_of(L"DOUBLE", "-123.456"), 0u);
    EXPECT_EQ(number_of(L"DOUBLE", "3.5509564062500000e+05"), 0u);
    EXPECT_EQ(number_of(L"DOUBLE", "-1E-300"), 0u);
    EXPECT_EQ(number_of(L"DOUBLE", "1e999"), 0u);
    EXPECT_EQ(number_of(L"DOUBLE", "1e"), 1366u);
    EXPECT_EQ(number_of(L"DOUBLE", "'1e+'"), 1265u);
    EXPECT_EQ(number_of(L"DOUBLE", "e5"), 1366u);
    EXPECT_EQ(number_of(L"FLOAT", "3.5e+38"), 1264u);
    EXPECT_EQ(number_of(L"FLOAT", "340282346638528859811704183484516925440"), 0u);
    EXPECT_EQ(number_of(L"FLOAT", "440282346638528859811704183484516925440"), 1264u);

    EXPECT_EQ(number_of(L"DATETIME", "'2024-02-29 23:59:59.123456'"), 0u);
    EXPECT_EQ(number_of(L"DATETIME", "'2024-13-01 00:00:00'"), 1265u);
    EXPECT_EQ(number_of(L"DATETIME", "'2024-12-32'"), 1265u);
    EXPECT_EQ(number_of(L"DATETIME", "'2024-1-5 1:2:3'"), 0u);
    EXPECT_EQ(number_of(L"DATE", "'2024-01-01 00:00:00.000001'"), 0u);
    EXPECT_EQ(number_of(L"DATE", "'2024-01-01 00:00:01.5'"), 1265u);
    EXPECT_EQ(number_of(L"TIMESTAMP", "'2038-01-19 03:14:07.999999'"), 0u);
    EXPECT_EQ(number_of(L"TIMESTAMP", "'2038-01-18 27:14:07'"), 0u);
    EXPECT_EQ(number_of(L"TIMESTAMP", "'2038-01-18 27:14:08'"), 1264u);
    EXPECT_EQ(number_of(L"TIMESTAMP", "'1970-01-01 00:00:01'"), 0u);
    EXPECT_EQ(number_of(L"TIMESTAMP", "'1970-01-01 00:00:00'"), 1264u);
    EXPECT_EQ(number_of(L"TIMESTAMP", "'2001-02-31 00:00:00'"), 0u);
    EXPECT_EQ(number_of(L"TIMESTAMP", "'0000-00-00 00:00:00'"), 1264u);
}

TEST_F(dump_value_checks_test, texts_at_their_limit_are_measured_as_stored) {
    // Escapes and multi-byte characters make a literal longer than the value it holds.
    EXPECT_EQ(number_of(L"VARCHAR(3)", "'abc'"), 0u);
    EXPECT_EQ(number_of(L"VARCHAR(3)", "'abcd'"), 1265u);
    EXPECT_EQ(number_of(L"VARCHAR(3)", "'a\\'b'"), 0u);
    EXPECT_EQ(number_of(L"VARCHAR(3)", "'a\\'bc'"), 1265u);
    EXPECT_EQ(number_of(L"VARCHAR(3)", "'\xC3\xA9\xC3\xA9\xC3\xA9'"), 0u);
    EXPECT_EQ(number_of(L"VARCHAR(3)", "'\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9'"), 1265u);
    EXPECT_EQ(number_of(L"TINYTEXT", "'" + std::string(255, 'x') + "'"), 0u);
    EXPECT_EQ(number_of(L"TINYTEXT", "'" + std::string(256, 'x') + "'"), 1265u);
    EXPECT_EQ(number_of(L"VARCHAR(3)", "'abc'", L"latin1"), 0u);
    EXPECT_EQ(number_of(L"VARCHAR(3)", "'\xE6\x97\xA5'", L"latin1"), 1366u);
    EXPECT_EQ(number_of(L"BINARY(2)", "0x0102"), 0u);
    EXPECT_EQ(number_of(L"BINARY(2)", "0x010203"), 1265u);
    EXPECT_EQ(number_of(L"TINYBLOB", "0x" + std::string(510, 'A')), 0u);
    EXPECT_EQ(number_of(L"TINYBLOB", "0x" + std::string(512, 'A')), 1265u);
}

// The dump checks each cell from what its rendering knew of it; the verdict, its message and the
// key's stored form must be those the literal itself gives, for every value in every column,
// whether the rendering's facts decide or the literal has to be read after all.
TEST_F(dump_value_checks_test, what_the_rendering_tells_gives_the_verdicts_of_the_literal) {
    const auto decimal = [](const char* text) {
        return ole_variant::from_string(text, VT_DECIMAL);
    };
    const auto date = [](WORD y, WORD mo, WORD d, WORD h, WORD mi, WORD s, WORD ms) {
        SYSTEMTIME t{};
        t.wYear = y, t.wMonth = mo, t.wDay = d, t.wHour = h, t.wMinute = mi, t.wSecond = s;
        t.wMilliseconds = ms;
        return ole_variant(t);
    };
    const std::vector<ole_variant> values = {
        ole_variant(),
        ole_variant(0),
        ole_variant(127),
        ole_variant(-129),
        ole_variant(255),
        ole_variant(2147483647),
        ole_variant(-2147483647 - 1),
        ole_variant(static_cast<long long>(-2147483649LL)),
        ole_variant(static_cast<long long>(999999999999999999LL)),
        ole_variant(static_cast<long long>(9223372036854775807LL)),
        ole_variant(static_cast<long long>(-9223372036854775807LL - 1)),
        ole_variant(static_cast<unsigned long long>(18446744073709551615ULL)),
        ole_variant(static_cast<unsigned char>(200)),
        ole_variant(2.5),
        ole_variant(-1e-300),
        ole_variant(0.0),
        ole_variant(-0.0),
        ole_variant(3.4e38),
        ole_variant(1e300),
        ole_variant(std::numeric_limits<double>::infinity()),
        ole_variant(std::numeric_limits<double>::quiet_NaN()),
        decimal("0"),
        decimal("0.25"),
        decimal("-0.01"),
        decimal("1.235"),
        decimal("999.995"),
        decimal("999.99"),
        decimal("-99999999.5"),
        decimal("9999999999.99"),
        decimal("10000000000.00"),
        decimal("1234567890123456789012345678"),
        decimal("-0.000000000000000000000000001"),
        decimal("12345678901234567.5"),
        date(1990, 1, 2, 0, 0, 0, 0),
        date(1990, 1, 2, 0, 0, 7, 0),
        date(2024, 1, 1, 0, 0, 0, 5),
        date(2024, 2, 29, 23, 59, 59, 999),
        date(1000, 1, 1, 0, 0, 0, 0),
        date(9999, 12, 31, 23, 59, 59, 0),
        date(1970, 1, 1, 0, 0, 1, 0),
        date(1970, 1, 1, 0, 0, 0, 0),
        date(2038, 1, 19, 3, 14, 7, 0),
        date(2038, 1, 19, 3, 14, 8, 0),
        ole_variant(std::wstring()),
        ole_variant(std::wstring(L"ab")),
        ole_variant(std::wstring(L"abc")),
        ole_variant(std::wstring(L"abcd")),
        ole_variant(std::wstring(L"ab  ")),
        ole_variant(std::wstring(L"it's")),
        ole_variant(std::wstring(L"a\\b")),
        ole_variant(std::wstring(L"\u00e9\u00e9\u00e9")),
        ole_variant(std::wstring(L"\u00e9\u00e9\u00e9\u00e9")),
        ole_variant(std::wstring(L"\u65e5\u672c")),
        ole_variant(std::wstring(L"caf\u00e9 \u20ac")),
        ole_variant(std::wstring(300, L'x')),
        ole_variant(std::wstring(L"Stra\u00dfe payment order M\u00fcller express \u6771\u4eac")),
        ole_variant(std::wstring(L"order's note\n\u00e9 and more text after the escapes")),
        ole_variant(std::wstring(L"12")),
        ole_variant(std::wstring(L"-7.5")),
        ole_variant(std::wstring(L"2024-01-01 10:00:00.123456")),
        ole_variant(std::wstring(L"2024-01-01 00:00:00.000001")),
        ole_variant(std::wstring(L"2038-01-19 03:14:07.999999")),
        ole_variant(std::wstring(L"1970-01-01 00:00:00.5")),
        ole_variant(std::vector<std::uint8_t>{1, 2, 3}),
    };
    struct target {
        const wchar_t* type;
        int vartype;
        const wchar_t* charset;
    };
    const target targets[] = {
        {L"INT", VT_I4, L""},
        {L"TINYINT UNSIGNED", VT_UI1, L""},
        {L"BIGINT", VT_I8, L""},
        {L"BIGINT UNSIGNED", VT_UI8, L""},
        {L"DECIMAL(5,2)", VT_DECIMAL, L""},
        {L"DECIMAL(12,2) UNSIGNED", VT_DECIMAL, L""},
        {L"DECIMAL(20,0)", VT_DECIMAL, L""},
        {L"DECIMAL(30,28)", VT_DECIMAL, L""},
        {L"FLOAT", VT_R4, L""},
        {L"DOUBLE", VT_R8, L""},
        {L"DATE", VT_DATE, L""},
        {L"DATETIME", VT_DATE, L""},
        {L"TIMESTAMP", VT_DATE, L""},
        {L"VARCHAR(3)", VT_BSTR, L""},
        {L"CHAR(2)", VT_BSTR, L""},
        {L"VARCHAR(3)", VT_BSTR, L"latin1"},
        {L"VARCHAR(40)", VT_BSTR, L"latin1"},
        {L"TINYTEXT", VT_BSTR, L""},
        {L"TINYTEXT", VT_BSTR, L"latin1"},
        {L"VARBINARY(2)", VT_BYTE_ARRAY, L""},
        {L"ENUM('a','b')", VT_BSTR, L""},
    };
    int told = 0;
    for (const target& to : targets) {
        for (const bool not_null : {false, true}) {
            t_ftd column = make_column(L"C", to.vartype, 40, not_null);
            column.native_type = to.type;
            const sql_value_check check(L"T", column, to.charset, not_null);
            std::string scratch;
            for (const ole_variant& value : values) {
                std::string literal;
                sql_literal_facts facts;
                try {
                    append_fld_str(literal, &value, &column, facts);
                } catch (const tk_exception&) {
                    continue;
                }
                told += facts.what != sql_literal_facts::form::unknown;
                const std::string where = tk_to_utf8(std::wstring(to.type)) + " " +
                                          tk_to_utf8(std::wstring(to.charset)) +
                                          (not_null ? " NOT NULL " : " ") + literal;
                const sql_value_check::verdict by_facts = check.check(literal, facts, scratch);
                const sql_value_check::verdict by_literal = check.check(literal);
                EXPECT_EQ(by_facts.number, by_literal.number) << where;
                EXPECT_EQ(by_facts.message, by_literal.message) << where;
                std::string form = "key:";
                const bool present = check.append_stored_form(literal, facts, form);
                EXPECT_EQ(present, !check.stored_form(literal).empty()) << where;
                if (present) {
                    EXPECT_EQ(form, "key:" + check.stored_form(literal)) << where;
                }
            }
        }
    }
    EXPECT_GT(told, 500);
}

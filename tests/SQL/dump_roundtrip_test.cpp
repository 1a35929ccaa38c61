// Dumps written from model records are replayed with the command-line client into the private
// server and read back: every value must come back as it went in.
#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <optional>

#include "SQL/dmp_database.h"
#include "SQL/sql_field.h"
#include "SQL/sql_test_env.h"
#include "SQL/sql_util.h"
#include "TK/tk_utils.h"
#include "UDB/udb_record.h"
#include "UDB/udb_recordset.h"
#include "variant/ole_date.h"

namespace {

using expected_cell = std::optional<std::string>;  // the server's text of the cell; none = NULL

struct column_case {
    t_ftd column;
    std::vector<ole_variant> values;   // one per row
    std::vector<expected_cell> cells;  // one per row
};

std::string utf8(const std::wstring& text) {
    return tk_to_utf8(text);
}

ole_variant date(const wchar_t* text) {
    return ole_date(std::wstring(text)).to_variant();
}

ole_variant bytes(std::initializer_list<std::uint8_t> list) {
    return ole_variant(std::vector<std::uint8_t>(list));
}

class dump_roundtrip_test : public sql_engine_test {
protected:
    void SetUp() override {
        sql_engine_test::SetUp();
        REQUIRE_TEST_SERVER();
        database = unique_db_name("dump");
    }

    void TearDown() override {
        if (!database.empty() && get_test_server().available) {
            std::string out;
            run_client_sql("drop database if exists `" + database + "`", out);
        }
        sql_engine_test::TearDown();
    }

    // Writes the tables with create_db on, replays the file and connects to the result.
    void replay(const std::string& file) {
        std::string out;
        ASSERT_EQ(run_client_file(file, "", out), 0) << out.substr(0, 2000);
        EXPECT_EQ(out, "");
        const test_server& s = get_test_server();
        engine->connect(s.host, s.user, s.password, s.port);
        ASSERT_EQ(mysql_select_db(engine->handle(), database.c_str()), 0);
    }

    // Every row of a table in key order: raw cells with their lengths, fields for the types.
    struct result_rows {
        std::vector<std::vector<expected_cell>> cells;
        std::vector<std::string> names;
        std::vector<std::vector<std::unique_ptr<sql_field>>> values;
    };

    result_rows select_all(const std::string& table, const std::string& order) {
        result_rows rows;
        const std::string sql = "select * from `" + table + "` order by `" + order + "`";
        MYSQL* h = engine->handle();
        EXPECT_EQ(mysql_real_query(h, sql.data(), sql.size()), 0) << mysql_error(h);
        MYSQL_RES* result = mysql_store_result(h);
        if (!result) return rows;
        const unsigned n = mysql_num_fields(result);
        MYSQL_FIELD* fields = mysql_fetch_fields(result);
        for (unsigned i = 0; i < n; ++i) rows.names.push_back(fields[i].name);
        while (MYSQL_ROW row = mysql_fetch_row(result)) {
            const unsigned long* lengths = mysql_fetch_lengths(result);
            std::vector<expected_cell> cells;
            std::vector<std::unique_ptr<sql_field>> values;
            for (unsigned i = 0; i < n; ++i) {
                cells.push_back(row[i] ? expected_cell(std::string(row[i], lengths[i]))
                                       : expected_cell());
                values.push_back(std::make_unique<sql_field>(tk_to_unicode(fields[i].name),
                                                             static_cast<int>(fields[i].type),
                                                             lengths[i], fields[i].flags, row[i]));
            }
            rows.cells.push_back(std::move(cells));
            rows.values.push_back(std::move(values));
        }
        mysql_free_result(result);
        return rows;
    }

    std::string database;
};

}  // namespace

TEST_F(dump_roundtrip_test, EveryValueTypeComesBackEqual) {
    engine->set_character_set(L"utf8mb4");
    engine->set_table_type(L"InnoDB");
    dump_options options;
    options.caption = "round trip";
    options.create_db = true;
    options.database = database;

    const std::wstring tricky = L"O'Brien \\ \"q\" ;-- `x` \r\n\ttab";
    const std::wstring unicode = L"\u00e9 \u00fc \u4e2d\u6587 \U0001F600 \U00010348";
    const ole_variant null;
    std::vector<column_case> cases;
    auto add = [&](const wchar_t* name, int vt, unsigned size, int dw,
                   std::vector<ole_variant> values, std::vector<expected_cell> cells) {
        column_case c{make_column(name, vt, size, false, dw), std::move(values), std::move(cells)};
        cases.push_back(std::move(c));
    };
    const expected_cell none;
    add(L"C_I1", VT_I1, 1, 0,
        {null, ole_variant(static_cast<char>(-128)), ole_variant(static_cast<char>(0))},
        {none, "-128", "0"});
    add(L"C_UI1", VT_UI1, 1, 0,
        {null, ole_variant(static_cast<unsigned char>(255)),
         ole_variant(static_cast<unsigned char>(0))},
        {none, "255", "0"});
    add(L"C_I2", VT_I2, 2, 0,
        {null, ole_variant(static_cast<short>(-32768)), ole_variant(static_cast<short>(0))},
        {none, "-32768", "0"});
    add(L"C_UI2", VT_UI2, 2, 0,
        {null, ole_variant(static_cast<unsigned short>(65535)),
         ole_variant(static_cast<unsigned short>(0))},
        {none, "65535", "0"});
    add(L"C_I4", VT_I4, 4, 0, {null, ole_variant(INT_MIN), ole_variant(0)},
        {none, "-2147483648", "0"});
    add(L"C_UI4", VT_UI4, 4, 0, {null, ole_variant(UINT_MAX), ole_variant(0u)},
        {none, "4294967295", "0"});
    add(L"C_I8", VT_I8, 8, 0,
        {null, ole_variant(static_cast<long long>(INT64_MIN)), ole_variant(0LL)},
        {none, "-9223372036854775808", "0"});
    add(L"C_UI8", VT_UI8, 8, 0,
        {null, ole_variant(static_cast<unsigned long long>(UINT64_MAX)), ole_variant(0ULL)},
        {none, "18446744073709551615", "0"});
    add(L"C_R4", VT_R4, 4, 0, {null, ole_variant(1.5f), ole_variant(0.0f)}, {none, "1.5", "0"});
    add(L"C_R8", VT_R8, 8, 0, {null, ole_variant(0.1), ole_variant(-2.5e300)},
        {none, "0.1", "-2.5e300"});
    add(L"C_CY", VT_CY, 8, 0,
        {null, ole_variant::from_string("12.34", VT_CY),
         ole_variant::from_string("-922337203685477.5808", VT_CY)},
        {none, "12.3400", "-922337203685477.5808"});
    add(L"C_DEC", VT_DECIMAL, 16, 20 * 256 + 4,
        {null, ole_variant::from_string("-123456789012.3456", VT_DECIMAL),
         ole_variant::from_string("0", VT_DECIMAL)},
        {none, "-123456789012.3456", "0.0000"});
    add(L"C_BOOL", VT_BOOL, 1, 0, {null, ole_variant(true), ole_variant(false)},
        {none, std::string("\x01", 1), std::string("\0", 1)});
    add(L"C_STR", VT_BSTR, 100, 0, {null, ole_variant(tricky), ole_variant(std::wstring())},
        {none, utf8(tricky), ""});
    add(L"C_TEXT", VT_BSTR, 10000, 0,
        {null, ole_variant(unicode), ole_variant(std::wstring(L"guid"))},
        {none, utf8(unicode), "guid"});
    add(L"C_BIN", VT_BLOB, 0, 0, {null, bytes({0, 1, 0, 255, 0}), bytes({})},
        {none, std::string("\0\x01\0\xff\0", 5), ""});
    add(L"C_DT", VT_DATE, 8, 1, {null, date(L"2024-01-31 10:20:30"), date(L"1900-01-01 00:00:01")},
        {none, "2024-01-31 10:20:30", "1900-01-01 00:00:01"});
    add(L"C_D", VT_DATE, 8, 2, {null, date(L"1999-12-31"), date(L"2000-02-29")},
        {none, "1999-12-31", "2000-02-29"});
    add(L"C_T", VT_DATE, 8, 3, {null, date(L"23:59:58"), date(L"00:00:01")},
        {none, "23:59:58", "00:00:01"});

    udb_schema columns;
    columns.add_field(make_column(L"ID", VT_I4, 4, true));
    for (const auto& c : cases) columns.add_field(c.column);
    udb_indexes keys;
    keys.push_back(udb_index(L"PK", false, true, {L"ID"}));

    // Hostile names: quotes and backticks, a reserved word, 70 characters.
    udb_schema hostile;
    hostile.add_field(make_column(L"select", VT_I4, 4, true));
    hostile.add_field(make_column(L"a`b", VT_BSTR, 20));
    hostile.add_field(make_column(L"q'x/\"y", VT_BSTR, 20));
    const std::wstring odd_table = L"we`ird 'tab\"le; drop database x";
    const std::wstring long_table(70, L'L');

    // Bulk rows: about 10 MB of text and binary data.
    const int bulk = 1600;
    std::wstring bulk_text;
    for (int i = 0; i < 600; ++i) bulk_text += L"ab\u00e9\u4e2d\U0001F600'\\";

    const std::string file = test_file_path("roundtrip.sql");
    {
        auto db = engine->create_dump(tk_to_unicode(file), options);
        {
            auto table = db->create_table(L"T", columns, keys);
            for (int row = 0; row < 3; ++row) {
                udb_record r;
                r.add_field(udb_field(L"ID", 4, ole_variant(row + 1)));
                for (const auto& c : cases)
                    r.add_field(udb_field(c.column.name, static_cast<int>(c.column.size),
                                          c.values[static_cast<std::size_t>(row)]));
                table->append_record(r);
            }
            for (int row = 0; row < bulk; ++row) {
                udb_record r;
                r.add_field(udb_field(L"ID", 4, ole_variant(1000 + row)));
                r.add_field(
                    udb_field(L"C_TEXT", 10000, ole_variant(bulk_text + std::to_wstring(row))));
                std::vector<std::uint8_t> blob(1500);
                for (std::size_t b = 0; b < blob.size(); ++b)
                    blob[b] =
                        static_cast<std::uint8_t>((b * 7 + static_cast<std::size_t>(row)) & 0xFF);
                r.add_field(udb_field(L"C_BIN", 0, ole_variant(blob)));
                for (const auto& c : cases)
                    if (c.column.name != L"C_TEXT" && c.column.name != L"C_BIN")
                        r.add_field(udb_field(c.column.name, 0, c.values[1]));
                table->append_record(r);
            }
        }
        {
            auto table = db->create_table(odd_table, hostile, udb_indexes());
            udb_record r;
            r.add_field(udb_field(L"select", 4, ole_variant(7)));
            r.add_field(udb_field(L"a`b", 20, ole_variant(std::wstring(L"back`tick"))));
            r.add_field(udb_field(L"q'x/\"y", 20, ole_variant(std::wstring(L"it's"))));
            table->append_record(r);
        }
        {
            auto table = db->create_table(long_table, hostile, udb_indexes());
            udb_record r;
            r.add_field(udb_field(L"select", 4, ole_variant(8)));
            r.add_field(udb_field(L"a`b", 20, ole_variant()));
            r.add_field(udb_field(L"q'x/\"y", 20, ole_variant(std::wstring(L"x"))));
            table->append_record(r);
        }
        db->close();
    }
    EXPECT_GT(read_file(file).size(), 10u * 1000 * 1000);
    replay(file);

    const result_rows rows = select_all("T", "ID");
    ASSERT_EQ(rows.cells.size(), static_cast<std::size_t>(3 + bulk));
    for (std::size_t row = 0; row < 3; ++row) {
        EXPECT_EQ(rows.cells[row][0], expected_cell(std::to_string(row + 1)));
        for (std::size_t c = 0; c < cases.size(); ++c) {
            EXPECT_EQ(rows.cells[row][c + 1], cases[c].cells[row])
                << "row " << row + 1 << " column " << utf8(cases[c].column.name);
        }
    }
    // The cells also come back as values of the column's type.
    EXPECT_EQ(rows.values[1][14]->vt(), VT_BSTR);
    EXPECT_EQ(rows.values[1][14]->to_wstring(), tricky);
    EXPECT_EQ(rows.values[1][15]->to_wstring(), unicode);
    EXPECT_EQ(rows.values[1][7]->i8(), INT64_MIN);
    EXPECT_EQ(rows.values[1][8]->ui8(), UINT64_MAX);
    EXPECT_EQ(rows.values[1][12]->vt(), VT_DECIMAL);
    EXPECT_TRUE(rows.values[1][13]->to_bool());
    EXPECT_FALSE(rows.values[2][13]->to_bool());
    EXPECT_EQ(rows.values[1][16]->vt(), VT_BYTE_ARRAY);
    EXPECT_EQ(rows.values[1][17]->vt(), VT_DATE);
    EXPECT_EQ(rows.values[0][5]->vt(), VT_EMPTY);
    for (int row = 0; row < bulk; ++row) {
        const auto& cells = rows.cells[3 + static_cast<std::size_t>(row)];
        ASSERT_EQ(cells[15], expected_cell(utf8(bulk_text + std::to_wstring(row)))) << row;
        ASSERT_TRUE(cells[16].has_value());
        ASSERT_EQ(cells[16]->size(), 1500u);
        EXPECT_EQ(static_cast<std::uint8_t>((*cells[16])[1]),
                  static_cast<std::uint8_t>((7 + row) & 0xFF));
    }

    const std::string odd = utf8(odd_table);
    std::string escaped;
    for (char ch : odd) escaped += ch == '`' ? std::string("``") : std::string(1, ch);
    const result_rows odd_rows = select_all(escaped, "select");
    ASSERT_EQ(odd_rows.cells.size(), 1u);
    EXPECT_EQ(odd_rows.names[1], "a_b");
    EXPECT_EQ(odd_rows.names[2], "q_x/_y");
    EXPECT_EQ(odd_rows.cells[0][1], expected_cell("back`tick"));
    EXPECT_EQ(odd_rows.cells[0][2], expected_cell("it's"));
    const result_rows long_rows = select_all(std::string(63, 'L'), "select");
    ASSERT_EQ(long_rows.cells.size(), 1u);
    EXPECT_EQ(long_rows.cells[0][0], expected_cell("8"));
    EXPECT_EQ(long_rows.cells[0][1], expected_cell());
}

TEST_F(dump_roundtrip_test, Latin1TargetKeepsAccentedLetters) {
    engine->set_character_set(L"latin1");
    dump_options options;
    options.create_db = true;
    options.database = database;
    options.unix_eol = 1;
    udb_schema columns;
    columns.add_field(make_column(L"ID", VT_I4, 4, true));
    columns.add_field(make_column(L"NAME", VT_BSTR, 40));
    const std::wstring name = L"Cr\u00e8me br\u00fbl\u00e9e \u00c5ngstr\u00f6m";
    const std::string file = test_file_path("latin1.sql");
    {
        auto db = engine->create_dump(tk_to_unicode(file), options);
        auto table = db->create_table(L"T", columns, udb_indexes());
        udb_record r;
        r.add_field(udb_field(L"ID", 4, ole_variant(1)));
        r.add_field(udb_field(L"NAME", 40, ole_variant(name)));
        table->append_record(r);
    }
    replay(file);
    const result_rows rows = select_all("T", "ID");
    ASSERT_EQ(rows.cells.size(), 1u);
    EXPECT_EQ(rows.cells[0][1], expected_cell(utf8(name)));
    std::string out;
    ASSERT_EQ(run_client_sql("select character_set_name from information_schema.columns where "
                             "table_schema='" +
                                 database + "' and column_name='NAME'",
                             out),
              0);
    EXPECT_EQ(out, "latin1\n");
}

// Values that a conversion must carry whole or refuse as their record's error, never change on
// the way: numbers narrowed by a mapping, texts read as dates, time stamps finer than MySQL
// keeps, LONG values holding a zero character, and texts MySQL cannot store.  Each case runs
// into a dump replayed on the test server and straight onto the server, with the same result.
#include <gtest/gtest.h>

#include <functional>

#include "TK/tk_utils.h"
#include "converter/converter_test_support.h"
#include "lite_engine.h"

namespace {

// A lone high surrogate as the source database stores it in its UTF-8 text.
const std::string k_lone_surrogate = "\xED\xA0\x80";

const std::vector<std::string> k_schema = {
    "CREATE TABLE NARROW (ID NUMBER(4), N12 NUMBER(12), R NUMBER, NEG NUMBER(12))",
    "INSERT INTO NARROW VALUES (1, 5000000000, 1, 1)",
    "INSERT INTO NARROW VALUES (2, 1, 3000000000, 1)",
    "INSERT INTO NARROW VALUES (3, 1, 1, -1)",
    "INSERT INTO NARROW VALUES (4, 2147483647, 2.5, 4294967295)",
    "INSERT INTO NARROW VALUES (5, -2147483648, -2.5, 0)",
    "CREATE TABLE TEXT_DATES (ID NUMBER(4), D VARCHAR2(40), TM VARCHAR2(40), DT VARCHAR2(40))",
    "INSERT INTO TEXT_DATES VALUES (1, '2024-01-31T10:20:30', NULL, NULL)",
    "INSERT INTO TEXT_DATES VALUES (2, '0001-01-01 00:00:00.5', NULL, NULL)",
    "INSERT INTO TEXT_DATES VALUES (3, '2024-01-31 no time', NULL, NULL)",
    "INSERT INTO TEXT_DATES VALUES (4, '2024-02-29', '10:20:30', '2024-01-31T10:20:30')",
    "INSERT INTO TEXT_DATES VALUES (5, '2024-01-31T00:00:00', '23:59:59', '31.01.2024 10:20:30')",
    "INSERT INTO TEXT_DATES VALUES (6, NULL, '2024-01-31 10:20:30', NULL)",
    "INSERT INTO TEXT_DATES VALUES (7, NULL, '10:20:30.5', NULL)",
    "INSERT INTO TEXT_DATES VALUES (8, NULL, NULL, '0001-01-01 00:00:00.5')",
    "INSERT INTO TEXT_DATES VALUES (9, NULL, NULL, '2024-01-31 10:20:30.123456')",
    "INSERT INTO TEXT_DATES VALUES (10, NULL, NULL, '2024-01-31 no time')",
    "INSERT INTO TEXT_DATES VALUES (11, NULL, NULL, '10:20:30')",
    "INSERT INTO TEXT_DATES VALUES (12, NULL, NULL, '2024-02-29')",
    "CREATE TABLE NANO (ID NUMBER(4), TS TIMESTAMP(9), T7 TIMESTAMP(7))",
    "INSERT INTO NANO VALUES (1, TIMESTAMP '2024-02-29 13:45:59.123456789', "
    "TIMESTAMP '2024-02-29 13:45:59.1234567')",
    "INSERT INTO NANO VALUES (2, TIMESTAMP '2024-12-31 23:59:59.999999500', "
    "TIMESTAMP '1999-12-31 23:59:59.9999995')",
    "INSERT INTO NANO VALUES (3, TIMESTAMP '2024-02-28 23:59:59.999999499', "
    "TIMESTAMP '2024-02-29 00:00:00.0000004')",
    "INSERT INTO NANO VALUES (4, TIMESTAMP '0001-01-01 00:00:00.000001000', "
    "TIMESTAMP '2024-01-01 00:00:00.1')",
    "INSERT INTO NANO VALUES (5, NULL, NULL)",
    // Oracle's calendar is Julian before October 1582: 1500 has a 29 February, and the day
    // after 1582-10-04 is 1582-10-15.
    "CREATE TABLE OLD_DATES (ID NUMBER(4), D DATE, TS TIMESTAMP(3), TZ TIMESTAMP WITH TIME ZONE)",
    "INSERT INTO OLD_DATES VALUES (1, DATE '1500-03-01' - 1, NULL, NULL)",
    "INSERT INTO OLD_DATES VALUES (2, DATE '1582-10-04' + 1, TIMESTAMP '1582-10-04 23:59:59.9996', "
    "TIMESTAMP '1582-10-15 01:00:00 +02:00')",
    "INSERT INTO OLD_DATES VALUES (3, TO_DATE('1000-01-01 08:00', 'YYYY-MM-DD HH24:MI'), "
    "TIMESTAMP '1500-03-01 12:30:00.25', TIMESTAMP '1500-03-02 01:00:00 +02:00')",
    "INSERT INTO OLD_DATES VALUES (4, NULL, TIMESTAMP '1500-02-29 12:30:00.25', NULL)",
    "CREATE TABLE LONGS (ID NUMBER(4), L LONG)",
    "INSERT INTO LONGS VALUES (1, 'a'||chr(0)||'b')",
    "INSERT INTO LONGS VALUES (2, chr(0)||chr(0)||'tail')",
    "INSERT INTO LONGS VALUES (3, 'plain')",
};

class value_fidelity_test : public conversion_test {
protected:
    static void SetUpTestSuite() {
        s_inst = std::make_unique<ora_test_instance>();
        s_inst->add_user("VAL", "val");
        s_inst->run("VAL", "val", k_schema);
        s_inst->with_session("VAL", "val", [](lite_session& s) {
            s.execute("CREATE TABLE SURR (ID NUMBER(4), V VARCHAR2(10), L LONG, C CLOB)");
            auto add = s.prepare("INSERT INTO SURR VALUES (:1, :2, :3, :4)");
            const std::string odd = "a" + k_lone_surrogate + "b";
            // Two surrogates written each on its own, in order, are the one character they
            // form (U+1F600).
            const std::string pair = "\xED\xA0\xBD\xED\xB8\x80";
            const std::string row[][3] = {{odd, "x", "x"},
                                          {"x", odd, "x"},
                                          {"x", "x", odd},
                                          {"ok", "fine" + pair, "whole" + pair}};
            for (int i = 0; i < 4; ++i) {
                add->bind_int64(1, i + 1);
                for (int c = 0; c < 3; ++c) add->bind_text(c + 2, row[i][c]);
                add->execute();
            }
            // A column wider than a fetched UTF-8 length may count is read in UTF-16.
            s.execute("CREATE TABLE WIDE_SURR (ID NUMBER(4), W VARCHAR2(30000))");
            auto wide = s.prepare("INSERT INTO WIDE_SURR VALUES (:1, :2)");
            wide->bind_int64(1, 1);
            wide->bind_text(2, odd);
            wide->execute();
            wide->bind_int64(1, 2);
            wide->bind_text(2, "w" + pair);
            wide->execute();
            // Longer than a two-byte length counts, with a zero character inside.
            auto long_row = s.prepare("INSERT INTO LONGS VALUES (4, :1)");
            long_row->bind_text(
                1, std::string(40000, 'x') + std::string(1, '\0') + std::string(39999, 'y'));
            long_row->execute();
            // LONG values beyond any buffer a reader could size ahead: a million characters and
            // one (a euro sign of three bytes at its end), and three megabytes.
            s.execute("CREATE TABLE LONGER (ID NUMBER(4), L LONG)");
            auto longer = s.prepare("INSERT INTO LONGER VALUES (:1, :2)");
            longer->bind_int64(1, 1);
            longer->bind_text(2, std::string(1000000, 'm') + "\xE2\x82\xAC");
            longer->execute();
            longer->bind_int64(1, 2);
            std::string three_mb;
            for (int i = 0; three_mb.size() < 3 * 1024 * 1024; ++i)
                three_mb += std::to_string(i % 10) + "abcdefghi";
            longer->bind_text(2, three_mb + "end");
            longer->execute();
            s.execute("INSERT INTO LONGER VALUES (3, 'short')");
            s.execute("INSERT INTO LONGER VALUES (4, NULL)");
        });
    }
    static void TearDownTestSuite() { s_inst.reset(); }

    void SetUp() override {
        conversion_test::SetUp();
        connect_source(*s_inst, L"VAL", L"val");
    }

    // Runs the conversion into a dump replayed on the server and straight onto the server, and
    // calls `check` for each database with the errors and lines of that run.
    void on_both_roads(const char* stem, const std::function<void(const std::string&)>& check) {
        const std::string dump = run_to_dump(stem);
        const std::string from_dump = database(stem);
        replay(dump, from_dump);
        {
            SCOPED_TRACE("dump");
            check(from_dump);
        }
        handler->errors.clear();
        front->lines.clear();
        const std::string live = database((std::string(stem) + "_live").c_str());
        to_server(live);
        (*conv)();
        SCOPED_TRACE("live");
        check(live);
    }

    // The values of a column, in ID order, joined by '|'.
    std::string column(const std::string& db, const std::string& table, const std::string& col) {
        std::string out;
        EXPECT_EQ(run_client_sql("select group_concat(ifnull(" + col + ",'NULL') order by ID " +
                                     "separator '|') from `" + db + "`.`" + table + "`",
                                 out),
                  0)
            << out;
        while (!out.empty() && out.back() == '\n') out.pop_back();
        return out;
    }

    // Expects exactly the record errors of `refused` (record number and column, in order) for
    // `table`, each at level 0 and holding `part`.
    void expect_refused(const std::string& table,
                        const std::vector<std::pair<int, std::string>>& refused,
                        const std::string& part = std::string()) {
        ASSERT_EQ(handler->errors.size(), refused.size());
        for (std::size_t i = 0; i < refused.size(); ++i) {
            const std::string& text = handler->errors[i].text;
            EXPECT_EQ(handler->errors[i].level, 0) << text;
            for (const std::string& want :
                 {table + ", record #" + std::to_string(refused[i].first) + ":",
                  "column '" + refused[i].second + "'", part}) {
                EXPECT_NE(text.find(want), std::string::npos) << text;
            }
        }
    }

    static inline std::unique_ptr<ora_test_instance> s_inst;
};

TEST_F(value_fidelity_test, a_mapping_that_narrows_a_number_keeps_it_or_refuses_its_record) {
    REQUIRE_TEST_SERVER();
    conv->selected_tables = {L"NARROW"};
    sql_table_mutator& table = conv->get_table_mutator(L"NARROW", L"NARROW");
    table.update_field(L"N12", L"N12", native(L"INT"));
    table.update_field(L"R", L"R", native(L"INT"));
    table.update_field(L"NEG", L"NEG", native(L"INT UNSIGNED"));
    on_both_roads("narrow", [&](const std::string& db) {
        expect_refused("NARROW", {{1, "N12"}, {2, "R"}, {3, "NEG"}},
                       "Data conversion is not supported for given type mapping");
        EXPECT_EQ(column(db, "NARROW", "ID"), "4|5");
        EXPECT_EQ(column(db, "NARROW", "N12"), "2147483647|-2147483648");
        EXPECT_EQ(column(db, "NARROW", "R"), "3|-3");
        EXPECT_EQ(column(db, "NARROW", "NEG"), "4294967295|0");
    });
}

TEST_F(value_fidelity_test, time_stamps_finer_than_microseconds_arrive_rounded_and_counted) {
    REQUIRE_TEST_SERVER();
    conv->selected_tables = {L"NANO"};
    on_both_roads("nano", [&](const std::string& db) {
        EXPECT_TRUE(handler->errors.empty()) << handler->errors.front().text;
        EXPECT_EQ(column(db, "NANO", "TS"),
                  "2024-02-29 13:45:59.123457|2025-01-01 00:00:00.000000|"
                  "2024-02-28 23:59:59.999999|0001-01-01 00:00:00.000001|NULL");
        EXPECT_EQ(column(db, "NANO", "T7"),
                  "2024-02-29 13:45:59.123457|2000-01-01 00:00:00.000000|"
                  "2024-02-29 00:00:00.000000|2024-01-01 00:00:00.100000|NULL");
        int ts = 0, t7 = 0;
        for (const std::wstring& line : front->lines) {
            if (line == L"Table 'NANO', column 'TS': 3 values rounded to microseconds\n") ++ts;
            if (line == L"Table 'NANO', column 'T7': 3 values rounded to microseconds\n") ++t7;
        }
        EXPECT_EQ(ts, 1);
        EXPECT_EQ(t7, 1);
    });
}

TEST_F(value_fidelity_test, dates_before_the_calendar_reform_keep_the_days_oracle_shows) {
    REQUIRE_TEST_SERVER();
    conv->selected_tables = {L"OLD_DATES"};
    on_both_roads("old_dates", [&](const std::string& db) {
        expect_refused("OLD_DATES", {{1, "D"}, {4, "TS"}}, "29 February of a Julian leap year");
        EXPECT_EQ(column(db, "OLD_DATES", "ID"), "2|3");
        EXPECT_EQ(column(db, "OLD_DATES", "D"), "1582-10-15 00:00:00|1000-01-01 08:00:00");
        EXPECT_EQ(column(db, "OLD_DATES", "TS"), "1582-10-15 00:00:00.000|1500-03-01 12:30:00.250");
        // A zone moves the instant by Oracle's days, back over the reform too.
        EXPECT_EQ(column(db, "OLD_DATES", "TZ"),
                  "1582-10-04 23:00:00.000000|1500-03-01 23:00:00.000000");
    });
}

TEST_F(value_fidelity_test, a_long_value_arrives_whole_with_its_zero_characters) {
    REQUIRE_TEST_SERVER();
    conv->selected_tables = {L"LONGS"};
    on_both_roads("longs", [&](const std::string& db) {
        EXPECT_TRUE(handler->errors.empty()) << handler->errors.front().text;
        EXPECT_EQ(column(db, "LONGS", "hex(substr(L, 1, 8))"),
                  "610062|00007461696C|706C61696E|7878787878787878");
        EXPECT_EQ(column(db, "LONGS", "length(L)"), "3|6|5|80000");
        EXPECT_EQ(column(db, "LONGS", "hex(substr(L, 40000, 3))"), "|||780079");
    });
}

TEST_F(value_fidelity_test, a_long_value_of_megabytes_arrives_whole) {
    REQUIRE_TEST_SERVER();
    conv->selected_tables = {L"LONGER"};
    on_both_roads("longer", [&](const std::string& db) {
        EXPECT_TRUE(handler->errors.empty()) << handler->errors.front().text;
        EXPECT_EQ(column(db, "LONGER", "char_length(L)"), "1000001|3145733|5|NULL");
        // Each value compared whole with what was stored.
        EXPECT_EQ(column(db, "LONGER",
                         "L = case ID when 1 then concat(repeat('m', 1000000), '\u20ac') "
                         "when 2 then concat(repeat('0abcdefghi1abcdefghi2abcdefghi3abcdefghi"
                         "4abcdefghi5abcdefghi6abcdefghi7abcdefghi8abcdefghi9abcdefghi', 31457), "
                         "'0abcdefghi1abcdefghi2abcdefghi', 'end') else 'short' end"),
                  "1|1|1|NULL");
    });
}

TEST_F(value_fidelity_test, a_lone_surrogate_is_its_record_error_in_every_text_column) {
    REQUIRE_TEST_SERVER();
    conv->selected_tables = {L"SURR"};
    on_both_roads("surr", [&](const std::string& db) {
        expect_refused("SURR", {{1, "V"}, {2, "L"}, {3, "C"}}, "lone UTF-16 surrogate");
        EXPECT_EQ(column(db, "SURR", "ID"), "4");
        // "okfine", U+1F600, "whole", U+1F600 in UTF-8.
        EXPECT_EQ(column(db, "SURR", "hex(concat(V,L,C))"),
                  "6F6B66696E65F09F988077686F6C65F09F9880");
    });
}

TEST_F(value_fidelity_test, a_text_read_as_a_date_keeps_every_part_or_refuses_its_record) {
    REQUIRE_TEST_SERVER();
    conv->selected_tables = {L"TEXT_DATES"};
    sql_table_mutator& table = conv->get_table_mutator(L"TEXT_DATES", L"TEXT_DATES");
    table.update_field(L"D", L"D", native(L"DATE"));
    table.update_field(L"TM", L"TM", native(L"TIME"));
    table.update_field(L"DT", L"DT", native(L"DATETIME"));
    on_both_roads("text_dates", [&](const std::string& db) {
        // A time for a DATE, a date or a fraction for a TIME or a DATETIME, words after a date,
        // a time without a date for a DATETIME: each its record's error, naming the column.
        expect_refused("TEXT_DATES", {{1, "D"},
                                      {2, "D"},
                                      {3, "D"},
                                      {6, "TM"},
                                      {7, "TM"},
                                      {8, "DT"},
                                      {9, "DT"},
                                      {10, "DT"},
                                      {11, "DT"}});
        EXPECT_EQ(column(db, "TEXT_DATES", "ID"), "4|5|12");
        EXPECT_EQ(column(db, "TEXT_DATES", "D"), "2024-02-29|2024-01-31|NULL");
        EXPECT_EQ(column(db, "TEXT_DATES", "TM"), "10:20:30|23:59:59|NULL");
        EXPECT_EQ(column(db, "TEXT_DATES", "DT"),
                  "2024-01-31 10:20:30|2024-01-31 10:20:30|2024-02-29 00:00:00");
    });
}

TEST_F(value_fidelity_test, a_lone_surrogate_in_a_wide_text_column_is_its_record_error) {
    REQUIRE_TEST_SERVER();
    conv->selected_tables = {L"WIDE_SURR"};
    on_both_roads("wide_surr", [&](const std::string& db) {
        expect_refused("WIDE_SURR", {{1, "W"}}, "lone UTF-16 surrogate");
        EXPECT_EQ(column(db, "WIDE_SURR", "hex(W)"), "77F09F9880");
    });
}

}  // namespace

// QUILLRUN carrying values whose Oracle types have no MySQL twin: numbers beyond a double's
// digits, every time stamp precision and zone form, and the intervals.  Each case runs from a
// profile into a dump replayed on the test server and straight onto the server.
#include <gtest/gtest.h>

#include <functional>

#include "TK/tk_utils.h"
#include "agent/agent_test_support.h"
#include "converter/tabshift_convertor.h"

namespace {

const std::vector<std::string> k_tables = {
    "CREATE TABLE BIGNUM (ID NUMBER(4), N NUMBER)",
    "INSERT INTO BIGNUM VALUES (1, 12345678901234567)",
    "INSERT INTO BIGNUM VALUES (2, 7)",
    "INSERT INTO BIGNUM VALUES (3, -12345678901234567890.125)",
    "INSERT INTO BIGNUM VALUES (4, NULL)",
    "CREATE TABLE STAMPS (ID NUMBER(4), T TIMESTAMP, T0 TIMESTAMP(0), T1 TIMESTAMP(1), "
    "T2 TIMESTAMP(2), T3 TIMESTAMP(3), T4 TIMESTAMP(4), T5 TIMESTAMP(5), T6 TIMESTAMP(6), "
    "T7 TIMESTAMP(7), T8 TIMESTAMP(8), T9 TIMESTAMP(9), TZ TIMESTAMP WITH TIME ZONE, "
    "TZ0 TIMESTAMP(0) WITH TIME ZONE, TZ9 TIMESTAMP(9) WITH TIME ZONE, "
    "LTZ TIMESTAMP WITH LOCAL TIME ZONE, LTZ3 TIMESTAMP(3) WITH LOCAL TIME ZONE, "
    "YM INTERVAL YEAR TO MONTH, YM4 INTERVAL YEAR(4) TO MONTH, DS INTERVAL DAY TO SECOND, "
    "DS0 INTERVAL DAY(3) TO SECOND(0), DS9 INTERVAL DAY(9) TO SECOND(9))",
};

class agent_value_types_test : public agent_test {
protected:
    static void SetUpTestSuite() {
        agent_test::SetUpTestSuite();
        s_demo->run("DEMO", "demo", k_tables);
    }

    // What one run of QUILLRUN left: its result and the database holding its rows.
    struct road {
        const char* name;
        agent_result result;
        std::string db;
    };

    // Runs a profile of `tables` (changed by `adjust`) into a dump replayed on the server, then
    // straight onto the server.
    std::vector<road> both_roads(const char* stem, const std::vector<std::wstring>& tables,
                                 const std::function<void(tabshift_convertor&)>& adjust = {}) {
        std::vector<road> roads;
        const std::string dump = work + "/" + stem + ".sql";
        const std::string dump_profile = work + "/" + stem + "_dump.kvt";
        EXPECT_TRUE(
            store_categories_profile(dump_profile, dump, L"DEMO", [&](tabshift_convertor& conv) {
                conv.selected_tables = tables;
                if (adjust) adjust(conv);
            }));
        road from_dump{"dump", run({"--profile=" + dump_profile}), new_database(stem)};
        std::string out;
        EXPECT_EQ(
            run_client_sql("create database `" + from_dump.db + "` character set utf8mb4", out), 0)
            << out;
        EXPECT_EQ(run_client_file(dump, from_dump.db, out), 0) << out.substr(0, 2000);
        roads.push_back(from_dump);

        const std::string live_db = new_database((std::string(stem) + "_live").c_str());
        const std::string live_profile = work + "/" + stem + "_live.kvt";
        const test_server& s = get_test_server();
        EXPECT_TRUE(
            store_categories_profile(live_profile, "", L"DEMO", [&](tabshift_convertor& conv) {
                conv.selected_tables = tables;
                conv.mysql_direct = true;
                conv.m_destination_name = tk_to_unicode(live_db);
                conv.store_mysql_settings(s.host, s.user, s.password, std::to_string(s.port));
                if (adjust) adjust(conv);
            }));
        roads.push_back(road{"live", run({"--profile=" + live_profile}), live_db});
        return roads;
    }

    // The values of a column, in ID order, joined by '|'.
    std::string column(const std::string& db, const std::string& table, const std::string& col) {
        return server_value("select group_concat(ifnull(" + col + ",'NULL') order by ID " +
                            "separator '|') from `" + db + "`.`" + table + "`");
    }

    // The number of times `part` occurs in `text`.
    static std::size_t count_of(const std::string& text, const std::string& part) {
        std::size_t n = 0;
        for (std::size_t at = text.find(part); at != std::string::npos;
             at = text.find(part, at + 1))
            ++n;
        return n;
    }
};

TEST_F(agent_value_types_test, a_number_beyond_a_double_tells_the_mapping_that_carries_it) {
    REQUIRE_TEST_SERVER();
    for (const road& r : both_roads("bignum", {L"BIGNUM"})) {
        SCOPED_TRACE(r.name);
        EXPECT_EQ(r.result.status, 1) << r.result.out;
        EXPECT_EQ(count_of(r.result.out, "Error:\n"), 2u) << r.result.out;
        for (const std::string& want :
             {std::string("BIGNUM, record #1:"),
              std::string("column 'N': value '12345678901234567'"),
              std::string("map the column to DECIMAL(38,0) (in the type mapping or a profile)"),
              std::string("BIGNUM, record #3:"), std::string("value '-12345678901234567890.125'"),
              std::string("map the column to DECIMAL(38,3)")}) {
            EXPECT_NE(r.result.out.find(want), std::string::npos) << want << "\n" << r.result.out;
        }
        EXPECT_EQ(column(r.db, "BIGNUM", "ID"), "2|4");
    }
}

TEST_F(agent_value_types_test, a_decimal_mapping_carries_a_number_beyond_a_double_exactly) {
    REQUIRE_TEST_SERVER();
    const auto to_decimal = [](int scale) {
        return [scale](tabshift_convertor& conv) {
            sql_native_type decimal;
            decimal.type = L"DECIMAL";
            decimal.precision = 38;
            decimal.scale = scale;
            conv.get_table_mutator(L"BIGNUM", L"BIGNUM").update_field(L"N", L"N", decimal);
        };
    };
    for (const road& r : both_roads("bigdec0", {L"BIGNUM"}, to_decimal(0))) {
        SCOPED_TRACE(r.name);
        // The fraction the mapping has no room for is still refused, with the type that has.
        EXPECT_EQ(r.result.status, 1) << r.result.out;
        EXPECT_EQ(count_of(r.result.out, "Error:\n"), 1u) << r.result.out;
        EXPECT_NE(r.result.out.find("BIGNUM, record #3:"), std::string::npos) << r.result.out;
        EXPECT_NE(r.result.out.find("does not fit the mapped DECIMAL(38,0); map the column to "
                                    "DECIMAL(38,3)"),
                  std::string::npos)
            << r.result.out;
        EXPECT_EQ(server_value("select column_type from information_schema.columns where "
                               "table_schema='" +
                               r.db +
                               "' and table_name='BIGNUM' and "
                               "column_name='N'"),
                  "decimal(38,0)");
        EXPECT_EQ(column(r.db, "BIGNUM", "N"), "12345678901234567|7|NULL");
    }
    for (const road& r : both_roads("bigdec3", {L"BIGNUM"}, to_decimal(3))) {
        SCOPED_TRACE(r.name);
        EXPECT_EQ(r.result.status, 0) << r.result.out;
        EXPECT_EQ(column(r.db, "BIGNUM", "N"),
                  "12345678901234567.000|7.000|-12345678901234567890.125|NULL");
    }
    // A 64-bit integer holds the whole number too, and refuses the one with a fraction.
    const auto to_bigint = [](tabshift_convertor& conv) {
        sql_native_type bigint;
        bigint.type = L"BIGINT";
        conv.get_table_mutator(L"BIGNUM", L"BIGNUM").update_field(L"N", L"N", bigint);
    };
    for (const road& r : both_roads("bigint", {L"BIGNUM"}, to_bigint)) {
        SCOPED_TRACE(r.name);
        EXPECT_EQ(r.result.status, 1) << r.result.out;
        EXPECT_EQ(count_of(r.result.out, "Error:\n"), 1u) << r.result.out;
        EXPECT_NE(r.result.out.find("BIGNUM, record #3:"), std::string::npos) << r.result.out;
        EXPECT_NE(r.result.out.find("map the column to DECIMAL(38,3)"), std::string::npos)
            << r.result.out;
        EXPECT_EQ(column(r.db, "BIGNUM", "N"), "12345678901234567|7|NULL");
    }
}

TEST_F(agent_value_types_test, every_time_stamp_and_interval_form_arrives_as_mapped) {
    REQUIRE_TEST_SERVER();
    const std::string stamp = "TIMESTAMP '2024-02-29 13:45:59.123456789'";
    std::string all = "INSERT INTO STAMPS VALUES (1";
    for (int i = 0; i < 11; ++i) all += ", " + stamp;
    all +=
        ", TIMESTAMP '2024-03-01 01:30:00.250 +02:00', TIMESTAMP '2024-03-01 01:30:00.5 +02:00'"
        ", TIMESTAMP '2023-12-31 23:30:00.123456789 -01:00', " +
        stamp + ", " + stamp +
        ", '+12-03', '-1234-11', '+01 02:03:04.500000', '-123 04:05:06', "
        "'+999999999 23:59:59.999999999')";
    s_demo->run(
        "DEMO", "demo",
        {all, "INSERT INTO STAMPS (ID) VALUES (2)",
         // Rounded to the microseconds a DATETIME keeps, past the last year it holds.
         "INSERT INTO STAMPS (ID, T9) VALUES (3, TIMESTAMP '9999-12-31 23:59:59.9999999')"});
    for (const road& r : both_roads("stamps", {L"STAMPS"})) {
        SCOPED_TRACE(r.name);
        EXPECT_EQ(r.result.status, 1) << r.result.out;
        std::string types, values;
        for (const char* c :
             {"T",  "T0",  "T1",  "T2",  "T3",   "T4", "T5",  "T6", "T7",  "T8", "T9",
              "TZ", "TZ0", "TZ9", "LTZ", "LTZ3", "YM", "YM4", "DS", "DS0", "DS9"}) {
            types += server_value(
                         "select column_type from information_schema.columns where "
                         "table_schema='" +
                         r.db +
                         "' and table_name='STAMPS' and "
                         "column_name='" +
                         c + "'") +
                     "\n";
            values += column(r.db, "STAMPS", c) + "\n";
        }
        EXPECT_EQ(types,
                  "datetime(6)\ndatetime\ndatetime(1)\ndatetime(2)\ndatetime(3)\ndatetime(4)\n"
                  "datetime(5)\ndatetime(6)\ndatetime(6)\ndatetime(6)\ndatetime(6)\n"
                  "datetime(6)\ndatetime\ndatetime(6)\ndatetime(6)\ndatetime(3)\n"
                  "varchar(30)\nvarchar(30)\nvarchar(30)\nvarchar(30)\nvarchar(30)\n")
            << r.result.out;
        // Each precision keeps its digits, rounded as a store rounds them; beyond six the
        // microseconds a DATETIME keeps. A zone's value arrives as the instant in UTC.
        EXPECT_EQ(values,
                  "2024-02-29 13:45:59.123457|NULL\n"
                  "2024-02-29 13:45:59|NULL\n"
                  "2024-02-29 13:45:59.1|NULL\n"
                  "2024-02-29 13:45:59.12|NULL\n"
                  "2024-02-29 13:45:59.123|NULL\n"
                  "2024-02-29 13:45:59.1235|NULL\n"
                  "2024-02-29 13:45:59.12346|NULL\n"
                  "2024-02-29 13:45:59.123457|NULL\n"
                  "2024-02-29 13:45:59.123457|NULL\n"
                  "2024-02-29 13:45:59.123457|NULL\n"
                  "2024-02-29 13:45:59.123457|NULL\n"
                  "2024-02-29 23:30:00.250000|NULL\n"
                  "2024-02-29 23:30:01|NULL\n"
                  "2024-01-01 00:30:00.123457|NULL\n"
                  "2024-02-29 13:45:59.123457|NULL\n"
                  "2024-02-29 13:45:59.123|NULL\n"
                  "+12-03|NULL\n"
                  "-1234-11|NULL\n"
                  "+01 02:03:04.500000|NULL\n"
                  "-123 04:05:06|NULL\n"
                  "+999999999 23:59:59.999999999|NULL\n");
        EXPECT_EQ(count_of(r.result.out, "Error:\n"), 1u) << r.result.out;
        for (const char* part :
             {"STAMPS, record #3:", "column 'T9': value '9999-12-31 23:59:59.999999900'",
              "outside the years 1 to 9999"}) {
            EXPECT_NE(r.result.out.find(part), std::string::npos) << part << r.result.out;
        }
        for (const char* line :
             {"Table 'STAMPS', column 'T7': 1 value rounded to microseconds\n",
              "Table 'STAMPS', column 'T9': 1 value rounded to microseconds\n",
              "Table 'STAMPS', column 'TZ9': 1 value rounded to microseconds\n"}) {
            EXPECT_NE(r.result.out.find(line), std::string::npos) << line << r.result.out;
        }
    }
}

}  // namespace

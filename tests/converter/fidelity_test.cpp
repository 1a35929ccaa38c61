// The value road end to end: awkward values, keys and names, and the type zoo, converted from the
// embedded Oracle into a dump and onto the live test server and compared cell by cell with the
// source; the dump replayed in a session whose SQL mode reads quotes and backslashes otherwise
// gives the same rows and creates nothing else.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <sstream>

#include "TK/tk_utils.h"
#include "converter/converter_test_support.h"
#include "lite_engine.h"

namespace {

const std::string k_long_1 =
    "LONG_NAME_TABLE_ABCDEFGHIJKLMNOPQRSTUVWXYZ_ABCDEFGHIJKLMNOPQRSTUVWXYZ_1";
const std::string k_long_2 =
    "LONG_NAME_TABLE_ABCDEFGHIJKLMNOPQRSTUVWXYZ_ABCDEFGHIJKLMNOPQRSTUVWXYZ_2";

const std::vector<std::string> k_fidelity_schema = {
    "CREATE TABLE EDGE (ID NUMBER(4) PRIMARY KEY, NEG NUMBER(8,-3), SP NUMBER(3,5), "
    "N19 NUMBER(19), N20 NUMBER(20), BIGD NUMBER(38,10), D302 NUMBER(30,2), BF BINARY_FLOAT, "
    "V VARCHAR2(40), C CLOB, G VARCHAR2(60), EB BLOB, EC CLOB, TS6 TIMESTAMP(6), "
    "TSTZ TIMESTAMP(3) WITH TIME ZONE, TSLTZ TIMESTAMP WITH LOCAL TIME ZONE, "
    "IYM INTERVAL YEAR(2) TO MONTH, IDS INTERVAL DAY(2) TO SECOND(6), U VARCHAR2(40 CHAR), "
    "T VARCHAR2(100))",
    "CREATE TABLE RAW_KEYS (K RAW(16) PRIMARY KEY, R RAW(8), N NUMBER(10) DEFAULT 0, "
    "L CLOB)",
    "CREATE INDEX RAW_KEYS_R ON RAW_KEYS (R)",
    "INSERT INTO RAW_KEYS (K, R) VALUES (HEXTORAW('00FF00FF00FF00FF00FF00FF00FF00FF'), "
    "HEXTORAW('0A0B'))",
    "INSERT INTO RAW_KEYS (K, R, N, L) VALUES (HEXTORAW('01'), NULL, 7, 'x')",
    "CREATE TABLE \"" + k_long_1 + "\" (ID NUMBER(4), \"NAME \" VARCHAR2(10), " +
        "\"SMILE\xF0\x9F\x98\x80\" VARCHAR2(10))",
    "CREATE TABLE \"" + k_long_2 + "\" (ID NUMBER(4))",
    "INSERT INTO \"" + k_long_1 + "\" VALUES (1, 'a', 'b')",
    "INSERT INTO \"" + k_long_2 + "\" VALUES (2)",
    // Forty-digit arithmetic on the way in: the migrated digits are the source's, all of them.
    "CREATE TABLE WIDE (ID NUMBER(4) PRIMARY KEY, N38 NUMBER(38), D3810 NUMBER(38,10))",
    "INSERT INTO WIDE VALUES (1, 12345678901234567890123456789012345678, "
    "1234567890123456789012345678.1234567891)",
    "INSERT INTO WIDE VALUES (2, -99999999999999999999999999999999999999, "
    "-9999999999999999999999999999.9999999999)",
    "INSERT INTO WIDE SELECT 3, N38 - 1, D3810 / 3 FROM WIDE WHERE ID = 1",
};

// Two tables whose names differ only in case, one of them with mixed-case columns: Oracle keeps
// them apart, and so does a server whose table names are case-sensitive.
const std::vector<std::string> k_mixed_case_schema = {
    "CREATE TABLE \"Mixed\" (\"id\" NUMBER(4) PRIMARY KEY, \"Label\" VARCHAR2(10) NOT NULL, "
    "QTY NUMBER(5))",
    "CREATE TABLE MIXED (ID NUMBER(4), NOTE VARCHAR2(10))",
    "CREATE INDEX \"Mixed_qty\" ON \"Mixed\" (QTY)",
    "INSERT INTO \"Mixed\" VALUES (1, 'one', 10)",
    "INSERT INTO \"Mixed\" VALUES (2, 'two', NULL)",
    "INSERT INTO MIXED VALUES (7, 'upper')",
};

// A statement that would run if a value could end its literal early.
const std::string k_hostile_text = "it\\'s'); DROP TABLE RAW_KEYS; --";

class fidelity_test : public conversion_test {
protected:
    static void SetUpTestSuite() {
        s_inst = std::make_unique<ora_test_instance>();
        s_inst->add_user("FID", "fid");
        s_inst->run("FID", "fid", k_fidelity_schema);
        s_inst->with_session("FID", "fid", [](lite_session& s) {
            auto add = s.prepare(
                "INSERT INTO EDGE VALUES (:1, :2, :3, :4, :5, :6, :7, :8, :9, :10, :11, "
                "EMPTY_BLOB(), EMPTY_CLOB(), TIMESTAMP '2024-02-29 13:45:59.123456', "
                "TIMESTAMP '2024-03-01 01:30:00.250 +02:00', "
                "TIMESTAMP '2024-02-29 13:45:59.500000', :12, :13, :14, :15)");
            add->bind_int64(1, 1);
            add->bind_text(2, "99999999000");
            add->bind_text(3, "0.00123");
            add->bind_text(4, "9999999999999999999");
            add->bind_text(5, "-99999999999999999999");
            add->bind_text(6, "123456789012345678901234567.1234567891");
            add->bind_text(7, "9999999999999999999999999999.99");
            add->bind_text(8, "3.1415927");
            add->bind_text(9, std::string("a\0b", 3));
            add->bind_text(10, std::string("x\0\0y", 4));
            add->bind_text(11, "guid{6F9619FF-8B86-D011-B42D-00C04FC964FF}");
            add->bind_text(12, "+01-02");
            add->bind_text(13, "+03 04:05:06.500000");
            add->bind_text(14, "\xF0\x9F\x98\x80 four-byte \xE2\x82\xAC");
            add->bind_text(15, k_hostile_text);
            add->execute();
            s.execute("INSERT INTO EDGE (ID) VALUES (2)");
            s.execute(
                "INSERT INTO EDGE (ID, NEG, SP, N19, N20, BIGD, D302, BF, TS6, TSTZ) VALUES (3, "
                "-1000, -0.00001, -9999999999999999999, 0, -0.0000000001, -0.01, -1.0E-30, "
                "TIMESTAMP '0001-01-01 00:00:00.000001', "
                "TIMESTAMP '2023-12-31 23:30:00.000 -01:00')");
        });
        s_inst->add_user("MIX", "mix");
        s_inst->run("MIX", "mix", k_mixed_case_schema);
        s_inst->add_user("ZOO", "zoo");
        s_inst->run_script(
            "ZOO", "zoo", std::string(TW_SOURCE_DIR) + "/tests/platform/oralite/data/type_zoo.sql");
        s_inst->with_session("ZOO", "zoo", [](lite_session& s) {
            s.execute(
                "UPDATE ZOO_TIME SET IYM = '+99-11', IDS = '+99 23:59:59.999999' WHERE ID = 1");
            s.execute(
                "UPDATE ZOO_TIME SET IYM = '-01-01', IDS = '+03 04:05:06.500000' WHERE ID = 2");
        });
    }
    static void TearDownTestSuite() { s_inst.reset(); }

    // Replays the dump in a session whose SQL mode reads backslashes as plain characters and
    // double quotes as name quotes, as a server configured so would start it.
    void replay_in_hostile_mode(const std::string& dump, const std::string& database) {
        const std::string copy = dump + ".hostile.sql";
        {
            std::ofstream out(copy, std::ios::binary);
            out << "SET SESSION sql_mode='NO_BACKSLASH_ESCAPES,ANSI_QUOTES';\n" << read_file(dump);
        }
        std::string out;
        ASSERT_EQ(run_client_sql("create database `" + database + "` character set utf8mb4", out),
                  0)
            << out;
        const int status = run_client_file(copy, database, out);
        std::remove(copy.c_str());
        ASSERT_EQ(status, 0) << out.substr(0, 2000);
        EXPECT_EQ(out, "");
    }

    std::string scalar(const std::string& sql) {
        std::string out;
        EXPECT_EQ(run_client_sql(sql, out), 0) << out;
        while (!out.empty() && out.back() == '\n') out.pop_back();
        return out;
    }

    // Everything of the FID tables that a destination database must hold.
    void expect_fid_tables(const std::string& db) {
        SCOPED_TRACE(db);
        for (const char* table : {"EDGE", "RAW_KEYS", "WIDE"}) {
            SCOPED_TRACE(table);
            // No source column is left out.
            EXPECT_TRUE(expect_same_table(*s_inst, "FID", "fid", table, db, table).empty());
        }
        // The RAW key keeps its primary key and index; NUMBER(10) keeps its default.
        EXPECT_EQ(scalar("select group_concat(index_name order by index_name) from "
                         "information_schema.statistics where table_schema='" +
                         db + "' and table_name='RAW_KEYS'"),
                  "PRIMARY,RAW_KEYS_R");
        EXPECT_EQ(scalar("select column_default from information_schema.columns where "
                         "table_schema='" +
                         db + "' and table_name='RAW_KEYS' and column_name='N'"),
                  "0");
        // Two long names, two tables; the names the server refuses are repaired.
        const std::vector<std::string> tables = server_tables(db);
        ASSERT_EQ(tables.size(), 5u);
        EXPECT_EQ(tables[0], "EDGE");
        EXPECT_EQ(tables[3], "RAW_KEYS");
        EXPECT_EQ(tables[4], "WIDE");
        EXPECT_NE(tables[1], tables[2]);
        int long_rows = 0;
        for (std::size_t i = 1; i <= 2; ++i) {
            EXPECT_LE(tables[i].size(), 64u);
            EXPECT_EQ(tables[i].rfind("LONG_NAME_TABLE_", 0), 0u);
            long_rows += static_cast<int>(server_count(db, tables[i]));
        }
        EXPECT_EQ(long_rows, 2);
        EXPECT_EQ(scalar("select group_concat(column_name order by ordinal_position) from "
                         "information_schema.columns where table_schema='" +
                         db + "' and column_name like 'SMILE%'"),
                  "SMILE_");
        EXPECT_EQ(scalar("select count(*) from information_schema.columns where table_schema='" +
                         db + "' and column_name = 'NAME'"),
                  "1");
        EXPECT_EQ(scalar("select concat(N38, ' ', D3810) from `" + db + "`.WIDE where ID = 3"),
                  "12345678901234567890123456789012345677 "
                  "411522630041152263004115226.0411522630");
    }

    static inline std::unique_ptr<ora_test_instance> s_inst;
};

TEST_F(fidelity_test, every_case_arrives_in_a_dump_replayed_anywhere_and_on_the_server) {
    REQUIRE_TEST_SERVER();
    connect_source(*s_inst, L"FID", L"fid");
    conv->selected_tables = conv->get_all_tables();
    ASSERT_EQ(conv->selected_tables.size(), 5u);
    const std::string dump = run_to_dump("fidelity");
    EXPECT_TRUE(handler->errors.empty()) << handler->errors.front().text;

    const std::string plain = database("fid_dump");
    replay(dump, plain);
    expect_fid_tables(plain);

    const std::string hostile = database("fid_hostile");
    replay_in_hostile_mode(dump, hostile);
    expect_fid_tables(hostile);
    EXPECT_EQ(server_tables(hostile), server_tables(plain));

    const std::string live = database("fid_live");
    run_to_server(live);
    EXPECT_TRUE(handler->errors.empty()) << handler->errors.front().text;
    expect_fid_tables(live);
}

TEST_F(fidelity_test, tables_apart_only_by_case_arrive_apart) {
    REQUIRE_TEST_SERVER();
    connect_source(*s_inst, L"MIX", L"mix");
    conv->selected_tables = conv->get_all_tables();
    ASSERT_EQ(conv->selected_tables.size(), 2u);
    const auto check = [&](const std::string& db) {
        SCOPED_TRACE(db);
        EXPECT_TRUE(handler->errors.empty()) << handler->errors.front().text;
        // Destination names are kept apart without regard to case, so the twin that comes
        // second is renamed; its rows and columns are the mixed-case table's.
        const std::vector<std::string> tables = server_tables(db);
        ASSERT_EQ(tables.size(), 2u);
        EXPECT_EQ(tables[0], "MIXED");
        const std::string& mixed = tables[1];
        EXPECT_EQ(mixed.rfind("Mixed", 0), 0u) << mixed;
        EXPECT_TRUE(expect_same_table(*s_inst, "MIX", "mix", "Mixed", db, mixed).empty());
        EXPECT_TRUE(expect_same_table(*s_inst, "MIX", "mix", "MIXED", db, "MIXED").empty());
        EXPECT_EQ(scalar("select group_concat(column_name order by ordinal_position) from "
                         "information_schema.columns where table_schema='" +
                         db + "' and table_name='" + mixed + "'"),
                  "id,Label,QTY");
        EXPECT_EQ(scalar("select group_concat(index_name order by index_name) from "
                         "information_schema.statistics where table_schema='" +
                         db + "' and table_name='" + mixed + "'"),
                  "Mixed_qty,PRIMARY");
    };
    const std::string dump = run_to_dump("fidelity_mixed");
    const std::string plain = database("mix_dump");
    replay(dump, plain);
    check(plain);

    const std::string live = database("mix_live");
    run_to_server(live);
    check(live);
}

TEST_F(fidelity_test, the_type_zoo_arrives_whole) {
    REQUIRE_TEST_SERVER();
    connect_source(*s_inst, L"ZOO", L"zoo");
    conv->selected_tables = conv->get_all_tables();
    const std::vector<std::wstring> tables = conv->selected_tables;
    ASSERT_EQ(tables.size(), 6u);
    const auto check = [&](const std::string& db) {
        SCOPED_TRACE(db);
        // The one column no reader carries is the user's to know about.
        ASSERT_EQ(handler->errors.size(), 1u);
        EXPECT_NE(handler->errors[0].text.find("Table 'ZOO_MISC': column 'BF'"), std::string::npos)
            << handler->errors[0].text;
        EXPECT_EQ(server_tables(db).size(), tables.size());
        for (const std::wstring& table : tables) {
            const std::string name = tk_to_utf8(table);
            SCOPED_TRACE(name);
            if (name == "ZOO_MISC") {
                EXPECT_EQ(server_count(db, name), 1);
                continue;
            }
            EXPECT_TRUE(expect_same_table(*s_inst, "ZOO", "zoo", name, db, name).empty());
        }
    };
    const std::string dump = run_to_dump("fidelity_zoo");
    const std::string plain = database("zoo_dump");
    replay(dump, plain);
    check(plain);

    handler->errors.clear();
    const std::string live = database("zoo_live");
    run_to_server(live);
    check(live);
}

}  // namespace

// The live session against a server that limits it: a value larger than the server's
// max_allowed_packet costs its own record only.  These tests reconfigure a server of their own,
// so that the suite's shared server keeps its settings.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <string>

#include "SQL/sql_database.h"
#include "SQL/sql_errors.h"
#include "SQL/sql_exception.h"
#include "SQL/sql_test_env.h"
#include "UDB/udb_record.h"
#include "UDB/udb_recordset.h"

namespace {

constexpr unsigned long k_small_packet = 1048576;

class sql_session_faults_test : public sql_engine_test {
protected:
    static void SetUpTestSuite() {
        s_server = std::make_unique<private_test_server>("tw_session_");
        std::string out;
        if (s_server->facts.available)
            s_server->sql("set global max_allowed_packet=" + std::to_string(k_small_packet), out);
    }
    static void TearDownTestSuite() { s_server.reset(); }
    void SetUp() override {
        sql_engine_test::SetUp();
        REQUIRE_SERVER(s_server->facts);
        const test_server& s = s_server->facts;
        engine->connect(s.host, s.user, s.password, s.port);
        std::string out;
        s_server->sql("drop database if exists packet_db", out);
        db = engine->create_and_open_db(L"packet_db");
    }
    void TearDown() override {
        db.reset();
        sql_engine_test::TearDown();
    }

    static udb_schema text_table() {
        udb_schema fields;
        fields.add_field(make_column(L"ID", VT_I4, 4, true));
        fields.add_field(make_column(L"TXT", VT_BSTR, 20000000));
        return fields;
    }

    // Appends (id, text of `length` characters); the error it raises, or "".
    static std::string append(udb_recordset& table, int id, std::size_t length) {
        udb_record row;
        row.add_field(udb_field(L"ID", 4, ole_variant(id)));
        row.add_field(udb_field(L"TXT", 20000000, ole_variant(std::wstring(length, L'v'))));
        try {
            table.append_record(row);
            return "";
        } catch (const tk_exception& e) {
            EXPECT_EQ(e.level(), 0);
            return e.message();
        }
    }

    static udb_schema blob_table() {
        udb_schema fields;
        fields.add_field(make_column(L"ID", VT_I4, 4, true));
        fields.add_field(make_column(L"DATA", VT_BYTE_ARRAY, 20000000));
        return fields;
    }

    // The bytes of row `id`, `length` of them, different in every row and place.
    static std::uint8_t byte_of(int id, std::size_t i) {
        return static_cast<std::uint8_t>((i * 131 + i / 977 + static_cast<std::size_t>(id)) & 0xFF);
    }

    // The server's CRC32 of those bytes, to compare a value without reading it back whole.
    static std::string crc_of(int id, std::size_t length) {
        std::uint32_t crc = 0xFFFFFFFFu;
        for (std::size_t i = 0; i < length; ++i) {
            crc ^= byte_of(id, i);
            for (int bit = 0; bit < 8; ++bit) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
        }
        return std::to_string(crc ^ 0xFFFFFFFFu);
    }

    // Appends (id, `length` bytes); the error it raises, or "".
    static std::string append_blob(udb_recordset& table, int id, std::size_t length) {
        udb_record row;
        row.add_field(udb_field(L"ID", 4, ole_variant(id)));
        ole_variant data;
        std::uint8_t* bytes = data.allocate_bytes(length);
        for (std::size_t i = 0; i < length; ++i) bytes[i] = byte_of(id, i);
        row.add_field(udb_field(L"DATA", 20000000, data));
        try {
            table.append_record(row);
            return "";
        } catch (const sql_row_errors& e) {
            std::string text;
            for (const sql_record_error& error : e.errors())
                text += "#" + std::to_string(error.record()) + " " + error.text() + "\n";
            return text;
        } catch (const tk_exception& e) {
            EXPECT_EQ(e.level(), 0);
            return e.message();
        }
    }

    std::unique_ptr<udb_database> db;
    static inline std::unique_ptr<private_test_server> s_server;
};

TEST_F(sql_session_faults_test, the_session_knows_the_servers_packet_limit) {
    EXPECT_EQ(engine->max_packet(), k_small_packet);
}

TEST_F(sql_session_faults_test, a_value_over_the_packet_limit_costs_its_record_only) {
    for (const bool batched : {true, false}) {
        SCOPED_TRACE(batched ? "batched" : "one statement per row");
        engine->fast_append_mode = batched;
        const std::wstring name = batched ? L"BATCHED" : L"SINGLE";
        {
            auto table = db->create_table(name, text_table(), udb_indexes());
            EXPECT_EQ(append(*table, 1, 10), "");
            // Rows that fill most of a packet, then one that takes the statement past it.
            EXPECT_EQ(append(*table, 2, 600000), "");
            EXPECT_EQ(append(*table, 3, 600000), "");
            const std::string refused = append(*table, 4, 2 * k_small_packet);
            EXPECT_NE(refused.find("max_allowed_packet"), std::string::npos) << refused;
            EXPECT_EQ(append(*table, 5, 10), "");
            table->flush();
        }
        const std::string table = "packet_db." + std::string(name.begin(), name.end());
        EXPECT_EQ(s_server->value("select group_concat(ID order by ID) from " + table), "1,2,3,5");
    }
    // The connection is still there for the next table.
    EXPECT_TRUE(db->create_table(L"NEXT", text_table(), udb_indexes()) != nullptr);
}

// A binary value travels apart from its row's text: one whose hex text would pass the packet
// limit still arrives, whole, between rows that are batched as before.
TEST_F(sql_session_faults_test, a_long_binary_value_arrives_whole_in_its_place) {
    for (const bool batched : {true, false}) {
        SCOPED_TRACE(batched ? "batched" : "one statement per row");
        engine->fast_append_mode = batched;
        const std::wstring name = batched ? L"BLOBS_BATCHED" : L"BLOBS_SINGLE";
        const std::size_t sizes[] = {10, 700000, 20, 900000, 30};
        {
            udb_indexes keys;
            keys.push_back(udb_index(L"PK", false, true, {L"ID"}));
            auto table = db->create_table(name, blob_table(), keys);
            for (int id = 1; id <= 5; ++id)
                EXPECT_EQ(append_blob(*table, id, sizes[id - 1]), "") << "row " << id;
            // A long value whose key is taken is told as its record's, like any other row.
            const std::string twice = append_blob(*table, 2, 800000);
            table->flush();
            EXPECT_EQ(twice.rfind("#6 Duplicate entry '2' for key 'PRIMARY'", 0), 0u) << twice;
        }
        const std::string table = "packet_db." + std::string(name.begin(), name.end());
        std::string expected;
        for (int id = 1; id <= 5; ++id)
            expected += (id > 1 ? "," : "") + std::to_string(id) + ":" +
                        std::to_string(sizes[id - 1]) + ":" + crc_of(id, sizes[id - 1]);
        EXPECT_EQ(s_server->value("select group_concat(ID, ':', length(DATA), ':', crc32(DATA) "
                                  "order by ID) from " +
                                  table),
                  expected);
    }
}

TEST_F(sql_session_faults_test, a_long_value_through_a_lost_connection_fails_the_table) {
    for (const bool batched : {true, false}) {
        SCOPED_TRACE(batched ? "batched" : "one statement per row");
        engine->fast_append_mode = batched;
        auto table = db->create_table(batched ? L"LOST_BATCHED" : L"LOST_SINGLE", blob_table(),
                                      udb_indexes());
        auto* live = dynamic_cast<sql_database*>(db.get());
        ASSERT_NE(live, nullptr);
        std::string out;
        const long long session = live->query_scalar(L"SELECT CONNECTION_ID()");
        ASSERT_EQ(s_server->sql("kill " + std::to_string(session), out), 0) << out;
        udb_record row;
        row.add_field(udb_field(L"ID", 4, ole_variant(1)));
        ole_variant data;
        std::fill_n(data.allocate_bytes(700000), 700000, std::uint8_t{7});
        row.add_field(udb_field(L"DATA", 20000000, data));
        EXPECT_THROW(table->append_record(row), sql_rows_lost);
        table.reset();
        live->resume_session();
    }
}

TEST_F(sql_session_faults_test, a_lost_connection_tells_how_many_rows_reached_the_server) {
    engine->fast_append_mode = true;
    auto table = db->create_table(L"LOST", text_table(), udb_indexes());
    // 17 rows of 60,000 characters pass the batch size and go out; the server confirms them
    // before the statement below runs.  The three after them wait in the next batch.
    for (int id = 1; id <= 20; ++id) EXPECT_EQ(append(*table, id, 60000), "");
    auto* live = dynamic_cast<sql_database*>(db.get());
    ASSERT_NE(live, nullptr);
    const long long session = live->query_scalar(L"SELECT CONNECTION_ID()");
    std::string out;
    ASSERT_EQ(s_server->sql("kill " + std::to_string(session), out), 0) << out;
    try {
        table->flush();
        FAIL() << "the rows went through a killed connection";
    } catch (const sql_rows_lost& e) {
        EXPECT_TRUE(e.is_connection_lost()) << e.what();
        EXPECT_EQ(e.written(), 17);
        EXPECT_NE(e.message().find("17 rows of table 'LOST' had reached the server"),
                  std::string::npos)
            << e.message();
    }
    table.reset();
    EXPECT_EQ(s_server->value("select count(*) from packet_db.LOST"), "17");
    // The next piece of work finds the session again.
    live->resume_session();
    EXPECT_EQ(live->query_scalar(L"select count(*) from LOST"), 17);
}

}  // namespace

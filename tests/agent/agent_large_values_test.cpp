// QUILLRUN on a table of BLOBs of 20 MB: into a dump and onto the server, every byte arrives,
// and the dump's memory is a few times the value, not the table nor a multiple of the rows.
#include <sqlite3.h>
#include <sys/resource.h>
#include <sys/wait.h>

#include <array>
#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

#include "agent/agent_test_support.h"
#include "test_sanitizer.h"

namespace {

constexpr int k_rows = 2;
constexpr std::size_t k_value_bytes = 20000000;

// The value of row `id`: bytes of a generator seeded with the row, every value of a byte taken.
std::vector<std::uint8_t> value_of(int id) {
    std::vector<std::uint8_t> bytes(k_value_bytes);
    std::uint64_t state = 0x9E3779B97F4A7C15ULL * static_cast<std::uint64_t>(id);
    for (std::uint8_t& b : bytes) {
        state ^= state << 13;
        state ^= state >> 7;
        state ^= state << 17;
        b = static_cast<std::uint8_t>(state >> 24);
    }
    return bytes;
}

// The CRC-32 the server's CRC32() gives.
std::uint32_t crc32_of(const std::vector<std::uint8_t>& bytes) {
    std::array<std::uint32_t, 256> table{};
    for (std::uint32_t i = 0; i < 256; ++i) {
        std::uint32_t c = i;
        for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320U ^ (c >> 1) : c >> 1;
        table[i] = c;
    }
    std::uint32_t crc = 0xFFFFFFFFU;
    for (std::uint8_t b : bytes) crc = table[(crc ^ b) & 0xFF] ^ (crc >> 8);
    return crc ^ 0xFFFFFFFFU;
}

class agent_large_values_test : public agent_test {
protected:
    static void SetUpTestSuite() {
        agent_test::SetUpTestSuite();
        s_demo->run("DEMO", "demo",
                    {"CREATE TABLE BIG_VALUES (ID NUMBER(10) NOT NULL PRIMARY KEY, DATA BLOB)"});
        // Straight into the schema's file: the engine's loader takes no 20 MB literal.
        sqlite3* db = nullptr;
        ASSERT_EQ(sqlite3_open((s_demo->dir() + "/DEMO.db").c_str(), &db), SQLITE_OK);
        sqlite3_stmt* insert = nullptr;
        ASSERT_EQ(
            sqlite3_prepare_v2(db, "INSERT INTO BIG_VALUES VALUES (?, ?)", -1, &insert, nullptr),
            SQLITE_OK)
            << sqlite3_errmsg(db);
        for (int id = 1; id <= k_rows; ++id) {
            const std::vector<std::uint8_t> bytes = value_of(id);
            s_expected += std::to_string(id) + "\t" + std::to_string(bytes.size()) + "\t" +
                          std::to_string(crc32_of(bytes)) + "\n";
            sqlite3_bind_int(insert, 1, id);
            sqlite3_bind_blob(insert, 2, bytes.data(), static_cast<int>(bytes.size()),
                              SQLITE_TRANSIENT);
            EXPECT_EQ(sqlite3_step(insert), SQLITE_DONE) << sqlite3_errmsg(db);
            sqlite3_reset(insert);
        }
        sqlite3_finalize(insert);
        sqlite3_close(db);
    }

    // Runs QUILLRUN on BIG_VALUES to its end; `peak_kib` receives its peak resident memory.
    agent_result run_measured(std::vector<std::string> args, long& peak_kib) {
        const std::string list = work + "/list.txt";
        std::ofstream(list) << "BIG_VALUES\n";
        args.push_back("--tab_file=" + list);
        const agent_process process = start(args);
        agent_result result;
        int wstatus = 0;
        struct rusage usage {};
        if (process.pid <= 0 || wait4(process.pid, &wstatus, 0, &usage) != process.pid)
            return result;
        peak_kib = usage.ru_maxrss;
        result.status = WIFEXITED(wstatus) ? WEXITSTATUS(wstatus) : -1000;
        result.out = read_file(process.out_path);
        result.err = read_file(process.err_path);
        return result;
    }

    // Every row of BIG_VALUES in `db` of the server: its id, length and CRC-32.
    std::string rows_in(const std::string& db) {
        return server_value("SELECT ID, LENGTH(DATA), CRC32(DATA) FROM `" + db +
                            "`.BIG_VALUES ORDER BY ID");
    }

    static inline std::string s_expected;
};

TEST_F(agent_large_values_test, twenty_megabyte_blobs_arrive_whole_and_the_dump_stays_small) {
    if (!get_test_server().available) GTEST_SKIP() << get_test_server().reason;
    const std::string dump = work + "/big.sql";
    long dump_peak = 0;
    agent_result r = run_measured({"--src=DEMO", "--oraclu=DEMO", "--oraclp=demo", "--view_owned",
                                   "--silent", "--dump", "--dest=" + dump},
                                  dump_peak);
    ASSERT_EQ(r.status, 0) << r.out << r.err;
    const std::string from_dump = new_database("big_dump");
    std::string out;
    ASSERT_EQ(run_client_sql("create database `" + from_dump + "`", out), 0) << out;
    ASSERT_EQ(run_client_file(dump, from_dump, out), 0) << out.substr(0, 2000);
    EXPECT_EQ(rows_in(from_dump) + "\n", s_expected);

    const std::string live = new_database("big_live");
    ASSERT_EQ(run_client_sql("create database `" + live + "`", out), 0) << out;
    long live_peak = 0;
    std::vector<std::string> args = server_args(live);
    args.push_back("--silent");
    r = run_measured(args, live_peak);
    ASSERT_EQ(r.status, 0) << r.out << r.err;
    EXPECT_EQ(rows_in(live) + "\n", s_expected);

    // Under AddressSanitizer the shadow memory and the freed-memory quarantine dwarf the
    // program's own.  About three times the largest value, with a margin for the program itself.
    if (!k_address_sanitizer) {
        EXPECT_LT(dump_peak, 110L * 1024) << "KiB at the peak of the dump";
    }
}

}  // namespace

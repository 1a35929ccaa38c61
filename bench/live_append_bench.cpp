// Live writing speed against replaying a dump: the same 1,000,000 mixed rows written into a MySQL
// server through sql_table's batched path, and, side by side, written into a dump file that the
// command-line client then replays ("mariadb < dump.sql", timed alone).  Both report rows/s.
// Needs a server: bench/live-bench.sh starts a private one, passes its facts in TW_MYSQL_HOST,
// TW_MYSQL_PORT, TW_MYSQL_USER, TW_MYSQL_PASSWORD and TW_MYSQL_CLIENT, and prints the ratio.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "SQL/dmp_database.h"
#include "SQL/sql_engine.h"
#include "UDB/udb_database.h"
#include "UDB/udb_recordset.h"
#include "mixed_rows.h"

namespace {

constexpr int k_rows = 1000000;
constexpr int k_pool = 1024;

std::string env(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

void connect(sql_engine& engine) {
    engine.connect(env("TW_MYSQL_HOST"), env("TW_MYSQL_USER"), env("TW_MYSQL_PASSWORD"),
                   std::atoi(env("TW_MYSQL_PORT").c_str()));
}

std::string client_command(const std::string& file) {
    return "'" + env("TW_MYSQL_CLIENT") + "' --no-defaults --protocol=TCP -h " +
           env("TW_MYSQL_HOST") + " -P " + env("TW_MYSQL_PORT") + " -u '" + env("TW_MYSQL_USER") +
           "' '-p" + env("TW_MYSQL_PASSWORD") + "' < '" + file + "'";
}

void report(benchmark::State& state) {
    state.counters["rows/s"] =
        benchmark::Counter(static_cast<double>(k_rows) * static_cast<double>(state.iterations()),
                           benchmark::Counter::kIsRate);
}

void BM_live_batched(benchmark::State& state) {
    sql_engine engine;
    connect(engine);
    const udb_schema schema = bench::mixed_schema();
    const udb_indexes keys = bench::mixed_keys();
    auto pool = bench::mixed_pool(k_pool);
    for (auto _ : state) {
        state.PauseTiming();
        if (engine.is_db_exist(L"tw_live_bench")) engine.db_delete(L"tw_live_bench");
        auto db = engine.create_and_open_db(L"tw_live_bench");
        state.ResumeTiming();
        engine.fast_append_mode = true;
        auto table = db->create_table(L"BENCH", schema, keys);
        for (int i = 0; i < k_rows; ++i) table->append_record(bench::mixed_row(pool, i));
        table->flush();
    }
    engine.db_delete(L"tw_live_bench");
    report(state);
}

void BM_dump_replay(benchmark::State& state) {
    sql_engine engine;
    const udb_schema schema = bench::mixed_schema();
    const udb_indexes keys = bench::mixed_keys();
    auto pool = bench::mixed_pool(k_pool);
    const std::string path = "/tmp/live_append_bench.sql";
    for (auto _ : state) {
        state.PauseTiming();
        {
            dump_options options;
            options.caption = "live benchmark";
            options.create_db = true;
            options.database = "tw_dump_bench";
            auto db = engine.create_dump(std::wstring(path.begin(), path.end()), options);
            auto table = db->create_table(L"BENCH", schema, keys);
            for (int i = 0; i < k_rows; ++i) table->append_record(bench::mixed_row(pool, i));
            table.reset();
            db->close();
        }
        state.ResumeTiming();
        if (std::system(client_command(path).c_str()) != 0) state.SkipWithError("replay failed");
    }
    std::remove(path.c_str());
    report(state);
}

}  // namespace

BENCHMARK(BM_live_batched)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_dump_replay)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

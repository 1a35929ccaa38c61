// Dump-file writing speed: 1,000,000 rows of mixed types from records held in memory, written
// through dmp_database / dmp_recordset as the conversion run writes them.  Reports MB/s of file
// written.  Run by hand: build/bench/dmp_dump_bench [--benchmark_filter=...]
#include <benchmark/benchmark.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "SQL/dmp_database.h"
#include "SQL/sql_engine.h"
#include "UDB/udb_recordset.h"
#include "mixed_rows.h"

namespace {

constexpr int k_rows = 1000000;
constexpr int k_pool = 1024;

void BM_dump_mixed_rows(benchmark::State& state) {
    sql_engine engine;
    const udb_schema schema = bench::mixed_schema();
    const udb_indexes keys = bench::mixed_keys();
    auto pool = bench::mixed_pool(k_pool);

    const std::string path = "/tmp/dmp_dump_bench.sql";
    long long bytes_written = 0;
    for (auto _ : state) {
        {
            dump_options options;
            options.caption = "dump benchmark";
            auto db = engine.create_dump(std::wstring(path.begin(), path.end()), options);
            auto table = db->create_table(L"BENCH", schema, keys);
            for (int i = 0; i < k_rows; ++i) table->append_record(bench::mixed_row(pool, i));
            table.reset();
            db->close();
        }
        std::FILE* f = std::fopen(path.c_str(), "rb");
        if (f) {
            std::fseek(f, 0, SEEK_END);
            bytes_written += std::ftell(f);
            std::fclose(f);
        }
    }
    std::remove(path.c_str());
    state.SetBytesProcessed(bytes_written);
    state.counters["rows/s"] =
        benchmark::Counter(static_cast<double>(k_rows) * static_cast<double>(state.iterations()),
                           benchmark::Counter::kIsRate);
    state.counters["MB/s"] =
        benchmark::Counter(static_cast<double>(bytes_written) / 1e6, benchmark::Counter::kIsRate);
}

}  // namespace

BENCHMARK(BM_dump_mixed_rows)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

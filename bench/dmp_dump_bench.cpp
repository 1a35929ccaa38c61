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
#include "UDB/udb_record.h"
#include "UDB/udb_recordset.h"
#include "variant/ole_date.h"

namespace {

constexpr int k_rows = 1000000;
constexpr int k_pool = 1024;

t_ftd column(const wchar_t* name, int vt, unsigned size, int dw = 0) {
    return t_ftd(size, name, vt, false, false, ole_variant(), dw, L"");
}

void BM_dump_mixed_rows(benchmark::State& state) {
    sql_engine engine;
    udb_schema schema;
    schema.add_field(column(L"ID", VT_I4, 4));
    schema.add_field(column(L"NAME", VT_BSTR, 40));
    schema.add_field(column(L"NOTE", VT_BSTR, 2000));
    schema.add_field(column(L"AMOUNT", VT_DECIMAL, 16, 18 * 256 + 2));
    schema.add_field(column(L"RATIO", VT_R8, 8));
    schema.add_field(column(L"BIG", VT_I8, 8));
    schema.add_field(column(L"FLAG", VT_BOOL, 1));
    schema.add_field(column(L"CREATED", VT_DATE, 8, 1));
    schema.add_field(column(L"PAYLOAD", VT_BLOB, 64));
    udb_indexes keys;
    keys.push_back(udb_index(L"PK", false, true, {L"ID"}));

    std::vector<std::unique_ptr<udb_record>> pool;
    for (int i = 0; i < k_pool; ++i) {
        auto r = std::make_unique<udb_record>();
        r->add_field(udb_field(L"ID", 4, ole_variant(i)));
        r->add_field(
            udb_field(L"NAME", 40, ole_variant(L"Name " + std::to_wstring(i) + L" O'Neil")));
        r->add_field(udb_field(
            L"NOTE", 2000,
            ole_variant(i % 3 ? std::wstring(L"caf\u00e9 \\ note ") + std::to_wstring(i * 7)
                              : std::wstring())));
        r->add_field(udb_field(L"AMOUNT", 16,
                               ole_variant::from_string(std::to_string(i) + ".25", VT_DECIMAL)));
        r->add_field(udb_field(L"RATIO", 8, ole_variant(i / 7.0)));
        r->add_field(udb_field(L"BIG", 8, ole_variant(static_cast<long long>(i) * 1000000007LL)));
        r->add_field(udb_field(L"FLAG", 1, ole_variant(i % 2 == 0)));
        r->add_field(
            udb_field(L"CREATED", 8, ole_date(std::wstring(L"2024-03-15 12:34:56")).to_variant()));
        std::vector<std::uint8_t> bytes(32);
        for (std::size_t b = 0; b < bytes.size(); ++b)
            bytes[b] = static_cast<std::uint8_t>(b * 13 + static_cast<std::size_t>(i));
        r->add_field(udb_field(L"PAYLOAD", 64, ole_variant(bytes)));
        pool.push_back(std::move(r));
    }

    const std::string path = "/tmp/dmp_dump_bench.sql";
    long long bytes_written = 0;
    for (auto _ : state) {
        {
            dump_options options;
            options.caption = "dump benchmark";
            auto db = engine.create_dump(std::wstring(path.begin(), path.end()), options);
            auto table = db->create_table(L"BENCH", schema, keys);
            for (int i = 0; i < k_rows; ++i) {
                udb_record& r = *pool[static_cast<std::size_t>(i % k_pool)];
                static_cast<ole_variant&>(r[0]) = ole_variant(i);
                table->append_record(r);
            }
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

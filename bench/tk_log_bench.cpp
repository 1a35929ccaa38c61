// What a log call costs when its level is below the threshold: it sits in every per-row loop, so
// it must stay a few branches with no formatting.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <string>

#include "TK/tk_logger.h"

namespace {

std::string bench_log_path() {
    return "/tmp/tk_log_bench." + std::to_string(getpid()) + ".log";
}

void below_threshold_narrow(benchmark::State& state) {
    std::string path = bench_log_path();
    tk_logger logger(path.c_str(), true, 3, false);
    tk_log(3, "start");  // the one-time truncation is behind us
    int row = 0;
    for (auto _ : state) {
        tk_log(1, "ora_query_results::fetch row=%d table=%s value=%f", ++row, "EMP", 1.5);
        benchmark::ClobberMemory();
    }
    unlink(path.c_str());
}
BENCHMARK(below_threshold_narrow);

void below_threshold_wide(benchmark::State& state) {
    std::string path = bench_log_path();
    tk_logger logger(path.c_str(), true, 3, false);
    tk_log(3, "start");
    long long row = 0;
    for (auto _ : state) {
        tk_wlog(2, L"sql_table::append_record (%s) row=%I64d", L"EMP", ++row);
        benchmark::ClobberMemory();
    }
    unlink(path.c_str());
}
BENCHMARK(below_threshold_wide);

void disabled_logger(benchmark::State& state) {
    tk_logger logger(nullptr, false, 3, false);
    int row = 0;
    for (auto _ : state) {
        tk_log(3, "Converting table '%s' (%d records)\n", "EMP", ++row);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(disabled_logger);

}  // namespace

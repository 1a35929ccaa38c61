// The per-cell costs of the value type: text in from a reader, text out to a writer.
#include <benchmark/benchmark.h>

#include <string>

#include "variant/ole_variant.h"

static void BM_FromWstringDecimal(benchmark::State& state) {
    const std::wstring text = L"123456789012.345678";
    for (auto _ : state) benchmark::DoNotOptimize(ole_variant::from_wstring(text, VT_DECIMAL));
}
BENCHMARK(BM_FromWstringDecimal);

static void BM_FromWstringInteger(benchmark::State& state) {
    const std::wstring text = L"-1234567";
    for (auto _ : state) benchmark::DoNotOptimize(ole_variant::from_wstring(text, VT_I4));
}
BENCHMARK(BM_FromWstringInteger);

static void BM_FromWstringText(benchmark::State& state) {
    const std::wstring text(64, L'x');
    for (auto _ : state) benchmark::DoNotOptimize(ole_variant::from_wstring(text, VT_BSTR));
}
BENCHMARK(BM_FromWstringText);

static void BM_FromStringDate(benchmark::State& state) {
    const std::string text = "2024-01-31 10:20:30";
    for (auto _ : state) benchmark::DoNotOptimize(ole_variant::from_string(text, VT_DATE));
}
BENCHMARK(BM_FromStringDate);

static void BM_ToStringDecimal(benchmark::State& state) {
    const ole_variant v = ole_variant::from_string("123456789012.345678", VT_DECIMAL);
    for (auto _ : state) benchmark::DoNotOptimize(v.to_string());
}
BENCHMARK(BM_ToStringDecimal);

static void BM_ToStringDouble(benchmark::State& state) {
    const ole_variant v(3.14159);
    for (auto _ : state) benchmark::DoNotOptimize(v.to_string());
}
BENCHMARK(BM_ToStringDouble);

static void BM_ToStringBytes(benchmark::State& state) {
    const ole_variant v(std::vector<std::uint8_t>(static_cast<std::size_t>(state.range(0)), 0xAB));
    for (auto _ : state) benchmark::DoNotOptimize(v.to_string());
    state.SetBytesProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_ToStringBytes)->Arg(16)->Arg(65536);

// change_type over the pairs the readers and writers meet: each iteration copies the prepared
// value (a cost both sides of a comparison pay alike) and changes the copy.
static void change_type_loop(benchmark::State& state, const ole_variant& from, VARTYPE to) {
    for (auto _ : state) {
        ole_variant v(from);
        v.change_type(to);
        benchmark::DoNotOptimize(v);
    }
}

static void BM_ChangeTypeI8ToI4(benchmark::State& state) {
    change_type_loop(state, ole_variant(1234567LL), VT_I4);
}
BENCHMARK(BM_ChangeTypeI8ToI4);

static void BM_ChangeTypeI8ToText(benchmark::State& state) {
    change_type_loop(state, ole_variant(-1234567890123LL), VT_BSTR);
}
BENCHMARK(BM_ChangeTypeI8ToText);

static void BM_ChangeTypeI8ToDecimal(benchmark::State& state) {
    change_type_loop(state, ole_variant(1234567890123LL), VT_DECIMAL);
}
BENCHMARK(BM_ChangeTypeI8ToDecimal);

static void BM_ChangeTypeI4ToI8(benchmark::State& state) {
    change_type_loop(state, ole_variant(1234567), VT_I8);
}
BENCHMARK(BM_ChangeTypeI4ToI8);

static void BM_ChangeTypeDecimalToI8(benchmark::State& state) {
    change_type_loop(state, ole_variant::from_string("1234567890123", VT_DECIMAL), VT_I8);
}
BENCHMARK(BM_ChangeTypeDecimalToI8);

static void BM_ChangeTypeDoubleToI4(benchmark::State& state) {
    change_type_loop(state, ole_variant(12345.5), VT_I4);
}
BENCHMARK(BM_ChangeTypeDoubleToI4);

static void BM_ChangeTypeI4ToText(benchmark::State& state) {
    change_type_loop(state, ole_variant(1234567), VT_BSTR);
}
BENCHMARK(BM_ChangeTypeI4ToText);

static void BM_ChangeTypeTextToDate(benchmark::State& state) {
    change_type_loop(state, ole_variant(std::wstring(L"2024-01-31 10:20:30")), VT_DATE);
}
BENCHMARK(BM_ChangeTypeTextToDate);

// SPDX-License-Identifier: MIT
// Engine throughput on each walk through the period table that the processor
// runs (EngineApply/<walk>/...): Cipher::apply on a 16 MiB 8-bit text, one
// thread, for encryption and decryption, 1 and 12 passes and 4, 20 and 30
// wheels, with the table built before the timed loop; the same on 16-bit text
// for one case; one case with the table built inside the loop; and the
// literal model of the tests on a 4 KiB text for 12 passes, to set the
// engine's speed against it.
//
//   make bench      (build/bench/velmor_engine_bench, Release)
#include "engine/cipher.h"
#include "engine/table_walk.h"
#include "literal_model.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <random>
#include <span>
#include <string>

namespace velmor {
namespace {

constexpr std::size_t kEngineTextBytes = std::size_t{16} << 20;
constexpr std::size_t kModelTextBytes = std::size_t{4} << 10;
constexpr char16_t kPassword[] = u"Velmor \u00A3 bench";

// Text-like bytes: alphabet characters in lines of 20 to 100, ended by CR LF.
std::string benchText(std::size_t bytes)
{
    std::mt19937 rng(2024);
    std::uniform_int_distribution<int> symbol(0, 95);
    std::uniform_int_distribution<int> lineLength(20, 100);
    std::string text;
    text.reserve(bytes);
    int left = lineLength(rng);
    while (text.size() < bytes) {
        if (left-- == 0) {
            text += "\r\n";
            left = lineLength(rng);
            continue;
        }
        const auto s = static_cast<Symbol>(symbol(rng));
        text += static_cast<char>(charOf(s));
    }
    text.resize(bytes);
    return text;
}

const std::string& engineText()
{
    static const std::string text = benchText(kEngineTextBytes);
    return text;
}

Direction directionOf(const benchmark::State& state)
{
    return state.range(0) == 0 ? Direction::Encrypt : Direction::Decrypt;
}

// Args: direction (0 encrypt, 1 decrypt), passes, wheel count.
template <class CharT>
void BM_EngineApply(benchmark::State& state, const TableWalk* walk)
{
    const Direction direction = directionOf(state);
    const auto passes = static_cast<int>(state.range(1));
    const auto wheels = static_cast<int>(state.range(2));
    std::basic_string<CharT> text(engineText().size(), CharT{});
    std::transform(engineText().begin(), engineText().end(), text.begin(),
                   [](char c) { return static_cast<CharT>(static_cast<unsigned char>(c)); });
    const Cipher cipher = Cipher::forPassword(kPassword, wheels, passes, direction, text.size(), *walk);
    for (auto _ : state) {
        cipher.apply(std::span<CharT>(text), 0);
        benchmark::DoNotOptimize(text.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(text.size()));
}

// The same with the table built inside the timed loop.
void BM_EngineBuildAndApply(benchmark::State& state, const TableWalk* walk)
{
    const Direction direction = directionOf(state);
    const auto passes = static_cast<int>(state.range(1));
    const auto wheels = static_cast<int>(state.range(2));
    std::string text = engineText();
    for (auto _ : state) {
        const Cipher cipher = Cipher::forPassword(kPassword, wheels, passes, direction, text.size(), *walk);
        cipher.apply(std::span<char>(text), 0);
        benchmark::DoNotOptimize(text.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(text.size()));
}

// The literal model: physical turns and full scans, a whole multi-pass command
// on a 4 KiB text.
void BM_LiteralModel(benchmark::State& state)
{
    const Direction direction = directionOf(state);
    const auto passes = static_cast<int>(state.range(1));
    const auto wheels = static_cast<int>(state.range(2));
    const literal::Text text = literal::fromBytes(benchText(kModelTextBytes));
    const literal::Text password = kPassword;
    literal::Machine model;
    model.LoadWheels();
    model.wheelCount = static_cast<std::int16_t>(wheels);
    const literal::Command command =
        direction == Direction::Encrypt ? literal::Command::Encrypt : literal::Command::Decrypt;
    for (auto _ : state) {
        literal::Text result = model.RunCommand(command, password, passes, text);
        benchmark::DoNotOptimize(result.data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(text.size()));
}

void engineArgs(benchmark::internal::Benchmark* b)
{
    b->ArgNames({"decrypt", "passes", "wheels"});
    for (const int direction : {0, 1})
        for (const int passes : {1, 12})
            for (const int wheels : {4, 20, 30}) b->Args({direction, passes, wheels});
}

void registerBenchmarks()
{
    for (const TableWalk* walk : runnableTableWalks()) {
        const std::string name(walk->name);
        benchmark::RegisterBenchmark(("EngineApply/" + name).c_str(), BM_EngineApply<char>, walk)
            ->Apply(engineArgs)
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark(("EngineApply16/" + name).c_str(), BM_EngineApply<char16_t>, walk)
            ->ArgNames({"decrypt", "passes", "wheels"})
            ->Args({0, 12, 30})
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark(("EngineBuildAndApply/" + name).c_str(), BM_EngineBuildAndApply, walk)
            ->ArgNames({"decrypt", "passes", "wheels"})
            ->Args({0, 12, 30})
            ->Args({1, 12, 30})
            ->Unit(benchmark::kMillisecond);
    }
    benchmark::RegisterBenchmark("LiteralModel", BM_LiteralModel)
        ->ArgNames({"decrypt", "passes", "wheels"})
        ->Args({0, 12, 4})
        ->Args({0, 12, 20})
        ->Args({0, 12, 30})
        ->Args({1, 12, 30})
        ->Unit(benchmark::kMillisecond);
}

}  // namespace
}  // namespace velmor

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    velmor::registerBenchmarks();
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

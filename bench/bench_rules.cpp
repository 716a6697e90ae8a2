// SPDX-FileCopyrightText: 2026 The Vusk sandwich developers
// SPDX-License-Identifier: GPL-3.0-or-later
// Microbenchmarks of the rules the window calls: one tick, number to text,
// writing and reading a save file.
#include <benchmark/benchmark.h>

#include <string>

#include "game/game.h"
#include "savefile/savefile.h"
#include "window/layout.h"

namespace {

vusk::GameState MidGame() {
    vusk::GameState s = vusk::NewGameFromDesign();
    // As after buying 25 cobs, 12 fields, 6 mazes and 3 harvesters.
    s.farmCount = {25, 12, 6, 3, 0};
    for (int16_t i = 0; i < vusk::kFarmTypes; ++i)
        for (int16_t k = 0; k < s.farmCount[i]; ++k) s.farmPrice[i] *= vusk::kPriceGrowth;
    s.collected = 8123456.789;
    return s;
}

// What the window does every 20 ms: production, then the counter's caption.
void BM_Tick(benchmark::State& bench) {
    vusk::GameState s = MidGame();
    for (auto _ : bench) {
        vusk::AddProduction(s, 0.02);
        std::string caption = vusk::CounterCaption(s.collected);
        benchmark::DoNotOptimize(caption);
    }
}
BENCHMARK(BM_Tick);

void BM_NumberToText(benchmark::State& bench, double value) {
    for (auto _ : bench) {
        std::string text = vusk::NumberToText(value);
        benchmark::DoNotOptimize(text);
    }
}
BENCHMARK_CAPTURE(BM_NumberToText, small, 42.0);
BENCHMARK_CAPTURE(BM_NumberToText, large, 123456789012345.0);
BENCHMARK_CAPTURE(BM_NumberToText, fraction, 8123456.789);
BENCHMARK_CAPTURE(BM_NumberToText, exponent, 1.23456789012346E+17);
BENCHMARK_CAPTURE(BM_NumberToText, tiny, 1E-05);

void BM_WriteSaveFile(benchmark::State& bench) {
    const vusk::GameState s = MidGame();
    for (auto _ : bench) {
        std::string text = vusk::WriteSaveFile(s);
        benchmark::DoNotOptimize(text);
    }
}
BENCHMARK(BM_WriteSaveFile);

void BM_ReadSaveFile(benchmark::State& bench) {
    const vusk::GameState s = MidGame();
    const std::string text = vusk::WriteSaveFile(s);
    for (auto _ : bench) {
        auto back = vusk::ReadSaveFile(text, s);
        if (!back) {
            bench.SkipWithError("the written save file was not read back");
            break;
        }
        benchmark::DoNotOptimize(back);
    }
    bench.SetBytesProcessed(static_cast<int64_t>(bench.iterations()) *
                            static_cast<int64_t>(text.size()));
}
BENCHMARK(BM_ReadSaveFile);

}  // namespace

BENCHMARK_MAIN();

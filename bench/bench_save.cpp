// SPDX-FileCopyrightText: 2026 The Vusk sandwich developers
// SPDX-License-Identifier: GPL-3.0-or-later
// What one save costs on disk: the save file written whole beside the old
// one and renamed over it, as File, Save does. The files go into a fresh
// folder under the current one (run it from the disk the player saves to;
// a tmpfs /tmp would measure no disk at all).
#include <benchmark/benchmark.h>

#include <QDir>
#include <QTemporaryDir>

#include <string>

#include "game/game.h"
#include "savefile/savefile.h"
#include "window/files.h"

namespace {

void BM_SaveToDisk(benchmark::State& bench) {
    QTemporaryDir dir(QDir::current().filePath(QStringLiteral("bench-save-XXXXXX")));
    if (!dir.isValid()) {
        bench.SkipWithError("no folder to save into");
        return;
    }
    vusk::GameState s;
    vusk::NewGame(s, {"k20", "k500", "k30k", "k10M", "k5B"},
                  {"1/s", "20/s", "400/s", "128000/s", "?\?\?\?/s"});
    const std::string text = vusk::WriteSaveFile(s);
    const QString path = dir.filePath(QStringLiteral("vusk_save.txt"));
    for (auto _ : bench) {
        if (!vusk::WriteFileAtomically(path, text)) {
            bench.SkipWithError("the save failed");
            break;
        }
    }
}
// Wall time: the save waits for the disk, which costs little CPU.
BENCHMARK(BM_SaveToDisk)->Unit(benchmark::kMicrosecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();

#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 The Vusk sandwich developers
# SPDX-License-Identifier: GPL-3.0-or-later
# Runs the game's window (game_cpu) and the floor window (floor_cpu) in turn
# under one Xvfb server with the xcb platform, RUNS times each, and prints
# every run, the means and the ratios game/floor.
# Usage: bench/compare.sh [RUNS] [SECONDS]     (defaults: 3 runs of 10 s)
# GAME_ARGS, when set, is passed to game_cpu after SECONDS.
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${1:-3}
seconds=${2:-10}

. scripts/deps.sh
vusk_need "${VUSK_BUILD_PACKAGES[@]}" libbenchmark-dev xvfb xauth
command -v dbus-run-session >/dev/null || vusk_need dbus
vusk_configure_and_build build-bench -DVUSK_BENCH=ON -DVUSK_TESTS=OFF >/dev/null

out=$(mktemp)
runtime=$(mktemp -d)
trap 'rm -rf "$out" "$runtime"' EXIT

echo "Running game_cpu and floor_cpu $runs times each, $seconds s per run"
# One session bus for all runs, as on a desktop: without one, the first Qt
# program would start one on its own (and leave it running), and only that
# run would pay for it.
XDG_RUNTIME_DIR=$runtime QT_QPA_PLATFORM=xcb \
    xvfb-run -a -s "-screen 0 1280x1024x24 -nolisten tcp" dbus-run-session -- bash -c '
        set -euo pipefail
        for ((i = 1; i <= $1; i++)); do
            build-bench/bench/game_cpu "$2" ${GAME_ARGS:-}
            build-bench/bench/floor_cpu "$2"
        done' _ "$runs" "$seconds" >"$out"

awk '
function field(name,   i, kv) {
    for (i = 2; i <= NF; i++) {
        split($i, kv, "=")
        if (kv[1] == name) return kv[2]
    }
    return ""
}
/^RESULT/ {
    p = field("program")
    if (p ~ /^game/) { variant = p; p = "game" }
    n[p]++
    printf "%-5s run %d: CPU %6.3f s (after the first frame %6.3f s), start-up %6.1f ms (main() to first frame %6.1f ms), peak RSS %6.1f MiB, %d ticks\n",
        p, n[p], field("cpu_s"), field("loop_cpu_s"), field("startup_ms"), field("main_to_frame_ms"),
        field("peak_rss_kib") / 1024, field("ticks")
    cpu[p] += field("cpu_s"); loop[p] += field("loop_cpu_s"); start[p] += field("startup_ms")
    m2f[p] += field("main_to_frame_ms"); rss[p] += field("peak_rss_kib")
}
/^PAINTS program=game/ {
    # Paint events after the first frame, from the last game run.
    w = field("widget")
    paints[w] = field("after") " (last region " field("last_rect") ")"
    if (!(w in order)) order[w] = ++seen
}
END {
    if (!n["game"] || !n["floor"]) { print "missing results"; exit 1 }
    for (p in n) { cpu[p] /= n[p]; loop[p] /= n[p]; start[p] /= n[p]; m2f[p] /= n[p]; rss[p] /= n[p] }
    print ""
    if (variant != "game") print "game_cpu ran as " variant
    printf "mean   %-28s %-28s %s\n", "game", "floor", "game/floor"
    printf "CPU s                  %8.3f                     %8.3f        %5.2f\n", cpu["game"], cpu["floor"], cpu["game"] / cpu["floor"]
    printf "CPU after 1st frame s  %8.3f                     %8.3f        %5.2f\n", loop["game"], loop["floor"], loop["game"] / loop["floor"]
    printf "start-up ms            %8.1f                     %8.1f        %5.2f\n", start["game"], start["floor"], start["game"] / start["floor"]
    printf "main() to 1st frame ms %8.1f                     %8.1f        %5.2f\n", m2f["game"], m2f["floor"], m2f["game"] / m2f["floor"]
    printf "peak RSS MiB           %8.1f                     %8.1f        %5.2f\n", rss["game"] / 1024, rss["floor"] / 1024, rss["game"] / rss["floor"]
    print ""
    print "Game labels painted after the first frame (last game run):"
    for (w in order) sorted[order[w]] = w
    for (i = 1; i <= seen; i++) printf "  %-16s %s\n", sorted[i], paints[sorted[i]]
}' "$out"

#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 The Vusk sandwich developers
# SPDX-License-Identifier: GPL-3.0-or-later
# Runs the game's window (game_cpu) and the floor window (floor_cpu) under
# one Xvfb server with the xcb platform, RUNS times each, and prints every
# run, the mean and median of each figure, and the ratios game/floor.
# Usage: bench/compare.sh [RUNS] [SECONDS] [together|turns]
#   (defaults: 3 runs of 10 s, together)
# together: each run starts both programs at once, so that whatever else the
#   machine is doing slows both alike; the ratios are taken run by run.
# turns: the game, then the floor, one after the other.
# GAME_ARGS, when set, is passed to game_cpu after SECONDS.
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${1:-3}
seconds=${2:-10}
mode=${3:-together}
case $mode in together | turns) ;; *) echo "mode must be together or turns" >&2; exit 2 ;; esac

. scripts/deps.sh
vusk_need "${VUSK_BUILD_PACKAGES[@]}" libbenchmark-dev xvfb xauth
command -v dbus-run-session >/dev/null || vusk_need dbus
vusk_configure_and_build build-bench -DVUSK_BENCH=ON -DVUSK_TESTS=OFF >/dev/null

out=$(mktemp)
runtime=$(mktemp -d)
trap 'rm -rf "$out" "$runtime"' EXIT

echo "Running game_cpu and floor_cpu $runs times each, $seconds s per run, $mode"
# One session bus for all runs, as on a desktop: without one, the first Qt
# program would start one on its own (and leave it running), and only that
# run would pay for it. Each program writes to a file of its own, so that
# the lines of two programs running at once never mix.
XDG_RUNTIME_DIR=$runtime QT_QPA_PLATFORM=xcb \
    xvfb-run -a -s "-screen 0 1280x1024x24 -nolisten tcp" dbus-run-session -- bash -c '
        set -euo pipefail
        for ((i = 1; i <= $1; i++)); do
            if [ "$3" = together ]; then
                build-bench/bench/game_cpu "$2" ${GAME_ARGS:-} >"$4/game.$i" &
                game=$!
                build-bench/bench/floor_cpu "$2" >"$4/floor.$i" &
                floor=$!
                status=0
                wait $game || status=$?
                wait $floor || status=$?
                [ $status -eq 0 ]
            else
                build-bench/bench/game_cpu "$2" ${GAME_ARGS:-} >"$4/game.$i"
                build-bench/bench/floor_cpu "$2" >"$4/floor.$i"
            fi
            cat "$4/game.$i" "$4/floor.$i"
        done' _ "$runs" "$seconds" "$mode" "$runtime" >"$out"

awk '
function field(name,   i, kv) {
    for (i = 2; i <= NF; i++) {
        split($i, kv, "=")
        if (kv[1] == name) return kv[2]
    }
    return ""
}
function sort(a, n,   i, j, t) {
    for (i = 2; i <= n; i++)
        for (j = i; j > 1 && a[j - 1] > a[j]; j--) { t = a[j]; a[j] = a[j - 1]; a[j - 1] = t }
}
# Mean, median and range of the n values v[1..n].
function stats(v, n,   i, s, c) {
    s = 0
    for (i = 1; i <= n; i++) { s += v[i]; c[i] = v[i] }
    sort(c, n)
    return sprintf("%9.3f %9.3f   %.3f to %.3f", s / n, n % 2 ? c[(n + 1) / 2] : (c[n / 2] + c[n / 2 + 1]) / 2, c[1], c[n])
}
/^RESULT/ {
    p = field("program")
    if (p ~ /^game/) { variant = p; p = "game" }
    i = ++n[p]
    printf "%-5s run %d: CPU %6.3f s (after the first frame %6.3f s), start-up %6.1f ms (main() to first frame %6.1f ms), peak RSS %6.1f MiB, %d ticks, %d window(s)\n",
        p, i, field("cpu_s"), field("loop_cpu_s"), field("startup_ms"), field("main_to_frame_ms"),
        field("peak_rss_kib") / 1024, field("ticks"), field("windows")
    if (field("windows") != 1) unlike = 1
    value[p, "cpu", i] = field("cpu_s"); value[p, "loop", i] = field("loop_cpu_s")
    value[p, "start", i] = field("startup_ms"); value[p, "m2f", i] = field("main_to_frame_ms")
    value[p, "rss", i] = field("peak_rss_kib") / 1024
}
/^PAINTS program=game/ {
    # Paint events after the first frame, from the last game run.
    w = field("widget")
    paints[w] = field("after") " (last region " field("last_rect") ")"
    if (!(w in order)) order[w] = ++seen
}
END {
    if (!n["game"] || n["game"] != n["floor"]) { print "missing results"; exit 1 }
    runs = n["game"]
    split("cpu loop start m2f rss", keys, " ")
    names["cpu"] = "CPU s"; names["loop"] = "CPU after 1st frame s"; names["start"] = "start-up ms"
    names["m2f"] = "main() to 1st frame ms"; names["rss"] = "peak RSS MiB"
    print ""
    if (variant != "game") print "game_cpu ran as " variant
    if (unlike) print "NOT LIKE WITH LIKE: a run showed more than its one window (a message box?)"
    printf "%d runs                      mean    median   range\n", runs
    for (k = 1; k <= 5; k++) {
        key = keys[k]
        for (i = 1; i <= runs; i++) {
            g[i] = value["game", key, i]; f[i] = value["floor", key, i]; r[i] = g[i] / f[i]
        }
        printf "%-22s game   %s\n", names[key], stats(g, runs)
        printf "%-22s floor  %s\n", "", stats(f, runs)
        printf "%-22s ratio  %s   (run by run)\n", "", stats(r, runs)
    }
    print ""
    print "Game labels painted after the first frame (last game run):"
    for (w in order) sorted[order[w]] = w
    for (i = 1; i <= seen; i++) printf "  %-16s %s\n", sorted[i], paints[sorted[i]]
}' "$out"

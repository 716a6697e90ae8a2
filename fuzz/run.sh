#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 The Vusk sandwich developers
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the save-file fuzz target into build-fuzz/ and runs it.
# Usage: fuzz/run.sh SECONDS [libFuzzer options...]
# First every input under fuzz/regressions/ is run once, then the fuzzer runs
# for SECONDS over a copy of fuzz/corpus/ and fuzz/regressions/ (the
# repository's files are never written to). Inputs that fail are kept in
# build-fuzz/artifacts/. Exits non-zero when any input crashes or breaks a
# checked property.
set -euo pipefail
cd "$(dirname "$0")/.."

if [ $# -lt 1 ] || ! [[ $1 =~ ^[0-9]+$ ]]; then
    echo "usage: $0 SECONDS [libFuzzer options...]" >&2
    exit 2
fi
seconds=$1
shift

. scripts/deps.sh
vusk_need cmake ninja-build clang-14 libclang-rt-14-dev

CC=clang-14 CXX=clang++-14 cmake -S . -B build-fuzz -G Ninja -DVUSK_FUZZ=ON >/dev/null
cmake --build build-fuzz --target fuzz_savefile
fuzzer=build-fuzz/fuzz/fuzz_savefile

export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-halt_on_error=1:print_stacktrace=1}

artifacts=build-fuzz/artifacts
mkdir -p "$artifacts"

shopt -s nullglob
regressions=(fuzz/regressions/*)
if [ ${#regressions[@]} -gt 0 ]; then
    echo "Running ${#regressions[@]} regression input(s)"
    "$fuzzer" -artifact_prefix="$artifacts/regression-" "${regressions[@]}"
fi

corpus=$(mktemp -d "${TMPDIR:-/tmp}/vusk-fuzz-corpus.XXXXXX")
trap 'rm -rf "$corpus"' EXIT
# The regression inputs seed the run too: they sit next to known faults.
cp fuzz/corpus/* "${regressions[@]}" "$corpus"/

echo "Fuzzing for $seconds s"
"$fuzzer" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
    -artifact_prefix="$artifacts/" "$@" "$corpus"

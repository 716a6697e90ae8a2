#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 The Vusk sandwich developers
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the conversion digest for the desktop and for WebAssembly (Debian's
# Emscripten), runs both (the second under node) and compares their output.
# Usage: tests/charconv_digest/run.sh [SAMPLE-SIZE] [BUILD-FOLDER]
set -euo pipefail
cd "$(dirname "$0")/../.."
n=${1:-200000}
out=${2:-build-charconv-digest}

. scripts/deps.sh
vusk_need cmake ninja-build g++ emscripten nodejs
# Emscripten's link step runs node, which must see Debian's node modules.
export NODE_PATH=${NODE_PATH:-/usr/share/nodejs}

cmake -S tests/charconv_digest -B "$out/native" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$out/native"
mkdir -p "$out"
emcmake cmake -S tests/charconv_digest -B "$out/wasm" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    >"$out/wasm-configure.log"
grep -E "Doubles to text|VUSK_LIBRARY_HAS.*-" "$out/wasm-configure.log"
cmake --build "$out/wasm"

"$out/native/charconv_digest" "$n" | tee "$out/native.txt"
node "$out/wasm/charconv_digest.js" "$n" | tee "$out/wasm.txt"
if cmp -s "$out/native.txt" "$out/wasm.txt" \
    && [ "$(awk '{print $NF}' "$out/native.txt" | sort -u | wc -l)" -eq 1 ]; then
    echo "same results on both builds"
else
    echo "the builds differ" >&2
    exit 1
fi

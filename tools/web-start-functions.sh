#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 The Vusk sandwich developers
# SPDX-License-Identifier: GPL-3.0-or-later
# Writes cmake/web-start-functions.txt.gz, the gzipped list of the functions that the first
# part of the web build's program holds: those the game runs from its start until the player
# opens a dialog. Builds the game that records the functions it runs (build-web-profile/),
# plays its start in Chromium on desktops and phones (tools/web_start_functions.js), and
# keeps the names of every function any run called. Run it again when the game or Qt changes: a
# function missing from the list still works, but a first visit that calls it early waits
# for the whole second part (the browser test fails on that).
#
#   tools/web-start-functions.sh
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/test-web.sh --prepare > /dev/null
scripts/package-web.sh --profile-build
build=build-web-profile
page=$build/page
rm -rf "$page"
mkdir -p "$page"
cp "$build/vusk-sandwich.js" "$build/vusk-sandwich.wasm" "$build/qtloader.js" "$page/"
cp -r web/. "$page/"
node scripts/web-pack.js "$page" --no-twins
list=cmake/web-start-functions.txt.gz
NODE_PATH=$PWD/tests/web/node_modules node tools/web_start_functions.js "$page" \
    "$build/vusk-sandwich.wasm.orig" "$list"

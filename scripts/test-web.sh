#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 The Vusk sandwich developers
# SPDX-License-Identifier: GPL-3.0-or-later
# The web package played in headless Chromium (scripts/test-web.py): installs Chromium and
# Python's websocket client from Debian, builds the desktop program that the browser's save
# files are held against (build-web-host/), and passes its arguments on.
#
#   scripts/test-web.sh [--dist dist/vusk-sandwich-<version>-web]
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/deps.sh
vusk_need chromium python3-websocket "${VUSK_BUILD_PACKAGES[@]}"
[ -f build-web-host/build.ninja ] || cmake -S . -B build-web-host -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo > /dev/null
cmake --build build-web-host --target vusk-save-rewrite > /dev/null
# Debian's python3-websocket is for Debian's Python.
exec /usr/bin/python3 scripts/test-web.py "$@"

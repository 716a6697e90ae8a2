#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 The Vusk sandwich developers
# SPDX-License-Identifier: GPL-3.0-or-later
# The web package played in Chromium, Firefox and WebKit (tests/web/run.js): installs the
# three browsers, Xvfb and node from Debian when they are missing, builds the desktop program
# that the browser's save files are held against (build-web-host/), installs the test's npm
# packages as tests/web/package-lock.json pins them (npm ci, when node_modules is missing or
# was installed from another lock file), and passes its arguments on.
#
#   scripts/test-web.sh [--dist DIR] [--engine chromium|firefox|webkit]... [--scenario NAME]...
#                       [--jobs N]
#   scripts/test-web.sh --prepare
#
# The unit tests of the page's scripts and the packing step (tests/web/unit/, node's test
# runner) run first. --prepare stops after them: everything is installed and built then
# that the browser runs need but the web package itself.
set -euo pipefail
cd "$(dirname "$0")/.."
prepare=false
[ "${1:-}" = --prepare ] && { prepare=true; shift; }
. scripts/deps.sh
vusk_need chromium firefox-esr webkit2gtk-driver xvfb nodejs "${VUSK_BUILD_PACKAGES[@]}"
# A node from elsewhere brings its own npm, which Debian's npm package would conflict with.
command -v npm > /dev/null || vusk_need npm
[ -f build-web-host/build.ninja ] || cmake -S . -B build-web-host -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo > /dev/null
cmake --build build-web-host --target vusk-save-rewrite > /dev/null

# puppeteer-core and selenium-webdriver download nothing by themselves; these say so to any
# package that would, and selenium is always given the running driver (lib/webkit.js).
export PUPPETEER_SKIP_DOWNLOAD=1 SE_OFFLINE=true
lock=$(sha256sum tests/web/package-lock.json | cut -c1-64)
if [ "$(cat tests/web/node_modules/.vusk-lock 2>/dev/null)" != "$lock" ]; then
    started=$SECONDS
    (cd tests/web && npm ci --no-audit --no-fund --loglevel=error)
    echo "$lock" > tests/web/node_modules/.vusk-lock
    echo "npm ci in tests/web: $((SECONDS - started)) s"
fi
node --test tests/web/unit/
$prepare && exit 0
# The three engines side by side: most of each scenario's time is spent waiting on the
# game (the ending alone is 51 s), so they share the two cores well. A --jobs given wins.
exec node tests/web/run.js --jobs 3 "$@"

#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 The Vusk sandwich developers
# SPDX-License-Identifier: GPL-3.0-or-later
# The game in a browser: builds Qt for WebAssembly from Debian's own qt6-base source once
# (cached outside the clone) with Debian's Emscripten, builds the game with it, and writes
# dist/vusk-sandwich-<version>-web/ (index.html at its top, for any static web server) and
# its zip.
#
#   scripts/package-web.sh [--qt-only|--build-only|--test-only|--deps-only|--profile-build]
#
# --qt-only stops after building Qt, --build-only after building the game (build-web/),
# --test-only after running the rules' tests under node, --deps-only once the packages it
# needs are installed and Qt's source is unpacked. --profile-build builds the game that
# records the functions it runs, whole (build-web-profile/), for
# tools/web-start-functions.sh, and stops.
# Environment:
#   VUSK_CACHE   where the Qt builds live (default ${XDG_CACHE_HOME:-~/.cache}/vusk-sandwich)
#   VUSK_JOBS    parallel compile jobs (default: the number of cores)
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

mode=${1:-package}
case "$mode" in
    package|--qt-only|--build-only|--test-only|--deps-only|--profile-build) ;;
    *) echo "usage: $0 [--qt-only|--build-only|--test-only|--deps-only|--profile-build]" >&2; exit 2 ;;
esac
jobs=${VUSK_JOBS:-$(nproc)}
cache=${VUSK_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/vusk-sandwich}
build=$root/build-web
game_options=()
if [ "$mode" = --profile-build ]; then
    build=$root/build-web-profile
    game_options=(-DVUSK_WEB_PROFILE=ON)
fi

. scripts/deps.sh

# --- What the build needs ----------------------------------------------------------------
vusk_need cmake ninja-build qt6-base-dev qt6-base-dev-tools dpkg-dev emscripten binaryen \
          fonts-liberation2 fonttools zip nodejs

host_qt=$(dpkg-query -W -f='${Version}' qt6-base-dev)
qt_version=${host_qt%%+*}
qt_version=${qt_version%%-*}
em_version=$(cat /usr/share/emscripten/emscripten-version.txt)

# Emscripten's link step runs node scripts that need Debian's node modules (acorn), which a
# node from elsewhere does not look for.
export NODE_PATH=/usr/share/nodejs${NODE_PATH:+:$NODE_PATH}

# Qt's CMake wants an Emscripten SDK: EMSDK naming a folder with .emscripten, and
# upstream/emscripten/ holding emcc, em++ and the rest of Emscripten. Debian installs
# Emscripten to /usr/share/emscripten with its commands in /usr/bin, so a folder of links
# stands in for the SDK.
export EMSDK=$cache/emsdk-$em_version
if [ ! -x "$EMSDK/upstream/emscripten/emcc" ]; then
    rm -rf "$EMSDK"
    mkdir -p "$EMSDK/upstream/emscripten"
    echo "EMSCRIPTEN_ROOT = emsdk_path + '/upstream/emscripten'" > "$EMSDK/.emscripten"
    ln -s /usr/share/emscripten/* /usr/share/emscripten/.emscripten "$EMSDK/upstream/emscripten/"
    for tool in emcc em++ emar emranlib em-config emrun emsize; do
        ln -s "/usr/bin/$tool" "$EMSDK/upstream/emscripten/$tool"
    done
fi
if [ "$mode" = --deps-only ]; then
    vusk_qt_source "$cache" > /dev/null
    exit 0
fi

# --- Qt for WebAssembly, built once per version, options, patch and Emscripten -----------
# Static and without threads, as Qt 6.4 builds for the browser; built for size. OpenGL
# stays on: Qt's wasm compositor draws through WebGL.
qt_options=(
    -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF
    -DFEATURE_optimize_size=ON
    -DFEATURE_network=OFF -DFEATURE_sql=OFF -DFEATURE_dbus=OFF
    -DFEATURE_printsupport=OFF -DFEATURE_xml=OFF -DFEATURE_concurrent=OFF
    -DFEATURE_jpeg=OFF
    -DFEATURE_textmarkdownreader=OFF -DFEATURE_textmarkdownwriter=OFF -DFEATURE_textodfwriter=OFF
    # Widgets that a static build would still carry, through the virtual functions and
    # meta-objects of those the game uses. The Windows build leaves out most of them too.
    -DFEATURE_graphicsview=OFF -DFEATURE_mdiarea=OFF -DFEATURE_dockwidget=OFF
    -DFEATURE_tabwidget=OFF -DFEATURE_tabbar=OFF -DFEATURE_toolbox=OFF
    -DFEATURE_style_stylesheet=OFF
    -DFEATURE_calendarwidget=OFF -DFEATURE_datetimeedit=OFF -DFEATURE_tableview=OFF
    -DFEATURE_wizard=OFF -DFEATURE_colordialog=OFF -DFEATURE_fontdialog=OFF
    -DFEATURE_progressdialog=OFF -DFEATURE_errormessage=OFF -DFEATURE_inputdialog=OFF
    -DFEATURE_undocommand=OFF -DFEATURE_undostack=OFF -DFEATURE_undogroup=OFF -DFEATURE_undoview=OFF
    -DFEATURE_syntaxhighlighter=OFF -DFEATURE_textbrowser=OFF
    -DFEATURE_lcdnumber=OFF -DFEATURE_dial=OFF -DFEATURE_keysequenceedit=OFF
)
qt_patches=(scripts/qt-wasm-*.patch)
# The MIME types Qt builds in: the few the save folder holds, not freedesktop.org's all.
qt_mime=scripts/qt-wasm-mime.xml
# What configure's tests answer for this Qt and this Emscripten, where they are known.
qt_answers=scripts/qt-wasm-configure-answers.cmake
grep -qx "# For: Qt $qt_version with Emscripten $em_version" "$qt_answers" || qt_answers=
key=$( { printf '%s\n' "${qt_options[@]}" "$em_version"; cat "${qt_patches[@]}" "$qt_mime"
         [ -z "$qt_answers" ] || grep -v '^#' "$qt_answers"; } | sha256sum | cut -c1-12)

# The answers of configure's tests in a build folder, as qt-wasm-configure-answers.cmake
# holds them.
configure_answers() {  # CMakeCache.txt
    sed -n -E 's/^((TEST_|HAVE_)[A-Za-z0-9_]+|CMAKE_HAVE_LIBC_PTHREAD):INTERNAL=(.*)$/set(\1 "\3" CACHE INTERNAL "")/p' "$1" \
        | LC_ALL=C sort
}
qt=$cache/qt-$qt_version-wasm-$key

build_qt() {
    local src wasm_src
    src=$(vusk_qt_source "$cache")
    # A copy of the source of our own, patched: the Windows build uses Debian's as it is.
    wasm_src=$cache/src-wasm-$key/$(basename "$src")
    rm -rf "$cache/src-wasm-$key"
    mkdir -p "$cache/src-wasm-$key"
    cp -a "$src" "$wasm_src"
    local p
    for p in "${qt_patches[@]}"; do patch -d "$wasm_src" -p1 -s < "$p"; done
    cp "$qt_mime" "$wasm_src/src/corelib/mimetypes/mime/packages/freedesktop.org.xml"
    echo "== Building Qt $qt_version for WebAssembly into $qt (once; 7 to 25 minutes on 2 cores)"
    local started=$SECONDS
    rm -rf "$qt" "$qt.build"
    mkdir -p "$qt.build"
    # Precompiled headers, which Qt leaves off for WebAssembly unless asked (-pch): with
    # them and the answers above, Qt built in 7 minutes on 2 cores, configure included.
    (cd "$qt.build" && "$wasm_src/configure" -platform wasm-emscripten -static -release -pch \
        -qt-host-path /usr -prefix "$qt" -- \
        ${qt_answers:+-C "$root/$qt_answers"} \
        -DQT_HOST_PATH_CMAKE_DIR="/usr/lib/$(dpkg-architecture -qDEB_HOST_MULTIARCH)/cmake" \
        "${qt_options[@]}") > "$qt.configure.log" 2>&1 \
        || { tail -50 "$qt.configure.log"; exit 1; }
    echo "== Qt configured in $((SECONDS - started)) s${qt_answers:+, with the answers of $qt_answers}"
    if [ -z "$qt_answers" ]; then
        configure_answers "$qt.build/CMakeCache.txt" > "$qt.configure-answers.cmake"
        echo "== Its tests' answers, for scripts/qt-wasm-configure-answers.cmake: $qt.configure-answers.cmake"
    fi
    cmake --build "$qt.build" -j "$jobs"
    cmake --install "$qt.build" > /dev/null
    rm -rf "$qt.build" "$cache/src-wasm-$key"
    echo "$qt_version $em_version ${qt_options[*]}" > "$qt/vusk-complete"
    echo "== Qt built in $((SECONDS - started)) s"
}

mkdir -p "$cache"
exec 9>"$cache/lock-wasm"
# One wasm Qt build at a time: another one under way is waited for.
flock -n 9 || { echo "== Waiting for the build of Qt for WebAssembly under way"; flock 9; }
[ -f "$qt/vusk-complete" ] || build_qt
flock -u 9
[ "$mode" = --qt-only ] && exit 0

# --- The game ----------------------------------------------------------------------------
echo "== Building the game for WebAssembly (build-web/)"
started=$SECONDS
vusk_build_dir_for "$build" "$qt"
# Qt's source gives the style images that the package keeps beside the program.
cmake -S . -B "$build" -G Ninja \
    -DCMAKE_TOOLCHAIN_FILE="$qt/lib/cmake/Qt6/qt.toolchain.cmake" \
    -DCMAKE_BUILD_TYPE=Release "${game_options[@]}" \
    -DVUSK_QT_SOURCE_DIR="$(vusk_qt_source "$cache")" \
    -DCMAKE_CROSSCOMPILING_EMULATOR="$(command -v node);$root/scripts/wasm-test.js" \
    > "$build/configure.log" 2>&1 || { tail -50 "$build/configure.log"; exit 1; }
cmake --build "$build" -j "$jobs" --target vusk-sandwich
echo "== Game built in $((SECONDS - started)) s"
case "$mode" in --build-only|--profile-build) exit 0 ;; esac

# --- The rules' tests under node ---------------------------------------------------------
# The tests of the rules need no window, so they run as they are, the numbers' text
# included. The window's tests need a platform plugin, which Qt for WebAssembly has only
# in a browser page.
rules_tests=(tst_game tst_savefile tst_ending tst_charconv)
present=()
for t in "${rules_tests[@]}"; do
    grep -q "^vusk_test($t " tests/CMakeLists.txt && present+=("$t")
done
echo "== The rules' tests under node: ${present[*]}"
started=$SECONDS
cmake --build "$build" -j "$jobs" --target "${present[@]}"
ctest --test-dir "$build" --output-on-failure -R "^($(IFS='|'; echo "${present[*]}"))\$"
echo "== Tests built and run in $((SECONDS - started)) s"
[ "$mode" = --test-only ] && exit 0

# --- The folder and the zip --------------------------------------------------------------
version=$(sed -n 's/^project(VuskSandwich VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
name=vusk-sandwich-$version-web
out=dist/$name
echo "== Packing into $out/"
rm -rf "$out" "$out.zip"
mkdir -p "$out"
# The game (its two parts, and Qt's style images where they are kept beside it) and Qt's
# loader; the page, its scripts, its manifest and the font's licence from web/; the icons the
# page and the manifest name.
cp "$build/vusk-sandwich.js" "$build/vusk-sandwich.wasm" "$build/vusk-sandwich.deferred.wasm" "$build/qtloader.js" "$out/"
[ ! -f "$build/vusk-sandwich-style.rcc" ] || cp "$build/vusk-sandwich-style.rcc" "$out/"
if [ -f web/index.html ]; then
    cp -r web/. "$out/"
else
    cp "$build/vusk-sandwich.html" "$out/index.html"    # Qt's own page, until ours exists
fi
for icon in $(grep -oh 'icons/[0-9x]*/vusk-sandwich\.png' "$out/index.html" "$out"/*.webmanifest | sort -u); do
    mkdir -p "$out/$(dirname "$icon")"
    cp "resources/$icon" "$out/$icon"
done
cp LICENSES/GPL-3.0-or-later.txt "$out/"
# The page's progress bar, the service worker's list of files and its version, and the
# precompressed twins (NAME.br, NAME.gz) that hosts can serve in place of compressing.
node scripts/web-pack.js "$out"
(cd dist && zip -qr -9 "$name.zip" "$name")
# Each file as it is, gzipped, and as a host that serves the twins sends it (its .br, or the
# file itself where it has none: the images).
total=0
total_gz=0
total_br=0
twins=0
for f in $(find "$out" -type f | sort); do
    case "$f" in *.br|*.gz) [ -f "${f%.*}" ] && { twins=$((twins + $(stat -c %s "$f"))); continue; } ;; esac
    size=$(stat -c %s "$f")
    gz=$(gzip -9c "$f" | wc -c)
    br=$size
    [ -f "$f.br" ] && br=$(stat -c %s "$f.br")
    total=$((total + size))
    total_gz=$((total_gz + gz))
    total_br=$((total_br + br))
    printf '%10d bytes %10d gzipped %10d brotli  %s\n' "$size" "$gz" "$br" "${f#"$out"/}"
done
printf '%10d bytes %10d gzipped %10d brotli  in all, and %d bytes of twins; %s.zip: %d bytes\n' \
    "$total" "$total_gz" "$total_br" "$twins" "$out" "$(stat -c %s "$out.zip")"

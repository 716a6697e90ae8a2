#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 The Vusk sandwich developers
# SPDX-License-Identifier: GPL-3.0-or-later
# The Windows game, cross-built here with MinGW-w64: builds Qt for Windows from Debian's
# own qt6-base source once (cached outside the clone), builds the game and its tests,
# runs every test program under Wine, writes a portable zip and an installer to dist/, and
# tries the installer under Wine (scripts/try-windows-installer.sh).
#
#   scripts/package-windows.sh x86_64|i686 [--test-only|--qt-only|--deps-only]
#
# --test-only stops after the tests, --qt-only after building Qt, --deps-only once the
# packages it needs are installed and Qt's source is unpacked. Environment:
#   VUSK_CACHE   where the Qt builds live (default ${XDG_CACHE_HOME:-~/.cache}/vusk-sandwich)
#   VUSK_JOBS    parallel compile jobs (default: the number of cores)
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

arch=${1:-}
mode=${2:-package}
usage() { echo "usage: $0 x86_64|i686 [--test-only|--qt-only|--deps-only]" >&2; exit 2; }
case "$arch" in
    x86_64) debarch=x86-64 ;;
    i686) debarch=i686 ;;
    *) usage ;;
esac
case "$mode" in
    package|--test-only|--qt-only|--deps-only) ;;
    *) usage ;;
esac
triple=$arch-w64-mingw32
jobs=${VUSK_JOBS:-$(nproc)}
cache=${VUSK_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/vusk-sandwich}
build=$root/build-windows-$arch

. scripts/deps.sh

# --- What the cross build needs ----------------------------------------------------------
packages=(cmake ninja-build qt6-base-dev qt6-base-dev-tools dpkg-dev fonts-liberation2
          mingw-w64 "g++-mingw-w64-$debarch-posix" nsis zip unzip xvfb xauth)
vusk_need "${packages[@]}"
# Wine, with its i386 half for the 32-bit game and its installer where they can run.
. scripts/wine.sh
vusk_need_wine
# The tests come before the packages: stop before Qt's long build when they cannot run.
[ "$mode" = --qt-only ] || vusk_wine_can_run "$arch" || exit 1
if [ "$mode" = --deps-only ]; then
    vusk_qt_source "$cache" > /dev/null
    exit 0
fi

host_qt=$(dpkg-query -W -f='${Version}' qt6-base-dev)      # e.g. 6.4.2+dfsg-10
qt_version=${host_qt%%+*}
qt_version=${qt_version%%-*}

# --- Qt for Windows, built once per version, target and options --------------------------
# Everything the game does not use is left out; the traps below are those of Qt 6.4:
# opengl must be switched off at its input, DirectWrite 3 needs Direct2D, and Debian's
# source has no wintab for tablet events.
qt_options=(
    -DCMAKE_BUILD_TYPE=Release -DBUILD_SHARED_LIBS=ON
    -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF
    -DFEATURE_optimize_size=ON
    -DFEATURE_network=OFF -DFEATURE_sql=OFF -DFEATURE_dbus=OFF -DFEATURE_icu=OFF
    -DFEATURE_printsupport=OFF -DFEATURE_xml=OFF -DFEATURE_concurrent=OFF
    -DFEATURE_vulkan=OFF -DFEATURE_jpeg=OFF -DFEATURE_zstd=OFF
    -DFEATURE_opengl=OFF -DINPUT_opengl=no
    -DFEATURE_direct2d=OFF -DFEATURE_directwrite3=OFF
    -DFEATURE_tabletevent=OFF
    -DFEATURE_textmarkdownreader=OFF -DFEATURE_textmarkdownwriter=OFF -DFEATURE_textodfwriter=OFF
    -DFEATURE_system_zlib=OFF -DFEATURE_system_png=OFF -DFEATURE_system_freetype=OFF
    -DFEATURE_system_harfbuzz=OFF -DFEATURE_system_pcre2=OFF
    # Widgets the game never shows, as in the web build: Qt's DLLs travel with the game
    # alone, and they build in minutes less. Tabs, table views and input dialogs stay: the
    # Windows style plugin uses them without asking whether they are there.
    -DFEATURE_graphicsview=OFF -DFEATURE_mdiarea=OFF -DFEATURE_dockwidget=OFF
    -DFEATURE_toolbox=OFF -DFEATURE_style_stylesheet=OFF
    -DFEATURE_calendarwidget=OFF -DFEATURE_datetimeedit=OFF
    -DFEATURE_wizard=OFF -DFEATURE_colordialog=OFF -DFEATURE_fontdialog=OFF
    -DFEATURE_progressdialog=OFF -DFEATURE_errormessage=OFF
    -DFEATURE_undocommand=OFF -DFEATURE_undostack=OFF -DFEATURE_undogroup=OFF -DFEATURE_undoview=OFF
    -DFEATURE_syntaxhighlighter=OFF -DFEATURE_textbrowser=OFF
    -DFEATURE_lcdnumber=OFF -DFEATURE_dial=OFF -DFEATURE_keysequenceedit=OFF
)
# The licence lines of the toolchain files do not change what is built, so they are no part
# of the key.
key=$( { printf '%s\n' "${qt_options[@]}"
         cat cmake/toolchain-mingw.cmake "cmake/toolchain-mingw-$arch.cmake" | grep -v '^# SPDX-'; } \
       | sha256sum | cut -c1-12)
qt=$cache/qt-$qt_version-$triple-$key

build_qt() {
    # Debian's source of the same Qt as the host's tools (scripts/deps.sh).
    local src
    src=$(vusk_qt_source "$cache")
    echo "== Building Qt $qt_version for $triple into $qt (once; 14 to 35 minutes on 2 cores)"
    local started=$SECONDS
    rm -rf "$qt" "$qt.build"
    mkdir -p "$qt"
    # Qt's own toolchain file points at this one: keep a copy beside Qt, not in the clone.
    cp cmake/toolchain-mingw.cmake "cmake/toolchain-mingw-$arch.cmake" "$qt/"
    cmake -S "$src" -B "$qt.build" -G Ninja \
        -DCMAKE_TOOLCHAIN_FILE="$qt/toolchain-mingw-$arch.cmake" \
        -DCMAKE_INSTALL_PREFIX="$qt" \
        -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR="/usr/lib/$(dpkg-architecture -qDEB_HOST_MULTIARCH)/cmake" \
        "${qt_options[@]}" > "$qt.configure.log" 2>&1 \
        || { tail -50 "$qt.configure.log"; exit 1; }
    cmake --build "$qt.build" -j "$jobs"
    cmake --install "$qt.build" > /dev/null
    rm -rf "$qt.build"
    echo "$qt_version ${qt_options[*]}" > "$qt/vusk-complete"
    echo "== Qt built in $((SECONDS - started)) s"
}

mkdir -p "$cache"
exec 9>"$cache/lock-$triple"
# One Qt build per target at a time: another one under way is waited for.
flock -n 9 || { echo "== Waiting for the build of Qt for $triple under way"; flock 9; }
[ -f "$qt/vusk-complete" ] || build_qt
flock -u 9
[ "$mode" = --qt-only ] && exit 0

# --- The game ----------------------------------------------------------------------------
echo "== Building the game for $triple (build-windows-$arch/)"
vusk_build_dir_for "$build" "$qt"
# The notice and licence texts for the packages, from this Qt and Debian's source of it.
scripts/windows-notices.sh "$build/notices" "$qt" "$(vusk_qt_source "$cache")" "$triple"
cmake -S . -B "$build" -G Ninja \
    -DCMAKE_TOOLCHAIN_FILE="$qt/lib/cmake/Qt6/qt.toolchain.cmake" \
    -DCMAKE_BUILD_TYPE=Release \
    -DVUSK_WINDOWS_NOTICES="$build/notices" \
    -DCMAKE_CROSSCOMPILING_EMULATOR="$root/scripts/wine-test.sh" \
    -DCMAKE_INSTALL_BINDIR=. > "$build/configure.log" 2>&1 \
    || { tail -50 "$build/configure.log"; exit 1; }
cmake --build "$build" -j "$jobs"

# --- Tests under Wine --------------------------------------------------------------------
vusk_wine_prefix "$build/wine" "$arch"
gcc_dll_dir=$(dirname "$("$triple-g++-posix" -print-file-name=libstdc++-6.dll)")
winpath() { echo "Z:${1//\//\\}"; }
export WINEPATH="$(winpath "$qt/bin");$(winpath "$gcc_dll_dir");$(winpath "/usr/$triple/lib")"
echo "== Tests under Wine ($triple)"
# Under Xvfb: one test runs on Windows' own platform plugin, with real windows. Wine's
# processes end with the display.
xvfb-run -a bash -c 'ctest --test-dir "$1" --output-on-failure; status=$?; wineserver -k; exit $status' \
    _ "$build"
[ "$mode" = --test-only ] && exit 0

# --- Zip and installer -------------------------------------------------------------------
echo "== Packing into dist/"
# CPack stages the files in the build folder; only the zip and the installer go to dist/.
rm -rf "$build/cpack"
(cd "$build" && cpack -G "ZIP;NSIS" -B "$build/cpack")
mkdir -p dist
name=vusk-sandwich-$(sed -n 's/^project(VuskSandwich VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
name+=-$([ "$arch" = i686 ] && echo win32 || echo win64)
mv "$build/cpack/$name.zip" "$build/cpack/$name-setup.exe" dist/
ls -l "dist/$name.zip" "dist/$name-setup.exe"

# --- The installer tried -----------------------------------------------------------------
scripts/try-windows-installer.sh "$arch" "dist/$name-setup.exe" "dist/$name.zip"

#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 The Vusk sandwich developers
# SPDX-License-Identifier: GPL-3.0-or-later
# The licence texts and the notice that go beside the Windows game: what was built from what,
# under which licence, and where the source is. Everything is read from this machine: the
# Qt build's own record of its version and options, Debian's qt6-base source it was built
# from, and the copyright files of the Debian packages the MinGW-w64 runtime DLLs come from.
#
#   scripts/windows-notices.sh OUTDIR QT_PREFIX QT_SOURCE_DIR TRIPLE
#
# Writes OUTDIR/NOTICE.txt and OUTDIR/licenses/*.txt, with Windows line ends.
set -euo pipefail
out=$1 qt=$2 qtsrc=$3 triple=$4
cd "$(dirname "$0")/.."

die() { echo "windows-notices.sh: $*" >&2; exit 1; }
[ -f "$qt/vusk-complete" ] || die "$qt has no record of how it was built (vusk-complete)"
read -r qt_version qt_options < "$qt/vusk-complete"
[ -f "$qtsrc/debian/changelog" ] || die "no Debian qt6-base source in $qtsrc"
qt_debian=$(dpkg-parsechangelog -l "$qtsrc/debian/changelog" -SVersion)
[ "${qt_debian%%+*}" = "$qt_version" ] || die "the source in $qtsrc is $qt_debian, Qt was $qt_version"
version=$(sed -n 's/^project(VuskSandwich VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
website=$(sed -n 's/^ *set(VUSK_WEBSITE "\([^"]*\)").*/\1/p' resources/CMakeLists.txt)
[ -n "$version" ] && [ -n "$website" ] || die "cannot read the version or the web address"

# The Debian package a runtime DLL of the cross compiler comes from, and its source version.
cxx=$triple-g++-posix
dll_path() {
    local p
    p=$("$cxx" -print-file-name="$1")
    [ -f "$p" ] || p=/usr/$triple/lib/$1
    [ -f "$p" ] || die "$1 not found"
    realpath "$p"
}
dll_package() { dpkg -S "$(dll_path "$1")" | cut -d: -f1; }
package_version() { dpkg-query -W -f='${Version}' "$1"; }
source_of() { dpkg-query -W -f='${source:Package}' "$1"; }
case "$triple" in
    x86_64-*) gcc_dll=libgcc_s_seh-1.dll bits=64 ;;
    *) gcc_dll=libgcc_s_dw2-1.dll bits=32 ;;
esac
gcc_pkg=$(dll_package libstdc++-6.dll)
pthread_pkg=$(dll_package libwinpthread-1.dll)
gcc_version=$(package_version "$gcc_pkg")
gcc_version=${gcc_version%%-*}

rm -rf "$out"
mkdir -p "$out/licenses"
lic=$out/licenses

# --- The licence texts -------------------------------------------------------------------
cp /usr/share/common-licenses/LGPL-3 "$lic/LGPL-3.0.txt"

# The GCC Runtime Library Exception, as the compiler's copyright file quotes it in full.
awk '/^GCC RUNTIME LIBRARY EXCEPTION$/ {p = 1}
     p {print}
     p && /requirements of the license of GCC\.$/ {exit}' \
    "/usr/share/doc/$gcc_pkg/copyright" > "$lic/GCC-exception-3.1.txt"
grep -q 'No Weakening of GCC Copyleft' "$lic/GCC-exception-3.1.txt" \
    || die "the GCC Runtime Library Exception is not whole in /usr/share/doc/$gcc_pkg/copyright"

# winpthreads: the paragraphs of the mingw-w64 copyright file about the library itself
# (not its tests), then the full text of each licence they name.
awk -v RS= -v ORS='\n\n' '
    FNR == NR {
        if ($0 ~ /^Files:/) {
            files = $0; sub(/\n[A-Z][a-z]*:.*/, "", files)
            if (files ~ /winpthreads\// && files !~ /tests_pthread/) {
                print; match($0, /\nLicense: [^\n]*/)
                named[substr($0, RSTART + 10, RLENGTH - 10)] = 1
            }
        }
        next
    }
    /^License: / && /\n/ { name = $0; sub(/\n.*/, "", name); sub(/^License: /, "", name)
                          if (name in named) print }' \
    "/usr/share/doc/$pthread_pkg/copyright" "/usr/share/doc/$pthread_pkg/copyright" \
    > "$lic/winpthreads.txt"
grep -q 'Permission is hereby granted' "$lic/winpthreads.txt" \
    || die "winpthreads' licence not found in /usr/share/doc/$pthread_pkg/copyright"

# Code by others that Qt compiles into Qt6Core, Qt6Gui and Qt6Widgets with the options above
# (the bundled libraries stand in for the system ones a Windows machine lacks). Each entry
# of Qt's own attribution files, with its licence file.
{
    echo "Code by others inside Qt $qt_version's DLLs, as Qt's source lists it"
    echo "(qt_attribution.json in each folder), with the licence texts it names."
    for d in src/3rdparty/{freetype,harfbuzz-ng,pcre2,zlib,libpng,double-conversion,tinycbor,icc,md4,md5,sha1,sha3,rfc6234,blake2,easing} \
             src/corelib/tools src/gui/text src/gui/painting; do
        awk -v dir="$d" '
            function field(line) { sub(/^[^:]*: *"?/, "", line); sub(/"?,? *$/, "", line)
                                   gsub(/\\"/, "\"", line); return line }
            /^ *\{/ { name = license = file = "" }
            /"Name":/ { name = field($0) }
            /"(LicenseId|License)":/ { if (license == "") license = field($0) }
            /"LicenseFile":/ { file = field($0) }
            /^ *\},? *$/ && name != "" { print name "\t" license "\t" file; name = "" }' \
            "$qtsrc/$d/qt_attribution.json" |
        while IFS=$'\t' read -r name license file; do
            printf '\n\n==== %s (%s): %s\n\n' "$name" "$d" "$license"
            [ -n "$file" ] && cat "$qtsrc/$d/$file"
            # FreeType is used under its own licence, whose full text its LICENSE.txt points to.
            [ "$d/$file" = src/3rdparty/freetype/LICENSE.txt ] && cat "$qtsrc/src/3rdparty/freetype/docs/FTL.TXT"
            true
        done
    done
} > "$lic/Qt-third-party.txt"

# --- The notice --------------------------------------------------------------------------
{
cat <<EOF
Vusk sandwich $version for Windows, $bits-bit

Vusk sandwich is free software: you may share it and change it under the terms of the
GNU General Public License, version 3 or (at your option) any later version, in
LICENSE.txt. It comes with no warranty.

The game's source code is at $website


What else is in this folder
---------------------------

Qt $qt_version: Qt6Core.dll, Qt6Gui.dll, Qt6Widgets.dll, platforms\\qwindows.dll,
styles\\qwindowsvistastyle.dll
    Licence: the GNU Lesser General Public License, version 3 (licenses\\LGPL-3.0.txt),
    which adds its permissions to the GNU General Public License, version 3 (LICENSE.txt).
    You may replace these DLLs with your own build of Qt $qt_version.
    Built from Debian's qt6-base source package, version $qt_debian, as Debian ships it
    (with Debian's patches, nothing else changed), cross-compiled with MinGW-w64 GCC
    $gcc_version, with these CMake options:
EOF
for o in $qt_options; do echo "        $o"; done
cat <<EOF
    Qt's DLLs hold code by others, under their own licences: licenses\\Qt-third-party.txt.
    Portions of this software are copyright (C) The FreeType Project (www.freetype.org).
    All rights reserved.

The GCC runtime: libstdc++-6.dll, $gcc_dll
    Licence: the GNU General Public License, version 3 (LICENSE.txt), with the GCC
    Runtime Library Exception, version 3.1 (licenses\\GCC-exception-3.1.txt).
    From Debian's package $gcc_pkg $(package_version "$gcc_pkg")
    (source package $(source_of "$gcc_pkg")).

winpthreads: libwinpthread-1.dll
    Licence: its own, MIT-style (licenses\\winpthreads.txt).
    From Debian's package $pthread_pkg $(package_version "$pthread_pkg")
    (source package $(source_of "$pthread_pkg")).


Source code
-----------

The game's source is at $website
The Qt and runtime libraries were built from the Debian source packages named above,
which Debian's archive keeps by their exact version (for example:
apt-get source qt6-base=$qt_debian).

If you pass this game on, the GPL's terms for passing on programs apply to you (section 6
of LICENSE.txt, and section 4 of the LGPL for Qt): you must also make the complete source
of what you pass on available, for example by giving it along with the game, by offering
it from a place you name, or by a written offer valid for at least three years.
EOF
} > "$out/NOTICE.txt"

# Windows' own editors expect CR LF line ends.
for f in "$out/NOTICE.txt" "$lic"/*.txt; do
    sed -i 's/\r$//; s/$/\r/' "$f"
done

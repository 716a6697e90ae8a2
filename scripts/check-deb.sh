#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 The Vusk sandwich developers
# SPDX-License-Identifier: GPL-3.0-or-later
# Checks a Debian package built by `./package deb`: its exact list of files,
# where they go and who owns them, its version and dependencies, lintian, and
# the desktop entry and AppStream metainfo it installs.
# Usage: scripts/check-deb.sh [dist/vusk-sandwich_VERSION_ARCH.deb]
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/deps.sh
vusk_need lintian desktop-file-utils appstream

deb=${1:-$(ls dist/vusk-sandwich_*_"$(dpkg --print-architecture)".deb | tail -n 1)}
fail=0
bad() { echo "FAIL: $*" >&2; fail=1; }

listing=$(dpkg-deb -c "$deb")
files=$(awk '$1 !~ /^d/ {print $6}' <<<"$listing" | sort)
expected=$( {
    echo ./usr/games/vusk-sandwich
    echo ./usr/share/applications/org.example.vusk.VuskSandwich.desktop
    echo ./usr/share/metainfo/org.example.vusk.VuskSandwich.metainfo.xml
    for s in 16 22 24 32 48 64 128 192 256 512; do
        echo ./usr/share/icons/hicolor/${s}x${s}/apps/vusk-sandwich.png
    done
    echo ./usr/share/man/man6/vusk-sandwich.6.gz
    echo ./usr/share/doc/vusk-sandwich/copyright
    echo ./usr/share/doc/vusk-sandwich/changelog.gz
} | sort)
[ "$files" = "$expected" ] || bad "files differ from the expected list:
$(diff <(echo "$expected") <(echo "$files") || true)"
grep -v -E '^(drwxr-xr-x|-rw-r--r--|-rwxr-xr-x) root/root .* \./(usr/|$)' <<<"$listing" &&
    bad "entries with other owners, modes or places above"
grep -E ' \./usr/local/|/build' <<<"$listing" && bad "entries under /usr/local or from a build folder above"
grep -q -E '^-rwxr-xr-x root/root .* \./usr/games/vusk-sandwich$' <<<"$listing" || bad "the game is not executable"

# The version in the package's name, its control file and the metainfo agree.
version=$(dpkg-deb -f "$deb" Version)
[[ $(basename "$deb") == vusk-sandwich_${version}_* ]] || bad "file name does not carry version $version"
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
dpkg-deb -x "$deb" "$tmp"
grep -q "<release version=\"$version\" date=\"[0-9-]*\"/>" "$tmp"/usr/share/metainfo/*.xml ||
    bad "the metainfo has no release $version"
depends=$(dpkg-deb -f "$deb" Depends)
for d in libqt6widgets6 libqt6gui6 libqt6core6 fonts-liberation2; do
    grep -q -E "(^|, )$d( |,|$)" <<<"$depends" || bad "Depends lacks $d: $depends"
done

desktop-file-validate "$tmp"/usr/share/applications/*.desktop || bad "desktop-file-validate"
appstreamcli validate --no-net "$tmp"/usr/share/metainfo/*.xml || bad "appstreamcli validate"
lintian --fail-on error "$deb" || bad "lintian found errors"

[ $fail -eq 0 ] && echo "$deb: $(wc -l <<<"$files") files, $(stat -c %s "$deb") bytes, Depends: $depends"
exit $fail

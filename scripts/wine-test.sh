#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 The Vusk sandwich developers
# SPDX-License-Identifier: GPL-3.0-or-later
# Runs one Windows test program under Wine for ctest (the cross build's emulator).
# Wine passes no host variable starting with QT_ to the program, but turns WINEQT_x into
# QT_x, so every QT_ variable is handed on that way. A QtTest program's own output is lost
# when Wine's standard output is not a terminal, so it writes to a file that is shown here.
set -uo pipefail
exe=$1
shift
while IFS='=' read -r name value; do
    export "WINE$name=$value"
done < <(env | grep '^QT_')
# Fonts for the offscreen platform: Liberation Sans, the stand-in for the window's font.
if [ -z "${WINEQT_QPA_FONTDIR:-}" ]; then
    for dir in /usr/share/fonts/truetype/liberation2 /usr/share/fonts/truetype/liberation; do
        [ -d "$dir" ] && { export WINEQT_QPA_FONTDIR="Z:${dir//\//\\}"; break; }
    done
fi
out=$(mktemp)
trap 'rm -f "$out"' EXIT
if [[ "$(basename "$exe")" == tst_* ]]; then
    wine "$exe" "$@" -o "$out,txt"
    status=$?
    cat "$out"
else
    wine "$exe" "$@"
    status=$?
fi
exit $status

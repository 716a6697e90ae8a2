#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 The Vusk sandwich developers
# SPDX-License-Identifier: GPL-3.0-or-later
# The Windows installer tried as a player would, under Wine and Xvfb, in a Wine prefix of
# its own: installs the game silently, starts it from what its Start-menu shortcut points
# at, checks its window, the files installed (the same as the zip's) and the manifest,
# makes the first save (into Documents), ends the game, uninstalls silently and checks that nothing of the game is
# left: no file, no Start-menu entry, no registry entry.
#
#   scripts/try-windows-installer.sh x86_64|i686 [SETUP.EXE ZIP]
#
# The packages default to the ones in dist/ that scripts/package-windows.sh writes. The
# screenshots go to build-windows-ARCH/installer-try/: installed.png (the game's window)
# save-dialog.png and saved.png (the first Save dialog and the box after it).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
started=$SECONDS

arch=${1:-}
case "$arch" in
    x86_64) bits=win64 gcc_dll=libgcc_s_seh-1.dll ;;
    i686) bits=win32 gcc_dll=libgcc_s_dw2-1.dll ;;
    *) echo "usage: $0 x86_64|i686 [SETUP.EXE ZIP]" >&2; exit 2 ;;
esac
version=$(sed -n 's/^project(VuskSandwich VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
setup=$(realpath "${2:-dist/vusk-sandwich-$version-$bits-setup.exe}")
zip=$(realpath "${3:-dist/vusk-sandwich-$version-$bits.zip}")
work=$root/build-windows-$arch/installer-try

fail() { echo "FAIL: $*" >&2; exit 1; }
step() { echo "== $* ($((SECONDS - started)) s)"; }
instdir='C:\Program Files\Vusk sandwich'
uninstall_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall'

# The part that needs an X display: this script again, under Xvfb (Wine's processes end
# with the display).
if [ -n "${VUSK_TRY_UNDER_X:-}" ]; then
    started=$((-VUSK_TRY_UNDER_X))     # the seconds the first part took
    drive=$WINEPREFIX/drive_c
    step "The installer's licence page"
    wine "$setup" > "$work/setup.log" 2>&1 &
    setup_win=$(timeout 60 xdotool search --sync --onlyvisible --name "^Vusk sandwich.* Setup\$" | head -1) \
        || fail "the installer opened no window within 60 s"
    sleep 2
    xdotool key --window "$setup_win" Return      # Next, past the welcome page
    sleep 3
    import -window root "$work/licence-page.png"
    wineserver -k; wineserver -w || true          # leaves before installing anything

    if [ "$bits" = win64 ]; then
        # What the 32-bit installer of earlier versions left in the 32-bit view of the
        # registry: the 64-bit installer takes it away.
        step "Entries of an earlier 32-bit installer"
        wine reg add "$uninstall_key\\Vusk sandwich" /v DisplayName /d "Vusk sandwich" /reg:32 /f >/dev/null
        wine reg add 'HKLM\Software\vusk\Vusk sandwich' /ve /d "$instdir" /reg:32 /f >/dev/null
    fi

    # Into the folder it proposes, as a player who only clicks Next gets it. (NSIS takes a
    # /D=folder only unquoted, which Wine's command line of a folder with a space is not.)
    step "Installing silently: $(basename "$setup") /S, into the folder it proposes"
    wine "$setup" /S || fail "the installer exited with $?"
    wineserver -w
    if [ "$bits" = win64 ]; then
        ! wine reg query 'HKLM\Software\vusk' /reg:32 >/dev/null 2>&1 \
            && ! wine reg query "$uninstall_key\\Vusk sandwich" /reg:32 >/dev/null 2>&1 \
            || fail "the earlier 32-bit installer's entries are still in the registry"
    fi
    unixdir=$(winepath -u "$instdir" 2>/dev/null)
    [ -f "$unixdir/vusk-sandwich.exe" ] || fail "no vusk-sandwich.exe in $instdir"

    step "The files installed"
    (cd "$unixdir" && find . -type f | sed "s|^\./||" | sort) > "$work/installed.txt"
    unzip -Z1 "$zip" | grep -v "/$" | sed "s|^[^/]*/||" | sort > "$work/zip.txt"
    grep -qx Uninstall.exe "$work/installed.txt" || fail "no Uninstall.exe installed"
    diff <(grep -vx Uninstall.exe "$work/installed.txt") "$work/zip.txt" \
        || fail "the installer and the zip hold different files (installed <, zip >)"
    for f in vusk-sandwich.exe Qt6Core.dll Qt6Gui.dll Qt6Widgets.dll platforms/qwindows.dll \
             styles/qwindowsvistastyle.dll libstdc++-6.dll "$gcc_dll" libwinpthread-1.dll \
             LICENSE.txt README.txt NOTICE.txt licenses/LGPL-3.0.txt licenses/GCC-exception-3.1.txt \
             licenses/winpthreads.txt licenses/Qt-third-party.txt; do
        grep -qx "$f" "$work/installed.txt" || fail "$f is not installed"
    done
    grep -q "GNU GENERAL PUBLIC LICENSE" "$unixdir/LICENSE.txt" || fail "LICENSE.txt is not the GPL"
    qt=$(sed -n "s/^Qt \([0-9.]*\):.*/\1/p" "$unixdir/NOTICE.txt")
    [ -n "$qt" ] && grep -q "qt6-base source package, version $qt+" "$unixdir/NOTICE.txt" \
        || fail "NOTICE.txt does not say which Qt is inside and what it was built from"

    step "The manifest"
    wrestool -x --raw -t 24 -n 1 "$unixdir/vusk-sandwich.exe" > "$work/manifest.xml" \
        || fail "vusk-sandwich.exe has no manifest"
    for want in "level=\"asInvoker\"" "<longPathAware[^>]*>true<" "<dpiAwareness[^>]*>PerMonitorV2<"; do
        grep -q "$want" "$work/manifest.xml" || fail "the manifest lacks $want"
    done
    [ "$(grep -c "<supportedOS " "$work/manifest.xml")" -eq 4 ] || fail "the manifest does not name Windows 7, 8, 8.1 and 10"

    step "The Start-menu shortcut"
    find "$drive/ProgramData/Microsoft/Windows/Start Menu" "$drive/users" -iname "*.lnk" \
        -ipath "*Start Menu*" 2>/dev/null | sort > "$work/shortcuts.txt"
    game_lnk=$(grep "/Vusk sandwich/Vusk sandwich.lnk$" "$work/shortcuts.txt") \
        || fail "no Start-menu entry Vusk sandwich/Vusk sandwich.lnk; found: $(cat "$work/shortcuts.txt")"
    lnkinfo "$game_lnk" > "$work/shortcut.txt"
    target=$(sed -n "s/^[[:space:]]*Local path[[:space:]]*: //p" "$work/shortcut.txt" | sed 's/\\\.\\/\\/g')
    startin=$(sed -n "s/^[[:space:]]*Working directory[[:space:]]*: //p" "$work/shortcut.txt")
    echo "   target $target, started in ${startin:-(not set)}"
    [ "${target,,}" = "${instdir,,}\\vusk-sandwich.exe" ] || fail "the shortcut points at $target"
    [ -n "$startin" ] || startin=$instdir

    step "Starting the game from the shortcut's target, in its working folder"
    (cd "$(winepath -u "$startin")" && exec wine "$target") > "$work/game.log" 2>&1 &
    game=$!
    win=$(timeout 60 xdotool search --sync --onlyvisible --name "^Vusk sandwich\$" | head -1) \
        || fail "no window titled Vusk sandwich within 60 s; the game said: $(cat "$work/game.log")"
    sleep 2
    xwininfo -id "$win" > "$work/window.txt"
    width=$(sed -n "s/^ *Width: //p" "$work/window.txt")
    height=$(sed -n "s/^ *Height: //p" "$work/window.txt")
    echo "   window $win, ${width}x${height}"
    [ "$width" -ge 300 ] && [ "$height" -ge 200 ] || fail "the window is only ${width}x${height}"
    import -window root "$work/installed.png"

    # New game, then File, Save: the first Save dialog proposes vusk_save.txt in the player's
    # Documents, since the game was started in its own folder; Enter takes the proposal. The
    # window takes the keyboard once it has the focus and a click (there is no window
    # manager under Xvfb).
    step "The first save, from the installation folder"
    xdotool windowfocus --sync "$win"
    xdotool mousemove --window "$win" $((width / 2)) $((height / 2)) click 1
    sleep 1
    xdotool key --window "$win" Return      # New game, the focused button
    sleep 1
    xdotool key ctrl+s
    sleep 4
    import -window root "$work/save-dialog.png"
    xdotool key Return                      # Save, with the name the dialog proposes
    sleep 3
    import -window root "$work/saved.png"
    [ -f "$docs/vusk_save.txt" ] || fail "no vusk_save.txt in Documents (windows: $(
        for w in $(xdotool search --onlyvisible --name .); do xdotool getwindowname "$w"; done | tr '\n' ' '))"
    [ ! -e "$(winepath -u "$instdir")/vusk_save.txt" ] || fail "the first save went into the installation folder"
    echo "   saved to Documents: $(head -c 40 "$docs/vusk_save.txt" | tr '\n' ' ')..."
    rm -f "$docs/vusk_save.txt"

    step "Ending the game"
    wineserver -k || true
    wineserver -w
    wait "$game" 2>/dev/null || true

    step "Uninstalling silently"
    # The entry Apps & features lists, found by its name, in the view of the registry that
    # the installer writes to: its own, 64-bit or 32-bit like the game.
    uninstall=$(wine reg query "$uninstall_key" /s "/reg:${bits#win}" 2>/dev/null \
        | tr -d '\r' | awk '/^HKEY/ {key = $0}
                           /DisplayName +REG_SZ +Vusk sandwich$/ {game = key}
                           /UninstallString +REG_SZ/ {sub(/.*REG_SZ +/, ""); gsub(/"/, ""); cmd[key] = $0}
                           END {if (game != "") print cmd[game]}')
    [ -n "$uninstall" ] || fail "no uninstall entry in the registry"
    echo "   $uninstall"
    [ "${uninstall,,}" = "${instdir,,}\\uninstall.exe" ] || fail "the uninstall entry runs $uninstall"
    wine "$uninstall" /S || fail "the uninstaller exited with $?"
    wineserver -w     # the uninstaller runs a copy of itself and returns at once
    exit 0
fi

. scripts/deps.sh
. scripts/wine.sh
vusk_need_wine
vusk_need xvfb xauth xdotool x11-utils imagemagick liblnk-utils icoutils unzip

rm -rf "$work"
mkdir -p "$work"
# The installed game must run from its own folder alone, so Wine gets no search path of the
# build's (package-windows.sh sets one for the tests): with it a missing DLL would go
# unnoticed, and a prefix made with it cannot start 32-bit programs.
unset WINEPATH
vusk_wine_prefix "$work/wine" "$arch"
drive=$WINEPREFIX/drive_c
# Every file of the fresh prefix and every registry line naming the game, to compare with
# after the uninstall (Wine's own files change as programs run; the game's must not stay).
vusk_traces() {
    wineserver -w
    (cd "$drive" && find . -iname '*vusk*')
    grep -i -h 'vusk' "$WINEPREFIX"/*.reg || true
}
# Wine links the user's Documents to the home folder; the try saves into a folder of the
# prefix's own instead.
docs=$drive/users/$(id -un)/Documents
rm -f "$docs" && mkdir -p "$docs"
export docs
vusk_traces > "$work/before.txt"
VUSK_TRY_UNDER_X=$((SECONDS - started)) xvfb-run -a -s "-screen 0 1280x800x24" "$0" "$@"


step "What is left"
vusk_traces > "$work/after.txt"
diff "$work/before.txt" "$work/after.txt" || fail "the uninstall left these behind (>)"
rm -rf "$work/wine"
step "The installer works: installed, started, uninstalled without a trace"

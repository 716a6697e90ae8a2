#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 The Vusk sandwich developers
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs a package built by `./package deb` on this machine with apt-get,
# opens the game through its installed desktop entry under Xvfb, checks that
# the window "Vusk sandwich" is there with its icon, takes a screenshot, then
# purges the package and checks that every file it installed is gone.
# Needs root (or sudo) and a machine where vusk-sandwich is not installed.
# Usage: scripts/try-deb.sh [DEB] [SCREENSHOT.png]
set -euo pipefail
cd "$(dirname "$0")/.."

desktop=/usr/share/applications/org.example.vusk.VuskSandwich.desktop

# Inside xvfb-run: launch the game through its desktop entry and look at its window.
if [ "${1:-}" = --inside-x ]; then
    shot=$2
    export ICON_RGBA=$shot.rgba
    gio launch "$desktop"
    wid=""
    for _ in $(seq 300); do
        # The game's top-level window has a class; Qt's hidden helper windows have none.
        wid=$(xwininfo -root -tree | awk '/"Vusk sandwich": \("vusk-sandwich"/ {print $1; exit}')
        [ -n "$wid" ] && xwininfo -id "$wid" | grep -q IsViewable && break
        sleep 0.1
    done
    [ -n "$wid" ] || { echo "FAIL: no window \"Vusk sandwich\"" >&2; exit 1; }
    sleep 1
    xwininfo -id "$wid" | grep -E 'xwininfo|Width|Height|Map State'
    xprop -id "$wid" WM_CLASS _NET_WM_NAME _NET_WM_PID
    # The icon the window carries: its sizes, and the largest one as a PNG beside the
    # screenshot.
    xprop -id "$wid" -notype -f _NET_WM_ICON 32c _NET_WM_ICON | perl -ne '
        next unless s/^_NET_WM_ICON = //;
        my @v = split /, /;
        my ($best, @sizes);
        for (my $i = 0; $i + 1 < @v; $i += 2 + $v[$i] * $v[$i + 1]) {
            push @sizes, "$v[$i]x$v[$i + 1]";
            $best = $i if !defined $best || $v[$i] > $v[$best];
        }
        print "window icon sizes: @sizes\n";
        my ($w, $h) = @v[$best, $best + 1];
        open my $f, ">", "$ENV{ICON_RGBA}" or die;
        print $f pack("C*", map { (($_ >> 16) & 255, ($_ >> 8) & 255, $_ & 255, ($_ >> 24) & 255) }
                              @v[$best + 2 .. $best + 1 + $w * $h]);
        print "$w $h\n";' > "$shot.icon.txt"
    cat "$shot.icon.txt"
    read -r w h < <(tail -n 1 "$shot.icon.txt")
    [ -n "${w:-}" ] || { echo "FAIL: the window has no icon" >&2; kill "$(xprop -id "$wid" _NET_WM_PID | awk '{print $3}')"; exit 1; }
    convert -size "${w}x$h" -depth 8 "rgba:$ICON_RGBA" "${shot%.png}-icon.png"
    rm -f "$ICON_RGBA" "$shot.icon.txt"
    import -window root "$shot"
    echo "Screenshot: $shot, window icon: ${shot%.png}-icon.png"
    pid=$(xprop -id "$wid" _NET_WM_PID | awk '{print $3}')
    exe=$(readlink "/proc/$pid/exe")
    echo "Running: $exe"
    kill "$pid"
    [ "$exe" = /usr/games/vusk-sandwich ] || { echo "FAIL: not the installed game" >&2; exit 1; }
    exit 0
fi

. scripts/deps.sh
vusk_need xvfb xauth x11-utils libglib2.0-bin imagemagick

deb=$(realpath "${1:-$(ls dist/vusk-sandwich_*_"$(dpkg --print-architecture)".deb | tail -n 1)}")
shot=${2:-build-deb/installed.png}
mkdir -p "$(dirname "$shot")"
sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
if dpkg-query -W -f='${Status}' vusk-sandwich 2>/dev/null | grep -q "ok installed"; then
    echo "vusk-sandwich is already installed; purge it first" >&2
    exit 1
fi

DEBIAN_FRONTEND=noninteractive $sudo apt-get -o DPkg::Lock::Timeout=900 install -y -qq "$deb"
installed=$(dpkg -L vusk-sandwich)
fail=0
bad() { echo "FAIL: $*" >&2; fail=1; }
xvfb-run -a -s "-screen 0 800x600x24" scripts/try-deb.sh --inside-x "$(realpath "$shot")" || fail=1

DEBIAN_FRONTEND=noninteractive $sudo apt-get -o DPkg::Lock::Timeout=900 purge -y -qq vusk-sandwich
left=0
while read -r path; do
    # Folders such as /usr/share/icons/hicolor/16x16/apps belong to other packages too.
    if [ -e "$path" ] && { [ ! -d "$path" ] || [[ $path == */vusk-sandwich ]]; }; then
        echo "left behind: $path" >&2
        left=1
    fi
done <<<"$installed"
[ $left -eq 0 ] || bad "files left after purge"
echo "$(wc -l <<<"$installed") paths listed by dpkg -L; after purge: $([ $left -eq 0 ] && echo none left || echo some left)"
exit $fail

# SPDX-FileCopyrightText: 2026 The Vusk sandwich developers
# SPDX-License-Identifier: GPL-3.0-or-later
# Sourced by ./run, ./test and .ci/run: installs the Debian/Ubuntu packages
# that are missing. Usage: vusk_need PACKAGE...
vusk_need() {
    local missing=()
    local p
    for p in "$@"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "Installing: ${missing[*]}"
    local sudo=""
    [ "$(id -u)" -ne 0 ] && sudo="sudo"
    if ! command -v apt-get >/dev/null 2>&1; then
        echo "apt-get not found: please install ${missing[*]} by hand." >&2
        return 1
    fi
    vusk_apt_update
    DEBIAN_FRONTEND=noninteractive $sudo apt-get -o DPkg::Lock::Timeout=900 install -y -qq --no-install-recommends "${missing[@]}"
}

# Updates apt's lists. A mirror caught in the middle of its sync serves lists whose size
# does not match their index ("Mirror sync in progress?"): tried again after a pause. When
# some list still fails, apt keeps the others and its older copies, which may well hold the
# packages asked for: the install that follows says when they do not.
vusk_apt_update() {
    local sudo="" attempt
    [ "$(id -u)" -ne 0 ] && sudo="sudo"
    for attempt in 1 2 3; do
        $sudo apt-get -o DPkg::Lock::Timeout=900 update -qq && return 0
        [ $attempt -lt 3 ] && { echo "apt-get update failed; again in $((attempt * 20)) s" >&2; sleep $((attempt * 20)); }
    done
    echo "apt-get update failed three times; installing from the lists apt has" >&2
}

# What building and testing the game needs.
VUSK_BUILD_PACKAGES=(cmake g++ ninja-build qt6-base-dev fonts-liberation2)

vusk_configure_and_build() {  # build-dir [cmake options...]
    local dir=$1
    shift
    cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@"
    cmake --build "$dir" -j "$(nproc)"
}

# A build folder that found another Qt than the one at QT (a Qt cached under another key) is
# emptied: CMake keeps the Qt it found first and would go on linking the old one.
# Usage: vusk_build_dir_for BUILD-DIR QT
vusk_build_dir_for() {
    if [ -f "$1/CMakeCache.txt" ] && ! grep -qxF "Qt6_DIR:PATH=$2/lib/cmake/Qt6" "$1/CMakeCache.txt"; then
        rm -rf "$1"
    fi
    mkdir -p "$1"
}

# Debian's source of the host's qt6-base (the Qt the host tools come from), unpacked once
# under CACHE/src; prints its folder. Adds a deb-src line when apt has none.
# Usage: vusk_qt_source CACHE
vusk_qt_source() {
    local cache=$1 host_qt qt_version src="" d sudo=""
    host_qt=$(dpkg-query -W -f='${Version}' qt6-base-dev)      # e.g. 6.4.2+dfsg-10
    qt_version=${host_qt%%+*}
    qt_version=${qt_version%%-*}
    [ "$(id -u)" -ne 0 ] && sudo="sudo"
    for d in "$cache"/src/qt6-base-*/; do
        [ -f "$d.cmake.conf" ] && grep -q "\"$qt_version\"" "$d.cmake.conf" && src=${d%/}
    done
    if [ -z "$src" ]; then
        if ! apt-cache showsrc qt6-base 2>/dev/null | grep '^Package: qt6-base' >/dev/null; then
            if [ -f /etc/apt/sources.list.d/debian.sources ]; then
                sed 's/^Types: deb$/Types: deb-src/' /etc/apt/sources.list.d/debian.sources \
                    | $sudo tee /etc/apt/sources.list.d/vusk-deb-src.sources >/dev/null
            else
                sed -n 's/^deb /deb-src /p' /etc/apt/sources.list \
                    | $sudo tee /etc/apt/sources.list.d/vusk-deb-src.list >/dev/null
            fi
            vusk_apt_update >&2
        fi
        rm -rf "$cache/src" && mkdir -p "$cache/src"
        (cd "$cache/src" && apt-get source -qq "qt6-base=$host_qt" >/dev/null 2>&1 \
            || apt-get source -qq qt6-base >/dev/null) >&2
        src=$(echo "$cache"/src/qt6-base-*/)
        src=${src%/}
        grep -q "\"$qt_version\"" "$src/.cmake.conf" || { echo "Qt source is not $qt_version" >&2; return 1; }
    fi
    echo "$src"
}

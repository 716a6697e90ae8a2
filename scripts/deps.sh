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
    $sudo apt-get -o DPkg::Lock::Timeout=900 update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get -o DPkg::Lock::Timeout=900 install -y -qq --no-install-recommends "${missing[@]}"
}

# What building and testing the game needs.
VUSK_BUILD_PACKAGES=(cmake g++ ninja-build qt6-base-dev fonts-liberation2)

vusk_configure_and_build() {  # build-dir [cmake options...]
    local dir=$1
    shift
    cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@"
    cmake --build "$dir" -j "$(nproc)"
}

#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 The Vusk sandwich developers
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the Debian package for this machine's architecture into dist/:
# a Release build with Debian's hardening flags in build-deb/, installed under
# /usr and packed by CPack, with the library dependencies from dpkg-shlibdeps.
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/deps.sh
vusk_need "${VUSK_BUILD_PACKAGES[@]}" dpkg-dev file

# The flags Debian builds its own packages with (-O2, fortify, stack
# protector, full RELRO and immediate binding).
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
CXXFLAGS="$(dpkg-buildflags --get CXXFLAGS) $(dpkg-buildflags --get CPPFLAGS)"
LDFLAGS="$(dpkg-buildflags --get LDFLAGS)"
export CXXFLAGS LDFLAGS

dir=build-deb
cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=None -DCMAKE_INSTALL_PREFIX=/usr -DVUSK_TESTS=OFF
cmake --build "$dir" -j "$(nproc)"

version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$dir/CMakeCache.txt")
arch=$(dpkg --print-architecture)
deb=dist/vusk-sandwich_${version}_${arch}.deb
rm -f "$deb"
# CPack stages the package's files in the build folder; only the .deb goes to dist/.
(cd "$dir" && cpack -G DEB -B "$PWD/cpack")
mkdir -p dist
mv "$dir/cpack/$(basename "$deb")" "$deb"
echo "Built $deb"

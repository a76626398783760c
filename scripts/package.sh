#!/usr/bin/env bash
# Installs what is missing and builds the Debian package: an optimised build for /usr, in build-deb/ (or
# $MIRTAL_PACKAGE_BUILD_DIR), packed by CPack. Prints the package's path last. Extra arguments go to CMake's
# configure step.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
build_dir="${MIRTAL_PACKAGE_BUILD_DIR:-build-deb}"
# Built with Debian's hardening flags, as its own packages are.
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
cmake -S . -B "$build_dir" -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr -DMIRTAL_BUILD_TESTS=OFF \
    -DCMAKE_CXX_FLAGS="$(dpkg-buildflags --get CPPFLAGS) $(dpkg-buildflags --get CXXFLAGS)" \
    -DCMAKE_EXE_LINKER_FLAGS="$(dpkg-buildflags --get LDFLAGS)" "$@" >/dev/null
cmake --build "$build_dir" -j"$(nproc)"
rm -f "$build_dir"/mirtal_*.deb
(cd "$build_dir" && cpack -G DEB >/dev/null)
ls "$PWD/$build_dir"/mirtal_*_amd64.deb

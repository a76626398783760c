#!/usr/bin/env bash
# The Windows suite: the whole project cross-compiled with MinGW-w64 against the static Qt for Windows (warnings as
# errors, one tree: build-mingw, shared with scripts/build-windows.sh), then every test of it run under Wine, in a
# Russian locale (ANSI code page 1251) and with Wine's display-less graphics driver; last, the zip of the program.
# Needs the packages of scripts/packages/windows.txt (scripts/install-deps.sh).
set -euo pipefail
cd "$(dirname "$0")/../.."
root="$PWD"
build_dir="${MIRTAL_WINDOWS_BUILD_DIR:-build-mingw}"
case "$build_dir" in /*) ;; *) build_dir="$root/$build_dir" ;; esac
export MIRTAL_WINDOWS_BUILD_DIR="$build_dir"

if ! command -v x86_64-w64-mingw32-g++-posix >/dev/null; then
    echo "windows: x86_64-w64-mingw32-g++-posix is missing; run scripts/install-deps.sh" >&2
    exit 1
fi

# Building Qt for Windows takes half an hour: the suite does not do it on its own.
if ! bash scripts/build-windows.sh --have-qt; then
    echo "windows: NO QT FOR WINDOWS (no ../shared/qt6-mingw64-static, none built): the Windows suite did NOT run;" \
         "scripts/build-windows.sh builds Qt once." >&2
    exit 0
fi

start=$SECONDS
bash scripts/build-windows.sh --configure
cmake --build "$build_dir" -j"$(nproc)"
echo "windows: cross build done in $((SECONDS - start)) s"

if ! command -v wine >/dev/null || ! command -v wineserver >/dev/null; then
    echo "windows: WINE IS NOT INSTALLED: the project compiled for Windows, but its tests did NOT run." >&2
    exit 0
fi

# Wine in a prefix of the build tree, Russian locale, display-less driver, one server for the whole run.
wine_start=$SECONDS
# shellcheck source=../wine-env.sh
source scripts/wine-env.sh
if ! mirtal_wine_start "$build_dir/wineprefix"; then
    echo "windows: WINE CANNOT RUN HERE (wineboot failed): the project compiled for Windows, but its tests did NOT run." >&2
    exit 0
fi
echo "windows: Wine ready in $((SECONDS - wine_start)) s"

ctest --test-dir "$build_dir" --output-on-failure -j"$(nproc)"
echo "windows: tests done in $((SECONDS - start)) s"

bash scripts/build-windows.sh

#!/usr/bin/env bash
# The Windows suite: cross-compiles the Win32 layer and its tests with MinGW-w64 (warnings as errors), then runs
# them under Wine, in a Russian locale (ANSI code page 1251) and with Wine's display-less graphics driver.
# Needs the packages of scripts/packages/windows.txt (scripts/install-deps.sh).
set -euo pipefail
cd "$(dirname "$0")/../.."
root="$PWD"
build_dir="${MIRTAL_WINDOWS_BUILD_DIR:-build-mingw}"
case "$build_dir" in /*) ;; *) build_dir="$root/$build_dir" ;; esac

if ! command -v x86_64-w64-mingw32-g++-posix >/dev/null; then
    echo "windows: x86_64-w64-mingw32-g++-posix is missing; run scripts/install-deps.sh" >&2
    exit 1
fi

start=$SECONDS
cmake -S platform/windows -B "$build_dir" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo -DMIRTAL_WARNINGS_AS_ERRORS=ON >/dev/null
cmake --build "$build_dir" -j"$(nproc)"
echo "windows: cross build done in $((SECONDS - start)) s"

if ! command -v wine >/dev/null || ! command -v wineserver >/dev/null; then
    echo "windows: WINE IS NOT INSTALLED: the Win32 layer compiled, but its tests did NOT run." >&2
    exit 0
fi

# Wine takes its ANSI code page from the locale's name and its file-name encoding from the C library, so the
# locale must exist on this machine, not only be named.
if ! grep -qix 'ru_RU\.utf-\?8' <<<"$(locale -a 2>/dev/null || true)"; then
    sudo_cmd=()
    [ "$(id -u)" -ne 0 ] && sudo_cmd=(sudo)
    "${sudo_cmd[@]}" localedef -i ru_RU -f UTF-8 ru_RU.UTF-8
fi

export WINEPREFIX="$build_dir/wineprefix"
export WINEARCH=win64
export WINEDEBUG=-all
export LC_ALL=ru_RU.UTF-8
# No Mono or Gecko installer while the prefix is made; the tests need neither.
export WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY WAYLAND_DISPLAY

# One server for the whole run, and the prefix booted before the first test: otherwise every test program waits
# seconds for Wine to start its helpers and stop them again.
wine_start=$SECONDS
mkdir -p "$WINEPREFIX"
wineserver -p 2>/dev/null || true  # already running for this prefix: keep it
trap 'wineserver -k >/dev/null 2>&1 || true' EXIT
if ! wineboot -i >/dev/null 2>&1; then
    echo "windows: WINE CANNOT RUN HERE (wineboot failed): the Win32 layer compiled, but its tests did NOT run." >&2
    exit 0
fi
# Windows without a display: the dialogs are real windows that nobody sees. The desktop process picks its driver
# when it starts, so a change needs a fresh boot.
driver=$(wine reg query 'HKCU\Software\Wine\Drivers' /v Graphics 2>/dev/null || true)
if ! grep -q null <<<"$driver"; then
    wine reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f >/dev/null
    wineserver -k
    wineserver -w
    wineserver -p
    wineboot >/dev/null 2>&1
fi
echo "windows: Wine ready in $((SECONDS - wine_start)) s"

ctest --test-dir "$build_dir" --output-on-failure -j"$(nproc)"

#!/usr/bin/env bash
# Builds the Windows program on Linux: dist/Mirtal-<version>-win64.zip with one static mirtal.exe, ПРОЧТИ.txt and
# the licence texts. Cross-compiles with Debian's MinGW-w64 against a static Qt 6.4.2 for Windows: the one in
# ../shared/qt6-mingw64-static (unpacked into the cache), or, where that is absent, one built here from Debian's
# qt6-base source package by packaging/windows/qt/build-qt.sh (about half an hour of two cores; cached).
#   bash scripts/build-windows.sh            the zip
#   bash scripts/build-windows.sh --qt       only make Qt ready and print its folder
#   bash scripts/build-windows.sh --have-qt  succeeds when Qt is at hand without building it
#   bash scripts/build-windows.sh --bench    start-up under Wine beside a bare window (a figure, not a test)
# Environment: MIRTAL_WINDOWS_BUILD_DIR (default build-mingw, shared with scripts/test.d/windows.sh),
# MIRTAL_CACHE_DIR (default $XDG_CACHE_HOME/mirtal or ~/.cache/mirtal), MIRTAL_QT_ARCHIVE (the prebuilt archive).
set -euo pipefail
cd "$(dirname "$0")/.."
root="$PWD"
cache="${MIRTAL_CACHE_DIR:-${XDG_CACHE_HOME:-$HOME/.cache}/mirtal}"
archive="${MIRTAL_QT_ARCHIVE:-$root/../shared/qt6-mingw64-static/qt6-mingw64-static.tar.xz}"
build_dir="${MIRTAL_WINDOWS_BUILD_DIR:-build-mingw}"
case "$build_dir" in /*) ;; *) build_dir="$root/$build_dir" ;; esac

# Unpacks (once per archive) and prints the Qt prefix.
qt_prefix() {
    local unpacked="$cache/qt6-mingw64-static-6.4.2"
    if [ ! -f "$archive" ]; then
        local built="$cache/qt6-mingw64-static.tar.xz"
        if [ ! -f "$built" ]; then
            echo "build-windows: no prebuilt Qt for Windows at $archive;" >&2
            echo "build-windows: building Qt 6.4.2 (static, MinGW-w64) from Debian's qt6-base source package into" \
                 "$cache (about half an hour on two cores, once)" >&2
            mkdir -p "$cache"
            QT_MINGW_WORK="$cache/qt-build" bash packaging/windows/qt/build-qt.sh "$built" >&2
        fi
        archive="$built"
    fi
    if [ ! -f "$unpacked/.from" ] || [ "$(cat "$unpacked/.from")" != "$archive $(stat -c %Y "$archive")" ]; then
        rm -rf "$unpacked"
        mkdir -p "$unpacked"
        tar -C "$unpacked" -xJf "$archive"
        echo "$archive $(stat -c %Y "$archive")" >"$unpacked/.from"
    fi
    echo "$unpacked/qt6-mingw64-static"
}

# Configures the Windows tree (tests included, so that scripts/test.d/windows.sh reuses it).
configure() {
    local qt
    qt=$(qt_prefix)
    cmake -S "$root" -B "$build_dir" -G Ninja \
        -DCMAKE_TOOLCHAIN_FILE="$qt/lib/cmake/Qt6/qt.toolchain.cmake" \
        -DQT_CHAINLOAD_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" \
        -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
        -DCMAKE_BUILD_TYPE=Release -DMIRTAL_WARNINGS_AS_ERRORS=ON >/dev/null
}

case "${1:-}" in
--have-qt)
    # Whether Qt for Windows is at hand without building it.
    [ -f "$archive" ] || [ -f "$cache/qt6-mingw64-static.tar.xz" ]
    exit
    ;;
--qt)
    qt_prefix
    exit 0
    ;;
--configure)
    configure
    exit 0
    ;;
--bench)
    configure
    cmake --build "$build_dir" -j"$(nproc)" --target mirtal_bench_startup_windows
    # shellcheck source=wine-env.sh
    source scripts/wine-env.sh
    mirtal_wine_start "$build_dir/wineprefix"
    wine "$build_dir/bench/mirtal_bench_startup_windows.exe"
    exit 0
    ;;
"") ;;
*)
    echo "usage: $0 [--qt | --have-qt | --configure | --bench]" >&2
    exit 2
    ;;
esac

for tool in x86_64-w64-mingw32-g++-posix x86_64-w64-mingw32-windres ninja python3; do
    command -v "$tool" >/dev/null || { echo "build-windows: $tool is missing; run scripts/install-deps.sh" >&2; exit 1; }
done

configure
cmake --build "$build_dir" -j"$(nproc)" --target mirtal

version=$(sed -n 's/^project(Mirtal VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
stage="$build_dir/package/Mirtal-$version"
rm -rf "$build_dir/package"
mkdir -p "$stage" dist
cp "$build_dir/app/mirtal.exe" "$stage/"
x86_64-w64-mingw32-strip "$stage/mirtal.exe"
cp packaging/windows/ПРОЧТИ.txt packaging/windows/LICENSE-Qt.txt packaging/windows/THIRD-PARTY-NOTICES.txt "$stage/"
cp LICENSE "$stage/LICENSE.txt"
cp /usr/share/common-licenses/LGPL-3 "$stage/LGPL-3.txt"
cp /usr/share/common-licenses/GPL-3 "$stage/GPL-3.txt"
# Windows' own notepad wants CR LF.
for text in "$stage"/*.txt; do sed -i 's/\r\?$/\r/' "$text"; done
# And a byte-order mark, by which every Notepad knows the Russian text for UTF-8.
sed -i '1s/^/\xEF\xBB\xBF/' "$stage/ПРОЧТИ.txt"
zip_file="$root/dist/Mirtal-$version-win64.zip"
rm -f "$zip_file"
# Python's zipfile marks the Cyrillic name as UTF-8, which Windows' own zip folders read.
python3 - "$zip_file" "$build_dir/package" "Mirtal-$version" <<'PY'
import os, sys, zipfile
archive, base, top = sys.argv[1:]
with zipfile.ZipFile(archive, "w", zipfile.ZIP_DEFLATED, compresslevel=9) as z:
    for name in sorted(os.listdir(os.path.join(base, top))):
        z.write(os.path.join(base, top, name), top + "/" + name)
PY
echo "build-windows: $(stat -c %s "$stage/mirtal.exe") bytes mirtal.exe, $(stat -c %s "$zip_file") bytes $zip_file"

#!/usr/bin/env bash
# Build a static Qt 6.4.2 (qtbase: Core, Gui, Widgets, Network, Test + the Windows platform plugin) for
# 64-bit Windows with Debian's MinGW-w64, from Debian's own qt6-base source package, using the host's Qt 6.4.2
# tools (moc, rcc, uic) from qt6-base-dev-tools. Output: a tarball usable as CMAKE_PREFIX_PATH.
# Tablet events are off: Debian's source leaves out the wintab header that the Windows plugin needs for them.
# DirectWrite 3 is off: with Direct2D off, Qt 6.4.2 leaves its font database out of QtGui but the plugin still
# asks for it; the GDI font database serves instead (as in Qt's own MinGW builds).
# Usage: build-qt.sh OUT_TARBALL   (needs: deb-src for bookworm, mingw-w64 posix, qt6-base-dev-tools, ninja-build)
set -euo pipefail
out=$(realpath -m "$1")
here=$(cd "$(dirname "$0")" && pwd)
work=${QT_MINGW_WORK:-/tmp/qt-mingw-work}
# Installed under the work folder, so that no root rights are needed.
prefix=$work/install/qt6-mingw64-static
mkdir -p "$work" && cd "$work"
[ -d qtbase-everywhere-src-6.4.2 ] || { apt-get source --download-only qt6-base >/dev/null; tar xf qt6-base_6.4.2+dfsg.orig.tar.xz; }
# Qt 6.4.2's Windows plugin reaches for the dynamic OpenGL loader even when OpenGL is off; guard it.
sed -i 's/^#if QT_CONFIG(dynamicgl)$/#if QT_CONFIG(dynamicgl) \&\& QT_CONFIG(opengl)/' \
  qtbase-everywhere-src-6.4.2/src/plugins/platforms/windows/qwindowswindow.cpp
mkdir -p build && cd build
cmake -G Ninja ../qtbase-everywhere-src-6.4.2 \
  -DCMAKE_TOOLCHAIN_FILE="$here/toolchain-mingw64.cmake" \
  -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
  -DCMAKE_INSTALL_PREFIX=$prefix -DCMAKE_BUILD_TYPE=Release -DBUILD_SHARED_LIBS=OFF \
  -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF \
  -DFEATURE_system_zlib=OFF -DFEATURE_system_jpeg=OFF -DFEATURE_system_png=OFF -DFEATURE_system_pcre2=OFF \
  -DFEATURE_system_harfbuzz=OFF -DFEATURE_system_freetype=OFF -DFEATURE_freetype=ON \
  -DFEATURE_opengl=OFF -DFEATURE_vulkan=OFF -DFEATURE_dbus=OFF -DFEATURE_sql=OFF -DFEATURE_printsupport=OFF \
  -DFEATURE_concurrent=OFF -DFEATURE_xml=OFF -DFEATURE_icu=OFF -DFEATURE_openssl=OFF \
  -DFEATURE_schannel=OFF -DFEATURE_sql_sqlite=OFF -DFEATURE_ltcg=OFF -DFEATURE_direct2d=OFF \
  -DFEATURE_pkg_config=OFF -DFEATURE_gif=ON -DFEATURE_jpeg=ON \
  -DFEATURE_tabletevent=OFF -DFEATURE_directwrite3=OFF
ninja -j"${JOBS:-2}"
rm -rf "$prefix" && ninja install >/dev/null
tar -C "$work/install" -cJf "$out" qt6-mingw64-static
ls -la "$out"

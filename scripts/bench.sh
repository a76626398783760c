#!/usr/bin/env bash
# Builds the benchmarks in Release into build-bench/ (or $MIRTAL_BENCH_DIR) and runs them all; each prints its
# figures and the targets they are held to. vipsthumbnail (libvips-tools) and ImageMagick (imagemagick) are
# compared with when installed; --install-tools installs them first (Debian, as root).
set -euo pipefail
cd "$(dirname "$0")/.."

if [ "${1:-}" = "--install-tools" ]; then
    sudo_cmd=()
    [ "$(id -u)" -ne 0 ] && sudo_cmd=(sudo)
    export DEBIAN_FRONTEND=noninteractive
    "${sudo_cmd[@]}" apt-get -o DPkg::Lock::Timeout=600 update -qq
    "${sudo_cmd[@]}" apt-get -o DPkg::Lock::Timeout=600 install -y -qq --no-install-recommends \
        libvips-tools imagemagick >/dev/null
fi

bash scripts/install-deps.sh
build_dir="${MIRTAL_BENCH_DIR:-build-bench}"
cmake -S . -B "$build_dir" -DCMAKE_BUILD_TYPE=Release -DMIRTAL_BUILD_TESTS=ON >/dev/null
cmake --build "$build_dir" -j"$(nproc)" --target mirtal_bench_pictures mirtal_bench_folders mirtal_bench_startup

# Qt wants a private runtime folder; without one it says so on every start.
if [ -z "${XDG_RUNTIME_DIR:-}" ]; then
    XDG_RUNTIME_DIR="$(mktemp -d)"
    export XDG_RUNTIME_DIR
    trap 'rm -rf "$XDG_RUNTIME_DIR"' EXIT
fi
export QT_QPA_PLATFORM=offscreen

echo "Machine: $(nproc) cores, load average $(cut -d' ' -f1-3 /proc/loadavg). Figures are medians; ratios are from this run."
status=0
for bench in mirtal_bench_pictures mirtal_bench_folders mirtal_bench_startup; do
    "$build_dir/bench/$bench" || status=1
done
exit $status

#!/usr/bin/env bash
# Installs what is missing, builds, and starts the program (under Xvfb when there is no display).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
bash scripts/build.sh
exe="${MIRTAL_BUILD_DIR:-build}/app/mirtal"
if [ -z "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
    echo "No display: starting on a virtual one (xvfb-run)."
    exec xvfb-run -a -s "-screen 0 1280x1024x24" "$exe"
fi
exec "$exe"

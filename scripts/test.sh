#!/usr/bin/env bash
# Installs what is missing, builds with warnings as errors, and runs every test headless.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
export MIRTAL_BUILD_DIR="${MIRTAL_BUILD_DIR:-build}"
bash scripts/build.sh -DMIRTAL_WARNINGS_AS_ERRORS=ON
ctest --test-dir "$MIRTAL_BUILD_DIR" --output-on-failure -j"$(nproc)"
# Further suites (each a script of its own) run after the main one.
for extra in scripts/test.d/*.sh; do
    [ -e "$extra" ] || continue
    echo "== $extra"
    bash "$extra"
done

#!/usr/bin/env bash
# Installs what is missing, builds with warnings as errors, and runs every test headless: the main suite, then the
# further suites of scripts/test.d/ (each a script of its own). Ends with one line that totals them all.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
export MIRTAL_BUILD_DIR="${MIRTAL_BUILD_DIR:-build}"
bash scripts/build.sh -DMIRTAL_WARNINGS_AS_ERRORS=ON

log="$(mktemp)"
trap 'rm -f "$log"' EXIT
ctest --test-dir "$MIRTAL_BUILD_DIR" --output-on-failure -j"$(nproc)" | tee -a "$log"
for extra in scripts/test.d/*.sh; do
    [ -e "$extra" ] || continue
    echo "== $extra"
    bash "$extra" | tee -a "$log"
done

# Every ctest run above closes with "N% tests passed, F tests failed out of T".
awk '/tests passed, [0-9]+ tests failed out of [0-9]+/ { failed += $4; total += $NF }
     END { printf "Total: %d passed, %d failed\n", total - failed, failed }' "$log"

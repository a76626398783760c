#!/usr/bin/env bash
# The whole test suite once more, built with AddressSanitizer and UndefinedBehaviorSanitizer (MIRTAL_SANITIZE) and
# warnings as errors, in a build folder of its own. Any report fails the test that made it.
set -euo pipefail
cd "$(dirname "$0")/../.."
build_dir="${MIRTAL_SANITIZE_BUILD_DIR:-build-san}"

start=$SECONDS
# -O1: most of the speed of an optimised build for a fraction of its compile time, and exact reports.
cmake -S . -B "$build_dir" -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS_DEBUG="-g -O1" -DMIRTAL_SANITIZE=ON \
    -DMIRTAL_WARNINGS_AS_ERRORS=ON >/dev/null
cmake --build "$build_dir" -j"$(nproc)"
echo "sanitizers: build done in $((SECONDS - start)) s"

export ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=0:strict_string_checks=1:detect_stack_use_after_return=1}"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}"
ctest --test-dir "$build_dir" --output-on-failure -j"$(nproc)"
echo "sanitizers: tests done in $((SECONDS - start)) s"

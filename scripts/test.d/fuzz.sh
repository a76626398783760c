#!/usr/bin/env bash
# Fuzzing: builds the libFuzzer targets of tests/fuzz with clang 14, ASan and UBSan (warnings as errors), and runs
# each for a bounded time (MIRTAL_FUZZ_SECONDS, 60 by default), starting from the seeds in tests/fuzz/corpus. A
# broken property or a sanitizer report fails the run; the input that did it is kept in the work folder.
# Needs the packages of scripts/packages/hardening.txt.
set -euo pipefail
cd "$(dirname "$0")/../.."
build_dir="${MIRTAL_FUZZ_BUILD_DIR:-build-fuzz}"
seconds="${MIRTAL_FUZZ_SECONDS:-60}"
targets=(settings update_search dosattrib)

for tool in clang-14 clang++-14; do
    if ! command -v "$tool" >/dev/null; then
        echo "fuzz: $tool is missing; run scripts/install-deps.sh" >&2
        exit 1
    fi
done

start=$SECONDS
CC=clang-14 CXX=clang++-14 cmake -S . -B "$build_dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DMIRTAL_FUZZ=ON \
    -DMIRTAL_BUILD_TESTS=OFF -DMIRTAL_WARNINGS_AS_ERRORS=ON >/dev/null
cmake --build "$build_dir" -j"$(nproc)" --target "${targets[@]/#/fuzz_}"
echo "fuzz: build done in $((SECONDS - start)) s"

# The corpus grown here stays in the build folder; the seeds under the project are never written to.
work="$build_dir/fuzz-work"
mkdir -p "$work/artifacts"
failed=0
for target in "${targets[@]}"; do
    corpus="$work/$target"
    log="$work/$target.log"
    mkdir -p "$corpus"
    seeds=$(find "tests/fuzz/corpus/$target" -type f | wc -l)
    rc=0
    ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=1}" UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1}" \
        "$build_dir/tests/fuzz/fuzz_$target" -max_total_time="$seconds" -print_final_stats=1 \
        -artifact_prefix="$work/artifacts/$target-" "$corpus" "tests/fuzz/corpus/$target" >"$log" 2>&1 || rc=$?
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)
    echo "fuzz_$target: ${runs:-?} executions in $seconds s from $seeds seeds; corpus now $(find "$corpus" -type f | wc -l) inputs"
    if [ "$rc" -ne 0 ]; then
        echo "fuzz_$target: FAILED (exit $rc); the end of its log:" >&2
        tail -n 40 "$log" >&2
        failed=1
    fi
done
exit "$failed"

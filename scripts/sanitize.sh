#!/bin/bash
# Builds everything with clang under AddressSanitizer and
# UndefinedBehaviorSanitizer, runs each fuzz target for QUORVEL_FUZZ_SECONDS
# (default 30) seconds from its seed folder, then runs every test.
set -euo pipefail
cd "$(dirname "$0")/.."
ROOT="$(pwd)"
BUILD="${QUORVEL_SAN_BUILD_DIR:-build-san}"
JOBS="$(nproc 2>/dev/null || echo 2)"
SECONDS_EACH="${QUORVEL_FUZZ_SECONDS:-30}"
CC=clang CXX=clang++ cmake -S . -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DQUORVEL_SANITIZE=ON -DQUORVEL_FUZZ=ON
cmake --build "$BUILD" -j "$JOBS"
BUILD="$(cd "$BUILD" && pwd)"
export ASAN_OPTIONS="detect_leaks=0:abort_on_error=1"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"

failed=0
for fuzzer in "$BUILD"/tests/fuzz/*_fuzz; do
    [ -x "$fuzzer" ] || continue
    name="$(basename "$fuzzer")"
    seeds="$ROOT/tests/fuzz/seeds/${name%_fuzz}"
    work="$(mktemp -d)"
    dirs=("$work/corpus")
    mkdir -p "$work/corpus"
    [ -d "$seeds" ] && dirs+=("$seeds")
    echo "fuzz smoke: $name for ${SECONDS_EACH}s"
    if ! (cd "$work" && "$fuzzer" -max_total_time="$SECONDS_EACH" -timeout=25 \
            -rss_limit_mb=4096 -print_final_stats=1 "${dirs[@]}" >"$work/log" 2>&1); then
        echo "fuzz smoke: $name FAILED"
        tail -n 60 "$work/log"
        failed=1
    else
        grep -E 'stat::number_of_executed_units|cov:' "$work/log" | tail -n 2
    fi
    rm -rf "$work"
done
if [ "$failed" != 0 ]; then
    exit 1
fi

cd "$BUILD"
QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j "$JOBS" --timeout 900

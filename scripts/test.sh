#!/bin/sh
# Builds Quorvel and runs every test. Set QUORVEL_BUILD_DIR to build elsewhere,
# QUORVEL_CMAKE_ARGS to pass options (for example -DQUORVEL_SANITIZE=ON).
set -e
cd "$(dirname "$0")/.."
BUILD="${QUORVEL_BUILD_DIR:-build}"
JOBS="$(nproc 2>/dev/null || echo 2)"
cmake -S . -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo ${QUORVEL_CMAKE_ARGS:-}
cmake --build "$BUILD" -j "$JOBS"
cd "$BUILD"
QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j "$JOBS" --timeout 600

#!/bin/sh
# Sets everything up, builds the program, the tests and the benchmarks, and
# runs every test with CTest (headless).
set -eu
cd "$(dirname "$0")/.."
./scripts/setup.sh
cmake --build build -j "$(nproc)"
export QT_QPA_PLATFORM=offscreen
ctest --test-dir build --output-on-failure --timeout 300 "$@"

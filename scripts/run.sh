#!/bin/sh
# Sets everything up, builds the program (with its help page and icon) and
# the simulator meridoc-sim, and starts the program from its program folder
# build/bin. The tests and benchmarks are built by test.sh.
set -eu
cd "$(dirname "$0")/.."
./scripts/setup.sh
cmake --build build -j "$(nproc)" --target meridoc meridoc-sim
exec ./build/bin/meridoc "$@"

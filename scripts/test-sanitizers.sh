#!/bin/sh
# Builds the program and every test with AddressSanitizer and
# UndefinedBehaviorSanitizer into build-asan/ and runs the suite there; the
# first report ends the test that made it, and the run fails. Needs what
# scripts/setup.sh installs; extra arguments go to CTest.
set -eu
cd "$(dirname "$0")/.."

# Optimised a little so the instrumented suite stays quick; the checks do not
# depend on it.
LAUNCHER=""
command -v ccache >/dev/null 2>&1 && LAUNCHER="-DCMAKE_CXX_COMPILER_LAUNCHER=ccache"
cmake -S . -B build-asan -G Ninja -DMERIDOC_SANITIZE=ON -DMERIDOC_BUILD_BENCH=OFF $LAUNCHER \
    -DCMAKE_BUILD_TYPE=Debug "-DCMAKE_CXX_FLAGS_DEBUG=-O1 -g"

ASAN_OPTIONS=halt_on_error=1:detect_leaks=1:check_initialization_order=1:detect_stack_use_after_return=1
UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS UBSAN_OPTIONS QT_QPA_PLATFORM

# The build runs the icon helpers, which are instrumented too.
cmake --build build-asan -j "$(nproc)"
ctest --test-dir build-asan --output-on-failure --timeout 300 "$@"

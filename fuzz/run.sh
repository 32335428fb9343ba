#!/bin/sh
# Builds the libFuzzer targets with clang and runs each for a bounded time.
# Usage: fuzz/run.sh [seconds-per-target] [target ...]
#   seconds-per-target: default 60 (or FUZZ_SECONDS); targets: default all.
# Environment: FUZZ_BUILD (build folder, default build-fuzz in the source
# tree), FUZZ_JOBS (targets run side by side, default 2).
# Each target keeps its corpus in <build>/corpus/<target>; a finding is
# written to <build>/findings/<target>/ and makes the script exit with 1.
set -u

here=$(cd "$(dirname "$0")" && pwd)
source_dir=$(dirname "$here")
build_dir=${FUZZ_BUILD:-$source_dir/build-fuzz}
seconds=${1:-${FUZZ_SECONDS:-60}}
[ $# -gt 0 ] && shift
jobs=${FUZZ_JOBS:-2}
all="fuzz_linecutter fuzz_portfile fuzz_portentry fuzz_linesettings fuzz_measurementfile fuzz_blocks"
targets=${*:-$all}

command -v clang++ >/dev/null || {
    echo "run.sh: clang++ is missing; install it with: apt-get install -y clang libclang-rt-14-dev" >&2
    exit 2
}
cmake -S "$here" -B "$build_dir" -G Ninja -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null \
    || { echo "run.sh: configuring $build_dir failed" >&2; exit 2; }
# shellcheck disable=SC2086
cmake --build "$build_dir" -j2 --target $targets >/dev/null \
    || { echo "run.sh: building the fuzz targets failed; run: cmake --build $build_dir" >&2; exit 2; }

run_one() {
    target=$1
    mkdir -p "$build_dir/corpus/$target" "$build_dir/findings/$target"
    "$build_dir/$target" -max_total_time="$seconds" -max_len=65536 -rss_limit_mb=2048 \
        -artifact_prefix="$build_dir/findings/$target/" -print_final_stats=1 \
        "$build_dir/corpus/$target" >"$build_dir/$target.log" 2>&1
    code=$?
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$build_dir/$target.log")
    if [ "$code" -eq 0 ]; then
        echo "$target: ok, ${runs:-?} executions in ${seconds} s"
    else
        echo "$target: FINDING (exit $code), see $build_dir/$target.log and $build_dir/findings/$target/"
    fi
    return "$code"
}

failed=0
running=0
pids=""
for target in $targets; do
    run_one "$target" &
    pids="$pids $!"
    running=$((running + 1))
    if [ "$running" -ge "$jobs" ]; then
        for pid in $pids; do wait "$pid" || failed=1; done
        pids=""
        running=0
    fi
done
for pid in $pids; do wait "$pid" || failed=1; done
exit "$failed"

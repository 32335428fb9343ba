#!/bin/sh
# Builds the benchmark in Release and measures the four figures of the line
# receiver (cutter, idle, paced, flood) and the history window over 100,000
# downloads (history; about 300 MB in a temporary folder). Usage: bench/run.sh [build-folder]
# (default: build-bench in the source tree). Exit code 0 when every
# target was met.
set -u

here=$(cd "$(dirname "$0")" && pwd)
source_dir=$(dirname "$here")
build_dir=${1:-$source_dir/build-bench}

cmake -S "$source_dir" -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF >/dev/null \
    || { echo "run.sh: configuring $build_dir failed" >&2; exit 2; }
cmake --build "$build_dir" -j2 --target meridoc-bench meridoc-sim >/dev/null \
    || { echo "run.sh: building meridoc-bench failed; run: cmake --build $build_dir --target meridoc-bench" >&2; exit 2; }

# Qt wants a private runtime folder; the benchmark draws nothing on a screen.
: "${XDG_RUNTIME_DIR:=/tmp/runtime-$(id -u)}"
export XDG_RUNTIME_DIR
mkdir -p "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
export QT_QPA_PLATFORM=offscreen

bench="$build_dir/bench/meridoc-bench"
summary=""
failed=0
for figure in cutter idle paced flood history; do
    echo "== $bench $figure" >&2
    line=$("$bench" "$figure" 2>/dev/null)
    code=$?
    echo "$line"
    case $code in
        0) state="met" ;;
        1) state="MISSED" ;;
        *) state="NOT MEASURED (run: $bench $figure)" ;;
    esac
    [ "$code" -eq 0 ] || failed=1
    summary="$summary$(printf '%-7s %s' "$figure" "$state")
"
done

echo
echo "Summary (targets):"
printf '%s' "$summary"
exit $failed

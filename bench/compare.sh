#!/bin/sh
# Measures the receiver of an earlier revision and of this tree side by side,
# in one run, each figure alternately: bench/compare.sh [REVISION] [ROUNDS]
# (default: the first parent of HEAD, 2 rounds). The earlier revision is
# unpacked and built in Release beside this tree's benchmark build. Both
# share the machine as it is: run it when the machine is quiet, or repeat.
set -u

here=$(cd "$(dirname "$0")" && pwd)
source_dir=$(dirname "$here")
revision=${1:-HEAD^}
rounds=${2:-2}
work=${COMPARE_DIR:-$source_dir/build-compare}
base_src="$work/base-src"
base_build="$work/base-build"
now_build="$source_dir/build-bench"

launcher=""
command -v ccache >/dev/null 2>&1 && launcher="-DCMAKE_CXX_COMPILER_LAUNCHER=ccache"
# Paths relative to each tree, so the compiler cache serves both trees.
CCACHE_BASEDIR=$work
export CCACHE_BASEDIR

build() {
    cmake -S "$1" -B "$2" -G Ninja -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF $launcher >/dev/null \
        && nice cmake --build "$2" -j2 --target meridoc-bench meridoc-sim >/dev/null
}

# The benchmark of a build: in bench/, or in bin/ in revisions that built
# everything into the program folder.
bench_in() {
    if [ -x "$1/bench/meridoc-bench" ]; then echo "$1/bench/meridoc-bench"; else echo "$1/bin/meridoc-bench"; fi
}

commit=$(git -C "$source_dir" rev-parse "$revision") || { echo "compare.sh: no revision $revision" >&2; exit 2; }
# The same revision again keeps its unpacked tree, so its build stays current.
if [ "$(cat "$base_src/.revision" 2>/dev/null)" != "$commit" ]; then
    rm -rf "$base_src" && mkdir -p "$base_src" \
        && git -C "$source_dir" archive "$commit" | tar -x -C "$base_src" \
        && echo "$commit" > "$base_src/.revision" \
        || { echo "compare.sh: cannot unpack $revision" >&2; exit 2; }
fi
build "$base_src" "$base_build" || { echo "compare.sh: building $revision failed" >&2; exit 2; }
build "$source_dir" "$now_build" || { echo "compare.sh: building this tree failed" >&2; exit 2; }

: "${XDG_RUNTIME_DIR:=/tmp/runtime-$(id -u)}"
export XDG_RUNTIME_DIR
mkdir -p "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
export QT_QPA_PLATFORM=offscreen

echo "before: $(git -C "$source_dir" rev-parse --short "$revision")  after: this tree (history copy on)"
echo "load at start: $(cut -d' ' -f1-3 /proc/loadavg)"
for figure in idle paced flood; do
    round=1
    while [ "$round" -le "$rounds" ]; do
        echo "before $figure: $("$(bench_in "$base_build")" "$figure" 2>/dev/null)"
        echo "after  $figure: $("$(bench_in "$now_build")" "$figure" 2>/dev/null)"
        round=$((round + 1))
    done
done
echo "load at end: $(cut -d' ' -f1-3 /proc/loadavg)"

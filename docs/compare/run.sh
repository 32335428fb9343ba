#!/bin/sh
# Measures four readers of the same simulated instrument in one run: cat,
# a pyserial capture script, the old busy-polling receive loop, and MERIDOC's
# line receiver (through meridoc-bench). Writes docs/compare/results.csv,
# docs/compare/machine.txt and docs/comparison.png.
# Usage: docs/compare/run.sh [build-folder]   (default: build-report)
set -eu

here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
build=${1:-$root/build-report}

SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO="sudo"
missing=""
for p in python3-serial python3-matplotlib; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing="$missing $p"
done
if [ -n "$missing" ]; then
    $SUDO apt-get update
    DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y --no-install-recommends $missing
fi

cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF -DMERIDOC_BUILD_DOCS=ON >/dev/null
cmake --build "$build" -j2 --target meridoc-bench meridoc-sim meridoc-busypoll >/dev/null

: "${XDG_RUNTIME_DIR:=/tmp/runtime-$(id -u)}"
export XDG_RUNTIME_DIR
mkdir -p "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
export QT_QPA_PLATFORM=offscreen

# Debian's own Python, which the packages above serve.
py=/usr/bin/python3
bin=$build/bin
measure="$py $here/measure.py"
results=$here/results.csv
# Other work on the machine shows in the figures; the load is kept beside them.
load_before=$(cut -d" " -f1-3 /proc/loadavg)
partial=$results.partial
# The benchmark's own report lines, for the figures it gives beyond the table.
bench_log=$here/bench-output.txt
: >"$bench_log"
$py -c 'import sys; sys.path.insert(0, sys.argv[1]); import measure; print(measure.HEADER)' "$here" >"$partial"

for load in paced flood; do
    if [ "$load" = paced ]; then
        lines=2000; pace="--baud 38400"
    else
        lines=1000000; pace=""
    fi
    echo "== $load: cat" >&2
    $measure reader cat "$load" "$bin/meridoc-sim" "$lines" $pace -- cat '{device}' >>"$partial"
    echo "== $load: pyserial" >&2
    $measure reader pyserial "$load" "$bin/meridoc-sim" "$lines" $pace -- \
        "$py" "$here/capture_pyserial.py" '{device}' '{output}' >>"$partial"
    echo "== $load: busy-poll" >&2
    $measure reader busy-poll "$load" "$bin/meridoc-sim" "$lines" $pace -- \
        "$build/docs/compare/meridoc-busypoll" '{device}' '{output}' >>"$partial"
    echo "== $load: MERIDOC" >&2
    $measure bench MERIDOC "$load" "$build/bench/meridoc-bench" "$load" "$lines" >>"$partial" 2>>"$bench_log"
done
mv "$partial" "$results"

{
    echo "nproc: $(nproc)"
    echo "CPU: $(sed -n 's/^model name[[:space:]]*: //p' /proc/cpuinfo | head -n 1)"
    echo "kernel: $(uname -r)"
    echo "Qt: $(dpkg-query -W -f='${Version}' qt6-base-dev 2>/dev/null)"
    echo "python3-serial: $(dpkg-query -W -f='${Version}' python3-serial 2>/dev/null)"
    echo "load average (1, 5, 15 min) before: $load_before, after: $(cut -d" " -f1-3 /proc/loadavg)"
    echo "date: $(date -u '+%Y-%m-%d %H:%M UTC')"
} >"$here/machine.txt"

"$py" "$here/plot.py" "$results" "$root/docs/comparison.png"
cat "$results"

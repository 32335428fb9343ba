#!/bin/sh
# Renders the README's screenshots (docs/screenshots/*.png) on a virtual X
# display: the main window after a simulated download, the port dialog and
# the "Serial ports" window. Usage: scripts/screenshots.sh [build-folder]
# (default: build-report).
set -eu
cd "$(dirname "$0")/.."
root=$(pwd)
build=${1:-$root/build-report}

SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO="sudo"
missing=""
for p in xvfb xauth fonts-dejavu-core; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing="$missing $p"
done
if [ -n "$missing" ]; then
    $SUDO apt-get update
    DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y $missing
fi

cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF -DMERIDOC_BUILD_DOCS=ON >/dev/null
cmake --build "$build" -j2 --target meridoc-screenshots >/dev/null

: "${XDG_RUNTIME_DIR:=/tmp/runtime-$(id -u)}"
export XDG_RUNTIME_DIR
mkdir -p "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
QT_QPA_PLATFORM=xcb xvfb-run -a -s "-screen 0 1280x1024x24" \
    "$build/docs/screenshots/meridoc-screenshots" "$root/docs/screenshots"

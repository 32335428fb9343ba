#!/bin/sh
# Installs what the build needs from Debian's packages, then configures the
# build folder build/. run.sh and test.sh each build what they need in it.
set -eu
cd "$(dirname "$0")/.."

PACKAGES="cmake g++ ninja-build qt6-base-dev qt6-serialport-dev libgl-dev poppler-utils xvfb xauth strace"
SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO="sudo"
missing=""
for p in $PACKAGES; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing="$missing $p"
done
if [ -n "$missing" ]; then
    $SUDO apt-get update
    DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y $missing
fi

# A compiler cache, where one is installed, makes rebuilds of other checkouts quick.
LAUNCHER=""
command -v ccache >/dev/null 2>&1 && LAUNCHER="-DCMAKE_CXX_COMPILER_LAUNCHER=ccache"
# The sources are compiled in batches (a unity build): each batch reads the Qt
# headers once, which makes a first build of the program about three times
# quicker. (A build folder of your own without it rebuilds single files faster.)
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_UNITY_BUILD=ON $LAUNCHER

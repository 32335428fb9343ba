#!/bin/sh
# Builds the Debian package of the installed program into build-package/
# (or the folder given as the first argument) and prints its name. Installs
# dpkg-dev, which finds the package's dependencies, when it is missing.
set -eu
cd "$(dirname "$0")/.."
BUILD=${1:-build-package}

SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO="sudo"
if ! dpkg-query -W -f='${Status}' dpkg-dev 2>/dev/null | grep -q "install ok installed"; then
    $SUDO apt-get update
    DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y dpkg-dev
fi

cmake -S . -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBUILD_TESTING=OFF
cmake --build "$BUILD"
(cd "$BUILD" && cpack -G DEB)
ls "$BUILD"/meridoc_*.deb

#!/bin/sh
# Builds the Debian package of the installed program into build-package/
# (or the folder given as the first argument), checks it with lintian and
# prints its name. Installs dpkg-dev (which finds the package's dependencies)
# and lintian when they are missing. Fails on any lintian error or warning.
set -eu
cd "$(dirname "$0")/.."
BUILD=${1:-build-package}

SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO="sudo"
missing=""
for tool in dpkg-dev lintian; do
    if ! dpkg-query -W -f='${Status}' "$tool" 2>/dev/null | grep -q "install ok installed"; then
        missing="$missing $tool"
    fi
done
if [ -n "$missing" ]; then
    $SUDO apt-get update
    # shellcheck disable=SC2086
    DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y $missing
fi

cmake -S . -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBUILD_TESTING=OFF
cmake --build "$BUILD"
rm -f "$BUILD"/meridoc_*.deb
(cd "$BUILD" && cpack -G DEB)
package=$(ls "$BUILD"/meridoc_*.deb)
lintian --fail-on error,warning "$package"
echo "$package"

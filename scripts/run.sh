#!/bin/sh
# Sets everything up, builds, and starts the program from the build folder.
set -eu
cd "$(dirname "$0")/.."
./scripts/setup.sh
exec ./build/bin/meridoc "$@"

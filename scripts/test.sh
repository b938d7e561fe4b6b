#!/bin/sh
# Installs what is missing, builds everything and runs the tests under Wine.
set -eu
cd "$(dirname "$0")/.."
sh scripts/setup.sh
cmake --preset mingw
cmake --build --preset mingw
ctest --preset mingw "$@"

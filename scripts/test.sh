#!/bin/sh
# Installs what is missing, builds everything and runs the tests under Wine.
set -eu
cd "$(dirname "$0")/.."
sh scripts/build.sh
ctest --preset mingw "$@"

#!/bin/sh
# Installs what is missing, configures and builds: build.sh [TARGET...]
# (everything when no target is given).
set -eu
cd "$(dirname "$0")/.."
sh scripts/setup.sh
cmake --preset mingw
if [ $# -eq 0 ]; then
    cmake --build --preset mingw
else
    cmake --build --preset mingw --target "$@"
fi

#!/bin/sh
# The tool's main job: installs what is missing, builds, then runs the tool
# and the stand-in chat client under Wine in a virtual desktop on Xvfb, drives
# a short conversation in each colour scheme, prints the messages in the
# colours the client received, and saves a screenshot to docs/demo.png.
set -eu
cd "$(dirname "$0")/.."
sh scripts/build.sh velmira chatstub velmira_demo

build=$PWD/build
prefix=$build/wineprefix-demo
# The X11 driver here, for the screenshot; the tests use the null driver.
sh scripts/wine-prefix.sh "$prefix" x11
export WINEPREFIX="$prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree=" LC_ALL=zh_CN.UTF-8
trap 'wineserver -k 2>/dev/null || true' EXIT
mkdir -p docs
xvfb-run -a -s "-screen 0 1024x768x24" \
    wine explorer /desktop=Velmira,1024x768 "$build/tools/demo/velmira_demo.exe" \
    --velmira="$build/src/app/velmira.exe" --stub="$build/tests/chatstub/chatstub.exe" \
    --screenshot="$build/demo.bmp"
convert "$build/demo.bmp" docs/demo.png
echo "Saved docs/demo.png"

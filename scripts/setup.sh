#!/bin/sh
# Installs what building and running Velmira on Debian 12 needs, skipping
# what is already there. Run as root (or with sudo available).
set -eu
packages="cmake make g++-mingw-w64-x86-64-posix mingw-w64-tools binutils-mingw-w64-x86-64
wine wine64 xvfb xauth fonts-wqy-microhei googletest imagemagick python3"
missing=""
for p in $packages; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing="$missing $p"
done
if [ -n "$missing" ]; then
    sudo=""
    [ "$(id -u)" -eq 0 ] || sudo=sudo
    $sudo apt-get update
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y --no-install-recommends $missing
fi

#!/bin/sh
# Creates (once) a private Wine prefix set up for deterministic runs:
#   wine-prefix.sh PREFIX [x11]
# The default uses Wine's null display driver; "x11" keeps the X11 driver for
# screenshots. A crash ends the process instead of opening winedbg's dialog.
set -eu
prefix=$1
driver=${2:-null}
export WINEPREFIX="$prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree="
if [ -f "$prefix/.velmira-ready" ]; then
    exit 0
fi
mkdir -p "$prefix"
wineboot -i >/dev/null 2>&1
reg="$prefix/velmira.reg"
{
    echo 'REGEDIT4'
    echo
    echo '[HKEY_CURRENT_USER\Software\Wine\WineDbg]'
    echo '"ShowCrashDialog"=dword:00000000'
    if [ "$driver" = null ]; then
        echo
        echo '[HKEY_CURRENT_USER\Software\Wine\Drivers]'
        echo '"Graphics"="null"'
    fi
} >"$reg"
wine regedit /S "$reg" >/dev/null 2>&1
# The desktop process started by wineboot keeps the old driver: restart it.
wineserver -k || true
wineserver -w || true
touch "$prefix/.velmira-ready"

#!/bin/sh
# Builds and runs the benchmark of the send pipeline and capture under Wine
# (null display driver, like the tests). Extra arguments go to the benchmark,
# e.g. --messages=200. The tool's CPU time is read from /proc between the
# benchmark's "cpu-window" marks: under Wine a Windows program cannot read
# another process's times.
set -eu
cd "$(dirname "$0")/.."
sh scripts/build.sh velmira chatstub send_benchmark
build=$PWD/build
prefix=$build/wineprefix-bench
sh scripts/wine-prefix.sh "$prefix"
export WINEPREFIX="$prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree=" LC_ALL=zh_CN.UTF-8
trap 'wineserver -k 2>/dev/null || true' EXIT
echo "machine: $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ //'); $(wine --version)"

# CPU ticks (user + system) of a process.
ticks_of() {
    awk '{print $14 + $15}' "/proc/$1/stat"
}
# Much of a Wine program's window work is done in the wineserver of its prefix.
# It works in a directory named after the prefix's device and inode.
prefix_wineserver() {
    server_dir=$(printf 'server-%x-%x' "0x$(stat -c %D "$prefix")" "$(stat -c %i "$prefix")")
    for pid in $(pgrep wineserver); do
        readlink "/proc/$pid/cwd" | grep -q "/$server_dir\$" && echo "$pid"
    done | head -1
}
hz=$(getconf CLK_TCK)

wine "$build/tools/bench/send_benchmark.exe" \
    --velmira="$build/src/app/velmira.exe" --stub="$build/tests/chatstub/chatstub.exe" "$@" |
    tr -d '\r' | while read -r line; do
        case $line in
            "cpu-window "*" begin")
                tool=$(pgrep -x velmira.exe | head -1)
                server=$(prefix_wineserver)
                tool_start=$(ticks_of "$tool")
                server_start=$(ticks_of "$server") ;;
            "cpu-window "*" end "*)
                set -- $line
                tool_ticks=$(( $(ticks_of "$tool") - tool_start ))
                server_ticks=$(( $(ticks_of "$server") - server_start ))
                awk -v name="$2" -v t="$tool_ticks" -v s="$server_ticks" -v hz="$hz" -v ms="$4" 'BEGIN {
                    printf "tool CPU %-8s %4d ms in %d ms (%.2f %%); wineserver %d ms (%.2f %%)\n",
                        name, t * 1000 / hz, ms, t * 100000 / hz / ms, s * 1000 / hz, s * 100000 / hz / ms }' ;;
            *) echo "$line" ;;
        esac
    done

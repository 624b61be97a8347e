# Shared by the benchmarks (scripts/bench.sh, scripts/bench_ticker.sh):
# reading a Wine process's CPU time and finding it among the processes.
# shellcheck shell=bash

# utime + stime of a whole process, in clock ticks.
cpu_ticks() {
    local stat
    stat="$(cat "/proc/$1/stat" 2>/dev/null)" || { echo 0; return; }
    # Fields after the parenthesised name: state is field 3, utime 14, stime 15.
    stat="${stat##*) }"
    # shellcheck disable=SC2086
    set -- $stat
    echo $(( ${12} + ${13} ))
}

# A process of ours whose environment names the prefix $PREFIX and whose
# command line matches $1.
find_in_prefix() {
    local pid
    for pid in $(pgrep -u "$(id -u)" -f "$1" || true); do
        if tr '\0' '\n' 2>/dev/null <"/proc/$pid/environ" | grep -qx "WINEPREFIX=$PREFIX"; then
            echo "$pid"
            return 0
        fi
    done
    return 1
}

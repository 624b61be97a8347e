#!/usr/bin/env bash
# Lanes for the tests that run under Wine. A lane is one Wine prefix with its
# own running wineserver and its own Xvfb display; the tests of one lane run
# one after another (a lock per lane), different lanes at the same time.
# Keeping the lane's server up spares every test Wine's start-up.
#
#   wine_lane.sh start LANE...        make the lanes (copies of the template prefix)
#   wine_lane.sh run POOL N SECONDS CMD...
#                                     run CMD in a free lane of POOL (lanes POOL_1..N),
#                                     ended after SECONDS
#   wine_lane.sh stop [LANE...]       end the lanes' processes and remove them (all)
#
# CTest reads the lanes file <build>/wine-lanes.json, which the build's test
# file names, and names the lane (CTEST_RESOURCE_GROUP_0_<POOL>); a case
# started otherwise waits for a free lane of its pool. Either way a lane runs one case at a time.
# The lanes live in $BUILD/wine/lanes-$VELLUMO_LANE_RUN (default "ctest"), so
# two runs over one build folder can be kept apart. With VELLUMO_TEST_RESULTS
# set, `run` keeps each test's output there as NAME.log (NAME from
# VELLUMO_TEST_NAME, else the lane).
set -uo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
choose_wine_tree

LANES="$BUILD/wine/lanes-${VELLUMO_LANE_RUN:-ctest}"

lane_up() {
    local lane="$1" dir="$LANES/$1"
    [ -f "$dir/display" ] && kill -0 "$(cat "$dir/xvfb.pid" 2>/dev/null)" 2>/dev/null &&
        [ -d "$dir/prefix" ] && return 0
    lane_down "$lane"
    mkdir -p "$dir"
    # Booting the template once is shared by all lanes.
    (flock 9 && fresh_prefix "$dir/prefix") 9>"$BUILD/wine/.template.lock" 8>&- || return 1
    # Nothing started here may inherit the lane's lock (descriptor 8).
    start_xvfb </dev/null >/dev/null 2>&1 8>&- || return 1
    echo "$XVFB_PID" >"$dir/xvfb.pid"
    echo "$DISPLAY" >"$dir/display"
    # A server that stays up, and Wine's own processes started with no
    # output handles of a test (CTest waits until those are closed).
    export WINEPREFIX="$dir/prefix"
    wineserver -p </dev/null >/dev/null 2>&1 8>&-
    wine cmd /c exit </dev/null >/dev/null 2>&1 8>&- || true
}

lane_down() {
    local dir="$LANES/$1"
    [ -d "$dir" ] || return 0
    end_prefix "$dir/prefix"
    local pid
    pid="$(cat "$dir/xvfb.pid" 2>/dev/null)"
    [ -n "$pid" ] && kill "$pid" 2>/dev/null
    rm -rf "$dir"
}

# Takes a lane of pool $1 (of $2 lanes) for this process: sets LANE and
# holds its lock on descriptor 8 until the process ends.
take_lane() {
    local pool="$1" count="$2" given n
    mkdir -p "$LANES"
    given="CTEST_RESOURCE_GROUP_0_$(tr '[:lower:]' '[:upper:]' <<<"$pool")"
    if [[ "${!given:-}" =~ id:([^,]+) ]]; then
        LANE="${BASH_REMATCH[1]}"
        exec 8>"$LANES/.$LANE.lock"
        flock 8
        return
    fi
    while :; do
        for n in $(seq "$count"); do
            LANE="${pool}_$n"
            exec 8>"$LANES/.$LANE.lock"
            flock -n 8 && return
            exec 8>&-
        done
        sleep 0.2
    done
}

lane_run() {
    local pool="$1" count="$2" seconds="$3"
    shift 3
    take_lane "$pool" "$count"
    local lane="$LANE" dir="$LANES/$LANE"
    lane_up "$lane" || { echo "lane $lane: could not start"; return 1; }
    export WINEPREFIX="$dir/prefix" DISPLAY
    DISPLAY="$(cat "$dir/display")"
    local log="$dir/last.log"
    if [ -n "${VELLUMO_TEST_RESULTS:-}" ]; then
        log="$VELLUMO_TEST_RESULTS/${VELLUMO_TEST_NAME:-$lane}.log"
        mkdir -p "$(dirname "$log")"
    fi
    # Output goes through a file: processes a test leaves behind must not
    # hold CTest's pipe open.
    timeout -k 10 "$seconds" "$@" >"$log" 2>&1 </dev/null 8>&-
    local status=$?
    cat "$log"
    if [ "$status" -eq 124 ] || [ "$status" -eq 137 ]; then
        echo "lane $lane: ended after ${seconds} s; its Wine processes are ended too"
        # Whatever hung is gone before the lane's next test.
        end_prefix "$WINEPREFIX" 8>&-
        wineserver -p </dev/null >/dev/null 2>&1 8>&-
    fi
    return "$status"
}

command="${1:-}"
shift || true
case "$command" in
start)
    status=0
    for lane in "$@"; do lane_up "$lane" & done
    for job in $(jobs -p); do wait "$job" || status=1; done
    exit "$status"
    ;;
run) lane_run "$@" ;;
stop)
    # No lane named: every lane of this run.
    if [ "$#" -eq 0 ]; then
        set -- $(ls "$LANES" 2>/dev/null)
        rm -f "$LANES"/.*.lock
    fi
    for lane in "$@"; do
        lane_down "$lane"
        rm -f "$LANES/.$lane.lock"
    done
    rmdir "$LANES" 2>/dev/null
    exit 0
    ;;
*)
    echo "usage: $0 start|stop LANE... | run POOL N SECONDS COMMAND..." >&2
    exit 2
    ;;
esac

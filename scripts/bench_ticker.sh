#!/usr/bin/env bash
# Measures the CPU an idle program with a scrolling ticker takes under Wine.
#
#   scripts/bench_ticker.sh [--vellumo] [--text FILE] [--seconds N] [--warmup N]
#
# By default it runs tests/support TickerHost.exe (a panel-shaped window with
# the panel's ticker and a week of memos; --text gives it another text, e.g. a
# long one that keeps it scrolling without pauses); --vellumo runs the real Vellumo.exe from a fresh program
# directory instead. After a warm-up (the ticker first stands still for five
# seconds) it reads the user and system time of the program's process from
# /proc/<pid>/stat over the measuring period and prints it as a share of one
# core, with the Wine server's and the X server's share beside it. Exits 1 if
# the program's share is 1 % or more.
#
# Uses a fresh Wine prefix and display of its own; VELLUMO_BUILD_DIR chooses
# the build tree (default: build/).
set -euo pipefail
# shellcheck source=scripts/common.sh
source "$(dirname "$0")/common.sh"
# shellcheck source=scripts/bench_lib.sh
source "$(dirname "$0")/bench_lib.sh"

SECONDS_TO_MEASURE=30
WARMUP=8
MODE=host
TEXT_FILE=""
while [ $# -gt 0 ]; do
    case "$1" in
    --vellumo) MODE=vellumo ;;
    --seconds) SECONDS_TO_MEASURE="$2"; shift ;;
    --warmup) WARMUP="$2"; shift ;;
    --text) TEXT_FILE="$(realpath "$2")"; shift ;;
    *) echo "usage: $0 [--vellumo] [--text FILE] [--seconds N] [--warmup N]" >&2; exit 2 ;;
    esac
    shift
done

WORK="$BUILD/bench_ticker"
PREFIX="$WORK/prefix"
if [ "$MODE" = vellumo ]; then
    EXE_DIR="$WORK/program"
    rm -rf "$EXE_DIR"
    stage_program_dir "$EXE_DIR"
    EXE="$EXE_DIR/Vellumo.exe"
    TITLE='^Vellumo$'
else
    EXE="$BUILD/$WINE_TREE/tests/support/TickerHost.exe"
    TITLE='^Ticker host$'
fi
[ -f "$EXE" ] || { log "not built: $EXE"; exit 2; }

fresh_prefix "$PREFIX"
export WINEPREFIX="$PREFIX"
start_xvfb
PROGRAM_PID=""
cleanup() {
    [ -n "$PROGRAM_PID" ] && kill "$PROGRAM_PID" 2>/dev/null || true
    end_prefix "$PREFIX"
    stop_xvfb
}
trap cleanup EXIT

ARGS=()
if [ -n "$TEXT_FILE" ] && [ "$MODE" = host ]; then
    cp "$TEXT_FILE" "$WORK/ticker_text.txt"
    ARGS=("$(winepath -w "$WORK/ticker_text.txt" 2>/dev/null)")
fi
(cd "$(dirname "$EXE")" && exec wine "$EXE" "${ARGS[@]}") >/dev/null 2>&1 &
LAUNCH_PID=$!
for _ in $(seq 1 150); do
    xdotool search --name "$TITLE" >/dev/null 2>&1 && break
    sleep 0.2
done
xdotool search --name "$TITLE" >/dev/null 2>&1 || { log "the window did not appear"; exit 2; }
# The pointer away from the ticker: no hover scroll bar.
xdotool mousemove 1270 1010 >/dev/null 2>&1 || true

EXE_NAME="$(basename "$EXE")"
PROGRAM_PID="$(find_in_prefix "$EXE_NAME" | head -1)" || true
[ -n "$PROGRAM_PID" ] || PROGRAM_PID="$LAUNCH_PID"
SERVER_PID="$(find_in_prefix wineserver | head -1)" || true

sleep "$WARMUP"
HZ="$(getconf CLK_TCK)"
p0=$(cpu_ticks "$PROGRAM_PID")
s0=$([ -n "$SERVER_PID" ] && cpu_ticks "$SERVER_PID" || echo 0)
x0=$(cpu_ticks "$XVFB_PID")
t0=$(date +%s.%N)
sleep "$SECONDS_TO_MEASURE"
p1=$(cpu_ticks "$PROGRAM_PID")
s1=$([ -n "$SERVER_PID" ] && cpu_ticks "$SERVER_PID" || echo 0)
x1=$(cpu_ticks "$XVFB_PID")
t1=$(date +%s.%N)

share() { awk -v d="$1" -v hz="$HZ" -v a="$t0" -v b="$t1" 'BEGIN { printf "%.2f", 100 * d / hz / (b - a) }'; }
program_share="$(share $((p1 - p0)))"
echo "program   $EXE_NAME (pid $PROGRAM_PID): $program_share % of one core over $SECONDS_TO_MEASURE s"
echo "wineserver (pid ${SERVER_PID:-?}): $(share $((s1 - s0))) %"
echo "Xvfb       (pid $XVFB_PID): $(share $((x1 - x0))) %"
awk -v s="$program_share" 'BEGIN { exit !(s < 1.0) }'

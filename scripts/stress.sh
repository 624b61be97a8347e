#!/usr/bin/env bash
# Runs a command several times while another load keeps every core busy, to
# show the tests hold on a loaded machine.
#
#   bash scripts/stress.sh [-n RUNS] [COMMAND...]
#
# Defaults: 5 runs of `bash scripts/test.sh`. The load is stress-ng (one CPU
# worker per core) or, without it, one busy shell loop per core; it is
# stopped when the script ends, however it ends. Prints each run's summary
# lines and its time; the logs are in $BUILD/stress/ (with the test logs of
# each run that had a failed or retried case). Ends non-zero when a run
# failed.
set -uo pipefail
source "$(dirname "$0")/common.sh"

RUNS=5
if [ "${1:-}" = "-n" ]; then
    RUNS="$2"
    shift 2
fi
[ "$#" -eq 0 ] && set -- bash "$ROOT/scripts/test.sh"

OUT="$BUILD/stress"
rm -rf "$OUT"
mkdir -p "$OUT"

LOAD_PIDS=()
stop_load() {
    local pid
    for pid in "${LOAD_PIDS[@]}"; do kill "$pid" 2>/dev/null; done
    for pid in "${LOAD_PIDS[@]}"; do wait "$pid" 2>/dev/null; done
    LOAD_PIDS=()
}
trap stop_load EXIT
trap 'exit 130' INT TERM HUP

CORES="$(nproc 2>/dev/null || echo 2)"
if command -v stress-ng >/dev/null; then
    stress-ng --cpu "$CORES" --quiet >"$OUT/load.log" 2>&1 &
    LOAD_PIDS+=($!)
    log "load: stress-ng --cpu $CORES (pid ${LOAD_PIDS[0]})"
else
    for _ in $(seq "$CORES"); do
        bash -c 'while :; do :; done' &
        LOAD_PIDS+=($!)
    done
    log "load: $CORES busy shell loops (pids ${LOAD_PIDS[*]})"
fi

failed_runs=0
retried_cases=0
for run in $(seq "$RUNS"); do
    start=$(date +%s)
    "$@" >"$OUT/run-$run.log" 2>&1
    status=$?
    seconds=$(($(date +%s) - start))
    echo "run $run of $RUNS: status $status, ${seconds} s (log: $OUT/run-$run.log)"
    # The test command's summary lines (or ctest's).
    grep -E '^[A-Za-z0-9_-]+: [0-9]+ passed, [0-9]+ failed|^[0-9]+ passed, [0-9]+ failed|tests passed, [0-9]+ tests failed|^(RETRIED|FAILED) |^Wine tree: ' \
        "$OUT/run-$run.log" | sed 's/^/    /'
    retried_cases=$((retried_cases + $(grep -c '^RETRIED ' "$OUT/run-$run.log")))
    # The next run replaces the test logs: a run with a failed or retried
    # case keeps its own copy, with the failing output in it.
    if [ "$status" -ne 0 ] || grep -q '^RETRIED ' "$OUT/run-$run.log"; then
        [ -d "$BUILD/test-results" ] && cp -r "$BUILD/test-results" "$OUT/run-$run-results"
    fi
    [ "$status" -eq 0 ] || failed_runs=$((failed_runs + 1))
done
echo "stress: $((RUNS - failed_runs)) of $RUNS runs passed under load, $retried_cases retried case(s) in all"
[ "$failed_runs" -eq 0 ]

#!/usr/bin/env bash
# Builds everything and runs every test: the native unit tests (under ASan and
# UBSan), the same unit tests under Wine, the window-level tests and the
# end-to-end tests under Wine on virtual displays, the setup program's tests,
# and each fuzz target for a few seconds. Every test case is a CTest test of
# its own (its own process and timeout); the Wine suites run side by side in
# lanes of their own (scripts/wine_lane.sh). Prints one line per suite and
# ends with a summary line.
set -uo pipefail
source "$(dirname "$0")/common.sh"

ensure_packages || { echo "0 passed, 1 failed"; exit 1; }
build_all || { echo "build: 0 passed, 1 failed"; exit 1; }

RESULTS="$BUILD/test-results"
rm -rf "$RESULTS"
mkdir -p "$RESULTS"
PASSED=0
FAILED=0
RETRIED=0
# Each case's own output lands in $RESULTS/<suite>/<case>.log.
export VELLUMO_TEST_RESULTS="$RESULTS" VELLUMO_LANE_RUN="test-$$"
# Lanes run at once: the Wine suites mostly wait on windows and clocks.
TEST_JOBS="${VELLUMO_TEST_JOBS:-6}"
FUZZ_SECONDS="${VELLUMO_FUZZ_SECONDS:-5}"

# The user's own trash, as it is before the tests: nothing may change it.
trash_state() { find "$VELLUMO_USER_TRASH" -printf '%p %s %T@\n' 2>/dev/null | sort | md5sum; }
USER_TRASH_BEFORE="$(trash_state)"

PIDS=()
cleanup() {
    local pid
    for pid in "${PIDS[@]}"; do kill "$pid" 2>/dev/null; done
    # CTest ends the lanes itself; this is for an interrupted run.
    bash "$ROOT/scripts/wine_lane.sh" stop >/dev/null 2>&1
}
trap cleanup EXIT
trap 'exit 130' INT TERM

# Adds the counts of one ctest log, per suite (the part of a test's name
# before "/"), to the totals and prints them in the order given.
count_ctest() {
    local log="$1" status="$2"
    shift 2
    local counts
    # A case run again after a failure (ctest --repeat) counts by its last
    # run; one that passed only the second time is named as retried.
    counts="$(awk '
        /^ *([0-9]+\/[0-9]+ )?Test +#[0-9]+: / {
            name = $0; sub(/^ *([0-9]+\/[0-9]+ )?Test +#[0-9]+: /, "", name); sub(/ .*/, "", name)
            result = substr($0, index($0, name) + length(name)); sub(/^[ .]*(\*\*\*)?/, "", result)
            if (result ~ /Disabled|Skipped/) next
            if (name in last && last[name] != "Passed") retried[name] = 1
            last[name] = (result ~ /^Passed/) ? "Passed" : "Failed"
        }
        END {
            for (name in last) {
                suite = name; sub(/\/.*/, "", suite); seen[suite] = 1
                if (last[name] == "Passed") {
                    pass[suite]++
                    if (name in retried) print "RETRIED " name
                } else { fail[suite]++; print "FAILED " name }
            }
            for (s in seen) printf "%s %d %d\n", s, pass[s], fail[s]
        }' "$log")"
    # The cases named first, then the counts of each suite.
    grep -E '^(RETRIED|FAILED) ' <<<"$counts" | sort
    RETRIED=$((RETRIED + $(grep -c '^RETRIED ' <<<"$counts")))
    counts="$(grep -vE '^(RETRIED|FAILED) ' <<<"$counts")"
    local suite passed failed any=0
    for suite in "$@"; do
        passed="$(awk -v s="$suite" '$1 == s { print $2 }' <<<"$counts")"
        failed="$(awk -v s="$suite" '$1 == s { print $3 }' <<<"$counts")"
        printf '%s: %s passed, %s failed\n' "$suite" "${passed:-0}" "${failed:-0}"
        PASSED=$((PASSED + ${passed:-0}))
        FAILED=$((FAILED + ${failed:-0}))
        any=$((any + ${passed:-0} + ${failed:-0}))
    done
    # Lane set-up and clean-up count only when they fail.
    failed="$(awk '$1 == "wine-lanes" { print $3 }' <<<"$counts")"
    if [ "${failed:-0}" -gt 0 ]; then
        printf 'wine-lanes: 0 passed, %s failed\n' "$failed"
        FAILED=$((FAILED + failed))
    fi
    if [ "$status" -ne 0 ] && [ "$any" -eq 0 ]; then
        log "ctest ended with status $status and ran nothing (see $log)"
        FAILED=$((FAILED + 1))
    fi
}

log "running the tests (ctest -j $TEST_JOBS; logs in $RESULTS)"
ctest --test-dir "$BUILD/native" -j "$JOBS" --output-on-failure \
    >"$RESULTS/ctest-native.log" 2>&1 &
NATIVE_PID=$!
PIDS+=("$NATIVE_PID")
# The fuzz targets take what CPU the waiting Wine tests leave.
FUZZ_PID=""
if [ -f "$ROOT/scripts/fuzz.sh" ]; then
    nice -n 10 bash "$ROOT/scripts/fuzz.sh" --seconds "$FUZZ_SECONDS" >"$RESULTS/fuzz.log" 2>&1 &
    FUZZ_PID=$!
    PIDS+=("$FUZZ_PID")
fi
# The build's lanes file (wine-lanes.json) names every lane, so CTest gives
# each case a free one.
# A case that fails is run once more: on a loaded machine a Wine start-up
# can fail on its own. Each retry is named in the summary (RETRIED).
ctest --test-dir "$BUILD/$WINE_TREE" -j "$TEST_JOBS" --output-on-failure --repeat until-pass:2 \
    >"$RESULTS/ctest-wine.log" 2>&1
WINE_STATUS=$?
wait "$NATIVE_PID"
NATIVE_STATUS=$?

count_ctest "$RESULTS/ctest-native.log" "$NATIVE_STATUS" unit-native
count_ctest "$RESULTS/ctest-wine.log" "$WINE_STATUS" unit-wine window-wine e2e-wine setup-wine

if [ -n "$FUZZ_PID" ]; then
    wait "$FUZZ_PID"
    FUZZ_STATUS=$?
    line="$(grep -E '^fuzz: [0-9]+ passed, [0-9]+ failed' "$RESULTS/fuzz.log" | tail -1)"
    if [ -z "$line" ]; then
        line="fuzz: 0 passed, 1 failed"
        log "scripts/fuzz.sh ended with status $FUZZ_STATUS and no summary (see $RESULTS/fuzz.log)"
    fi
    echo "$line"
    passed="$(sed -E 's/^fuzz: ([0-9]+) passed.*/\1/' <<<"$line")"
    failed="$(sed -E 's/.* ([0-9]+) failed.*/\1/' <<<"$line")"
    if [ "$FUZZ_STATUS" -ne 0 ] && [ "$failed" -eq 0 ]; then failed=1; fi
    PASSED=$((PASSED + passed))
    FAILED=$((FAILED + failed))
fi

# The layers: no include runs up a layer or in a circle.
if python3 "$ROOT/scripts/layers.py" >"$RESULTS/layers.log" 2>&1; then
    echo "layers: 1 passed, 0 failed"
    PASSED=$((PASSED + 1))
else
    echo "layers: 0 passed, 1 failed (see $RESULTS/layers.log)"
    FAILED=$((FAILED + 1))
fi

# A run chooses its Wine tree afresh, whatever an earlier run chose.
line="$(bash "$ROOT/scripts/check_wine_tree.sh" 2>&1 | tee "$RESULTS/wine-tree.log" | tail -1)"
if [[ "$line" =~ ^wine-tree:\ ([0-9]+)\ passed,\ ([0-9]+)\ failed ]]; then
    echo "$line"
    PASSED=$((PASSED + BASH_REMATCH[1]))
    FAILED=$((FAILED + BASH_REMATCH[2]))
else
    echo "wine-tree: 0 passed, 1 failed (see $RESULTS/wine-tree.log)"
    FAILED=$((FAILED + 1))
fi

if [ "$(trash_state)" = "$USER_TRASH_BEFORE" ]; then
    echo "user-trash-untouched: 1 passed, 0 failed"
    PASSED=$((PASSED + 1))
else
    echo "user-trash-untouched: 0 passed, 1 failed ($VELLUMO_USER_TRASH changed)"
    FAILED=$((FAILED + 1))
fi

echo "Test logs: $RESULTS"
echo "Wine tree: $WINE_TREE_WHY${WINE32_NOTE:+ ($WINE32_NOTE)}"
echo "Retried: $RETRIED case(s) passed only on a second run"
echo "${PASSED} passed, ${FAILED} failed"
[ "$FAILED" -eq 0 ]

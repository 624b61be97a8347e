#!/usr/bin/env bash
# Builds everything and runs every test: the native unit tests (under ASan and
# UBSan), the same unit tests under Wine, the window-level tests and the
# end-to-end tests under Wine on a virtual display. Ends with a summary line.
set -uo pipefail
source "$(dirname "$0")/common.sh"

ensure_packages || { echo "0 passed, 1 failed"; exit 1; }
build_all || { echo "build: 0 passed, 1 failed"; exit 1; }

RESULTS="$BUILD/test-results"
rm -rf "$RESULTS"
mkdir -p "$RESULTS"
PASSED=0
FAILED=0

# Runs one GoogleTest program and adds its counts to the totals.
run_suite() {
    local name="$1"
    shift
    local out="$RESULTS/$name.log"
    log "running $name"
    timeout 900 "$@" >"$out" 2>&1
    local status=$?
    local passed failed
    passed="$(grep -E '^\[  PASSED  \] [0-9]+ test' "$out" | tail -1 | sed -E 's/.* ([0-9]+) test.*/\1/')"
    failed="$(grep -E '^\[  FAILED  \] [0-9]+ test' "$out" | tail -1 | sed -E 's/.* ([0-9]+) test.*/\1/')"
    passed="${passed:-0}"
    failed="${failed:-0}"
    if [ "$status" -ne 0 ] && [ "$failed" -eq 0 ]; then
        failed=1  # crashed or timed out before its summary
        log "$name ended with status $status"
        tail -30 "$out" >&2
    fi
    grep -E '^\[  FAILED  \] [A-Za-z]' "$out" | sort -u >&2 || true
    printf '%s: %s passed, %s failed\n' "$name" "$passed" "$failed"
    PASSED=$((PASSED + passed))
    FAILED=$((FAILED + failed))
}

run_suite unit-native "$BUILD/native/vellumo_unit_tests"

PREFIX="$BUILD/wine/test-$$"
fresh_prefix "$PREFIX"
export WINEPREFIX="$PREFIX"
start_xvfb || { echo "0 passed, 1 failed"; exit 1; }
cleanup() {
    end_prefix "$PREFIX"
    stop_xvfb
    rm -rf "$PREFIX"
}
trap cleanup EXIT

run_suite unit-wine wine "$BUILD/$WINE_TREE/tests/vellumo_unit_tests.exe"
run_suite window-wine wine "$BUILD/$WINE_TREE/tests/vellumo_win_tests.exe"
end_prefix "$PREFIX"
run_suite e2e-wine wine "$BUILD/$WINE_TREE/tests/vellumo_e2e_tests.exe"

echo "Test logs: $RESULTS"
echo "${PASSED} passed, ${FAILED} failed"
[ "$FAILED" -eq 0 ]

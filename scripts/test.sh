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

# The user's own trash, as it is before the tests: nothing may change it.
trash_state() { find "$VELLUMO_USER_TRASH" -printf '%p %s %T@\n' 2>/dev/null | sort | md5sum; }
USER_TRASH_BEFORE="$(trash_state)"

run_suite unit-native "$BUILD/native/vellumo_unit_tests"

PREFIX="$BUILD/wine/test-$$"
fresh_prefix "$PREFIX"
export WINEPREFIX="$PREFIX"
start_xvfb || { echo "0 passed, 1 failed"; exit 1; }
SETUP_PREFIX="$BUILD/wine/setup-$$"
cleanup() {
    end_prefix "$PREFIX"
    end_prefix "$SETUP_PREFIX"
    stop_xvfb
    rm -rf "$PREFIX" "$SETUP_PREFIX"
}
trap cleanup EXIT

run_suite unit-wine wine "$BUILD/$WINE_TREE/tests/vellumo_unit_tests.exe"
run_suite window-wine wine "$BUILD/$WINE_TREE/tests/vellumo_win_tests.exe"
end_prefix "$PREFIX"
run_suite e2e-wine wine "$BUILD/$WINE_TREE/tests/vellumo_e2e_tests.exe"
end_prefix "$PREFIX"
# The setup program installs, upgrades and uninstalls in a fresh prefix.
fresh_prefix "$SETUP_PREFIX"
WINEPREFIX="$SETUP_PREFIX" run_suite setup-wine wine "$BUILD/$WINE_TREE/tests/vellumo_installer_tests.exe"

if [ "$(trash_state)" = "$USER_TRASH_BEFORE" ]; then
    echo "user-trash-untouched: 1 passed, 0 failed"
    PASSED=$((PASSED + 1))
else
    echo "user-trash-untouched: 0 passed, 1 failed ($VELLUMO_USER_TRASH changed)"
    FAILED=$((FAILED + 1))
fi

echo "Test logs: $RESULTS"
echo "${PASSED} passed, ${FAILED} failed"
[ "$FAILED" -eq 0 ]

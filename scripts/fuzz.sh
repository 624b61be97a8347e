#!/usr/bin/env bash
# Builds the fuzz targets (tests/fuzz, clang's libFuzzer with ASan and UBSan)
# and runs each for a while from a copy of its checked-in seed corpus.
#   bash scripts/fuzz.sh [--seconds N] [--target NAME[,NAME...]]
# N defaults to 60 seconds per target. New inputs and crash files stay in
# $BUILD/fuzz; the source tree is never written. Ends with
# "fuzz: P passed, F failed" (one count per target); non-zero on a failure.
set -uo pipefail
source "$(dirname "$0")/common.sh"

SECONDS_EACH=60
TARGETS=""
while [ $# -gt 0 ]; do
    case "$1" in
    --seconds) SECONDS_EACH="${2:?}"; shift 2 ;;
    --target) TARGETS="${2:?}"; shift 2 ;;
    *) echo "usage: $0 [--seconds N] [--target NAME[,NAME...]]" >&2; exit 2 ;;
    esac
done
case "$SECONDS_EACH" in '' | *[!0-9]*) echo "--seconds takes a whole number" >&2; exit 2 ;; esac

SRC="$ROOT/tests/fuzz"
OUT="$BUILD/fuzz"
if ! command -v clang++ >/dev/null; then ensure_packages || { echo "fuzz: 0 passed, 1 failed"; exit 1; }; fi
log "building the fuzz targets in $OUT"
if ! { cmake -S "$SRC" -B "$OUT" -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null &&
    cmake --build "$OUT" -j"$JOBS" >"$OUT/build.log" 2>&1; }; then
    tail -40 "$OUT/build.log" >&2 2>/dev/null
    echo "fuzz: 0 passed, 1 failed"
    exit 1
fi

if [ -z "$TARGETS" ]; then
    TARGETS="$(cd "$SRC/corpus" && ls -d -- */ | tr -d / | tr '\n' ' ')"
else
    TARGETS="${TARGETS//,/ }"
fi

PASSED=0
FAILED=0
for name in $TARGETS; do
    exe="$OUT/fuzz_$name"
    work="$OUT/run/$name"
    rm -rf "$work"
    mkdir -p "$work/corpus" "$work/crashes"
    [ -d "$SRC/corpus/$name" ] && cp -- "$SRC/corpus/$name"/* "$work/corpus/" 2>/dev/null
    if [ ! -x "$exe" ]; then
        printf '%s: no such target\n' "$name"
        FAILED=$((FAILED + 1))
        continue
    fi
    log "fuzzing $name for ${SECONDS_EACH}s"
    # The time limit is libFuzzer's own; the outer timeout only catches a hang.
    timeout --kill-after=10 $((SECONDS_EACH + 120)) "$exe" -max_total_time="$SECONDS_EACH" \
        -max_len=4200 -timeout=10 -rss_limit_mb=1024 -print_final_stats=1 \
        -artifact_prefix="$work/crashes/" "$work/corpus" >"$work/log" 2>&1
    status=$?
    runs="$(sed -n 's/^stat::number_of_executed_units: *//p' "$work/log" | tail -1)"
    crash="$(find "$work/crashes" -type f | head -1)"
    if [ "$status" -eq 0 ] && [ -z "$crash" ]; then
        printf '%s: %s inputs, no fault\n' "$name" "${runs:-?}"
        PASSED=$((PASSED + 1))
    else
        printf '%s: %s inputs, FAILED (status %s), crash file: %s\n' "$name" "${runs:-?}" \
            "$status" "${crash:-none}"
        grep -E 'check failed|ERROR: |runtime error|SUMMARY' "$work/log" | head -5 >&2
        FAILED=$((FAILED + 1))
    fi
done

echo "fuzz: $PASSED passed, $FAILED failed"
[ "$FAILED" -eq 0 ]

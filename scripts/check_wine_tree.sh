#!/usr/bin/env bash
# Checks that a run chooses its Wine tree afresh and keeps nothing of an
# earlier choice: with stand-in loaders, 32-bit Wine is taken away, given
# back and taken away again in one build folder, and each time `wine` (the
# command both build trees run their tests with) starts the loader of the
# tree chosen now. Also checks that the real build trees name that `wine`.
# Prints "wine-tree: 1 passed, 0 failed" (or which expectation failed).
set -uo pipefail
REAL_BUILD="$(cd "$(dirname "$0")/.." && pwd)/build"
REAL_BUILD="${VELLUMO_BUILD_DIR:-$REAL_BUILD}"
WORK="$REAL_BUILD/check-wine-tree"
rm -rf "$WORK"
mkdir -p "$WORK/loaders"
passed=0
failed=0
expect() {
    if [ "$2" = "$3" ]; then
        passed=$((passed + 1))
    else
        failed=$((failed + 1))
        echo "FAILED $1: expected '$3', got '$2'"
    fi
}

printf '#!/bin/sh\necho "loader64 $*"\n' >"$WORK/loaders/wine64"
chmod +x "$WORK/loaders/wine64"
set_wine32() {  # works | fails | absent
    rm -f "$WORK/loaders/wine"
    case "$1" in
    works) printf '#!/bin/sh\necho "loader32 $*"\n' >"$WORK/loaders/wine" ;;
    fails) printf '#!/bin/sh\nexit 126\n' >"$WORK/loaders/wine" ;;
    absent) return ;;
    esac
    chmod +x "$WORK/loaders/wine"
}
# One run's choice, from an environment that may carry an earlier run's PATH
# ($2: the tree asked for, if any).
choose() {
    VELLUMO_BUILD_DIR="$WORK/build" VELLUMO_WINE32_LOADER="$WORK/loaders/wine" \
        VELLUMO_WINE64_LOADER="$WORK/loaders/wine64" PATH="$1" bash -c '
        source "'"$(dirname "$0")"'/common.sh"
        choose_wine_tree '"${2:-}"'
        echo "$WINE_TREE|${WINELOADER:-}|$(wine probe)|$WINE_TREE_WHY"'
}

inherited="$WORK/build/wine-bin:$PATH"
set_wine32 absent
IFS='|' read -r tree loader ran why <<<"$(choose "$PATH")"
expect "no 32-bit Wine: tree" "$tree" win64
expect "no 32-bit Wine: loader" "$ran" "loader64 probe"
expect "no 32-bit Wine: reason" "$why" \
    "64-bit build under 64-bit Wine: 32-bit Wine (wine32:i386) could not be installed"

set_wine32 works
IFS='|' read -r tree loader ran why <<<"$(choose "$inherited")"
expect "32-bit Wine installed: tree" "$tree" win32
expect "32-bit Wine installed: no 64-bit loader forced" "$loader" ""
expect "32-bit Wine installed: loader" "$ran" "loader32 probe"
# Asked for the 64-bit tree (the benchmark, to compare): taken though 32-bit works.
IFS='|' read -r tree loader ran why <<<"$(choose "$inherited" win64)"
expect "64-bit asked for: tree" "$tree" win64
expect "64-bit asked for: loader" "$ran" "loader64 probe"
IFS='|' read -r tree loader ran why <<<"$(choose "$inherited")"
expect "32-bit Wine again after the 64-bit was asked for" "$ran" "loader32 probe"

set_wine32 fails
IFS='|' read -r tree loader ran why <<<"$(choose "$inherited")"
expect "32-bit code cannot start: tree" "$tree" win64
expect "32-bit code cannot start: loader" "$ran" "loader64 probe"
expect "32-bit code cannot start: reason" "$why" \
    "64-bit build under 64-bit Wine: this machine cannot start 32-bit code"

# The build trees a test run uses name the shim, not a loader of their own.
for tree in win32 win64; do
    cache="$REAL_BUILD/$tree/CMakeCache.txt"
    [ -f "$cache" ] || continue
    expect "$tree tree's emulator" "$(sed -n 's/^WINE_PROGRAM:[A-Z]*=//p' "$cache")" \
        "$REAL_BUILD/wine-bin/wine"
done

rm -rf "$WORK"
if [ "$failed" -eq 0 ]; then
    echo "wine-tree: 1 passed, 0 failed ($passed expectations)"
else
    echo "wine-tree: 0 passed, 1 failed"
    exit 1
fi

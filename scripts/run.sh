#!/usr/bin/env bash
# Builds everything and starts Vellumo under Wine, in a prefix and a program
# directory of its own beside the build (never the user's ~/.wine), with HOME
# and the XDG folders inside the build too (see common.sh). Without a
# display it starts a virtual one, saves a screenshot of the panel and keeps
# running until interrupted.
set -euo pipefail
source "$(dirname "$0")/common.sh"

ensure_packages
build_all

# One per kind of Wine: a run under the other loader must not meet it.
PREFIX="$BUILD/wine/user-$WINEARCH"
# Made afresh when it was booted with another HOME (its profile links there).
[ "$(cat "$PREFIX/.ready" 2>/dev/null)" = "$HOME" ] || fresh_prefix "$PREFIX"
export WINEPREFIX="$PREFIX"
PROGRAM_DIR="$BUILD/run"
stage_program_dir "$PROGRAM_DIR"

if [ -n "${DISPLAY:-}" ] && xdotool getdisplaygeometry >/dev/null 2>&1; then
    log "starting Vellumo on $DISPLAY (program directory: $PROGRAM_DIR)"
    cd "$PROGRAM_DIR"
    exec wine ./Vellumo.exe "$@"
fi

start_xvfb
log "no display: running on the virtual display $DISPLAY"
cd "$PROGRAM_DIR"
wine ./Vellumo.exe "$@" &
WINE_PID=$!
stop() {
    end_prefix "$PREFIX"
    stop_xvfb
}
trap 'stop; exit 0' INT TERM
trap stop EXIT

SHOT="$BUILD/vellumo-panel.png"
for _ in $(seq 1 100); do
    W="$(xdotool search --name '^Vellumo$' 2>/dev/null | head -1 || true)"
    [ -n "$W" ] && break
    sleep 0.2
done
if [ -n "${W:-}" ]; then
    sleep 2  # let the clock and the ticker draw
    eval "$(xdotool getwindowgeometry --shell "$W")"
    import -window root -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" +repage "$SHOT"
    echo "Screenshot of the panel: $SHOT"
else
    log "the panel did not appear"
fi
echo "Vellumo is running on $DISPLAY; press Ctrl+C to stop."
wait "$WINE_PID" || true

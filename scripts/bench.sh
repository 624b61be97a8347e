#!/usr/bin/env bash
# The benchmark: what the program costs against floors that do none of its
# own work, side by side under one Wine prefix and one virtual display.
#
#   scripts/bench.sh [--rounds N] [--steps N] [--idle SECONDS] [--program EXE] [--find-only]
#                    [--sync-only] [--no-sync] [--tree win64]
#
# Prints, with their ratios to the floors:
#   - start-up: launch -> panel visible and answering, median of N launches
#     each of Vellumo.exe, an empty dialog of the panel's size and the
#     panel's template with its controls (TickerHost.exe /empty, /template),
#     alternating;
#   - month step: next/previous month sent from another process, with 31
#     memos in every shown month, without and with a forced paint, minus a
#     bare cross-process SendMessage (tests/support BenchDriver.exe);
#   - Wine server requests (the wineserver's read calls, as the kernel counts
#     them in /proc/<pid>/io, the figure `strace -c -e trace=read` gives
#     without slowing the server) per month step and per idle second;
#   - idle CPU with the ticker scrolling against TickerHost.exe /blit, which
#     blits the ticker's and the clock's areas at their rates;
#   - proportional set size against the empty dialog, and against the same
#     dialog carrying the panel's duties (TickerHost.exe /duty: two more
#     threads, four fonts, the common controls, a tray icon);
#   - start-up and month step with 11,000 memo files (thirty years of daily
#     memos, none in the shown months) against the same without them;
#   - the find dialog with 10,000 memos of 80, 1,000 and 4,000 bytes: its
#     first open (to the dialog shown, and to the list of the first words'
#     dates) and the median from a change of the words to the full list;
#   - month step with 500 repeating memos against the same without them;
#   - month step with a subscribed calendar of 5,000 events against none
#     (these three kinds of month and the plain one in alternating rounds,
#     up to four, each starting one kind later, each figure the median of
#     its rounds);
#   - sync with a CalDAV server (Radicale, tests/support/caldav_server.py):
#     the first sync of 3,650 memos against the same events sent by a bare
#     client, one PUT each over one connection; month steps while that sync
#     runs against the same after it; and the requests and time of a "Sync
#     now" with nothing to do.
# --find-only measures the find dialog alone, --sync-only the sync alone;
# --no-sync leaves the sync out.
# --tree win64 measures the 64-bit build where the 32-bit one would run, so
# that one machine gives both.
# --program measures another build of Vellumo.exe (an older one, say) against
# the same floors. A benchmark, not a test: it always exits 0. Wall times swing with the
# machine's load; the request counts do not.
set -uo pipefail
# shellcheck source=scripts/common.sh
source "$(dirname "$0")/common.sh"
# shellcheck source=scripts/bench_lib.sh
source "$(dirname "$0")/bench_lib.sh"

ROUNDS=7
STEPS=40
IDLE=30
FIND_MEMOS=10000
PROGRAM=""
FIND_ONLY=0
SYNC_ONLY=0
NO_SYNC=0
TREE=""
SYNC_MEMOS=3650
FIND_SIZES=(${VELLUMO_BENCH_FIND_SIZES:-80 1000 4000})
while [ $# -gt 0 ]; do
    case "$1" in
    --rounds) ROUNDS="$2"; shift ;;
    --steps) STEPS="$2"; shift ;;
    --idle) IDLE="$2"; shift ;;
    --program) PROGRAM="$(realpath "$2")"; shift ;;
    --find-only) FIND_ONLY=1 ;;
    --sync-only) SYNC_ONLY=1 ;;
    --no-sync) NO_SYNC=1 ;;
    --tree) TREE="$2"; shift ;;
    *) echo "usage: $0 [--rounds N] [--steps N] [--idle SECONDS] [--program EXE] [--find-only]" \
            "[--sync-only] [--no-sync] [--tree win64]" >&2; exit 0 ;;
    esac
    shift
done
STEPS=$(( (STEPS + 1) / 2 * 2 ))  # even: the steps end on the month they began with

run() {
    choose_wine_tree "$TREE"
    ensure_packages || { log "could not install the build tools"; return 1; }
    local toolchain=i686
    [ "$WINE_TREE" = win64 ] && toolchain=x86_64
    local targets=(ticker_host bench_driver)
    [ -z "$PROGRAM" ] && targets+=(Vellumo)
    log "building $WINE_TREE (${targets[*]})"
    cmake -S "$ROOT" -B "$BUILD/$WINE_TREE" -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/mingw-$toolchain.cmake" >/dev/null || return 1
    cmake --build "$BUILD/$WINE_TREE" -j "$JOBS" --target "${targets[@]}" >/dev/null || return 1

    WORK="$BUILD/bench"
    PREFIX="$BUILD/wine/bench"
    rm -rf "$WORK"
    mkdir -p "$WORK/start/Remark" "$WORK/steps/Remark"  # an empty memo folder to start with
    local exe="${PROGRAM:-$BUILD/$WINE_TREE/bin/Vellumo.exe}"
    local host="$BUILD/$WINE_TREE/tests/support/TickerHost.exe"
    DRIVER="$BUILD/$WINE_TREE/tests/support/BenchDriver.exe"
    cp "$exe" "$WORK/start/Vellumo.exe"
    cp "$exe" "$WORK/steps/Vellumo.exe"
    # 31 memos in each month the steps show (the previous, this and the next).
    local offset y m d
    for offset in -1 0 1; do
        y=$(date -d "$(date +%Y-%m-15) $offset month" +%Y)
        m=$(date -d "$(date +%Y-%m-15) $offset month" +%-m)
        for d in $(seq 1 31); do
            printf '[%d-%d-%d] Memo for the day, long enough to fill a tooltip line' "$y" "$m" "$d" \
                >"$WORK/steps/Remark/Remark_$y-$m-$d.txt"
        done
    done

    # Thirty years of daily memos, 1990 to 2019: far from the shown months,
    # so the start shows no box and the grid the same memos.
    mkdir -p "$WORK/full/Remark" "$WORK/start-full/Remark"
    log "writing 11,000 memo files"
    python3 - "$WORK/full/Remark" <<'PY'
import datetime, sys
day, last = datetime.date(1990, 1, 1), datetime.date(2019, 12, 31)
while day <= last:
    with open(f"{sys.argv[1]}/Remark_{day.year}-{day.month}-{day.day}.txt", "w") as memo:
        memo.write(f"[{day.year}-{day.month}-{day.day}] An old memo")
    day += datetime.timedelta(days=1)
PY
    cp "$WORK/full/Remark/"* "$WORK/start-full/Remark/"

    # The shown months' memos again, and 500 repeating memos of every kind
    # of rule, begun years ago.
    mkdir -p "$WORK/repeat/Remark" "$WORK/repeat/Repeat"
    cp "$WORK/steps/Remark/"* "$WORK/repeat/Remark/"
    cp "$exe" "$WORK/repeat/Vellumo.exe"
    python3 - "$WORK/repeat/Repeat" <<'PY'
import sys
rules = ["repeat=daily\r\nevery=3", "repeat=weekly\r\nevery=2\r\nweekdays=MO,WE,FR",
         "repeat=monthly\r\nevery=1\r\non=last", "repeat=monthly\r\nevery=1\r\non=2TU",
         "repeat=monthly\r\nevery=1", "repeat=yearly\r\nevery=1"]
for i in range(500):
    first = f"{2000 + i % 20}-{1 + i % 12}-{1 + i % 28}"
    with open(f"{sys.argv[1]}/Repeat_{i + 1}.txt", "w", newline="") as memo:
        memo.write(f"first={first}\r\n{rules[i % len(rules)]}\r\ntime=9:05\r\n\r\nRepeating memo {i + 1}")
PY
    # A subscribed calendar of 5,000 events, one a day around the shown
    # months, every fifth at a time of day in UTC.
    mkdir -p "$WORK/events/Remark"
    cp "$WORK/steps/Remark/"* "$WORK/events/Remark/"
    cp "$exe" "$WORK/events/Vellumo.exe"
    python3 - "$WORK/events/events.ics" "$(date -d "$(date +%Y-%m-01) -8 years" +%Y-%m-%d)" <<'PY'
import datetime, sys
day = datetime.date.fromisoformat(sys.argv[2])
lines = ["BEGIN:VCALENDAR", "VERSION:2.0", "PRODID:-//bench//EN", "X-WR-CALNAME:Events"]
for i in range(5000):
    start = (f"DTSTART:{day:%Y%m%d}T0{i % 10}3000Z" if i % 5 == 0 else f"DTSTART;VALUE=DATE:{day:%Y%m%d}")
    lines += ["BEGIN:VEVENT", f"UID:e{i}@bench", "DTSTAMP:20260101T000000Z", start,
              f"SUMMARY:Event {i} of the subscribed calendar", "END:VEVENT"]
    day += datetime.timedelta(days=1)
lines.append("END:VCALENDAR")
with open(sys.argv[1], "w", newline="") as f:
    f.write("\r\n".join(lines) + "\r\n")
PY
    cp "$WORK/steps/Remark/"* "$WORK/full/Remark/"
    cp "$exe" "$WORK/full/Vellumo.exe"
    cp "$exe" "$WORK/start-full/Vellumo.exe"
    FULL_FILES=$(find "$WORK/full/Remark" -type f | wc -l)

    fresh_prefix "$PREFIX"
    export WINEPREFIX="$PREFIX"
    start_xvfb || return 1
    xdotool mousemove 1270 1010 >/dev/null 2>&1 || true  # no hover anywhere
    wineserver -p  # one server process throughout, whose read calls are counted
    wine wineboot >/dev/null 2>&1
    SERVER_PID="$(find_in_prefix wineserver | head -1)"

    # Windows paths through Wine's Z: drive (winepath would pick the 32-bit
    # loader, which some machines cannot start).
    windows_path() { local p="Z:$1"; echo "${p//\//\\}"; }
    local w_vellumo w_host
    w_vellumo="$(windows_path "$WORK/start/Vellumo.exe")"
    w_host="$(windows_path "$host")"

    if [ "$FIND_ONLY" = 1 ] || [ "$SYNC_ONLY" = 1 ]; then
        # The program's first starts in a fresh prefix, as the start-up
        # figures would have made them.
        wine "$DRIVER" startup 1 "\"$w_vellumo\"" >/dev/null 2>&1
    else
        panel_figures
    fi
    local size
    if [ "$SYNC_ONLY" = 0 ]; then
        for size in "${FIND_SIZES[@]}"; do find_figures "$size"; done
    fi
    [ "$FIND_ONLY" = 1 ] || [ "$NO_SYNC" = 1 ] || sync_figures
}

# Start-up, month steps, requests, idle CPU and memory (run's locals in scope).
panel_figures() {
    log "start-up: $ROUNDS launches each, alternating"
    wine "$DRIVER" startup "$ROUNDS" "\"$w_vellumo\"" "\"$w_host\" /empty" \
        "\"$w_host\" /template" "\"$(windows_path "$WORK/start-full/Vellumo.exe")\"" \
        >"$WORK/startup.txt" 2>/dev/null
    sed 's/^/  /' "$WORK/startup.txt"
    START_PROGRAM=$(awk '$2 == 0 { print $4 }' "$WORK/startup.txt")
    START_EMPTY=$(awk '$2 == 1 { print $4 }' "$WORK/startup.txt")
    START_TEMPLATE=$(awk '$2 == 2 { print $4 }' "$WORK/startup.txt")
    START_FULL=$(awk '$2 == 3 { print $4 }' "$WORK/startup.txt")

    log "month steps: $STEPS each way"
    (cd "$WORK/steps" && exec wine Vellumo.exe) >/dev/null 2>&1 &
    wine "$DRIVER" steps "$STEPS" 5 "$SERVER_PID" >"$WORK/steps.txt" 2>/dev/null
    sed 's/^/  /' "$WORK/steps.txt"
    STEP_QUICK=$(awk '/^month step/ { print $5 }' "$WORK/steps.txt")
    STEP_PAINTED=$(awk '/^month step/ { print $9 }' "$WORK/steps.txt")
    BARE=$(awk '$2 == "bare" { print $6 }' "$WORK/steps.txt")
    # Requests per operation of a phase: its read calls minus the idle rate
    # over its span, per operation, minus those of a bare SendMessage.
    per_op() {
        awk -v phase="$1" -v bare="${2:-0}" '
            $1 == "phase" { reads[$2] = $11; span[$2] = $9 - $8; count[$2] = $4 }
            END { rate = reads["idle"] / span["idle"]
                  printf "%.0f", (reads[phase] - rate * span[phase]) / count[phase] - bare }' \
            "${3:-$WORK/steps.txt}"
    }
    REQ_BARE=$(per_op bare)
    REQ_STEP=$(per_op step "$REQ_BARE")
    REQ_STEP_PAINTED=$(per_op step_painted "$REQ_BARE")
    REQ_STEP_SETTLED=$(per_op step_settled "$REQ_BARE")
    kill "$(find_in_prefix 'Vellumo.exe' | head -1)" 2>/dev/null
    sleep 1

    # The painted month step (us) of the copy in folder $1, its phases in $2.
    painted_steps() {
        (cd "$WORK/$1" && exec wine Vellumo.exe) >/dev/null 2>&1 &
        wine "$DRIVER" steps "$STEPS" 5 "$SERVER_PID" >"$2" 2>/dev/null
        sed 's/^/  /' "$2" >&2
        awk '/^month step/ { print $9 }' "$2"
        kill "$(find_in_prefix 'Vellumo.exe' | head -1)" 2>/dev/null
        sleep 1
    }
    # Each kind of month against the plain one, in alternating rounds: a
    # figure taken minutes apart from its floor would carry the machine's
    # drift in its ratio. Each round starts one kind later, so that over four
    # rounds every kind runs once in every place of a round (later runs of a
    # round were seen slower). The median of each kind's rounds is its
    # figure; the plain month's counts the first run above too.
    local calendar_key='HKCU\Software\Brakkon\Torvane08\Calendars\1'
    local variant_rounds=$(( ROUNDS < 4 ? ROUNDS : 4 )) round place
    local base_runs=("$STEP_PAINTED") full_runs=() repeat_runs=() event_runs=()
    local kinds=(plain full repeat events)
    for ((round = 0; round < variant_rounds; round++)); do
        log "month steps, round $((round + 1)) of $variant_rounds (plain, $FULL_FILES memo files, 500 repeating memos, 5,000 calendar events), from: ${kinds[round % 4]}"
        for ((place = 0; place < 4; place++)); do
            case "${kinds[(round + place) % 4]}" in
            plain) base_runs+=("$(painted_steps steps "$WORK/steps-base.txt")") ;;
            full) full_runs+=("$(painted_steps full "$WORK/steps-full.txt")") ;;
            repeat) repeat_runs+=("$(painted_steps repeat "$WORK/steps-repeat.txt")") ;;
            events)
                # Subscribed for this run only: the other figures are the program's own.
                wine reg add "$calendar_key" /v Location /t REG_SZ /d "$(windows_path "$WORK/events/events.ics")" /f >/dev/null 2>&1
                wine reg add "$calendar_key" /v Name /t REG_SZ /d Events /f >/dev/null 2>&1
                event_runs+=("$(painted_steps events "$WORK/steps-events.txt")")
                wine reg delete 'HKCU\Software\Brakkon\Torvane08\Calendars' /f >/dev/null 2>&1
                ;;
            esac
        done
    done
    median() { printf '%s\n' "$@" | grep -E '^[0-9.]+$' | sort -n | awk '{ v[NR] = $1 } END { if (NR) print v[int((NR + 1) / 2)] }'; }
    STEP_BASE=$(median "${base_runs[@]}")
    STEP_FULL=$(median "${full_runs[@]}")
    STEP_REPEAT=$(median "${repeat_runs[@]}")
    STEP_EVENTS=$(median "${event_runs[@]}")
    REQ_STEP_FULL=$(per_op step_painted "$(per_op bare 0 "$WORK/steps-full.txt")" "$WORK/steps-full.txt")
    (cd "$WORK/steps" && exec wine Vellumo.exe) >/dev/null 2>&1 &
    sleep 3

    log "idle: ${IDLE} s of CPU and requests, program and floor"
    local program_pid
    program_pid="$(find_in_prefix 'Vellumo.exe' | head -1)"
    idle_figures() {  # pid -> "cpu% requests/s"
        sleep 8  # the ticker stands still for its first seconds
        local p0 p1 t0 t1 r0 r1
        p0=$(cpu_ticks "$1"); r0=$(server_reads); t0=$(date +%s.%N)
        sleep "$IDLE"
        p1=$(cpu_ticks "$1"); r1=$(server_reads); t1=$(date +%s.%N)
        awk -v d=$((p1 - p0)) -v hz="$(getconf CLK_TCK)" -v a="$t0" -v b="$t1" -v r=$((r1 - r0)) \
            'BEGIN { printf "%.2f %.1f\n", 100 * d / hz / (b - a), r / (b - a) }'
    }
    server_reads() { awk '/^syscr:/ { print $2 }' "/proc/$SERVER_PID/io"; }
    pss() { awk '/^Pss:/ { printf "%.1f", $2 / 1024 }' "/proc/$1/smaps_rollup" 2>/dev/null; }
    read -r CPU_PROGRAM IDLE_PROGRAM < <(idle_figures "$program_pid")
    PSS_PROGRAM=$(pss "$program_pid")
    kill "$program_pid" 2>/dev/null
    sleep 1

    wine "$host" /blit >/dev/null 2>&1 &
    sleep 2
    local floor_pid
    floor_pid="$(find_in_prefix 'TickerHost.exe' | head -1)"
    read -r CPU_FLOOR IDLE_FLOOR < <(idle_figures "$floor_pid")
    kill "$floor_pid" 2>/dev/null
    sleep 1
    floor_pss() {  # TickerHost mode -> its proportional set size once settled
        wine "$host" "$1" >/dev/null 2>&1 &
        sleep 3
        local pid
        pid="$(find_in_prefix 'TickerHost.exe' | head -1)"
        pss "$pid"
        kill "$pid" 2>/dev/null
        sleep 1
    }
    PSS_FLOOR=$(floor_pss /empty)
    PSS_DUTY=$(floor_pss /duty)
}

# The find dialog with $FIND_MEMOS memos of about $1 bytes each.
find_figures() {
    local size="$1"
    log "memo search: $FIND_MEMOS memos of $size bytes"
    local dir="$WORK/find-$size"
    mkdir -p "$dir/Remark"
    cp "$exe" "$dir/Vellumo.exe"
    # One memo a day back from 2030-12-31; "beta" in every second, "gamma" in
    # every fifth, which the driver's expected counts follow; then lines of
    # other words up to the size.
    python3 - "$dir/Remark" "$FIND_MEMOS" "$size" <<'PY'
import datetime, os, sys
folder, count, size = sys.argv[1], int(sys.argv[2]), int(sys.argv[3])
filler = "\r\nThe quick brown fox jumps over the lazy dog near the river bank today"
day = datetime.date(2030, 12, 31)
for i in range(count):
    words = ["alpha"] + (["beta"] if i % 2 == 0 else []) + (["gamma"] if i % 5 == 0 else [])
    text = "[%d-%d-%d] Memo %d: %s, and a line of ordinary words after them" % (
        day.year, day.month, day.day, i, " ".join(words))
    while len(text) < size:
        text += filler
    with open(os.path.join(folder, "Remark_%d-%d-%d.txt" % (day.year, day.month, day.day)), "w",
              newline="") as f:
        f.write(text[:max(size, 80)])
    day -= datetime.timedelta(days=1)
PY
    (cd "$dir" && exec wine Vellumo.exe) >/dev/null 2>&1 &
    wine "$DRIVER" find 10 "$FIND_MEMOS" >"$WORK/find-$size.txt" 2>/dev/null
    sed 's/^/  /' "$WORK/find-$size.txt"
    FIND_OPEN[$size]=$(awk '$2 == "open_ms" { print $3 }' "$WORK/find-$size.txt")
    FIND_FIRST[$size]=$(awk '$2 == "open_ms" { print $5 }' "$WORK/find-$size.txt")
    FIND_MEDIAN[$size]=$(awk '$2 == "median_ms" { print $3 }' "$WORK/find-$size.txt")
    local find_pid
    find_pid="$(find_in_prefix 'Vellumo.exe' | head -1)"
    [ -n "$find_pid" ] && kill "$find_pid" 2>/dev/null
    sleep 1
}

# Sync with a local Radicale: the program's first sync of $SYNC_MEMOS memos,
# month steps during it, a sync with nothing to do, and the same events sent
# by a bare client as the first sync's floor (run's locals in scope).
sync_figures() {
    log "sync: $SYNC_MEMOS memos with a CalDAV server"
    local caldav="$WORK/caldav" radicale_port control_port
    python3 "$ROOT/tests/support/caldav_server.py" start "$caldav" ||
        { log "the CalDAV server did not start"; return 1; }
    read -r radicale_port control_port <"$caldav/ports"
    local cal
    for cal in bench floor; do
        python3 -c 'import sys, urllib.request
urllib.request.urlopen(urllib.request.Request(sys.argv[1], method="POST"), timeout=60).read()' \
            "http://127.0.0.1:$control_port/phone/make?cal=$cal" ||
            { log "calendar $cal could not be made"; return 1; }
    done
    # Ten years of daily memos from 2030 on.
    mkdir -p "$WORK/sync/Remark"
    cp "$exe" "$WORK/sync/Vellumo.exe"
    python3 - "$WORK/sync/Remark" "$SYNC_MEMOS" <<'PY'
import datetime, sys
day = datetime.date(2030, 1, 1)
for _ in range(int(sys.argv[2])):
    with open(f"{sys.argv[1]}/Remark_{day.year}-{day.month}-{day.day}.txt", "w") as memo:
        memo.write(f"[{day.year}-{day.month}-{day.day}] A memo to sync")
    day += datetime.timedelta(days=1)
PY
    wine "$DRIVER" sync "$(windows_path "$WORK/sync/Vellumo.exe")" \
        "http://127.0.0.1:$radicale_port/tester/bench/" tester secret-pw "$control_port" \
        >"$WORK/sync.txt" 2>/dev/null
    sed 's/^/  /' "$WORK/sync.txt"
    SYNC_FIRST=$(awk '$2 == "first_s" { print $3 }' "$WORK/sync.txt")
    SYNC_STATUS=$(awk '$2 == "first_s" { sub(/.* status /, ""); print }' "$WORK/sync.txt")
    SYNC_STEP_BUSY=$(awk '$2 == "steps" { print $5 }' "$WORK/sync.txt")
    SYNC_STEP_IDLE=$(awk '$2 == "steps" && $7 != "-" { print $7 }' "$WORK/sync.txt")
    SYNC_STEP_DURING=$(awk '$2 == "steps" { print $9 }' "$WORK/sync.txt")
    SYNC_AGAIN_MS=$(awk '$2 == "nochange_ms" { print $3 }' "$WORK/sync.txt")
    SYNC_AGAIN_REQ=$(awk '$2 == "nochange_ms" { print $5 }' "$WORK/sync.txt")
    [[ "$SYNC_AGAIN_REQ" =~ ^[0-9]+$ ]] || SYNC_AGAIN_REQ=""  # "?" when the counts were not read
    # A first sync given up: the PUTs it made by then, timed against the
    # floor's first as many.
    SYNC_GAVE_UP=$(awk '$2 == "gave_up_s" { print $3 }' "$WORK/sync.txt")
    SYNC_GAVE_UP_PUTS=$(awk '$2 == "gave_up_s" && $8 ~ /^[0-9]+$/ { print $8 }' "$WORK/sync.txt")
    local sync_pid
    sync_pid="$(find_in_prefix 'Vellumo.exe' | head -1)"
    [ -n "$sync_pid" ] && kill "$sync_pid" 2>/dev/null

    # The floor: the same number of events, each PUT once by a client that
    # does nothing else (one connection, no look-ups first).
    log "sync floor: $SYNC_MEMOS PUTs by a bare client"
    local floor_out
    floor_out=$(python3 - "$radicale_port" "$SYNC_MEMOS" "${SYNC_GAVE_UP_PUTS:-0}" <<'PY'
import base64, datetime, http.client, sys, time
port, count, mark = int(sys.argv[1]), int(sys.argv[2]), int(sys.argv[3])
auth = "Basic " + base64.b64encode(b"tester:secret-pw").decode()
stamp = datetime.datetime.now(datetime.timezone.utc).strftime("%Y%m%dT%H%M%SZ")
connection = http.client.HTTPConnection("127.0.0.1", port, timeout=60)
day, failed, at_mark = datetime.date(2030, 1, 1), 0, 0
start = time.monotonic()
for i in range(count):
    uid = f"floor-{day.year}-{day.month}-{day.day}@bench"
    body = ("BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//Vellumo bench//Floor//EN\r\n"
            f"BEGIN:VEVENT\r\nUID:{uid}\r\nDTSTAMP:{stamp}\r\n"
            f"DTSTART;VALUE=DATE:{day:%Y%m%d}\r\n"
            f"DTEND;VALUE=DATE:{day + datetime.timedelta(days=1):%Y%m%d}\r\n"
            f"SUMMARY:A memo to sync\r\nEND:VEVENT\r\nEND:VCALENDAR\r\n").encode()
    connection.request("PUT", f"/tester/floor/{uid}.ics", body=body, headers={
        "Authorization": auth, "If-None-Match": "*",
        "Content-Type": "text/calendar; charset=utf-8"})
    response = connection.getresponse()
    response.read()
    failed += response.status not in (200, 201, 204)
    day += datetime.timedelta(days=1)
    if i + 1 == mark:
        at_mark = time.monotonic() - start
elapsed = time.monotonic() - start
# "<all PUTs' seconds> <the first <mark> PUTs' seconds>", both empty after a failed PUT.
print(f"{elapsed:.2f} {at_mark:.2f}" if not failed else "")
print(f"floor: {count} PUTs in {elapsed:.2f} s, the first {mark} in {at_mark:.2f} s, "
      f"{failed} failed", file=sys.stderr)
PY
)
    read -r SYNC_FLOOR SYNC_FLOOR_AT_MARK <<<"$floor_out"
    python3 "$ROOT/tests/support/caldav_server.py" stop "$caldav"
}

report() {
    ratio() { awk -v a="$1" -v b="$2" 'BEGIN { if (a != "" && b > 0) printf "%.2f", a / b; else print "?" }'; }
    # Only a number meets a goal: not a missing figure, nor ratio's "?".
    met() { awk -v v="$1" -v g="$2" 'BEGIN { print (v ~ /^[-+]?[0-9.]+$/ && v + 0 <= g + 0) ? "met" : "NOT met" }'; }
    # A figure against its floor, whose goal is a ratio: label program floor goal.
    ratio_row() {
        printf '%-44s %12s %12s %8s  %s\n' "$1" "$2" "$3" "$(ratio "$2" "$3")" \
            "<= ${4}x: $(met "$(ratio "$2" "$3")" "$4")"
    }
    local load
    load="$(cut -d' ' -f1-3 /proc/loadavg)"
    echo
    echo "Vellumo benchmark ($WINE_TREE build, $(nproc) cores, load average $load)"
    printf '%-44s %12s %12s %8s  %s\n' "figure" "program" "floor" "ratio" "goal"
    # Only the parts that ran: --find-only and --sync-only leave the panel out.
    local panel=1
    { [ "$FIND_ONLY" = 1 ] || [ "$SYNC_ONLY" = 1 ]; } && panel=0
    if [ "$panel" = 1 ]; then
        ratio_row "start-up, median (ms) vs template 102" "$START_PROGRAM" "$START_TEMPLATE" 1.0
        printf '%-44s %12s %12s %8s\n' "start-up, median (ms) vs empty dialog" "$START_PROGRAM" \
            "$START_EMPTY" "$(ratio "$START_PROGRAM" "$START_EMPTY")"
        printf '%-44s %12s %12s %8s  %s\n' "month step, no forced paint (us)" "$STEP_QUICK" \
            "$BARE" "" "bare SendMessage as floor"
        printf '%-44s %12s %12s %8s  %s\n' "month step, paint forced (us)" "$STEP_BASE" "$BARE" "" \
            "<= 2000: $(met "$STEP_BASE" 2000)"
        ratio_row "start-up (ms), 11,000 memo files vs none" "$START_FULL" "$START_PROGRAM" 1.1
        # Against the plain month of the same rounds.
        ratio_row "month step (us), 11,000 memo files vs 93" "$STEP_FULL" "$STEP_BASE" 1.2
        ratio_row "month step (us), 500 repeating memos vs none" "$STEP_REPEAT" "$STEP_BASE" 1.1
        ratio_row "month step (us), 5,000 calendar events vs none" "$STEP_EVENTS" "$STEP_BASE" 1.1
        printf '%-44s %12s %12s %8s  %s\n' "requests per step, 11,000 memo files vs 93" \
            "$REQ_STEP_FULL" "$REQ_STEP_PAINTED" "" ""
        printf '%-44s %12s %12s %8s  %s\n' "server requests per step, no forced paint" "$REQ_STEP" \
            "$REQ_BARE" "" ""
        printf '%-44s %12s %12s %8s  %s\n' "server requests per step, paint forced" \
            "$REQ_STEP_PAINTED" "$REQ_BARE" "" "<= 200: $(met "$REQ_STEP_PAINTED" 200)"
        local req_with_bare
        req_with_bare=$(awk -v a="$REQ_STEP_PAINTED" -v b="$REQ_BARE" 'BEGIN { if (a != "") print a + b }')
        printf '%-44s %12s %12s %8s  %s\n' "  the same with the bare SendMessage's" "$req_with_bare" \
            "$REQ_BARE" "" "<= 60: $(met "$req_with_bare" 60)"
        printf '%-44s %12s %12s %8s  %s\n' "server requests per step, texts published" \
            "$REQ_STEP_SETTLED" "$REQ_BARE" "" "a pause after each step"
    fi
    local size
    [ "$SYNC_ONLY" = 1 ] || for size in "${FIND_SIZES[@]}"; do
        printf '%-44s %12s %12s %8s  %s\n' "find, $FIND_MEMOS memos of $size B: shown (ms)" \
            "${FIND_OPEN[$size]:-}" "" "" "the dialog up"
        printf '%-44s %12s %12s %8s  %s\n' "  open to the first words' list (ms)" \
            "${FIND_FIRST[$size]:-}" "" "" "first read of every memo"
        printf '%-44s %12s %12s %8s  %s\n' "  words to list, median (ms)" "${FIND_MEDIAN[$size]:-}" \
            "" "" "<= 300: $(met "${FIND_MEDIAN[$size]:-}" 300)"
    done
    if [ "$panel" = 1 ]; then
        printf '%-44s %12s %12s %8s  %s\n' "server requests per idle second" "$IDLE_PROGRAM" \
            "$IDLE_FLOOR" "$(ratio "$IDLE_PROGRAM" "$IDLE_FLOOR")" "<= 85: $(met "$IDLE_PROGRAM" 85)"
        ratio_row "idle CPU, % of a core (${IDLE} s)" "$CPU_PROGRAM" "$CPU_FLOOR" 1.2
    fi
    # The sync's lines only where it ran.
    if [ "$NO_SYNC" = 0 ] && [ "$FIND_ONLY" = 0 ]; then
        printf '%-44s %12s %12s %8s  %s\n' "first sync of 3,650 memos (s) vs raw PUTs" "$SYNC_FIRST" \
            "$SYNC_FLOOR" "$(ratio "$SYNC_FIRST" "$SYNC_FLOOR")" "<= 60 s: $(met "$SYNC_FIRST" 60)"
        printf '%-44s %12s %12s %8s  %s\n' "  its status" "" "" "" "$SYNC_STATUS"
        if [ -n "$SYNC_GAVE_UP" ]; then
            printf '%-44s %12s %12s %8s  %s\n' "  given up: ${SYNC_GAVE_UP_PUTS:-?} PUTs (s) vs as many raw" \
                "$SYNC_GAVE_UP" "$SYNC_FLOOR_AT_MARK" "$(ratio "$SYNC_GAVE_UP" "$SYNC_FLOOR_AT_MARK")" \
                "the first sync unfinished after ${SYNC_GAVE_UP} s"
        fi
        printf '%-44s %12s %12s %8s  %s\n' "no-change sync, requests" "$SYNC_AGAIN_REQ" "" "" \
            "<= 2: $(met "$SYNC_AGAIN_REQ" 2)"
        printf '%-44s %12s %12s %8s  %s\n' "  its time (ms)" "$SYNC_AGAIN_MS" "" "" ""
        printf '%-44s %12s %12s %8s  %s\n' "month step while syncing vs idle (us)" "$SYNC_STEP_BUSY" \
            "$SYNC_STEP_IDLE" "$(ratio "$SYNC_STEP_BUSY" "$SYNC_STEP_IDLE")" \
            "<= 1.1x: $(met "$(ratio "$SYNC_STEP_BUSY" "$SYNC_STEP_IDLE")" 1.1)${SYNC_STEP_DURING:+, sync running: $SYNC_STEP_DURING}"
    fi
    [ "$panel" = 1 ] || return 0
    local extra
    extra=$(awk -v a="$PSS_PROGRAM" -v b="$PSS_FLOOR" 'BEGIN { printf "%+.1f", a - b }')
    printf '%-44s %12s %12s %8s  %s\n' "proportional set size (MiB)" "$PSS_PROGRAM" "$PSS_FLOOR" \
        "$extra" "<= floor+4: $(met "$extra" 4)"
    extra=$(awk -v a="$PSS_PROGRAM" -v b="$PSS_DUTY" 'BEGIN { printf "%+.1f", a - b }')
    printf '%-44s %12s %12s %8s  %s\n' "  against the duty floor (MiB)" "$PSS_PROGRAM" "$PSS_DUTY" \
        "$extra" "<= floor+2: $(met "$extra" 2)"
}

cleanup() {
    [ -n "${WORK:-}" ] && [ -f "$WORK/caldav/pid" ] &&
        python3 "$ROOT/tests/support/caldav_server.py" stop "$WORK/caldav"
    [ -n "${PREFIX:-}" ] && end_prefix "$PREFIX"
    stop_xvfb
}
trap cleanup EXIT

STEP_BASE="" START_PROGRAM="" START_EMPTY="" START_TEMPLATE="" START_FULL="" STEP_FULL="" REQ_STEP_FULL="" STEP_QUICK="" STEP_PAINTED="" BARE=""
REQ_STEP="" REQ_STEP_PAINTED="" REQ_STEP_SETTLED="" REQ_BARE="" IDLE_PROGRAM="" IDLE_FLOOR="" CPU_PROGRAM=""
CPU_FLOOR="" PSS_PROGRAM="" PSS_FLOOR="" PSS_DUTY=""
SYNC_FIRST="" SYNC_STATUS="" SYNC_FLOOR="" SYNC_STEP_BUSY="" SYNC_STEP_IDLE="" SYNC_STEP_DURING=""
SYNC_AGAIN_MS="" SYNC_AGAIN_REQ="" SYNC_GAVE_UP="" SYNC_GAVE_UP_PUTS="" SYNC_FLOOR_AT_MARK=""
STEP_REPEAT=""
STEP_EVENTS=""
declare -A FIND_OPEN=() FIND_FIRST=() FIND_MEDIAN=()
run || log "the benchmark stopped early; the figures below are those it reached"
report
exit 0

# Shared by scripts/run.sh and scripts/test.sh: installing what is missing,
# building both trees, Wine prefixes and a virtual display.
# shellcheck shell=bash

ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD="${VELLUMO_BUILD_DIR:-$ROOT/build}"
JOBS="$(nproc 2>/dev/null || echo 2)"

export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=,winemenubuilder.exe=d"

# Under Wine the recycle bin is the Linux desktop's trash ($XDG_DATA_HOME/Trash)
# and the profile's Desktop and Documents link into $HOME. Every run and test
# gets a home of its own inside the build folder, so that emptying the recycle
# bin or saving a document there never reaches the user's own files.
export VELLUMO_USER_HOME="${VELLUMO_USER_HOME:-$HOME}"
export VELLUMO_USER_TRASH="${VELLUMO_USER_TRASH:-${XDG_DATA_HOME:-$HOME/.local/share}/Trash}"
if [ -z "${XAUTHORITY:-}" ] && [ -f "$VELLUMO_USER_HOME/.Xauthority" ]; then
    export XAUTHORITY="$VELLUMO_USER_HOME/.Xauthority"  # still reach the user's display
fi
export HOME="$BUILD/home"
export XDG_DATA_HOME="$HOME/.local/share" XDG_CONFIG_HOME="$HOME/.config" XDG_CACHE_HOME="$HOME/.cache"
mkdir -p "$XDG_DATA_HOME" "$XDG_CONFIG_HOME" "$XDG_CACHE_HOME"
# Wine asks X for its font-smoothing settings at every font it selects. X's
# library takes them from the display's resource database or, when the
# display has none (a virtual one), from ~/.Xdefaults, which it opens again
# at each question for as long as the file is missing: an empty one is read
# once. A desktop session's database, where there is one, still comes first.
[ -e "$HOME/.Xdefaults" ] || : >"$HOME/.Xdefaults"

log() { printf '== %s\n' "$*" >&2; }

need_packages() {
    local missing=()
    command -v cmake >/dev/null || missing+=(cmake)
    command -v g++ >/dev/null || missing+=(g++)
    command -v python3 >/dev/null || missing+=(python3)  # scripts/layers.py, the test web servers
    command -v openssl >/dev/null || missing+=(openssl)  # the test HTTPS server's certificate
    command -v i686-w64-mingw32-g++-posix >/dev/null || missing+=(g++-mingw-w64-i686-posix)
    command -v x86_64-w64-mingw32-g++-posix >/dev/null || missing+=(g++-mingw-w64-x86-64-posix)
    command -v wine >/dev/null || missing+=(wine)
    dpkg -s wine32:i386 >/dev/null 2>&1 || missing+=(wine32:i386)
    [ -x /usr/lib/wine/wine64 ] || missing+=(wine64)
    command -v Xvfb >/dev/null || missing+=(xvfb)
    command -v xdotool >/dev/null || missing+=(xdotool)
    { command -v import >/dev/null && convert -version 2>/dev/null | grep -q ImageMagick; } ||
        missing+=(imagemagick)
    [ -f /usr/share/wine/fonts/marlett.ttf ] || missing+=(fonts-wine)
    [ -d /usr/share/fonts/truetype/liberation ] || missing+=(fonts-liberation)
    [ -d /usr/share/fonts/truetype/dejavu ] || missing+=(fonts-dejavu-core)
    [ -f /usr/src/googletest/CMakeLists.txt ] || missing+=(googletest)
    command -v chmcmd >/dev/null || missing+=(fp-utils)
    command -v makensis >/dev/null || missing+=(nsis)
    dpkg -s gcc-multilib >/dev/null 2>&1 || missing+=(gcc-multilib)
    # The fuzz targets: clang with libFuzzer and the sanitizer runtimes.
    command -v clang++ >/dev/null || missing+=(clang)
    compgen -G '/usr/lib/llvm-*/lib/clang/*/lib/linux/libclang_rt.fuzzer-x86_64.a' >/dev/null ||
        missing+=(libclang-rt-dev)
    command -v stress-ng >/dev/null || missing+=(stress-ng)  # scripts/stress.sh
    # The independent iCalendar parser the unit tests check the export with.
    dpkg -s python3-icalendar >/dev/null 2>&1 || missing+=(python3-icalendar)
    # The CalDAV server and the second client of the sync tests (tests/support/caldav_server.py).
    dpkg -s python3-radicale >/dev/null 2>&1 || missing+=(python3-radicale)
    dpkg -s python3-caldav >/dev/null 2>&1 || missing+=(python3-caldav)
    printf '%s\n' "${missing[@]}"
}

# The Wine loaders; the tree check (scripts/check_wine_tree.sh) points them
# at stand-ins.
WINE32_LOADER="${VELLUMO_WINE32_LOADER:-/usr/lib/wine/wine}"
WINE64_LOADER="${VELLUMO_WINE64_LOADER:-/usr/lib/wine/wine64}"

# Whether the kernel starts 32-bit x86 code at all: a program of four
# instructions, assembled without any 32-bit library, is run.
can_start_32bit_code() {
    local probe="$BUILD/probe/exit32"
    if [ ! -x "$probe" ]; then
        mkdir -p "$BUILD/probe"
        printf '.globl _start\n_start: movl $1, %%eax\n xorl %%ebx, %%ebx\n int $0x80\n' |
            gcc -m32 -nostdlib -static -x assembler - -o "$probe" >/dev/null 2>&1 || return 1
    fi
    "$probe" >/dev/null 2>&1
}

# A mirror part way through a sync can serve the release suite's i386
# packages while the machine's amd64 ones are at the security suite's
# versions: Wine's 32-bit part then cannot be paired with them and apt gives
# up. Taking the Wine packages and their libraries from the release suite on
# both architectures pairs them, at the cost of downgrading a few security
# updates, so it is done only where that is acceptable: on CI's throwaway
# machines, or when the user asked for it (VELLUMO_APT_RELEASE_SUITE=1).
release_suite_install_command() {
    local codename pref=/tmp/vellumo-release-suite.pref
    codename="$(. /etc/os-release 2>/dev/null && echo "${VERSION_CODENAME:-}")"
    [ -n "$codename" ] || return 1
    printf "printf 'Package: *\\\\nPin: release n=%s\\\\nPin-Priority: 1001\\\\n' >%s && " "$codename" "$pref"
    printf 'apt-get install -y --allow-downgrades --no-install-recommends '
    printf -- '-o Dir::Etc::Preferences=%s wine32:i386\n' "$pref"
}

install_wine32_from_release_suite() {
    local command sudo=""
    [ "$(id -u)" -ne 0 ] && sudo="sudo"
    if ! can_start_32bit_code; then
        log "32-bit Wine not installed, and not needed: this machine cannot start 32-bit code"
        WINE32_NOTE="32-bit Wine could not be installed; not needed here"
        return 1
    fi
    command="$(release_suite_install_command)" || return 1
    if [ -z "${CI:-}" ] && [ "${VELLUMO_APT_RELEASE_SUITE:-}" != 1 ]; then
        log "32-bit Wine (wine32:i386) could not be installed: the i386 packages cannot be paired"
        log "with this machine's amd64 versions (a mirror part way through a sync?). To take"
        log "Wine and its libraries from the release suite, downgrading a few security updates,"
        log "run again with VELLUMO_APT_RELEASE_SUITE=1, or as root:"
        log "  $command"
        WINE32_NOTE="32-bit Wine not installed: the release-suite install was not asked for; its command is above"
        return 1
    fi
    log "installing 32-bit Wine from the release suite (downgrades some security updates):"
    log "  $command"
    if DEBIAN_FRONTEND=noninteractive $sudo sh -c "$command" >"$BUILD/apt-release-suite.log" 2>&1; then
        log "32-bit Wine installed from the release suite"
        WINE32_NOTE="32-bit Wine installed from the release suite"
        return 0
    fi
    log "that failed too (see $BUILD/apt-release-suite.log)"
    WINE32_NOTE="32-bit Wine: the release-suite install failed too"
    return 1
}

ensure_packages() {
    local missing
    missing="$(need_packages)"
    [ -z "$missing" ] && return 0
    log "installing: $(echo "$missing" | tr '\n' ' ')"
    local sudo=""
    [ "$(id -u)" -ne 0 ] && sudo="sudo"
    if ! dpkg --print-foreign-architectures | grep -qx i386; then
        $sudo dpkg --add-architecture i386
    fi
    # A mirror part way through a sync can fail one index (seen for i386):
    # the install then goes package by package, and the 32-bit Wine is
    # tried once more from the release suite alone.
    $sudo apt-get update -qq || log "apt-get update failed in part; going on"
    # shellcheck disable=SC2086
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends \
        $missing >/dev/null && return 0
    local package
    for package in $missing; do
        DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends \
            "$package" >/dev/null 2>&1 || log "could not install $package"
    done
    dpkg -s wine32:i386 >/dev/null 2>&1 || install_wine32_from_release_suite || true
    missing="$(need_packages | grep -vx 'wine32:i386')"
    [ -z "$missing" ] || { log "still missing: $(echo "$missing" | tr '\n' ' ')"; return 1; }
}

# The product is the 32-bit program. Some machines run 64-bit user code
# only (no IA-32 emulation in the kernel): there Wine cannot start a 32-bit
# process, so the same sources are also built for x64 and that build is the
# one run and tested under (64-bit) Wine. WINE_TREE names the tree that runs.
#
# Each run chooses afresh and keeps nothing of an earlier choice: both build
# trees name one `wine` (the shim in $BUILD/wine-bin, the emulator CMake
# records) and the shim is written here for the loader chosen now, so
# installing or removing 32-bit Wine between runs needs no clean build.
# Prefixes are kept per kind (template-win32, template-win64).
# The 32-bit program where the machine starts 32-bit code, else the 64-bit
# one; "choose_wine_tree win64" takes the 64-bit one anyway (to compare).
choose_wine_tree() {
    local loader
    if [ "${1:-}" != win64 ] && "$WINE32_LOADER" --version >/dev/null 2>&1; then
        WINE_TREE=win32
        WINE_TREE_WHY="32-bit build under 32-bit Wine"
        export WINEARCH=win32
        unset WINELOADER
        loader="$WINE32_LOADER"
    else
        WINE_TREE=win64
        WINE_TREE_WHY="64-bit build under 64-bit Wine: this machine cannot start 32-bit code"
        [ "${1:-}" = win64 ] && WINE_TREE_WHY="64-bit build under 64-bit Wine, as asked"
        [ "${1:-}" = win64 ] || [ -e "$WINE32_LOADER" ] ||
            WINE_TREE_WHY="64-bit build under 64-bit Wine: 32-bit Wine (wine32:i386) could not be installed"
        export WINEARCH=win64
        export WINELOADER="$WINE64_LOADER"
        loader="$WINE64_LOADER"
    fi
    # Written only when it differs, and atomically: tests running side by
    # side start `wine` while another one sources this.
    local shim="$BUILD/wine-bin/wine" body
    body="$(printf '#!/bin/sh\nexec %s "$@"' "$loader")"
    if [ "$(cat "$shim" 2>/dev/null)" != "$body" ]; then
        mkdir -p "$BUILD/wine-bin"
        printf '%s\n' "$body" >"$shim.$$" && chmod +x "$shim.$$" && mv -f "$shim.$$" "$shim"
    fi
    case ":$PATH:" in *":$BUILD/wine-bin:"*) ;; *) export PATH="$BUILD/wine-bin:$PATH" ;; esac
}

build_tree() {
    local tree="$1" toolchain="$2"
    log "Windows build $tree (MinGW-w64 $toolchain)"
    # The product's setup program and zip go into build/ itself.
    local package="$BUILD/$tree"
    [ "$tree" = win32 ] && package="$BUILD"
    # Configured once; the build itself configures again when a list file or
    # a globbed folder changed.
    # Both trees run their tests through the shim `wine` (see choose_wine_tree);
    # a tree configured by an older script named a loader of its own.
    local emulator="$BUILD/wine-bin/wine"
    grep -qx "WINE_PROGRAM:FILEPATH=$emulator" "$BUILD/$tree/CMakeCache.txt" 2>/dev/null ||
        cmake -S "$ROOT" -B "$BUILD/$tree" -DCMAKE_BUILD_TYPE=Release \
            -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/mingw-$toolchain.cmake" \
            -DWINE_PROGRAM:FILEPATH="$emulator" \
            -DVELLUMO_PACKAGE_DIR="$package" >/dev/null || return 1
    cmake --build "$BUILD/$tree" -j "$JOBS"
}

build_all() {
    choose_wine_tree
    log "native build (pure logic and unit tests)"
    [ -f "$BUILD/native/CMakeCache.txt" ] ||
        cmake -S "$ROOT" -B "$BUILD/native" -DCMAKE_BUILD_TYPE=Debug >/dev/null || return 1
    cmake --build "$BUILD/native" -j "$JOBS" || return 1
    build_tree win32 i686 || return 1
    if [ "$WINE_TREE" = win64 ]; then
        log "this machine cannot run 32-bit programs: running the x64 build under Wine"
        build_tree win64 x86_64 || return 1
    fi
}

# A booted prefix of the running tree's kind, made once per build tree;
# every run copies it.
wine_template() {
    local template="$BUILD/wine/template-$WINEARCH"
    # A prefix links its profile folders into the HOME it was booted with:
    # boot again when that was another one.
    if [ "$(cat "$template/.ready" 2>/dev/null)" != "$HOME" ]; then
        log "booting a Wine prefix (once)"
        rm -rf "$template"
        mkdir -p "$template"
        WINEPREFIX="$template" wine wineboot -i >/dev/null 2>&1 || true
        WINEPREFIX="$template" wineserver -w
        # Without a window manager, closing a dialog would stall ~2 s.
        WINEPREFIX="$template" wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f \
            >/dev/null 2>&1
        # The faces the program names, mapped to fonts Debian ships.
        local face
        for face in "Arial=Liberation Sans" "Times New Roman=Liberation Serif" \
            "Verdana=DejaVu Sans" "Microsoft Sans Serif=Liberation Sans" \
            "Comic Sans MS=DejaVu Sans"; do
            WINEPREFIX="$template" wine reg add 'HKCU\Software\Wine\Fonts\Replacements' \
                /v "${face%%=*}" /d "${face#*=}" /f >/dev/null 2>&1
        done
        WINEPREFIX="$template" wineserver -w
        cp /usr/share/wine/fonts/marlett.ttf "$template/drive_c/windows/Fonts/" 2>/dev/null || true
        printf '%s\n' "$HOME" >"$template/.ready"
    fi
    printf '%s\n' "$template"
}

# Copies the template into a fresh prefix at $1. The system folder, nine
# tenths of a prefix that no run writes to, is hard-linked; everything else
# is copied for real (wineserver rewrites the .reg files in place).
fresh_prefix() {
    local target="$1" template system=drive_c/windows/system32
    template="$(wine_template)"
    rm -rf "$target"
    mkdir -p "$target"
    (cd "$template" && tar --exclude="./$system" -cf - .) | (cd "$target" && tar -xpf -) || return 1
    cp -al "$template/$system" "$target/$system"
}

end_prefix() {
    WINEPREFIX="$1" wineserver -k >/dev/null 2>&1 || true
    WINEPREFIX="$1" wineserver -w >/dev/null 2>&1 || true
}

# Starts Xvfb on a free display; sets DISPLAY and XVFB_PID.
start_xvfb() {
    local n
    for n in $(seq 91 140); do
        [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ] && continue
        Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
        XVFB_PID=$!
        # Ours only when its lock names our server: another run starting at
        # the same moment may have taken the number.
        local i
        for i in $(seq 1 150); do
            kill -0 "$XVFB_PID" 2>/dev/null || break
            if [ -e "/tmp/.X11-unix/X$n" ] &&
                [ "$(tr -d ' \n' <"/tmp/.X$n-lock" 2>/dev/null)" = "$XVFB_PID" ]; then
                export DISPLAY=":$n"
                return 0
            fi
            sleep 0.1
        done
        kill "$XVFB_PID" 2>/dev/null
    done
    log "could not start Xvfb"
    return 1
}

stop_xvfb() {
    [ -n "${XVFB_PID:-}" ] && kill "$XVFB_PID" 2>/dev/null || true
    XVFB_PID=""
}

# Puts the program and the companion components into a program directory.
stage_program_dir() {
    local dir="$1"
    mkdir -p "$dir"
    cp "$BUILD/$WINE_TREE/bin/"*.exe "$dir/"
    if [ -d "$BUILD/$WINE_TREE/companions/out" ]; then
        cp -r "$BUILD/$WINE_TREE/companions/out/." "$dir/"
    fi
}

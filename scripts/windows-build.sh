#!/usr/bin/env bash
# Cross-builds the Windows plug-in with MinGW-w64: Zintra.dll for 32-bit and
# 64-bit Windows, the command-line host and the panel's test host for both,
# the unit tests for 32-bit Windows, and the Linux programs that
# windows-test.sh compares against. Installs the packages it needs first
# (once).
#
# Usage: scripts/windows-build.sh [--no-install] [--install-only]
#                                 [--linux-build DIR] [BUILD_ROOT]
#   BUILD_ROOT (default: build-windows in the repository) receives
#     i686/    32-bit Windows build: Zintra.dll, tests, host, GUI test
#     x86_64/  64-bit Windows build: Zintra.dll, host, panel test host (and
#              the GUI test plug-in)
#     linux/   Linux reference build (unless --linux-build names one)
#   --linux-build DIR  an already configured Linux build tree to build the
#                      reference programs in, instead of BUILD_ROOT/linux
#   JOBS sets the parallel build jobs (default 2).
# Every Windows build treats compiler warnings as errors.
set -euo pipefail

REPO="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
INSTALL=1
BUILD_ONLY=1
BUILD_ROOT=""
LINUX_BUILD=""
while [ $# -gt 0 ]; do
    case "$1" in
    --no-install) INSTALL=0 ;;
    --install-only) BUILD_ONLY=0 ;;
    --linux-build)
        LINUX_BUILD="${2:?--linux-build needs a directory}"
        shift
        ;;
    -h | --help)
        sed -n '2,16p' "${BASH_SOURCE[0]}"
        exit 0
        ;;
    *) BUILD_ROOT="$1" ;;
    esac
    shift
done
BUILD_ROOT="${BUILD_ROOT:-$REPO/build-windows}"
mkdir -p "$BUILD_ROOT"
BUILD_ROOT="$(cd "$BUILD_ROOT" && pwd)"
JOBS="${JOBS:-2}"

log() { printf '[windows-build] %s\n' "$*"; }
fail() {
    printf '[windows-build] FAILED: %s\n' "$*" >&2
    exit 1
}

# Packages for the cross build, the Wine runs (the GUI test's in an X server
# of its own, clicked through the X test extension) and the Linux reference build.
PACKAGES=(mingw-w64 g++-mingw-w64-i686 g++-mingw-w64-x86-64 googletest wine wine32:i386 wine64
    cmake make g++ pkg-config libsndfile1-dev libx11-dev libxext-dev libxtst-dev xvfb xauth)

missing_packages() {
    local p
    for p in "${PACKAGES[@]}"; do
        if ! dpkg-query -W -f='${Status}\n' "$p" 2>/dev/null | grep -q 'install ok installed'; then
            printf '%s\n' "$p"
        fi
    done
}

install_packages() {
    local missing
    missing="$(missing_packages)"
    if [ -z "$missing" ]; then
        log "packages already installed"
        return 0
    fi
    log "installing: $(echo $missing)"
    local sudo=""
    [ "$(id -u)" -eq 0 ] || sudo="sudo"
    if ! dpkg --print-foreign-architectures | grep -qx i386; then
        $sudo dpkg --add-architecture i386
    fi
    local apt=($sudo env DEBIAN_FRONTEND=noninteractive apt-get -o DPkg::Lock::Timeout=600)
    local logfile="$BUILD_ROOT/apt.log"
    # Recommends would pull in fonts, sound and printing support that a
    # headless console run never uses.
    if ! { "${apt[@]}" update -q && "${apt[@]}" install -y -q --no-install-recommends "${PACKAGES[@]}"; } \
        >"$logfile" 2>&1; then
        tail -30 "$logfile" >&2
        fail "package installation (log: $logfile)"
    fi
}

if [ "$INSTALL" -eq 1 ]; then
    start=$SECONDS
    install_packages
    log "package step took $((SECONDS - start)) s"
fi
[ "$BUILD_ONLY" -eq 1 ] || exit 0

# Runs "cmake --build" with its output in LOG; fails on a compiler warning
# as well as on an error, so that the 32-bit build stays warning-free.
build() {
    local dir=$1 logfile=$2
    shift 2
    if ! cmake --build "$dir" -j"$JOBS" "$@" >"$logfile" 2>&1; then
        grep -E 'error|Error' "$logfile" | head -40 >&2 || true
        tail -20 "$logfile" >&2
        fail "build in $dir (log: $logfile)"
    fi
    if grep -q 'warning:' "$logfile"; then
        grep -A3 'warning:' "$logfile" | head -60 >&2
        fail "compiler warnings in $dir (log: $logfile)"
    fi
}

configure() {
    local dir=$1 logfile=$2
    shift 2
    if ! cmake -S "$REPO" -B "$dir" "$@" >"$logfile" 2>&1; then
        tail -30 "$logfile" >&2
        fail "configure $dir (log: $logfile)"
    fi
    grep -E 'leave out|not built' "$logfile" | sed 's/^-- /[windows-build] /' || true
}

# 32-bit Windows: the plug-in, its unit tests and the host.
start=$SECONDS
configure "$BUILD_ROOT/i686" "$BUILD_ROOT/i686-configure.log" \
    -DCMAKE_TOOLCHAIN_FILE="$REPO/cmake/toolchain-mingw-i686.cmake" \
    -DCMAKE_BUILD_TYPE=Release -DQUIBO_WERROR=ON
build "$BUILD_ROOT/i686" "$BUILD_ROOT/i686-build.log"
log "32-bit Windows build took $((SECONDS - start)) s"

# 64-bit Windows: the plug-in, the host and the panel's test host that run it
# under 64-bit Wine, and the GUI test plug-in to link the window backend.
start=$SECONDS
configure "$BUILD_ROOT/x86_64" "$BUILD_ROOT/x86_64-configure.log" \
    -DCMAKE_TOOLCHAIN_FILE="$REPO/cmake/toolchain-mingw-x86_64.cmake" \
    -DCMAKE_BUILD_TYPE=Release -DQUIBO_WERROR=ON
build "$BUILD_ROOT/x86_64" "$BUILD_ROOT/x86_64-build.log" --target Zintra GuiTestPlugin zintra-host \
    quibo_editor_win32_host
log "64-bit Windows build took $((SECONDS - start)) s"

# Linux: the programs whose output the Windows ones must match.
start=$SECONDS
if [ -z "$LINUX_BUILD" ]; then
    LINUX_BUILD="$BUILD_ROOT/linux"
    configure "$LINUX_BUILD" "$BUILD_ROOT/linux-configure.log" \
        -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUIBO_BUILD_TESTS=OFF
fi
[ -f "$LINUX_BUILD/CMakeCache.txt" ] || fail "$LINUX_BUILD is no configured build tree"
LINUX_BUILD="$(cd "$LINUX_BUILD" && pwd)"
# The log of a shared Linux tree may hold other targets' warnings; only errors count there.
if ! cmake --build "$LINUX_BUILD" -j"$JOBS" --target Zintra zintra-host \
    >"$BUILD_ROOT/linux-build.log" 2>&1; then
    tail -30 "$BUILD_ROOT/linux-build.log" >&2
    fail "Linux reference build in $LINUX_BUILD (log: $BUILD_ROOT/linux-build.log)"
fi
echo "$LINUX_BUILD" >"$BUILD_ROOT/linux-build-dir"
log "Linux reference build took $((SECONDS - start)) s"
log "done: $BUILD_ROOT"

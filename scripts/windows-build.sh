#!/usr/bin/env bash
# Cross-builds the Windows plug-in with MinGW-w64: Zintra.dll for 32-bit and
# 64-bit Windows, the unit tests and the command-line host for 32-bit Windows,
# and the Linux reference programs that windows-test.sh compares against.
#
# Usage: scripts/windows-build.sh [--no-install] [--install-only] [BUILD_ROOT]
#   BUILD_ROOT defaults to build-windows in the repository. Inside it:
#     i686/   32-bit Windows build (Zintra.dll, quibo_tests.exe, zintra-host.exe, ...)
#     x86_64/ 64-bit Windows build (Zintra.dll only)
#     linux/  Linux reference build (zintra-host, quibo_chunkdump)
#   QUIBO_LINUX_BUILD=DIR reuses an existing configured Linux build tree
#   instead of linux/. JOBS sets the parallel build jobs (default 2).
set -euo pipefail

REPO="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
INSTALL=1
BUILD_ONLY=1
BUILD_ROOT=""
for arg in "$@"; do
    case "$arg" in
    --no-install) INSTALL=0 ;;
    --install-only) BUILD_ONLY=0 ;;
    -h | --help)
        sed -n '2,13p' "${BASH_SOURCE[0]}"
        exit 0
        ;;
    *) BUILD_ROOT="$arg" ;;
    esac
done
BUILD_ROOT="${BUILD_ROOT:-$REPO/build-windows}"
JOBS="${JOBS:-2}"

log() { printf '[windows-build] %s\n' "$*"; }

# Packages for the cross build, the Wine runs and the Linux reference build.
PACKAGES=(mingw-w64 g++-mingw-w64-i686 g++-mingw-w64-x86-64 googletest wine wine32:i386
    cmake make g++ pkg-config libsndfile1-dev)

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
    "${apt[@]}" update -q
    # Recommends would pull in fonts, sound and printing support that a
    # headless console run never uses.
    "${apt[@]}" install -y -q --no-install-recommends "${PACKAGES[@]}"
}

if [ "$INSTALL" -eq 1 ]; then
    start=$SECONDS
    install_packages
    log "package step took $((SECONDS - start)) s"
fi
[ "$BUILD_ONLY" -eq 1 ] || exit 0

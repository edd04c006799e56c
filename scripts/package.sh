#!/usr/bin/env bash
# Builds Zintra's packages:
#   zintra_<version>-<revision>_amd64.deb  the Debian package (CPack, cmake/Packaging.cmake;
#                                 the revision is QUIBO_DEBIAN_REVISION, 1 by default)
#   zintra-<version>-windows.zip  the Windows archive: zintra-<version>-windows/ with
#                                 win32/Zintra.dll, win64/Zintra.dll, README.txt,
#                                 LICENSE.txt, CHANGELOG.txt and programs/ (the six
#                                 factory programs as .fxp files, the bank as one .fxb)
#
# Usage: scripts/package.sh [--linux-build DIR] [--windows-build DIR] [--only deb|windows]
#                           [--out DIR]
#   --linux-build DIR    a built Linux tree to package (default: the release preset,
#                        configured and built here in build/release); the Windows
#                        archive's programs are written by its command-line host
#   --windows-build DIR  the folder scripts/windows-build.sh made (default:
#                        build-windows, built here first when it holds no DLLs)
#   --only deb|windows   make only one of the two
#   --out DIR            where the packages go (default: out)
set -euo pipefail

REPO="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
LINUX_BUILD=""
WINDOWS_BUILD=""
ONLY=""
OUT="$REPO/out"
while [ $# -gt 0 ]; do
    case "$1" in
    --linux-build) LINUX_BUILD="${2:?--linux-build needs a directory}" ;;
    --windows-build) WINDOWS_BUILD="${2:?--windows-build needs a directory}" ;;
    --only) ONLY="${2:?--only needs deb or windows}" ;;
    --out) OUT="${2:?--out needs a directory}" ;;
    -h | --help)
        sed -n '2,19p' "${BASH_SOURCE[0]}"
        exit 0
        ;;
    *)
        echo "package.sh: unknown argument $1 (--help lists them)" >&2
        exit 2
        ;;
    esac
    shift 2
done
case "$ONLY" in "" | deb | windows) ;; *)
    echo "package.sh: --only takes deb or windows" >&2
    exit 2
    ;;
esac

log() { printf '[package] %s\n' "$*"; }
fail() {
    printf '[package] FAILED: %s\n' "$*" >&2
    exit 1
}

mkdir -p "$OUT"
OUT="$(cd "$OUT" && pwd)"
if [ -z "$LINUX_BUILD" ]; then
    log "building the release preset in build/release"
    (cd "$REPO" && cmake --preset release >/dev/null && cmake --build --preset release -j"${JOBS:-2}")
    LINUX_BUILD="$REPO/build/release"
fi
LINUX_BUILD="$(cd "$LINUX_BUILD" && pwd)"
[ -f "$LINUX_BUILD/CPackConfig.cmake" ] || fail "$LINUX_BUILD is no configured Linux build"
VERSION="$(sed -n 's/^#define ZINTRA_VERSION_STRING "\(.*\)"$/\1/p' "$LINUX_BUILD/generated/ZintraVersion.h")"
[ -n "$VERSION" ] || fail "no version in $LINUX_BUILD/generated/ZintraVersion.h"

# --- the Debian package --------------------------------------------------------

make_deb() {
    local revision
    revision="$(sed -n 's/^set(CPACK_DEBIAN_PACKAGE_RELEASE "\(.*\)")$/\1/p' "$LINUX_BUILD/CPackConfig.cmake")"
    [ -n "$revision" ] || fail "no Debian revision in $LINUX_BUILD/CPackConfig.cmake"
    local name="zintra_${VERSION}-${revision}_amd64.deb" logfile="$LINUX_BUILD/cpack.log"
    rm -f "$LINUX_BUILD/$name"
    if ! (cd "$LINUX_BUILD" && cpack -G DEB) >"$logfile" 2>&1; then
        tail -30 "$logfile" >&2
        fail "cpack (log: $logfile)"
    fi
    [ -f "$LINUX_BUILD/$name" ] || fail "cpack made no $name (log: $logfile)"
    mv "$LINUX_BUILD/$name" "$OUT/$name"
    log "wrote $OUT/$name"
}

# --- the Windows archive -------------------------------------------------------

# A text file for Notepad: CR LF line ends.
crlf() { sed 's/\r$//; s/$/\r/' "$1" >"$2"; }

# Writes the factory bank and one program file per factory program into $1, by
# the Linux build's command-line host on a fresh instrument.
write_programs() {
    local folder=$1 host="$LINUX_BUILD/tools/zintra-host" plugin="$LINUX_BUILD/Zintra.so"
    [ -x "$host" ] && [ -f "$plugin" ] || fail "no zintra-host or Zintra.so in $LINUX_BUILD"
    mkdir -p "$folder"
    "$host" --plugin "$plugin" --save-bank "$folder/Zintra factory bank.fxb" >/dev/null ||
        fail "writing the factory bank"
    local names count index name value echoed
    names="$("$host" --plugin "$plugin" --info | sed -n 's/^program [0-9]*: //p')"
    count="$(grep -c . <<<"$names")"
    [ "$count" -gt 1 ] || fail "the plug-in lists $count programs"
    index=0
    while IFS= read -r name; do
        # The Program parameter chooses program i of n at i / (n - 1).
        value="$(awk -v i="$index" -v n="$count" 'BEGIN { printf "%.6f", i / (n - 1) }')"
        echoed="$("$host" --plugin "$plugin" --param "Program=$value" --save-program "$folder/$name.fxp" |
            sed -n 's/^parameter 0 (.*) = [0-9.]*: //p')"
        [ "$echoed" = "$name" ] || fail "Program=$value chose '$echoed', not '$name'"
        index=$((index + 1))
    done <<<"$names"
}

make_windows_zip() {
    local windows="${WINDOWS_BUILD:-$REPO/build-windows}"
    if [ -z "$WINDOWS_BUILD" ] && { [ ! -f "$windows/i686/Zintra.dll" ] || [ ! -f "$windows/x86_64/Zintra.dll" ]; }; then
        log "building the Windows DLLs (scripts/windows-build.sh)"
        bash "$REPO/scripts/windows-build.sh" --linux-build "$LINUX_BUILD" "$windows"
    fi
    local dll
    for dll in "$windows/i686/Zintra.dll" "$windows/x86_64/Zintra.dll"; do
        [ -f "$dll" ] || fail "$dll missing (scripts/windows-build.sh makes it)"
    done
    local top="zintra-$VERSION-windows"
    STAGE="$(mktemp -d)"
    trap 'rm -rf "$STAGE"' EXIT
    local stage="$STAGE"
    mkdir -p "$stage/$top/win32" "$stage/$top/win64"
    cp "$windows/i686/Zintra.dll" "$stage/$top/win32/"
    cp "$windows/x86_64/Zintra.dll" "$stage/$top/win64/"
    crlf "$REPO/README.md" "$stage/$top/README.txt"
    crlf "$REPO/LICENSE" "$stage/$top/LICENSE.txt"
    crlf "$REPO/CHANGELOG.md" "$stage/$top/CHANGELOG.txt"
    write_programs "$stage/$top/programs"
    local zip="$OUT/$top.zip"
    rm -f "$zip"
    (cd "$stage" && cmake -E tar cf "$zip" --format=zip "$top") || fail "writing $zip"
    log "wrote $zip"
}

[ "$ONLY" = windows ] || make_deb
[ "$ONLY" = deb ] || make_windows_zip

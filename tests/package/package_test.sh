#!/usr/bin/env bash
# The installed product, the Debian package and the Windows archive (ctest label
# package; tests/CMakeLists.txt registers the three checks):
#
#   package_test.sh install BUILD VERSION [WINDOWS_BUILD]
#       cmake --install into a DESTDIR under another prefix: exactly the files of
#       installed-files.txt, the modules not executable, the LV2 bundle listed by
#       lv2ls from there, the VST 2 plug-in found by Ardour through LXVST_PATH,
#       the programs, plug-in and manual pages carrying VERSION.
#   package_test.sh deb BUILD VERSION [WINDOWS_BUILD]
#       scripts/package.sh's .deb: its files, control fields and lintian (no
#       error). As root with ZINTRA_PACKAGE_INSTALL=1 it is installed with dpkg,
#       found by lv2ls, Ardour and man in the system's own folders, and removed,
#       leaving none of its files; otherwise that part is skipped (exit 77).
#   package_test.sh windows BUILD VERSION WINDOWS_BUILD
#       scripts/package.sh's Windows archive: its files, the factory programs read
#       back by the host, and its two DLLs through scripts/windows-test.sh --dlls
#       (skipped without a Windows build).
#
# Each run works in a new folder under /tmp (zintra-package-*), removed unless
# it fails.
set -uo pipefail

HERE="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
REPO="$(cd "$HERE/../.." && pwd)"
SKIPPED=77
MODE="${1:?mode: install, deb or windows}"
BUILD="$(cd "${2:?build folder}" && pwd)"
VERSION="${3:?version}"
URI=urn:ferrowick:zintra

WORK="$(mktemp -d /tmp/zintra-package-XXXXXX)"
failures=0
cleanups=()
check() {
    local what=$1
    shift
    if "$@"; then
        echo "ok: $what"
    else
        echo "FAILED: $what"
        failures=$((failures + 1))
    fi
}
finish() {
    local status=$?
    local step
    for step in "${cleanups[@]}"; do
        $step
    done
    if [ "$failures" -eq 0 ] && { [ "$status" -eq 0 ] || [ "$status" -eq "$SKIPPED" ]; }; then
        rm -rf "$WORK"
    else
        echo "work folder kept: $WORK"
        [ "$status" -ne 0 ] || status=1
    fi
    exit "$status"
}
trap finish EXIT
trap 'exit 1' INT TERM HUP

expected_files() { # PREFIX-RELATIVE-ROOT: the list of installed-files.txt under it
    grep -v -e '^#' -e '^$' "$HERE/installed-files.txt" | sed "s|^|$1|"
}

same_list() { # TITLE WANTED-FILE HAVE-FILE
    if diff <(sort "$2") <(sort "$3") >"$WORK/diff.txt"; then
        return 0
    fi
    echo "$1: '<' missing, '>' not wanted"
    cat "$WORK/diff.txt"
    return 1
}

# The Ardour discovery check on a plug-in where it lies (tests/daw/ardour_test.py).
ardour_finds() { # PLUGIN SEARCH-PATH
    /usr/bin/python3 "$REPO/tests/daw/ardour_test.py" --plugin "$1" --in-place "$2" discovery
}

lv2ls_lists() { # LV2_PATH, or empty for none
    if [ -n "$1" ]; then
        LV2_PATH="$1" lv2ls
    else
        env -u LV2_PATH lv2ls
    fi | grep -qx "$URI"
}

vendor_version() { # the number a host reads for VERSION: 1.2.3 is 1203
    local major minor patch
    IFS=. read -r major minor patch <<<"$VERSION"
    echo $((major * 1000 + minor * 100 + patch))
}

versions_carried() { # BIN-DIR PLUGIN MAN-DIR
    local good=0 text
    text="$("$1/zintra" --version)"
    [ "$text" = "Zintra $VERSION" ] || { echo "zintra --version: '$text'"; good=1; }
    text="$("$1/zintra-host" --version)"
    [ "$text" = "zintra-host (Zintra) $VERSION" ] || { echo "zintra-host --version: '$text'"; good=1; }
    text="$("$1/zintra-host" --plugin "$2" --info | sed -n 's/^vendor version: //p')"
    [ "$text" = "$(vendor_version)" ] || { echo "the plug-in's vendor version: '$text'"; good=1; }
    local page
    for page in zintra zintra-host; do
        zcat "$3/$page.1.gz" | head -1 | grep -q "\"Zintra $VERSION\"" || { echo "$page.1 lacks $VERSION"; good=1; }
        # groff's complaints (bad requests, lines it cannot fit) are the page's faults.
        text="$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$3/$page.1.gz" 2>&1 >/dev/null)"
        [ -z "$text" ] || { echo "$page.1: $text"; good=1; }
    done
    return $good
}

# The module a host run without --plugin loads, as the dynamic loader names it.
loads_by_default() { # HOST PLUGIN
    local loaded
    loaded="$(LD_DEBUG=files "$1" --info 2>&1 >/dev/null | sed -n 's/^.*file=\(.*Zintra\.so\) .*dynamically loaded.*$/\1/p')"
    [ "$loaded" = "$2" ] || { echo "loaded '$loaded'"; return 1; }
}

modules_not_executable() { # FILE...
    local file good=0
    for file in "$@"; do
        [ "$(stat -c %a "$file")" = 644 ] || { echo "$file: mode $(stat -c %a "$file")"; good=1; }
    done
    return $good
}

# --- cmake --install into a DESTDIR ---------------------------------------------

test_install() {
    local root="$WORK/root" prefix=/opt/zintra-test
    DESTDIR="$root" cmake --install "$BUILD" --prefix "$prefix" >"$WORK/install.log" 2>&1 ||
        { cat "$WORK/install.log"; return 1; }
    local installed="$root$prefix"
    expected_files "$prefix/" >"$WORK/wanted.txt"
    (cd "$root" && find . ! -type d | sed 's|^\.||') >"$WORK/have.txt"
    check "the installed files, under DESTDIR and the prefix only" same_list install "$WORK/wanted.txt" "$WORK/have.txt"
    check "the plug-in modules are not executable" modules_not_executable "$installed/lib/vst/Zintra.so" \
        "$installed/lib/lv2/Zintra.lv2/zintra.so"
    check "lv2ls lists $URI with LV2_PATH=<prefix>/lib/lv2" lv2ls_lists "$installed/lib/lv2"
    check "the programs, the plug-in and the manual pages carry $VERSION" versions_carried "$installed/bin" \
        "$installed/lib/vst/Zintra.so" "$installed/share/man/man1"
    check "the installed zintra-host loads the installed plug-in by default" loads_by_default \
        "$installed/bin/zintra-host" "$installed/lib/vst/Zintra.so"
    ardour_finds "$installed/lib/vst/Zintra.so" "$installed/lib/vst"
    local status=$?
    [ $status -ne $SKIPPED ] || return $SKIPPED
    check "Ardour finds the installed Zintra.so with LXVST_PATH=<prefix>/lib/vst" test $status -eq 0
}

# --- the Debian package ----------------------------------------------------------

control_fields_right() { # DEB
    local good=0 field want have
    for field in Package=zintra Version="$VERSION" Architecture=amd64 Section=sound; do
        want=${field#*=}
        have="$(dpkg-deb -f "$1" "${field%%=*}")"
        [ "$have" = "$want" ] || { echo "${field%%=*}: '$have', expected '$want'"; good=1; }
    done
    # Computed by dpkg-shlibdeps from the binaries: the C++ runtime, JACK, libsndfile among them.
    have="$(dpkg-deb -f "$1" Depends)"
    echo "Depends: $have"
    local library
    for library in libc6 libstdc++6 libjack libsndfile1 libx11-6; do
        grep -q "$library" <<<"$have" || { echo "Depends lacks $library"; good=1; }
    done
    return $good
}

lintian_clean() { # DEB: no error; the warnings are printed
    lintian --info --fail-on error "$1"
}

# Leaves no trace of the package, not even the record dpkg -r keeps of a removed
# package with maintainer scripts.
package_removed() {
    dpkg-query -W -f='${Status}' zintra 2>/dev/null | grep -q "installed\|config-files\|half" || return 0
    echo "purging zintra"
    dpkg -P zintra >/dev/null
}

files_gone() { # LIST-FILE
    local path good=0
    while IFS= read -r path; do
        if [ -e "$path" ] && [ ! -d "$path" ]; then
            echo "left behind: $path"
            good=1
        fi
    done <"$1"
    local folder
    for folder in /usr/lib/vst /usr/lib/lv2/Zintra.lv2 /usr/share/doc/zintra; do
        if [ -d "$folder" ] && [ -z "$(ls -A "$folder")" ]; then
            echo "left behind: the empty folder $folder"
            good=1
        fi
    done
    return $good
}

test_deb_installed() { # DEB
    package_removed || return 1
    cleanups+=(package_removed)
    dpkg -i "$1" >"$WORK/dpkg.log" 2>&1 || { cat "$WORK/dpkg.log"; return 1; }
    dpkg -L zintra >"$WORK/listed.txt"
    check "lv2ls lists $URI with no LV2_PATH" lv2ls_lists ""
    check "zintra --version from /usr/bin" versions_carried /usr/bin /usr/lib/vst/Zintra.so /usr/share/man/man1
    check "man -w zintra finds /usr/share/man/man1/zintra.1.gz" \
        test "$(man -w zintra 2>&1)" = /usr/share/man/man1/zintra.1.gz
    check "man zintra shows the page" bash -c "MANPAGER=cat man zintra 2>/dev/null | grep -q 'as a JACK client'"
    ardour_finds /usr/lib/vst/Zintra.so ""
    local status=$?
    [ $status -ne $SKIPPED ] || echo "skipped: Ardour (scripts/install-deps.sh installs it)"
    [ $status -eq $SKIPPED ] || check "Ardour finds /usr/lib/vst/Zintra.so on its default search path" test $status -eq 0
    dpkg -r zintra >"$WORK/dpkg.log" 2>&1 || { cat "$WORK/dpkg.log"; return 1; }
    check "dpkg -r leaves none of the package's files" files_gone "$WORK/listed.txt"
    package_removed
}

test_deb() {
    bash "$REPO/scripts/package.sh" --linux-build "$BUILD" --only deb --out "$WORK" || return 1
    local deb="$WORK/zintra_${VERSION}_amd64.deb"
    check "the package is named zintra_${VERSION}_amd64.deb" test -f "$deb" || return 1
    { expected_files /usr/ && printf '%s\n' /usr/share/doc/zintra/copyright /usr/share/doc/zintra/changelog.gz; } \
        >"$WORK/wanted.txt"
    dpkg-deb -c "$deb" | awk '$1 !~ /^d/ { print $6 }' | sed 's|^\.||' >"$WORK/have.txt"
    check "the package's files" same_list deb "$WORK/wanted.txt" "$WORK/have.txt"
    check "the package's control fields" control_fields_right "$deb"
    check "lintian reports no error" lintian_clean "$deb"
    if [ "$(id -u)" -ne 0 ] || [ "${ZINTRA_PACKAGE_INSTALL:-}" != 1 ]; then
        echo "skipped: dpkg -i and -r (only as root with ZINTRA_PACKAGE_INSTALL=1)"
        [ "$failures" -eq 0 ] && return $SKIPPED
        return 1
    fi
    test_deb_installed "$deb"
}

# --- the Windows archive ---------------------------------------------------------

programs_read_back() { # FOLDER: each file restores into a fresh instrument
    local host="$BUILD/tools/zintra-host" plugin="$BUILD/Zintra.so" file good=0 count=0
    for file in "$1"/*.fxp; do
        "$host" --plugin "$plugin" --load-program "$file" >/dev/null 2>"$WORK/load.log" ||
            { echo "$file: $(cat "$WORK/load.log")"; good=1; }
        count=$((count + 1))
    done
    "$host" --plugin "$plugin" --load-bank "$1/Zintra factory bank.fxb" >/dev/null 2>"$WORK/load.log" ||
        { echo "the bank: $(cat "$WORK/load.log")"; good=1; }
    [ "$count" -eq 6 ] || { echo "$count program files"; good=1; }
    return $good
}

test_windows() {
    local windows="${4:?the Windows build folder (scripts/windows-build.sh)}"
    if [ ! -f "$windows/i686/Zintra.dll" ] || [ ! -f "$windows/x86_64/Zintra.dll" ]; then
        echo "skipped: no Windows build in $windows (scripts/windows-build.sh makes it)"
        return $SKIPPED
    fi
    bash "$REPO/scripts/package.sh" --linux-build "$BUILD" --windows-build "$windows" --only windows \
        --out "$WORK" || return 1
    local name="zintra-$VERSION-windows"
    local zip="$WORK/$name.zip"
    check "the archive is named $name.zip" test -f "$zip" || return 1
    mkdir "$WORK/unzipped"
    unzip -q "$zip" -d "$WORK/unzipped" || return 1
    local top="$WORK/unzipped/$name"
    printf "$name/%s\n" CHANGELOG.txt LICENSE.txt README.txt win32/Zintra.dll win64/Zintra.dll \
        "programs/Zintra factory bank.fxb" programs/{Piano,Fantasy,Violin,Flute,Guitar,ADSR}.fxp >"$WORK/wanted.txt"
    (cd "$WORK/unzipped" && find . ! -type d | sed 's|^\./||') >"$WORK/have.txt"
    check "the archive's files" same_list zip "$WORK/wanted.txt" "$WORK/have.txt"
    check "README.txt has CR LF line ends" bash -c "head -1 '$top/README.txt' | grep -q $'\r\$'"
    check "the factory programs and bank restore" programs_read_back "$top/programs"
    check "the archive's DLLs under Wine (scripts/windows-test.sh --dlls)" bash "$REPO/scripts/windows-test.sh" \
        --linux-build "$BUILD" --dlls "$top/win32/Zintra.dll" "$top/win64/Zintra.dll" "$WORK/windows-test" "$windows"
}

case "$MODE" in
install) test_install ;;
deb) test_deb ;;
windows) test_windows "$@" ;;
*)
    echo "unknown mode $MODE"
    exit 2
    ;;
esac
status=$?
[ "$failures" -eq 0 ] || status=1
echo "package $MODE: $failures failed"
exit $status

#!/usr/bin/env bash
# The installed product, the Debian package and the Windows archive (ctest label
# package; tests/CMakeLists.txt registers the three checks):
#
#   package_test.sh install BUILD VERSION [WINDOWS_BUILD]
#       cmake --install into a DESTDIR under another prefix: exactly the files of
#       installed-files.txt, the modules not executable, the LV2 bundle listed by
#       lv2ls from there, the VST 2 plug-in found by Ardour through LXVST_PATH,
#       the programs, plug-in and manual pages carrying VERSION, the installed
#       zintra-host clicking and photographing the panel on its own headless
#       module; then the README's uninstall commands on an install for one user.
#   package_test.sh deb BUILD VERSION [WINDOWS_BUILD]
#       scripts/package.sh's .deb: its files, control fields, changelogs,
#       hardened binaries and lintian --pedantic (no error, no warning). As root
#       with ZINTRA_PACKAGE_INSTALL=1 it is installed with dpkg, found by lv2ls,
#       Ardour and man in the system's own folders, its zintra-host playing the
#       panel, and removed, leaving none of its files; otherwise that part is
#       skipped (exit 77). That part runs in a private root (a mount namespace
#       with /usr, /var and /etc overlaid, package_test.sh deb-private), so that
#       a zintra package the user installed is left as it was; where no private
#       root can be made it runs on the system itself, unless zintra is
#       installed there, which it then leaves alone and says so (exit 77).
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
# What the build was configured with (cmake/Packaging.cmake, in its CPackConfig.cmake).
cpack_setting() { # NAME
    sed -n "s/^set($1 \"\(.*\)\")\$/\1/p" "$BUILD/CPackConfig.cmake"
}
DEB_VERSION="$VERSION-$(cpack_setting CPACK_DEBIAN_PACKAGE_RELEASE)"
MAINTAINER="$(cpack_setting CPACK_PACKAGE_CONTACT)"
PRIVATE_ROOT_UNAVAILABLE=75
PRIVATE_ROOT="" # set in the run that overlays the system (deb-private)

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
# The cleanups run last first: the package is purged from a private root
# before the root is taken away.
finish() {
    local status=$?
    local index
    for ((index = ${#cleanups[@]} - 1; index >= 0; index--)); do
        ${cleanups[index]}
    done
    if [ "$failures" -eq 0 ] && { [ "$status" -eq 0 ] || [ "$status" -eq "$SKIPPED" ] ||
        [ "$status" -eq "$PRIVATE_ROOT_UNAVAILABLE" ]; }; then
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

# The module named NAME that COMMAND loads, as the dynamic loader names it.
module_loaded() { # NAME COMMAND...
    local name=${1//./\\.}
    shift
    LD_DEBUG=files "$@" 2>&1 >/dev/null | sed -n "s/^.*file=\(.*\/$name\) .*dynamically loaded.*\$/\1/p"
}

# The module a host run without --plugin loads.
loads_by_default() { # HOST PLUGIN
    local loaded
    loaded="$(module_loaded Zintra.so "$1" --info)"
    [ "$loaded" = "$2" ] || { echo "loaded '$loaded'"; return 1; }
}

# The panel played by HOST without --plugin: it must name MODULE in --help and
# load it, photograph the panel at its size with a key held and without, the
# two pictures differing, and draw what the build's own host and module draw.
panel_runs=0
plays_panel() { # HOST MODULE
    local host=$1 module=$2 good=0 loaded
    panel_runs=$((panel_runs + 1))
    local folder="$WORK/panel-$panel_runs"
    mkdir -p "$folder"
    local held=(--seconds 0.5 --click 0.1:557:185:0.3 --shot)
    local help
    help="$("$host" --help)"
    grep -qF "(default $module)" <<<"$help" || { echo "--help does not name $module"; good=1; }
    loaded="$(module_loaded Zintra-headless.so "$host" "${held[@]}" "0.3:$folder/held.png")"
    [ "$loaded" = "$module" ] || { echo "loaded '$loaded', not $module"; good=1; }
    "$host" --seconds 0.5 --shot "0.3:$folder/still.png" >/dev/null || { echo "--shot alone failed"; good=1; }
    "$BUILD/tools/zintra-host" "${held[@]}" "0.3:$folder/build.png" >/dev/null
    local picture
    for picture in held still; do
        file -b "$folder/$picture.png" 2>&1 | grep -q '^PNG image data, 882 x 213' ||
            { echo "$picture.png: $(file -b "$folder/$picture.png" 2>&1)"; good=1; }
    done
    ! cmp -s "$folder/held.png" "$folder/still.png" || { echo "the held key does not show"; good=1; }
    cmp -s "$folder/held.png" "$folder/build.png" || { echo "not the picture the build's host draws"; good=1; }
    return $good
}

modules_not_executable() { # FILE...
    local file good=0
    for file in "$@"; do
        [ "$(stat -c %a "$file")" = 644 ] || { echo "$file: mode $(stat -c %a "$file")"; good=1; }
    done
    return $good
}

# --- cmake --install into a DESTDIR ---------------------------------------------

# The README's uninstall commands ("Uninstall what cmake --install wrote"), run
# on an install into ~/.local with the links into ~/.vst and ~/.lv2 the README
# suggests, under a HOME of the test's own: nothing named for Zintra is left,
# not even an empty bundle folder, and lv2ls has nothing to complain about.
readme_uninstall_clean() {
    local home="$WORK/home"
    local prefix="$home/.local"
    mkdir -p "$home/.vst" "$home/.lv2"
    cmake --install "$BUILD" --prefix "$prefix" >"$WORK/install-home.log" 2>&1 ||
        { cat "$WORK/install-home.log"; return 1; }
    ln -s "$prefix/lib/vst/Zintra.so" "$home/.vst/"
    ln -s "$prefix/lib/lv2/Zintra.lv2" "$home/.lv2/"
    local commands
    commands="$(sed -n '/^Uninstall what `cmake --install` wrote/,/^[^ ]/p' "$REPO/README.md" |
        sed -n 's/^    //p' | sed "s|build/release|$BUILD|g")"
    [ "$(grep -c . <<<"$commands")" -ge 2 ] || { echo "no uninstall commands in the README"; return 1; }
    (cd "$WORK" && HOME="$home" bash -eo pipefail -c "$commands") || { echo "failed: $commands"; return 1; }
    local left
    left="$(find "$home" -iname '*zintra*')"
    [ -z "$left" ] || { echo "left behind: $left"; return 1; }
    left="$(LV2_PATH="$prefix/lib/lv2:$home/.lv2" lv2ls 2>&1)"
    [ -z "$left" ] || { echo "lv2ls: $left"; return 1; }
}

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
    check "the installed zintra-host clicks and photographs the panel on <prefix>/lib/zintra/Zintra-headless.so" \
        plays_panel "$installed/bin/zintra-host" "$installed/lib/zintra/Zintra-headless.so"
    check "the README's uninstall commands leave nothing of an install for one user" readme_uninstall_clean
    ardour_finds "$installed/lib/vst/Zintra.so" "$installed/lib/vst"
    local status=$?
    [ $status -ne $SKIPPED ] || return $SKIPPED
    check "Ardour finds the installed Zintra.so with LXVST_PATH=<prefix>/lib/vst" test $status -eq 0
}

# --- the Debian package ----------------------------------------------------------

control_fields_right() { # DEB
    local good=0 field want have
    [[ $MAINTAINER =~ ^[^\<\>]*[^\<\>\ ]\ \<[^@\<\>\ ]+@[^@\<\>\ ]+\.[a-z]+\>$ ]] ||
        { echo "the configured maintainer '$MAINTAINER' is no 'Name <address>'"; good=1; }
    for field in Package=zintra Version="$DEB_VERSION" Architecture=amd64 Section=sound Maintainer="$MAINTAINER"; do
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

# No error and no warning, with the pedantic checks too; what lintian says
# (pedantic and informational tags included) is printed. The tags the package
# overrides (packaging/debian/lintian-overrides) are not: lintian would count
# them as failures when shown.
lintian_clean() { # DEB
    lintian --pedantic --display-info --fail-on error,warning "$1" 2>&1 | grep -v 'running with root privileges'
    return "${PIPESTATUS[0]}"
}

# The changelogs: the package's (changelog.Debian.gz) of this version, signed by
# the maintainer, and the upstream one (changelog.gz) as CHANGELOG.md is.
changelogs_right() { # UNPACKED-PACKAGE
    local folder="$1/usr/share/doc/zintra" good=0 text
    text="$(zcat "$folder/changelog.Debian.gz")"
    [[ $(head -1 <<<"$text") == "zintra ($DEB_VERSION) "* ]] || { echo "changelog.Debian: $(head -1 <<<"$text")"; good=1; }
    grep -qF -- " -- $MAINTAINER  " <<<"$text" || { echo "changelog.Debian is not signed by $MAINTAINER"; good=1; }
    zcat "$folder/changelog.gz" | cmp -s - "$REPO/CHANGELOG.md" || { echo "changelog.gz is not CHANGELOG.md"; good=1; }
    return $good
}

# Every ELF file built as Debian builds its packages: relocations read-only
# and bound at load time, a stack protector, fortified functions, no .comment
# section.
binaries_hardened() { # UNPACKED-PACKAGE
    local file good=0 count=0
    while IFS= read -r file; do
        [ "$(head -c 4 "$file" | od -An -tx1 | tr -d ' \n')" = 7f454c46 ] || continue
        count=$((count + 1))
        local name=${file#"$1"} dynamic segments sections symbols
        dynamic="$(readelf -dW "$file")" segments="$(readelf -lW "$file")" sections="$(readelf -SW "$file")"
        symbols="$(nm -D "$file")"
        grep -q 'BIND_NOW' <<<"$dynamic" || { echo "$name: not bound at load time (-z now)"; good=1; }
        grep -q 'GNU_RELRO' <<<"$segments" || { echo "$name: no read-only relocations (-z relro)"; good=1; }
        ! grep -qF '.comment' <<<"$sections" || { echo "$name: has a .comment section"; good=1; }
        grep -q '^ *U __stack_chk_fail' <<<"$symbols" || { echo "$name: no stack protector"; good=1; }
        grep -q '^ *U __[a-z0-9_]*_chk\b' <<<"$symbols" || { echo "$name: no fortified function"; good=1; }
    done < <(find "$1" -type f)
    [ "$count" -eq 5 ] || { echo "$count ELF files, not the 5 programs and modules"; good=1; }
    return $good
}

# Whether dpkg knows a zintra package here: installed, or removed with its
# record kept, or half way.
zintra_known() {
    local status
    status="$(dpkg-query -W -f='${db:Status-Status}' zintra 2>/dev/null)"
    [ -n "$status" ] && [ "$status" != not-installed ]
}

# Leaves no trace of the package, not even the record dpkg -r keeps of a removed
# package with maintainer scripts.
package_removed() {
    if [ -n "$PRIVATE_ROOT" ] && ! grep -q '^zintra-test-usr /usr ' /proc/self/mounts; then
        echo "the private root is gone: the system's zintra left alone"
        return 1
    fi
    zintra_known || return 0
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
    for folder in /usr/lib/vst /usr/lib/lv2/Zintra.lv2 /usr/lib/zintra /usr/share/doc/zintra; do
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
    check "zintra-host clicks and photographs the panel on /usr/lib/zintra/Zintra-headless.so" \
        plays_panel /usr/bin/zintra-host /usr/lib/zintra/Zintra-headless.so
    dpkg -r zintra >"$WORK/dpkg.log" 2>&1 || { cat "$WORK/dpkg.log"; return 1; }
    check "dpkg -r leaves none of the package's files" files_gone "$WORK/listed.txt"
    package_removed
}

# Overlays /usr, /var and /etc with folders under the work folder, in this
# process's own mount namespace: what dpkg writes there stays in them.
private_root_mount() {
    local folder name
    cleanups+=(private_root_unmount)
    for folder in /usr /var /etc; do
        name=${folder#/}
        mkdir -p "$WORK/overlay/$name/upper" "$WORK/overlay/$name/work"
        mount -t overlay "zintra-test-$name" \
            -o "lowerdir=$folder,upperdir=$WORK/overlay/$name/upper,workdir=$WORK/overlay/$name/work" "$folder" ||
            return 1
    done
}
private_root_unmount() {
    local folder
    for folder in /etc /var /usr; do
        # Lazily: the programs running from the overlaid /usr keep it busy.
        ! grep -q "^zintra-test-${folder#/} $folder " /proc/self/mounts || umount --lazy "$folder"
    done
}

# package_test.sh deb-private BUILD VERSION DEB, run by test_deb in a mount
# namespace of its own (unshare): the installed-package checks in a private root.
test_deb_private() { # DEB
    grep -q '^zintra-test-' /proc/self/mounts && { echo "already in a private root"; return 1; }
    if ! private_root_mount; then
        echo "no private root: /usr, /var and /etc could not be overlaid"
        exit $PRIVATE_ROOT_UNAVAILABLE
    fi
    PRIVATE_ROOT=1
    echo "in a private root: /usr, /var and /etc overlaid, the system's own left as they are"
    test_deb_installed "$1"
}

test_deb() {
    bash "$REPO/scripts/package.sh" --linux-build "$BUILD" --only deb --out "$WORK" || return 1
    local deb="$WORK/zintra_${DEB_VERSION}_amd64.deb"
    check "the package is named zintra_${DEB_VERSION}_amd64.deb" test -f "$deb" || return 1
    # The licence in the copyright file, the upstream changelog as changelog.gz.
    { expected_files /usr/ | grep -v -e '/CHANGELOG\.md$' -e '/LICENSE$' &&
        printf '/usr/share/doc/zintra/%s\n' copyright changelog.gz changelog.Debian.gz &&
        echo /usr/share/lintian/overrides/zintra; } >"$WORK/wanted.txt"
    dpkg-deb -c "$deb" | awk '$1 !~ /^d/ { print $6 }' | sed 's|^\.||' >"$WORK/have.txt"
    check "the package's files" same_list deb "$WORK/wanted.txt" "$WORK/have.txt"
    check "the package's control fields" control_fields_right "$deb"
    check "the package has no maintainer scripts" test -z "$(dpkg-deb -I "$deb" | grep -E '^ +[0-9]+ bytes.* (pre|post)(inst|rm) ')"
    dpkg-deb -x "$deb" "$WORK/unpacked"
    check "the changelogs" changelogs_right "$WORK/unpacked"
    check "the programs and modules hardened and stripped as Debian's" binaries_hardened "$WORK/unpacked"
    check "lintian --pedantic reports no error and no warning" lintian_clean "$deb"
    if [ "$(id -u)" -ne 0 ] || [ "${ZINTRA_PACKAGE_INSTALL:-}" != 1 ]; then
        echo "skipped: dpkg -i and -r (only as root with ZINTRA_PACKAGE_INSTALL=1)"
        [ "$failures" -eq 0 ] && return $SKIPPED
        return 1
    fi
    local before status=$PRIVATE_ROOT_UNAVAILABLE
    before="$(dpkg-query -W -f='${Status} ${Version}' zintra 2>/dev/null)"
    if unshare --mount --propagation private true 2>/dev/null; then
        unshare --mount --propagation private bash "${BASH_SOURCE[0]}" deb-private "$BUILD" "$VERSION" "$deb"
        status=$?
    fi
    if [ $status -eq $PRIVATE_ROOT_UNAVAILABLE ]; then
        if zintra_known; then
            echo "skipped: dpkg -i and -r: zintra ($before) is installed here and no private root could be" \
                "made for the test, which leaves the installed package alone"
            [ "$failures" -eq 0 ] && return $SKIPPED
            return 1
        fi
        echo "dpkg -i and -r on the system itself, where no zintra is installed"
        test_deb_installed "$deb"
    else
        check "the installed package, in a private root" test $status -eq 0
    fi
    check "the system's zintra package is as it was ('$before')" \
        test "$(dpkg-query -W -f='${Status} ${Version}' zintra 2>/dev/null)" = "$before"
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
deb-private) test_deb_private "${4:?the package}" ;;
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

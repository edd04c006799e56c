#!/usr/bin/env bash
# Tests the Windows build made by windows-build.sh, under Wine, headless:
#   - Zintra.dll (32- and 64-bit) exports main and VSTPluginMain undecorated
#     and imports system DLLs only;
#   - the GoogleTest suites built for 32-bit Windows pass;
#   - the 32-bit Windows host, loading the DLL through main, prints the same
#     identity as the Linux host;
#   - the bank and program chunks after the same calls are byte-identical
#     from the Linux and the 32-bit Windows build, and a render through the
#     hosts gives the same samples;
#   - the same three for the 64-bit DLL and host, under 64-bit Wine in a
#     prefix of their own;
#   - the GUI framework under Wine, in an Xvfb server started here: the GUI
#     test plug-in (32- and 64-bit) imports only the system DLLs a window
#     needs, and its editor, opened by a small Windows host, shows the pixels
#     of the headless rendering and takes clicks sent through the X test
#     extension (tests/gui/win32/run-wine-gui-test.sh);
#   - the front panel under Wine: its headless tests, and the 32-bit and
#     64-bit Zintra.dll's editor opened by a Windows test host in the same
#     way, its pixels equal to the headless rendering and a clicked key
#     sounding.
# Ends with "windows-test: N passed, N failed" and exits non-zero on a failure.
#
# Usage: scripts/windows-test.sh [--linux-build DIR] [--dlls WIN32.dll WIN64.dll OUT]
#                                [BUILD_ROOT]
#   BUILD_ROOT defaults to build-windows in the repository; --linux-build
#   defaults to the Linux tree windows-build.sh built the reference programs in.
#   --dlls checks other copies of the two DLLs (those of the Windows archive)
#     instead of the builds': their export and import tables and each one's
#     identity print and render against the Linux build's, with the build's
#     host of the same word size; the output and the Wine prefixes go to OUT.
set -uo pipefail

REPO="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD_ROOT=""
LINUX_BUILD=""
DLL32=""
DLL64=""
DLL_OUT=""
while [ $# -gt 0 ]; do
    case "$1" in
    --linux-build)
        LINUX_BUILD="${2:?--linux-build needs a directory}"
        shift
        ;;
    --dlls)
        DLL32="${2:?--dlls needs two DLLs and a folder}"
        DLL64="${3:?--dlls needs two DLLs and a folder}"
        DLL_OUT="${4:?--dlls needs two DLLs and a folder}"
        shift 3
        ;;
    -h | --help)
        sed -n '2,24p' "${BASH_SOURCE[0]}"
        exit 0
        ;;
    *) BUILD_ROOT="$1" ;;
    esac
    shift
done
BUILD_ROOT="$(cd "${BUILD_ROOT:-$REPO/build-windows}" && pwd)" || exit 1
if [ -z "$LINUX_BUILD" ] && [ -f "$BUILD_ROOT/linux-build-dir" ]; then
    LINUX_BUILD="$(cat "$BUILD_ROOT/linux-build-dir")"
fi
LINUX_BUILD="${LINUX_BUILD:-$BUILD_ROOT/linux}"
WIN32_BUILD="$BUILD_ROOT/i686"
WIN64_BUILD="$BUILD_ROOT/x86_64"
OUT="${DLL_OUT:-$BUILD_ROOT/test-output}"
DLL32="${DLL32:-$WIN32_BUILD/Zintra.dll}"
DLL64="${DLL64:-$WIN64_BUILD/Zintra.dll}"
# A Wine run that takes longer than this has hung.
WINE_TIMEOUT="${WINE_TIMEOUT:-600}"

passed=0
failed=0
PREFIX_MADE=""
# The Windows build that the comparisons with Linux run: its word size, the
# build whose tools/zintra-host.exe loads the DLL, and the DLL; 32-bit until
# test_64_bit switches them.
WIN_BITS=32
WIN_HOST_BUILD="$WIN32_BUILD"
WIN_DLL="$DLL32"
log() { printf '[windows-test] %s\n' "$*"; }
pass() {
    passed=$((passed + 1))
    log "ok: $*"
}
failure() {
    failed=$((failed + 1))
    log "FAILED: $*"
}
finish() {
    wineserver -k >/dev/null 2>&1 || true
    echo "windows-test: $passed passed, $failed failed"
    [ "$failed" -eq 0 ] && [ "$passed" -gt 0 ]
    exit $?
}

# --- Wine ----------------------------------------------------------------

# A fresh prefix for every test run, so nothing from an earlier run or from
# the user's own prefix takes part: 32-bit (win32) or 64-bit (win64, which
# runs 64-bit programs through the 64-bit Wine), each in a folder of its own.
#   setup_wine win32|win64
setup_wine() {
    local folder=wineprefix
    [ "$1" = win64 ] && folder=wineprefix64
    # The previous prefix's server ends first: each prefix has its own.
    [ -n "$PREFIX_MADE" ] && wineserver -k >/dev/null 2>&1
    PREFIX_MADE=1
    export WINEPREFIX="${DLL_OUT:-$BUILD_ROOT}/$folder" WINEARCH=$1 WINEDEBUG=-all
    export WINEDLLOVERRIDES="mscoree,mshtml="
    rm -rf "$WINEPREFIX"
    # Background processes started here must not hold the caller's pipes open.
    wineboot --init </dev/null >/dev/null 2>&1 || return 1
    # X11 where a display answers, else the null driver: nothing here opens a
    # window, and a headless run must not fail on the missing display.
    wine reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d x11,null /f </dev/null >/dev/null 2>&1 || return 1
    # A program that crashes gets its backtrace printed and ends, instead of
    # waiting for the crash dialog to be answered until the run times out.
    wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f </dev/null >/dev/null 2>&1 ||
        return 1
    # The display driver is chosen when wineserver starts.
    wineserver -w
}

# Runs a Windows program under Wine from DIR; its output goes to stdout.
run_wine() {
    local dir=$1
    shift
    (cd "$dir" && timeout "$WINE_TIMEOUT" wine "$@" </dev/null)
    local status=$?
    if [ $status -eq 124 ]; then
        log "timed out after $WINE_TIMEOUT s: $*"
        wineserver -k
    fi
    wineserver -w
    return $status
}

# The Windows name of a file: Wine's drive Z: is the root folder. Computed
# here rather than by winepath, which would start a Wine server of its own.
windows_path() {
    local path=$1
    printf 'Z:%s' "${path//\//\\}"
}

# --- the DLLs' export and import tables ------------------------------------

# The names in the list $1 that the pattern $2 does not match, lower-case.
imports_outside() {
    tr ' ' '\n' <<<"$1" | tr 'A-Z' 'a-z' | grep -v -E "$2" | grep . | xargs
}

# Import libraries that every Windows installation has.
SYSTEM_DLLS='^(kernel32|user32|gdi32|msvcrt|advapi32|shell32|ole32|oleaut32|comctl32|comdlg32|winmm|uxtheme|imm32|version|shlwapi|ws2_32|msimg32)\.dll$'

check_dll() {
    local objdump=$1 dll=$2 format=$3
    if [ ! -f "$dll" ]; then
        failure "$dll missing"
        return
    fi
    local dump
    dump="$("$objdump" -p "$dll")"
    if ! grep -q "file format $format" <<<"$dump"; then
        failure "$dll is not $format"
        return
    fi
    local exports
    exports="$(sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' <<<"$dump" | sed -n 's/^[[:space:]]*\[ *[0-9]*\] //p' | sort | xargs)"
    if [ "$exports" = "VSTPluginMain main" ]; then
        pass "$dll exports: $exports"
    else
        failure "$dll exports '$exports', expected 'VSTPluginMain main'"
    fi
    local imports bad
    imports="$(sed -n 's/^.*DLL Name: //p' <<<"$dump" | xargs)"
    bad="$(imports_outside "$imports" "$SYSTEM_DLLS")"
    if [ -n "$imports" ] && [ -z "$bad" ]; then
        pass "$dll imports system DLLs only: $imports"
    else
        failure "$dll imports non-system DLLs: ${bad:-none found}"
    fi
}

# The system DLLs a plug-in with a window may import.
WINDOW_DLLS='^(kernel32|msvcrt|user32|gdi32|ole32|shell32)\.dll$'

# The GUI test plug-in links the window backend as the plug-in will: its
# imports must stay within those.
check_gui_dll() {
    local objdump=$1 dll=$2
    if [ ! -f "$dll" ]; then
        failure "$dll missing"
        return
    fi
    local imports bad
    imports="$("$objdump" -p "$dll" | sed -n 's/^.*DLL Name: //p' | xargs)"
    bad="$(imports_outside "$imports" "$WINDOW_DLLS")"
    if [ -n "$imports" ] && [ -z "$bad" ]; then
        pass "${dll#"$BUILD_ROOT"/} imports only: $imports"
    else
        failure "$dll imports ${bad:-nothing}"
    fi
}

# --- unit tests ----------------------------------------------------------

run_gtest() {
    local exe=$1 name
    name="$(basename "$exe" .exe)"
    if [ ! -f "$exe" ]; then
        failure "$exe missing"
        return
    fi
    local logfile="$OUT/$name.log" status
    run_wine "$(dirname "$exe")" "$(basename "$exe")" >"$logfile.raw" 2>&1
    status=$?
    # A Windows console program ends its lines with CR LF.
    tr -d '\r' <"$logfile.raw" >"$logfile"
    rm -f "$logfile.raw"
    local ok bad
    ok="$(sed -n 's/^\[  PASSED  \] \([0-9]*\) tests\?\.$/\1/p' "$logfile" | tail -1)"
    bad="$(sed -n 's/^\[  FAILED  \] \([0-9]*\) tests\?, listed below:$/\1/p' "$logfile" | tail -1)"
    passed=$((passed + ${ok:-0}))
    failed=$((failed + ${bad:-0}))
    if [ $status -eq 0 ] && [ -n "$ok" ] && [ -z "$bad" ]; then
        log "ok: $name under Wine: $ok tests passed"
    else
        [ -n "$bad" ] || failed=$((failed + 1))
        grep -E '^\[  FAILED  \]|Failure|error' "$logfile" | head -40
        log "FAILED: $name under Wine (exit $status, ${bad:-?} failed; log: $logfile)"
    fi
}

# --- comparisons with the Linux build ----------------------------------------

compare_identity() {
    local linux_host="$LINUX_BUILD/tools/zintra-host" win_host="$WIN_HOST_BUILD/tools/zintra-host.exe"
    local windows="$OUT/identity-windows$WIN_BITS.txt"
    if [ ! -x "$linux_host" ] || [ ! -f "$win_host" ]; then
        failure "identity print: zintra-host missing (${linux_host}, ${win_host})"
        return
    fi
    "$linux_host" --plugin "$LINUX_BUILD/Zintra.so" --legacy-main --info >"$OUT/identity-linux.txt" 2>&1 ||
        { failure "Linux host --info (see $OUT/identity-linux.txt)"; return; }
    run_wine "$WIN_HOST_BUILD" tools/zintra-host.exe --plugin "$(windows_path "$WIN_DLL")" --legacy-main --info \
        >"$windows" 2>&1 || { failure "$WIN_BITS-bit Windows host --info under Wine (see $windows)"; return; }
    if cmp -s "$OUT/identity-linux.txt" "$windows"; then
        pass "identity print identical on Linux and $WIN_BITS-bit Windows ($(wc -l <"$windows") lines)"
    else
        diff "$OUT/identity-linux.txt" "$windows" | cat -A | head -40
        failure "identity print differs between Linux and $WIN_BITS-bit Windows"
    fi
}

# The same calls through both hosts, entered by the legacy entry point: the
# start-up settings, program 2 chosen by its parameter, every other parameter
# edited (values outside 0..1 among them) and a note; the bank and program
# chunks they save must be byte-identical.
CHUNK_ARGS=(--legacy-main --seconds 0.05 --param Program=0.4 --param 2=0.65 --param 3=0.3 --param 4=0.9
    --param 5=0.55 --param 6=0.37 --param 7=0.125 --param 8=0.61 --param 9=0.8 --param 10=0.45 --param 11=0.3
    --param 12=0.7 --param 13=0.05 --param 14=0.6 --param 2=1.5 --param 3=-0.25 --param 9=0.333
    --note 0:60:100:0.02)
compare_chunks() {
    local linux_host="$LINUX_BUILD/tools/zintra-host"
    "$linux_host" --plugin "$LINUX_BUILD/Zintra.so" --render "$OUT/chunks-linux.wav" "${CHUNK_ARGS[@]}" \
        --save-bank "$OUT/bank-linux.bin" --save-program "$OUT/program-linux.bin" >"$OUT/chunks-linux.log" 2>&1 ||
        { failure "Linux host chunk run (see $OUT/chunks-linux.log)"; return; }
    local windows="$OUT/chunks-windows$WIN_BITS"
    run_wine "$WIN_HOST_BUILD" tools/zintra-host.exe --plugin "$(windows_path "$WIN_DLL")" \
        --render "$(windows_path "$windows.wav")" "${CHUNK_ARGS[@]}" \
        --save-bank "$(windows_path "$windows-bank.bin")" \
        --save-program "$(windows_path "$windows-program.bin")" >"$windows.log" 2>&1 ||
        { failure "$WIN_BITS-bit Windows host chunk run under Wine (see $windows.log)"; return; }
    local kind
    for kind in bank program; do
        if cmp "$OUT/$kind-linux.bin" "$windows-$kind.bin"; then
            pass "$kind chunk byte-identical on Linux and $WIN_BITS-bit Windows" \
                "($(stat -c %s "$OUT/$kind-linux.bin") bytes)"
        else
            failure "$kind chunk differs between Linux and $WIN_BITS-bit Windows"
        fi
    done
}

# The same render on both builds (a note and drum hits on MIDI channel 2, at
# a rate other than the drums' reference rate): the float samples of the WAV
# files' data chunks must agree (exactly so far; within 1e-5 if libm
# functions ever round differently on the two systems).
RENDER_ARGS=(--seconds 1 --rate 48000 --param 2=0.7 --note 0:60:100:0.5 --note 0.1:62:100:0.2:2
    --note 0.3:64:100:0.2:2 --note 0.5:60:80:0.2:2)
compare_render() {
    local linux_host="$LINUX_BUILD/tools/zintra-host"
    if ! command -v python3 >/dev/null; then
        log "skipped: render comparison needs python3"
        return
    fi
    "$linux_host" --plugin "$LINUX_BUILD/Zintra.so" --render "$OUT/render-linux.wav" "${RENDER_ARGS[@]}" \
        >"$OUT/render-linux.log" 2>&1 || { failure "Linux host --render (see $OUT/render-linux.log)"; return; }
    local windows="$OUT/render-windows$WIN_BITS"
    run_wine "$WIN_HOST_BUILD" tools/zintra-host.exe --plugin "$(windows_path "$WIN_DLL")" \
        --render "$(windows_path "$windows.wav")" "${RENDER_ARGS[@]}" >"$windows.log" 2>&1 ||
        { failure "$WIN_BITS-bit Windows host --render under Wine (see $windows.log)"; return; }
    local verdict
    if verdict="$(python3 - "$OUT/render-linux.wav" "$windows.wav" <<'PY'
import struct, sys

def samples(path):
    data = open(path, "rb").read()
    chunks, at = {}, 12
    while at + 8 <= len(data):
        name, size = data[at:at + 4], struct.unpack_from("<I", data, at + 4)[0]
        chunks[name] = data[at + 8:at + 8 + size]
        at += 8 + size + (size & 1)
    fmt = struct.unpack_from("<HHIIHH", chunks[b"fmt "])
    if fmt[0] != 3 or fmt[5] != 32:
        sys.exit("%s: not 32-bit float WAV" % path)
    raw = chunks[b"data"]
    return fmt[1], fmt[2], struct.unpack("<%df" % (len(raw) // 4), raw)

a, b = samples(sys.argv[1]), samples(sys.argv[2])
if a[:2] != b[:2] or len(a[2]) != len(b[2]):
    sys.exit("format or length differs: %s/%d vs %s/%d" % (a[:2], len(a[2]), b[:2], len(b[2])))
worst = max(abs(x - y) for x, y in zip(a[2], b[2]))
if max(abs(x) for x in a[2]) == 0.0:
    sys.exit("the render is silent")
if worst > 1e-5:
    sys.exit("samples differ by up to %g" % worst)
print("%d samples, %s" % (len(a[2]), "identical" if worst == 0.0 else "within %g" % worst))
PY
)"; then
        pass "rendered audio matches on Linux and $WIN_BITS-bit Windows: $verdict"
    else
        failure "rendered audio differs between Linux and $WIN_BITS-bit Windows"
    fi
}

# --- the GUI under Wine ----------------------------------------------------

# A Windows test host opens a plug-in's editor on an X server of its own; the
# clicks it asks for are sent by a small X test-extension tool.
#   wine_window_test TITLE HOST.exe PLUGIN.dll NAME (output in $OUT/NAME)
wine_window_test() {
    local title=$1 host=$2 plugin=$3 name=$4 dpi=${5:-}
    if [ ! -f "$host" ] || [ ! -f "$plugin" ]; then
        failure "$title: $host or $plugin missing"
        return
    fi
    local clicker="$OUT/gui_xclick"
    if [ ! -x "$clicker" ] &&
        ! c++ -O2 -Wall -Wextra -Werror -o "$clicker" "$REPO/tests/gui/x11/GuiXClick.cpp" -lX11 -lXtst; then
        failure "building the X click tool (libx11-dev, libxtst-dev)"
        return
    fi
    local out="$OUT/$name" status summary
    "$REPO/tests/gui/run-with-xvfb.sh" "$REPO/tests/gui/win32/run-wine-gui-test.sh" \
        "$host" "$plugin" "$clicker" "$out" $dpi >"$OUT/$name.log" 2>&1
    status=$?
    summary="$(sed -n 's/^wine-gui: \([0-9]*\) passed, \([0-9]*\) failed$/\1 \2/p' "$OUT/$name.log" | tail -1)"
    local ok=${summary% *} bad=${summary#* }
    passed=$((passed + ${ok:-0}))
    failed=$((failed + ${bad:-0}))
    if [ $status -eq 0 ] && [ -n "$summary" ] && [ "$bad" = 0 ]; then
        log "ok: $title: $ok checks passed"
    else
        [ -n "$summary" ] && [ "$bad" != 0 ] || failed=$((failed + 1))
        grep -E '^FAILED' "$OUT/$name.log" | head -20
        tail -5 "$OUT/$name.log"
        log "FAILED: $title (exit $status; log: $OUT/$name.log)"
    fi
}

# The GUI framework: the test plug-in's editor.
gui_test() {
    wine_window_test "GUI under Wine and Xvfb" "$WIN32_BUILD/gui-test/quibo_gui_win32_host.exe" \
        "$WIN32_BUILD/gui-test/GuiTestPlugin.dll" gui
}

# The built 32-bit plug-in's panel: its pixels against the headless rendering,
# and a key clicked through the X test extension sounding in its output.
panel_test() {
    wine_window_test "the plug-in's panel under Wine and Xvfb" "$WIN32_BUILD/quibo_editor_win32_host.exe" \
        "$WIN32_BUILD/Zintra.dll" panel
    wine_window_test "the plug-in's panel under Wine at 192 dots per inch" \
        "$WIN32_BUILD/quibo_editor_win32_host.exe" "$WIN32_BUILD/Zintra.dll" panel-2x 192
}

# The 64-bit DLL and host under 64-bit Wine, in a prefix of their own: the
# same comparisons with Linux (the chunks too unless told "no-chunks").
test_64_bit() {
    WIN_BITS=64
    WIN_HOST_BUILD="$WIN64_BUILD"
    WIN_DLL="$DLL64"
    local start=$SECONDS
    if ! setup_wine win64; then
        failure "64-bit Wine prefix setup (64-bit Wine, Debian's wine64, installed?)"
        return 1
    fi
    log "fresh 64-bit Wine prefix in $((SECONDS - start)) s"
    compare_identity
    [ "${1:-}" = no-chunks ] || compare_chunks
    compare_render
}

# The built 64-bit plug-in's panel, as the 32-bit one's (in the 64-bit prefix).
panel_test_64_bit() {
    wine_window_test "the 64-bit plug-in's panel under Wine and Xvfb" "$WIN64_BUILD/quibo_editor_win32_host.exe" \
        "$WIN64_BUILD/Zintra.dll" panel64
}

# --- run -----------------------------------------------------------------

# A folder given with --dlls may hold more than this script's output.
[ -n "$DLL_OUT" ] || rm -rf "$OUT"
mkdir -p "$OUT"
for tool in wine wineboot wineserver i686-w64-mingw32-objdump x86_64-w64-mingw32-objdump; do
    command -v "$tool" >/dev/null || { failure "$tool not installed (run scripts/windows-build.sh)"; finish; }
done

check_dll i686-w64-mingw32-objdump "$DLL32" pei-i386
check_dll x86_64-w64-mingw32-objdump "$DLL64" pei-x86-64
check_gui_dll i686-w64-mingw32-objdump "$DLL32"
check_gui_dll x86_64-w64-mingw32-objdump "$DLL64"
check_gui_dll i686-w64-mingw32-objdump "$WIN32_BUILD/gui-test/GuiTestPlugin.dll"
check_gui_dll x86_64-w64-mingw32-objdump "$WIN64_BUILD/gui-test/GuiTestPlugin.dll"

start=$SECONDS
if setup_wine win32; then
    log "fresh Wine prefix in $((SECONDS - start)) s"
else
    failure "Wine prefix setup"
    finish
fi
if [ -n "$DLL_OUT" ]; then
    compare_identity
    compare_render
    test_64_bit no-chunks
    finish
fi
for exe in "$WIN32_BUILD"/quibo_engine_tests.exe "$WIN32_BUILD"/quibo_panel_tests.exe \
           "$WIN32_BUILD"/quibo_tests.exe "$WIN32_BUILD"/quibo_concurrency_tests.exe \
           "$WIN32_BUILD"/tests/gui/quibo_gui_tests.exe "$WIN32_BUILD"/tests/editor/quibo_editor_tests.exe \
           "$WIN32_BUILD"/tests/editor/quibo_editor_concurrency_tests.exe; do
    run_gtest "$exe"
done
compare_identity
compare_chunks
compare_render
gui_test
panel_test
test_64_bit && panel_test_64_bit
finish

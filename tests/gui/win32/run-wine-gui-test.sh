#!/usr/bin/env bash
# Runs the Windows GUI test host under Wine on the X display in DISPLAY (see
# run-with-xvfb.sh) and performs the clicks it asks for with gui_xclick.
#   run-wine-gui-test.sh HOST.exe PLUGIN.dll GUI_XCLICK OUTPUT_FOLDER [DPI]
# Wine's prefix comes from the environment (WINEPREFIX etc.). With DPI (192)
# the system's dots per inch are set to it for the run and the host is told
# scale 2; the setting is taken away afterwards. Ends with the host's
# "wine-gui: N passed, N failed" line; exits non-zero on a failure.
set -uo pipefail
host=$1 plugin=$2 clicker=$3 out=$4 dpi=${5:-}
mkdir -p "$out"
log="$out/wine-gui.log"
: >"$log"
# The display driver is chosen when the Wine server starts: start one here,
# on this display.
wineserver -k 2>/dev/null
wineserver -w
outWindows="Z:${out//\//\\}"
scale=()
if [ -n "$dpi" ]; then
    wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$dpi" /f >/dev/null 2>&1
    trap "wine reg delete 'HKCU\\Control Panel\\Desktop' /v LogPixels /f >/dev/null 2>&1; wineserver -k 2>/dev/null" EXIT
    scale=(2)
fi
(cd "$(dirname "$host")" && timeout 300 wine "$(basename "$host")" "$(basename "$plugin")" "$outWindows" "${scale[@]}" \
    </dev/null >>"$log" 2>&1) &
runner=$!
handled=0
while kill -0 $runner 2>/dev/null; do
    mapfile -t requests < <(tr -d '\r' <"$log" | grep -E '^(CLICK|SHOT) ')
    while [ "$handled" -lt "${#requests[@]}" ]; do
        read -r kind a b c d <<<"${requests[$handled]}"
        if [ "$kind" = CLICK ]; then
            "$clicker" "$a" "$b" "$c" "$d" || echo "gui_xclick failed" >>"$log"
        elif command -v import >/dev/null; then
            # A screenshot where ImageMagick is installed.
            import -window root -crop 640x260+0+0 "$out/$a.png" 2>/dev/null || true
        fi
        handled=$((handled + 1))
    done
    sleep 0.1
done
wait $runner
status=$?
wineserver -k 2>/dev/null
tr -d '\r' <"$log" | grep -E '^(ok|FAILED|wine-gui):' || true
tr -d '\r' <"$log" | grep -q '^wine-gui: [0-9]* passed, 0 failed' && [ $status -eq 0 ]

#!/usr/bin/env bash
# Runs the Windows GUI test host under Wine on the X display in DISPLAY (see
# run-with-xvfb.sh) and performs the clicks it asks for with gui_xclick.
#   run-wine-gui-test.sh HOST.exe PLUGIN.dll GUI_XCLICK OUTPUT_FOLDER
# Wine's prefix comes from the environment (WINEPREFIX etc.). Ends with the
# host's "wine-gui: N passed, N failed" line; exits non-zero on a failure.
set -uo pipefail
host=$1 plugin=$2 clicker=$3 out=$4
mkdir -p "$out"
log="$out/wine-gui.log"
: >"$log"
# The display driver is chosen when the Wine server starts: start one here,
# on this display.
wineserver -k 2>/dev/null
wineserver -w
outWindows="Z:${out//\//\\}"
(cd "$(dirname "$host")" && timeout 300 wine "$(basename "$host")" "$(basename "$plugin")" "$outWindows" \
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

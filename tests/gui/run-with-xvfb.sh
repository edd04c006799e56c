#!/usr/bin/env bash
# Runs a command with DISPLAY set to an Xvfb server of its own (24-bit,
# 1920 x 1080, room for the panel at twice its size; kept alive between clients), started here and stopped afterwards. The server picks a free
# display number itself, so several of these may run at once. Options before
# the command: --no-shm starts the server without the shared-memory extension.
set -uo pipefail
extra=()
if [ "${1:-}" = "--no-shm" ]; then
    extra=(-extension MIT-SHM)
    shift
fi
command -v Xvfb >/dev/null || { echo "Xvfb is not installed (scripts/install-deps.sh installs it)" >&2; exit 1; }
numberFile=$(mktemp)
Xvfb -displayfd 3 -screen 0 1920x1080x24 -nolisten tcp -noreset "${extra[@]}" 3>"$numberFile" >/dev/null 2>&1 &
server=$!
trap 'kill $server 2>/dev/null; wait $server 2>/dev/null; rm -f "$numberFile"' EXIT
number=""
for _ in $(seq 100); do
    number=$(head -n1 "$numberFile" 2>/dev/null)
    [ -n "$number" ] && break
    kill -0 $server 2>/dev/null || { echo "Xvfb did not start" >&2; exit 1; }
    sleep 0.1
done
[ -n "$number" ] || { echo "Xvfb gave no display number" >&2; exit 1; }
# Xvfb gives its number a moment before it takes connections: wait for one (xdotool, where installed, asks).
if command -v xdotool >/dev/null; then
    for _ in $(seq 100); do
        DISPLAY=":$number" xdotool getdisplaygeometry >/dev/null 2>&1 && break
        sleep 0.05
    done
fi
DISPLAY=":$number" "$@"

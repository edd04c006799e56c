#!/usr/bin/env bash
# Measures the speed of the plug-in in one run and prints the figures:
#   1. quibo_bench (Google Benchmark, in process): each of the ten sounds held
#      as A4 through the whole plug-in with Vibrato 0.3 and Tremolo 0.4, and
#      without modulation; the five programs with their own modulation; Play
#      in silence (no note, rhythm off);
#   2. the command-line host timing processReplacing of a loaded module, in
#      512-frame blocks at 44100 Hz: the same held sounds and silence from the
#      Linux Zintra.so and from the 32-bit Zintra.dll under Wine (when MinGW
#      and Wine are installed), and the same held A4 from Debian's amsynth VST
#      plug-in (when the package amsynth is installed) as a peer.
#   3. quibo_lv2_bench (when lv2-dev is installed): the LV2 front against the
#      VST 2 front on the same instrument holding the same chord, interleaved
#      repetitions, and the ratio of their costs;
#   4. quibo_x11_bench (when Xvfb is installed): the front panel's idle with
#      the X11 backend, 1 and 32 panels open on an Xvfb started for it, with
#      nothing to do and with one key changing at every idle, back to back;
#      and with nothing to do, idles 20 ms apart as hosts call them, with the
#      caches as they are and swept between idles (host thread processor time).
# Times are processor time of the processing thread per sample frame, medians
# over repeated runs; "x real time" is 1 s / (44100 x that time).
#
# Usage: scripts/run-benchmarks.sh [--runs N] [--build-root DIR] [--skip-windows] [--x11-only]
#   --runs N        repetitions of each figure (default 7)
#   --build-root    where to build (default build-bench in the repository)
#   --x11-only      build and run only the X11 panel idle (4.)
set -euo pipefail

REPO="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
RUNS=7
BUILD_ROOT="$REPO/build-bench"
WINDOWS=1
X11_ONLY=0
while [ $# -gt 0 ]; do
    case "$1" in
    --runs)
        RUNS="${2:?--runs needs a number}"
        shift
        ;;
    --build-root)
        BUILD_ROOT="${2:?--build-root needs a directory}"
        shift
        ;;
    --skip-windows) WINDOWS=0 ;;
    --x11-only) X11_ONLY=1 ;;
    -h | --help)
        sed -n '2,26p' "${BASH_SOURCE[0]}"
        exit 0
        ;;
    *)
        echo "run-benchmarks: unknown option $1" >&2
        exit 2
        ;;
    esac
    shift
done
JOBS="${JOBS:-2}"
mkdir -p "$BUILD_ROOT"
BUILD_ROOT="$(cd "$BUILD_ROOT" && pwd)"
log() { printf '[run-benchmarks] %s\n' "$*" >&2; }

build() {
    local dir=$1
    shift
    local logfile="$dir.log"
    if ! { cmake -S "$REPO" -B "$dir" "$@" && cmake --build "$dir" -j"$JOBS" --target "${TARGETS[@]}"; } \
        >"$logfile" 2>&1; then
        tail -30 "$logfile" >&2
        log "build in $dir failed (log: $logfile)"
        return 1
    fi
}

# --- builds ------------------------------------------------------------------

LINUX="$BUILD_ROOT/linux"
TARGETS=(quibo_bench Zintra zintra-host)
LV2=0
if pkg-config --exists lv2 2>/dev/null; then
    LV2=1
    TARGETS+=(quibo_lv2_bench)
else
    log "no LV2 headers (apt-get install lv2-dev): the LV2 front's figure is left out"
fi
X11=0
if command -v Xvfb >/dev/null; then
    X11=1
    TARGETS+=(quibo_x11_bench)
else
    log "no Xvfb (apt-get install xvfb): the X11 panel idle is left out"
fi
if [ "$X11_ONLY" -eq 1 ]; then
    [ "$X11" -eq 1 ] || exit 1
    TARGETS=(quibo_x11_bench)
    LV2=0
fi
log "building ${TARGETS[*]} in $LINUX"
build "$LINUX" -DCMAKE_BUILD_TYPE=Release -DQUIBO_BUILD_BENCH=ON -DQUIBO_BUILD_TESTS=OFF

# The front panel's idle with the X11 backend, on an Xvfb of its own.
x11_idle() {
    echo
    echo "== quibo_x11_bench (the panel's idle, X11 backend, Xvfb; median of $RUNS repetitions)"
    local json="$BUILD_ROOT/quibo_x11_bench.json"
    "$REPO/tests/gui/run-with-xvfb.sh" "$LINUX/bench/quibo_x11_bench" --benchmark_repetitions="$RUNS" \
        --benchmark_format=json >"$json" 2>/dev/null
    python3 - "$json" <<'EOF'
import json, re, statistics, sys
data = json.load(open(sys.argv[1]))
runs = {}
floor = []
for b in data["benchmarks"]:
    if b.get("run_type") == "iteration" and "floor_us" in b:
        floor.append(b["floor_us"])
    elif b.get("run_type") == "iteration":
        panels = int(re.search(r"panels:(\d+)", b["run_name"]).group(1))
        if "idle_us" in b:
            # Paced: the host thread's processor time of the idles alone.
            runs.setdefault(b["run_name"], []).append((b["idle_us"], None))
            continue
        scale = {"ns": 1e-3, "us": 1.0, "ms": 1e3}[b["time_unit"]] / panels
        runs.setdefault(b["run_name"], []).append((b["cpu_time"] * scale, b["real_time"] * scale))
print("%-60s %14s %10s %14s" % ("per idle of one panel", "processor us", "fastest", "wall clock us"))
for name, values in runs.items():
    what = "nothing to do" if name.startswith("PanelX11IdleUntouched") else "one key changing"
    if "Paced" in name:
        what += ", idles 20 ms apart"
    elif "Cold" in name:
        what += ", 20 ms apart, caches swept"
    else:
        what += ", back to back"
    label = "%s, %s open" % (what, re.search(r"panels:(\d+)", name).group(1))
    cpu = [v[0] for v in values]
    wall = [v[1] for v in values if v[1] is not None]
    print("%-60s %14.2f %10.2f %14s" % (label, statistics.median(cpu), min(cpu),
                                        "%.2f" % statistics.median(wall) if wall else "-"))
if floor:
    print("paced figures include the thread clock's two readings: %.2f us per round" % statistics.median(floor))
EOF
}
if [ "$X11_ONLY" -eq 1 ]; then
    echo "== Machine: $(nproc) cores, load average $(cut -d' ' -f1-3 /proc/loadavg)," \
        "commit $(git -C "$REPO" rev-parse --short HEAD 2>/dev/null || echo unknown)"
    x11_idle
    exit 0
fi

WIN32_DIR="$BUILD_ROOT/i686"
if [ "$WINDOWS" -eq 1 ] && command -v i686-w64-mingw32-g++ >/dev/null && command -v wine >/dev/null; then
    TARGETS=(Zintra zintra-host)
    log "building the 32-bit Windows plug-in and host in $WIN32_DIR"
    build "$WIN32_DIR" -DCMAKE_TOOLCHAIN_FILE="$REPO/cmake/toolchain-mingw-i686.cmake" \
        -DCMAKE_BUILD_TYPE=Release -DQUIBO_BUILD_TESTS=OFF || WINDOWS=0
else
    [ "$WINDOWS" -eq 0 ] || log "no MinGW or Wine: the Windows figures are left out"
    WINDOWS=0
fi

AMSYNTH=""
if dpkg-query -W -f='${Status}\n' amsynth 2>/dev/null | grep -q 'install ok installed'; then
    AMSYNTH="$(dpkg -L amsynth | grep -E '/vst/.*\.so$' | head -1 || true)"
fi
[ -n "$AMSYNTH" ] || log "Debian's amsynth is not installed (apt-get install amsynth): the peer row is left out"

# --- the machine -------------------------------------------------------------

echo "== Machine"
echo "processor: $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2- | sed 's/^ *//'), $(nproc) cores"
echo "load average at the start: $(cut -d' ' -f1-3 /proc/loadavg)"
echo "commit: $(git -C "$REPO" rev-parse --short HEAD 2>/dev/null || echo unknown)"

# --- Google Benchmark ----------------------------------------------------------

echo
echo "== quibo_bench (Google Benchmark, median of $RUNS repetitions, processor time)"
BENCH_JSON="$BUILD_ROOT/quibo_bench.json"
"$LINUX/bench/quibo_bench" --benchmark_filter='PluginHeldSound|PluginHeldProgram|PluginSilence' \
    --benchmark_repetitions="$RUNS" --benchmark_format=json >"$BENCH_JSON" 2>/dev/null
python3 - "$BENCH_JSON" <<'EOF'
import json, statistics, sys
data = json.load(open(sys.argv[1]))
runs = {}
for b in data["benchmarks"]:
    if b.get("run_type") == "iteration":
        runs.setdefault(b["run_name"], []).append(b["time/sample"] * 1e9)
sounds = ["Piano", "Fantasy", "Violin", "Flute", "Guitar 1", "Guitar 2", "Horn", "Electro 1", "Electro 2",
          "Electro 3"]
programs = ["Piano", "Fantasy", "Violin", "Flute", "Guitar"]
def label(name):
    parts = dict(p.split(":") for p in name.split("/")[1:])
    if name.startswith("PluginHeldSound"):
        mod = "Vibrato 0.3, Tremolo 0.4" if parts["mod"] == "1" else "no modulation"
        return "sound %s (%s), %s" % (parts["sound"], sounds[int(parts["sound"])], mod)
    if name.startswith("PluginHeldProgram"):
        return "program %s (%s), its own modulation" % (parts["program"], programs[int(parts["program"])])
    return "silence (Play, no note, rhythm off)"
print("%-52s %12s %12s %14s" % ("held A4 through the whole plug-in", "ns/sample", "fastest", "x real time"))
for name, values in runs.items():
    median = statistics.median(values)
    print("%-52s %12.2f %12.2f %14.0f" % (label(name), median, min(values), 1e9 / (median * 44100.0)))
EOF

# --- loaded modules ------------------------------------------------------------

HOST_OPTIONS=(--bench --runs "$RUNS" --run-seconds 0.3 --warmup 0.5)
SOUND_SETTINGS=(--param "Attack=0" --param "Decay=0" --param "Sustain level=1" --param "Sustain time=1"
    --param "Vibrato=0.3" --param "Tremolo=0.4")
NOTE=(--note 0:69:100:1000000)

# Prints the host's ns per sample frame and the RMS of the left output for a
# module and the given options.
host_figure() {
    "$@" 2>/dev/null |
        sed -n 's/^bench: .*: \([0-9.]*\) ns per sample frame.*output RMS \([0-9.]*\) .*/\1 \2/p' | tail -1
}
linux_host() { host_figure "$LINUX/tools/zintra-host" --plugin "$LINUX/Zintra.so" "${HOST_OPTIONS[@]}" "$@"; }
wine_host() {
    WINEDEBUG=-all WINEPREFIX="$BUILD_ROOT/wineprefix" WINEARCH=win32 WINEDLLOVERRIDES="mscoree,mshtml=" \
        host_figure wine "$WIN32_DIR/tools/zintra-host.exe" --plugin "$WIN32_DIR/Zintra.dll" "${HOST_OPTIONS[@]}" \
        --run-seconds 1 "$@"
}
if [ "$WINDOWS" -eq 1 ] && [ ! -d "$BUILD_ROOT/wineprefix" ]; then
    WINEDEBUG=-all WINEPREFIX="$BUILD_ROOT/wineprefix" WINEARCH=win32 wineboot --init </dev/null >/dev/null 2>&1 || true
fi

# A row: name, then "ns rms" of Linux and, if given, of Windows.
row() {
    local name=$1 linux=($2) windows=(${3:-})
    local lx wx=""
    lx=$(python3 -c "print('%.0f' % (1e9 / (${linux[0]} * 44100)))")
    [ ${#windows[@]} -eq 0 ] || wx=$(python3 -c "print('%.0f' % (1e9 / (${windows[0]} * 44100)))")
    printf '%-36s %10s %8s %7s   %10s %8s %7s\n' "$name" "${linux[0]}" "$lx" "${linux[1]}" "${windows[0]:--}" \
        "${wx:--}" "${windows[1]:--}"
}

echo
echo "== processReplacing of the loaded module (zintra-host --bench: 512-frame blocks, 44100 Hz,"
echo "   median of $RUNS runs of 0.3 s processor time each)"
printf '%-36s %10s %8s %7s   %10s %8s %7s\n' "" "Linux .so" "x rt" "RMS" "Win32 dll" "x rt" "RMS"
printf '%-36s %10s %8s %7s   %10s %8s %7s\n' "" "ns/sample" "" "left" "(Wine)" "" "left"
for sound in 0 1 2 3 4 5 6 7 8 9; do
    value=$(python3 -c "print($sound / 10 + 0.05)")
    settings=(--param "Sound=$value" "${SOUND_SETTINGS[@]}" "${NOTE[@]}")
    linux=$(linux_host "${settings[@]}")
    windows=""
    [ "$WINDOWS" -eq 0 ] || windows=$(wine_host "${settings[@]}")
    row "sound $sound, Vibrato 0.3, Tremolo 0.4" "$linux" "$windows"
done
linux=$(linux_host)
windows=""
[ "$WINDOWS" -eq 0 ] || windows=$(wine_host)
row "silence (Play, no note, rhythm off)" "$linux" "$windows"

if [ -n "$AMSYNTH" ]; then
    echo
    echo "== Peer: Debian's amsynth VST plug-in ($AMSYNTH), default patch, A4 held"
    peer=$(host_figure "$LINUX/tools/zintra-host" --plugin "$AMSYNTH" "${HOST_OPTIONS[@]}" "${NOTE[@]}")
    zintra=$(linux_host --param "Sound=0.15" "${SOUND_SETTINGS[@]}" "${NOTE[@]}")
    row "amsynth" "$peer"
    row "Zintra Fantasy, Vibrato 0.3, Tremolo 0.4" "$zintra"
    python3 -c "print('Zintra takes %.2f of the time amsynth takes' % (${zintra% *} / ${peer% *}))"
fi
# The LV2 front against the VST 2 front. Their repetitions are interleaved at
# random so that a slower spell of the machine falls on both; the ratio of the
# medians and of the fastest runs is what to read.
if [ "$LV2" -eq 1 ]; then
    echo
    echo "== quibo_lv2_bench (a held chord through each front, 512-frame blocks; $((RUNS * 3)) interleaved repetitions)"
    LV2_JSON="$BUILD_ROOT/quibo_lv2_bench.json"
    "$LINUX/bench/quibo_lv2_bench" --benchmark_repetitions=$((RUNS * 3)) --benchmark_enable_random_interleaving=true \
        --benchmark_min_time=0.2 --benchmark_format=json >"$LV2_JSON" 2>/dev/null
    python3 - "$LV2_JSON" <<'EOF'
import json, statistics, sys
data = json.load(open(sys.argv[1]))
runs = {}
for b in data["benchmarks"]:
    if b.get("run_type") == "iteration":
        runs.setdefault(b["run_name"], []).append(b["time/sample"] * 1e9)
vst2, lv2 = runs["Vst2HeldChord"], runs["Lv2HeldChord"]
print("%-36s %12s %12s" % ("held chord", "ns/sample", "fastest"))
for name, values in (("VST 2 front (processReplacing)", vst2), ("LV2 front (run)", lv2)):
    print("%-36s %12.2f %12.2f" % (name, statistics.median(values), min(values)))
print("LV2 / VST 2: %.3f of the median, %.3f of the fastest" % (
    statistics.median(lv2) / statistics.median(vst2), min(lv2) / min(vst2)))
EOF
fi
[ "$X11" -eq 0 ] || x11_idle
echo
echo "load average at the end: $(cut -d' ' -f1-3 /proc/loadavg)"

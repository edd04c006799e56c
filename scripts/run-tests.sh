#!/usr/bin/env bash
# Every test: the unit and plug-in tests (the GUI ones start Xvfb servers of
# their own; the plug-in in Ardour), the Windows builds under Wine and the 32-bit one in LMMS, the front-panel bitmaps,
# the installed product and the packages (the Debian package installed with dpkg and removed, in a private root), the
# tests again under AddressSanitizer and UndefinedBehaviorSanitizer, the
# concurrency tests under ThreadSanitizer, and the fuzz targets.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
jobs=$(nproc)
# The Ardour tests (label daw) and the LMMS test fail here, rather than skip, when their host is missing.
export ZINTRA_DAW_REQUIRED=1

echo "=== the house style: every C++ file as .clang-format lays it out ==="
git ls-files '*.cpp' '*.h' | xargs clang-format --dry-run --Werror

# build_and_test PRESET TITLE: configures, builds and tests with the presets
# of that name (CMakePresets.json), in build/PRESET.
build_and_test() {
    local preset=$1 title=$2
    echo "=== $title ==="
    cmake --preset "$preset" >/dev/null
    cmake --build --preset "$preset" -j"$jobs"
    ctest --preset "$preset" -j"$jobs"
}

build_and_test test "tests"
echo "=== 32-bit and 64-bit Windows builds, tested under Wine ==="
bash scripts/windows-build.sh --linux-build build/test
bash scripts/windows-test.sh
echo "=== the 32-bit plug-in in LMMS under Wine, against the Linux build ==="
/usr/bin/python3 tests/daw/lmms_test.py --dll build-windows/i686/Zintra.dll --linux-build build/test
echo "=== front-panel bitmaps: regenerated and compared, checked, counted in a 32-bit DLL ==="
bash scripts/check-panel-art.sh build-windows/i686/Zintra.dll
echo "=== installed and packaged: cmake --install, the Debian package installed and removed in a private root, the Windows archive ==="
# The test preset leaves these out: the Windows archive needs the Windows build above.
ZINTRA_PACKAGE_INSTALL=1 ctest --test-dir build/test -L package -j"$jobs" --output-on-failure

ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    build_and_test asan "tests under AddressSanitizer and UndefinedBehaviorSanitizer"
TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1 \
    build_and_test tsan "concurrency tests under ThreadSanitizer"
echo "=== fuzz targets under AddressSanitizer and UndefinedBehaviorSanitizer ==="
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j"$jobs"
# Seconds per target: ZINTRA_FUZZ_SECONDS, or QUIBO_FUZZ_SECONDS as it was once called.
fuzz_seconds=${ZINTRA_FUZZ_SECONDS:-${QUIBO_FUZZ_SECONDS:-45}}
# Seed inputs (read, never written): the GUI tests' bitmaps for the BMP reader, a new instrument's
# .fxb and .fxp (written by zintra-host) for the preset file reader, the MIDI files of the tests for the
# MIDI file reader.
declare -A seeds=([BmpFuzzer]=tests/gui/bmp [PresetFileFuzzer]=tests/data/presets [MidiFileFuzzer]=tests/data/midi)
for fuzzer in ChunkFuzzer PanelFuzzer BmpFuzzer Lv2StateFuzzer PresetFileFuzzer MidiFileFuzzer; do
    corpus=build/fuzz/corpus-$fuzzer
    mkdir -p "$corpus"
    log=build/fuzz/$fuzzer.log
    status=0
    build/fuzz/fuzz/$fuzzer -max_total_time="$fuzz_seconds" "$corpus" ${seeds[$fuzzer]:-} \
        >"$log" 2>&1 || status=$?
    grep -E "^Done|ERROR|SUMMARY" "$log" || true
    if [ "$status" -ne 0 ]; then
        tail -40 "$log"
        echo "$fuzzer failed"
        exit 1
    fi
done

echo "all test runs passed"

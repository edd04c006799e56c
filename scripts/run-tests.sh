#!/usr/bin/env bash
# Every test: the unit and plug-in tests (the GUI ones start Xvfb servers of
# their own; the plug-in in Ardour), the Windows builds under Wine and the 32-bit one in LMMS, the front-panel bitmaps, the
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

# build_and_test DIR TITLE TARGET CTEST-LABEL CMAKE-OPTIONS...
build_and_test() {
    local dir=$1 title=$2 target=$3 label=$4
    shift 4
    echo "=== $title ==="
    cmake -S . -B "$dir" "$@" >/dev/null
    # shellcheck disable=SC2086 # the targets are a list
    cmake --build "$dir" -j"$jobs" ${target:+--target $target}
    (cd "$dir" && ctest --output-on-failure -j"$jobs" ${label:+-L "$label"})
}

build_and_test build/test "tests" "" "" -DCMAKE_BUILD_TYPE=RelWithDebInfo
echo "=== 32-bit and 64-bit Windows builds, tested under Wine ==="
bash scripts/windows-build.sh --linux-build build/test
bash scripts/windows-test.sh
echo "=== the 32-bit plug-in in LMMS under Wine, against the Linux build ==="
/usr/bin/python3 tests/daw/lmms_test.py --dll build-windows/i686/Zintra.dll --linux-build build/test
echo "=== front-panel bitmaps: regenerated and compared, checked, counted in a 32-bit DLL ==="
bash scripts/check-panel-art.sh build-windows/i686/Zintra.dll

ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    build_and_test build/asan "tests under AddressSanitizer and UndefinedBehaviorSanitizer" "" "" \
    -DCMAKE_BUILD_TYPE=Debug -DQUIBO_SANITIZE=address,undefined
TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1 \
    build_and_test build/tsan "concurrency tests under ThreadSanitizer" \
    "quibo_concurrency_tests quibo_editor_concurrency_tests" concurrency \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUIBO_SANITIZE=thread
echo "=== fuzz targets under AddressSanitizer and UndefinedBehaviorSanitizer ==="
CC=clang CXX=clang++ cmake -S . -B build/fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUIBO_SANITIZE=address,undefined \
    -DQUIBO_BUILD_FUZZERS=ON -DQUIBO_BUILD_TESTS=OFF -DQUIBO_BUILD_TOOLS=OFF >/dev/null
cmake --build build/fuzz -j"$jobs" --target ChunkFuzzer PanelFuzzer BmpFuzzer
# Seed inputs (read, never written): the GUI tests' bitmaps for the BMP reader.
declare -A seeds=([BmpFuzzer]=tests/gui/bmp)
for fuzzer in ChunkFuzzer PanelFuzzer BmpFuzzer; do
    corpus=build/fuzz/corpus-$fuzzer
    mkdir -p "$corpus"
    log=build/fuzz/$fuzzer.log
    status=0
    build/fuzz/fuzz/$fuzzer -max_total_time="${QUIBO_FUZZ_SECONDS:-45}" "$corpus" ${seeds[$fuzzer]:-} \
        >"$log" 2>&1 || status=$?
    grep -E "^Done|ERROR|SUMMARY" "$log" || true
    if [ "$status" -ne 0 ]; then
        tail -40 "$log"
        echo "$fuzzer failed"
        exit 1
    fi
done

echo "all test runs passed"

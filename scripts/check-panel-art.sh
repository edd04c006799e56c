#!/usr/bin/env bash
# The front-panel bitmaps (both sets: bmp/ and the double-size bmp2x/) and the
# icon: regenerates them into a temporary folder and fails if any committed
# file under resources/ differs; checks the committed files against their
# table; and checks that a 32-bit Windows DLL with the bitmaps as resources
# carries all 156 of them (78 of each set, the double set under its ids plus
# the offset CPanelBitmap.h defines).
#
#   scripts/check-panel-art.sh [ZINTRA-DLL]
#
# With a DLL path the resource listing is read from that DLL instead of from
# a stub DLL linked here.
set -euo pipefail
cd "$(dirname "$0")/.."

python=/usr/bin/python3   # Debian's interpreter, which has python3-cairo
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

echo "--- regenerating the bitmaps"
"$python" tools/panelart/generate.py --out "$work/resources" --docs "$work/docs"
status=0
if ! diff -r -q resources/bmp "$work/resources/bmp"; then status=1; fi
if ! diff -r -q resources/bmp2x "$work/resources/bmp2x"; then status=1; fi
if ! diff -r -q resources/icons "$work/resources/icons"; then status=1; fi
if [ "$status" -ne 0 ]; then
    echo "ERROR: the committed bitmaps or icons differ from what tools/panelart/generate.py makes."
    echo "       Run '$python tools/panelart/generate.py' and commit resources/ and docs/."
    exit 1
fi
echo "the committed bitmaps and icons are exactly what the generator makes"

echo "--- checking the committed bitmaps against resources/bitmaps.csv"
"$python" tools/panelart/check_bitmaps.py

echo "--- BITMAP resources in the 32-bit DLL"
dll=${1:-}
if [ -z "$dll" ]; then
    if ! command -v i686-w64-mingw32-windres >/dev/null; then
        echo "skipped: MinGW is not installed"
        exit 0
    fi
    offset=$(sed -n 's/.*kDoubleSizeIdOffset = \([0-9]*\);.*/\1/p' gui/CPanelBitmap.h)
    {
        for bitmap in resources/bmp/*.bmp; do
            id=$(basename "$bitmap" .bmp)
            echo "$id BITMAP \"$PWD/$bitmap\""
        done
        for bitmap in resources/bmp2x/*.bmp; do
            id=$(basename "$bitmap" .bmp)
            echo "$((id + offset)) BITMAP \"$PWD/$bitmap\""
        done
    } >"$work/bitmaps.rc"
    i686-w64-mingw32-windres "$work/bitmaps.rc" -O coff -o "$work/resources.o"
    printf 'int __stdcall DllMain(void *m, unsigned long r, void *p) { (void)m; (void)r; (void)p; return 1; }\n' \
        >"$work/stub.c"
    i686-w64-mingw32-gcc -shared -s -o "$work/stub.dll" "$work/stub.c" "$work/resources.o"
    dll=$work/stub.dll
fi
listing=$(i686-w64-mingw32-objdump -p "$dll")
# The resource directory lists types by id (2 is BITMAP), then the ids of each type.
bitmaps=$(awk '/Entry: ID: 0x000002,/ { getline; if (match($0, /IDs: [0-9]+/)) print substr($0, RSTART + 5, RLENGTH - 5) }' \
    <<<"$listing")
size=$(stat -c %s "$dll")
echo "$dll: ${bitmaps:-no} BITMAP resources, $size bytes"
if [ "${bitmaps:-0}" != 156 ]; then
    echo "ERROR: expected 156 BITMAP resources (78 at each size)"
    exit 1
fi

#!/usr/bin/env bash
# The built bundle through Debian's LV2 tools: lv2ls lists it, lv2info shows
# its 18 ports, 6 presets and the panel's UI with nothing on stderr (no lilv
# warning), and sord_validate finds no error against the LV2 schemas.
# Usage: check_bundle.sh BUNDLE-FOLDER
set -euo pipefail
bundle=$(cd "$1" && pwd)
uri=urn:ferrowick:zintra
# LV2_PATH names one folder: this bundle and the system's LV2 vocabulary
# bundles (the plug-in classes), no other plug-in, so that an installed copy of
# the plug-in is not seen.
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
bash "$(dirname "${BASH_SOURCE[0]}")/link_vocabularies.sh" "$scratch/lv2"
ln -s "$bundle" "$scratch/lv2/Zintra.lv2"
export LV2_PATH=$scratch/lv2
failed=0
fail() { echo "FAIL: $*"; failed=1; }

lv2ls | grep -qx "$uri" || fail "lv2ls does not list $uri"

lv2info "$uri" >"$scratch/info.txt" 2>"$scratch/info.err" || fail "lv2info exits with an error"
[[ -s $scratch/info.err ]] && fail "lv2info writes to stderr: $(cat "$scratch/info.err")"
ports=$(grep -c '^\s*Port [0-9]*:' "$scratch/info.txt" || true)
((ports == 18)) || fail "lv2info shows $ports ports, not 18"
presets=$(awk '/Presets:/ {on = 1; next} on && NF == 0 {on = 0} on {n++} END {print n + 0}' "$scratch/info.txt")
((presets == 6)) || fail "lv2info shows $presets presets, not 6"
grep -q 'Class: *Instrument Plugin' "$scratch/info.txt" || fail "lv2info does not show an instrument"
grep -q "$uri#panel" "$scratch/info.txt" || fail "lv2info shows no UI $uri#panel"
grep -q 'extensions/ui#X11UI' "$scratch/info.txt" || fail "the UI is not an X11 UI"

validation=$(sord_validate "$scratch"/lv2/*.lv2/*.ttl 2>&1 || true)
grep -q 'Found 0 errors' <<<"$validation" || fail "sord_validate: $(tail -5 <<<"$validation")"

((failed == 0)) && echo "lv2ls, lv2info ($ports ports, $presets presets, the UI) and sord_validate agree"
exit $failed

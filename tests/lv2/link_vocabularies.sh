#!/usr/bin/env bash
# Links the system's LV2 vocabulary bundles (those whose manifest declares no
# plug-in and no UI: the LV2 terms, the plug-in classes' labels, the schemas
# sord_validate checks against) into FOLDER, and no plug-in bundle. A test that
# sets LV2_PATH to FOLDER, with the built bundle beside them, sees what the
# build made and nothing installed.
# Usage: link_vocabularies.sh FOLDER [SYSTEM-FOLDER (default /usr/lib/lv2)]
set -euo pipefail
folder=${1:?the folder to link the vocabulary bundles into}
system=${2:-/usr/lib/lv2}
mkdir -p "$folder"
linked=0
for bundle in "$system"/*.lv2; do
    [ -f "$bundle/manifest.ttl" ] || continue
    grep -qE 'lv2:[A-Za-z]*Plugin\b|ui:[A-Za-z]*UI\b' "$bundle/manifest.ttl" && continue
    ln -sfn "$bundle" "$folder/$(basename "$bundle")"
    linked=$((linked + 1))
done
if [ "$linked" -eq 0 ]; then
    echo "no LV2 vocabulary bundle in $system (Debian's lv2-dev installs them)" >&2
    exit 1
fi

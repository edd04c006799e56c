#!/usr/bin/env bash
# Links the system's LV2 specification bundles (those whose manifest declares
# an lv2:Specification or an owl:Ontology: the LV2 vocabulary, the plug-in
# classes' labels, the schemas sord_validate checks against) into FOLDER, and
# no plug-in bundle. A test that sets LV2_PATH to FOLDER, with the built bundle
# beside them, sees what the build made and nothing installed.
# Usage: link_specifications.sh FOLDER [SYSTEM-FOLDER (default /usr/lib/lv2)]
set -euo pipefail
folder=${1:?the folder to link the specification bundles into}
system=${2:-/usr/lib/lv2}
mkdir -p "$folder"
linked=0
for bundle in "$system"/*.lv2; do
    [ -f "$bundle/manifest.ttl" ] || continue
    grep -q 'lv2:Plugin\b' "$bundle/manifest.ttl" && continue
    grep -q -e 'lv2:Specification' -e 'owl:Ontology' "$bundle/manifest.ttl" || continue
    ln -sfn "$bundle" "$folder/$(basename "$bundle")"
    linked=$((linked + 1))
done
if [ "$linked" -eq 0 ]; then
    echo "no LV2 specification bundle in $system (Debian's lv2-dev installs them)" >&2
    exit 1
fi

#!/usr/bin/env bash
# The main job: build the plug-in, show what a host sees, and play the
# instrument headlessly into out/zintra-demo.wav.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
cmake --preset release >/dev/null
cmake --build --preset release -j"$(nproc)"
host=build/release/tools/zintra-host
mkdir -p out
"$host" --info
"$host" --render out/zintra-demo.wav --seconds 78 --key 0:90
echo "the demonstration melody with its rhythm: out/zintra-demo.wav"
"$host" --render out/zintra-notes.wav --seconds 6 \
    --param Program=0.2 --param Tempo=0.725 \
    --note 0.0:60:110:0.4 --note 0.5:64:110:0.4 --note 1.0:67:110:0.4 --note 1.5:72:120:1.0 \
    --note 3.0:62:100:0.3 --note 3.5:65:100:0.3 --note 4.0:69:100:0.3 --note 4.5:74:120:1.0 \
    --cc 0.0:80:3 --cc 0.0:81:0 --cc 5.5:82:0
echo "notes on the Fantasy sound over rhythm 3: out/zintra-notes.wav"

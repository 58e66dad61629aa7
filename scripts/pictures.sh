#!/usr/bin/env bash
# Remakes the README's panel pictures in docs/ with the demo (the real
# program on the fake panel, drawn by the frame viewer).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
for panel in 132x48 128x64 256x128; do
    "$root/scripts/demo.sh" --panel "$panel" --out "$root/build/pictures/$panel" \
        "Hello, world!" "IP 192.168.1.20" "Temp 41 C" "fw 1.4.2" >/dev/null
    cp "$root/build/pictures/$panel/panel.png" "$root/docs/panel-$panel.png"
    echo "docs/panel-$panel.png"
done

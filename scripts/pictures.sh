#!/usr/bin/env bash
# Remakes the panel pictures in docs/ (README's and the docs pages') with the demo (the real
# program on the fake panel, drawn by the frame viewer): each panel class
# with its own font, the 128 x 64 and 256 x 128 panels with UTF-8 text, a
# title line, a large figure and the panel turned by 90 degrees on 128 x 64,
# and the 128 x 64 panel with Terminus Bold 8x16 made ready by
# scripts/prepare-font.sh.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
lines=("Hello, world!" "IP 192.168.1.20" "Temp 41 C" "fw 1.4.2")
picture() { # NAME DEMO_OPTIONS...
    local name=$1
    shift
    "$root/scripts/demo.sh" --out "$root/build/pictures/$name" "$@" >/dev/null
    cp "$root/build/pictures/$name/panel.png" "$root/docs/panel-$name.png"
    echo "docs/panel-$name.png"
}
for panel in 132x48 128x64 256x128; do picture "$panel" --panel "$panel" "${lines[@]}"; done
# A title line in reverse video, a large figure (a double-size line and its
# bottom half), and both on the panel turned by 90 degrees.
title=$(printf '\033[7m%-20s\033[0m' ' Status')
big=$(printf '\033#3')"41 °C" bottom=$(printf '\033#4')"41 °C"
picture 128x64-title "$title" "IP 192.168.1.20" "Temp 41 C" "fw 1.4.2"
picture 128x64-large "$big" "$bottom" "fan 2400 rpm" "fw 1.4.2"
picture 128x64-rotate90 --rotate 90 "$(printf '\033[7m%-10s\033[0m' ' Status')" "$big" "$bottom" "fan ok"
utf8=("Temp 41 °C" "→ ok ✓" "Ωµ±" "Привет")
picture 128x64-utf8 "${utf8[@]}"
picture 256x128-utf8 --panel 256x128 "${utf8[@]}"
source "$root/scripts/lib.sh"
ensure_packages "the Terminus font" xfonts-terminus
font="$root/build/pictures/ter-u16b.bdf"
"$root/scripts/prepare-font.sh" /usr/share/fonts/X11/misc/ter-u16b_iso-8859-1.pcf.gz "$font" >/dev/null
picture 128x64-terminus --font "$font" "${lines[@]}"

# The boot-status example on the 128 x 64 panel: the real script, with this
# machine's name, address, uptime and load, the program found on its PATH.
out="$root/build/pictures/boot-status"
mkdir -p "$out/bin" && ln -sf "$root/build/norlet-display" "$out/bin/norlet-display"
PATH="$out/bin:$PATH" FAKEFB_FONT_DIR="$root/build/fonts" LD_PRELOAD="$root/build/libfakefb.so" \
    FAKEFB_CAPTURE="$out/frame.bin" sh "$root/examples/norlet-boot-status" >/dev/null
"$root/build/fbview" --width 128 --height 64 --pbm "$out/panel.pbm" --scale 4 "$out/frame.bin" \
    >/dev/null
pnmtopng "$out/panel.pbm" >"$root/docs/panel-boot-status.png" 2>/dev/null
echo "docs/panel-boot-status.png"

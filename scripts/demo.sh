#!/usr/bin/env bash
# Shows text on a fake panel: builds what is missing, runs the real program
# against the fake frame buffer, prints the panel as text art and writes
# the picture.
#
#   scripts/demo.sh [--panel WxH] [--virtual PIXELS] [--bpp BITS] [--out DIR] LINE...
#
# --panel defaults to 128x64 (the others with their own font: 132x48,
# 256x128). The frame, a PBM and (with netpbm) a PNG land in --out,
# build/demo by default.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
source "$root/scripts/lib.sh"

panel=128x64 virtual="" bpp=1 out="$root/build/demo"
while [ $# -gt 0 ]; do
    case "$1" in
    --panel) panel=$2; shift 2 ;;
    --virtual) virtual=$2; shift 2 ;;
    --bpp) bpp=$2; shift 2 ;;
    --out) out=$2; shift 2 ;;
    --) shift; break ;;
    *) break ;;
    esac
done
xres=${panel%x*} yres=${panel#*x}
virtual=${virtual:-$xres}

ensure_packages "${BUILD_PACKAGES[@]}"
build="$root/build"
log="$root/build-demo.log"
# A first configure leaves the tests out (they need GoogleTest); the test
# command turns them on in the same build tree.
{ [ -f "$build/CMakeCache.txt" ] || cmake -S "$root" -B "$build" -DNORLET_TESTS=OFF; } >"$log" 2>&1 &&
    cmake --build "$build" -j"$(jobs)" --target norlet-display fakefb fbview device_fonts \
        >>"$log" 2>&1 || { tail -n 30 "$log"; echo "build failed (see $log)"; exit 1; }

mkdir -p "$out"
rm -f "$out/frame.bin"
echo "--- norlet-display on a ${xres}x${yres} panel (line length $virtual, $bpp bpp):"
FAKEFB_XRES=$xres FAKEFB_YRES=$yres FAKEFB_XRES_VIRTUAL=$virtual FAKEFB_BPP=$bpp \
FAKEFB_CAPTURE="$out/frame.bin" FAKEFB_FONT_DIR="$build/fonts" \
LD_PRELOAD="$build/libfakefb.so" "$build/norlet-display" "$@"
echo
[ -f "$out/frame.bin" ] || { echo "--- no frame was written"; exit 0; }
echo "--- the panel:"
"$build/fbview" --width "$virtual" --height "$yres" --visible "$xres" \
    --pbm "$out/panel.pbm" --scale 4 "$out/frame.bin"
if command -v pnmtopng >/dev/null; then
    pnmtopng "$out/panel.pbm" >"$out/panel.png" 2>/dev/null
    echo "--- picture: $out/panel.png"
else
    echo "--- picture: $out/panel.pbm"
fi

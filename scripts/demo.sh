#!/usr/bin/env bash
# Shows text on a fake panel: builds what is missing, runs the real program
# against the fake frame buffer, prints the panel as text art and writes
# the picture.
#
#   scripts/demo.sh [OPTION...] LINE... [OPTION...]
#
#   --panel WxH       the panel; 128x64 by default (132x48 and 256x128 have
#                     fonts of their own, any other size gets the 6x16 one)
#   --driver NAME     the driver the fake panel plays, and whose way of reading
#                     the frame the viewer shows: plain (the default),
#                     ssd1307fb, cfag12864b, vfb, ssd130x, st7571 or fbtft
#                     (tools/panel-profiles.h)
#   --virtual PIXELS  line length the driver reports, if longer than W (plain)
#   --bpp BITS        bits per pixel the driver reports (1; plain and vfb,
#                     which has 1, 8, 16, 24 and 32)
#   --font FILE.bdf   draws with this font in place of the panel's own
#   --rotate DEGREES  NORLET_ROTATE for the program: 0, 90, 180 or 270, the
#                     text turned clockwise on the panel (a panel mounted
#                     turned the other way reads it upright)
#   --out DIR         where the frame, a PBM and a PNG land (build/demo)
#
# Options may come before or after the lines; after "--" every argument is a
# line, so a line may begin with "--". Without lines it shows a title line in
# reverse video, a large figure and a plain line.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
source "$root/scripts/lib.sh"

usage() {
    sed -n '/^#   scripts/,/^# line/p' "$0" | sed 's/^# \{0,1\}//' >&2
    exit 2
}

panel=128x64 driver=plain virtual="" bpp="" out="$root/build/demo" font="" rotate="" lines=()
while [ $# -gt 0 ]; do
    case "$1" in
    --panel) [ $# -ge 2 ] || usage; panel=$2; shift 2 ;;
    --driver) [ $# -ge 2 ] || usage; driver=$2; shift 2 ;;
    --virtual) [ $# -ge 2 ] || usage; virtual=$2; shift 2 ;;
    --bpp) [ $# -ge 2 ] || usage; bpp=$2; shift 2 ;;
    --font) [ $# -ge 2 ] || usage; font=$2; shift 2 ;;
    --rotate) [ $# -ge 2 ] || usage; rotate=$2; shift 2 ;;
    --out) [ $# -ge 2 ] || usage; out=$2; shift 2 ;;
    --) shift; lines+=("$@"); break ;;
    --*) echo "unknown option $1" >&2; usage ;;
    *) lines+=("$1"); shift ;;
    esac
done
[[ "$panel" =~ ^[0-9]+x[0-9]+$ ]] || { echo "--panel takes WxH, not $panel" >&2; exit 2; }
xres=${panel%x*} yres=${panel#*x}
case "$driver" in
plain) ;;
vfb) [ -z "$virtual" ] || { echo "--virtual goes with --driver plain" >&2; exit 2; } ;;
ssd1307fb | cfag12864b | ssd130x | st7571 | fbtft)
    [ -z "$virtual$bpp" ] || { echo "--virtual and --bpp go with --driver plain or vfb" >&2; exit 2; } ;;
*) echo "--driver takes plain, ssd1307fb, cfag12864b, vfb, ssd130x, st7571 or fbtft, not $driver" >&2
    exit 2 ;;
esac
virtual=${virtual:-$xres} bpp=${bpp:-1}
case "$rotate" in
"" | 0 | 90 | 180 | 270) ;;
*) echo "--rotate takes 0, 90, 180 or 270, not $rotate" >&2; exit 2 ;;
esac
# The terminal's sequences: reverse video on and off, a double-size line and
# its bottom half.
if [ ${#lines[@]} -eq 0 ]; then
    lines=("$(printf '\033[7m%-20s\033[0m' ' Status')" "$(printf '\033#3')41 °C"
        "$(printf '\033#4')41 °C" "fan 2400 rpm")
fi
if [ -n "$font" ]; then
    [ -r "$font" ] || { echo "cannot read the font $font" >&2; exit 2; }
    font=$(realpath "$font")
fi

ensure_packages "the demo" "${BUILD_PACKAGES[@]}"
build="$root/build"
log="$root/build-demo.log"
{ [ -f "$build/CMakeCache.txt" ] || cmake -S "$root" -B "$build"; } >"$log" 2>&1 &&
    cmake --build "$build" -j"$(jobs)" --target norlet-display fakefb fbview device_fonts \
        >>"$log" 2>&1 || { tail -n 30 "$log"; echo "build failed (see $log)"; exit 1; }

# The font file the program opens for this panel (turned by 90 or 270
# degrees, for the panel as turned), and where the fake panel finds it: the
# fonts made in the build tree, or every name leading to --font.
size="$xres"x"$yres"
case "$rotate" in 90 | 270) size="$yres"x"$xres" ;; esac
case "$size" in
132x48) name=6x12.bdf ;;
256x128) name=12x32.bdf ;;
*) name=6x16.bdf ;;
esac
fonts="$build/fonts"
if [ -n "$font" ]; then
    fonts="$out/fonts"
    mkdir -p "$fonts"
    for n in 6x12.bdf 6x16.bdf 12x32.bdf; do ln -sfn "$font" "$fonts/$n"; done
fi
served=$(realpath "$fonts/$name")

mkdir -p "$out"
rm -f "$out/frame.bin"
echo "--- the fake panel serves /usr/share/fonts/$name from $served"
case "$driver" in
plain) echo "--- norlet-display on a ${xres}x${yres} panel (line length $virtual, $bpp bpp):" ;;
vfb) echo "--- norlet-display on a ${xres}x${yres} panel of the vfb driver ($bpp bpp):" ;;
*) echo "--- norlet-display on a ${xres}x${yres} panel of the $driver driver:" ;;
esac
[ -z "$rotate" ] || echo "--- NORLET_ROTATE=$rotate: the text turned $rotate degrees clockwise"
# The device is the one the fake panel plays, whatever FRAMEBUFFER says here.
FRAMEBUFFER=/dev/fb0 NORLET_ROTATE=$rotate FAKEFB_DEVICE=/dev/fb0 FAKEFB_DRIVER=$driver \
FAKEFB_XRES=$xres FAKEFB_YRES=$yres FAKEFB_XRES_VIRTUAL=$virtual FAKEFB_BPP=$bpp \
FAKEFB_CAPTURE="$out/frame.bin" FAKEFB_FONT_DIR="$fonts" \
LD_PRELOAD="$build/libfakefb.so" "$build/norlet-display" ${lines[@]+"${lines[@]}"}
echo
[ -f "$out/frame.bin" ] || { echo "--- no frame was written"; exit 0; }
echo "--- the panel:"
# The plain panel's rows are the line length apart; the drivers' are xres.
"$build/fbview" --width "$virtual" --height "$yres" --visible "$xres" \
    --driver "$driver" --bpp "$bpp" --pbm "$out/panel.pbm" --scale 4 "$out/frame.bin"
if command -v pnmtopng >/dev/null; then
    pnmtopng "$out/panel.pbm" >"$out/panel.png" 2>/dev/null
    echo "--- picture: $out/panel.png"
else
    echo "--- picture: $out/panel.pbm"
fi

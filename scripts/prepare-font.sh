#!/usr/bin/env bash
# Turns a font into a BDF file norlet-display reads, and shows what the panel
# will print and draw with it.
#
#   scripts/prepare-font.sh SOURCE OUTPUT.bdf [--size PIXELS] [--codes RANGES]
#
# SOURCE is a BDF file, a PCF file (.pcf or .pcf.gz, converted with pcf2bdf)
# or a TrueType/OpenType file (.ttf, .otf, converted with otf2bdf at PIXELS
# pixels). RANGES is a comma-separated list of hexadecimal code points and
# ranges of them (e.g. 20-7E,A0-FF,2190-21FF): the characters kept. A
# TrueType or OpenType font is converted for the device fonts' characters
# (fonts/device-codes.txt) unless RANGES says otherwise; a BDF or PCF font
# keeps all its glyphs unless RANGES is given. OUTPUT is the font as the
# reader takes it: blank lines and COMMENT lines between ENDPROPERTIES and
# CHARS removed, blank lines elsewhere too, the glyphs outside RANGES left
# out (CHARS counting the rest), nothing else changed. A font the panel
# cannot show is refused with one line and exit status 1, and OUTPUT is not
# written.
#
# The result is then loaded by the program's own reader with build/fontcheck
# (built when missing; FONTCHECK names another command to run instead).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
source "$root/scripts/lib.sh"
source "$root/scripts/font-codes.sh"

usage() {
    echo "usage: $0 SOURCE OUTPUT.bdf [--size PIXELS] [--codes RANGES]" >&2
    exit 2
}
refuse() {
    echo "prepare-font: $source: $*" >&2
    exit 1
}

source="" output="" size="" codes=""
while [ $# -gt 0 ]; do
    case "$1" in
    --size) [ $# -ge 2 ] || usage; size=$2; shift 2 ;;
    --codes) [ $# -ge 2 ] || usage; codes=$2; shift 2 ;;
    -*) usage ;;
    *) if [ -z "$source" ]; then source=$1; elif [ -z "$output" ]; then output=$1; else usage; fi
       shift ;;
    esac
done
[ -n "$source" ] && [ -n "$output" ] || usage
[ -r "$source" ] || refuse "cannot be read"
[ -z "$size" ] || [[ "$size" =~ ^[1-9][0-9]*$ ]] || refuse "--size takes a number of pixels"
range='[0-9A-Fa-f]{1,6}(-[0-9A-Fa-f]{1,6})?'
[ -z "$codes" ] || [[ "$codes" =~ ^$range(,$range)*$ ]] ||
    refuse "--codes takes hexadecimal code points and ranges, e.g. 20-7E,A0-FF"

# The kind of font, from its first bytes (PCF, TrueType/OpenType) or a
# STARTFONT line (BDF, which may begin with comments); a gzip file is told
# by what it holds.
unpack() { if [ -n "$gzipped" ]; then gzip -dc "$source" 2>/dev/null; else cat "$source"; fi; }
kind_of_source() {
    case "$(unpack | head -c 4 | od -An -tx1 | tr -d ' \n')" in
    01666370) echo pcf ;;                       # \1fcp
    00010000 | 4f54544f | 74727565) echo ttf ;; # TrueType, OTTO, true
    *) [ -n "$(unpack | grep -a -m 1 '^STARTFONT')" ] && echo bdf || echo unknown ;;
    esac
}

# RANGES as otf2bdf takes them: decimal, "first_last", a space between.
otf2bdf_ranges() { # RANGES
    local part first last list=()
    IFS=, read -ra parts <<<"$1"
    for part in "${parts[@]}"; do
        first=${part%-*} last=${part#*-}
        list+=("$((16#$first))_$((16#$last))")
    done
    echo "${list[*]}"
}

# The source as BDF text, on standard output.
convert() {
    case "$kind" in
    bdf) unpack ;;
    pcf) unpack | pcf2bdf ;;
    ttf)
        local bdf
        bdf=$(mktemp)
        # otf2bdf's exit status says nothing; a complete font ends in ENDFONT.
        otf2bdf -p "$size" -r 72 -l "$(otf2bdf_ranges "${codes:-$(device_codes)}")" \
            -o "$bdf" "$source" >/dev/null 2>&1 || true
        cat "$bdf"
        rm -f "$bdf"
        ;;
    esac
}

# The reader's form: no blank line anywhere, and no COMMENT line between
# ENDPROPERTIES and CHARS, which must follow it.
reader_form() {
    awk '/^[ \t\r]*$/ { next }
         /^ENDPROPERTIES/ { print; between = 1; next }
         between && /^COMMENT/ { next }
         { between = 0; print }'
}

# Refuses what the reader cannot draw, with the first reason found.
check_form() { # BDF
    awk -v max_w=16 -v max_h=30 '
        /^FONTBOUNDINGBOX/ && !cell { cell = 1; w = $2; h = $3 }
        /^ENDPROPERTIES/ { endprops = NR }
        /^CHARS/ && NR == endprops + 1 { chars = 1 }
        /^ENCODING/ && (($2 >= 32 && $2 <= 126)) { ascii = 1 }
        END {
            if (!cell) reason = "no FONTBOUNDINGBOX line"
            else if (w <= 0 || h <= 0) reason = "its cell is empty (" w " x " h ")"
            else if (w > max_w || h > max_h)
                reason = "its cell is " w " x " h " pixels; the panel takes at most 16 x 30"
            else if (!endprops) reason = "no ENDPROPERTIES line"
            else if (!chars) reason = "no CHARS line after ENDPROPERTIES"
            else if (!ascii) reason = "no glyph for any code 32 to 126"
            if (reason) { print reason; exit 1 }
        }' "$1"
}

fontcheck() {
    if [ -n "${FONTCHECK:-}" ]; then
        $FONTCHECK "$@"
        return
    fi
    local build="$root/build"
    if [ ! -x "$build/fontcheck" ]; then
        ensure_packages "building the font check" "${BUILD_PACKAGES[@]}"
        { [ -f "$build/CMakeCache.txt" ] || cmake -S "$root" -B "$build"; } >/dev/null &&
            cmake --build "$build" -j"$(jobs)" --target fontcheck >/dev/null
    fi
    "$build/fontcheck" "$@"
}

gzipped=""
[ "$(head -c 2 "$source" | od -An -tx1 | tr -d ' \n')" != 1f8b ] || gzipped=1
kind=$(kind_of_source)
case "$kind" in
unknown) refuse "not a BDF, PCF, TrueType or OpenType font" ;;
pcf) ensure_packages "converting PCF fonts" pcf2bdf ;;
ttf)
    [ -n "$size" ] || refuse "a TrueType or OpenType font needs --size PIXELS"
    [ -z "$gzipped" ] || refuse "unpack a TrueType or OpenType font first"
    ensure_packages "converting TrueType and OpenType fonts" otf2bdf
    ;;
esac

partial="$output.partial"
trap 'rm -f "$partial" "$partial.whole"' EXIT
convert | reader_form >"$partial"
if [ -n "$codes" ] && [ "$kind" != ttf ]; then
    mv -f "$partial" "$partial.whole"
    trim_bdf "$codes" "$partial.whole" >"$partial"
fi
grep -q '^ENDFONT' "$partial" || refuse "no complete font (no ENDFONT line)"
reason=$(check_form "$partial") || refuse "$reason"
mv -f "$partial" "$output"
echo "prepare-font: wrote $output; the panel will print and draw:"
fontcheck "$output"

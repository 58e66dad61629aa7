#!/usr/bin/env bash
# conformance.sh OUTDIR LIST: prepares every font of LIST (lines: a font, the
# pixel size to convert it at, 0 for a bitmap font, and the characters to keep
# when not its own or the default set) with prepare-font.sh
# and checks each glyph the reader loads against FreeType on the original.
# FONTCHECK and CONFORMANCE name the two programs (an emulator in front).
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
out=$1 list=$2
mkdir -p "$out"
: >"$out/manifest"
refused=0
while read -r source pixels codes; do
    [ -n "$source" ] && [ "${source:0:1}" != "#" ] || continue
    name=$(basename "$source")
    bdf="$out/$(basename "$(dirname "$source")")-${name%%.*}-$pixels.bdf"
    options=()
    [ "$pixels" = 0 ] || options=(--size "$pixels")
    [ -z "$codes" ] || options+=(--codes "$codes")
    if "$here/../../scripts/prepare-font.sh" "$source" "$bdf" "${options[@]}" </dev/null >"$bdf.log" 2>&1; then
        echo "$bdf $source $pixels" >>"$out/manifest"
    else
        echo "refused $source: $(tail -n 1 "$bdf.log")"
        refused=$((refused + 1))
    fi
done <"$list"
$CONFORMANCE "$out/manifest" | grep -v '^BDF Font debug: '
status=${PIPESTATUS[0]}
echo "$refused fonts refused by prepare-font.sh"
[ "$status" = 0 ] && [ "$refused" = 0 ]

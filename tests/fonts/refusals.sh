#!/usr/bin/env bash
# prepare-font.sh's refusals and fontcheck's exit status, a row each: the
# exit status, a text the output must hold, the command. FONTCHECK names the
# font check (with an emulator in front in a cross build).
set -uo pipefail
prepare="$(cd "$(dirname "$0")/../.." && pwd)/scripts/prepare-font.sh"
t=$(mktemp -d)
trap 'rm -rf "$t"' EXIT

font() { # FONTBOUNDINGBOX ENCODING: a one-glyph font as pcf2bdf writes it
    printf 'STARTFONT 2.1\nFONTBOUNDINGBOX %s\nSTARTPROPERTIES 1\nFONT_ASCENT 7\n' "$1"
    printf 'ENDPROPERTIES\n\nCOMMENT x\nCHARS 1\nSTARTCHAR a\nENCODING %s\nBBX 6 2 0 0\n' "$2"
    printf 'BITMAP\nF8 \n88\nENDCHAR\n\nENDFONT\n'
}
font "6 8 0 -1" 65 >"$t/raw.bdf"
font "17 8 0 -1" 65 >"$t/wide.bdf"
font "6 31 0 -1" 65 >"$t/tall.bdf"
font "6 8 0 -1" 164 >"$t/latin1.bdf"
grep -v '^ENDPROPERTIES' "$t/raw.bdf" >"$t/no-properties.bdf"
grep -v '^CHARS' "$t/raw.bdf" >"$t/no-chars.bdf"
echo "6x13 is a font" >"$t/text.bdf"
rows=(
    "1|its cell is 17 x 8 pixels; the panel takes at most 16 x 30|$prepare $t/wide.bdf $t/out.bdf"
    "1|its cell is 6 x 31 pixels|$prepare $t/tall.bdf $t/out.bdf"
    "1|no ENDPROPERTIES line|$prepare $t/no-properties.bdf $t/out.bdf"
    "1|no CHARS line after ENDPROPERTIES|$prepare $t/no-chars.bdf $t/out.bdf"
    "1|no glyph for any code 32 to 126|$prepare $t/latin1.bdf $t/out.bdf"
    "1|not a BDF, PCF, TrueType or OpenType font|$prepare $t/text.bdf $t/out.bdf"
    "2|usage: |$prepare $t/raw.bdf"
    "1|BDF-Font: Font file is invalid format|$FONTCHECK $t/raw.bdf"
    "0|missing codes (drawn as blank cells): 32-64 66-126 160-255 (190 codes)|$prepare $t/raw.bdf $t/ok.bdf"
    "0|cell: 6 x 8 pixels, offsets 0 -1|$FONTCHECK $t/ok.bdf"
)
failed=0
for row in "${rows[@]}"; do
    IFS='|' read -r status text command <<<"$row"
    output=$($command 2>&1)
    result=$?
    if [ "$result" != "$status" ] || ! grep -qF -- "$text" <<<"$output"; then
        printf 'FAILED: %s\n  expected status %s and "%s", got %s:\n%s\n' \
            "$command" "$status" "$text" "$result" "$output"
        failed=1
    fi
done
[ ! -e "$t/out.bdf" ] || { echo "FAILED: a refused font was written"; failed=1; }
grep -v -e '^$' -e '^COMMENT' "$t/raw.bdf" | cmp -s - "$t/ok.bdf" ||
    { echo "FAILED: prepare-font.sh changed more than blank and COMMENT lines"; failed=1; }
exit $failed

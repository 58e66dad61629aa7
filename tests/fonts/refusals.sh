#!/usr/bin/env bash
# prepare-font.sh's refusals and fontcheck's exit status, a row each: the
# exit status, a text the output must hold, the command. The fonts in
# tests/fixtures/prepare are as pcf2bdf writes them (raw.bdf), or broken.
# FONTCHECK names the font check (with an emulator in front in a cross build).
set -uo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
prepare=$root/scripts/prepare-font.sh f=$root/tests/fixtures/prepare t=$(mktemp -d)
trap 'rm -rf "$t"' EXIT
rows=(
    "1|its cell is 17 x 8 pixels; the panel takes at most 16 x 30|$prepare $f/wide.bdf $t/out.bdf"
    "1|its cell is 6 x 31 pixels|$prepare $f/tall.bdf $t/out.bdf"
    "1|no ENDPROPERTIES line|$prepare $f/no-properties.bdf $t/out.bdf"
    "1|no CHARS line after ENDPROPERTIES|$prepare $f/no-chars.bdf $t/out.bdf"
    "1|no glyph for any code 32 to 126|$prepare $f/latin1.bdf $t/out.bdf"
    "1|not a BDF, PCF, TrueType or OpenType font|$prepare $f/text.bdf $t/out.bdf"
    "2|usage: |$prepare $f/raw.bdf"
    "1|BDF-Font: Font file is invalid format|$FONTCHECK $f/raw.bdf"
    "0|Basic Latin                  0020-007E    1 of 95 lacks U+0020-0040 U+0042-007E|$prepare $f/raw.bdf $t/ok.bdf"
    "1|--codes takes hexadecimal code points and ranges|$prepare $f/raw.bdf $t/out.bdf --codes 41,x"
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
grep -v -e '^$' -e '^COMMENT' "$f/raw.bdf" | cmp -s - "$t/ok.bdf" ||
    { echo "FAILED: prepare-font.sh changed more than blank and COMMENT lines"; failed=1; }
exit $failed

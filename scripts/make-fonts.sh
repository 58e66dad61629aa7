#!/bin/sh
# Makes the three device fonts from Unicode-encoded (ISO10646-1) X11 fonts,
# trimmed to the characters of fonts/device-codes.txt:
#
#   6x12.bdf   from misc-fixed 6x12      (6 x 12 cell, public domain)
#   6x16.bdf   from misc-fixed 6x13      (6 x 13 cell, public domain)
#   12x32.bdf  from Terminus ter-u24n    (12 x 24 cell, SIL Open Font License;
#              misc-fixed 12x24 has Latin-1 only; the reader takes at most 30 rows)
#
# Usage: make-fonts.sh OUTDIR [PCFDIR]
# PCFDIR holds the PCF fonts (Debian packages xfonts-base and
# xfonts-terminus), by default /usr/share/fonts/X11/misc. They are converted
# with pcf2bdf (Debian package pcf2bdf) and blank lines are deleted: the
# reader wants CHARS right after ENDPROPERTIES.
set -eu

if [ $# -lt 1 ] || [ $# -gt 2 ]; then
    echo "usage: $0 OUTDIR [PCFDIR]" >&2
    exit 2
fi
out_dir=$1
pcf_dir=${2:-/usr/share/fonts/X11/misc}
. "$(dirname "$0")/font-codes.sh"

if ! command -v pcf2bdf >/dev/null 2>&1; then
    echo "$0: pcf2bdf not found (install the Debian package pcf2bdf)" >&2
    exit 1
fi
mkdir -p "$out_dir"
codes=$(device_codes)

# make_font SOURCE TARGET PACKAGE: converts PCFDIR/SOURCE.pcf[.gz] into
# OUTDIR/TARGET, trimmed to the device set, through temporary files so that a
# failed run leaves no half-made font.
make_font() {
    if [ -r "$pcf_dir/$1.pcf.gz" ]; then
        reader="gzip -dc"
        source_file="$pcf_dir/$1.pcf.gz"
    elif [ -r "$pcf_dir/$1.pcf" ]; then
        reader="cat"
        source_file="$pcf_dir/$1.pcf"
    else
        echo "$0: $pcf_dir/$1.pcf.gz not found (install the Debian package $3)" >&2
        exit 1
    fi
    partial="$out_dir/$2.partial"
    $reader "$source_file" | pcf2bdf | sed '/^[[:space:]]*$/d' >"$partial.whole"
    trim_bdf "$codes" "$partial.whole" >"$partial"
    rm -f "$partial.whole"
    if ! grep -q '^ENDFONT' "$partial"; then
        echo "$0: converting $source_file gave no complete font" >&2
        rm -f "$partial"
        exit 1
    fi
    mv -f "$partial" "$out_dir/$2"
}

make_font 6x12 6x12.bdf xfonts-base
make_font 6x13 6x16.bdf xfonts-base
make_font ter-u24n_unicode 12x32.bdf xfonts-terminus

#!/bin/sh
# Makes the three device fonts from the X11 misc-fixed fonts (public domain):
#
#   6x12.bdf   from 6x12-ISO8859-1  (6 x 12 cell)
#   6x16.bdf   from 6x13-ISO8859-1  (6 x 13 cell)
#   12x32.bdf  from 12x24           (12 x 24 cell; the reader takes at most 30 rows)
#
# Usage: make-fonts.sh OUTDIR [PCFDIR]
# PCFDIR holds the PCF fonts (Debian package xfonts-base), by default
# /usr/share/fonts/X11/misc. They are converted with pcf2bdf (Debian package
# pcf2bdf), and blank lines are deleted: the reader wants CHARS right after
# ENDPROPERTIES.
set -eu

if [ $# -lt 1 ] || [ $# -gt 2 ]; then
    echo "usage: $0 OUTDIR [PCFDIR]" >&2
    exit 2
fi
out_dir=$1
pcf_dir=${2:-/usr/share/fonts/X11/misc}

if ! command -v pcf2bdf >/dev/null 2>&1; then
    echo "$0: pcf2bdf not found (install the Debian package pcf2bdf)" >&2
    exit 1
fi
mkdir -p "$out_dir"

# make_font SOURCE TARGET: converts PCFDIR/SOURCE.pcf[.gz] into OUTDIR/TARGET,
# through a temporary file so that a failed run leaves no half-made font.
make_font() {
    if [ -r "$pcf_dir/$1.pcf.gz" ]; then
        reader="gzip -dc"
        source_file="$pcf_dir/$1.pcf.gz"
    elif [ -r "$pcf_dir/$1.pcf" ]; then
        reader="cat"
        source_file="$pcf_dir/$1.pcf"
    else
        echo "$0: $pcf_dir/$1.pcf.gz not found (install the Debian package xfonts-base)" >&2
        exit 1
    fi
    partial="$out_dir/$2.partial"
    $reader "$source_file" | pcf2bdf | sed '/^[[:space:]]*$/d' >"$partial"
    if ! grep -q '^ENDFONT' "$partial"; then
        echo "$0: converting $source_file gave no complete font" >&2
        rm -f "$partial"
        exit 1
    fi
    mv -f "$partial" "$out_dir/$2"
}

make_font 6x12-ISO8859-1 6x12.bdf
make_font 6x13-ISO8859-1 6x16.bdf
make_font 12x24 12x32.bdf

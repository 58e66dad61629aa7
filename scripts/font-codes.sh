# Shared by make-fonts.sh and prepare-font.sh (sourced, POSIX sh): the
# character set of the device fonts and the trimming of a BDF font to a set.
#
# A set is a comma-separated list of hexadecimal code points and ranges,
# e.g. "20-7E,A0-FF,2190-21FF".

# The device set, from fonts/device-codes.txt.
device_codes() {
    sed -n 's/^\([0-9A-Fa-f]\{1,6\}-[0-9A-Fa-f]\{1,6\}\) .*/\1/p' \
        "$(dirname "$0")/../fonts/device-codes.txt" | paste -sd, -
}

# trim_bdf SET <BDF >BDF: keeps the glyphs whose ENCODING lies in SET, the
# header as it is but for CHARS, which counts the glyphs kept. Two passes
# over the file (the count comes first), so it takes a file name.
trim_bdf() { # SET FILE
    awk -v set="$1" '
        function hex(s,    i, v) {
            v = 0
            for (i = 1; i <= length(s); i++) v = v * 16 + index("0123456789abcdef", tolower(substr(s, i, 1))) - 1
            return v
        }
        function wanted(code,    i) {
            for (i = 0; i < n; i++) if (code >= low[i] && code <= high[i]) return 1
            return 0
        }
        BEGIN {
            n = 0
            count = split(set, part, ",")
            for (i = 1; i <= count; i++) {
                if (split(part[i], bound, "-") == 1) bound[2] = bound[1]
                low[n] = hex(bound[1]); high[n] = hex(bound[2]); n++
            }
        }
        # First pass: how many glyphs stay.
        FNR == NR { if ($1 == "ENCODING" && wanted($2 + 0)) kept++; next }
        $1 == "CHARS" && !glyphs { print "CHARS " kept; next }
        $1 == "STARTCHAR" { glyphs = 1; held = $0; keep = 0; inside = 1; next }
        inside && $1 == "ENCODING" { keep = wanted($2 + 0); if (keep) print held }
        inside { if (keep) print; if ($1 == "ENDCHAR") inside = 0; next }
        { print }
    ' "$2" "$2"
}

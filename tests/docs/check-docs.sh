#!/usr/bin/env bash
# Checks the pages against the tree: every relative link of README.md and
# docs/*.md names a file (and, after #, one of that page's headings), every
# command a page gives for one of the project's scripts names a script that
# takes its options, and README's quick start is the demo and the command
# .ci/run runs.
#
#   check-docs.sh SOURCE_DIR
set -u
cd "$1" || exit 2
status=0
fail() { echo "$*"; status=1; }

# A page without its fenced code blocks.
prose() { awk '/^ *```/ { code = !code; next } !code' "$1"; }
# The lines of a page's fenced code blocks.
code() { awk '/^ *```/ { code = !code; next } code' "$1"; }
# GitHub's anchor of each heading: lower case, punctuation dropped, spaces
# to hyphens.
anchors() {
    prose "$1" | sed -n 's/^#\{1,6\} //p' | tr '[:upper:]' '[:lower:]' |
        LC_ALL=C sed 's/[^a-z0-9 _-]//g; s/ /-/g'
}

for page in README.md docs/*.md; do
    for link in $(prose "$page" | grep -o '\]([^)]*)' | sed 's/^](//; s/)$//'); do
        case "$link" in http://* | https://* | mailto:*) continue ;; esac
        file=${link%%#*} anchor=${link#"$file"}
        target=$(dirname "$page")/$file
        [ -z "$file" ] && target=$page
        [ -e "$target" ] || { fail "$page: $link: no file $target"; continue; }
        [ -z "$anchor" ] || anchors "$target" | grep -qx -- "${anchor#\#}" ||
            fail "$page: $link: no heading ${anchor#\#} in $target"
    done
    # Every option a page gives a script must be one its code reads.
    code "$page" | grep -o '^ *scripts/[^ ]*\.sh.*' | (
        while read -r script args; do
            [ -x "$script" ] || { fail "$page: $script is no executable script"; continue; }
            for option in $(grep -o -- '\(^\| \)--[a-z][a-z-]*' <<<"${args%%#*}"); do
                grep -v '^ *#' "$script" | grep -q -- "$option\([^a-z-]\|$\)" ||
                    fail "$page: $script does not take $option"
            done
        done
        exit $status
    ) || status=1
done

# README's quick start: two commands, the demo and what CI runs.
quick=$(awk '/^## Quick start/ { on = 1 } on && /^```/ { if (inside) exit; inside = 1; next }
    inside' README.md | sed 's/ *#.*//; /^ *$/d')
ci=$(sed -n 's/.*exec \(.*\)$/\1/p' .ci/run)
[ "$(wc -l <<<"$quick")" -eq 2 ] || fail "README's quick start should be two commands: $quick"
grep -qxF -- "$ci" <<<"$quick" || fail "README's quick start lacks what .ci/run runs: $ci"
grep -q '^scripts/demo\.sh ' <<<"$quick" || fail "README's quick start lacks the demo"
exit $status

#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each on its corpus.
#
#   scripts/fuzz.sh [SECONDS] [TARGET...]   each target for SECONDS (default 30)
#   scripts/fuzz.sh --runs N [TARGET...]     each target for N executions
#   scripts/fuzz.sh --coverage [TARGET...]   line coverage of the production
#                                            code by each target's corpus
#
# Targets: bdf_load bdf_render display mstr (default: every one that is
# built). Two run at a time, one per core. A crash, a leak or a failed check
# ends that target with its input saved in build-fuzz/artifacts/TARGET/ and
# makes the script fail. The working corpus, build-fuzz/corpus/TARGET, keeps
# what earlier runs found; the seeds are made afresh from the test fonts,
# the device fonts and the adversarial fixtures. Logs: build-fuzz/logs/.
# NORLET_FUZZ_BUILD names another build directory.
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
source "$root/scripts/lib.sh"

seconds=30 runs="" coverage=""
if [ "${1:-}" = "--runs" ]; then
    runs=$2
    shift 2
elif [ "${1:-}" = "--coverage" ]; then
    coverage=1
    shift
elif [[ "${1:-}" =~ ^[0-9]+$ ]]; then
    seconds=$1
    shift
fi
build=${NORLET_FUZZ_BUILD:-$root/build-fuzz}

configure() { # BUILD_DIR CMAKE_ARGS...: configures and builds the fuzz targets
    local dir=$1
    shift
    mkdir -p "$dir"
    { CC=clang CXX=clang++ cmake -S "$root" -B "$dir" -DNORLET_TESTS=ON -DNORLET_FUZZ=ON "$@" &&
        cmake --build "$dir" -j"$(jobs)" --target fuzzers device_fonts; } >"$dir/build.log" 2>&1 ||
        { tail -n 40 "$dir/build.log"; echo "fuzz build failed"; exit 1; }
}

u32() { # little-endian bytes of a 32-bit number
    local n=$1
    printf "\\x$(printf %02x $((n & 255)))\\x$(printf %02x $((n >> 8 & 255)))"
    printf "\\x$(printf %02x $((n >> 16 & 255)))\\x$(printf %02x $((n >> 24 & 255)))"
}

fonts() { # every font file the seeds are made from
    ls "$root"/tests/fixtures/*/*.bdf \
        "$build"/fonts/*.bdf 2>/dev/null
}

# A font cut after its first glyphs, so that it fits the fuzzers' input
# limit and runs fast; CHARS still says how many the whole font has.
cut_font() {
    awk '{ print } /^ENDCHAR/ && ++n == 6 { print "ENDFONT"; exit }' "$1"
}

# Seeds, made afresh in build-fuzz/seeds/TARGET.
seed_bdf_load() {
    local f
    for f in $(fonts); do cut_font "$f" >"$1/$(basename "$f")"; done
}

# A 6 x 8 font with a dollar sign and a currency sign, for the currency copy.
currency_font() {
    printf 'STARTFONT 2.1\nFONTBOUNDINGBOX 6 8 0 -1\nENDPROPERTIES\nCHARS 2\n'
    printf 'ENCODING 36\nBBX 6 8 0 -1\nBITMAP\n20\n70\nA0\n70\n28\n70\n20\n00\nENDCHAR\n'
    printf 'ENCODING 164\nBBX 6 8 0 -1\nBITMAP\n00\n88\n70\n50\n70\n88\n00\n00\nENDCHAR\nENDFONT\n'
}

seed_bdf_render() { # a count n, 8 * n bytes of choices (see bdf_render_fuzzer.cpp), a font
    local f i=0
    { printf '\x04%08d%08d%08d%08d' 9 11 6 5; currency_font; } >"$1/currency"
    for f in $(fonts); do
        i=$((i + 1))
        { printf '\x04%08d%08d%08d%08d' $i $((i * 7)) $((i * 13)) $((i * 31)); cut_font "$f"; } \
            >"$1/font-$i"
    done
}

seed_display() { # xres yres xres_virtual bpp, behaviour, driver, settings, line, memory, fields, text
    local dir=$1 g b d
    for g in "128 64 128 1" "132 48 132 1" "256 128 256 1" "128 64 160 8" "0 0 0 1" \
        "1 1 1 1" "128 64 128 4294967295" "65535 65535 65535 1" "128 64 2147483648 1"; do
        set -- $g
        for b in 00 61 62 63 64 78; do
            { u32 "$1"; u32 "$2"; u32 "$3"; u32 "$4"; printf "\\x$b\\x00\\x00"; u32 0; u32 0
                printf '\0\0\0\0\0\0Booting...\nIP 10.0.0.7\n'; } >"$dir/$1x$2-$3-$4-$b"
        done
    done
    # UTF-8 text and ill-formed bytes, with the device fonts.
    { u32 128; u32 64; u32 128; u32 1; printf '\x60\x00\x00'; u32 0; u32 0
        printf '\0\0\0\0\0\0Temp 41 \xc2\xb0C \xe2\x86\x92 \xd0\x9f\n\xc0\xaf\xed\xa0\x80\xe2\x86\xf4\x90\x80\x80\n'; } \
        >"$dir/utf8"
    # Escape sequences (reverse video, a double-size line and its bottom half,
    # a string, one cut short) on 128 x 64 turned by 90 degrees, the fonts there.
    { u32 128; u32 64; u32 128; u32 1; printf '\x60\x00\x20'; u32 0; u32 0
        printf '\0\0\0\0\0\0\33[7m Status \33[0m\n\33#3 42\n\33#4 42\n\33]0;t\a\33[7\n'; } \
        >"$dir/styles"
    # Drivers that answer the fixed query: ssd1307fb, cfag12864b and vfb at
    # 1 bpp, turned or with a layout chosen, an XRGB8888 and an RGB565 panel.
    for d in "1 05 00 17 816" "1 09 04 17 0" "1 0d 02 20 1048576" "1 01 03 16 1024" \
        "32 41 04 528 25344 \x10\x08\x08\x08\x00\x08" "16 41 00 264 12672 \x0b\x05\x05\x06\x00\x05"; do
        set -- $d
        { u32 132; u32 48; u32 132; u32 "$1"; printf "\\x61\\x$2\\x$3"; u32 "$4"; u32 "$5"
            printf "${6:-\0\0\0\0\0\0}"'Hello\nIP 10.0.0.7\n'; } >"$dir/driver-$1-$2-$3"
    done
}

seed_mstr() { # a few short programs (tests/mstr/mstr_model.h); the fuzzer finds the rest
    local set_up='\x01=\x00\x03\x08\x08\x08\x00\x04ab=c' # constant "=", capacities, stream
    printf "$set_up"'\x00\x00\x00\x00\x02ab\x01\x02\x05\x02\x05\x00\x00\x00\x00' >"$1/append"
    printf "$set_up"'\x01\x00\x00\x00\x05a=b=c\x00\x00\x14\x01\x00\x05\x00\x00\x00' >"$1/partition"
    printf "$set_up"'\x4d\x03\x00\x00\x00\x00\x00\x13\x03\x05\x02\x00\x00\x00' >"$1/getline"
}

options_for() {
    case $1 in
    bdf_load | bdf_render) echo "-dict=$root/tests/fuzz/bdf.dict -max_len=4096" ;;
    display) echo "-max_len=512 -malloc_limit_mb=16" ;;
    mstr) echo "-max_len=4096" ;;
    esac
}

# Runs one target; its log ends with libFuzzer's final statistics.
run_target() {
    local t=$1 bin="$build/fuzz/fuzz_$1"
    local corpus="$build/corpus/$t" seeds="$build/seeds/$t" art="$build/artifacts/$t"
    rm -rf "$seeds"
    mkdir -p "$corpus" "$seeds" "$art" "$build/logs"
    "seed_$t" "$seeds"
    local limit="-max_total_time=$seconds"
    [ -n "$runs" ] && limit="-runs=$runs"
    # shellcheck disable=SC2046
    "$bin" $limit $(options_for "$t") -timeout=30 -rss_limit_mb=2048 -print_final_stats=1 \
        -artifact_prefix="$art/" "$corpus" "$seeds" >"$build/logs/$t.log" 2>&1
    echo $? >"$build/logs/$t.status"
}

summary() { # one line per target from its log
    local t=$1 log="$build/logs/$1.log" status
    status=$(cat "$build/logs/$t.status" 2>/dev/null || echo "?")
    local execs cov edges
    execs=$(grep -o 'stat::number_of_executed_units: [0-9]*' "$log" | grep -o '[0-9]*$')
    cov=$(grep -oE '^#[0-9]+.*(cov: [0-9]+ ft: [0-9]+ corp: [0-9]+/[0-9]+[a-zA-Z]*)' "$log" |
        tail -n 1 | grep -oE 'cov: [0-9]+ ft: [0-9]+ corp: [0-9]+/[0-9]+[a-zA-Z]*')
    edges=$(grep -m 1 -oE '[0-9]+ inline 8-bit counters' "$log" | grep -oE '^[0-9]+')
    if [ "$status" = 0 ]; then
        echo "fuzz $t: ok, ${execs:-?} runs, $cov (of ${edges:-?} edges)"
    else
        echo "fuzz $t: FAILED (exit $status), see $log and $build/artifacts/$t/"
        grep -m 5 -E 'ERROR|FUZZ CHECK FAILED|SUMMARY' "$log"
    fi
}

# Runs each target once over its corpus and seeds in a build instrumented
# for coverage, and reports the lines of the production code they reach.
report_coverage() {
    local cov="$build-coverage" t sources
    echo "=== fuzz coverage build"
    configure "$cov" -DNORLET_FUZZ_COVERAGE=ON
    sources=$(cd "$root" && ls app/*.cpp draw/*.cpp fonts/*.cpp mstr/*.cpp)
    mkdir -p "$cov/profiles"
    for t in "${targets[@]}"; do
        [ -d "$build/corpus/$t" ] || { echo "no corpus for $t: run scripts/fuzz.sh first"; exit 1; }
        LLVM_PROFILE_FILE="$cov/profiles/$t.profraw" "$cov/fuzz/fuzz_$t" -runs=0 \
            $(options_for "$t") "$build/corpus/$t" "$build/seeds/$t" >"$cov/profiles/$t.log" 2>&1
        llvm-profdata merge -o "$cov/profiles/$t.profdata" "$cov/profiles/$t.profraw"
        echo "--- $t: $(ls "$build/corpus/$t" | wc -l) corpus inputs"
        # Lines and branches of each production file compiled into the target.
        # shellcheck disable=SC2086
        (cd "$root" && llvm-cov report "$cov/fuzz/fuzz_$t" \
            -instr-profile="$cov/profiles/$t.profdata" $sources) |
            awk -v root="$root/" '/\.cpp |^TOTAL/ { sub(root, "", $1); printf "  %-24s lines %5s of %5s  branches %5s of %5s\n",
                $1, $8 - $9, $8, $11 - $12, $11 }'
    done
}

targets=("$@")
[ ${#targets[@]} -eq 0 ] && targets=(bdf_load bdf_render display mstr)
ensure_packages "the fuzz targets" "${BUILD_PACKAGES[@]}" libgtest-dev "${FUZZ_PACKAGES[@]}" || exit 1
if [ -n "$coverage" ]; then
    report_coverage
    exit 0
fi
echo "=== fuzz build (clang, libFuzzer, ASan, UBSan)"
configure "$build"
if [ -n "$runs" ]; then each="$runs runs"; else each="$seconds s"; fi
echo "=== fuzzing ${targets[*]}: $each each, $(jobs) at a time"
running=0
for t in "${targets[@]}"; do
    [ -x "$build/fuzz/fuzz_$t" ] || { echo "no target fuzz_$t"; exit 1; }
    if [ $running -ge "$(jobs)" ]; then
        wait -n
        running=$((running - 1))
    fi
    run_target "$t" &
    running=$((running + 1))
done
wait

failed=0
for t in "${targets[@]}"; do
    summary "$t"
    [ "$(cat "$build/logs/$t.status" 2>/dev/null)" = 0 ] || failed=1
done
exit $failed

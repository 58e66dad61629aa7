#!/usr/bin/env bash
# Builds the benchmarks (-DNORLET_BENCH=ON) and runs them all: mstr against
# std::string and getline(3), the font reader, the display pass in process,
# and the whole program as a process, its instructions counted by callgrind
# beside those of the floor program (bench/floor.c). Prints the results as
# Markdown tables of ratios, each against its target, and keeps them with the
# raw CSV files in BUILD/bench/results. Installs the Debian packages it needs.
#
# Usage: scripts/bench.sh [--build DIR] [--repetitions N] [--min-time SECONDS]
#   --build DIR        build directory (default: build-bench)
#   --repetitions N    repetitions of every benchmark (default: 5)
#   --min-time S       least time per repetition, in seconds (default: 0.2)
#
# Times are CPU time, the median of the repetitions; the repetitions of all
# benchmarks run interleaved in random order, so a busy spell of the machine
# spreads over all of them. "noise" is the larger coefficient of variation
# (standard deviation / mean) of the two sides of a ratio.
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
source "$root/scripts/lib.sh"

build=$root/build-bench
repetitions=5
min_time=0.2
while [ $# -gt 0 ]; do
    case $1 in
    --build) build=$2; shift 2 ;;
    --repetitions) repetitions=$2; shift 2 ;;
    --min-time) min_time=$2; shift 2 ;;
    *) echo "usage: $0 [--build DIR] [--repetitions N] [--min-time SECONDS]" >&2; exit 2 ;;
    esac
done

ensure_packages "the benchmarks" "${BUILD_PACKAGES[@]}" libbenchmark-dev valgrind || exit 1

results=$build/bench/results
echo "building the benchmarks in $build" >&2
cmake -S "$root" -B "$build" -DNORLET_BENCH=ON -DNORLET_TESTS=OFF >"$build.log" 2>&1 &&
    cmake --build "$build" -j2 --target bench >>"$build.log" 2>&1 ||
    { tail -n 40 "$build.log" >&2; echo "benchmark build failed" >&2; exit 1; }
mkdir -p "$results"
load_before=$(cut -d' ' -f1-3 /proc/loadavg)

# run_benchmarks NAME: one benchmark program, its aggregates into NAME.csv.
run_benchmarks() {
    echo "running $1" >&2
    "$build/bench/$1" --benchmark_repetitions="$repetitions" \
        --benchmark_min_time="$min_time" \
        --benchmark_report_aggregates_only=true \
        --benchmark_enable_random_interleaving=true \
        --benchmark_out="$results/$1.csv" --benchmark_out_format=csv \
        >"$results/$1.txt" 2>&1 ||
        { tail -n 20 "$results/$1.txt" >&2; echo "$1 failed" >&2; exit 1; }
}
run_benchmarks bench_mstr
run_benchmarks bench_font
run_benchmarks bench_display

# One table of every aggregate: name, median, mean, standard deviation, unit
# (CPU time).
awk -F, '/^"/ {
    gsub(/"/, "", $1)
    n = split($1, part, "_"); kind = part[n]; name = substr($1, 1, length($1) - length(kind) - 1)
    if (kind == "median") median[name] = $4
    if (kind == "mean") mean[name] = $4
    if (kind == "stddev") stddev[name] = $4
    unit[name] = $5
} END { for (name in median) print name, median[name], mean[name], stddev[name], unit[name] }' \
    "$results"/bench_*.csv | sort >"$results/aggregates.txt"

# The instructions of one run under callgrind: instructions ENV... -- COMMAND...
instructions() {
    local environment=()
    while [ "$1" != "--" ]; do environment+=("$1"); shift; done
    shift
    env "${environment[@]}" valgrind --tool=callgrind --callgrind-out-file=/dev/null "$@" 2>&1 \
        >/dev/null | awk '/Collected :/ { print $4 }'
}

echo "counting the whole run with callgrind" >&2
lines=("Hello, world! 0123456" "IP 192.168.100.200 ok" "Temp 41 C fan 2400rpm" "fw 1.4.2 build 202612")
# A styled text: a title line in reverse video, a double-size line, its
# bottom half (drawn once) and a double-width line, 21 characters each.
styled=("$(printf '\033[7mHello, world! 0123456\033[0m')" "$(printf '\033#3')IP 192.168.100.200 ok"
    "$(printf '\033#4')IP 192.168.100.200 ok" "$(printf '\033#6')Temp 41 C fan 2400rpm")
: >"$results/whole-run.txt"
# The three 1-bpp panel classes with the plain lines, the styled text and
# the plain lines turned by 90 degrees (laid out on the panel as turned, in
# the 6x16 font of any other size, and turned into the frame), and a 32-bpp
# XRGB8888 panel (the DRM ssd130x driver), whose frame the program lays out
# from its canvas.
for panel in "132 48 6x12 plain 1 plain" "128 64 6x16 plain 1 plain" \
    "256 128 12x32 plain 1 plain" "132 48 6x12 plain 1 styled" "128 64 6x16 plain 1 styled" \
    "256 128 12x32 plain 1 styled" "132 48 6x16 plain 1 turned" "128 64 6x16 plain 1 turned" \
    "256 128 6x16 plain 1 turned" "128 64 6x16 ssd130x 32 plain"; do
    read -r xres yres font driver bpp text <<<"$panel"
    fake=(FAKEFB_XRES="$xres" FAKEFB_YRES="$yres" FAKEFB_FONT_DIR="$build/fonts"
        FAKEFB_DRIVER="$driver" LD_PRELOAD="$build/libfakefb.so")
    run=("${lines[@]}") name=${xres}x$yres
    [ "$text" = styled ] && run=("${styled[@]}") name="$name-styled"
    [ "$text" = turned ] && fake+=(NORLET_ROTATE=90) name="$name-turned-90"
    program=$(instructions "${fake[@]}" -- "$build/norlet-display" "${run[@]}")
    floor=$(instructions "${fake[@]}" -- "$build/bench/floor" "/usr/share/fonts/$font.bdf" \
        $((xres * yres * bpp / 8)))
    [ "$bpp" = 1 ] || name="$name-${bpp}bpp"
    echo "$name $program $floor" >>"$results/whole-run.txt"
done
load_after=$(cut -d' ' -f1-3 /proc/loadavg)

# ---- The tables ----

# row CASE BASELINE TARGET: mstr against the baseline ("std" or "glibc"),
# with the bound's ratio where the benchmark has one. TARGET "-" reports only.
row() {
    awk -v c="$1" -v base="$2" -v target="$3" '
        { median[$1] = $2; mean[$1] = $3; sd[$1] = $4; unit[$1] = $5 }
        function cv(n) { return mean[n] > 0 ? sd[n] / mean[n] : 0 }
        END {
            m = c "/mstr"; b = c "/" base; bound = c "/bound"
            if (!(m in median) || !(b in median)) { print "| " c " | missing | | | | | |"; exit }
            ratio = median[m] / median[b]
            bound_text = (bound in median) ? sprintf("%.2f", median[bound] / median[b]) : ""
            noise = cv(m) > cv(b) ? cv(m) : cv(b)
            verdict = target == "-" ? "report" : (ratio <= target ? "met" : "over")
            printf "| %s | %.4g %s | %.4g %s | **%.2f** | %s | %s | %.0f%% | %s |\n", c,
                median[m], unit[m], median[b], unit[b], ratio, bound_text,
                target == "-" ? "-" : "<= " target, 100 * noise, verdict
        }' "$results/aggregates.txt"
}

# time_row NAME TARGET_US: one absolute time in microseconds, at most the target.
time_row() {
    awk -v n="$1" -v target="$2" '
        $1 == n {
            us = $5 == "ns" ? $2 / 1000 : $5 == "ms" ? $2 * 1000 : $2
            noise = $3 > 0 ? $4 / $3 : 0
            verdict = target == "-" ? "report" : (us <= target ? "met" : "over")
            printf "| %s | %.1f us | %s | %.0f%% | %s |\n", n, us,
                target == "-" ? "-" : "<= " target " us", 100 * noise, verdict
        }' "$results/aggregates.txt"
}

{
    echo "Machine: $(lscpu | sed -n 's/^Model name: *//p' | head -n 1), $(nproc) CPUs;" \
        "load average $load_before before the run, $load_after after."
    echo "Commit $(git -C "$root" rev-parse --short HEAD 2>/dev/null || echo unknown);" \
        "repetitions: $repetitions, at least $min_time s each; CPU time, medians."
    echo
    echo "| case | mstr | baseline | mstr / baseline | bound / baseline | target | noise | |"
    echo "|---|---|---|---|---|---|---|---|"
    for size in 64 256 1024 4096 65536; do
        case $size in 64 | 1024) target=2 ;; *) target=- ;; esac
        row "strcat16/$size" std "$target"
    done
    for size in 64 256 1024 4096 65536; do row "push_back/$size" std -; done
    for operation in find count; do
        for size in 4096 65536; do
            for needle in short long; do
                for hit in early late never; do row "$operation/$needle/$hit/$size" std 2; done
            done
        done
    done
    row replace/same/4096 std 3
    row replace/shorter/4096 std -
    row replace/longer/4096 std -
    for kind in same shorter longer; do row "replace/$kind/65536" std -; done
    row partition/4096 std -
    row getline/64MiB glibc 1.5
    for size in 16 4096 65536; do row "compare/$size" std 2; done
    echo
    echo "| font reader, display pass | CPU time | target | noise | |"
    echo "|---|---|---|---|---|"
    for font in 6x12 6x16 12x32 6x12-latin1 6x16-latin1 12x32-latin1; do
        time_row "load_font/$font" -
    done
    time_row load_font/6x12-unicode 750
    for font in 6x12 6x16 12x32 6x12-unicode; do time_row "lookup_0_255/$font" -; done
    for font in 6x12 6x16 12x32 6x12-latin1; do time_row "lookup_device_set/$font" -; done
    for panel in 132x48 128x64 256x128; do time_row "print_string/$panel" -; done
    echo
    echo "| whole run (instructions) | norlet-display | floor | program / floor | target | |"
    echo "|---|---|---|---|---|---|"
    while read -r panel program floor; do
        awk -v p="$panel" -v a="$program" -v b="$floor" 'BEGIN {
            ratio = b > 0 ? a / b : 0
            printf "| %s | %d | %d | **%.2f** | <= 1 | %s |\n", p, a, b, ratio,
                ratio <= 1 ? "met" : "over"
        }'
    done <"$results/whole-run.txt"
} | tee "$results/table.md"

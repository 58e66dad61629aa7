#!/usr/bin/env bash
# Cross-builds the project for another machine and runs the whole unit and
# end-to-end suite there under qemu-user, the fake panel cross-built too. Also
# builds the program fully static and checks that it runs and needs nothing.
#
#   scripts/cross-test.sh [--arch armhf|arm64|mips] [--measure [--host-build DIR]]
#
# armhf (32-bit ARM, hard-float) is the default; arm64 is 64-bit ARM; mips is
# 32-bit big-endian MIPS, where the kernel packs pixels the other way round
# (scripts/test.sh --all runs armhf and mips). --measure prints instead the
# figures docs/FIRMWARE.md quotes: the stripped size of the program (x86-64 and the
# target) and the peak heap of one run on each panel class, measured with
# glibc's libmemusage.so; the x86-64 program is built in DIR (build/ by
# default) and DIR-static.
#
# Build trees: build-arm/ (or build-aarch64/, build-mips/), build-arm-gtest/
# (GoogleTest, built once from Debian's sources in /usr/src/googletest with the
# same toolchain) and build-arm-static/. binfmt_misc is not needed: ctest and
# the end-to-end harness start qemu themselves.
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
source "$root/scripts/lib.sh"

arch=armhf measure=0 host="$root/build"
while [ $# -gt 0 ]; do
    case "$1" in
    --arch) arch=$2; shift 2 ;;
    --measure) measure=1; shift ;;
    --host-build) host=$(realpath -m "$2"); shift 2 ;;
    *) echo "usage: $0 [--arch armhf|arm64|mips] [--measure [--host-build DIR]]" >&2; exit 2 ;;
    esac
done
case "$arch" in
armhf) triple=arm-linux-gnueabihf qemu_name=arm build="$root/build-arm" ;;
arm64) triple=aarch64-linux-gnu qemu_name=aarch64 build="$root/build-aarch64" ;;
mips) triple=mips-linux-gnu qemu_name=mips build="$root/build-mips" ;;
*) echo "unknown --arch $arch (armhf, arm64 or mips)" >&2; exit 2 ;;
esac
toolchain="$root/cmake/$triple.cmake"
gtest_build="$build-gtest"
gtest_prefix="$gtest_build/install"
runtime_root="/usr/$triple"

# Runs "$@" with its output in LOG (logged, scripts/lib.sh).
logged_to() { # LOG COMMAND...
    local log=$1
    shift
    logged "$@"
}

# FreeType for the target, from Debian's multiarch packages, so the font
# reader is checked against it there too. Optional: without it the check is
# left out of the cross build (with a CMake warning).
ensure_target_freetype() {
    local sudo=""
    [ "$(id -u)" -ne 0 ] && sudo="sudo"
    if ! grep -qx "$arch" <<<"$(dpkg --print-foreign-architectures)"; then
        echo "adding the Debian architecture $arch for libfreetype-dev:$arch"
        $sudo dpkg --add-architecture "$arch" || return 1
    fi
    ensure_packages "the FreeType font check on $arch" "libfreetype-dev:$arch"
}

# GoogleTest cross-built from Debian's sources, installed where find_package
# finds it. Built once; kept across runs.
ensure_target_gtest() {
    [ -f "$gtest_prefix/lib/cmake/GTest/GTestConfig.cmake" ] && return 0
    echo "=== GoogleTest for $arch"
    rm -rf "$gtest_build" && mkdir -p "$gtest_build"
    local log="$gtest_build.log"
    : >"$log"
    logged_to "$log" cmake -S /usr/src/googletest -B "$gtest_build" \
        -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_BUILD_TYPE=Release \
        -DBUILD_GMOCK=OFF -DINSTALL_GTEST=ON -DCMAKE_INSTALL_PREFIX="$gtest_prefix" &&
        logged_to "$log" cmake --build "$gtest_build" -j"$(jobs)" &&
        logged_to "$log" cmake --install "$gtest_build"
}

# The emulator words, as the toolchain file sets them for ctest: the loader
# and C library of the cross compiler's packages, kept together.
emulator() {
    local qemu
    qemu=$(command -v "qemu-$qemu_name-static" || command -v "qemu-$qemu_name") || return 1
    echo "$qemu -L $runtime_root -E LD_LIBRARY_PATH=$runtime_root/lib"
}

prepare() {
    ensure_packages "the $arch cross build" "${BUILD_PACKAGES[@]}" "${CROSS_PACKAGES[@]}" \
        "g++-$triple" || return 1
    # Debian 12 has no big-endian mips port, so no libfreetype-dev:mips.
    if [ "$arch" = mips ]; then
        echo "Debian 12 has no mips port (no libfreetype-dev:mips): the FreeType font check" \
            "is left out on mips"
    elif ! ensure_target_freetype; then
        echo "warning: no libfreetype-dev:$arch; the FreeType font check is left out on $arch"
    fi
    ensure_target_gtest
}

# The suite on the target, configured as for an image (the fonts installed
# too, so the install test sees them). The valgrind pass of the end-to-end
# cases is the host's tool and cannot run target code, so it is left out.
cross_suite() {
    echo "=== cross build ($arch)"
    local log="$build.log"
    : >"$log"
    logged_to "$log" cmake -S "$root" -B "$build" -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
        -DCMAKE_PREFIX_PATH="$gtest_prefix" -DNORLET_INSTALL_FONTS=ON &&
        logged_to "$log" cmake --build "$build" -j"$(jobs)" || return 1
    echo "=== cross tests ($arch, under $(emulator | cut -d' ' -f1))"
    NORLET_RUN_WRAPPER="$(emulator)" \
        ctest --test-dir "$build" -j"$(jobs)" --output-on-failure -E '^e2e_memcheck$'
    local status=$?
    skip_reasons "$build"
    return $status
}

# The static program: builds, needs no shared library, prints its usage line.
static_check() {
    local dir="$build-static" log="$build-static.log"
    echo "=== static program ($arch)"
    : >"$log"
    logged_to "$log" cmake -S "$root" -B "$dir" -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
        -DNORLET_STATIC=ON -DNORLET_TESTS=OFF &&
        logged_to "$log" cmake --build "$dir" -j"$(jobs)" --target norlet-display &&
        logged_to "$log" cmake -DREADELF="$triple-readelf" -DBINARY="$dir/norlet-display" \
            -DEXPECT_STATIC=ON -P "$root/tests/footprint/needed-libraries.cmake" || return 1
    local usage
    usage=$($(emulator) "$dir/norlet-display")
    case "$usage" in
    "Usage: $dir/norlet-display "*) echo "static program runs: $usage" ;;
    *) echo "the static program should print its usage line, but printed: [$usage]"; return 1 ;;
    esac
}

stripped_size() { # STRIP BINARY
    local copy
    copy=$(mktemp)
    "$1" -o "$copy" "$2" && stat -c %s "$copy"
    rm -f "$copy"
}

# Peak heap of one four-line run on PANEL (WxH): glibc's libmemusage.so
# preloaded after the fake panel, its summary read from stderr.
peak_heap() { # PANEL FAKEFB MEMUSAGE FONTS PROGRAM [EMULATOR...]
    local panel=$1 fakefb=$2 memusage=$3 fonts=$4 program=$5
    shift 5
    FAKEFB_XRES=${panel%x*} FAKEFB_YRES=${panel#*x} FAKEFB_FONT_DIR=$fonts \
        LD_PRELOAD="$fakefb:$memusage" "$@" "$program" \
        "Booting..." "IP 10.0.0.7" "fw 1.4.2" "ready" 2>&1 >/dev/null |
        sed 's/\x1b\[[0-9;]*m//g' | grep -o 'heap peak: [0-9]*' | grep -o '[0-9]*'
}

measure() {
    echo "=== footprint: x86-64 ($host) and $arch ($build)"
    { [ -f "$host/CMakeCache.txt" ] || cmake -S "$root" -B "$host" >/dev/null; } &&
        cmake --build "$host" -j"$(jobs)" --target norlet-display fakefb device_fonts >/dev/null &&
        cmake --build "$build" -j"$(jobs)" --target norlet-display fakefb >/dev/null &&
        cmake --build "$build-static" -j"$(jobs)" --target norlet-display >/dev/null &&
        cmake -S "$root" -B "$host-static" -DNORLET_STATIC=ON -DNORLET_TESTS=OFF >/dev/null &&
        cmake --build "$host-static" -j"$(jobs)" --target norlet-display >/dev/null || return 1
    echo "stripped norlet-display, bytes:"
    echo "  x86-64 $(stripped_size strip "$host/norlet-display")"
    echo "  x86-64 static $(stripped_size strip "$host-static/norlet-display")"
    echo "  $arch $(stripped_size "$triple-strip" "$build/norlet-display")"
    echo "  $arch static $(stripped_size "$triple-strip" "$build-static/norlet-display")"
    echo "peak heap of one run (four lines, stdout to /dev/null), bytes:"
    local memusage_host memusage_target="$runtime_root/lib/libmemusage.so"
    memusage_host=/usr/lib/$(gcc -dumpmachine)/libmemusage.so
    for panel in 132x48 128x64 256x128; do
        echo "  $panel x86-64 $(peak_heap "$panel" "$host/libfakefb.so" "$memusage_host" \
            "$host/fonts" "$host/norlet-display")" \
            "$arch $(peak_heap "$panel" "$build/libfakefb.so" "$memusage_target" \
                "$host/fonts" "$build/norlet-display" $(emulator))"
    done
}

prepare || exit 1
if [ "$measure" = 1 ]; then
    measure
    exit
fi
status=0
static_check || status=1
cross_suite || status=1
exit $status

#!/usr/bin/env bash
# Builds and runs the tests, in two depths:
#
#   scripts/test.sh         before every commit: the plain build with every
#                           test (the end-to-end cases again under valgrind
#                           memcheck), then the build with AddressSanitizer
#                           and UBSan and its tests
#   scripts/test.sh --all   also every fuzz target for 30 seconds (clang,
#                           libFuzzer), the whole suite cross-built for
#                           32-bit ARM and for 32-bit big-endian MIPS and run
#                           under qemu-user (this adds the armhf architecture
#                           to dpkg, for FreeType on ARM),
#                           the static program on Debian's own kernel
#                           under qemu-system (scripts/kernel-test.sh), the
#                           armhf one on an OLED through its own kernel
#                           driver on an emulated ARM board
#                           (scripts/kernel-test.sh --arm) and
#                           the Debian packages for amd64, armhf and arm64,
#                           the amd64 ones built in a fresh minbase Debian
#                           12 root from a copy of the tree without .git,
#                           then installed, used and purged in another
#                           (scripts/package-test.sh; this adds the arm64
#                           architecture to dpkg too)
#
# Build trees: build/ and build-asan/, configured once and rebuilt
# incrementally; --all adds build-fuzz/, build-arm*/, build-mips*/,
# build-static/, build-kernel/, build-kernel-arm/ and build-package/.
# Installs the Debian packages it needs and says which.
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
source "$root/scripts/lib.sh"

all=0
case "${1:-}" in
"") ;;
--all) all=1 ;;
*) echo "usage: $0 [--all]" >&2; exit 2 ;;
esac
ensure_packages "building and testing" "${BUILD_PACKAGES[@]}" "${TEST_PACKAGES[@]}" || exit 1

# Test names must stay short enough to read in a log.
long_names() { # DIR
    ctest --test-dir "$1" -N | sed -n 's/^ *Test *#[0-9]*: //p' | awk 'length > 80'
}

status=0
suite() { # NAME BUILD_DIR CMAKE_ARGS...
    local name=$1 dir=$2 long
    shift 2
    echo "=== $name build ($dir)"
    { cmake -S "$root" -B "$dir" -DNORLET_TESTS=ON "$@" &&
        cmake --build "$dir" -j"$(jobs)"; } >"$dir.log" 2>&1 ||
        { tail -n 40 "$dir.log"; echo "$name build failed (log: $dir.log)"; status=1; return; }
    echo "=== $name tests"
    ctest --test-dir "$dir" -j"$(jobs)" --output-on-failure || status=1
    skip_reasons "$dir"
    long=$(long_names "$dir")
    [ -z "$long" ] || { echo "test names over 80 characters:"; echo "$long"; status=1; }
}

SECONDS=0
suite plain "$root/build"
suite sanitizer "$root/build-asan" -DNORLET_SANITIZE=ON
if [ "$all" = 1 ]; then
    # Every fuzz target for 30 seconds on its corpus; a crash or a failed
    # check fails the run.
    "$root/scripts/fuzz.sh" 30 || status=1
    # The whole suite cross-built for 32-bit ARM under qemu-user, with the
    # static program checked there.
    "$root/scripts/cross-test.sh" || status=1
    # The same on 32-bit big-endian MIPS, where the kernel packs pixels and
    # stores words the other way round.
    "$root/scripts/cross-test.sh" --arch mips || status=1
    # The static program on Debian's own kernel under qemu: vfb at every depth
    # and the bochs and cirrus DRM drivers' frame buffers.
    "$root/scripts/kernel-test.sh" || status=1
    # The static armhf program on an SSD130x-family OLED through the kernel's
    # own driver (ssd130x over I2C) on an emulated ARM board.
    "$root/scripts/kernel-test.sh" --arm || status=1
    # The packages built and linted in a fresh Debian 12 root, installed into
    # another, used and purged; the ARM ones cross-built and their programs
    # checked.
    "$root/scripts/package-test.sh" || status=1
fi
echo "=== $([ $status = 0 ] && echo passed || echo FAILED) in $((SECONDS / 60)) min $((SECONDS % 60)) s"
exit $status

#!/usr/bin/env bash
# Builds and runs every test: the plain build (with the end-to-end cases again
# under valgrind memcheck), a short run of every fuzz target, the whole suite
# cross-built for 32-bit ARM under qemu-user, and last the suite built with
# AddressSanitizer and UBSan. Installs the Debian packages it needs.
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
source "$root/scripts/lib.sh"
ensure_packages "${BUILD_PACKAGES[@]}" "${TEST_PACKAGES[@]}" || exit 1

status=0
suite() { # NAME BUILD_DIR CMAKE_ARGS...
    local name=$1 dir=$2
    shift 2
    echo "=== $name build"
    cmake -S "$root" -B "$dir" "$@" >/dev/null &&
        cmake --build "$dir" -j"$(jobs)" >"$dir.log" 2>&1 ||
        { tail -n 40 "$dir.log"; echo "$name build failed"; status=1; return; }
    echo "=== $name tests"
    ctest --test-dir "$dir" -j"$(jobs)" --output-on-failure || status=1
}

suite plain "$root/build" -DNORLET_TESTS=ON
# Every fuzz target for 30 seconds on its corpus (clang, libFuzzer); a crash
# or a failed check fails the run.
"$root/scripts/fuzz.sh" 30 || status=1
# The whole suite again, cross-built for 32-bit ARM and run under qemu-user,
# with the static program checked there.
"$root/scripts/cross-test.sh" || status=1
suite sanitizer "$root/build-asan" -DNORLET_TESTS=ON -DNORLET_SANITIZE=ON
exit $status

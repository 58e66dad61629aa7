# Shared helpers of the project scripts (sourced, not run).

# Installs the Debian packages among "$@" that are missing, and says so.
ensure_packages() {
    local missing=()
    for package in "$@"; do
        dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' ||
            missing+=("$package")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "installing Debian packages: ${missing[*]}"
    local sudo=""
    [ "$(id -u)" -ne 0 ] && sudo="sudo"
    $sudo apt-get update -qq &&
        DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends \
            "${missing[@]}" >/dev/null
}

# What building, the device fonts and the pictures need.
BUILD_PACKAGES=(cmake make g++ pkg-config xfonts-base pcf2bdf netpbm)
# What the tests need on top.
TEST_PACKAGES=(libgtest-dev libfreetype-dev valgrind)
# What the cross-built suite needs (scripts/cross-test.sh): the 32-bit ARM
# compiler, qemu-user (static, so the fake panel's LD_PRELOAD reaches only the
# guest), GoogleTest's sources, binutils' readelf and glibc's libmemusage.so.
CROSS_PACKAGES=(g++-arm-linux-gnueabihf qemu-user-static googletest binutils libc-devtools)

jobs() { nproc 2>/dev/null || echo 2; }

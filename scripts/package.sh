#!/usr/bin/env bash
# Builds the Debian packages norlet-display and libmstr-dev from the working
# tree with dpkg-buildpackage -us -uc -b, runs lintian on them and prints the
# paths of the .deb files.
#
#   scripts/package.sh [--arch amd64|armhf|arm64]
#
# The machine's own architecture is built natively, with the test suite in
# dh_auto_test; another one is cross-built with Debian's cross toolchain
# (-a ARCH -Pcross,nocheck), which adds that architecture to dpkg. The tree
# (tracked and untracked files that are not ignored; in a tree without git,
# all but the build trees) is copied to build-package/ARCH/src, so the
# checkout stays clean; the packages land in build-package/ARCH/ and the build
# log in build-package/ARCH.log. A fresh minbase Debian 12 root with the tree
# is enough: everything else it installs itself.
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
source "$root/scripts/lib.sh"

host_arch=$(dpkg --print-architecture)
arch=$host_arch
while [ $# -gt 0 ]; do
    case "$1" in
    --arch) arch=${2:-}; shift 2 || shift ;;
    *) echo "usage: $0 [--arch amd64|armhf|arm64]" >&2; exit 2 ;;
    esac
done
case "$arch" in
amd64 | armhf | arm64) ;;
*) echo "unknown --arch '$arch' (amd64, armhf or arm64)" >&2; exit 2 ;;
esac

# What every package build needs (build-essential, which dpkg-buildpackage
# requires of every build, and debian/control's Build-Depends), and the test
# suite's own on a native build.
PACKAGE_PACKAGES=(build-essential dpkg-dev debhelper fakeroot lintian cmake make g++ pcf2bdf
    xfonts-base xfonts-terminus)
PACKAGE_TEST_PACKAGES=(fonts-dejavu-core groff-base libfreetype-dev libgtest-dev otf2bdf
    pkg-config xfonts-100dpi xfonts-75dpi)

options=(-us -uc -b)
if [ "$arch" = "$host_arch" ]; then
    ensure_packages "building the Debian packages and their tests" \
        "${PACKAGE_PACKAGES[@]}" "${PACKAGE_TEST_PACKAGES[@]}" || exit 1
else
    # dpkg must know the architecture for the cross toolchain's C library.
    if ! dpkg --print-foreign-architectures | grep -qx "$arch"; then
        echo "adding the $arch architecture to dpkg for the cross build"
        dpkg --add-architecture "$arch" && apt-get update >"$root/build-apt.log" 2>&1 || exit 1
    fi
    ensure_packages "cross-building the Debian packages for $arch" \
        "${PACKAGE_PACKAGES[@]}" "crossbuild-essential-$arch" "libc6-dev:$arch" || exit 1
    options+=(-a "$arch" -Pcross,nocheck)
fi

out="$root/build-package/$arch"
log="$root/build-package/$arch.log"
rm -rf "$out"
mkdir -p "$out/src"
copy_source_tree "$root" "$out/src" || exit 1

echo "=== Debian packages for $arch (log: build-package/$arch.log)"
SECONDS=0
(cd "$out/src" && dpkg-buildpackage "${options[@]}") >"$log" 2>&1 || {
    tail -n 40 "$log"
    echo "dpkg-buildpackage failed for $arch (whole log: $log)"
    exit 1
}
echo "built in $SECONDS s"

# Lintian on the binary packages: every tag it prints is shown; an error
# fails the run.
debs=("$out"/*.deb)
lintian --fail-on error --info "${debs[@]}" || { echo "lintian reports errors"; exit 1; }
for deb in "${debs[@]}"; do echo "$deb"; done

#!/usr/bin/env bash
# The Debian packages on a clean system:
#
#   - builds the amd64 packages as a new user would: scripts/package.sh (tests
#     and lintian included) run inside a fresh minbase Debian 12 root
#     (debootstrap --variant=minbase, nothing added) on a copy of the tree
#     without .git, as from a release tarball, so the script itself must
#     install everything the build needs and do without git;
#   - installs them with dpkg -i into another fresh minbase Debian 12 root
#     (with gcc, pkg-config, man-db, udev and systemd for the checks);
#   - runs the installed program on the fake panel for each panel class and
#     compares its messages, device calls and frame with the build tree's
#     program doing the same;
#   - renders the installed manual pages with man, warnings on;
#   - runs udev's own rules (udevadm test) on a frame buffer of a small
#     panel's driver the program knows and on one of another driver, laid
#     out as sysfs shows them: the first, and only it, is /dev/fb-panel and
#     tagged for systemd; systemd-analyze verify accepts the example units
#     and timer installed as their comments say;
#   - builds a C program against the installed libmstr-dev through
#     pkg-config and runs it;
#   - purges both packages and checks that nothing they installed is left;
#   - cross-builds the armhf and arm64 packages from this checkout and checks
#     their programs with file and readelf: the architecture, and the C
#     library the only one they need (libc.so.6, and on ARM the dynamic
#     loader itself, where the stack protector's guard lives), which their
#     Depends says too.
#
#   scripts/package-test.sh [--no-build]    --no-build: test the packages
#                                            already in build-package/
#
# The two roots are made once and kept as build-package/bookworm-minbase-checks.tar
# (with the checks' packages) and bookworm-minbase-bare.tar; each run unpacks
# fresh copies in build-package/build-root and build-package/root. The .debs
# apt fetches in the build root are kept in build-package/apt-archives for
# the next run. Needs root (debootstrap, chroot, mount).
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
source "$root/scripts/lib.sh"

work="$root/build-package"
build="$root/build"
system="$work/root"
builder="$work/build-root"
cache="$work/bookworm-minbase-checks.tar"
bare_cache="$work/bookworm-minbase-bare.tar"
archives="$work/apt-archives"
extra_packages=gcc,libc6-dev,pkg-config,man-db,udev,systemd
lines=("Booting..." "IP 192.168.1.20" "Temp 41 °C" "→ ok ✓")
panels=(132x48 128x64 256x128)
status=0
build_packages=1
case "${1:-}" in
"") ;;
--no-build) build_packages=0 ;;
*) echo "usage: $0 [--no-build]" >&2; exit 2 ;;
esac

fail() { echo "FAILED: $*"; status=1; }

if [ "$(id -u)" -ne 0 ]; then
    echo "scripts/package-test.sh needs root for debootstrap and chroot" >&2
    exit 1
fi
ensure_packages "the clean-system test" debootstrap file binutils "${BUILD_PACKAGES[@]}" || exit 1
mkdir -p "$work" || exit 1
SECONDS=0

# A minbase Debian 12 root with the packages INCLUDE (comma-separated, or
# none), made once and kept as the tar file TAR.
make_root() { # TAR [INCLUDE]
    [ -f "$1" ] && return 0
    echo "=== making the minbase Debian 12 root $(basename "$1") (once; kept in build-package/)"
    rm -rf "$work/minbase"
    debootstrap --variant=minbase ${2:+--include="$2"} bookworm "$work/minbase" \
        http://deb.debian.org/debian >"$work/debootstrap.log" 2>&1 || {
        tail -n 20 "$work/debootstrap.log"
        return 1
    }
    tar -C "$work/minbase" -cf "$1.part" . && mv "$1.part" "$1" || return 1
    rm -rf "$work/minbase"
}

# Removes the root DIR; refuses while anything is mounted below it, which rm
# would reach through.
remove_root() { # DIR
    if grep -qF " $1/" /proc/mounts; then
        echo "something is still mounted below $1; not removing it"
        return 1
    fi
    rm -rf "$1"
}

# A fresh copy of the root in TAR at DIR, able to reach the Debian mirror.
fresh_root() { # TAR DIR
    remove_root "$2" && mkdir -p "$2" && tar -C "$2" -xf "$1" &&
        cp /etc/resolv.conf "$2/etc/resolv.conf"
}

unmount_builder() { umount "$builder/proc" 2>/dev/null; }
trap unmount_builder EXIT

# The amd64 packages built by scripts/package.sh inside a fresh bare minbase
# root, from a copy of the tree without .git; the packages and the build log
# are then copied to build-package/amd64/ and amd64.log as package.sh on this
# machine would leave them. /proc is mounted for the test suite (the leak
# sanitizer and the descriptor checks read it).
build_in_fresh_root() {
    local tree="$builder/src/norlet-display" apt_cache="$builder/var/cache/apt/archives"
    echo "=== the amd64 packages built in a fresh minbase Debian 12 root," \
        "from a copy of the tree without .git"
    make_root "$bare_cache" && fresh_root "$bare_cache" "$builder" &&
        mkdir -p "$tree" "$archives" && copy_source_tree "$root" "$tree" &&
        [ ! -e "$tree/.git" ] || return 1
    find "$archives" -maxdepth 1 -name '*.deb' -exec ln -f -t "$apt_cache" {} + &&
        mount -t proc proc "$builder/proc" || return 1
    chroot "$builder" env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME=/root LANG=C.UTF-8 \
        /src/norlet-display/scripts/package.sh
    local result=$?
    unmount_builder
    find "$apt_cache" -maxdepth 1 -name '*.deb' -exec ln -f -t "$archives" {} +
    rm -rf "$work/amd64" && mkdir -p "$work/amd64" &&
        cp "$tree/build-package/amd64.log" "$work/amd64.log" 2>/dev/null
    [ "$result" = 0 ] && cp "$tree"/build-package/amd64/*.deb "$work/amd64/" || return 1
    remove_root "$builder" # kept only when the build failed, to be looked at
}

if [ "$build_packages" = 1 ]; then
    build_in_fresh_root || { echo "the package build in a fresh root failed"; exit 1; }
    "$root/scripts/package.sh" --arch armhf || status=1
    "$root/scripts/package.sh" --arch arm64 || status=1
fi

echo "=== the build tree's program and fake panel"
{ [ -f "$build/CMakeCache.txt" ] || cmake -S "$root" -B "$build"; } >"$work/tree.log" 2>&1 &&
    cmake --build "$build" -j"$(jobs)" --target norlet-display fakefb device_fonts \
        >>"$work/tree.log" 2>&1 || { tail -n 20 "$work/tree.log"; exit 1; }

make_root "$cache" "$extra_packages" && fresh_root "$cache" "$system" || exit 1

# Everything on the root's file system but the package manager's own
# records, caches, logs and scratch space.
snapshot() {
    chroot "$system" find / -xdev \( -path /proc -o -path /tmp -o -path /run -o -path /var/cache \
        -o -path /var/log -o -path /var/lib/dpkg \) -prune -o -print | sort
}

in_root() { chroot "$system" env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME=/root LANG=C.UTF-8 "$@"; }

echo "=== installing the amd64 packages into a clean Debian 12 root"
snapshot >"$work/before.txt"
cp "$work"/amd64/norlet-display_*_amd64.deb "$work"/amd64/libmstr-dev_*_amd64.deb "$system/tmp/"
in_root sh -c 'dpkg -i /tmp/norlet-display_*.deb /tmp/libmstr-dev_*.deb' >"$work/dpkg.log" 2>&1 ||
    { cat "$work/dpkg.log"; fail "dpkg -i"; }

echo "=== the installed program on the fake panel"
cp "$build/libfakefb.so" "$system/tmp/"
for panel in "${panels[@]}"; do
    fake=(FAKEFB_XRES="${panel%x*}" FAKEFB_YRES="${panel#*x}")
    # The fake panel appends to its log.
    rm -f "$system/tmp/calls" "$work/tree.calls"
    in_root "${fake[@]}" LD_PRELOAD=/tmp/libfakefb.so FAKEFB_CAPTURE=/tmp/frame \
        FAKEFB_LOG=/tmp/calls norlet-display "${lines[@]}" >"$work/installed.out" 2>&1
    env -i "${fake[@]}" LD_PRELOAD="$build/libfakefb.so" FAKEFB_FONT_DIR="$build/fonts" \
        FAKEFB_CAPTURE="$work/tree.frame" FAKEFB_LOG="$work/tree.calls" \
        "$build/norlet-display" "${lines[@]}" >"$work/tree.out" 2>&1
    if cmp -s "$work/installed.out" "$work/tree.out" &&
        cmp -s "$system/tmp/calls" "$work/tree.calls" &&
        cmp -s "$system/tmp/frame" "$work/tree.frame"; then
        echo "$panel: the same messages, device calls and frame as the build tree's"
    else
        diff "$work/installed.out" "$work/tree.out"
        diff "$system/tmp/calls" "$work/tree.calls"
        fail "$panel: the installed program's run differs from the build tree's"
    fi
done

echo "=== the manual pages"
for page in "1 norlet-display" "1 norlet-panel" "3 mstr"; do
    set -- $page
    out=$(in_root MANWIDTH=80 man --warnings -P cat "$1" "$2" 2>&1 >/dev/null)
    title=$(in_root MANWIDTH=80 man -P cat "$1" "$2" 2>/dev/null | sed -n '/^NAME/{n;p;q}')
    if [ -z "$out" ] && [[ "$title" == *"$2 "* ]]; then
        echo "$2($1):$title"
    else
        echo "$out"
        fail "man $1 $2"
    fi
done

echo "=== the udev rule and the example units"
# A frame buffer as sysfs shows it, in the root's /sys (a plain folder:
# SYSTEMD_DEVICE_VERIFY_SYSFS=0 lets udev read it).
fake_frame_buffer() { # INDEX ID
    local dir="$system/sys/devices/virtual/graphics/fb$1"
    mkdir -p "$dir" "$system/sys/class/graphics" &&
        printf 'MAJOR=29\nMINOR=%s\nDEVNAME=fb%s\n' "$1" "$1" >"$dir/uevent" &&
        echo "29:$1" >"$dir/dev" && echo "$2" >"$dir/name" &&
        ln -sfn ../../../../class/graphics "$dir/subsystem" &&
        ln -sfn "../../devices/virtual/graphics/fb$1" "$system/sys/class/graphics/fb$1"
}
# The links and tags udev's rules give frame buffer INDEX.
udev_result() { # INDEX
    in_root SYSTEMD_DEVICE_VERIFY_SYSFS=0 udevadm test --action=add "/sys/class/graphics/fb$1" \
        2>/dev/null | sed -n 's/^\(DEVLINKS\|TAGS\)=/\1=/p' | tr '\n' ' '
}
fake_frame_buffer 0 "Solomon SSD1307" && fake_frame_buffer 1 "bochs-drmdrmfb" ||
    fail "making the frame buffers in the root's /sys"
panel=$(udev_result 0) other=$(udev_result 1)
if [[ " $panel" == *" DEVLINKS=/dev/fb-panel "* && "$panel" == *"TAGS=:"*"systemd:"* &&
    "$other" != *fb-panel* && "$other" != *systemd* ]]; then
    echo "udevadm test: \"Solomon SSD1307\" is /dev/fb-panel for systemd, \"bochs-drmdrmfb\" is not"
else
    fail "the udev rule: ssd1307fb got \"$panel\", bochs \"$other\""
fi
rm -rf "${system:?}"/sys/*
examples=/usr/share/doc/norlet-display/examples
in_root sh -c "install -m 755 $examples/norlet-boot-status /usr/local/bin/ &&
    cp $examples/*.service $examples/*.timer /etc/systemd/system/" || fail "installing the examples"
out=$(in_root SYSTEMD_LOG_TARGET=console systemd-analyze verify \
    /etc/systemd/system/norlet-boot-status.service /etc/systemd/system/norlet-panel-off.service \
    /etc/systemd/system/norlet-panel-off.timer 2>&1)
[ $? = 0 ] && [ -z "$out" ] && echo "systemd-analyze verify: the boot-status unit, the panel-off timer and service" ||
    fail "systemd-analyze verify: $out"
rm -f "$system"/usr/local/bin/norlet-boot-status "$system"/etc/systemd/system/norlet-*

echo "=== a C program against the installed libmstr-dev"
cp "$root/tests/install/consumer.c" "$system/tmp/"
out=$(in_root sh -c 'gcc -std=c11 -Wall -Wextra -Werror -o /tmp/consumer /tmp/consumer.c \
    $(pkg-config --cflags --libs mstr) && /tmp/consumer' 2>&1)
[ "$out" = "fw 1.4.2 (8)" ] && echo "built with pkg-config and ran: $out" ||
    fail "the consumer: $out"

echo "=== purging"
in_root dpkg --purge norlet-display libmstr-dev >>"$work/dpkg.log" 2>&1 || fail "dpkg --purge"
rm -f "$system"/tmp/*
snapshot >"$work/after.txt"
if diff "$work/before.txt" "$work/after.txt" >"$work/left.txt"; then
    echo "nothing of the packages is left"
else
    cat "$work/left.txt"
    fail "the purge left files behind"
fi

echo "=== the cross-built programs"
check_program() { # DEB MACHINE
    local unpacked="$work/unpacked" program needed depends
    rm -rf "$unpacked" && dpkg-deb -x "$1" "$unpacked" || { fail "unpacking $1"; return; }
    depends=$(dpkg-deb -f "$1" Depends)
    [[ "$depends" =~ ^libc6\ \(.*\)$ ]] || fail "$1 depends on $depends"
    for program in norlet-display norlet-panel; do
        needed=$(readelf -d "$unpacked/usr/bin/$program" |
            sed -n 's/.*(NEEDED).*\[\(.*\)\]/\1/p' | grep -v '^ld-linux' | tr '\n' ' ')
        if readelf -h "$unpacked/usr/bin/$program" | grep -q "Machine: *$2" &&
            [ "$needed" = "libc.so.6 " ]; then
            echo "$(basename "$1") $program: $(file -b "$unpacked/usr/bin/$program" |
                cut -d, -f1-2); needs libc.so.6; Depends: $depends"
        else
            fail "$1 $program: machine or libraries wrong (needs: $needed)"
        fi
    done
    rm -rf "$unpacked"
}
check_program "$(ls "$work"/armhf/norlet-display_*_armhf.deb)" ARM
check_program "$(ls "$work"/arm64/norlet-display_*_arm64.deb)" AArch64

echo "=== package test $([ $status = 0 ] && echo passed || echo FAILED) in $SECONDS s"
exit $status

# Shared helpers of the project scripts (sourced, not run).

# Installs the Debian packages among PACKAGES that are missing, each named
# once, with one line saying which and what for. apt's own output goes to
# build-apt.log at the project's root and is shown only when it fails.
ensure_packages() { # REASON PACKAGES...
    local reason=$1 missing=() package
    shift
    for package in "$@"; do
        [[ " ${missing[*]} " == *" $package "* ]] && continue
        dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' ||
            missing+=("$package")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "installing Debian packages for $reason: ${missing[*]}"
    local sudo="" log
    [ "$(id -u)" -ne 0 ] && sudo="sudo"
    log="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)/build-apt.log"
    {
        $sudo apt-get -o DPkg::Lock::Timeout=600 update &&
            $sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends \
                -o DPkg::Lock::Timeout=600 "${missing[@]}"
    } >"$log" 2>&1 || {
        tail -n 30 "$log"
        echo "installing ${missing[*]} failed (whole log: $log)"
        return 1
    }
}

# What building, the device fonts and the pictures need.
BUILD_PACKAGES=(cmake make g++ pkg-config xfonts-base xfonts-terminus pcf2bdf netpbm)
# What the tests need on top: GoogleTest, valgrind, and FreeType, the fonts
# and the converters for checking fonts against FreeType.
TEST_PACKAGES=(libgtest-dev libfreetype-dev valgrind otf2bdf xfonts-75dpi xfonts-100dpi
    fonts-dejavu-core)
# What the fuzz targets need: clang with libFuzzer, and llvm for coverage.
FUZZ_PACKAGES=(clang libclang-rt-dev llvm)
# What the cross-built suite needs (scripts/cross-test.sh) besides the
# target's compiler: qemu-user (static, so the fake panel's LD_PRELOAD
# reaches only the guest), GoogleTest's sources, binutils' readelf and
# glibc's libmemusage.so.
CROSS_PACKAGES=(qemu-user-static googletest binutils libc-devtools)
# What the kernel test needs (scripts/kernel-test.sh): qemu for x86-64, a
# static busybox and cpio for the guest's initramfs, xz for the kernel
# image, socat for qemu's control socket and the static C library.
KERNEL_PACKAGES=(qemu-system-x86 busybox-static cpio xz-utils socat gcc libc6-dev)

# Why each skipped test of the last ctest run in DIR was skipped, and in which
# ctest test when it was one case of a bigger run (the memcheck pass).
skip_reasons() { # DIR
    awk '/^[0-9]+\/[0-9]+ Test: / { test = $3 }
         /^\[ RUN      \]/ { name = $4 }
         /: Skipped$/ { getline reason
             print "  skipped " name (name == test ? "" : " (in " test ")") ": " reason }' \
        "$1/Testing/Temporary/LastTest.log" 2>/dev/null
}

jobs() { nproc 2>/dev/null || echo 2; }

# Copies the source tree ROOT into the folder DEST: in a git checkout the
# files git tracks and the untracked ones it does not ignore; in a tree that
# is no checkout of its own (a release tarball, or a clone where git is not
# installed) everything but .git and what .gitignore names at the top (the
# build trees, their logs, out/) and editor swap files.
copy_source_tree() { # ROOT DEST
    if command -v git >/dev/null &&
        [ "$(git -C "$1" rev-parse --show-toplevel 2>/dev/null)" = "$(cd "$1" && pwd -P)" ]; then
        (cd "$1" && git ls-files -z --cached --others --exclude-standard |
            tar -cf - --null --no-recursion -T -) | tar -xf - -C "$2"
    else
        tar -C "$1" --anchored --exclude=./.git --exclude='./build*' --exclude=./out \
            --exclude='*.swp' -cf - . | tar -xf - -C "$2"
    fi
}

# Runs "$@" with its output appended to the file $log; on failure shows the
# end of it.
logged() { # COMMAND...
    "$@" >>"$log" 2>&1 || { tail -n 30 "$log"; echo "failed: $* (log: $log)"; return 1; }
}

# Appends kernel module NAME to the load order in $chain after the modules it
# depends on (its modinfo depends=), each once, copying each file into DIR;
# the files are found by name in the associative array module_files.
add_to_chain() { # NAME DIR
    local file dep
    [[ " $chain " == *" $1.ko "* ]] && return 0
    file=${module_files[$1]:-}
    [ -n "$file" ] || { echo "no module $1 among the kernel's"; return 1; }
    for dep in $(tr '\0' '\n' <"$file" | sed -n 's/^depends=//p' | tr ',' ' '); do
        add_to_chain "$dep" "$2" || return 1
    done
    cp "$file" "$2/$1.ko"
    chain+=" $1.ko"
}

#!/bin/sh
# /init of the kernel test guest (busybox sh), put in the initramfs by
# scripts/kernel-test.sh. Runs the program on every case of /cases and hands
# the results back as a tar on the raw disk /dev/vda:
#
#   /cases         one case a line: "vfb NAME XRES YRES BPP" (the panel set
#                  to that geometry with fbmode), "drm NAME DRIVER" (the
#                  DRM driver's emulated frame buffer as it comes up),
#                  "power NAME DRIVER NTH QEMU-DEVICE" (the program on the
#                  NTH frame buffer of DRIVER, then norlet-panel --off and
#                  --on, the host taking a screendump after each), "panel
#                  NAME DRIVER NTH" (norlet-panel's report of it) or "list
#                  NAME" (norlet-panel --list)
#   /lines         the program's text lines, one a line
#   /modules/*.ko  the modules, with NAME.chain listing NAME's load order
#
# Per case it keeps NAME.mode (what fbmode reports), NAME.out (the program's
# output), NAME.frame (the visible rows read back from the device) and
# NAME.err (why the case could not run); guest.log and dmesg.txt too. Then
# it prints the done marker on the console and waits: the host takes its
# screendumps and stops the machine. A screendump in between is asked for on
# the second serial port (/dev/ttyS1): "dump NAME QEMU-DEVICE", answered
# with a line once taken.
PATH=/bin
export PATH

mount_filesystems() {
    mount -t proc proc /proc
    mount -t sysfs sysfs /sys
    mount -t devtmpfs devtmpfs /dev
}

# Loads module NAME with ARGS after its dependencies, each once.
load_module() { # NAME ARGS...
    local name=$1 module
    shift
    for module in $(cat "/modules/$name.chain"); do
        grep -q "^${module%.ko} " /proc/modules && continue
        if [ "$module" = "$name.ko" ]; then
            insmod "/modules/$module" "$@"
        else
            insmod "/modules/$module"
        fi 2>>/out/guest.log || echo "insmod $module failed" >>/out/guest.log
    done
}

# The /dev node of the (NTH, first by default) frame buffer whose name holds
# DRIVER, waiting a little for a driver that registers it late.
find_fb() { # DRIVER [NTH]
    local tries=0 name dir seen
    while [ $tries -lt 10 ]; do
        seen=0
        for name in /sys/class/graphics/fb*/name; do
            grep -qi "$1" "$name" 2>/dev/null || continue
            seen=$((seen + 1))
            [ $seen = "${2:-1}" ] || continue
            dir=${name%/name}
            echo "/dev/${dir##*/}"
            return 0
        done
        tries=$((tries + 1))
        sleep 1
    done
    return 1
}

# A field of fbmode's report.
field() { # REPORT KEY
    echo "$1" | tr ' ' '\n' | sed -n "s/^$2=//p"
}

# Runs the program on DEVICE (the default /dev/fb0 through no variable).
run_program() { # DEVICE OUTPUT
    local device output
    set -- "$1" "$2" "$(sed -n 1p /lines)" "$(sed -n 2p /lines)" \
        "$(sed -n 3p /lines)" "$(sed -n 4p /lines)"
    device=$1 output=$2
    shift 2
    if [ "$device" = /dev/fb0 ]; then
        /norlet-display "$@" >"$output" 2>&1
    else
        FRAMEBUFFER=$device /norlet-display "$@" >"$output" 2>&1
    fi
}

# Clears the device, runs the program and reads the visible rows back.
show_and_read() { # NAME DEVICE
    local report stride rows
    report=$(/fbmode "$2")
    echo "$report" >"/out/$1.mode"
    stride=$(field "$report" line_length) rows=$(field "$report" yres)
    head -c "$(field "$report" smem_len)" /dev/zero >"$2" 2>/dev/null
    run_program "$2" "/out/$1.out"
    dd if="$2" of="/out/$1.frame" bs="$stride" count="$rows" 2>/dev/null
}

vfb_case() { # NAME XRES YRES BPP
    [ -n "$vfb" ] || vfb=$(find_fb "virtual fb") || { echo "no vfb device" >"/out/$1.err"; return; }
    /fbmode "$vfb" "$2" "$3" "$4" >/dev/null 2>"/out/$1.err" || return
    show_and_read "$1" "$vfb"
}

drm_case() { # NAME DRIVER
    local device
    device=$(find_fb "$2") || { echo "no $2 frame buffer (guest.log)" >"/out/$1.err"; return; }
    show_and_read "$1" "$device"
}

# Asks the host for a screendump of qemu's DEVICE as NAME.ppm and waits until
# it has been taken.
host_dump() { # NAME DEVICE
    local answer
    echo "dump $1 $2" >&3
    read -r answer <&3
}

# The text shown, the display switched off and on again, a screendump after
# each.
power_case() { # NAME DRIVER NTH QEMU-DEVICE
    local device step
    device=$(find_fb "$2" "$3") || { echo "no $2 frame buffer" >"/out/$1.err"; return; }
    run_program "$device" "/out/$1-shown.out"
    host_dump "$1-shown" "$4"
    for step in off on; do
        FRAMEBUFFER=$device /norlet-panel "--$step" >"/out/$1-$step.out" 2>&1
        host_dump "$1-$step" "$4"
    done
}

panel_case() { # NAME DRIVER NTH
    local device
    device=$(find_fb "$2" "$3") || { echo "no $2 frame buffer" >"/out/$1.err"; return; }
    FRAMEBUFFER=$device /norlet-panel >"/out/$1.out" 2>&1
}

mount_filesystems
mkdir -p /out
stty -F /dev/ttyS1 raw -echo 2>>/out/guest.log
exec 3<>/dev/ttyS1
grep -q '^vfb ' /cases && load_module vfb vfb_enable=1 mode_option=128x64M-1
load_module virtio_pci
load_module virtio_blk
while read -r kind name a b c; do
    case "$kind" in
    vfb) vfb_case "$name" "$a" "$b" "$c" ;;
    drm) load_module "$a"; drm_case "$name" "$a" ;;
    power) power_case "$name" "$a" "$b" "$c" ;;
    panel) load_module "$a"; panel_case "$name" "$a" "$b" ;;
    list) /norlet-panel --list >"/out/$name.out" 2>&1 ;;
    esac
done </cases
dmesg >/out/dmesg.txt
tar -cf /dev/vda -C /out . && sync
echo "norlet-kernel-test: done"
while :; do sleep 60; done

#!/bin/sh
# /init of the ARM kernel test guest (busybox sh), put in the initramfs by
# scripts/kernel-arm.sh. Loads the OLED's driver, runs each case of
# /cases-$norlet_cases on it and talks to the host on the second serial
# port (/dev/ttyAMA1), one line a message:
#
#   guest: out ID TEXT    a line the case's program printed
#          state ID TEXT  the OLED's backlight device in sysfs after it (the
#                         one whose parent is fb0's device)
#          shown ID       the program has run: look at the panel
#          fault TEXT     the guest cannot go on (then done)
#          done           no more cases
#   host:  next           the panel was looked at: run the next case
#
# A case is a line "ID|ENVIRONMENT|PROGRAM|ARGUMENT|..." (empty fields
# left out of the command); norlet_cases comes from the kernel command line.
PATH=/bin
export PATH

mount_filesystems() {
    mount -t proc proc /proc
    mount -t sysfs sysfs /sys
    mount -t devtmpfs devtmpfs /dev
}

# The host's line: raw, so that nothing is echoed back or turned into CR LF.
open_link() {
    stty -F /dev/ttyAMA1 raw -echo
    exec 3<>/dev/ttyAMA1
}

say() { # TEXT
    echo "$*" >&3
}

# Loads the modules in the order /modules/order lists them.
load_modules() {
    local module
    for module in $(cat /modules/order); do
        insmod "/modules/$module" 2>/tmp/insmod ||
            { say "fault insmod $module: $(cat /tmp/insmod)"; return 1; }
    done
}

# Waits for the OLED's frame buffer (the I2C probe may come late); it must
# be fb0, the program's default device.
find_oled() {
    local tries=0 name
    while [ $tries -lt 50 ]; do
        for name in /sys/class/graphics/fb*/name; do
            grep -q ssd130x "$name" 2>/dev/null || continue
            name=${name%/name}
            [ "${name##*/}" = fb0 ] && return 0
            say "fault the OLED is /dev/${name##*/}, not /dev/fb0"
            return 1
        done
        tries=$((tries + 1))
        sleep 0.2
    done
    say "fault no ssd130x frame buffer appeared"
    return 1
}

# The OLED's backlight device as sysfs shows it, found apart from the panel
# check: the one whose parent is fb0's device.
panel_state() {
    local device backlight
    device=$(readlink -f /sys/class/graphics/fb0/device)
    for backlight in /sys/class/backlight/*; do
        [ "$(readlink -f "$backlight/device")" = "$device" ] || continue
        printf 'backlight=%s max=%s brightness=%s ' "${backlight##*/}" \
            "$(cat "$backlight/max_brightness")" "$(cat "$backlight/brightness")"
    done
}

# Runs one case and hands its output and the OLED's state over; waits until
# the host has looked.
run_case() { # ID ENVIRONMENT PROGRAM ARGUMENTS
    local id=$1 environment=$2 program=/$3 line
    IFS='|'
    set -- $4
    unset IFS
    env $environment "$program" "$@" </dev/null >/tmp/out 2>&1
    while IFS= read -r line || [ -n "$line" ]; do
        say "out $id $line"
    done </tmp/out
    say "state $id $(panel_state)"
    say "shown $id"
    read -r line <&3
}

mount_filesystems
open_link
if load_modules && find_oled; then
    while IFS='|' read -r id environment program arguments; do
        run_case "$id" "$environment" "$program" "$arguments"
    done <"/cases-$norlet_cases"
fi
say done
while :; do sleep 60; done

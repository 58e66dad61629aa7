#!/usr/bin/env bash
# Runs the static program on Debian's own kernel under qemu (TCG, no KVM)
# and checks that each panel shows the text:
#
#   vfb     the virtual frame buffer at 1, 8, 16, 24 and 32 bits per pixel,
#           128 x 64 and 132 x 48, the frame read back from the device
#   bochs   the bochs DRM driver's emulated frame buffer (32 bpp) and
#   cirrus  the cirrus one (16 bpp, RGB565), as qemu's screendump shows them
#
# What the panel shows is compared with the same lines on the fake panel
# (plain 1 bpp, same size, rows padded to whole bytes), both as the frame
# viewer's text art. Then the panel check on the same boot: the text on a
# standard VGA display of the bochs driver, switched off and on again
# (norlet-panel --off, --on), judged by screendumps taken in between
# (qemu's bochs-display ignores the blanking the driver powers down with);
# --list of the four frame buffers; no console warning. The
# main boot keeps the console off every frame buffer (fbcon=map:9), so only
# the program draws on them and switches them on; a second, short boot
# without it, where fbcon takes the standard VGA display, must bring the
# warning.
#
# NORLET_PROGRAM and NORLET_PANEL_CHECK name other static programs to run in
# place of the ones built in build-static/.
#
# Work folder: build-kernel/ (the kernel package and what is taken from it
# are kept between runs; results/ holds each case's frames and text art).
set -uo pipefail
# --arm: the OLED's own DRM driver on an emulated ARM board instead.
[ "${1:-}" = --arm ] && exec "$(dirname "$0")/kernel-arm.sh"
root=$(cd "$(dirname "$0")/.." && pwd)
source "$root/scripts/lib.sh"

work="$root/build-kernel"
build="$root/build"
log="$root/build-kernel.log"
program=${NORLET_PROGRAM:-$root/build-static/norlet-display}
panel_check=${NORLET_PANEL_CHECK:-$root/build-static/norlet-panel}
lines=("Hello, world!" "IP 192.168.1.20" "Temp 41 C" "fw 1.4.2")
vfb_panels=(128x64 132x48)
vfb_depths=(1 8 16 24 32)
bochs_panel=320x200
cirrus_panel=640x350
# The modules the guest loads and the ones whose dependencies they bring.
modules=(vfb virtio_pci virtio_blk bochs cirrus)

build_programs() {
    echo "=== building the program (static), the fonts and the tools"
    { [ -f "$build/CMakeCache.txt" ] || logged cmake -S "$root" -B "$build"; } &&
        logged cmake --build "$build" -j"$(jobs)" --target device_fonts fbview norlet-display \
            fakefb &&
        logged cmake -S "$root" -B "$root/build-static" -DNORLET_STATIC=ON -DNORLET_TESTS=OFF &&
        logged cmake --build "$root/build-static" -j"$(jobs)" --target norlet-display norlet-panel &&
        logged gcc -static -O2 -Wall -Wextra -Werror -o "$work/fbmode" "$root/tools/fbmode.c"
}

# The versioned image package linux-image-amd64 stands for, e.g.
# linux-image-6.1.0-57-amd64.
kernel_package() {
    apt-cache depends linux-image-amd64 2>/dev/null |
        sed -n 's/^ *Depends: \(linux-image-[0-9].*\)$/\1/p' | head -n 1
}

download_kernel() { # PACKAGE
    [ -n "$1" ] && rm -rf "$work/download" && mkdir -p "$work/download" &&
        (cd "$work/download" && apt-get download -o APT::Sandbox::User=root "$1") >>"$log" 2>&1
}

# Downloads the kernel package once; a newer one replaces it. apt's lists
# are refreshed when they know no package or an outdated one.
fetch_kernel() {
    local package
    package=$(kernel_package)
    kernel_deb=$(ls "$work/download/${package:-none}_"*.deb 2>/dev/null | head -n 1)
    [ -n "$kernel_deb" ] && return 0
    echo "downloading Debian's kernel ${package:-(apt lists first)}"
    download_kernel "$package" ||
        { logged apt-get update && package=$(kernel_package) && download_kernel "$package"; } ||
        { tail -n 20 "$log"; echo "cannot download linux-image-amd64's kernel (log: $log)"; return 1; }
    kernel_deb=$(ls "$work/download/${package}_"*.deb)
}

# The uncompressed kernel (booted through its PVH entry, which skips the
# decompressor) and the modules with their load order, taken from the
# package once per package and module list.
unpack_kernel() {
    local stamp tree="$work/unpacked" image offset name
    stamp="$(basename "$kernel_deb") ${modules[*]}"
    [ "$(cat "$work/kernel/stamp" 2>/dev/null)" = "$stamp" ] && return 0
    echo "unpacking $(basename "$kernel_deb")"
    rm -rf "$tree" "$work/kernel" && mkdir -p "$work/kernel/modules" &&
        dpkg-deb -x "$kernel_deb" "$tree" || return 1
    image=$(ls "$tree"/boot/vmlinuz-*)
    offset=$(LC_ALL=C grep -obUaP '\xfd7zXZ\x00' "$image" | head -n 1 | cut -d: -f1)
    xz -dc --single-stream <(tail -c +$((offset + 1)) "$image") >"$work/kernel/vmlinux" ||
        { echo "cannot take the kernel out of $image"; return 1; }
    declare -gA module_files=()
    while read -r file; do
        name=$(basename "$file" .ko)
        module_files[${name//-/_}]=$file
    done < <(find "$tree/lib/modules" -name '*.ko')
    for name in "${modules[@]}"; do
        chain=""
        add_to_chain "$name" "$work/kernel/modules" || return 1
        echo "$chain" >"$work/kernel/modules/$name.chain"
    done
    rm -rf "$tree"
    echo "$stamp" >"$work/kernel/stamp"
}

# The guest's cases, one a line, as scripts/kernel-guest.sh reads them.
case_list() {
    local panel bpp
    # The DRM drivers first: their frame reaches the screen through a
    # kernel worker, which then has the vfb cases' time to finish.
    echo "drm bochs-$bochs_panel-32 bochs"
    echo "drm cirrus-$cirrus_panel-16 cirrus"
    for panel in "${vfb_panels[@]}"; do
        for bpp in "${vfb_depths[@]}"; do
            echo "vfb vfb-$panel-$bpp ${panel%x*} ${panel#*x} $bpp"
        done
    done
    echo "power stdvga-power bochs 2 stdvga"
    echo "list list"
    echo "panel panel-stdvga bochs 2"
}

# The boot without fbcon=map:9: fbcon takes the primary display, the
# standard VGA the BIOS brought up.
console_case_list() {
    echo "panel console-stdvga bochs 2"
}

make_initramfs() { # CPIO CASE_LIST
    local tree="$work/initramfs" applet
    rm -rf "$tree" && mkdir -p "$tree"/{bin,proc,sys,dev,usr/share/fonts} || return 1
    cp /bin/busybox "$tree/bin/busybox"
    for applet in $(busybox --list); do
        [ "$applet" = busybox ] || ln -s busybox "$tree/bin/$applet"
    done
    install -m 755 "$root/scripts/kernel-guest.sh" "$tree/init"
    cp "$program" "$tree/norlet-display" && cp "$panel_check" "$tree/norlet-panel" &&
        cp "$work/fbmode" "$tree/" || return 1
    cp "$build"/fonts/{6x12,6x16,12x32}.bdf "$tree/usr/share/fonts/"
    cp -r "$work/kernel/modules" "$tree/modules"
    "$2" >"$tree/cases"
    printf '%s\n' "${lines[@]}" >"$tree/lines"
    (cd "$tree" && find . | cpio -o -H newc --quiet) >"$1"
}

# Sends each QMP command in turn and waits for its answer.
qmp() { # COMMAND...
    local command answer status=0
    coproc qmp_link { socat - "UNIX-CONNECT:$work/qmp.sock"; }
    read -r -t 30 answer <&"${qmp_link[0]}" || status=1
    for command in '{"execute":"qmp_capabilities"}' "$@"; do
        [ $status = 0 ] || break
        echo "$command" >&"${qmp_link[1]}"
        while read -r -t 60 answer <&"${qmp_link[0]}" && [[ $answer == *'"event"'* ]]; do :; done
        [[ $answer == '{"return"'* ]] || { echo "qemu refused $command: $answer"; status=1; }
    done
    [ -n "${qmp_link[1]:-}" ] && eval "exec ${qmp_link[1]}>&-"
    wait "$qmp_link_PID" 2>/dev/null
    return $status
}

screendump() { # DEVICE CASE
    echo "{\"execute\":\"screendump\",\"arguments\":{\"device\":\"$1\",\"filename\":\"$work/results/$2.ppm\"}}"
}

# Whether a screendump is whole: qemu may still be writing it when it answers.
ppm_whole() { # FILE
    local header size
    header=$(head -c 20 "$1" 2>/dev/null | head -n 2 | tail -n 1)
    size=${header/ /*}
    [ -n "$size" ] && [ "$(stat -c %s "$1" 2>/dev/null)" = "$((size * 3 + ${#header} + 7))" ]
}

# Takes a screendump of DEVICE as NAME.ppm and waits until it is whole.
take_dump() { # DEVICE NAME
    local deadline=$((SECONDS + 20))
    rm -f "$work/results/$2.ppm"
    qmp "$(screendump "$1" "$2")" || return 1
    until ppm_whole "$work/results/$2.ppm"; do
        [ $SECONDS -lt $deadline ] || return 1
        sleep 0.1
    done
}

# Serves the guest's "dump NAME DEVICE": screendumps until the screen shows
# what NAME expects (off, or the text again) or 20 s pass, then the answer.
serve_dump() { # NAME DEVICE
    local deadline=$((SECONDS + 20))
    while take_dump "$2" "$1" && [ -n "$(power_problem "$1")" ] && [ $SECONDS -lt $deadline ]; do
        sleep 0.2
    done
    echo "taken" >&"$to_guest"
}

# Boots the guest with CPIO and the kernel's command line APPEND, serves its
# screendump requests, waits for its done marker (the machine stopping first
# is a failure: a panic or an oops reboots, and -no-reboot ends qemu), takes
# the DRM screendumps and unpacks the guest's tar.
boot() { # CPIO APPEND DUMPS...
    local cpio=$1 append=$2 console="$work/console.log" pid request name device
    shift 2
    rm -rf "$work/results" "$work/qmp.sock" "$work/guest.sock" "$console" &&
        mkdir -p "$work/results" || return 1
    rm -f "$work/disk.img" && truncate -s 16M "$work/disk.img"
    echo "=== booting $(basename "$kernel_deb" .deb) under qemu (TCG): $append"
    qemu-system-x86_64 -accel tcg -m 256 -nodefaults -no-reboot -display none \
        -kernel "$work/kernel/vmlinux" -initrd "$cpio" \
        -append "console=ttyS0 quiet oops=panic panic=-1 video=VGA-1:${cirrus_panel}-16 $append" \
        -serial "file:$console" -serial "unix:$work/guest.sock,server=on,wait=off" \
        -qmp "unix:$work/qmp.sock,server=on,wait=off" \
        -drive "file=$work/disk.img,format=raw,if=virtio" \
        -device "bochs-display,id=bochs,xres=${bochs_panel%x*},yres=${bochs_panel#*x}" \
        -device "VGA,id=stdvga,edid=on,xres=${bochs_panel%x*},yres=${bochs_panel#*x}" \
        -device cirrus-vga,id=cirrus \
        >>"$log" 2>&1 &
    pid=$!
    until [ -S "$work/guest.sock" ] || ! kill -0 "$pid" 2>/dev/null; do sleep 0.1; done
    rm -f "$work/to-guest" "$work/from-guest" && mkfifo "$work/to-guest" "$work/from-guest"
    socat - "UNIX-CONNECT:$work/guest.sock" <"$work/to-guest" >"$work/from-guest" 2>>"$log" &
    exec {to_guest}>"$work/to-guest" {from_guest}<"$work/from-guest"
    local deadline=$((SECONDS + 600))
    until grep -q "norlet-kernel-test: done" "$console" 2>/dev/null; do
        if ! kill -0 "$pid" 2>/dev/null || [ $SECONDS -gt $deadline ]; then
            kill "$pid" 2>/dev/null
            tail -n 40 "$console"
            echo "the guest stopped before it was done (console: $console)"
            return 1
        fi
        if read -r -t 0.5 request name device <&"$from_guest" && [ "$request" = dump ]; then
            serve_dump "$name" "$device"
        fi
    done
    local dumps=() dump
    for dump in "$@"; do dumps+=("$(screendump "${dump%%:*}" "${dump#*:}")"); done
    qmp "${dumps[@]}" '{"execute":"quit"}' || kill "$pid"
    wait "$pid"
    exec {to_guest}>&- {from_guest}<&-
    tar -xf "$work/disk.img" -C "$work/results"
}

# The text art of the lines on the fake panel, plain 1 bpp, WxH. Its rows
# are padded to whole bytes, as every real driver's are: on a plain 132-wide
# panel the first pixels of a row share a byte with the last of the row above.
expected_art() { # W H OUTPUT
    local line=$((($1 + 7) / 8 * 8))
    FAKEFB_XRES=$1 FAKEFB_XRES_VIRTUAL=$line FAKEFB_YRES=$2 FAKEFB_CAPTURE="$3.frame" \
        FAKEFB_FONT_DIR="$build/fonts" LD_PRELOAD="$build/libfakefb.so" \
        "$build/norlet-display" "${lines[@]}" >/dev/null &&
        "$build/fbview" --width "$line" --height "$2" --visible "$1" "$3.frame" >"$3"
}

# What fbmode reports should be vfb's layout as the viewer decodes it (the
# memory size aside).
vfb_layout() { # W H BPP
    local fields="0/8 0/8 0/8 0/0" visual=TRUECOLOR
    case $3 in
    1) visual=MONO01 ;;
    8) visual=PSEUDOCOLOR ;;
    16) fields="0/5 5/6 11/5 0/0" ;;
    24) fields="0/8 8/8 16/8 0/0" ;;
    32) fields="0/8 8/8 16/8 24/8" ;;
    esac
    set -- "$1" "$2" "$3" "$visual" $fields
    echo "id=\"Virtual FB\" visual=$4 bpp=$3 xres=$1 yres=$2 xres_virtual=$1 yres_virtual=$2" \
        "line_length=$(((($1 * $3 + 31) & ~31) / 8)) red=$5 green=$6" \
        "blue=$7 transp=$8"
}

# What the driver came up with, when it is not what the case asked for.
drm_mismatch() { # MODE W H BPP
    local mode=$1 want="xres=$2 yres=$3 " bpp="bpp=$4 "
    [[ "$mode " == *"$want"* && "$mode " == *"$bpp"* ]] && return 1
    echo "the driver reports: $mode"
}

# What qemu's screendump shows, when it is not the driver's mode: the
# display was never switched on (qemu's placeholder or the BIOS text screen).
screen_mismatch() { # PPM W H
    local size
    size=$(head -n 2 "$1" 2>/dev/null | tail -n 1)
    [ "$size" = "$2 $3" ] && return 1
    [ -n "$size" ] || { echo "qemu gave no screendump"; return 0; }
    echo "qemu shows a ${size/ / x } picture, not the $2 x $3 mode: the display is not on"
}

# Decodes a vfb case's frame read back from the device into ACTUAL, after
# checking that the kernel reports the layout the viewer assumes; says what
# went wrong.
vfb_actual() { # RESULT W H BPP
    local mode expected
    mode=$(sed 's/ smem_len=[0-9]*//' "$1.mode") expected=$(vfb_layout "$2" "$3" "$4")
    [ "$mode" = "$expected" ] || { echo "the kernel reports $mode; the viewer assumes $expected"; return; }
    "$build/fbview" --driver vfb --bpp "$4" --width "$2" --height "$3" "$1.frame" \
        >"$1.actual" 2>"$1.viewer" || echo "fbview cannot decode it: $(head -n 1 "$1.viewer")"
}

# Decodes a DRM case's screendump into ACTUAL; says what went wrong.
drm_actual() { # RESULT W H BPP
    drm_mismatch "$(cat "$1.mode")" "$2" "$3" "$4" || screen_mismatch "$1.ppm" "$2" "$3" ||
        "$build/fbview" --ppm --width "$2" --height "$3" "$1.ppm" >"$1.actual" 2>"$1.viewer" ||
        echo "fbview cannot decode it: $(head -n 1 "$1.viewer")"
}

# How the panel's text art differs from the expected one, if it does.
art_difference() { # EXPECTED ACTUAL
    local rows
    cmp -s "$1" "$2" && return
    [ -s "$2" ] || { echo "no picture"; return; }
    rows=$(wc -l <"$2")
    [ "$rows" = "$(wc -l <"$1")" ] || { echo "the picture has $rows rows, not $(wc -l <"$1")"; return; }
    echo "$(cmp -l "$1" "$2" | wc -l) pixels differ from the fake panel"
}

# Checks one case and prints its line; 1 when the panel does not show the text.
check_case() { # CASE
    local name=$1 kind size bpp w h result="$work/results/$1" problem
    IFS=- read -r kind size bpp <<<"$name"
    w=${size%x*} h=${size#*x}
    if ! expected_art "$w" "$h" "$result.expected"; then
        problem="the fake panel run failed"
    elif [ ! -s "$result.mode" ]; then
        problem="the guest did not run it: $(head -c 300 "$result.err" 2>/dev/null)"
    else
        if [ "$kind" = vfb ]; then
            problem=$(vfb_actual "$result" "$w" "$h" "$bpp")
        else
            problem=$(drm_actual "$result" "$w" "$h" "$bpp")
        fi
        [ -n "$problem" ] || problem=$(art_difference "$result.expected" "$result.actual")
        [ -z "$problem" ] || problem+=" (build-kernel/results/$name.*)"
    fi
    printf '%-7s %2s bpp  %4s x %-4s %s\n' "$kind" "$bpp" "$w" "$h" "${problem:-shows the text}"
    [ -z "$problem" ]
}

# What is wrong with the screendump NAME of the standard VGA display with
# the text (NAME-shown), switched off (NAME-off: nothing lit, or no mode at
# all) and on again (NAME-on: the text again); nothing when it is right.
power_problem() { # NAME
    local w=${bochs_panel%x*} h=${bochs_panel#*x} result="$work/results/$1"
    "$build/fbview" --ppm --width "$w" --height "$h" "$result.ppm" >"$result.actual" 2>/dev/null
    case $1 in
    *-off)
        screen_mismatch "$result.ppm" "$w" "$h" >/dev/null || ! grep -q '#' "$result.actual" ||
            echo "the display is still lit after --off" ;;
    *)
        [ -s "$work/results/power.expected" ] || expected_art "$w" "$h" "$work/results/power.expected"
        screen_mismatch "$result.ppm" "$w" "$h" ||
            art_difference "$work/results/power.expected" "$result.actual" ;;
    esac
}

# The text on the standard VGA display, switched off and on again: each
# step's message and screendump.
check_power() {
    local problem="" step
    for step in shown off on; do
        [ $step = shown ] || grep -qx "power: /dev/fb[0-9]* $step" "$work/results/stdvga-power-$step.out" ||
            problem="norlet-panel --$step said: $(head -c 200 "$work/results/stdvga-power-$step.out")"
        [ -n "$problem" ] || problem=$(power_problem "stdvga-power-$step")
        [ -z "$problem" ] || { problem="$step: $problem"; break; }
    done 2>/dev/null
    printf '%-7s %s\n' stdvga "--off, --on: ${problem:-the text, dark, the text again}"
    [ -z "$problem" ]
}

# --list on the main boot: vfb (its last mode), bochs, the standard VGA and
# cirrus, no console.
check_list() {
    local expected="$work/results/list.expected"
    cat >"$expected" <<EOF
device     driver id          size         bpp  known  consoles  small panel
/dev/fb0   "Virtual FB"       132 x 48     32   yes    -         yes
/dev/fb1   "bochs-drmdrmfb"   320 x 200    32   no     -         yes
/dev/fb2   "bochs-drmdrmfb"   320 x 200    32   no     -         yes
/dev/fb3   "cirrusdrmfb"      640 x 350    16   no     -         no
fbcon: not bound
norlet-display writes to /dev/fb0
EOF
    if cmp -s "$expected" "$work/results/list.out"; then
        printf '%-7s %s\n' list "vfb, bochs, cirrus and the standard VGA as expected"
    else
        printf '%-7s %s\n' list "differs from build-kernel/results/list.expected:"
        diff "$expected" "$work/results/list.out"
        return 1
    fi
}

# The console warning of norlet-panel on the standard VGA display: absent
# with fbcon=map:9, present without.
check_console() { # NAME WANTED(yes/no) KERNEL-OPTION
    local out="$work/results/$1.out" found=no
    grep -q '^console: ' "$out" 2>/dev/null && found=yes
    printf '%-7s %s\n' console "$3: $([ $found = yes ] && echo warns || echo "no warning")"
    [ -s "$out" ] && [ $found = "$2" ] || { head -c 600 "$out" 2>/dev/null; return 1; }
}

SECONDS=0
: >"$log"
mkdir -p "$work"
ensure_packages "the kernel test" "${BUILD_PACKAGES[@]}" "${KERNEL_PACKAGES[@]}" &&
    build_programs && fetch_kernel && unpack_kernel &&
    make_initramfs "$work/initramfs.cpio" case_list &&
    boot "$work/initramfs.cpio" "fbcon=map:9" "bochs:bochs-$bochs_panel-32" \
        "cirrus:cirrus-$cirrus_panel-16" || {
    echo "=== kernel test FAILED in $SECONDS s"
    exit 1
}
status=0
while read -r kind name _; do
    case $kind in
    vfb | drm) check_case "$name" || status=1 ;;
    esac
done < <(case_list)
check_power || status=1
check_list || status=1
check_console panel-stdvga no "fbcon=map:9" || status=1
# The second boot's results go beside the first's.
rm -rf "$work/results-main" && mv "$work/results" "$work/results-main"
make_initramfs "$work/initramfs-console.cpio" console_case_list &&
    boot "$work/initramfs-console.cpio" "" &&
    check_console console-stdvga yes "without fbcon=map:9" || status=1
rm -rf "$work/results-console" && mv "$work/results" "$work/results-console" &&
    mv "$work/results-main" "$work/results"
echo "=== kernel test $([ $status = 0 ] && echo passed || echo FAILED) in $SECONDS s"
exit $status

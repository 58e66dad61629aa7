#!/usr/bin/env bash
# Runs the program's static armhf build on an SSD130x-family OLED through the
# kernel's own DRM driver (ssd130x, ssd130x-i2c), on Debian's ARM kernel
# (armmp) booted on qemu's vexpress-a9 board under TCG. The OLED is qemu's
# ssd0303 model on the board's I2C bus, which speaks the SH1106's page
# addressing; the device tree gives it as a sinowealth,sh1106 of 96 x 16
# (columns 36 to 131 of the model's 132, pages 0 and 1).
#
# Debian's kernels leave the driver out, so it is built here from Debian's
# linux-source against the armmp headers. Every package is fetched with
# apt-get download and unpacked, never installed.
#
# Each case runs in the guest and prints one line. The screen cases compare
# qemu's screendump of the OLED (each panel pixel a 4 x 4 block) with the
# fake panel's picture of the same run at 96 x 16 as text art, looking again
# until they agree or a deadline passes. The panel's life is judged on the
# real driver too: --list against the expected text, --contrast by the
# backlight device sysfs shows beside fb0 and the contrast command its
# controller gets, --off and --on by the display-off and -on commands (qemu
# traces the I2C bus) and the text shown again. The first boot keeps the
# console off the OLED (fbcon=map:9); a second one lets it bind there, where
# the panel check must warn of it.
#
# Work folder: build-kernel-arm/ (the packages but linux-source, the driver's
# sources and what is built from them are kept between runs; results/ holds
# each case's pictures and output).
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
source "$root/scripts/lib.sh"

work="$root/build-kernel-arm"
build="$root/build"
static="$root/build-arm-static"
log="$root/build-kernel-arm.log"
triple=arm-linux-gnueabihf
label="ssd130x sh1106 96x16 armhf"
width=96 height=16
# qemu's picture of the OLED: 4 x 4 screen pixels a panel pixel, and its
# size as a P6 file ("P6\n384 64\n255\n" and three bytes a pixel).
scale=4 dump_bytes=73742
# The kernel modules the guest loads, with what they need before them.
modules=(i2c_versatile ssd130x_i2c)
# What the test needs besides the build: qemu for the board and for running
# the armhf modpost, the cross compiler (the driver and the program), dtc
# and cpio for the boot files.
ARM_KERNEL_PACKAGES=(qemu-system-arm qemu-user-static gcc-$triple g++-$triple
    device-tree-compiler cpio xz-utils)

# The contrast the panel check sets, through the OLED's backlight device.
contrast=77
# The cases: ID|ENVIRONMENT|PROGRAM|ARGUMENT|..., and each one's title.
# Screen cases must differ from the one before, or a stale picture would
# pass; --on must show the last picture again.
screen_cases=(
    "report||norlet-panel"
    "list||norlet-panel|--list"
    "contrast||norlet-panel|--contrast|$contrast"
    "line||norlet-display|Hello, world!"
    "off||norlet-panel|--off"
    "on||norlet-panel|--on"
    "edge||norlet-display|Uptime 3 d 4 h 12 m"
    "utf8||norlet-display|Grüße 21°C ±µ €"
    "rotate|NORLET_ROTATE=180|norlet-display|fw 1.4.2 OK"
    "card||norlet-panel|--card"
)
console_cases=("console||norlet-panel")
declare -A titles=([report]="panel check" [list]="norlet-panel --list"
    [contrast]="--contrast $contrast" [line]="one line" [off]="norlet-panel --off"
    [on]="norlet-panel --on" [edge]="line past the edge" [utf8]="UTF-8 text"
    [rotate]="NORLET_ROTATE=180" [card]="norlet-panel --card" [console]="console on the OLED")
# What a case prints when it passes, other than "shows the text".
declare -A passes=([report]="reports as the fake panel's profile"
    [list]="lists the OLED as known and a small panel"
    [contrast]="the backlight holds it, the controller got it"
    [off]="the controller got display off" [on]="display on, shows the text again"
    [console]="warns of the console")

prepare_host() {
    local sudo=""
    [ "$(id -u)" -ne 0 ] && sudo="sudo"
    if ! grep -qx armhf <<<"$(dpkg --print-foreign-architectures)"; then
        echo "adding the Debian architecture armhf for the ARM kernel's packages"
        $sudo dpkg --add-architecture armhf && logged $sudo apt-get update || return 1
    fi
    ensure_packages "the ARM kernel test" "${BUILD_PACKAGES[@]}" "${ARM_KERNEL_PACKAGES[@]}"
}

build_programs() {
    echo "=== building the program and the panel check (static, armhf), the fonts and the tools"
    { [ -f "$build/CMakeCache.txt" ] || logged cmake -S "$root" -B "$build"; } &&
        logged cmake --build "$build" -j"$(jobs)" --target device_fonts fbview norlet-display \
            norlet-panel fakefb &&
        logged cmake -S "$root" -B "$static" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/$triple.cmake" \
            -DNORLET_STATIC=ON -DNORLET_TESTS=OFF &&
        logged cmake --build "$static" -j"$(jobs)" --target norlet-display norlet-panel
}

# The versioned image linux-image-armmp:armhf stands for (e.g.
# linux-image-6.1.0-57-armmp), its ABI (6.1.0-57) and version (6.1.192-3).
resolve_kernel() {
    local depends
    depends=$(apt-cache show --no-all-versions linux-image-armmp:armhf 2>/dev/null |
        sed -n 's/^Depends: \(linux-image-[0-9][^ ]*\) (= \([^)]*\)).*/\1 \2/p')
    [ -n "$depends" ] || { echo "apt knows no linux-image-armmp:armhf"; return 1; }
    read -r image version <<<"$depends"
    abi=${image#linux-image-} abi=${abi%-armmp}
    kernel="$image $version"
}

download() { # DIR PACKAGE...
    local dir=$1
    shift
    (cd "$dir" && apt-get download -o APT::Sandbox::User=root "$@") >>"$log" 2>&1 ||
        { tail -n 20 "$log"; echo "cannot download $* (log: $log)"; return 1; }
}

# The kernel's packages, once per kernel: a newer one replaces them.
fetch_packages() {
    [ "$(cat "$work/download/stamp" 2>/dev/null)" = "$kernel" ] && return 0
    echo "downloading Debian's $image:armhf $version and its headers"
    rm -rf "$work/download" && mkdir -p "$work/download" &&
        download "$work/download" "$image:armhf=$version" \
            "linux-headers-$abi-armmp:armhf=$version" "linux-headers-$abi-common=$version" \
            "linux-kbuild-6.1=$version" "linux-kbuild-6.1:armhf=$version" busybox-static:armhf &&
        echo "$kernel" >"$work/download/stamp"
}

# drivers/gpu/drm/solomon/ of Debian's linux-source of the kernel's version;
# the 139 MB tarball is not kept.
fetch_driver() {
    local tarball=./usr/src/linux-source-6.1.tar.xz
    [ "$(cat "$work/solomon/stamp" 2>/dev/null)" = "$version" ] && return 0
    echo "downloading linux-source-6.1 $version for the ssd130x driver"
    rm -rf "$work/solomon" "$work/source" && mkdir -p "$work/source" &&
        download "$work/source" "linux-source-6.1=$version" || return 1
    dpkg-deb --fsys-tarfile "$work"/source/linux-source-6.1_*.deb | tar -xO "$tarball" |
        tar -xJ -C "$work/source" --wildcards 'linux-source-6.1/drivers/gpu/drm/solomon/*' &&
        mv "$work/source/linux-source-6.1/drivers/gpu/drm/solomon" "$work/solomon" ||
        { echo "cannot take drivers/gpu/drm/solomon out of linux-source-6.1"; return 1; }
    rm -rf "$work/source"
    echo "$version" >"$work/solomon/stamp"
}

# What the test takes from Debian's archive; apt's lists are refreshed when
# they know no kernel or an outdated one.
fetch() {
    resolve_kernel 2>/dev/null && fetch_packages && fetch_driver && return 0
    echo "refreshing apt's lists"
    logged apt-get update && resolve_kernel && fetch_packages && fetch_driver
}

# The headers tree, its Makefile pointed at the unpacked -common one (it
# names /usr/src), and modpost run as the armhf build under qemu-user: the
# amd64 one refuses 32-bit ARM modules' device tables.
unpack_headers() { # TREE
    local tree=$1 deb headers="$1/usr/src/linux-headers-$abi-armmp"
    for deb in "$work"/download/linux-{headers-*,kbuild-6.1_*_amd64}.deb; do
        dpkg-deb -x "$deb" "$tree" || return 1
    done
    dpkg-deb -x "$work"/download/linux-kbuild-6.1_*_armhf.deb "$tree/armhf" || return 1
    echo "include $tree/usr/src/linux-headers-$abi-common/Makefile" >"$headers/Makefile"
    printf '#!/bin/sh\nexec qemu-arm-static -L /usr/%s %s "$@"\n' "$triple" \
        "$tree/armhf/usr/lib/linux-kbuild-6.1/scripts/mod/modpost.real-lsb-32" \
        >"$tree/usr/lib/linux-kbuild-6.1/scripts/mod/modpost"
}

# ssd130x.ko and ssd130x-i2c.ko for the armmp kernel, in DIR.
build_driver() { # DIR
    local tree="$work/headers"
    rm -rf "$tree" "$work/driver" && mkdir -p "$tree" && cp -r "$work/solomon" "$work/driver" &&
        unpack_headers "$tree" &&
        logged make -C "$tree/usr/src/linux-headers-$abi-armmp" M="$work/driver" ARCH=arm \
            CROSS_COMPILE="$triple-" CONFIG_DRM_SSD130X=m CONFIG_DRM_SSD130X_I2C=m modules &&
        cp "$work"/driver/ssd130x.ko "$work"/driver/ssd130x-i2c.ko "$1/" ||
        { echo "cannot build the ssd130x driver (log: $log)"; return 1; }
    rm -rf "$tree" "$work/driver"
}

# The OLED under the board's first I2C controller (SBCon, i2c-versatile).
oled_node() {
    cat <<'EOF'

&{/bus@40000000/motherboard-bus@40000000/iofpga@7,00000000/i2c@16000} {
	oled@3c {
		compatible = "sinowealth,sh1106";
		reg = <0x3c>;
		solomon,width = <96>;
		solomon,height = <16>;
		solomon,page-offset = <0>;
		solomon,col-offset = <36>;
	};
};
EOF
}

# The kernel, the board's device tree with the OLED, the modules in load
# order and busybox, once per kernel.
unpack_kernel() {
    local tree="$work/unpacked" boot="$work/kernel" file name
    [ "$(cat "$boot/stamp" 2>/dev/null)" = "$kernel" ] && return 0
    echo "unpacking $image and building the ssd130x driver"
    rm -rf "$tree" "$boot" && mkdir -p "$boot/modules" && build_driver "$boot" &&
        dpkg-deb -x "$work/download/${image}_"*.deb "$tree" &&
        dpkg-deb -x "$work"/download/busybox-static_*.deb "$tree" || return 1
    cp "$tree/boot/vmlinuz-$abi-armmp" "$boot/vmlinuz" && cp "$tree/bin/busybox" "$boot/" &&
        dtc -q -I dtb -O dts "$tree/usr/lib/$image/vexpress-v2p-ca9.dtb" >"$boot/board.dts" &&
        oled_node >>"$boot/board.dts" &&
        dtc -q -I dts -O dtb -o "$boot/board.dtb" "$boot/board.dts" || return 1
    declare -gA module_files=([ssd130x]="$boot/ssd130x.ko" [ssd130x_i2c]="$boot/ssd130x-i2c.ko")
    while read -r file; do
        name=$(basename "$file" .ko)
        module_files[${name//-/_}]=$file
    done < <(find "$tree/lib/modules" -name '*.ko')
    chain=""
    for name in "${modules[@]}"; do
        add_to_chain "$name" "$boot/modules" || return 1
    done
    echo "$chain" >"$boot/modules/order"
    rm -rf "$tree"
    echo "$kernel" >"$boot/stamp"
}

make_initramfs() {
    local tree="$work/initramfs" applet
    rm -rf "$tree" && mkdir -p "$tree"/{bin,proc,sys,dev,tmp,usr/share/fonts} || return 1
    cp "$work/kernel/busybox" "$tree/bin/busybox"
    for applet in $(qemu-arm-static "$tree/bin/busybox" --list); do
        [ "$applet" = busybox ] || ln -s busybox "$tree/bin/$applet"
    done
    install -m 755 "$root/scripts/kernel-arm-guest.sh" "$tree/init"
    cp "$static/norlet-display" "$static/norlet-panel" "$tree/" &&
        cp "$build/fonts/6x16.bdf" "$tree/usr/share/fonts/" &&
        cp -r "$work/kernel/modules" "$tree/modules" || return 1
    printf '%s\n' "${screen_cases[@]}" >"$tree/cases-screen"
    printf '%s\n' "${console_cases[@]}" >"$tree/cases-console"
    (cd "$tree" && find . | cpio -o -H newc --quiet) >"$work/initramfs.cpio"
}

# The fake panel's run of a case at 96 x 16: its output in ID.out-expected
# and, when it drew, the picture as text art in ID.expected, each pixel
# SCALE x SCALE as qemu shows it.
expected_run() { # ID ENVIRONMENT PROGRAM ARGUMENTS
    local result="$work/results/$1" arguments
    IFS='|' read -r -a arguments <<<"$4"
    env $2 FAKEFB_DRIVER=ssd130x FAKEFB_XRES=$width FAKEFB_YRES=$height \
        FAKEFB_CAPTURE="$result.frame" FAKEFB_FONT_DIR="$build/fonts" \
        LD_PRELOAD="$build/libfakefb.so" "$build/$3" "${arguments[@]}" >"$result.out-expected" ||
        return 1
    [ -s "$result.frame" ] || return 0
    "$build/fbview" --driver ssd130x --width $width --height $height "$result.frame" |
        awk -v k=$scale '{ line = ""
            for (i = 1; i <= length($0); i++) for (j = 0; j < k; j++) line = line substr($0, i, 1)
            for (j = 0; j < k; j++) print line }' >"$result.expected"
}

# The fake panel's runs of the cases; a picture equal to the one before is
# refused, as a stale screen would show it. Switched off and on again the
# panel shows the picture it had, which the fake panel cannot keep.
expected_runs() { # CASE...
    local text id environment program arguments result previous=""
    for text in "$@"; do
        IFS='|' read -r id environment program arguments <<<"$text"
        result="$work/results/$id"
        # --list and --contrast are judged by what the kernel shows.
        [[ $arguments == --list || $arguments == --contrast* ]] && continue
        expected_run "$id" "$environment" "$program" "$arguments" ||
            { echo "the fake panel run of $id failed"; return 1; }
        [ "$arguments" = --on ] && { cp "$previous" "$result.expected"; continue; }
        [ -f "$result.expected" ] || continue
        [ -n "$previous" ] && cmp -s "$previous" "$result.expected" &&
            { echo "case $id shows what the one before it does"; return 1; }
        previous="$result.expected"
    done
}

# A QMP command and its answer, skipping events; 1 when qemu refused it.
qmp() { # COMMAND
    local answer
    echo "$1" >&"$qmp_in"
    while read -r -t 30 answer <&"$qmp_out" && [[ $answer == *'"event"'* ]]; do :; done
    [[ $answer == '{"return"'* ]] || { echo "qemu refused $1: $answer"; return 1; }
}

now_ms() {
    local now=${EPOCHREALTIME/[.,]/}
    echo $((now / 1000))
}

# qemu's picture of the OLED in ID.ppm, decoded into ID.actual; waits for
# qemu to finish writing it. Says what went wrong.
take_picture() { # ID
    local ppm="$work/results/$1.ppm" deadline=$(($(now_ms) + 5000))
    rm -f "$ppm"
    qmp "{\"execute\":\"screendump\",\"arguments\":{\"device\":\"oled\",\"filename\":\"$ppm\"}}" ||
        return 1
    until [ "$(stat -c %s "$ppm" 2>/dev/null)" = "$dump_bytes" ]; do
        [ "$(now_ms)" -lt $deadline ] ||
            { echo "qemu's screendump stays short of $dump_bytes bytes"; return 1; }
        sleep 0.02
    done
    "$build/fbview" --ppm --width $((width * scale)) --height $((height * scale)) "$ppm" \
        >"$work/results/$1.actual" 2>"$work/results/$1.viewer" ||
        { echo "fbview cannot decode it: $(head -n 1 "$work/results/$1.viewer")"; return 1; }
}

# Looks at the OLED until it shows the expected picture or 10 s passed (a
# frame takes a few hundred ms through the bit-banged I2C); says how it
# differs when it never did. qemu's ssd0303 model draws its memory whatever
# the display-off command (0xae) said, so a panel switched off is judged by
# the commands its controller got instead.
watch_panel() { # ID
    local result="$work/results/$1" deadline=$(($(now_ms) + 10000)) differ
    [ -f "$result.expected" ] || { echo "the fake panel drew nothing"; return; }
    while take_picture "$1"; do
        cmp -s "$result.expected" "$result.actual" && return
        if [ "$(now_ms)" -ge $deadline ]; then
            differ=$(cmp -l "$result.expected" "$result.actual" | wc -l)
            differ=$(((differ + scale * scale - 1) / (scale * scale)))
            echo "$differ pixels differ from the fake panel"
            return
        fi
        sleep 0.1
    done
}

# A field KEY=VALUE of what the guest saw in sysfs after case ID.
state() { # ID KEY
    tr ' ' '\n' <"$work/results/$1.state" | sed -n "s/^$2=//p"
}

# The commands the OLED's controller got during case ID, on one line, from
# qemu's trace of the I2C bus: a transfer to 0x3c whose control byte is 0x80
# carries a command byte.
commands() { # ID
    awk '/addr:0x3c/ && /i2c_event start/ { n = 0 }
        /addr:0x3c/ && /i2c_send/ { sub(/.*data:/, ""); if (++n == 1) c = $0; else if (c == "0x80") print }' \
        "$work/results/$1.i2c" | paste -sd ' '
}

# --list on the main boot: the OLED alone, its console kept off.
expected_list() {
    cat <<'EOF'
device     driver id          size         bpp  known  consoles  small panel
/dev/fb0   "ssd130xdrmfb"     96 x 16      32   yes    -         yes
fbcon: not bound
norlet-display writes to /dev/fb0
EOF
}

# What is wrong with --contrast: the panel check must name the backlight
# device the kernel shows under fb0's device, with its maximum, the
# brightness must read back as set and the controller get it (0x81, N).
contrast_problem() {
    local name most
    name=$(state contrast backlight) most=$(state contrast max)
    [ -n "$name" ] || { echo "the kernel shows no backlight device of fb0's device"; return; }
    [ "$(cat "$work/results/contrast.out")" = \
        "contrast: $contrast of 0 to $most, /sys/class/graphics/fb0/device/backlight/$name" ] ||
        echo "norlet-panel printed otherwise than the kernel's backlight $name, 0 to $most"
    [ "$(state contrast brightness)" = $contrast ] ||
        echo "the brightness reads $(state contrast brightness)"
    [[ " $(commands contrast) " == *" 0x81 $(printf '0x%02x' $contrast) "* ]] ||
        echo "the controller got no contrast $contrast"
}

# What is wrong with case ID, which the guest has run; empty when nothing.
check_case() { # ID
    local result="$work/results/$1"
    case $1 in
    list)
        cmp -s <(expected_list) "$result.out" ||
            echo "the list differs from the expected one: $(diff <(expected_list) "$result.out" |
                grep '^[<>]' | paste -sd ' ')"
        ;;
    contrast) contrast_problem ;;
    console)
        grep -q '^console:' "$result.out" ||
            echo "norlet-panel prints no \"console:\" line with the console on the OLED"
        ;;
    report)
        grep -q '^console:' "$result.out" &&
            echo "norlet-panel warns of a console the OLED does not have"
        cmp -s <(grep -v '^console:' "$result.out-expected") <(grep -v '^console:' "$result.out") ||
            echo "the driver reports otherwise than the fake panel's ssd130x profile"
        ;;
    *)
        cmp -s "$result.out-expected" "$result.out" ||
            echo "the program printed otherwise than on the fake panel"
        case $1 in
        off) [[ " $(commands off) " == *" 0xae "* ]] || echo "the controller got no display off" ;;
        on) [[ " $(commands on) " == *" 0xaf "* ]] || echo "the controller got no display on" ;;
        esac
        [ "$1" = off ] || watch_panel "$1"
        ;;
    esac
}

# Prints case ID's line; 1 when it failed.
report_case() { # ID PROBLEM
    local problem=$2
    [ -z "$problem" ] || problem="$(paste -sd ';' <<<"$problem" | sed 's/;/; /g')" \
        problem+=" (build-kernel-arm/results/$1.*)"
    printf '%s  %-20s %s\n' "$label" "${titles[$1]}" "${problem:-${passes[$1]:-shows the text}}"
    [ -z "$2" ]
}

# Starts qemu on the board with the kernel command line's extra words; the
# guest runs the case list NAME. QMP and the guest's second serial port are
# FIFO pairs held open here; qemu traces the I2C bus into i2c-NAME.log.
start_board() { # NAME APPEND
    local console="$work/console-$1.log" greeting
    board=""
    rm -f "$work"/{qmp,link}.{in,out} "$console" "$work/i2c-$1.log" &&
        mkfifo "$work"/{qmp,link}.{in,out} || return 1
    exec {qmp_in}<>"$work/qmp.in" {qmp_out}<>"$work/qmp.out" \
        {link_in}<>"$work/link.in" {link_out}<>"$work/link.out"
    echo "=== booting $image on vexpress-a9 (${2:-the console on the OLED})"
    qemu-system-arm -M vexpress-a9 -m 256M -nodefaults -no-reboot -display none \
        -audiodev none,id=mute \
        -kernel "$work/kernel/vmlinuz" -dtb "$work/kernel/board.dtb" \
        -initrd "$work/initramfs.cpio" \
        -append "console=ttyAMA0 panic=-1 oops=panic norlet_cases=$1 $2" \
        -serial "file:$console" -serial "pipe:$work/link" \
        -chardev "pipe,id=qmp,path=$work/qmp" -mon chardev=qmp,mode=control \
        -device ssd0303,address=0x3c,id=oled,bus=i2c \
        -trace i2c_event -trace i2c_send -D "$work/i2c-$1.log" >>"$log" 2>&1 &
    board=$!
    read -r -t 30 greeting <&"$qmp_out" && qmp '{"execute":"qmp_capabilities"}'
}

stop_board() {
    [ -n "$board" ] || return 0
    qmp '{"execute":"quit"}' >/dev/null || kill "$board" 2>/dev/null
    wait "$board"
    exec {qmp_in}>&- {qmp_out}>&- {link_in}>&- {link_out}>&-
    board=""
}

# The guest's next message in word, id and text; waits through lines that
# come in pieces. 1 when the board stopped or took too long.
next_message() { # DEADLINE
    local line="" piece
    until IFS= read -r -t 1 piece <&"$link_out"; do
        line+=$piece
        kill -0 "$board" 2>/dev/null && [ $SECONDS -le "$1" ] || return 1
    done
    line+=${piece%$'\r'}
    word=${line%% *} line=${line#"$word"} line=${line# }
    id=${line%% *} text=${line#"$id"} text=${text# }
}

# Boots the board for the case list NAME and prints one line a case.
boot() { # NAME APPEND CASE...
    local name=$1 append=$2 deadline=$((SECONDS + 300)) status=0 seen="" word="" id text case
    local traced=0 size
    shift 2
    expected_runs "$@" || return 1
    start_board "$name" "$append" ||
        { echo "qemu did not start (log: $log)"; stop_board; return 1; }
    while next_message $deadline; do
        case $word in
        out) printf '%s\n' "$text" >>"$work/results/$id.out" ;;
        state) printf '%s\n' "$text" >"$work/results/$id.state" ;;
        shown) size=$(stat -c %s "$work/i2c-$name.log")
            tail -c +$((traced + 1)) "$work/i2c-$name.log" | head -c $((size - traced)) \
                >"$work/results/$id.i2c"
            traced=$size
            report_case "$id" "$(check_case "$id")" || status=1
            seen+=" $id "
            echo next >&"$link_in" ;;
        fault) echo "the guest failed: $id $text"; status=1 ;;
        done) break ;;
        esac
    done
    [ "$word" = done ] || { tail -n 30 "$work/console-$name.log"; echo "the guest stopped early"; }
    for case in "$@"; do
        [[ $seen == *" ${case%%|*} "* ]] && continue
        echo "the guest did not run ${case%%|*} (console: build-kernel-arm/console-$name.log)"
        status=1
    done
    stop_board
    return $status
}

SECONDS=0
: >"$log"
mkdir -p "$work"
rm -rf "$work/results" && mkdir -p "$work/results"
status=0
prepare_host && build_programs && fetch && unpack_kernel && make_initramfs || {
    echo "=== ARM kernel test FAILED in $SECONDS s"
    exit 1
}
boot screen fbcon=map:9 "${screen_cases[@]}" || status=1
boot console "" "${console_cases[@]}" || status=1
echo "=== ARM kernel test $([ $status = 0 ] && echo passed || echo FAILED) in $SECONDS s"
exit $status

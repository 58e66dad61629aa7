// Panel check: what the frame-buffer driver reports and what norlet-display
// will write to it, the frame buffers the system has, and the panel's power
// and contrast.
//
//   norlet-panel                prints the driver's report, the layout, font and cell
//   norlet-panel --card         also draws the test card: a frame around the edge,
//                               an "F" at the top left and an arrow pointing right
//   norlet-panel --list         lists every frame buffer: driver, size, depth,
//                               the console's use of it, which looks like a panel
//   norlet-panel --off | --on   powers the panel down or up (FBIOBLANK)
//   norlet-panel --contrast N   sets the contrast, 0 to 255, through the panel's
//                               backlight device
//
// The card shows at a glance what is wrong: a mirrored "F" or an arrow
// pointing left (bit order or turn), a slanted or broken frame (row length),
// a light card on dark or the reverse (polarity), nothing at all (the panel is
// not switched on, or another device). The report and the list say in one
// line when the kernel's console draws on the device the program writes. It
// reads the same environment as the program (FRAMEBUFFER, NORLET_MONO_LAYOUT,
// NORLET_ROTATE). Exit status 0 when what was asked succeeded, 1 when the
// device, the list or the backlight could not be used or the driver refused,
// 2 on wrong usage.
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <iterator>
#include <sys/ioctl.h>
#include <unistd.h>

#include "bdf-reader.h"
#include "font-handler.h"
#include "frame-format.h"
#include "mmap.h"
#include "panel-sysfs.h"

namespace
{

// The largest frame --on reads and writes back (a 4K display at 32 bpp).
constexpr uint64_t max_redraw = 64 << 20;

constexpr const char *visual_names[] = {
    "MONO01", "MONO10", "TRUECOLOR", "PSEUDOCOLOR", "DIRECTCOLOR", "STATIC_PSEUDOCOLOR", "FOURCC"};

const char *visual_name(uint32_t visual)
{
    return visual < std::size(visual_names) ? visual_names[visual] : "unknown";
}

void print_driver(const PanelFacts &facts)
{
    const fb_var_screeninfo &var = *facts.var;
    std::printf("device: %s\n", facts.device);
    if (facts.fix) {
        std::printf("driver: \"%.16s\", visual %s (%u), type %u\n", facts.fix->id,
                    visual_name(facts.fix->visual), facts.fix->visual, facts.fix->type);
        std::printf("line length: %u bytes, memory %u bytes\n", facts.fix->line_length,
                    facts.fix->smem_len);
    } else {
        std::printf("driver: no answer to FBIOGET_FSCREENINFO (id, visual, line length)\n");
    }
    std::printf("geometry: %u x %u, virtual %u x %u\n", var.xres, var.yres, var.xres_virtual,
                var.yres_virtual);
    std::printf("bits per pixel: %u, grayscale %u, nonstd %u\n", var.bits_per_pixel, var.grayscale,
                var.nonstd);
    std::printf("fields (offset/length): red %u/%u, green %u/%u, blue %u/%u, transp %u/%u\n",
                var.red.offset, var.red.length, var.green.offset, var.green.length, var.blue.offset,
                var.blue.length, var.transp.offset, var.transp.length);
}

void print_layout(const PanelFacts &facts)
{
    const FrameFormat &format = *facts.format;
    if (format.line_length == 0) {
        std::printf("layout: 1 bit a pixel, leftmost in the most significant bit, "
                    "rows %u bits apart\n",
                    format.columns);
    } else {
        std::printf("layout: %u bit%s a pixel, %s, rows %llu bytes apart, ink 0x%x\n",
                    format.bits_per_pixel, format.bits_per_pixel == 1 ? "" : "s",
                    format.bits_per_pixel >= 8
                        ? (format.low_bits_first ? "low byte first" : "high byte first")
                    : format.low_bits_first ? "leftmost in bit 0"
                                            : "leftmost in the most significant bit",
                    static_cast<unsigned long long>(format.line_length), format.ink);
    }
    uint32_t degrees = 90 * (format.quarter_turns % 4);
    if (degrees == 0)
        std::printf("turned: no\n");
    else
        std::printf("turned: %u degrees%s\n", degrees, degrees == 180 ? "" : " clockwise");
    std::printf("write: %llu bytes\n", static_cast<unsigned long long>(facts.write_size));
    // Packed rows on a driver that pads its rows shear every row but the first.
    const fb_fix_screeninfo *fix = facts.fix;
    if (format.line_length == 0 && fix && fix->line_length &&
        uint64_t{fix->line_length} * 8 != format.columns)
        std::printf("note: the driver's rows are %u bytes long; if the text is sheared, try "
                    "NORLET_MONO_LAYOUT=msb, or lsb if each group of 8 pixels is mirrored\n",
                    fix->line_length);
}

void print_font(const PanelFacts &facts)
{
    std::printf("font: %s (panel class %d)\n", facts.font_path, facts.panel_class);
    if (load_font(facts.font_path) == 0)
        std::printf("cell: %d x %d\n", current_font.width, current_font.height);
    release_bdf_font();
}

void fill(Canvas *canvas, int64_t x, int64_t y, int64_t width, int64_t height)
{
    for (int64_t row = y; row < y + height; ++row)
        for (int64_t column = x; column < x + width; ++column)
            mmap_set_pixel(canvas, column, row, true);
}

// The test card on the visible width x height: a frame around the edge, an
// "F" in the left half and an arrow pointing right in the right half.
void draw_card(Canvas *canvas, int64_t width, int64_t height)
{
    fill(canvas, 0, 0, width, 1);
    fill(canvas, 0, height - 1, width, 1);
    fill(canvas, 0, 0, 1, height);
    fill(canvas, width - 1, 0, 1, height);
    int64_t size = (height < width / 2 ? height : width / 2) * 2 / 3;
    int64_t stroke = size / 8 > 1 ? size / 8 : 1, top = (height - size) / 2;
    int64_t left = width / 4 - size / 3;
    fill(canvas, left, top, stroke, size);
    fill(canvas, left, top, size * 2 / 3, stroke);
    fill(canvas, left, top + size / 2 - stroke / 2, size / 2, stroke);
    int64_t middle = height / 2, tip = width - width / 8, head = size / 3;
    fill(canvas, width / 2 + width / 16, middle - stroke / 2, tip - width / 2 - width / 16, stroke);
    for (int64_t i = 0; i <= head; ++i) {
        fill(canvas, tip - i, middle - i - stroke / 2, stroke, stroke);
        fill(canvas, tip - i, middle + i - stroke / 2, stroke, stroke);
    }
}

int write_card(int fd, uint8_t *frame, const PanelFacts &facts)
{
    Canvas canvas = frame_canvas(frame);
    mmap_clear(&canvas);
    // Turned by 90 or 270 degrees the card is drawn on the panel as turned.
    draw_card(&canvas, facts.width, facts.height);
    if (write_frame(fd, &canvas, frame) != 0) {
        std::printf("card: the write failed (errno %d)\n", errno);
        return 1;
    }
    std::printf("card: written\n");
    return 0;
}

// One line when the kernel's console draws on frame buffer index: its text
// and cursor land on the panel between the program's frames.
void warn_console(const ConsoleState &state, int index)
{
    if (!console_draws_on(state, index)) return;
    std::printf("console: the kernel's console draws on fb%d too, its text and cursor over the "
                "program's; keep it off with fbcon=map:9 on the kernel command line (map:N puts "
                "it on frame buffer N), or unbind it: echo 0 > /sys/class/vtconsole/vtcon%d/bind\n",
                index, state.fbcon_vtcon);
}

// The consoles of a mask as ranges ("1-63", "1,3-4"); "-" for none.
void print_consoles(uint64_t mask)
{
    char text[256] = "-"; // 32 ranges of at most 6 characters fit
    size_t used = 0;
    for (int first = 0; first < 64; ++first) {
        if (!(mask >> first & 1)) continue;
        int last = first;
        while (last < 63 && (mask >> (last + 1) & 1))
            ++last;
        const char *comma = used ? "," : "";
        int n = last > first
                    ? std::snprintf(text + used, sizeof text - used, "%s%d-%d", comma, first + 1,
                                    last + 1)
                    : std::snprintf(text + used, sizeof text - used, "%s%d", comma, first + 1);
        used += static_cast<size_t>(n);
        first = last;
    }
    std::printf("%-9s", text);
}

bool small_panel(const SysfsFrameBuffer &fb)
{
    bool small = fb.width && fb.height && fb.width <= 320 && fb.height <= 240;
    return small || frame_panel_driver(fb.id, sizeof fb.id);
}

void print_frame_buffer(const SysfsFrameBuffer &fb, const ConsoleState &console)
{
    char name[40], size[32] = "?";
    std::snprintf(name, sizeof name, "\"%s\"", fb.id);
    if (fb.width && fb.height) std::snprintf(size, sizeof size, "%u x %u", fb.width, fb.height);
    std::printf("/dev/fb%-2d  %-18s %-12s %-4u %-6s ", fb.index, name, size, fb.bits_per_pixel,
                frame_driver_known(fb.id, sizeof fb.id) ? "yes" : "no");
    if (console.answered)
        print_consoles(console.mapped[fb.index]);
    else
        std::printf("%-9s", "?");
    std::printf(" %s\n", small_panel(fb) ? "yes" : "no");
}

// The console's state, asked through the program's device or, when that
// does not open, any listed one.
ConsoleState console_through_any(const char *device, const SysfsFrameBuffer *list, int count)
{
    int fd = open(device, O_RDONLY);
    for (int i = 0; fd < 0 && i < count; ++i) {
        char path[32];
        std::snprintf(path, sizeof path, "/dev/fb%d", list[i].index);
        fd = open(path, O_RDONLY);
    }
    if (fd < 0) return {};
    ConsoleState state = console_state(fd);
    close(fd);
    return state;
}

// fbcon registers its vtconsole when it first takes the consoles over.
void print_fbcon(const ConsoleState &state)
{
    if (state.fbcon_vtcon < 0)
        std::printf("fbcon: not bound\n");
    else
        std::printf("fbcon: %s (vtcon%d)\n", state.fbcon_bound ? "bound" : "not bound",
                    state.fbcon_vtcon);
}

// Says where the program writes and, when that is no small panel, which
// frame buffer looks like one.
void print_own_device(const char *device, int own, const SysfsFrameBuffer *list, int count)
{
    std::printf("norlet-display writes to %s\n", device);
    const SysfsFrameBuffer *panel = nullptr;
    for (int i = 0; i < count; ++i) {
        if (list[i].index == own && small_panel(list[i])) return;
        if (!panel && small_panel(list[i])) panel = &list[i];
    }
    if (panel)
        std::printf("note: /dev/fb%d looks like the panel; FRAMEBUFFER=/dev/fb%d writes there\n",
                    panel->index, panel->index);
}

int list_frame_buffers()
{
    static SysfsFrameBuffer list[FB_MAX];
    int count = sysfs_frame_buffers(list);
    if (count <= 0) {
        std::printf("no frame buffer: /sys/class/graphics lists none\n");
        return 1;
    }
    const char *device = frame_settings_from_environment().device;
    int own = frame_buffer_index(device);
    ConsoleState console = console_through_any(device, list, count);
    std::printf("device     driver id          size         bpp  known  consoles  small panel\n");
    for (int i = 0; i < count; ++i)
        print_frame_buffer(list[i], console);
    print_fbcon(console);
    print_own_device(device, own, list, count);
    warn_console(console, own);
    return 0;
}

// Writes what the frame buffer holds back to it in one write, so that a
// driver that lost the picture while powered down shows it again (the bochs
// DRM driver's video memory comes back black); where the driver cannot say
// the frame's size (line_length x yres) or read it whole, nothing is written.
void redraw(int fd)
{
    fb_var_screeninfo var;
    fb_fix_screeninfo fix;
    if (ioctl(fd, FBIOGET_VSCREENINFO, &var) != 0 || ioctl(fd, FBIOGET_FSCREENINFO, &fix) != 0)
        return;
    uint64_t size = uint64_t{fix.line_length} * var.yres;
    if (size == 0 || size > max_redraw) return;
    auto *frame = static_cast<uint8_t *>(std::malloc(size));
    if (frame && read(fd, frame, size) == static_cast<ssize_t>(size) &&
        lseek(fd, 0, SEEK_SET) == 0 && write(fd, frame, size) == static_cast<ssize_t>(size))
        fsync(fd);
    std::free(frame);
}

// FBIOBLANK: the panel powered down, or switched on and its picture shown.
int set_power(bool on)
{
    const char *device = frame_settings_from_environment().device;
    int fd = open(device, O_RDWR);
    if (fd < 0) {
        std::printf("norlet-panel: cannot use the frame buffer (errno %d)\n", errno);
        return 1;
    }
    int result = ioctl(fd, FBIOBLANK, on ? FB_BLANK_UNBLANK : FB_BLANK_POWERDOWN);
    int error = errno;
    if (result == 0 && on) redraw(fd);
    close(fd);
    if (result != 0) {
        std::printf("power: the driver of %s does not switch the panel %s (errno %d)\n", device,
                    on ? "on" : "off", error);
        return 1;
    }
    std::printf("power: %s %s\n", device, on ? "on" : "off");
    return 0;
}

// The contrast through the backlight device of the panel's driver (the
// SSD130x drivers register one whose brightness is the contrast).
int set_contrast(int level)
{
    const char *device = frame_settings_from_environment().device;
    int index = frame_buffer_index(device);
    char folder[400], path[440], text[16];
    if (index < 0 || !panel_backlight(index, folder, sizeof folder)) {
        std::printf("contrast: %s has no backlight device, so its driver offers no contrast\n",
                    device);
        return 1;
    }
    std::snprintf(path, sizeof path, "%s/max_brightness", folder);
    unsigned long most = 0;
    if (sysfs_read(path, text, sizeof text)) most = std::strtoul(text, nullptr, 10);
    if (static_cast<unsigned long>(level) > most) {
        std::printf("contrast: %s takes 0 to %lu\n", folder, most);
        return 1;
    }
    std::snprintf(path, sizeof path, "%s/brightness", folder);
    std::snprintf(text, sizeof text, "%d\n", level);
    if (!sysfs_write(path, text)) {
        std::printf("contrast: %s refused %d (errno %d)\n", path, level, errno);
        return 1;
    }
    std::printf("contrast: %d of 0 to %lu, %s\n", level, most, folder);
    return 0;
}

int report(bool card)
{
    int fd = -1;
    uint8_t *frame = nullptr;
    if (init_frame_buffer(&fd, &frame) != 0) {
        std::printf("norlet-panel: cannot use the frame buffer (errno %d)\n", errno);
        return 1;
    }
    PanelFacts facts = panel_facts();
    print_driver(facts);
    print_layout(facts);
    print_font(facts);
    warn_console(console_state(fd), frame_buffer_index(facts.device));
    int status = card ? write_card(fd, frame, facts) : 0;
    exit_frame_buffer(&fd, frame);
    return status;
}

// A contrast level: 0 to 255 in decimal digits; -1 otherwise.
int contrast_level(const char *text)
{
    size_t length = std::strlen(text);
    if (length == 0 || length > 3 || std::strspn(text, "0123456789") != length) return -1;
    int level = std::atoi(text);
    return level <= 255 ? level : -1;
}

} // namespace

int main(int argc, char **argv)
{
    const char *option = argc == 2 ? argv[1] : "";
    if (argc == 1) return report(false);
    if (std::strcmp(option, "--card") == 0) return report(true);
    if (std::strcmp(option, "--list") == 0) return list_frame_buffers();
    if (std::strcmp(option, "--off") == 0) return set_power(false);
    if (std::strcmp(option, "--on") == 0) return set_power(true);
    int level = argc == 3 && std::strcmp(argv[1], "--contrast") == 0 ? contrast_level(argv[2]) : -1;
    if (level >= 0) return set_contrast(level);
    std::printf("usage: %s [--card | --list | --off | --on | --contrast 0-255]\n",
                argc > 0 && argv[0] ? argv[0] : "norlet-panel");
    return 2;
}

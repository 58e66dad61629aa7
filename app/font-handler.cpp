// The display pass over the frame-buffer device.
#include "font-handler.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <linux/fb.h>
#include <ctime>
#include <sys/ioctl.h>
#include <unistd.h>

#include "bdf-reader.h"
#include "font.h"
#include "frame-format.h"
#include "mmap.h"
#include "text-pass.h"

namespace
{

// Font file for each panel class; class 0 is every unlisted size.
constexpr const char *font_paths[] = {
    "/usr/share/fonts/6x16.bdf",  // 0: any other size
    "/usr/share/fonts/6x12.bdf",  // 1: 132 x 48
    "/usr/share/fonts/6x16.bdf",  // 2: 128 x 64
    "/usr/share/fonts/12x32.bdf", // 3: 256 x 128
};

// The device path: FRAMEBUFFER, or /dev/fb0.
const char *framebuffer_device = "/dev/fb0";

// The geometry the driver reported.
fb_var_screeninfo lcd_info;
static_assert(sizeof(fb_var_screeninfo) == 160, "the kernel's screen info record");

// The driver's fixed information, when it answered the query (fix_known).
fb_fix_screeninfo lcd_fix;
bool fix_known;

// How the frame is laid out, and the canvas's own pixels when they are not
// the frame (null otherwise).
FrameFormat frame_format;
uint8_t *canvas_pixels;

// Bytes the frame was allocated with.
uint64_t frame_bytes;

// Bytes in one frame as the device takes it: for packed rows
// xres_virtual * yres * bpp / 8, the product formed in 32 bits; never more
// than the driver's smem_len.
uint64_t write_screen_size;

// Panel class, the index into font_paths: of the panel as the text sees it.
int32_t lcd_res;

int32_t classify_panel(uint32_t xres, uint32_t yres)
{
    if (xres == 132) return yres == 48 ? 1 : 0;
    if (xres == 128) return yres == 64 ? 2 : 0;
    if (xres == 256) return yres == 128 ? 3 : 0;
    return 0;
}

uint8_t *zeroed(uint64_t bytes)
{
    if (bytes > SIZE_MAX) {
        errno = ENOMEM;
        return nullptr;
    }
    return static_cast<uint8_t *>(std::calloc(bytes ? bytes : 1, 1));
}

// The panel as the text is laid out on it: xres_virtual x yres, or turned a
// quarter either way, yres wide and xres high.
bool on_its_side()
{
    return frame_format.quarter_turns % 2 == 1;
}

uint32_t text_width()
{
    return on_its_side() ? lcd_info.yres : lcd_info.xres_virtual;
}

uint32_t text_height()
{
    return on_its_side() ? lcd_info.xres : lcd_info.yres;
}

// The width of it the panel shows: xres, or yres turned.
uint32_t shown_width()
{
    return on_its_side() ? lcd_info.yres : lcd_info.xres;
}

// The width of the canvas drawn on. A canvas of its own has whole bytes a
// row, so that no pixel shares its bit with another row's (at a width of 132,
// pixels 128 to 131 of a row are the first four of the next in the frame's
// own addressing).
int32_t canvas_width()
{
    uint32_t width = text_width();
    if (layout_is_canvas(&frame_format) || width > INT32_MAX - 7)
        return static_cast<int32_t>(width);
    return static_cast<int32_t>((width + 7) / 8 * 8);
}

// The frame holds what the device takes; with packed rows it also holds every
// byte the canvas (xres_virtual x yres) can touch, so drawing or turning never
// leaves it, and bytes the canvas does not cover stay zero. A format that is
// not the canvas's own gets a canvas of its own. A geometry the canvas cannot
// represent, or a frame this machine cannot address, is refused like a failed
// allocation (errno ENOMEM).
uint8_t *allocate_frame()
{
    canvas_pixels = nullptr;
    if (lcd_info.xres_virtual > INT32_MAX || lcd_info.yres > INT32_MAX ||
        text_height() > INT32_MAX) {
        errno = ENOMEM;
        return nullptr;
    }
    uint64_t canvas_bytes = mmap_pixel_bytes(lcd_info.xres_virtual, lcd_info.yres);
    frame_bytes = write_screen_size;
    if (frame_format.line_length == 0 && canvas_bytes > frame_bytes) frame_bytes = canvas_bytes;
    uint8_t *frame = zeroed(frame_bytes);
    if (!frame || layout_is_canvas(&frame_format)) return frame;
    canvas_pixels = zeroed(mmap_pixel_bytes(canvas_width(), text_height()));
    if (canvas_pixels) return frame;
    std::free(frame);
    errno = ENOMEM;
    return nullptr;
}

// Asks for the driver's fixed information into lcd_fix (zeroed when refused).
// A driver may refuse; errno stays as it was, so a later message about a
// short write reports what it would have without the question.
bool ask_fixed_information(int fd)
{
    int error = errno;
    bool answered = ioctl(fd, FBIOGET_FSCREENINFO, &lcd_fix) == 0;
    if (!answered) std::memset(&lcd_fix, 0, sizeof lcd_fix);
    errno = error;
    return answered;
}

// Prints a failure message and closes the device, keeping the failure's errno.
int fail_and_close(int fd, const char *message)
{
    int error = errno;
    std::printf(message, error);
    close(fd);
    errno = error;
    return 1;
}

// Makes an update the driver defers happen before the device is closed, so
// that a program that writes and exits at once still shows its frame.
// fsync runs the driver's deferred I/O where the kernel has it; a kernel
// without it refuses, which changes nothing.
//
// Since "fbdev: flush deferred work in fb_deferred_io_fsync()" (6.8 and the
// stable kernels of January 2024) fsync runs the pending update and waits for
// it. Kernels before "fbdev: Fix invalid page access after closing deferred
// I/O devices" (6.2, January 2023) never cancelled the update on close. In
// between, fsync only queued the update to run at once, on this CPU's worker,
// and did not wait, while the last close cancelled an update still queued
// (cancel_delayed_work_sync): one already running is waited for. So after an
// fsync that worked, the process sleeps a millisecond, giving the CPU to the
// worker so that the update has started before the close.
void flush_deferred_update(int fd)
{
    int error = errno;
    if (fsync(fd) == 0) {
        constexpr timespec pause = {0, 1000000};
        nanosleep(&pause, nullptr);
    }
    errno = error;
}

} // namespace

int init_frame_buffer(int *fd, uint8_t **frame)
{
    FrameSettings settings = frame_settings_from_environment();
    framebuffer_device = settings.device;
    *fd = open(framebuffer_device, O_RDWR);
    if (*fd < 0) {
        int error = errno;
        std::fputs("Dravik: error opening framebuffer\n", stdout);
        errno = error;
        return 1;
    }
    if (ioctl(*fd, FBIOGET_VSCREENINFO, &lcd_info) != 0)
        return fail_and_close(*fd, "Dravik: IOCTL Failed!\n");
    fix_known = ask_fixed_information(*fd);

    const fb_fix_screeninfo *fix = fix_known ? &lcd_fix : nullptr;
    frame_format = frame_format_describe(&lcd_info, fix, &settings);
    write_screen_size = frame_write_size(&frame_format, &lcd_info, fix);
    lcd_res = classify_panel(shown_width(), text_height());

    uint8_t *allocated = allocate_frame();
    if (!allocated) return fail_and_close(*fd, "Dravik: error allocating memory. error - %i\n");
    *frame = allocated;
    return 0;
}

Canvas frame_canvas(uint8_t *frame)
{
    return {canvas_pixels ? canvas_pixels : frame, canvas_width(),
            static_cast<int32_t>(text_height()), 0, 0};
}

int write_frame(int fd, const Canvas *canvas, uint8_t *frame)
{
    if (canvas->buffer != frame) layout_fill(&frame_format, canvas, frame, frame_bytes);
    // A DRM panel stays dark until its mode is set; unblanking sets it. A
    // driver that refuses changes nothing.
    if (fix_known) {
        int error = errno;
        ioctl(fd, FBIOBLANK, FB_BLANK_UNBLANK);
        errno = error;
    }
    sync();
    ssize_t written = write(fd, frame, write_screen_size);
    if (written < 0 || static_cast<uint64_t>(written) != write_screen_size) return 1;
    flush_deferred_update(fd);
    return 0;
}

int exit_frame_buffer(int *fd, uint8_t *frame)
{
    std::free(canvas_pixels);
    std::free(frame);
    close(*fd);
    return 0;
}

PanelFacts panel_facts()
{
    return {framebuffer_device, &lcd_info,         fix_known ? &lcd_fix : nullptr,
            &frame_format,      write_screen_size, shown_width(),
            text_height(),      lcd_res,           font_paths[lcd_res]};
}

int print_string(const char *text)
{
    int fd = -1;
    uint8_t *frame = nullptr;
    if (init_frame_buffer(&fd, &frame) != 0) {
        std::printf("Dravik: could not open frame buffer device. Error - %i", errno);
        return 1;
    }

    Canvas canvas = frame_canvas(frame);
    mmap_clear(&canvas);
    // A font that fails to load explains itself; the frame is still written,
    // blank (reverse video would otherwise fill the cells a missing font
    // leaves blank).
    if (load_font(font_paths[lcd_res]) == 0) text_pass_draw(&canvas, text, text_width());

    int result = write_frame(fd, &canvas, frame);
    int error = errno;
    // The frame and the font are released on both paths.
    exit_frame_buffer(&fd, frame);
    font_release();
    if (result == 0) return 0;
    std::printf("Dravik: IOCTL Failed!. Error - %i\n", error);
    return 1;
}

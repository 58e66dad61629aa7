// The display pass over the frame-buffer device.
#include "font-handler.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <linux/fb.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include "bdf-reader.h"
#include "font.h"
#include "mmap.h"

namespace
{

constexpr int32_t columns_per_line = 21;

// Font file for each panel class; class 0 is every unlisted size.
constexpr const char *font_paths[] = {
    "/usr/share/fonts/6x16.bdf",  // 0: any other size
    "/usr/share/fonts/6x12.bdf",  // 1: 132 x 48
    "/usr/share/fonts/6x16.bdf",  // 2: 128 x 64
    "/usr/share/fonts/12x32.bdf", // 3: 256 x 128
};

const char *const framebuffer_device = "/dev/fb0";

// The geometry the driver reported.
fb_var_screeninfo lcd_info;
static_assert(sizeof(fb_var_screeninfo) == 160, "the kernel's screen info record");

// Bytes in one frame as the device takes it: xres_virtual * yres * bpp / 8,
// the product formed in 32 bits.
uint32_t write_screen_size;

// Panel class, the index into font_paths.
int32_t lcd_res;

int32_t classify_panel(uint32_t xres, uint32_t yres)
{
    if (xres == 132) return yres == 48 ? 1 : 0;
    if (xres == 128) return yres == 64 ? 2 : 0;
    if (xres == 256) return yres == 128 ? 3 : 0;
    return 0;
}

// The frame holds what the device takes and, whatever the driver reports,
// every byte the one-bit canvas (xres_virtual x yres) can touch, so drawing
// never leaves it. Bytes the canvas does not cover stay zero. A geometry the
// canvas cannot represent, or a frame this machine cannot address, is
// refused like a failed allocation (errno ENOMEM).
uint8_t *allocate_frame()
{
    if (lcd_info.xres_virtual > INT32_MAX || lcd_info.yres > INT32_MAX) {
        errno = ENOMEM;
        return nullptr;
    }
    uint64_t canvas_bytes = mmap_pixel_bytes(lcd_info.xres_virtual, lcd_info.yres);
    uint64_t bytes = canvas_bytes > write_screen_size ? canvas_bytes : write_screen_size;
    if (bytes > SIZE_MAX) {
        errno = ENOMEM;
        return nullptr;
    }
    return static_cast<uint8_t *>(std::calloc(bytes ? bytes : 1, 1));
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

// Draws the text, breaking a line after every 21 characters; a newline in
// the text starts a new count.
void draw_text(Canvas *canvas, const char *text)
{
    int32_t column = 0;
    for (size_t i = 0, n = std::strlen(text); i < n; ++i) {
        char c = text[i];
        font_putc(canvas, static_cast<signed char>(c));
        if (c == '\n') {
            column = 0;
        } else if (++column == columns_per_line) {
            font_putc(canvas, '\n');
            column = 0;
        }
    }
}

} // namespace

int init_frame_buffer(int *fd, uint8_t **frame)
{
    *fd = open(framebuffer_device, O_RDWR);
    if (*fd < 0) {
        int error = errno;
        std::fputs("Dravik: error opening framebuffer\n", stdout);
        errno = error;
        return 1;
    }
    if (ioctl(*fd, FBIOGET_VSCREENINFO, &lcd_info) != 0)
        return fail_and_close(*fd, "Dravik: IOCTL Failed!\n");

    write_screen_size = (lcd_info.xres_virtual * lcd_info.yres * lcd_info.bits_per_pixel) >> 3;
    lcd_res = classify_panel(lcd_info.xres, lcd_info.yres);

    uint8_t *allocated = allocate_frame();
    if (!allocated) return fail_and_close(*fd, "Dravik: error allocating memory. error - %i\n");
    *frame = allocated;
    return 0;
}

int exit_frame_buffer(int *fd, uint8_t *frame)
{
    std::free(frame);
    close(*fd);
    return 0;
}

int print_string(const char *text)
{
    int fd = -1;
    uint8_t *frame = nullptr;
    if (init_frame_buffer(&fd, &frame) != 0) {
        std::printf("Dravik: could not open frame buffer device. Error - %i", errno);
        return 1;
    }

    Canvas canvas = {frame, static_cast<int32_t>(lcd_info.xres_virtual),
                     static_cast<int32_t>(lcd_info.yres), 0, 0};
    mmap_clear(&canvas);
    // A font that fails to load explains itself; the frame is still drawn
    // (blank cells) and written.
    load_font(font_paths[lcd_res]);
    draw_text(&canvas, text);

    sync();
    ssize_t written = write(fd, frame, write_screen_size);
    int error = errno;
    // The frame and the font are released on both paths.
    exit_frame_buffer(&fd, frame);
    font_release();
    if (written >= 0 && static_cast<size_t>(written) == write_screen_size) return 0;
    std::printf("Dravik: IOCTL Failed!. Error - %i\n", error);
    return 1;
}

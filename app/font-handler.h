// The display pass: frame-buffer device, panel classes, the text pass and the
// one write of the frame.
#ifndef NORLET_FONT_HANDLER_H
#define NORLET_FONT_HANDLER_H

#include <cstdint>
#include <linux/fb.h>

#include "layout.h"
#include "mmap.h"

// Draws text (NUL-terminated, not null) on a cleared frame in the panel's
// font with the text pass (text-pass.h: a line broken after 21 characters,
// terminal escape sequences for reverse video and line sizes), turned as
// NORLET_ROTATE says, and writes the frame to the device in one write. 0 when
// the whole frame was written, 1 on any failure.
int print_string(const char *text);

// Opens the device (FRAMEBUFFER, or /dev/fb0), asks the driver for its
// geometry and, where it answers, its fixed information, works out the frame
// format, classifies the panel and allocates a zeroed frame (and a canvas of
// its own when the format is not the canvas's). 0 on success with *fd and
// *frame set; 1 on failure with the device closed, nothing left allocated and
// *frame untouched (errno is the failure's).
int init_frame_buffer(int *fd, uint8_t **frame);

// The cleared-at-start canvas to draw on: xres_virtual x yres, or yres x xres
// when the panel is turned by 90 or 270 degrees (its width rounded up to
// whole bytes when it is not the frame), over the frame itself when the
// format is the canvas's own. Valid until exit_frame_buffer.
Canvas frame_canvas(uint8_t *frame);

// Lays the canvas out into the frame (when they differ), switches the panel on
// (when the driver answered the fixed query; a refusal is ignored), syncs and
// writes the frame in one write, then has a deferred update of the driver run
// before the device is closed (fsync; a refusal is ignored). 0 when the whole
// frame was written, else 1 with errno the write's.
int write_frame(int fd, const Canvas *canvas, uint8_t *frame);

// Frees the frame and the canvas, then closes the device. Returns 0.
int exit_frame_buffer(int *fd, uint8_t *frame);

// What init_frame_buffer found out, for a report; valid until it runs again.
struct PanelFacts {
    const char *device;
    const fb_var_screeninfo *var;
    const fb_fix_screeninfo *fix; // null when the driver refused the query
    const FrameFormat *format;
    uint64_t write_size;    // bytes of the one write
    uint32_t width, height; // the visible panel as the text is laid out on it:
                            // xres x yres, or yres x xres turned a quarter
    int32_t panel_class;    // of that size: 0 any other, 1 132 x 48, 2 128 x 64,
                            // 3 256 x 128
    const char *font_path;  // the font file of the class
};
PanelFacts panel_facts();

#endif

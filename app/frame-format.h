// What a frame for this panel looks like: the driver's records and the
// user's settings made into one FrameFormat.
#ifndef NORLET_FRAME_FORMAT_H
#define NORLET_FRAME_FORMAT_H

#include <cstddef>
#include <cstdint>
#include <linux/fb.h>

#include "layout.h"

// The layout of a 1-bpp frame.
enum class MonoLayout : uint8_t {
    packed, // leftmost pixel in the most significant bit, rows xres_virtual bits apart
    msb,    // leftmost pixel in the most significant bit, rows line_length bytes apart
    lsb,    // leftmost pixel in bit 0, rows line_length bytes apart
    driver, // what the driver is known to read (packed when it is not known)
};

// The user's choices, from the environment.
struct FrameSettings {
    const char *device;     // FRAMEBUFFER, or "/dev/fb0"
    MonoLayout mono;        // NORLET_MONO_LAYOUT: packed, msb, lsb; driver when unset
    uint32_t quarter_turns; // NORLET_ROTATE / 90: quarter turns clockwise, 0 to 3
};

// Reads FRAMEBUFFER, NORLET_MONO_LAYOUT and NORLET_ROTATE. An empty variable
// counts as unset; a value it does not know is reported in one line on stdout
// and the default is used.
FrameSettings frame_settings_from_environment();

// The format of the frame for a driver that reported var and fix (null: the
// driver refused the fixed-information query), the canvas xres_virtual x yres:
//   - 1 bpp: settings.mono, or the driver's own layout when it is known by its
//     id, else packed rows;
//   - 2 and 4 bpp: packed into bytes as the kernel packs them;
//   - 8, 16, 24 and 32 bpp: one word a pixel in the machine's byte order;
//   - without fix, with a type other than packed pixels, or any other depth:
//     packed rows, one bit a pixel, whatever bits_per_pixel says.
// Rows are fix->line_length bytes apart (when 0, the fewest bytes that hold
// xres_virtual pixels). Ink: every bit of the red, green and blue fields for
// true and direct colour, every bit of the pixel otherwise.
FrameFormat frame_format_describe(const fb_var_screeninfo *var, const fb_fix_screeninfo *fix,
                                  const FrameSettings *settings);

// The number of bytes of one write: the whole frame (for packed rows the
// 32-bit product xres_virtual * yres * bits_per_pixel / 8), never more than
// smem_len when the driver reports one.
uint64_t frame_write_size(const FrameFormat *format, const fb_var_screeninfo *var,
                          const fb_fix_screeninfo *fix);

// The driver's name for the 1-bpp layout it reads, when known by its id.
MonoLayout frame_known_driver(const fb_fix_screeninfo *fix);

// Whether a driver's id (up to size bytes, NUL-terminated when shorter) is
// that of a small panel's driver the program knows (ssd1307fb, cfag12864b,
// the DRM ssd130x, st7571 and st7586, fbtft's monochrome panels).
bool frame_panel_driver(const char *id, size_t size);

// Whether the program knows the driver: a small panel's, or vfb.
bool frame_driver_known(const char *id, size_t size);

// The id of the i-th small panel's driver the program knows; null past the
// last.
const char *frame_panel_driver_id(size_t i);

#endif

// The frame-buffer drivers the fake panel plays (tools/fakefb.cpp) and how
// each one's panel reads the bytes written to it (tools/fbview.cpp): what the
// driver answers to FBIOGET_VSCREENINFO and FBIOGET_FSCREENINFO, whether it
// takes FBIOBLANK, and where a pixel lies in the frame. The values are those
// the kernel's drivers set (Linux 6.1; mainline sets the same).
#ifndef NORLET_PANEL_PROFILES_H
#define NORLET_PANEL_PROFILES_H

#include <array>
#include <bit>
#include <cstdint>
#include <cstring>
#include <linux/fb.h>

// How the panel takes pixel (x, y) from the frame.
enum class PanelReading : uint8_t {
    packed,    // bit 7 - x % 8 of byte x / 8 + xres_virtual * y / 8, 1 = ink
    lsb_first, // bit x % 8 of byte y * line_length + x / 8, 1 = ink
    msb_first, // bit 7 - x % 8 of byte y * line_length + x / 8, 1 = ink
    nonzero,   // the bpp / 8 bytes at y * line_length + x * bpp / 8; ink
               // when any is not 0, in whatever byte order the word is
    grey,      // those bytes as a little-endian word (DRM's XRGB8888 is
               // little-endian on every machine), its 8-bit red, green and
               // blue: ink when the grey (3 * r + 6 * g + b) / 10 is 128 or
               // more (Linux 6.1's drm_fb_xrgb8888_to_mono; mainline weighs
               // 77, 150, 29 / 256)
};

struct Bitfield {
    uint32_t offset, length;
};

// The colour fields of fb_var_screeninfo; names after the DRM formats.
struct PixelFormat {
    Bitfield red, green, blue, transp;
};

constexpr PixelFormat no_format = {};
constexpr PixelFormat mono = {{0, 1}, {0, 1}, {0, 1}, {0, 0}};       // ssd1307fb, cfag12864b
constexpr PixelFormat index8 = {{0, 8}, {0, 8}, {0, 8}, {0, 0}};     // vfb at 1 and 8 bpp
constexpr PixelFormat bgr565 = {{0, 5}, {5, 6}, {11, 5}, {0, 0}};    // vfb at 16 bpp
constexpr PixelFormat bgr888 = {{0, 8}, {8, 8}, {16, 8}, {0, 0}};    // vfb at 24 bpp
constexpr PixelFormat abgr8888 = {{0, 8}, {8, 8}, {16, 8}, {24, 8}}; // vfb at 32 bpp
constexpr PixelFormat xrgb8888 = {{16, 8}, {8, 8}, {0, 8}, {0, 0}};  // DRM fbdev emulation
constexpr PixelFormat rgb565 = {{11, 5}, {5, 6}, {0, 5}, {0, 0}};    // fbtft

// vfb at 1 bpp reads as the kernel's own drawing code (sys_imageblit and
// friends) packs it: pixels fill 32-bit words from the low bit on a
// little-endian machine, from the high bit on a big-endian one
// (FB_SHIFT_HIGH, fb_be_math), so the leftmost pixel is bit 0 or bit 7 of
// its byte.
constexpr PanelReading vfb_mono =
    std::endian::native == std::endian::little ? PanelReading::lsb_first : PanelReading::msb_first;

// smem_len of a driver that reports the frame's own size, line_length * yres.
constexpr uint32_t whole_frame = UINT32_MAX;

struct PanelProfile {
    const char *name;    // FAKEFB_DRIVER, fbview --driver
    const char *id;      // fix.id; null: FBIOGET_FSCREENINFO refused (EINVAL)
    uint32_t visual;     // fix.visual
    uint32_t bpp;        // bits_per_pixel; 0: FAKEFB_BPP as given
    PixelFormat format;  // var.red, green, blue, transp
    uint32_t nonstd;     // var.nonstd
    uint32_t line_align; // line_length: xres * bpp bits rounded up to this many
    uint32_t smem_len;   // fix.smem_len, or whole_frame
    bool blanks;         // FBIOBLANK answered (the driver has fb_blank), else EINVAL
    PanelReading reading;
};

// One row a driver; a driver with a row for each depth (vfb) is chosen by
// FAKEFB_BPP. Every driver but plain reports xres_virtual = xres and
// yres_virtual = yres. Columns: name, fix.id, visual, bpp, colour fields,
// nonstd, line alignment in bits, smem_len, takes FBIOBLANK, reading.
inline constexpr std::array<PanelProfile, 11> panel_profiles = {{
    // The fake as it always was: only the variable query answered.
    {"plain", nullptr, 0, 0, no_format, 0, 0, 0, false, PanelReading::packed},
    // drivers/video/fbdev/ssd1307fb.c (SSD1305/6/7/9 OLEDs)
    {"ssd1307fb", "Solomon SSD1307", FB_VISUAL_MONO10, 1, mono, 0, 8, whole_frame, true,
     PanelReading::lsb_first},
    // drivers/auxdisplay/cfag12864bfb.c (KS0108 LCD); leaves smem_len unset
    {"cfag12864b", "cfag12864b", FB_VISUAL_MONO10, 1, mono, 0, 8, 0, false,
     PanelReading::lsb_first},
    // drivers/video/fbdev/vfb.c, rows of 32-bit words in 1 MiB of memory
    {"vfb", "Virtual FB", FB_VISUAL_MONO01, 1, index8, 0, 32, 1 << 20, false, vfb_mono},
    {"vfb", "Virtual FB", FB_VISUAL_PSEUDOCOLOR, 8, index8, 0, 32, 1 << 20, false,
     PanelReading::nonzero},
    {"vfb", "Virtual FB", FB_VISUAL_TRUECOLOR, 16, bgr565, 0, 32, 1 << 20, false,
     PanelReading::nonzero},
    {"vfb", "Virtual FB", FB_VISUAL_TRUECOLOR, 24, bgr888, 0, 32, 1 << 20, false,
     PanelReading::nonzero},
    {"vfb", "Virtual FB", FB_VISUAL_TRUECOLOR, 32, abgr8888, 0, 32, 1 << 20, false,
     PanelReading::nonzero},
    // drivers/gpu/drm/solomon/ssd130x.c through the DRM fbdev emulation
    {"ssd130x", "ssd130xdrmfb", FB_VISUAL_TRUECOLOR, 32, xrgb8888, 0, 8, whole_frame, true,
     PanelReading::grey},
    // drivers/gpu/drm/sitronix/st7571.c (ST7567, ST7571), the same way
    {"st7571", "st7571drmfb", FB_VISUAL_TRUECOLOR, 32, xrgb8888, 0, 8, whole_frame, true,
     PanelReading::grey},
    // drivers/staging/fbtft/fb_ssd1306.c and the other fbtft panels
    {"fbtft", "fb_ssd1306", FB_VISUAL_TRUECOLOR, 16, rgb565, 1, 8, whole_frame, true,
     PanelReading::nonzero},
}};

// The row of driver name for bpp bits per pixel: a driver with one row takes
// any bpp; of one with a row a depth, the first at or over bpp (vfb rounds a
// depth up so). Null when there is none.
inline const PanelProfile *panel_find(const char *name, uint32_t bpp)
{
    const PanelProfile *first = nullptr;
    int rows = 0;
    for (const PanelProfile &row : panel_profiles) {
        if (std::strcmp(row.name, name) != 0) continue;
        if (!first) first = &row;
        ++rows;
    }
    if (rows == 1) return first;
    for (const PanelProfile &row : panel_profiles)
        if (std::strcmp(row.name, name) == 0 && row.bpp >= bpp) return &row;
    return nullptr;
}

// fix.line_length for xres pixels of bpp bits (0 for plain, which has none).
inline uint64_t panel_line_length(const PanelProfile &profile, uint32_t xres, uint32_t bpp)
{
    uint64_t align = profile.line_align;
    return align ? (uint64_t{xres} * bpp + align - 1) / align * align / 8 : 0;
}

// fix.smem_len for a frame of xres x yres pixels of bpp bits.
inline uint64_t panel_smem_len(const PanelProfile &profile, uint32_t xres, uint32_t yres,
                               uint32_t bpp)
{
    if (profile.smem_len != whole_frame) return profile.smem_len;
    return panel_line_length(profile, xres, bpp) * yres;
}

#endif

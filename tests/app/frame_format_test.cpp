// The frame format made of what a driver reports and what the user set: one
// row per rule, on a 132 x 48 panel with a virtual width of 136, so that
// packed rows (136 bits), the driver's rows and the fewest bytes that hold a
// row all differ.
#include <gtest/gtest.h>

#include <bit>
#include <cstring>

#include "frame-format.h"

namespace
{

constexpr bool little = std::endian::native == std::endian::little;

struct Reported {
    uint32_t bpp, visual;
    const char *id; // null: the driver refuses the fixed query
    uint32_t line_length, smem_len;
    fb_bitfield red, green, blue;
    uint32_t grayscale, nonstd, type;
};
// What the frame must be; line_length 0 is packed rows.
struct Expected {
    uint32_t bpp;
    uint64_t line_length;
    uint32_t ink;
    bool low_bits_first;
    uint64_t write_size;
};
struct Row {
    const char *name;
    Reported driver;
    MonoLayout mono;
    Expected frame;
};

constexpr fb_bitfield no{}, r5{11, 5, 0}, g6{5, 6, 0}, b5{0, 5, 0}, r8{16, 8, 0}, g8{8, 8, 0},
    b8{0, 8, 0};
constexpr uint32_t mono = FB_VISUAL_MONO10, tc = FB_VISUAL_TRUECOLOR, packed = 0,
                   planes = FB_TYPE_PLANES, reversed = FB_NONSTD_REV_PIX_IN_B;
constexpr MonoLayout driver = MonoLayout::driver;

const Row rows[] = {
    {"no fixed answer",
     {1, 0, nullptr, 0, 0, no, no, no, 0, 0, packed},
     driver,
     {1, 0, 1, false, 816}},
    {"no fixed answer at 32 bpp",
     {32, 0, nullptr, 0, 0, no, no, no, 0, 0, packed},
     driver,
     {1, 0, 1, false, 26112}},
    {"planes", {8, 3, "vga16", 0, 0, no, no, no, 0, 0, planes}, driver, {1, 0, 1, false, 6528}},
    {"unknown 1-bpp driver",
     {1, mono, "other", 20, 0, no, no, no, 0, 0, packed},
     driver,
     {1, 0, 1, false, 816}},
    {"ssd1307fb",
     {1, mono, "Solomon SSD1307", 17, 816, no, no, no, 0, 0, packed},
     driver,
     {1, 17, 1, true, 816}},
    {"cfag12864b",
     {1, mono, "cfag12864b", 17, 0, no, no, no, 0, 0, packed},
     driver,
     {1, 17, 1, true, 816}},
    {"vfb",
     {1, 0, "Virtual FB", 20, 1 << 20, no, no, no, 0, 0, packed},
     driver,
     {1, 20, 1, little, 960}},
    {"msb chosen",
     {1, mono, "other", 20, 0, no, no, no, 0, 0, packed},
     MonoLayout::msb,
     {1, 20, 1, false, 960}},
    {"lsb chosen, no fixed answer",
     {1, 0, nullptr, 0, 0, no, no, no, 0, 0, packed},
     MonoLayout::lsb,
     {1, 17, 1, true, 816}},
    {"packed chosen",
     {1, mono, "cfag12864b", 17, 0, no, no, no, 0, 0, packed},
     MonoLayout::packed,
     {1, 0, 1, false, 816}},
    {"2 bpp", {2, 3, "lcd", 34, 0, no, no, no, 0, 0, packed}, driver, {2, 34, 3, little, 1632}},
    {"4 bpp reversed",
     {4, 3, "lcd", 68, 0, no, no, no, 0, reversed, packed},
     driver,
     {4, 68, 15, !little, 3264}},
    {"RGB565 capped",
     {16, tc, "fb_ssd1306", 0, 13000, r5, g6, b5, 0, 0, packed},
     driver,
     {16, 272, 0xFFFF, little, 13000}},
    {"XRGB8888",
     {32, tc, "ssd130xdrmfb", 528, 25344, r8, g8, b8, 0, 0, packed},
     driver,
     {32, 528, 0xFFFFFF, little, 25344}},
    {"fields cut",
     {24, 4, "x", 408, 0, {16, 16, 0}, {40, 8, 0}, {0, 4, 0}, 0, 0, packed},
     driver,
     {24, 408, 0xFF000F, little, 19584}},
    {"a field longer than the word",
     {32, tc, "x", 544, 0, {0, 40, 0}, no, {0, 4, 0}, 0, 0, packed},
     driver,
     {32, 544, 0xFFFFFFFF, little, 26112}},
    {"a field in the top bit",
     {32, tc, "x", 544, 0, {31, 4, 0}, no, {0, 4, 0}, 0, 0, packed},
     driver,
     {32, 544, 0x8000000F, little, 26112}},
    {"no fields",
     {32, tc, "x", 544, 0, no, no, no, 0, 0, packed},
     driver,
     {32, 544, 0xFFFFFFFF, little, 26112}},
    {"grey", {8, tc, "x", 136, 0, r8, g8, b8, 1, 0, packed}, driver, {8, 136, 0xFF, little, 6528}},
    {"pseudocolour",
     {8, 3, "x", 136, 0, {0, 3, 0}, no, no, 0, 0, packed},
     driver,
     {8, 136, 0xFF, little, 6528}},
    {"7 bpp", {7, tc, "x", 119, 0, no, no, no, 0, 0, packed}, driver, {1, 0, 1, false, 5712}},
};

TEST(FrameFormat, EachRuleGivesItsFormatAndWriteSize)
{
    for (const Row &row : rows) {
        const Reported &d = row.driver;
        fb_var_screeninfo var{};
        var.xres = 132, var.yres = 48, var.xres_virtual = 136, var.bits_per_pixel = d.bpp;
        var.red = d.red, var.green = d.green, var.blue = d.blue;
        var.grayscale = d.grayscale, var.nonstd = d.nonstd;
        fb_fix_screeninfo fix{};
        if (d.id) std::strncpy(fix.id, d.id, sizeof fix.id - 1);
        fix.visual = d.visual, fix.type = d.type;
        fix.line_length = d.line_length, fix.smem_len = d.smem_len;
        const fb_fix_screeninfo *answer = d.id ? &fix : nullptr;
        for (uint32_t quarters : {0u, 1u, 2u, 3u}) {
            FrameSettings settings{"/dev/fb0", row.mono, quarters};
            FrameFormat f = frame_format_describe(&var, answer, &settings);
            EXPECT_EQ(f.bits_per_pixel, row.frame.bpp) << row.name;
            EXPECT_EQ(f.line_length, row.frame.line_length) << row.name;
            EXPECT_EQ(f.ink, row.frame.ink) << row.name;
            EXPECT_EQ(f.low_bits_first, row.frame.low_bits_first) << row.name;
            EXPECT_EQ(f.columns, 136u) << row.name;
            EXPECT_EQ(f.rows, 48u) << row.name;
            EXPECT_EQ(f.visible_width, 132u) << row.name;
            EXPECT_EQ(f.quarter_turns, quarters) << row.name;
            EXPECT_EQ(frame_write_size(&f, &var, answer), row.frame.write_size) << row.name;
        }
    }
}

} // namespace

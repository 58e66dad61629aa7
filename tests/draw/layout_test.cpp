// The frame layout against a model written from its contract: seeded random
// canvases and formats (every depth, rows shorter and longer than a row of
// pixels, frames cut anywhere, every quarter turn), the whole frame compared
// byte for byte, with guard bytes after it and the canvas unchanged.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "layout.h"

namespace
{

constexpr size_t guard = 16;
constexpr uint8_t guard_value = 0x5A;

bool canvas_pixel(const Canvas &canvas, int64_t x, int64_t y)
{
    if (x < 0 || y < 0 || x >= canvas.width || y >= canvas.height) return false;
    return canvas.buffer[x / 8 + canvas.width * y / 8] & (0x80 >> x % 8);
}

// The canvas pixel frame pixel (x, y) shows: turned clockwise, the canvas's
// top row runs down the right edge at 90 degrees, along the bottom at 180.
bool shown(const FrameFormat &f, const Canvas &canvas, int64_t x, int64_t y)
{
    int64_t right = int64_t{f.visible_width} - 1 - x, bottom = int64_t{f.rows} - 1 - y;
    const int64_t turned[4][2] = {{x, y}, {y, right}, {right, bottom}, {bottom, x}};
    uint32_t q = f.quarter_turns % 4;
    return (q == 0 || x < f.visible_width) && canvas_pixel(canvas, turned[q][0], turned[q][1]);
}

// Bit k of a pixel's value lies at place x * bpp + k of its row's bit run
// when the low bits come first (bit b of a byte is place 8 * byte + b), or
// at x * bpp + bpp - 1 - k counted from the top bit of each byte otherwise.
void put_model_pixel(const FrameFormat &f, std::vector<uint8_t> &frame, uint64_t y, uint64_t x)
{
    uint64_t bits = f.bits_per_pixel, row = y * f.line_length * 8;
    if (x * bits + bits > f.line_length * 8 || (row + x * bits + bits + 7) / 8 > frame.size())
        return;
    for (uint64_t k = 0; k < bits; ++k) {
        if (!(f.ink >> k & 1)) continue;
        uint64_t place = row + x * bits + (f.low_bits_first ? k : bits - 1 - k);
        frame[place / 8] |= f.low_bits_first ? 1 << place % 8 : 0x80 >> place % 8;
    }
}

std::vector<uint8_t> model(const FrameFormat &f, const Canvas &canvas, uint64_t bytes)
{
    std::vector<uint8_t> frame(bytes, 0);
    for (uint64_t y = 0; y < f.rows; ++y) {
        uint64_t row_end = y * f.columns / 8 + (f.columns - 1) / 8 + 1;
        for (uint64_t x = 0; x < f.columns; ++x) {
            if (!shown(f, canvas, x, y)) continue;
            if (f.line_length)
                put_model_pixel(f, frame, y, x);
            else if (row_end <= bytes)
                frame[x / 8 + f.columns * y / 8] |= 0x80 >> x % 8;
        }
    }
    return frame;
}

FrameFormat random_format(std::mt19937 &random, const Canvas &canvas)
{
    constexpr uint32_t depths[] = {1, 2, 4, 8, 16, 24, 32};
    auto pick = [&](uint64_t low, uint64_t high) {
        return std::uniform_int_distribution<uint64_t>(low, high)(random);
    };
    FrameFormat f{};
    f.bits_per_pixel = depths[pick(0, 6)];
    f.quarter_turns = static_cast<uint32_t>(pick(0, 7));
    bool sideways = f.quarter_turns % 2; // the canvas is the frame's height wide
    f.columns = static_cast<uint32_t>((sideways ? canvas.height : canvas.width) + pick(0, 2) - 1);
    f.rows = static_cast<uint32_t>((sideways ? canvas.width : canvas.height) + pick(0, 2) - 1);
    uint64_t row_bytes = (uint64_t{f.columns} * f.bits_per_pixel + 7) / 8;
    f.line_length = pick(0, 3) == 0 ? 0 : pick(row_bytes > 2 ? row_bytes - 2 : 1, row_bytes + 9);
    if (f.line_length == 0) f.bits_per_pixel = 1;
    f.ink = static_cast<uint32_t>(random()) | (pick(0, 1) ? 0xFFFFFFFFu : 0);
    f.low_bits_first = pick(0, 1);
    f.visible_width = static_cast<uint32_t>(pick(0, f.columns + 2));
    return f;
}

TEST(Layout, EveryFormatMatchesTheModel)
{
    std::mt19937 random(20261207);
    for (int round = 0; round < 4000; ++round) {
        int32_t width = std::uniform_int_distribution<int32_t>(1, 140)(random);
        if (round % 2) width = (width + 7) / 8 * 8; // rows of whole bytes, half the time
        int32_t height = std::uniform_int_distribution<int32_t>(1, 20)(random);
        std::vector<uint8_t> pixels(mmap_pixel_bytes(width, height));
        for (uint8_t &byte : pixels)
            byte = static_cast<uint8_t>(random() & random());
        const std::vector<uint8_t> drawn = pixels;
        Canvas canvas = {pixels.data(), width, height, 0, 0};
        FrameFormat f = random_format(random, canvas);
        uint64_t whole = layout_frame_bytes(&f);
        uint64_t packed_bytes =
            f.columns && f.rows ? (f.columns - 1) / 8 + uint64_t{f.columns} * (f.rows - 1) / 8 + 1
                                : 0;
        ASSERT_EQ(whole, f.line_length ? f.line_length * f.rows : packed_bytes);
        uint64_t bytes = random() % 4 ? whole : random() % (whole + 8);

        std::vector<uint8_t> frame(bytes + guard, guard_value);
        layout_fill(&f, &canvas, frame.data(), bytes);
        std::vector<uint8_t> expected = model(f, canvas, bytes);
        expected.resize(bytes + guard, guard_value);
        ASSERT_EQ(frame, expected)
            << "round " << round << ": " << f.bits_per_pixel << " bpp, " << f.columns << " x "
            << f.rows << ", line " << f.line_length << ", ink " << f.ink
            << (f.low_bits_first ? ", low" : ", high") << ", turned " << 90 * f.quarter_turns
            << " at " << f.visible_width << ", " << bytes << " of " << whole << " bytes";
        ASSERT_EQ(pixels, drawn) << "the canvas changed";
        EXPECT_EQ(layout_is_canvas(&f), f.line_length == 0 && f.quarter_turns % 4 == 0);
    }
}

} // namespace

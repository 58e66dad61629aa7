// Canvas: pixel addressing, clearing, area operations and bit streams.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "mmap.h"

namespace
{

constexpr uint8_t guard_byte = 0xA5;
constexpr size_t guard_size = 64;

// A canvas whose buffer sits between two guard zones, so any write outside
// the pixel bytes shows up.
struct GuardedCanvas {
    std::vector<uint8_t> storage;
    Canvas canvas;

    GuardedCanvas(int32_t width, int32_t height, uint8_t fill = 0x00)
    {
        size_t bytes = mmap_pixel_bytes(width, height);
        storage.assign(bytes + 2 * guard_size, guard_byte);
        std::fill(storage.begin() + guard_size, storage.end() - guard_size, fill);
        canvas = {storage.data() + guard_size, width, height, 0, 0};
    }
    size_t bytes() const { return storage.size() - 2 * guard_size; }
    uint8_t byte(size_t i) const { return storage[guard_size + i]; }
    bool guards_intact() const
    {
        for (size_t i = 0; i < guard_size; ++i)
            if (storage[i] != guard_byte || storage[storage.size() - 1 - i] != guard_byte)
                return false;
        return true;
    }
    // Rows of the canvas as text art, '#' on and '.' off.
    std::string art() const
    {
        std::string out;
        for (int32_t y = 0; y < canvas.height; ++y) {
            for (int32_t x = 0; x < canvas.width; ++x)
                out += mmap_get_pixel(&canvas, x, y) ? '#' : '.';
            out += '\n';
        }
        return out;
    }
};

class CanvasTest : public ::testing::Test
{
  protected:
    void TearDown() override { mmap_clear_inverted(); }
};

TEST_F(CanvasTest, PixelsOfA128WideCanvasFollowRowMajorBytes)
{
    GuardedCanvas g(128, 64);
    mmap_set_pixel(&g.canvas, 0, 0, true);
    mmap_set_pixel(&g.canvas, 7, 0, true);
    mmap_set_pixel(&g.canvas, 8, 0, true);
    mmap_set_pixel(&g.canvas, 0, 1, true);
    EXPECT_EQ(g.byte(0), 0x81);
    EXPECT_EQ(g.byte(1), 0x80);
    EXPECT_EQ(g.byte(16), 0x80);
    EXPECT_EQ(g.bytes(), 1024u);
}

TEST_F(CanvasTest, RowsOfA132WideCanvasShareBytesAtTheSeam)
{
    GuardedCanvas g(132, 48);
    mmap_set_pixel(&g.canvas, 0, 1, true);
    EXPECT_EQ(g.byte(16), 0x80) << "pixel (0, 1) is mask 0x80 of byte 16";
    EXPECT_TRUE(mmap_get_pixel(&g.canvas, 128, 0)) << "and the same bit as pixel (128, 0)";
    mmap_set_pixel(&g.canvas, 4, 1, true);
    EXPECT_EQ(g.byte(16), 0x88) << "pixel (4, 1) is mask 0x08 of byte 16";
    mmap_set_pixel(&g.canvas, 0, 2, true);
    EXPECT_EQ(g.byte(33), 0x80) << "row 2 starts at byte 33";
    EXPECT_EQ(g.byte(32), 0x00) << "the low nibble of byte 32 belongs to no pixel";
}

TEST_F(CanvasTest, PixelsOutsideTheCanvasAreNeverWritten)
{
    GuardedCanvas g(13, 5);
    for (int64_t y = -3; y < 9; ++y)
        for (int64_t x = -3; x < 17; ++x)
            if (x < 0 || y < 0 || x >= 13 || y >= 5) mmap_set_pixel(&g.canvas, x, y, true);
    mmap_set_pixel(&g.canvas, INT64_MAX / 2, 0, true);
    mmap_set_pixel(&g.canvas, 0, INT64_MIN / 2, true);
    std::string blank;
    for (int row = 0; row < 5; ++row)
        blank += ".............\n";
    EXPECT_EQ(g.art(), blank) << "no pixel of the canvas may change";
    EXPECT_TRUE(g.guards_intact());
}

TEST_F(CanvasTest, ClearFillsThePanelAndHomesTheCursor)
{
    GuardedCanvas g(128, 64, 0x3C);
    g.canvas.cursor_x = 40;
    g.canvas.cursor_y = 9;
    mmap_clear(&g.canvas);
    EXPECT_EQ(g.canvas.cursor_x, 0);
    EXPECT_EQ(g.canvas.cursor_y, 0);
    for (size_t i = 0; i < 1024; ++i)
        ASSERT_EQ(g.byte(i), 0x00) << "byte " << i;

    mmap_set_inverted();
    mmap_clear(&g.canvas);
    for (size_t i = 0; i < 1024; ++i)
        ASSERT_EQ(g.byte(i), 0xFF) << "byte " << i;
    EXPECT_TRUE(g.guards_intact());
}

TEST_F(CanvasTest, ClearOfA132By48CanvasWrites792Bytes)
{
    GuardedCanvas g(132, 48, 0x3C);
    EXPECT_EQ(g.bytes(), 792u);
    mmap_clear(&g.canvas);
    for (size_t i = 0; i < g.bytes(); ++i)
        ASSERT_EQ(g.byte(i), 0x00) << "byte " << i;
    EXPECT_TRUE(g.guards_intact());
}

TEST_F(CanvasTest, ClearCoversTheLastPixelByteWhenTheAreaIsNotAMultipleOf8)
{
    // 5 x 3 = 15 pixels: (15 / 8) = 1 byte by the area, but row 2 lives in byte 1.
    GuardedCanvas g(5, 3, 0x3C);
    EXPECT_EQ(g.bytes(), 2u);
    mmap_clear(&g.canvas);
    EXPECT_EQ(g.art(), ".....\n.....\n.....\n");
    EXPECT_TRUE(g.guards_intact());
}

TEST_F(CanvasTest, ClearIgnoresANullOrEmptyCanvas)
{
    mmap_clear(nullptr);
    GuardedCanvas g(0, 0);
    Canvas negative = {g.canvas.buffer, -8, -8, 3, 3};
    mmap_clear(&negative);
    EXPECT_EQ(negative.cursor_x, 0);
    EXPECT_TRUE(g.guards_intact()) << "a negative width times a negative height is no size";
}

TEST_F(CanvasTest, ClearAreaTurnsTheRectangleAtTheCursorOffOrOn)
{
    GuardedCanvas g(8, 4, 0xFF);
    g.canvas.cursor_x = 2;
    g.canvas.cursor_y = 1;
    mmap_clear_area(&g.canvas, 3, 2);
    EXPECT_EQ(g.art(), "########\n##...###\n##...###\n########\n");
    EXPECT_EQ(g.canvas.cursor_x, 2);
    EXPECT_EQ(g.canvas.cursor_y, 1);

    mmap_set_inverted();
    mmap_clear_area(&g.canvas, 1, 1);
    EXPECT_EQ(g.art(), "########\n###..###\n##...###\n########\n");
}

TEST_F(CanvasTest, InvertAreaFlipsAndIgnoresTheInversionFlag)
{
    GuardedCanvas g(8, 2);
    mmap_set_pixel(&g.canvas, 1, 0, true);
    mmap_invert_area(&g.canvas, 3, 2);
    EXPECT_EQ(g.art(), "#.#.....\n###.....\n");
    mmap_set_inverted();
    mmap_invert_area(&g.canvas, 3, 2);
    EXPECT_EQ(g.art(), ".#......\n........\n") << "inverting twice restores the pixels";
}

TEST_F(CanvasTest, EmptyOrNegativeRectanglesChangeNothing)
{
    GuardedCanvas g(8, 2, 0x5A);
    std::string before = g.art();
    mmap_clear_area(&g.canvas, 0, 2);
    mmap_clear_area(&g.canvas, 3, 0);
    mmap_invert_area(&g.canvas, -4, 2);
    mmap_invert_area(&g.canvas, 2, INT32_MIN);
    EXPECT_EQ(g.art(), before);
}

TEST_F(CanvasTest, RectanglesReachingPastTheCanvasAreClipped)
{
    GuardedCanvas g(13, 5);
    g.canvas.cursor_x = 10;
    g.canvas.cursor_y = 3;
    mmap_invert_area(&g.canvas, INT32_MAX, INT32_MAX);
    EXPECT_EQ(g.art(), ".............\n"
                       ".............\n"
                       ".............\n"
                       "..........###\n"
                       "..........###\n");
    g.canvas.cursor_x = -2;
    g.canvas.cursor_y = -1;
    mmap_clear_area(&g.canvas, 13, 6);
    EXPECT_EQ(g.art(), ".............\n"
                       ".............\n"
                       ".............\n"
                       "...........##\n"
                       "...........##\n");
    EXPECT_TRUE(g.guards_intact());
}

TEST_F(CanvasTest, PutbWritesBitsMostSignificantFirst)
{
    const uint8_t source[] = {0xA5, 0xC0};
    GuardedCanvas g(16, 1);
    mmap_putb(&g.canvas, source, 10);
    EXPECT_EQ(g.art(), "#.#..#.###......\n");
    EXPECT_EQ(g.canvas.cursor_x, 10);
    EXPECT_EQ(g.canvas.cursor_y, 0);

    GuardedCanvas inverted(16, 1);
    mmap_set_inverted();
    mmap_putb(&inverted.canvas, source, 10);
    EXPECT_EQ(inverted.art(), ".#.##.#.........\n");
}

TEST_F(CanvasTest, PutbWrapsToTheNextRowAndBackToTheTop)
{
    const uint8_t ones[] = {0xFF};
    GuardedCanvas g(128, 2);
    g.canvas.cursor_x = 126;
    mmap_putb(&g.canvas, ones, 4);
    EXPECT_TRUE(mmap_get_pixel(&g.canvas, 126, 0));
    EXPECT_TRUE(mmap_get_pixel(&g.canvas, 127, 0));
    EXPECT_TRUE(mmap_get_pixel(&g.canvas, 0, 1));
    EXPECT_TRUE(mmap_get_pixel(&g.canvas, 1, 1));
    EXPECT_EQ(g.canvas.cursor_x, 2);
    EXPECT_EQ(g.canvas.cursor_y, 1);

    g.canvas.cursor_x = 127;
    g.canvas.cursor_y = 1;
    mmap_putb(&g.canvas, ones, 2);
    EXPECT_TRUE(mmap_get_pixel(&g.canvas, 127, 1));
    EXPECT_TRUE(mmap_get_pixel(&g.canvas, 0, 0));
    EXPECT_EQ(g.canvas.cursor_x, 1);
    EXPECT_EQ(g.canvas.cursor_y, 0);
    EXPECT_TRUE(g.guards_intact());
}

TEST_F(CanvasTest, PutbOfNoBitsOrFromOutsideTheCanvasDoesNothing)
{
    const uint8_t ones[] = {0xFF, 0xFF};
    GuardedCanvas g(8, 2);
    g.canvas.cursor_x = 3;
    mmap_putb(&g.canvas, ones, 0);
    EXPECT_EQ(g.canvas.cursor_x, 3);
    for (auto [x, y] : {std::pair{8, 0}, {-1, 0}, {0, 2}, {0, -1}}) {
        g.canvas.cursor_x = x;
        g.canvas.cursor_y = y;
        mmap_putb(&g.canvas, ones, 16);
        EXPECT_EQ(g.canvas.cursor_x, x);
        EXPECT_EQ(g.canvas.cursor_y, y);
    }
    EXPECT_EQ(g.art(), "........\n........\n");
    EXPECT_TRUE(g.guards_intact());
}

TEST_F(CanvasTest, ClearingTheInversionFlagRestoresPlainBehaviour)
{
    mmap_set_inverted();
    mmap_clear_inverted();
    GuardedCanvas g(8, 1, 0x5A);
    mmap_clear(&g.canvas);
    EXPECT_EQ(g.byte(0), 0x00);
    mmap_clear_area(&g.canvas, 8, 1);
    EXPECT_EQ(g.byte(0), 0x00);
    const uint8_t source[] = {0xF0};
    mmap_putb(&g.canvas, source, 8);
    EXPECT_EQ(g.byte(0), 0xF0);
}

TEST_F(CanvasTest, PixelBytesNeverWrapForHugeCanvases)
{
    EXPECT_EQ(mmap_pixel_bytes(0, 64), 0u);
    EXPECT_EQ(mmap_pixel_bytes(128, -1), 0u);
    EXPECT_EQ(mmap_pixel_bytes(65535, 65535), 536854528u);
    EXPECT_EQ(mmap_pixel_bytes(INT32_MAX, INT32_MAX), 576460751766552576ull);
}

} // namespace

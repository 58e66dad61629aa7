// Cell size queries, the currency symbol, and cells that reach past the
// canvas or come from fonts of impossible sizes.
#include <climits>

#include "render_support.h"

namespace
{

using RenderSize = Render;

TEST_F(RenderSize, CellSizeFollowsTheDoublingFlags)
{
    install_6x12();
    EXPECT_EQ(font_get_width(), 6);
    EXPECT_EQ(font_get_height(), 12);
    font_set_double_width();
    EXPECT_EQ(font_get_width(), 12);
    EXPECT_EQ(font_get_height(), 12);
    font_set_double_height();
    EXPECT_EQ(font_get_width(), 12);
    EXPECT_EQ(font_get_height(), 24);
    font_clear_double_width();
    font_clear_double_height();
    EXPECT_EQ(font_get_width(), 6);
    EXPECT_EQ(font_get_height(), 12);
}

TEST_F(RenderSize, DoubledSizesBeyondInt32AreClamped)
{
    current_font.width = INT32_MAX;
    current_font.height = INT32_MIN;
    font_set_double_width();
    font_set_double_height();
    EXPECT_EQ(font_get_width(), INT32_MAX);
    EXPECT_EQ(font_get_height(), INT32_MIN);
}

using RenderCurrency = Render;

TEST_F(RenderCurrency, DollarGivesCode164ItsPictureAndStaysItself)
{
    install_6x12();
    font_set_currency_symbol('$');
    Panel panel(16, 12);
    font_putc(&panel.canvas, 164);
    font_putc(&panel.canvas, '$');
    EXPECT_EQ(panel.picture(0, 0, 6, 12), cell_art(dollar_art, 12)) << "code 164";
    EXPECT_EQ(panel.picture(6, 0, 6, 12), cell_art(dollar_art, 12)) << "code 36";
}

TEST_F(RenderCurrency, Symbol164LeavesTheGlyphAsItWas)
{
    install_6x12();
    font_set_currency_symbol(164);
    Panel panel(8, 12);
    font_putc(&panel.canvas, 164);
    EXPECT_EQ(panel.picture(0, 0, 6, 12), cell_art(currency_art, 12));
}

TEST_F(RenderCurrency, OnlyTheLowEightBitsOfTheSymbolCount)
{
    install_6x12();
    font_set_currency_symbol(0x124);
    Panel panel(8, 12);
    font_putc(&panel.canvas, 164);
    EXPECT_EQ(panel.picture(0, 0, 6, 12), cell_art(dollar_art, 12));
}

TEST_F(RenderCurrency, MissingCodeOnEitherSideCopiesNothing)
{
    install_6x12();
    font_set_currency_symbol('Z');
    Panel panel(8, 12);
    font_putc(&panel.canvas, 164);
    EXPECT_EQ(panel.picture(0, 0, 6, 12), cell_art(currency_art, 12));
    install_font(6, 12, {glyph('$', 6, dollar_art)});
    font_set_currency_symbol('$'); // no glyph 164 to copy into
    panel.canvas.cursor_x = 0;
    font_putc(&panel.canvas, '$');
    EXPECT_EQ(panel.picture(0, 0, 6, 12), cell_art(dollar_art, 12));
}

using RenderClip = Render;

TEST_F(RenderClip, CellPastTheRightEdgeKeepsOnlyItsVisibleColumns)
{
    install_6x12();
    font_set_inverted();
    Panel panel(16, 12);
    panel.canvas.cursor_x = 13;
    font_putc(&panel.canvas, ' ');
    EXPECT_EQ(panel.picture(), art(std::vector<std::string>(12, ".............###")));
    EXPECT_TRUE(panel.guards_intact());
    EXPECT_EQ(panel.canvas.cursor_x, 0);
    EXPECT_EQ(panel.canvas.cursor_y, 0) << "12 rows down is past the bottom";
}

TEST_F(RenderClip, CellPastTheBottomEdgeKeepsOnlyItsVisibleRows)
{
    install_6x12();
    font_set_inverted();
    Panel panel(16, 5);
    panel.canvas.cursor_x = 7;
    panel.canvas.cursor_y = 3;
    font_putc(&panel.canvas, ' ');
    std::vector<std::string> expected(5, std::string(16, '.'));
    expected[3] = expected[4] = ".......######...";
    EXPECT_EQ(panel.picture(), art(expected));
    EXPECT_TRUE(panel.guards_intact());
}

// 13 columns: rows share bytes, and the last pixel byte lies past
// (13 x 5) / 8. The buffer must equal one where only the visible corner of
// the cell was set.
TEST_F(RenderClip, CellOverTheCornerOfAnOddWidthCanvasSetsOnlyItsVisiblePixels)
{
    install_6x12();
    font_set_inverted();
    font_set_double_width();
    font_set_double_height();
    Panel panel(13, 5), reference(13, 5);
    panel.canvas.cursor_x = 10;
    panel.canvas.cursor_y = 3;
    font_putc(&panel.canvas, ' ');
    for (int y = 3; y < 5; ++y)
        for (int x = 10; x < 13; ++x)
            mmap_set_pixel(&reference.canvas, x, y, true);
    EXPECT_EQ(panel.pixel_bytes(), reference.pixel_bytes());
    EXPECT_TRUE(panel.guards_intact());
}

TEST_F(RenderClip, CellStartingOutsideTheCanvasWritesNothing)
{
    install_6x12();
    font_set_inverted();
    font_set_double_width();
    font_set_double_height();
    Panel panel(13, 5);
    for (auto [x, y] : {std::pair{-30, 0}, {0, -30}, {13, 0}, {0, 5}, {INT32_MIN, INT32_MAX}}) {
        panel.canvas.cursor_x = x;
        panel.canvas.cursor_y = y;
        font_putc(&panel.canvas, 'A');
    }
    EXPECT_EQ(panel.picture(), art(std::vector<std::string>(5, std::string(13, '.'))));
    EXPECT_TRUE(panel.guards_intact());
}

TEST_F(RenderClip, OversizedFontDrawsOnlyWhatARowWordAndThirtyRowsHold)
{
    install_6x12();
    current_font.width = 40;
    current_font.height = 100;
    font_set_inverted();
    Panel panel(48, 40);
    font_putc(&panel.canvas, 'Z');
    std::vector<std::string> expected(40, std::string(48, '.'));
    for (int r = 0; r < 30; ++r)
        expected[r].replace(0, 16, std::string(16, '#'));
    EXPECT_EQ(panel.picture(), art(expected));
    EXPECT_TRUE(panel.guards_intact());
    EXPECT_EQ(panel.canvas.cursor_x, 40);
    font_set_currency_symbol('$'); // copies within the 60 rows a glyph holds
}

TEST_F(RenderClip, NegativeFontSizesDrawNothingAndLeaveTheCursorInside)
{
    install_6x12();
    font_set_inverted();
    font_set_double_width();
    Panel panel(16, 16);
    panel.canvas.cursor_x = 5;
    panel.canvas.cursor_y = 4;
    for (auto [width, height] : {std::pair{INT32_MIN, 12}, {6, INT32_MIN}, {-1, -1}}) {
        current_font.width = width;
        current_font.height = height;
        font_putc(&panel.canvas, 'A');
        font_putc(&panel.canvas, '\n');
        font_set_currency_symbol('$');
        EXPECT_GE(panel.canvas.cursor_x, 0);
        EXPECT_GE(panel.canvas.cursor_y, 0);
    }
    EXPECT_EQ(panel.picture(), art(std::vector<std::string>(16, std::string(16, '.'))));
    EXPECT_TRUE(panel.guards_intact());
}

} // namespace

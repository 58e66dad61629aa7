// Where the cursor goes: newlines, the wrap at the right edge, the return to
// the top, and sums that would not fit in 32 bits.
#include <climits>

#include "render_support.h"

namespace
{

using RenderCursor = Render;

TEST_F(RenderCursor, NewlinesStepOneCellRowDownAndReturnToTheTop)
{
    install_6x12();
    Panel panel(132, 48);
    panel.canvas.cursor_x = 30;
    for (int32_t expected_y : {12, 24, 36, 0}) {
        font_putc(&panel.canvas, '\n');
        EXPECT_EQ(panel.canvas.cursor_y, expected_y);
        EXPECT_EQ(panel.canvas.cursor_x, 0);
    }
}

TEST_F(RenderCursor, NewlinesWithDoubleHeightStepTwoCellRows)
{
    install_6x12();
    font_set_double_height();
    Panel panel(132, 48);
    font_putc(&panel.canvas, '\n');
    EXPECT_EQ(panel.canvas.cursor_y, 24);
    font_putc(&panel.canvas, '\n');
    EXPECT_EQ(panel.canvas.cursor_y, 0);
}

TEST_F(RenderCursor, NewlineDrawsNothingEvenWhenTheFontHasAGlyphForIt)
{
    install_6x12();
    Panel panel(16, 24);
    font_putc(&panel.canvas, '\n');
    EXPECT_EQ(panel.picture(), art(std::vector<std::string>(24, std::string(16, '.'))));
}

TEST_F(RenderCursor, CharacterReachingTheRightEdgeWrapsAtOnce)
{
    install_6x12();
    Panel panel(132, 48);
    for (int i = 0; i < 21; ++i)
        font_putc(&panel.canvas, ' ');
    ASSERT_EQ(panel.canvas.cursor_x, 126);
    font_putc(&panel.canvas, 'A');
    EXPECT_EQ(panel.picture(126, 0, 6, 12), art(glyph_a_art)) << "A in the last columns";
    EXPECT_EQ(panel.canvas.cursor_x, 0);
    EXPECT_EQ(panel.canvas.cursor_y, 12);
    font_putc(&panel.canvas, '\n');
    EXPECT_EQ(panel.canvas.cursor_y, 24) << "a newline after the wrap leaves an empty line";
}

TEST_F(RenderCursor, TwentyFirstCharacterOnA128WideCanvasStaysOnItsLine)
{
    install_6x12();
    Panel panel(128, 64);
    for (int i = 0; i < 20; ++i)
        font_putc(&panel.canvas, ' ');
    font_putc(&panel.canvas, 'A');
    EXPECT_EQ(panel.picture(120, 0, 6, 12), art(glyph_a_art));
    EXPECT_EQ(panel.canvas.cursor_x, 126);
    EXPECT_EQ(panel.canvas.cursor_y, 0);
}

// No pixel is drawn with a font 0 rows high, so these canvases need no buffer.
TEST_F(RenderCursor, SumsPastTheLargestCanvasWrapInsteadOfOverflowing)
{
    install_font(6, 0, {});
    Canvas wide{nullptr, INT32_MAX, 1, INT32_MAX - 2, 0};
    font_putc(&wide, 'A');
    EXPECT_EQ(wide.cursor_x, 0);

    install_font(6, 12, {});
    Canvas tall{nullptr, 1, INT32_MAX, 0, INT32_MAX - 5};
    font_putc(&tall, '\n');
    EXPECT_EQ(tall.cursor_y, 0);
}

TEST_F(RenderCursor, ZeroWidthFontDrawsNothingAndKeepsTheCursor)
{
    install_6x12();
    current_font.width = 0;
    Panel panel(16, 24);
    panel.canvas.cursor_x = 4;
    panel.canvas.cursor_y = 12;
    font_putc(&panel.canvas, 'A');
    EXPECT_EQ(panel.picture(), art(std::vector<std::string>(24, std::string(16, '.'))));
    EXPECT_EQ(panel.canvas.cursor_x, 4);
    EXPECT_EQ(panel.canvas.cursor_y, 12);
}

TEST_F(RenderCursor, ZeroHeightFontMovesAlongTheRowAndNewlineOnlyReturnsLeft)
{
    install_6x12();
    current_font.height = 0;
    Panel panel(12, 24);
    panel.canvas.cursor_y = 12;
    font_putc(&panel.canvas, 'A');
    EXPECT_EQ(panel.canvas.cursor_x, 6);
    font_putc(&panel.canvas, 'A');
    EXPECT_EQ(panel.canvas.cursor_x, 0) << "wrapped";
    EXPECT_EQ(panel.canvas.cursor_y, 12);
    panel.canvas.cursor_x = 6;
    font_putc(&panel.canvas, '\n');
    EXPECT_EQ(panel.canvas.cursor_x, 0);
    EXPECT_EQ(panel.canvas.cursor_y, 12);
    EXPECT_EQ(panel.picture(), art(std::vector<std::string>(24, std::string(12, '.'))));
}

} // namespace

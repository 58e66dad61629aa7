// What a cell shows: the glyph at the cursor, overwriting, inversion, double
// width and height, missing glyphs, and font_puts.
#include "render_support.h"

namespace
{

using RenderCell = Render;

TEST_F(RenderCell, GlyphIsDrawnInTheCellAtTheCursorAndNowhereElse)
{
    install_6x12();
    Panel panel(24, 30);
    panel.canvas.cursor_x = 7;
    panel.canvas.cursor_y = 3;
    font_putc(&panel.canvas, 'A');
    std::vector<std::string> expected(30, std::string(24, '.'));
    for (size_t r = 0; r < glyph_a_art.size(); ++r)
        expected[3 + r].replace(7, 6, glyph_a_art[r]);
    EXPECT_EQ(panel.picture(), art(expected));
    EXPECT_EQ(panel.canvas.cursor_x, 13);
}

TEST_F(RenderCell, CellsAreOverwrittenNotCombined)
{
    install_6x12();
    Panel panel(8, 12);
    panel.light_all();
    font_putc(&panel.canvas, 'B');
    EXPECT_EQ(panel.picture(0, 0, 6, 12), cell_art({".####.", "#....#"}, 12));
}

TEST_F(RenderCell, InvertedSpaceLightsTheWholeCellOnly)
{
    install_6x12();
    font_set_inverted();
    Panel panel(8, 14);
    font_putc(&panel.canvas, ' ');
    std::vector<std::string> expected(12, "######..");
    expected.resize(14, "........");
    EXPECT_EQ(panel.picture(), art(expected));
}

TEST_F(RenderCell, DoubleWidthTurnsEachColumnOfASixPixelFontIntoTwo)
{
    install_font(6, 2, {glyph('L', 6, {"#.....", "#....#"})});
    font_set_double_width();
    Panel panel(16, 2);
    font_putc(&panel.canvas, 'L');
    EXPECT_EQ(panel.picture(), art({"##..............", "##........##...."}));
    EXPECT_EQ(panel.canvas.cursor_x, 12);
}

TEST_F(RenderCell, DoubleWidthOfATwelvePixelFontReachesBothEdgesOfTheCell)
{
    install_font(12, 2, {glyph('E', 12, {"#...........", "...........#"})});
    font_set_double_width();
    Panel panel(24, 2);
    font_putc(&panel.canvas, 'E');
    EXPECT_EQ(panel.picture(), art({"##......................", "......................##"}));
}

TEST_F(RenderCell, DoubleHeightDrawsEachGlyphRowOnTwoCanvasRows)
{
    install_font(6, 3, {glyph('H', 6, {"#.....", ".#....", "..#..."})});
    font_set_double_height();
    Panel panel(8, 6);
    font_putc(&panel.canvas, 'H');
    EXPECT_EQ(panel.picture(0, 0, 6, 6),
              art({"#.....", "#.....", ".#....", ".#....", "..#...", "..#..."}));
}

TEST_F(RenderCell, BothFlagsDoubleTheCellInBothDirections)
{
    install_font(6, 2, {glyph('K', 6, {"#....#", ".#...."})});
    font_set_double_width();
    font_set_double_height();
    Panel panel(16, 5);
    font_putc(&panel.canvas, 'K');
    EXPECT_EQ(panel.picture(), art({"##........##....", "##........##....", "..##............",
                                    "..##............", "................"}));
    EXPECT_EQ(panel.canvas.cursor_x, 12);
}

TEST_F(RenderCell, MissingGlyphGivesABlankCellAndStillAdvances)
{
    install_6x12();
    Panel panel(16, 12);
    panel.light_all();
    font_putc(&panel.canvas, 'Z');
    EXPECT_EQ(panel.picture(0, 0, 6, 12), blank_6x12);
    EXPECT_EQ(panel.canvas.cursor_x, 6);
    font_set_inverted();
    Panel dark(8, 12);
    font_putc(&dark.canvas, 'Z');
    EXPECT_EQ(dark.picture(0, 0, 6, 12), art(full_block_art)) << "inverted blank cell";
}

TEST_F(RenderCell, WithoutAGlyphTableEveryCharacterIsABlankCell)
{
    current_font.width = 6;
    current_font.height = 12;
    Panel panel(16, 12);
    panel.light_all();
    font_putc(&panel.canvas, 'A');
    EXPECT_EQ(panel.picture(0, 0, 6, 12), blank_6x12);
    EXPECT_EQ(panel.canvas.cursor_x, 6);
}

TEST_F(RenderCell, OnlyTheLowEightBitsOfTheCodeChooseTheGlyph)
{
    install_6x12();
    Panel panel(8, 12);
    font_putc(&panel.canvas, 0x100 + 'A');
    EXPECT_EQ(panel.picture(0, 0, 6, 12), art(glyph_a_art));
    panel.canvas.cursor_x = 0;
    font_putc(&panel.canvas, 0x100 + '\n');
    EXPECT_EQ(panel.picture(0, 0, 6, 12), art(full_block_art)) << "only exactly 10 is a newline";
}

using RenderPuts = Render;

TEST_F(RenderPuts, TextDrawsLikeTheSamePutcCalls)
{
    install_6x12();
    Panel by_text(40, 24), by_code(40, 24);
    font_puts(&by_text.canvas, "AB\nD\xA4");
    for (int32_t code : {65, 66, 10, 68, -92})
        font_putc(&by_code.canvas, code);
    EXPECT_EQ(by_text.picture(), by_code.picture());
    EXPECT_EQ(by_text.canvas.cursor_x, by_code.canvas.cursor_x);
    EXPECT_EQ(by_text.canvas.cursor_y, by_code.canvas.cursor_y);
    EXPECT_EQ(by_text.picture(6, 12, 6, 12), cell_art(currency_art, 12)) << "byte 0xA4";
}

TEST_F(RenderPuts, EmptyTextChangesNeitherCanvasNorCursor)
{
    install_6x12();
    Panel panel(16, 12);
    panel.canvas.cursor_x = 6;
    font_puts(&panel.canvas, "");
    EXPECT_EQ(panel.picture(), art(std::vector<std::string>(12, std::string(16, '.'))));
    EXPECT_EQ(panel.canvas.cursor_x, 6);
    EXPECT_EQ(panel.canvas.cursor_y, 0);
}

} // namespace

// The device fonts against a second reader: every glyph load_font makes of
// the converted BDF must show the pixels FreeType draws from the original
// PCF font.
#include "bdf-test-support.h"

#include <iostream>

#ifdef NORLET_HAVE_FREETYPE
#include <ft2build.h>
#include FT_FREETYPE_H
#endif

namespace
{

struct DeviceFont {
    const char *name;     // generated device font
    const char *original; // X11 misc-fixed PCF font it was made from
    int glyphs;           // glyphs in the original
};

const DeviceFont device_fonts[] = {
    {"6x12.bdf", "6x12-ISO8859-1.pcf.gz", 223},
    {"6x16.bdf", "6x13-ISO8859-1.pcf.gz", 223},
    {"12x32.bdf", "12x24.pcf.gz", 221},
};

// Names the font in test output.
void PrintTo(const DeviceFont &font, std::ostream *out)
{
    *out << font.name;
}

std::string device_font_path(const DeviceFont &font)
{
    return std::string(NORLET_BINARY_DIR "/fonts/") + font.name;
}

#ifdef NORLET_HAVE_FREETYPE

// The cell as FreeType draws the glyph: its monochrome bitmap placed by
// bitmap_left and bitmap_top against current_font's bounding box. Ink that
// falls outside the cell is reported in the art, since the cell cannot show it.
std::string freetype_cell(FT_GlyphSlot slot)
{
    std::vector<std::string> cell(current_font.height, std::string(current_font.width, '.'));
    std::string outside;
    const FT_Bitmap &bitmap = slot->bitmap;
    for (unsigned r = 0; r < bitmap.rows; ++r) {
        for (unsigned c = 0; c < bitmap.width; ++c) {
            if (!((bitmap.buffer[r * bitmap.pitch + c / 8] >> (7 - c % 8)) & 1)) continue;
            int column = slot->bitmap_left + int(c) - current_font.x_offset;
            int row = current_font.y_offset + current_font.height - slot->bitmap_top + int(r);
            if (row < 0 || row >= current_font.height || column < 0 ||
                column >= current_font.width) {
                outside = "ink outside the cell\n";
                continue;
            }
            cell[row][column] = '#';
        }
    }
    std::string art;
    for (const std::string &line : cell)
        art += line + "\n";
    return art + outside;
}

// Compares every glyph of the original with the loaded font; returns how many
// glyphs were compared.
int compare_with_freetype(const DeviceFont &font)
{
    FT_Library library;
    FT_Face face;
    std::string original = std::string(NORLET_X11_FONT_DIR "/") + font.original;
    EXPECT_EQ(FT_Init_FreeType(&library), 0);
    if (FT_New_Face(library, original.c_str(), 0, &face) != 0) {
        ADD_FAILURE() << "FreeType cannot open " << original;
        FT_Done_FreeType(library);
        return 0;
    }
    EXPECT_EQ(FT_Select_Size(face, 0), 0);
    int compared = 0;
    FT_UInt index = 0;
    for (FT_ULong code = FT_Get_First_Char(face, &index); index != 0;
         code = FT_Get_Next_Char(face, code, &index)) {
        if (FT_Load_Glyph(face, index, FT_LOAD_RENDER | FT_LOAD_MONOCHROME) != 0) {
            ADD_FAILURE() << "FreeType cannot load glyph " << code << " of " << font.original;
            continue;
        }
        EXPECT_EQ(cell_art(int(code)), freetype_cell(face->glyph))
            << font.name << ", glyph " << code << " (left: load_font, right: FreeType)";
        ++compared;
    }
    FT_Done_Face(face);
    FT_Done_FreeType(library);
    return compared;
}

#endif

class RealFonts : public BdfTest, public testing::WithParamInterface<DeviceFont>
{
};

TEST_P(RealFonts, EveryGlyphMatchesFreeTypeOnTheOriginal)
{
#ifndef NORLET_HAVE_FREETYPE
    GTEST_SKIP() << "FreeType was not found when configuring (Debian package libfreetype-dev)";
#else
    const DeviceFont &font = GetParam();
    LoadOutcome outcome = load_capturing(device_font_path(font).c_str());
    ASSERT_EQ(outcome.result, 0) << outcome.output;
    EXPECT_EQ(current_font.glyph_count, font.glyphs);
    int compared = compare_with_freetype(font);
    EXPECT_EQ(compared, font.glyphs) << "FreeType should see every glyph of " << font.original;
    std::cout << "[ compared ] " << compared << " glyphs of " << font.name << "\n";
    RecordProperty("glyphs_compared", compared);
#endif
}

INSTANTIATE_TEST_SUITE_P(DeviceFonts, RealFonts, testing::ValuesIn(device_fonts),
                         [](const testing::TestParamInfo<DeviceFont> &info) {
                             std::string name = info.param.name;
                             return "Font" + name.substr(0, name.find('.'));
                         });

} // namespace

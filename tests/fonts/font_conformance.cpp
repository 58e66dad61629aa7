// font_conformance MANIFEST: every glyph of a BDF file as the panel draws it
// (the reader's cell, drawn by the renderer from the character's UTF-8
// bytes), against FreeType's placing of the font it was made from.
// Manifest lines: the BDF file, the original, the size FreeType draws it at
// in pixels (0: a bitmap font's own). Prints a line per font and both
// pictures of a glyph that differs; exits with 1 when any differs.
#include <ft2build.h>
#include FT_FREETYPE_H

#include <cstdio>
#include <fstream>
#include <string>

#include "bdf-reader.h"
#include "font.h"
#include "mmap.h"
#include "utf8.h"

namespace
{

// A cell as text art, one line of width characters per row.
std::string blank_cell()
{
    std::string row = std::string(current_font.width, '.') + '\n', cell;
    for (int r = 0; r < current_font.height; ++r)
        cell += row;
    return cell;
}

void set(std::string &cell, int row, int column)
{
    cell[row * (current_font.width + 1) + column] = '#';
}

// The cell as the panel shows the character: its UTF-8 text drawn by
// font_puts_utf8 on a canvas of one cell (a code UTF-8 text cannot carry, NUL
// included, by font_put_codepoint; the newline, which draws nothing, as the
// reader's table holds it).
std::string drawn_cell(int code)
{
    std::string cell = blank_cell();
    int padded = current_font.width <= 8 ? 8 : 16;
    if (code == '\n') {
        const BdfGlyph &glyph = *get_bdf_char(code);
        for (int row = 0; row < current_font.height; ++row)
            for (int column = 0; column < current_font.width; ++column)
                if ((glyph.rows[row] >> (padded - 1 - column)) & 1) set(cell, row, column);
        return cell;
    }
    // Rows of whole bytes, so that no row shares a byte with the next.
    int32_t width = (current_font.width + 7) / 8 * 8;
    std::string pixels(mmap_pixel_bytes(width, current_font.height), '\0');
    Canvas canvas = {reinterpret_cast<uint8_t *>(pixels.data()), width, current_font.height, 0, 0};
    char text[5] = {};
    if (code == 0 || utf8_encode(code, text) == 0)
        font_put_codepoint(&canvas, code);
    else
        font_puts_utf8(&canvas, text);
    for (int row = 0; row < current_font.height; ++row)
        for (int column = 0; column < current_font.width; ++column)
            if (mmap_get_pixel(&canvas, column, row)) set(cell, row, column);
    return cell;
}

// FreeType's bitmap placed by bitmap_left and bitmap_top against the cell;
// ink the cell cannot hold is noted below the picture.
std::string freetype_cell(FT_GlyphSlot slot)
{
    std::string cell = blank_cell();
    std::string outside;
    const FT_Bitmap &bitmap = slot->bitmap;
    for (unsigned r = 0; r < bitmap.rows; ++r) {
        for (unsigned c = 0; c < bitmap.width; ++c) {
            if (!((bitmap.buffer[r * bitmap.pitch + c / 8] >> (7 - c % 8)) & 1)) continue;
            int column = slot->bitmap_left + int(c) - current_font.x_offset;
            int row = current_font.y_offset + current_font.height - slot->bitmap_top + int(r);
            if (row < 0 || row >= current_font.height || column < 0 || column >= current_font.width)
                outside = "ink outside the cell\n";
            else
                set(cell, row, column);
        }
    }
    return cell + outside;
}

// Compares every glyph the reader loaded; returns how many agree, or -1
// when a font cannot be read at all.
int agreeing_glyphs(FT_Library library, const std::string &bdf, const std::string &original,
                    int pixels)
{
    FT_Face face;
    if (load_font(bdf.c_str()) != 0 || FT_New_Face(library, original.c_str(), 0, &face) != 0)
        return -1;
    // A font in another encoding than Unicode or ISO 8859-1 has its own
    // codes in a charmap FreeType does not select.
    if (!face->charmap && face->num_charmaps > 0) FT_Set_Charmap(face, face->charmaps[0]);
    if (pixels ? FT_Set_Char_Size(face, 0, pixels * 64, 72, 72) : FT_Select_Size(face, 0)) {
        FT_Done_Face(face);
        return -1;
    }
    int agreeing = 0;
    for (int i = 0; i < current_font.glyph_count; ++i) {
        int code = current_font.glyphs[i].encoding;
        if (code >= 0 && get_bdf_char(code) != &current_font.glyphs[i]) continue; // a duplicate
        FT_UInt index = code < 0 ? 0 : FT_Get_Char_Index(face, FT_ULong(code));
        if (index == 0 || FT_Load_Glyph(face, index, FT_LOAD_RENDER | FT_LOAD_MONOCHROME)) {
            std::printf("  code %d: FreeType has no glyph\n", code);
            continue;
        }
        std::string ours = drawn_cell(code), theirs = freetype_cell(face->glyph);
        if (ours == theirs)
            ++agreeing;
        else
            std::printf("  code %d, the panel's cell:\n%s  FreeType's:\n%s", code, ours.c_str(),
                        theirs.c_str());
    }
    FT_Done_Face(face);
    return agreeing;
}

// Glyphs with an encoding no earlier glyph has (or none at all, which the
// comparison reports): the ones the panel shows.
int distinct_glyphs()
{
    int count = 0;
    for (int i = 0; i < current_font.glyph_count; ++i) {
        int code = current_font.glyphs[i].encoding;
        count += code < 0 || get_bdf_char(code) == &current_font.glyphs[i];
    }
    return count;
}

} // namespace

int main(int argc, char **argv)
{
    std::ifstream manifest(argc == 2 ? argv[1] : "");
    FT_Library library;
    if (!manifest || FT_Init_FreeType(&library) != 0) {
        std::fprintf(stderr, "usage: font_conformance MANIFEST\n");
        return 2;
    }
    std::string bdf, original;
    int pixels, fonts = 0, failed = 0;
    while (manifest >> bdf >> original >> pixels) {
        int agreeing = agreeing_glyphs(library, bdf, original, pixels);
        bool ok = agreeing >= 0 && agreeing == distinct_glyphs();
        std::printf("%s %s: %d of %d glyphs agree with FreeType on %s\n", ok ? "ok" : "FAILED",
                    bdf.c_str(), agreeing, current_font.glyph_count, original.c_str());
        release_bdf_font();
        ++fonts;
        failed += !ok;
    }
    FT_Done_FreeType(library);
    std::printf("%d of %d fonts agree\n", fonts - failed, fonts);
    return failed || !fonts ? 1 : 0;
}

// A font from any bytes, then a short text drawn in every combination of the
// style flags on a canvas between poisoned guard zones, so that a write
// outside the canvas is caught. After every character the canvas must equal,
// byte for byte, a copy on which the cell was drawn pixel by pixel with
// mmap_set_pixel, and the cursor must have moved as a terminal's does. The
// area operations and putb then run on it, and the bits that belong to no
// pixel must keep what mmap_clear put there.
//
// Input: a 9-byte header, then the text, then the font file.
//   0 canvas width + 4   1 canvas height + 4   2 cursor x   3 cursor y
//   (both signed)   4 flags: bit 0 canvas inversion, bit 1 currency symbol
//   5 text length (at most 16)   6 currency symbol code   7, 8 columns and
//   rows (signed) of the area operations   (byte 4's other bits are unused)
#include <algorithm>
#include <string>
#include <vector>

#include "bdf-reader.h"
#include "font.h"
#include "fuzz_support.h"
#include "mmap.h"

namespace
{

constexpr int max_glyphs = 4096; // fonts declaring more are not run
constexpr size_t header_bytes = 9, max_text = 16;

// The cell at the cursor drawn pixel by pixel, as the renderer promises it:
// at most 16 glyph columns and 30 glyph rows, each doubled by its flag, the
// glyph's leftmost column at bit 7 or 15, complemented when inverted, a
// code the font lacks as a blank cell.
void draw_reference_cell(Canvas *canvas, int32_t c, uint32_t style)
{
    const BdfGlyph *glyph = get_bdf_char(c & 0xFF);
    int x_shift = style & 2 ? 1 : 0, y_shift = style & 1 ? 1 : 0;
    int64_t columns = std::clamp<int64_t>(current_font.width, 0, 16) << x_shift;
    int64_t rows = std::clamp<int64_t>(current_font.height, 0, 30) << y_shift;
    int top_bit = current_font.width <= 8 ? 7 : 15;
    for (int64_t i = 0; i < rows; ++i) {
        uint32_t word = (glyph ? glyph->rows[i >> y_shift] : 0u) ^ (style & 4 ? 0xFFFFu : 0u);
        for (int64_t j = 0; j < columns; ++j)
            mmap_set_pixel(canvas, canvas->cursor_x + j, canvas->cursor_y + i,
                           (word >> (top_bit - (j >> x_shift))) & 1u);
    }
}

// Where the cursor goes after code c: one cell right, or to the start of
// the next line (the top after the last) on a newline or at the right edge.
void expect_cursor(const Canvas &before, const Canvas &after, int32_t c, uint32_t style)
{
    int64_t w = std::max<int64_t>(0, int64_t{current_font.width} * (style & 2 ? 2 : 1));
    int64_t h = std::max<int64_t>(0, int64_t{current_font.height} * (style & 1 ? 2 : 1));
    int64_t x = before.cursor_x + w, y = before.cursor_y;
    if (c == 10 || x >= before.width) x = 0, y = y + h >= before.height ? 0 : y + h;
    if (after.cursor_x != x || after.cursor_y != y)
        fuzz::fail("code %d at (%d, %d), cell %lld x %lld: cursor at (%d, %d), not (%lld, %lld)", c,
                   before.cursor_x, before.cursor_y, (long long)w, (long long)h, after.cursor_x,
                   after.cursor_y, (long long)x, (long long)y);
}

void draw_text(fuzz::GuardedCanvas *g, const std::string &text, uint32_t style)
{
    std::vector<uint8_t> reference(g->canvas.buffer, g->canvas.buffer + g->bytes);
    Canvas copy = g->canvas;
    copy.buffer = reference.data();
    for (char ch : text) {
        int32_t c = static_cast<signed char>(ch);
        Canvas before = g->canvas;
        copy.cursor_x = before.cursor_x, copy.cursor_y = before.cursor_y;
        if (c != 10) draw_reference_cell(&copy, c, style);
        font_putc(&g->canvas, c);
        expect_cursor(before, g->canvas, c, style);
        for (size_t i = 0; i < g->bytes; ++i)
            if (reference[i] != g->canvas.buffer[i])
                fuzz::fail("code %d at (%d, %d), style %u, on %d x %d: byte %zu is 0x%02x, "
                           "drawn pixel by pixel 0x%02x",
                           c, before.cursor_x, before.cursor_y, style, before.width, before.height,
                           i, g->canvas.buffer[i], reference[i]);
    }
}

// Bits that belong to no pixel keep what mmap_clear put there.
void check_unused_bits(const fuzz::GuardedCanvas &g, uint8_t fill)
{
    std::vector<uint8_t> used(g.bytes, 0);
    Canvas marks = {used.data(), g.canvas.width, g.canvas.height, 0, 0};
    for (int32_t y = 0; y < marks.height; ++y)
        for (int32_t x = 0; x < marks.width; ++x)
            mmap_set_pixel(&marks, x, y, true);
    for (size_t i = 0; i < g.bytes; ++i)
        if ((g.canvas.buffer[i] ^ fill) & ~used[i])
            fuzz::fail("byte %zu: bits of no pixel changed to 0x%02x", i, g.canvas.buffer[i]);
}

// The text in one style on the canvas the header describes (bytes 0 to 8).
void draw_style(const uint8_t *header, const std::string &text, uint32_t style)
{
    fuzz::GuardedCanvas g = fuzz::make_guarded_canvas(header[0] - 4, header[1] - 4);
    style & 1 ? font_set_double_height() : font_clear_double_height();
    style & 2 ? font_set_double_width() : font_clear_double_width();
    style & 4 ? font_set_inverted() : font_clear_inverted();
    int64_t cell_w = int64_t{current_font.width} * (style & 2 ? 2 : 1);
    int64_t cell_h = int64_t{current_font.height} * (style & 1 ? 2 : 1);
    if (font_get_width() != std::clamp<int64_t>(cell_w, INT32_MIN, INT32_MAX) ||
        font_get_height() != std::clamp<int64_t>(cell_h, INT32_MIN, INT32_MAX))
        fuzz::fail("cell %d x %d for a font of %d x %d", font_get_width(), font_get_height(),
                   current_font.width, current_font.height);
    mmap_clear(&g.canvas);
    g.canvas.cursor_x = static_cast<int8_t>(header[2]);
    g.canvas.cursor_y = static_cast<int8_t>(header[3]);
    draw_text(&g, text, style);
    mmap_clear_area(&g.canvas, static_cast<int8_t>(header[7]), static_cast<int8_t>(header[8]));
    mmap_invert_area(&g.canvas, static_cast<int8_t>(header[7]), static_cast<int8_t>(header[8]));
    mmap_putb(&g.canvas, reinterpret_cast<const uint8_t *>(text.data()),
              static_cast<uint32_t>(text.size() * 8));
    check_unused_bits(g, header[4] & 1 ? 0xFF : 0x00);
    fuzz::release_guarded_canvas(&g);
}

// Code 164 takes the chosen glyph's rows; the chosen glyph stays as it was.
void set_currency(uint32_t symbol)
{
    const BdfGlyph *source = get_bdf_char(static_cast<int>(symbol));
    BdfGlyph before = source ? *source : BdfGlyph{};
    font_set_currency_symbol(symbol);
    const BdfGlyph *target = get_bdf_char(164);
    for (int32_t r = 0; source && target && r < current_font.height; ++r)
        if (target->rows[r] != before.rows[r] || source->rows[r] != before.rows[r])
            fuzz::fail("currency symbol %u: row %d should be 0x%04x", symbol, r, before.rows[r]);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    fuzz::silence_stdout();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < header_bytes) return -1;
    const uint8_t *header = data;
    size_t length = std::min<size_t>(header[5] % (max_text + 1), size - header_bytes);
    std::string text(reinterpret_cast<const char *>(data + header_bytes), length);
    data += header_bytes + length, size -= header_bytes + length;
    if (fuzz::declares_many_glyphs(data, size, max_glyphs)) return -1;
    current_font = BdfFont{};
    // Drawing goes on after a failed load, as in the display pass: every
    // lookup then misses, with whatever metrics the reader had taken.
    if (load_font(fuzz::font_file(data, size)) == 0 && (header[4] & 2)) set_currency(header[6]);
    header[4] & 1 ? mmap_set_inverted() : mmap_clear_inverted();
    for (uint32_t style = 0; style < 8; ++style)
        draw_style(header, text, style);
    mmap_clear_inverted();
    release_bdf_font();
    return 0;
}

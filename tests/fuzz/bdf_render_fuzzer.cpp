// A font from any bytes, then a line of text drawn with every combination
// of the style flags on a canvas between poisoned guard zones, so that any
// write outside the canvas is caught. Every character's cell must come out
// byte for byte as a reference draws it pixel by pixel. One combination,
// chosen by the input, is also checked for the cursor, which moves as a
// terminal's does, and for pixels outside the character's cell, which stay.
//
// Input: a 9-byte header, then the text, then the font file.
//   0 canvas width + 4   1 canvas height + 4   2 cursor x   3 cursor y
//   (both signed)        4 flags: bit 0 canvas inversion, bit 1 currency
//   symbol, bits 2-4 the checked style combination   5 text length (at
//   most 16)   6 currency symbol code   7, 8 columns and rows (signed) of
//   the area operations
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "bdf-reader.h"
#include "font.h"
#include "fuzz_support.h"
#include "mmap.h"

namespace
{

// Fonts declaring more glyphs are not run (see declares_many_glyphs).
constexpr int max_glyphs = 4096;

constexpr size_t header_bytes = 9;
constexpr size_t max_text = 16;

struct Params {
    int32_t width, height, cursor_x, cursor_y;
    bool canvas_inverted, set_currency;
    uint32_t checked_style, currency_symbol;
    int32_t area_columns, area_rows;
    std::string text;
};

Params read_params(const uint8_t **data, size_t *size)
{
    Params p{};
    p.width = int32_t{fuzz::take_u8(data, size)} - 4;
    p.height = int32_t{fuzz::take_u8(data, size)} - 4;
    p.cursor_x = static_cast<int8_t>(fuzz::take_u8(data, size));
    p.cursor_y = static_cast<int8_t>(fuzz::take_u8(data, size));
    uint8_t flags = fuzz::take_u8(data, size);
    p.canvas_inverted = flags & 1;
    p.set_currency = flags & 2;
    p.checked_style = (flags >> 2) & 7;
    size_t length = fuzz::take_u8(data, size) % (max_text + 1);
    p.currency_symbol = fuzz::take_u8(data, size);
    p.area_columns = static_cast<int8_t>(fuzz::take_u8(data, size));
    p.area_rows = static_cast<int8_t>(fuzz::take_u8(data, size));
    length = length < *size ? length : *size;
    p.text.assign(reinterpret_cast<const char *>(*data), length);
    *data += length, *size -= length;
    return p;
}

void set_style(uint32_t style)
{
    style & 1 ? font_set_double_height() : font_clear_double_height();
    style & 2 ? font_set_double_width() : font_clear_double_width();
    style & 4 ? font_set_inverted() : font_clear_inverted();
}

int64_t non_negative(int64_t v)
{
    return v < 0 ? 0 : v;
}

// The cell size the renderer promises, worked out here on its own.
int64_t expected_cell_width(uint32_t style)
{
    return int64_t{current_font.width} * (style & 2 ? 2 : 1);
}

int64_t expected_cell_height(uint32_t style)
{
    return int64_t{current_font.height} * (style & 1 ? 2 : 1);
}

// Pixel addressing, written out independently of the canvas module.
size_t byte_of(const Canvas &c, int64_t x, int64_t y)
{
    return static_cast<size_t>(x / 8 + (int64_t{c.width} * y) / 8);
}

uint8_t mask_of(int64_t x)
{
    return static_cast<uint8_t>(0x80u >> (x % 8));
}

// Bits of the buffer that belong to some pixel.
std::vector<uint8_t> pixel_bits(const Canvas &c, size_t bytes)
{
    std::vector<uint8_t> bits(bytes, 0);
    for (int64_t y = 0; y < c.height; ++y)
        for (int64_t x = 0; x < c.width; ++x)
            bits[byte_of(c, x, y)] |= mask_of(x);
    return bits;
}

// After one character: the cursor went where a terminal's would, and every
// pixel outside the cell at the old cursor kept its value.
void check_character(const Canvas &before_cursor, const std::vector<uint8_t> &before,
                     const Canvas &after, size_t bytes, int32_t c, uint32_t style)
{
    int64_t w = non_negative(expected_cell_width(style));
    int64_t h = non_negative(expected_cell_height(style));
    int64_t x0 = before_cursor.cursor_x, y0 = before_cursor.cursor_y;
    int64_t x = x0, y = y0;
    bool newline = c == 10;
    if (newline || x0 + w >= after.width) {
        x = 0;
        y = y0 + h >= after.height ? 0 : y0 + h;
    } else {
        x = x0 + w;
    }
    if (after.cursor_x != x || after.cursor_y != y)
        fuzz::fail("code %d at (%lld, %lld), cell %lld x %lld on %d x %d: cursor should be at "
                   "(%lld, %lld), is at (%d, %d)",
                   c, (long long)x0, (long long)y0, (long long)w, (long long)h, after.width,
                   after.height, (long long)x, (long long)y, after.cursor_x, after.cursor_y);
    std::vector<uint8_t> expected = before;
    if (!newline) {
        for (int64_t py = y0 < 0 ? 0 : y0; py < y0 + h && py < after.height; ++py)
            for (int64_t px = x0 < 0 ? 0 : x0; px < x0 + w && px < after.width; ++px) {
                size_t i = byte_of(after, px, py);
                expected[i] = (expected[i] & ~mask_of(px)) | (after.buffer[i] & mask_of(px));
            }
    }
    for (size_t i = 0; i < bytes; ++i)
        if (expected[i] != after.buffer[i])
            fuzz::fail("code %d drawn at (%lld, %lld) changed byte %zu outside its cell: "
                       "0x%02x became 0x%02x",
                       c, (long long)x0, (long long)y0, i, expected[i], after.buffer[i]);
}

// The cell at the canvas cursor drawn pixel by pixel with mmap_set_pixel:
// the reference the renderer's row drawing must match byte for byte.
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

// Draws the text character by character, and every cell also with the
// reference on a copy of the canvas: after each character the two must be
// equal byte for byte. In the checked style the cursor and the pixels
// outside the cell are checked as well.
void draw_checked(fuzz::GuardedCanvas *g, const std::string &text, uint32_t style, bool checked)
{
    std::vector<uint8_t> before(checked ? g->bytes : 0);
    std::vector<uint8_t> reference(g->canvas.buffer, g->canvas.buffer + g->bytes);
    Canvas copy = {reference.data(), g->canvas.width, g->canvas.height, 0, 0};
    for (char ch : text) {
        if (checked && g->bytes) std::memcpy(before.data(), g->canvas.buffer, g->bytes);
        Canvas cursor = g->canvas;
        int32_t c = static_cast<signed char>(ch);
        copy.cursor_x = cursor.cursor_x, copy.cursor_y = cursor.cursor_y;
        if (c != 10) draw_reference_cell(&copy, c, style);
        font_putc(&g->canvas, c);
        if (g->bytes && std::memcmp(reference.data(), g->canvas.buffer, g->bytes) != 0) {
            size_t i = 0;
            while (reference[i] == g->canvas.buffer[i])
                ++i;
            fuzz::fail("code %d at (%d, %d), style %u, on %d x %d: byte %zu is 0x%02x, drawn "
                       "pixel by pixel 0x%02x",
                       c, cursor.cursor_x, cursor.cursor_y, style, cursor.width, cursor.height, i,
                       g->canvas.buffer[i], reference[i]);
        }
        if (checked) check_character(cursor, before, g->canvas, g->bytes, c, style);
    }
}

// Bits that belong to no pixel keep what mmap_clear put there.
void check_unused_bits(const fuzz::GuardedCanvas &g, const std::vector<uint8_t> &bits, uint8_t fill)
{
    for (size_t i = 0; i < g.bytes; ++i)
        if ((g.canvas.buffer[i] & ~bits[i]) != (fill & ~bits[i]))
            fuzz::fail("byte %zu: bits of no pixel changed to 0x%02x", i, g.canvas.buffer[i]);
}

void draw_style(const Params &p, uint32_t style, const std::vector<uint8_t> &bits)
{
    fuzz::GuardedCanvas g = fuzz::make_guarded_canvas(p.width, p.height);
    set_style(style);
    if (font_get_width() != expected_cell_width(style) && expected_cell_width(style) <= INT32_MAX &&
        expected_cell_width(style) >= INT32_MIN)
        fuzz::fail("font_get_width %d for a font %d wide", font_get_width(), current_font.width);
    if (font_get_height() != expected_cell_height(style) &&
        expected_cell_height(style) <= INT32_MAX && expected_cell_height(style) >= INT32_MIN)
        fuzz::fail("font_get_height %d for a font %d high", font_get_height(), current_font.height);
    mmap_clear(&g.canvas);
    g.canvas.cursor_x = p.cursor_x;
    g.canvas.cursor_y = p.cursor_y;
    draw_checked(&g, p.text, style, style == p.checked_style);
    if (style != p.checked_style) {
        mmap_clear_area(&g.canvas, p.area_columns, p.area_rows);
        mmap_invert_area(&g.canvas, p.area_columns, p.area_rows);
        mmap_putb(&g.canvas, reinterpret_cast<const uint8_t *>(p.text.data()),
                  static_cast<uint32_t>(p.text.size() * 8));
    }
    check_unused_bits(g, bits, p.canvas_inverted ? 0xFF : 0x00);
    fuzz::release_guarded_canvas(&g);
}

// Code 164 takes the chosen glyph's rows; the chosen glyph stays as it was.
void set_currency(uint32_t symbol)
{
    const BdfGlyph *source = get_bdf_char(static_cast<int>(symbol));
    BdfGlyph before = source ? *source : BdfGlyph{};
    font_set_currency_symbol(symbol);
    const BdfGlyph *target = get_bdf_char(164);
    if (!source || !target) return;
    int32_t rows = current_font.height < 0 ? 0 : current_font.height;
    for (int32_t r = 0; r < rows; ++r)
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
    Params p = read_params(&data, &size);
    if (fuzz::declares_many_glyphs(data, size, max_glyphs)) return -1;
    current_font = BdfFont{};
    // Drawing goes on after a failed load, as in the display pass: every
    // lookup then misses, with whatever metrics the reader had taken.
    int loaded = load_font(fuzz::font_file(data, size));
    if (loaded == 0 && p.set_currency) set_currency(p.currency_symbol);
    p.canvas_inverted ? mmap_set_inverted() : mmap_clear_inverted();
    Canvas shape = {nullptr, p.width, p.height, 0, 0};
    std::vector<uint8_t> bits = pixel_bits(shape, mmap_pixel_bytes(p.width, p.height));
    for (uint32_t style = 0; style < 8; ++style)
        draw_style(p, style, bits);
    set_style(0);
    mmap_clear_inverted();
    release_bdf_font();
    return 0;
}

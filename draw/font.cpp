// Glyph renderer: draws characters of current_font at the canvas cursor and
// moves the cursor like a simple terminal.
//
// A cell is W x H pixels: the font's width and height, each doubled by its
// style flag. Canvas column j of the cell shows glyph column j (j / 2 with
// double width), canvas row i shows glyph row i (i / 2 with double height).
// In a glyph row word the leftmost column is the top bit of the padded width
// (bit 7 for widths up to 8, bit 15 for widths 9 to 16).
//
// current_font is a public record, so its sizes are not trusted: a cell
// draws at most 16 glyph columns and 30 glyph rows (what a row word and the
// reader's cell can hold); the part of a larger cell beyond them is left as
// it was. A negative width or height draws nothing and moves the cursor as a
// size of 0 would. Pixels outside the canvas are skipped by mmap_put_row,
// and all cursor sums are formed in 64 bits.
#include "font.h"

#include <cstddef>
#include <cstring>

#include "bdf-reader.h"
#include "utf8.h"

namespace
{

// Every glyph pixel drawn as two adjacent canvas columns.
int32_t font_double_width = 0;
// Every glyph row drawn as two adjacent canvas rows.
int32_t font_double_height = 0;
// Cells drawn as the complement of the glyph.
int32_t font_inverted = 0;

constexpr int32_t newline = 10;
constexpr int32_t currency_sign = 164;
// The most glyph columns (bits of a row word) and glyph rows ever drawn.
constexpr int64_t max_glyph_columns = 16;
constexpr int64_t max_glyph_rows = 30;
constexpr size_t glyph_row_words = sizeof(BdfGlyph{}.rows) / sizeof(BdfGlyph{}.rows[0]);

int64_t cell_width()
{
    return int64_t{current_font.width} * (font_double_width ? 2 : 1);
}

int64_t cell_height()
{
    return int64_t{current_font.height} * (font_double_height ? 2 : 1);
}

int32_t saturate(int64_t value)
{
    if (value > INT32_MAX) return INT32_MAX;
    if (value < INT32_MIN) return INT32_MIN;
    return static_cast<int32_t>(value);
}

int64_t at_least_zero(int64_t value)
{
    return value < 0 ? 0 : value;
}

int64_t at_most(int64_t value, int64_t limit)
{
    return value > limit ? limit : value;
}

// Bit of glyph column 0 in a row word: 7 for widths up to 8, else 15.
// Only called for a width of at least 1.
int32_t leftmost_bit()
{
    return current_font.width <= 8 ? 7 : 15;
}

// The 16 low bits of word, each twice: bit k becomes bits 2k and 2k + 1.
uint32_t doubled(uint32_t word)
{
    uint32_t pixels = 0;
    for (int k = 0; k < 16; ++k)
        pixels |= (word >> k & 1u) * 3u << 2 * k;
    return pixels;
}

// Draws the part of the cell at the cursor that the glyph rows can fill;
// a null glyph (a code the font lacks) draws as a blank cell. Everything
// that is the same for the whole cell (scales, the drawn bits of a row word,
// inversion) is worked out once; then each canvas row, top to bottom, is
// one run of pixels, glyph column k at bit `columns - 1 - k` (two bits with
// double width).
void draw_cell(Canvas *canvas, const BdfGlyph *glyph)
{
    int x_shift = font_double_width ? 1 : 0; // glyph column = canvas column >> x_shift
    int y_shift = font_double_height ? 1 : 0;
    auto columns =
        static_cast<int32_t>(at_most(at_least_zero(current_font.width), max_glyph_columns));
    int64_t rows = at_most(at_least_zero(current_font.height), max_glyph_rows) << y_shift;
    if (columns == 0) return;
    int32_t right_of_cell = leftmost_bit() + 1 - columns; // row word bits right of the cell
    uint32_t cell_bits = (1u << columns) - 1;
    uint32_t inversion = font_inverted ? 0xFFFFu : 0u;
    int64_t x0 = canvas->cursor_x, y0 = canvas->cursor_y;
    for (int64_t i = 0; i < rows; ++i) {
        uint32_t row_word = (glyph ? glyph->rows[i >> y_shift] : 0u) ^ inversion;
        uint32_t pixels = row_word >> right_of_cell & cell_bits;
        if (x_shift) pixels = doubled(pixels);
        mmap_put_row(canvas, x0, y0 + i, pixels, columns << x_shift);
    }
}

// Moves the cursor down by `rows`, back to the top at or past the bottom.
void next_line(Canvas *canvas, int64_t rows)
{
    int64_t y = canvas->cursor_y + rows;
    canvas->cursor_y = y >= canvas->height ? 0 : static_cast<int32_t>(y);
}

// Moves the cursor one cell right; at or past the right edge, to the start
// of the next line.
void advance(Canvas *canvas, int64_t columns, int64_t rows)
{
    int64_t x = canvas->cursor_x + columns;
    if (x < canvas->width) {
        canvas->cursor_x = static_cast<int32_t>(x);
        return;
    }
    canvas->cursor_x = 0;
    next_line(canvas, rows);
}

// Code 10 exactly is a newline (nothing drawn, no glyph looked up); any other
// code draws the glyph of key and moves the cursor on.
int put_character(Canvas *canvas, int32_t code, int32_t key)
{
    if (!canvas) return 0;
    int64_t columns = at_least_zero(cell_width());
    int64_t rows = at_least_zero(cell_height());
    if (code == newline) {
        canvas->cursor_x = 0;
        next_line(canvas, rows);
        return 0;
    }
    draw_cell(canvas, get_bdf_char(key));
    advance(canvas, columns, rows);
    return 0;
}

} // namespace

int font_set_double_height()
{
    font_double_height = 1;
    return 0;
}

int font_clear_double_height()
{
    font_double_height = 0;
    return 0;
}

int font_set_double_width()
{
    font_double_width = 1;
    return 0;
}

int font_clear_double_width()
{
    font_double_width = 0;
    return 0;
}

int font_set_inverted()
{
    font_inverted = 1;
    return 0;
}

int font_clear_inverted()
{
    font_inverted = 0;
    return 0;
}

int32_t font_get_width()
{
    return saturate(cell_width());
}

int32_t font_get_height()
{
    return saturate(cell_height());
}

int font_load(const char *path)
{
    return load_font(path);
}

void font_release()
{
    release_bdf_font();
}

// Copies through a temporary so that a symbol of 164 leaves the glyph as it
// was. Only the rows a glyph record holds are copied.
int font_set_currency_symbol(uint32_t symbol)
{
    const BdfGlyph *source = get_bdf_char(static_cast<int>(symbol & 0xFFu));
    BdfGlyph *target = get_bdf_char(currency_sign);
    if (!source || !target || current_font.height <= 0) return 0;
    size_t rows = static_cast<size_t>(at_most(current_font.height, glyph_row_words));
    uint16_t copy[glyph_row_words];
    std::memcpy(copy, source->rows, rows * sizeof copy[0]);
    std::memcpy(target->rows, copy, rows * sizeof copy[0]);
    return 0;
}

int font_putc(Canvas *canvas, int32_t character)
{
    return put_character(canvas, character, character & 0xFF);
}

int font_put_codepoint(Canvas *canvas, int32_t code)
{
    return put_character(canvas, code, code);
}

int font_puts(Canvas *canvas, const char *text)
{
    if (!text) return 0;
    for (size_t i = 0, n = std::strlen(text); i < n; ++i)
        font_putc(canvas, static_cast<signed char>(text[i]));
    return 0;
}

int font_puts_utf8(Canvas *canvas, const char *text)
{
    if (!text) return 0;
    size_t used = 0;
    for (size_t i = 0, n = std::strlen(text); i < n; i += used)
        font_put_codepoint(canvas, utf8_next(text + i, n - i, &used));
    return 0;
}

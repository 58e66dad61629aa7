// Glyph renderer: draws characters of current_font on a canvas and moves the
// canvas cursor like a simple terminal.
#ifndef NORLET_FONT_H
#define NORLET_FONT_H

#include <cstdint>

#include "mmap.h"

// Style flags, process-wide, 0 at start, untouched by loading or releasing
// a font; a change takes effect from the next font_putc. Each returns 0.
int font_set_double_height();
int font_clear_double_height();
int font_set_double_width();
int font_clear_double_width();
int font_set_inverted();
int font_clear_inverted();

// Cell width W and height H: current_font's width and height, each doubled
// when its flag is on. A doubled size beyond the int32 range is clamped to it.
int32_t font_get_width();
int32_t font_get_height();

// Loads the font file at path into current_font with load_font: 0 on
// success, 1 on failure (the reader prints the messages).
int font_load(const char *path);

// Frees current_font's glyph table with release_bdf_font; the style flags
// and the metrics stay.
void font_release();

// Gives the glyph of code 164 the rows 0 .. height - 1 of the glyph of code
// symbol & 0xFF, until the table is released; the source glyph is unchanged.
// Copies nothing when either code is missing or the height is 0 or less.
// Returns 0.
int font_set_currency_symbol(uint32_t symbol);

// Code 10 exactly is a newline: cursor to the left edge and H rows down, back
// to the top at or past the bottom; nothing drawn. Any other code draws the
// glyph of character & 0xFF over the whole W x H cell at the cursor (its
// complement when inverted; a code the font lacks, or no table, gives a blank
// cell), then moves the cursor W right, wrapping to the next line when it
// reaches the right edge. Pixels outside the canvas are skipped. At most 16
// glyph columns and 30 glyph rows are drawn (the rest of a larger cell stays
// as it was); a negative font size draws nothing and counts as 0 for the
// cursor. A null canvas is ignored. Returns 0.
int font_putc(Canvas *canvas, int32_t character);

// font_putc for every byte of the NUL-terminated text, each read as a signed
// char. A null text draws nothing. Returns 0.
int font_puts(Canvas *canvas, const char *text);

// font_putc for a whole code point: code 10 is a newline, any other code
// draws the glyph whose encoding is code itself (a Unicode font's code
// point), a blank cell when the font lacks it. Returns 0.
int font_put_codepoint(Canvas *canvas, int32_t code);

// font_put_codepoint for every character of the NUL-terminated UTF-8 text as
// utf8_next takes them: a well-formed sequence draws its code point, every
// other byte its Latin-1 code. A null text draws nothing. Returns 0.
int font_puts_utf8(Canvas *canvas, const char *text);

#endif

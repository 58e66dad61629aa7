// Glyph renderer: draws characters of current_font on a canvas and moves the
// canvas cursor like a simple terminal.
#ifndef NORLET_FONT_H
#define NORLET_FONT_H

#include <cstdint>

#include "mmap.h"

// Style flags, process-wide; each setter returns 0.
int font_set_double_height();
int font_clear_double_height();
int font_set_double_width();
int font_clear_double_width();
int font_set_inverted();
int font_clear_inverted();

// Cell width and height: the font's, doubled by the style flags.
int32_t font_get_width();
int32_t font_get_height();

// load_font / release_bdf_font, nothing added.
int font_load(const char *path);
void font_release();

// Gives code 164 the rows of the glyph of symbol & 0xFF. Returns 0.
int font_set_currency_symbol(uint32_t symbol);

// Draws one character at the cursor (10 is a newline) and moves the cursor.
int font_putc(Canvas *canvas, int32_t character);

// font_putc for every byte of text. Returns 0.
int font_puts(Canvas *canvas, const char *text);

#endif

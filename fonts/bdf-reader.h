// BDF font reader: reads one bitmap font file into current_font, normalising
// every glyph into the font's cell of height rows by width columns.
#ifndef NORLET_BDF_READER_H
#define NORLET_BDF_READER_H

#include <cstdint>

// One glyph: its ENCODING and its cell rows, row 0 at the top. In a row word
// the cell's leftmost column is bit P - 1, P = 8 * ceil(width / 8).
struct BdfGlyph {
    int32_t encoding;
    uint16_t rows[60];
};

// The loaded font. The cell is at most 30 rows high and 16 pixels wide.
struct BdfFont {
    int32_t height;      // cell rows (second FONTBOUNDINGBOX number)
    int32_t width;       // cell columns (first FONTBOUNDINGBOX number)
    int32_t x_offset;    // cell's left edge relative to the glyph origin
    int32_t y_offset;    // cell's bottom edge relative to the baseline
    int32_t glyph_count; // records in the table (the CHARS value)
    BdfGlyph *glyphs;    // owned glyph table, null when there is none
};

// The one loaded font, all zero and without a table at program start.
extern BdfFont current_font;

// Loads the BDF file at path into current_font: the cell from
// FONTBOUNDINGBOX, glyph_count from CHARS, and a table of glyph_count
// records, every glyph placed in the cell. Returns 0 when the font is loaded,
// 1 on any failure, with a message on stdout either way. The metrics read
// before a failure stay; after a failure there is no table. The table
// belongs to current_font until release_bdf_font; a table an earlier load
// left unreleased is freed first.
int load_font(const char *path);

// The first glyph in the table whose encoding equals key; null when no glyph
// has the key, when there is no table, and for -1 (no encoding), so records
// the file did not fill are never returned. The record stays owned by
// current_font and is valid until release_bdf_font.
BdfGlyph *get_bdf_char(int key);

// Frees the glyph table and leaves current_font without one; the metrics and
// glyph_count stay. Does nothing when there is no table.
void release_bdf_font();

#endif

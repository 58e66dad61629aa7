// Monochrome canvas: a caller's byte buffer seen as a one-bit-per-pixel
// surface with a text cursor.
#ifndef NORLET_MMAP_H
#define NORLET_MMAP_H

#include <cstdint>

// The caller owns the buffer; it must hold every byte that a pixel of the
// canvas lives in (see mmap_pixel_bytes).
struct Canvas {
    uint8_t *buffer;
    int32_t width;    // pixels per row
    int32_t height;   // rows
    int32_t cursor_x; // column of the next thing drawn, 0 = leftmost
    int32_t cursor_y; // row of the next thing drawn, 0 = top
};

// Number of buffer bytes the pixels of a width x height canvas occupy
// (0 when either side is 0 or negative). Wide arithmetic: never wraps.
uint64_t mmap_pixel_bytes(int64_t width, int64_t height);

// Sets pixel (x, y) on or off; pixels outside the canvas are ignored.
void mmap_set_pixel(Canvas *canvas, int64_t x, int64_t y, bool on);

// Sets the count pixels of row y from column x on (count at most 32; other
// counts set none) to the count low bits of pixels, the first pixel from the
// most significant of them, as mmap_set_pixel would one by one from left to
// right; pixels outside the canvas are ignored.
void mmap_put_row(Canvas *canvas, int64_t x, int64_t y, uint32_t pixels, int32_t count);

// Reads pixel (x, y); false outside the canvas.
bool mmap_get_pixel(const Canvas *canvas, int64_t x, int64_t y);

// Fills every pixel byte with 0x00 (0xFF when inverted) and puts the cursor
// at (0, 0). A null canvas is ignored.
void mmap_clear(Canvas *canvas);

// Turns off (on when inverted) the rectangle of columns x rows at the cursor.
// The part outside the canvas is skipped; the cursor stays.
void mmap_clear_area(Canvas *canvas, int32_t columns, int32_t rows);

// Flips every pixel of the rectangle at the cursor, clipped to the canvas.
void mmap_invert_area(Canvas *canvas, int32_t columns, int32_t rows);

// Writes count bits of source, most significant bit first, from the cursor
// on in reading order (wrapping at the right edge and at the bottom), each
// complemented when inverted; leaves the cursor after the last bit. Does
// nothing when the cursor is outside the canvas.
void mmap_putb(Canvas *canvas, const uint8_t *source, uint32_t count);

// Canvas inversion for clear, clear_area and putb; both return 0.
int mmap_set_inverted();
int mmap_clear_inverted();

#endif

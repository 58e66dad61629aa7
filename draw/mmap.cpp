// Monochrome canvas.
//
// Pixel addressing, used by every writer of canvas pixels:
//
//   byte = x / 8 + (width * y) / 8      (two truncating divisions, then added)
//   mask = 0x80 >> (x % 8)              (leftmost pixel = most significant bit)
//
//   width 128:  row 0 -> bytes 0..15, row 1 starts at byte 16, mask 0x80
//   width 132:  row 1 starts at byte 16 mask 0x80, the same bit as (128, 0);
//               row 2 starts at byte 33, so the low nibble of byte 32 is unused
//
// When width is a multiple of 8 this is the plain (width * y + x) / 8.
// Along a row, pixel x + 1 is the bit after pixel x (the next lower one, or
// bit 7 of the next byte), so the pixels from x on are a run of bits that
// starts at byte_of(x, y), mask_of(x): mmap_put_row writes them whole bytes
// at a time. Where rows share bits (width 132), the row written last keeps
// them, so rows written top to bottom end as pixels set one by one would.
#include "mmap.h"

#include <cstring>

namespace
{

// Canvas inversion: clear fills with 0xFF, clear_area turns pixels on and
// putb complements its bits.
int32_t mmap_inverted = 0;

bool inside(const Canvas *canvas, int64_t x, int64_t y)
{
    return x >= 0 && y >= 0 && x < canvas->width && y < canvas->height;
}

uint64_t byte_of(const Canvas *canvas, int64_t x, int64_t y)
{
    return static_cast<uint64_t>(x / 8 + (int64_t{canvas->width} * y) / 8);
}

uint8_t mask_of(int64_t x)
{
    return static_cast<uint8_t>(0x80u >> (x % 8));
}

// The rectangle at the cursor, clipped to the canvas: [x0, x1) x [y0, y1).
struct Span {
    int64_t x0, x1, y0, y1;
};

Span clip_area(const Canvas *canvas, int32_t columns, int32_t rows)
{
    auto clamp = [](int64_t v, int64_t hi) { return v < 0 ? 0 : (v > hi ? hi : v); };
    int64_t x0 = canvas->cursor_x, y0 = canvas->cursor_y;
    Span span{};
    if (columns <= 0 || rows <= 0 || canvas->width <= 0 || canvas->height <= 0) return span;
    span.x0 = clamp(x0, canvas->width);
    span.x1 = clamp(x0 + columns, canvas->width);
    span.y0 = clamp(y0, canvas->height);
    span.y1 = clamp(y0 + rows, canvas->height);
    return span;
}

} // namespace

uint64_t mmap_pixel_bytes(int64_t width, int64_t height)
{
    if (width <= 0 || height <= 0) return 0;
    return static_cast<uint64_t>((width - 1) / 8 + (width * (height - 1)) / 8 + 1);
}

void mmap_set_pixel(Canvas *canvas, int64_t x, int64_t y, bool on)
{
    if (!inside(canvas, x, y)) return;
    uint8_t &byte = canvas->buffer[byte_of(canvas, x, y)];
    byte = on ? (byte | mask_of(x)) : (byte & ~mask_of(x));
}

void mmap_put_row(Canvas *canvas, int64_t x, int64_t y, uint32_t pixels, int32_t count)
{
    if (count <= 0 || count > 32 || y < 0 || y >= canvas->height) return;
    int64_t first = x < 0 ? 0 : x;                                       // first pixel drawn
    int64_t end = x + count < canvas->width ? x + count : canvas->width; // one past the last
    if (first >= end) return;
    // The pixels drawn, first one at bit 63 less its place in its byte,
    // under a mask of the same bits.
    int place = static_cast<int>(first % 8);
    uint64_t bits = (uint64_t{pixels} << (64 - count + (first - x))) >> place;
    uint64_t mask = (~uint64_t{0} << (64 - (end - first))) >> place;
    for (uint8_t *byte = canvas->buffer + byte_of(canvas, first, y); mask != 0; ++byte) {
        *byte = static_cast<uint8_t>((*byte & ~(mask >> 56)) | ((bits & mask) >> 56));
        bits <<= 8;
        mask <<= 8;
    }
}

bool mmap_get_pixel(const Canvas *canvas, int64_t x, int64_t y)
{
    return inside(canvas, x, y) && (canvas->buffer[byte_of(canvas, x, y)] & mask_of(x));
}

// Fills every byte a pixel lives in. That is the first (height * width) / 8
// bytes, and one more when width * height is not a multiple of 8 and the
// last row ends in a byte of its own.
void mmap_clear(Canvas *canvas)
{
    if (!canvas) return;
    uint64_t bytes = mmap_pixel_bytes(canvas->width, canvas->height);
    if (bytes) std::memset(canvas->buffer, mmap_inverted ? 0xFF : 0x00, bytes);
    canvas->cursor_y = 0;
    canvas->cursor_x = 0;
}

void mmap_clear_area(Canvas *canvas, int32_t columns, int32_t rows)
{
    bool on = mmap_inverted != 0;
    Span span = clip_area(canvas, columns, rows);
    for (int64_t y = span.y0; y < span.y1; ++y)
        for (int64_t x = span.x0; x < span.x1; ++x)
            mmap_set_pixel(canvas, x, y, on);
}

void mmap_invert_area(Canvas *canvas, int32_t columns, int32_t rows)
{
    Span span = clip_area(canvas, columns, rows);
    for (int64_t y = span.y0; y < span.y1; ++y)
        for (int64_t x = span.x0; x < span.x1; ++x)
            canvas->buffer[byte_of(canvas, x, y)] ^= mask_of(x);
}

void mmap_putb(Canvas *canvas, const uint8_t *source, uint32_t count)
{
    if (count == 0 || !inside(canvas, canvas->cursor_x, canvas->cursor_y)) return;
    bool inverted = mmap_inverted != 0;
    for (uint32_t i = 0; i < count; ++i) {
        bool bit = (source[i / 8] & (0x80u >> (i % 8))) != 0;
        mmap_set_pixel(canvas, canvas->cursor_x, canvas->cursor_y, bit != inverted);
        if (++canvas->cursor_x >= canvas->width) {
            canvas->cursor_x = 0;
            if (++canvas->cursor_y >= canvas->height) canvas->cursor_y = 0;
        }
    }
}

int mmap_set_inverted()
{
    mmap_inverted = 1;
    return 0;
}

int mmap_clear_inverted()
{
    mmap_inverted = 0;
    return 0;
}

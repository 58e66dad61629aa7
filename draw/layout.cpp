// Frame layout.
//
// Packed rows are the canvas's own addressing (see mmap.cpp), one bit a
// pixel. Every other format keeps rows line_length bytes apart and pixel x of
// a row at bits x * bpp .. x * bpp + bpp - 1 of the row, the bits counted in
// the order the format fills them:
//
//   low bits first, 1 bpp:   byte 0 = | p7 p6 p5 p4 p3 p2 p1 p0 |   (bit 7 .. bit 0)
//   high bits first, 1 bpp:  byte 0 = | p0 p1 p2 p3 p4 p5 p6 p7 |
//   low bits first, 4 bpp:   byte 0 = | p1 | p0 |
//   16 bpp, low byte first:  row[2x] = ink & 0xFF, row[2x + 1] = ink >> 8
//
// which is how the kernel's own drawing code packs pixels: low bits first on
// little-endian machines, high bits first on big-endian ones.
#include "layout.h"

#include <bit>
#include <climits>
#include <cstring>

namespace
{

// An ink pixel of 8 bits or more as the bytes it is stored as.
struct InkBytes {
    uint8_t bytes[4];
    uint32_t count;
};

InkBytes ink_bytes(const FrameFormat *format)
{
    InkBytes ink{{}, format->bits_per_pixel / 8};
    for (uint32_t i = 0; i < ink.count; ++i) {
        uint32_t place = format->low_bits_first ? i : ink.count - 1 - i;
        ink.bytes[i] = static_cast<uint8_t>(format->ink >> (8 * place));
    }
    return ink;
}

void put_bits(const FrameFormat *format, uint8_t *row, uint64_t x)
{
    uint32_t bits = format->bits_per_pixel;
    uint64_t first_bit = x * bits;
    uint32_t within = static_cast<uint32_t>(first_bit % 8);
    uint32_t shift = format->low_bits_first ? within : 8 - bits - within;
    uint32_t value = format->ink & ((1u << bits) - 1);
    row[first_bit / 8] = static_cast<uint8_t>(row[first_bit / 8] | value << shift);
}

// Stores ink as pixel x of a row; each word size is copied at a size the
// compiler knows.
void put_ink(const FrameFormat *format, const InkBytes &ink, uint8_t *row, uint64_t x)
{
    switch (ink.count) {
    case 4:
        std::memcpy(row + 4 * x, ink.bytes, 4);
        break;
    case 3:
        std::memcpy(row + 3 * x, ink.bytes, 3);
        break;
    case 2:
        std::memcpy(row + 2 * x, ink.bytes, 2);
        break;
    case 1:
        row[x] = ink.bytes[0];
        break;
    default:
        put_bits(format, row, x);
    }
}

// Where canvas pixel (cx, cy) shows in the frame:
// x = x0 + xx * cx + xy * cy, y = y0 + yx * cx + yy * cy.
struct Placement {
    int64_t x0, xx, xy, y0, yx, yy;
};

Placement placement_of(const FrameFormat *format)
{
    int64_t right = int64_t{format->visible_width} - 1, bottom = int64_t{format->rows} - 1;
    switch (format->quarter_turns % 4) {
    case 1:
        return {right, 0, -1, 0, 1, 0};
    case 2:
        return {right, -1, 0, bottom, 0, -1};
    case 3:
        return {0, 0, 1, bottom, -1, 0};
    default:
        return {0, 1, 0, 0, 0, 1};
    }
}

// The frame being filled and where ink may go in it. A row line_length bytes
// long takes the pixels that fit whole in it, and the row cut by the end of
// the frame those that fit whole before the end; packed rows, addressed as
// the canvas does (target), take a row only when its last byte is inside.
struct Target {
    const FrameFormat *format;
    InkBytes ink;
    uint8_t *frame;
    uint64_t bytes;
    uint64_t columns;    // pixels a row shows: within the visible width when turned
    uint64_t whole_rows; // rows line_length apart that lie wholly inside bytes
    uint64_t cut_fit;    // pixels that fit whole in the row cut by bytes
    Canvas target;       // packed rows: the frame in the canvas addressing
};

Target target_of(const FrameFormat *format, uint8_t *frame, uint64_t bytes)
{
    Target t{format, ink_bytes(format), frame, bytes, format->columns, 0, 0, {}};
    if (format->quarter_turns % 4 && format->visible_width < t.columns)
        t.columns = format->visible_width;
    if (format->line_length == 0) {
        t.target = {frame, static_cast<int32_t>(format->columns),
                    static_cast<int32_t>(format->rows), 0, 0};
        return t;
    }
    uint64_t per_row = format->line_length * 8 / format->bits_per_pixel;
    if (per_row < t.columns) t.columns = per_row;
    t.whole_rows = bytes / format->line_length;
    t.cut_fit = bytes % format->line_length * 8 / format->bits_per_pixel;
    return t;
}

// Ink at frame pixel (x, y), when the frame holds it.
void put(Target &t, int64_t x, int64_t y)
{
    if (x < 0 || y < 0 || static_cast<uint64_t>(x) >= t.columns || y >= int64_t{t.format->rows})
        return;
    if (t.format->line_length == 0) {
        if (mmap_pixel_bytes(t.target.width, y + 1) <= t.bytes)
            mmap_set_pixel(&t.target, x, y, true);
        return;
    }
    auto row = static_cast<uint64_t>(y);
    if (row > t.whole_rows || (row == t.whole_rows && static_cast<uint64_t>(x) >= t.cut_fit))
        return;
    put_ink(t.format, t.ink, t.frame + row * t.format->line_length, static_cast<uint64_t>(x));
}

void place(Target &t, const Placement &p, int64_t cx, int64_t cy)
{
    put(t, p.x0 + p.xx * cx + p.xy * cy, p.y0 + p.yx * cx + p.yy * cy);
}

// Every canvas pixel that is on, in one pass over the canvas. A canvas of
// whole bytes a row (a width that is a multiple of 8), which the canvas
// addressing (mmap.cpp) makes plain row-major bytes, leftmost pixel in the
// top bit, is read a byte at a time, empty bytes passed over.
void fill(Target t, const Canvas *canvas)
{
    Placement p = placement_of(t.format);
    if (canvas->width % 8 == 0) {
        int64_t row_bytes = canvas->width / 8;
        for (int64_t cy = 0; cy < canvas->height; ++cy) {
            const uint8_t *source = canvas->buffer + cy * row_bytes;
            for (int64_t at = 0; at < row_bytes; ++at)
                for (uint32_t bits = source[at]; bits != 0; bits &= bits - 1)
                    place(t, p, 8 * at + 7 - std::countr_zero(bits), cy);
        }
        return;
    }
    for (int64_t cy = 0; cy < canvas->height; ++cy)
        for (int64_t cx = 0; cx < canvas->width; ++cx)
            if (mmap_get_pixel(canvas, cx, cy)) place(t, p, cx, cy);
}

bool supported_bits(uint32_t bits)
{
    return bits == 1 || bits == 2 || bits == 4 || bits == 8 || bits == 16 || bits == 24 ||
           bits == 32;
}

} // namespace

bool layout_is_canvas(const FrameFormat *format)
{
    return format->line_length == 0 && format->quarter_turns % 4 == 0;
}

uint64_t layout_frame_bytes(const FrameFormat *format)
{
    if (format->line_length == 0) return mmap_pixel_bytes(format->columns, format->rows);
    return format->line_length * format->rows;
}

void layout_fill(const FrameFormat *format, const Canvas *canvas, uint8_t *frame, uint64_t bytes)
{
    if (bytes == 0) return;
    std::memset(frame, 0, bytes);
    // Packed rows are addressed as a canvas, whose sides are 32-bit.
    bool packed_fits = format->columns <= INT32_MAX && format->rows <= INT32_MAX;
    if (format->line_length == 0 ? packed_fits : supported_bits(format->bits_per_pixel))
        fill(target_of(format, frame, bytes), canvas);
}

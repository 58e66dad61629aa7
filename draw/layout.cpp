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

// Where frame row y takes its pixels from: canvas row source_y, frame pixel x
// from canvas column first + step * x, for the first `columns` pixels (when
// turned, those of the visible width).
struct Source {
    int64_t source_y, first, step;
    uint64_t columns;
};

Source source_of(const FrameFormat *format, uint64_t y, uint64_t columns)
{
    if (!format->turned) return {static_cast<int64_t>(y), 0, 1, columns};
    uint64_t visible = columns < format->visible_width ? columns : format->visible_width;
    return {int64_t{format->rows} - 1 - static_cast<int64_t>(y), int64_t{format->visible_width} - 1,
            -1, visible};
}

// Ink of one frame row from a canvas of whole bytes a row (a width that is a
// multiple of 8), which the canvas addressing (mmap.cpp) makes plain
// row-major bytes, leftmost pixel in the top bit: empty bytes are passed over
// eight pixels at a time.
void fill_row_from_bytes(const FrameFormat *format, const InkBytes &ink, uint8_t *row,
                         const Canvas *canvas, const Source &from)
{
    const uint8_t *source = canvas->buffer + from.source_y * (canvas->width / 8);
    for (int64_t at = 0; at < canvas->width / 8; ++at) {
        for (uint32_t bits = source[at]; bits != 0; bits &= bits - 1) {
            int64_t bit = 7 - std::countr_zero(bits); // the rightmost pixel left
            int64_t x = from.step * (8 * at + bit - from.first);
            if (x >= 0 && static_cast<uint64_t>(x) < from.columns) put_ink(format, ink, row, x);
        }
    }
}

// Rows line_length bytes apart; a row only partly inside bytes gets the
// pixels that fit whole.
void fill_rows(const FrameFormat *format, const Canvas *canvas, uint8_t *frame, uint64_t bytes)
{
    InkBytes ink = ink_bytes(format);
    uint64_t stride = format->line_length, bits = format->bits_per_pixel;
    for (uint64_t y = 0; y < format->rows && y * stride < bytes; ++y) {
        uint64_t room = bytes - y * stride < stride ? bytes - y * stride : stride;
        uint64_t fit = room * 8 / bits < format->columns ? room * 8 / bits : format->columns;
        Source from = source_of(format, y, fit);
        uint8_t *row = frame + y * stride;
        if (from.source_y < 0 || from.source_y >= canvas->height) continue;
        if (canvas->width % 8 == 0) {
            fill_row_from_bytes(format, ink, row, canvas, from);
            continue;
        }
        for (uint64_t x = 0; x < from.columns; ++x)
            if (mmap_get_pixel(canvas, from.first + from.step * static_cast<int64_t>(x),
                               from.source_y))
                put_ink(format, ink, row, x);
    }
}

// Packed rows, set through the canvas addressing over the frame; a row whose
// last byte lies past bytes is left out.
void fill_packed(const FrameFormat *format, const Canvas *canvas, uint8_t *frame, uint64_t bytes)
{
    if (format->columns > INT32_MAX || format->rows > INT32_MAX) return;
    Canvas target{}; // the frame in the canvas addressing; its cursor is not used
    target.buffer = frame;
    target.width = static_cast<int32_t>(format->columns);
    target.height = static_cast<int32_t>(format->rows);
    for (int64_t y = 0; y < target.height; ++y) {
        if (mmap_pixel_bytes(target.width, y + 1) > bytes) return;
        Source from = source_of(format, static_cast<uint64_t>(y), format->columns);
        for (int64_t x = 0; x < static_cast<int64_t>(from.columns); ++x)
            if (mmap_get_pixel(canvas, from.first + from.step * x, from.source_y))
                mmap_set_pixel(&target, x, y, true);
    }
}

bool supported_bits(uint32_t bits)
{
    return bits == 1 || bits == 2 || bits == 4 || bits == 8 || bits == 16 || bits == 24 ||
           bits == 32;
}

} // namespace

bool layout_is_canvas(const FrameFormat *format)
{
    return format->line_length == 0 && !format->turned;
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
    if (format->line_length == 0)
        fill_packed(format, canvas, frame, bytes);
    else if (supported_bits(format->bits_per_pixel))
        fill_rows(format, canvas, frame, bytes);
}

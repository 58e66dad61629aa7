// Frame layout: lays a one-bit canvas out in the pixel format a frame-buffer
// driver stores, so that one canvas serves every kind of panel.
#ifndef NORLET_LAYOUT_H
#define NORLET_LAYOUT_H

#include <cstdint>

#include "mmap.h"

// How a driver stores a frame. Background pixels are 0, ink pixels hold ink.
struct FrameFormat {
    uint32_t bits_per_pixel; // 1, 2, 4, 8, 16, 24 or 32 (packed rows: 1)
    uint64_t line_length;    // bytes from one row to the next; 0: packed rows,
                             // one bit a pixel, addressed as the canvas does
    uint32_t columns;        // pixels laid out in each row
    uint32_t rows;           // rows laid out
    uint32_t ink;            // pixel value of ink, in the low bits_per_pixel bits
    bool low_bits_first;     // pixels fill each byte from its low bits, and a
                             // pixel's low byte comes first (little-endian);
                             // otherwise from the high bits, high byte first
    uint32_t quarter_turns;  // the picture turned clockwise by this many times
                             // 90 degrees (taken modulo 4) within
                             // visible_width x rows
    uint32_t visible_width;  // columns the panel shows: the width of the turn
};

// Whether a canvas columns x rows wide is already the frame: packed rows, not
// turned. The frame can then be the canvas's own buffer.
bool layout_is_canvas(const FrameFormat *format);

// Bytes of a whole frame in this format: line_length * rows, or for packed
// rows the bytes the pixels of columns x rows occupy (mmap_pixel_bytes).
uint64_t layout_frame_bytes(const FrameFormat *format);

// Fills all of frame[0, bytes): background everywhere, then ink at each place
// whose canvas pixel is on. With V = visible_width and R = rows, frame pixel
// (x, y) shows canvas pixel
//   (x, y)                  not turned
//   (y, V - 1 - x)          90 degrees: the canvas is R wide and V high, its
//                           top along the panel's right edge
//   (V - 1 - x, R - 1 - y)  180 degrees
//   (R - 1 - y, x)          270 degrees: its top along the left edge
// and when turned, columns from V on stay background. Pixels past bytes, and
// canvas pixels outside the canvas, are left out: nothing outside the canvas
// or the frame is read or written.
void layout_fill(const FrameFormat *format, const Canvas *canvas, uint8_t *frame, uint64_t bytes);

#endif

// The text pass: the display's text drawn on the canvas line by line, with
// the terminal escape sequences a script prints (printf '\e[7m', tput rev).
#ifndef NORLET_TEXT_PASS_H
#define NORLET_TEXT_PASS_H

#include <cstdint>

#include "mmap.h"

// Draws the UTF-8 text (NUL-terminated, not null) in the loaded font from the
// canvas cursor on, a character at a time as the renderer draws it:
//   - a line is broken after every 21 characters drawn (escape sequences are
//     not characters), and where a cell ends at or past right_edge, as the
//     renderer breaks at the canvas's own edge; a newline in the text starts
//     a new line and a new count;
//   - ESC [ ... m (SGR): parameter 7 turns reverse video on, 27 off, 0 or an
//     empty one all off; others are ignored, and so are the colour values
//     that 38, 48 and 58 take (5 and an index, or 2 and three values).
//     Reverse video holds across lines until it is turned off;
//   - at the start of a line, before any character of it: ESC # 6 makes it
//     double width, ESC # 3 double width and double height, two cell rows
//     (drawn from the top instead where its second row would start at or
//     past the bottom). The line right after an ESC # 3 line, when it starts
//     with ESC # 4, is that line's bottom half: it draws nothing and takes no
//     row, though its SGR sequences count;
//   - any other escape sequence draws nothing. A control sequence ends at its
//     final byte, a string (ESC ] P X ^ _) after BEL or before ESC; a sequence
//     cut short by a byte that cannot continue it (a newline, ESC, a byte of
//     0x80 or more) ends before that byte, which is text again.
// The renderer's style flags are cleared before the pass and again after it,
// so text without ESC draws plainly, and nothing the text set outlives it.
void text_pass_draw(Canvas *canvas, const char *text, int64_t right_edge);

#endif

// The text pass.
//
// Escape sequences, as a terminal's parser takes them (ECMA-48, DEC VT100):
//
//   ESC [ P... I... F   control sequence: parameter bytes P (0x30-0x3F),
//                       intermediate bytes I (0x20-0x2F), a final byte F
//                       (0x40-0x7E); SGR is F = 'm' with parameters of digits,
//                       ':' and ';' only, and no intermediates
//   ESC ] ...           a string (also ESC P, X, ^ and _), up to BEL or ESC
//                       (ST is ESC \, itself a sequence)
//   ESC I... F          any other: intermediates, then a final 0x30-0x7E;
//                       ESC # 3, ESC # 4 and ESC # 6 size DEC's lines
//
// No sequence reaches past a newline, so each argument stays a line of its
// own whatever escape a script leaves unfinished in it.
#include "text-pass.h"

#include <cstring>

#include "font.h"
#include "utf8.h"

namespace
{

constexpr int32_t columns_per_line = 21;
constexpr int32_t newline = '\n';
constexpr char escape = 0x1B;
constexpr char bell = 0x07;

enum class Sequence : uint8_t { other, sgr, double_width, double_size, bottom_half };

struct Escape {
    size_t length; // bytes, ESC included
    Sequence kind;
};

// What the pass keeps from one character to the next.
struct Pass {
    Canvas *canvas;
    int64_t right_edge;
    int32_t column;         // characters drawn since the line began or was broken
    bool line_start;        // nothing drawn on this text line yet
    bool double_size;       // this line is an ESC # 3 line
    bool after_double_size; // the line before was one
    bool bottom_half;       // this line is the bottom half of one: not drawn
};

bool within(char c, unsigned low, unsigned high)
{
    auto byte = static_cast<unsigned char>(c);
    return byte >= low && byte <= high;
}

// The end of the bytes in [low, high] from `from` on.
size_t run(const char *text, size_t n, size_t from, unsigned low, unsigned high)
{
    while (from < n && within(text[from], low, high))
        ++from;
    return from;
}

Escape control_sequence(const char *text, size_t n)
{
    size_t parameters = run(text, n, 2, 0x30, 0x3F);
    size_t end = run(text, n, parameters, 0x20, 0x2F);
    if (end == n || !within(text[end], 0x40, 0x7E)) return {end, Sequence::other};
    // SGR: parameters of digits, ':' and ';' alone, no intermediates.
    bool sgr = text[end] == 'm' && run(text, end, 2, '0', ';') == end;
    return {end + 1, sgr ? Sequence::sgr : Sequence::other};
}

Escape string_sequence(const char *text, size_t n)
{
    size_t end = 2;
    while (end < n && text[end] != bell && text[end] != escape && text[end] != '\n')
        ++end;
    return {end < n && text[end] == bell ? end + 1 : end, Sequence::other};
}

// The sequence at text[0], an ESC, n bytes before the end of the text.
Escape read_escape(const char *text, size_t n)
{
    if (n >= 2 && text[1] == '[') return control_sequence(text, n);
    if (n >= 2 && std::memchr("]PX^_", text[1], 5)) return string_sequence(text, n);
    size_t end = run(text, n, 1, 0x20, 0x2F);
    if (end == n || !within(text[end], 0x30, 0x7E)) return {end, Sequence::other};
    Sequence kind = Sequence::other;
    if (end == 2 && text[1] == '#')
        kind = text[2] == '3'   ? Sequence::double_size
               : text[2] == '4' ? Sequence::bottom_half
               : text[2] == '6' ? Sequence::double_width
                                : Sequence::other;
    return {end + 1, kind};
}

// One SGR parameter: its number (past 9999 it stops growing), 0 when empty;
// -1 when it has sub-parameters (':'), which mean nothing here.
int32_t parameter(const char *text, size_t n)
{
    int32_t value = 0;
    for (size_t i = 0; i < n; ++i) {
        if (text[i] == ':') return -1;
        if (value <= 9999) value = value * 10 + (text[i] - '0');
    }
    return value;
}

// The parameters between ESC [ and m, separated by ';'.
void select_graphic_rendition(const char *text, size_t n)
{
    int32_t colour_values = 0; // parameters still to pass over as a colour's
    bool colour_form = false;  // the next parameter says how many: 5 one, 2 three
    for (size_t at = 0; at <= n;) {
        const void *semicolon = std::memchr(text + at, ';', n - at);
        size_t length = semicolon ? static_cast<const char *>(semicolon) - (text + at) : n - at;
        int32_t value = parameter(text + at, length);
        at += length + 1;
        if (colour_form) {
            colour_form = false;
            colour_values = value == 5 ? 1 : value == 2 ? 3 : 0;
        } else if (colour_values > 0) {
            --colour_values;
        } else if (value == 38 || value == 48 || value == 58) {
            colour_form = true;
        } else if (value == 7) {
            font_set_inverted();
        } else if (value == 0 || value == 27) {
            font_clear_inverted();
        }
    }
}

void clear_line_size()
{
    font_clear_double_width();
    font_clear_double_height();
}

void take_escape(Pass *pass, const char *text, const Escape &sequence)
{
    bool sizing = pass->line_start && !pass->bottom_half;
    switch (sequence.kind) {
    case Sequence::sgr:
        select_graphic_rendition(text + 2, sequence.length - 3);
        break;
    case Sequence::double_width:
    case Sequence::double_size: // the last one at the line's start counts
        if (!sizing) break;
        pass->double_size = sequence.kind == Sequence::double_size;
        font_set_double_width();
        pass->double_size ? font_set_double_height() : font_clear_double_height();
        break;
    case Sequence::bottom_half:
        if (sizing && pass->after_double_size) pass->bottom_half = true;
        break;
    case Sequence::other:
        break;
    }
}

void draw_character(Pass *pass, int32_t code)
{
    if (pass->bottom_half) return;
    Canvas *canvas = pass->canvas;
    pass->line_start = false;
    // A double-size line whose second cell row would start at or past the
    // bottom goes to the top, where any line that starts there goes.
    if (pass->double_size && int64_t{canvas->cursor_y} + font_get_height() / 2 >= canvas->height)
        canvas->cursor_y = 0;
    font_put_codepoint(canvas, code);
    if (canvas->cursor_x >= pass->right_edge) font_put_codepoint(canvas, newline);
    if (++pass->column == columns_per_line) {
        font_put_codepoint(canvas, newline);
        pass->column = 0;
    }
}

// The text's own newline: a double-size line moves two cell rows, a bottom
// half none.
void end_line(Pass *pass)
{
    if (!pass->bottom_half) font_put_codepoint(pass->canvas, newline);
    pass->after_double_size = pass->double_size && !pass->bottom_half;
    pass->double_size = pass->bottom_half = false;
    pass->line_start = true;
    pass->column = 0;
    clear_line_size();
}

} // namespace

void text_pass_draw(Canvas *canvas, const char *text, int64_t right_edge)
{
    Pass pass{canvas, right_edge, 0, true, false, false, false};
    font_clear_inverted();
    clear_line_size();
    size_t used = 0;
    for (size_t i = 0, n = std::strlen(text); i < n; i += used) {
        if (text[i] == escape) {
            Escape sequence = read_escape(text + i, n - i);
            take_escape(&pass, text + i, sequence);
            used = sequence.length;
            continue;
        }
        int32_t c = utf8_next(text + i, n - i, &used);
        if (c == newline)
            end_line(&pass);
        else
            draw_character(&pass, c);
    }
    font_clear_inverted();
    clear_line_size();
}

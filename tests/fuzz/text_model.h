// A model of the text pass (app/text-pass.h) for the display model: the text
// taken a line at a time (no escape sequence reaches past a newline), each
// line's sequences matched by a terminal's grammar and its characters drawn
// with the renderer; and the frame the display pass must write for it.
#pragma once

#include <regex>
#include <string>
#include <vector>

#include "bdf-reader.h"
#include "font.h"
#include "layout.h"
#include "utf8.h"

namespace text_model
{

// ESC, then SGR (its parameters 1), another control sequence, a string up to
// BEL (taken) or ESC, or intermediates 2 and a final 3; a sequence without
// its final byte is one cut short.
const std::regex grammar("\x1b(?:\\[([0-9:;]*)m|\\[[0-?]*[ -/]*[@-~]?|[\\]PX^_][^\x07\x1b]*\x07?|"
                         "([ -/]*)([0-~]?))");

bool reverse_after(bool reverse, const std::string &parameters)
{
    std::vector<std::string> p(1);
    for (char c : parameters)
        c == ';' ? p.emplace_back() : p.back() += c;
    auto number = [&](size_t k) { // -1 with sub-parameters
        return k >= p.size()                 ? 0
               : p[k].find(':') != p[k].npos ? -1
                                             : std::strtol(p[k].c_str(), 0, 10);
    };
    for (size_t k = 0; k < p.size(); ++k) {
        long value = number(k);
        if (value == 38 || value == 48 || value == 58) { // a colour: 5;N or 2;R;G;B
            long form = number(k + 1);
            k += form == 5 ? 2 : form == 2 ? 4 : 1;
        } else if (value == 7 || value == 0 || value == 27) {
            reverse = value == 7;
        }
    }
    return reverse;
}

enum Size { single, wide, tall, bottom_half };

void style(Size size, bool reverse)
{
    reverse ? font_set_inverted() : font_clear_inverted();
    size != single ? font_set_double_width() : font_clear_double_width();
    size == tall ? font_set_double_height() : font_clear_double_height();
}

// The text drawn as the pass should, leaving the flags set for it to clear.
void draw(Canvas *canvas, const std::string &text, int64_t right_edge)
{
    bool reverse = false, after_tall = false;
    for (size_t start = 0; start <= text.size();) {
        size_t end = std::min(text.find('\n', start), text.size());
        const std::string line = text.substr(start, end - start);
        Size size = single;
        bool drawn = false;
        for (size_t i = 0, used = 0, column = 0; i < line.size(); i += used) {
            std::smatch m;
            if (line[i] == 0x1B && std::regex_search(line.begin() + i, line.end(), m, grammar,
                                                     std::regex_constants::match_continuous)) {
                used = m.length();
                if (m[1].matched) reverse = reverse_after(reverse, m[1]);
                if (m[2] == "#" && !drawn && size != bottom_half)
                    size = m[3] == "3"                 ? tall
                           : m[3] == "6"               ? wide
                           : m[3] == "4" && after_tall ? bottom_half
                                                       : size;
                continue;
            }
            int32_t c = utf8_next(line.data() + i, line.size() - i, &used);
            if (size == bottom_half) continue;
            drawn = true;
            style(size, reverse);
            if (size == tall && canvas->cursor_y + current_font.height >= canvas->height)
                canvas->cursor_y = 0;
            font_put_codepoint(canvas, c);
            if (canvas->cursor_x >= right_edge) font_put_codepoint(canvas, '\n');
            if (++column == 21) font_put_codepoint(canvas, '\n'), column = 0;
        }
        if (end == text.size()) break;
        style(size, reverse);
        if (size != bottom_half) font_put_codepoint(canvas, '\n');
        after_tall = size == tall;
        start = end + 1;
    }
}

// The first `bytes` bytes of the frame for the text in the loaded font (blank
// without one) on a panel of `format`: the canvas xres_virtual x yres, or
// yres x xres when turned a quarter, its width whole bytes unless it is the
// frame, laid out into `room` bytes.
std::vector<uint8_t> frame(const FrameFormat &format, const std::string &text, uint64_t room,
                           uint64_t bytes)
{
    if (!current_font.glyphs) return std::vector<uint8_t>(bytes); // blank, not drawn
    bool sideways = format.quarter_turns % 2;
    uint64_t width = sideways ? format.rows : format.columns;
    uint64_t height = sideways ? format.visible_width : format.rows;
    bool rounded = !layout_is_canvas(&format) && width <= INT32_MAX - 7;
    uint64_t pixel_width = rounded ? (width + 7) / 8 * 8 : width;
    std::vector<uint8_t> pixels(mmap_pixel_bytes(pixel_width, height));
    Canvas canvas{pixels.data(), int32_t(pixel_width), int32_t(height), 0, 0};
    draw(&canvas, text, width);
    std::vector<uint8_t> frame(room);
    layout_fill(&format, &canvas, frame.data(), room);
    frame.resize(bytes);
    return frame;
}

} // namespace text_model

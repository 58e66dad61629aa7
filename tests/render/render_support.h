// Test support for the renderer: hand-made fonts in current_font and canvases
// framed by guard bytes, shown as text art ('#' on, '.' off).
#ifndef NORLET_RENDER_SUPPORT_H
#define NORLET_RENDER_SUPPORT_H

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "bdf-reader.h"
#include "font.h"
#include "mmap.h"

// Lines of text art joined by newlines, the form pictures are compared in.
inline std::string art(const std::vector<std::string> &lines)
{
    std::string joined;
    for (const std::string &line : lines)
        joined += line + "\n";
    return joined;
}

// The art of a cell `rows` high: lines, then blank lines of the same width.
inline std::string cell_art(std::vector<std::string> lines, size_t rows)
{
    lines.resize(rows, std::string(lines.empty() ? 0 : lines[0].size(), '.'));
    return art(lines);
}

// A glyph from text art: row r, column k set where lines[r][k] is '#'.
inline BdfGlyph glyph(int32_t encoding, int32_t width, const std::vector<std::string> &lines)
{
    BdfGlyph g{};
    g.encoding = encoding;
    int top_bit = width <= 8 ? 7 : 15;
    for (size_t r = 0; r < lines.size(); ++r)
        for (size_t k = 0; k < lines[r].size(); ++k)
            if (lines[r][k] == '#') g.rows[r] |= static_cast<uint16_t>(1u << (top_bit - k));
    return g;
}

// Puts a malloc'd copy of glyphs into current_font as its table, in place
// of the table before.
inline void install_font(int32_t width, int32_t height, const std::vector<BdfGlyph> &glyphs)
{
    release_bdf_font();
    current_font = {};
    current_font.width = width;
    current_font.height = height;
    current_font.glyph_count = static_cast<int32_t>(glyphs.size());
    current_font.glyphs = static_cast<BdfGlyph *>(std::malloc(glyphs.size() * sizeof(BdfGlyph)));
    if (!glyphs.empty())
        std::memcpy(current_font.glyphs, glyphs.data(), glyphs.size() * sizeof(BdfGlyph));
}

// A canvas over a zeroed buffer with guard bytes before and after it.
class Panel
{
  public:
    static constexpr size_t guard = 64;
    static constexpr uint8_t guard_value = 0x5A;

    Panel(int32_t width, int32_t height)
        : bytes_(mmap_pixel_bytes(width, height)), storage_(bytes_ + 2 * guard, guard_value)
    {
        std::memset(storage_.data() + guard, 0, bytes_);
        canvas = Canvas{storage_.data() + guard, width, height, 0, 0};
    }
    Panel(const Panel &) = delete;
    Panel &operator=(const Panel &) = delete;

    // The rectangle of columns x rows at (x0, y0) as text art.
    std::string picture(int64_t x0, int64_t y0, int64_t columns, int64_t rows) const
    {
        std::string text;
        for (int64_t y = y0; y < y0 + rows; ++y) {
            for (int64_t x = x0; x < x0 + columns; ++x)
                text += mmap_get_pixel(&canvas, x, y) ? '#' : '.';
            text += '\n';
        }
        return text;
    }
    std::string picture() const { return picture(0, 0, canvas.width, canvas.height); }

    void light_all()
    {
        for (int32_t y = 0; y < canvas.height; ++y)
            for (int32_t x = 0; x < canvas.width; ++x)
                mmap_set_pixel(&canvas, x, y, true);
    }

    std::vector<uint8_t> pixel_bytes() const
    {
        return {storage_.begin() + guard, storage_.begin() + guard + bytes_};
    }

    bool guards_intact() const
    {
        for (size_t i = 0; i < guard; ++i)
            if (storage_[i] != guard_value || storage_[guard + bytes_ + i] != guard_value)
                return false;
        return true;
    }

    Canvas canvas{};

  private:
    size_t bytes_;
    std::vector<uint8_t> storage_;
};

// Resets the font and every style flag after each test.
class Render : public ::testing::Test
{
  protected:
    void TearDown() override
    {
        release_bdf_font();
        current_font = {};
        font_clear_double_width();
        font_clear_double_height();
        font_clear_inverted();
        mmap_clear_inverted();
    }
};

// Glyph A touches the top row, both side columns and the bottom row.
inline const std::vector<std::string> glyph_a_art = {
    "######", "#.....", ".....#", "#.#.#.", "......", "......",
    "......", "......", "......", "......", "......", "..##..",
};
inline const std::vector<std::string> dollar_art = {
    "..#...", ".####.", "#.#...", ".###..", "..#.#.", "####..", "..#...",
};
inline const std::vector<std::string> currency_art = {"#...#.", ".###..", ".#.#..", ".###.."};
inline const std::vector<std::string> full_block_art(12, "######");
inline const std::string blank_6x12 = art(std::vector<std::string>(12, "......"));

// 6 x 12: A, B, D, space, a full block at code 10, $ (36) and the currency
// sign (164).
inline void install_6x12()
{
    install_font(6, 12,
                 {glyph('A', 6, glyph_a_art), glyph('B', 6, {".####.", "#....#"}),
                  glyph('D', 6, {"#....."}), glyph(' ', 6, {}), glyph(10, 6, full_block_art),
                  glyph('$', 6, dollar_art), glyph(164, 6, currency_art)});
}

#endif

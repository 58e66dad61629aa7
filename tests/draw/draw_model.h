// A per-pixel model of the canvas and the renderer, written from their
// contracts (mmap.h, font.h, bdf-reader.h), and programs of random calls run
// on both side by side: after every call the canvas bytes, the guard bytes
// around them and the cursor must agree. The seeded test (draw_model_test.cpp)
// draws the choices from a generator, the bdf_render fuzz target from its
// input, with a font the reader loaded from the rest of it.
//
// The model's addressing: pixel (x, y) is bit 0x80 >> x % 8 of byte
// x / 8 + width * y / 8, so on a canvas whose width is not a multiple of 8
// neighbouring rows share bits; every write goes pixel by pixel, left to
// right and top to bottom, so the last write of a shared bit wins.
#pragma once

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <utility>
#include <string>
#include <vector>

#include "bdf-reader.h"
#include "font.h"
#include "mmap.h"
#include "utf8.h"

namespace draw_model
{

inline constexpr size_t guard = 8;
inline constexpr uint8_t guard_value = 0x5A;

// The model: the bytes, the cursor, the flags and the font it believes in.
struct Model {
    std::vector<uint8_t> bytes;
    int64_t width = 0, height = 0, x = 0, y = 0;
    bool canvas_inverted = false, double_width = false, double_height = false, inverted = false;
    int32_t font_width = 0, font_height = 0;
    std::vector<BdfGlyph> glyphs; // empty once released
};

inline bool inside(const Model &m, int64_t x, int64_t y)
{
    return x >= 0 && y >= 0 && x < m.width && y < m.height;
}

inline void set(Model &m, int64_t x, int64_t y, bool on)
{
    if (!inside(m, x, y)) return;
    uint8_t &byte = m.bytes[size_t(x / 8 + m.width * y / 8)];
    uint8_t mask = uint8_t(0x80 >> x % 8);
    byte = on ? byte | mask : byte & ~mask;
}

inline bool get(const Model &m, int64_t x, int64_t y)
{
    return inside(m, x, y) && (m.bytes[size_t(x / 8 + m.width * y / 8)] & 0x80 >> x % 8);
}

// Sides of 32 bits: the product does not wrap.
inline uint64_t pixel_bytes(int64_t w, int64_t h)
{
    return w <= 0 || h <= 0 ? 0 : uint64_t((w - 1) / 8 + w * (h - 1) / 8 + 1);
}

// The rectangle at the cursor, clipped: calls f(x, y) for each pixel in it.
template <typename F> inline void area(Model &m, int64_t columns, int64_t rows, F f)
{
    for (int64_t y = std::max<int64_t>(m.y, 0); y < std::min(m.y + rows, m.height); ++y)
        for (int64_t x = std::max<int64_t>(m.x, 0); x < std::min(m.x + columns, m.width); ++x)
            f(x, y);
}

inline int64_t cell_width(const Model &m)
{
    return int64_t(m.font_width) * (m.double_width ? 2 : 1);
}
inline int64_t cell_height(const Model &m)
{
    return int64_t(m.font_height) * (m.double_height ? 2 : 1);
}

inline const BdfGlyph *glyph_of(const Model &m, int64_t key)
{
    for (const BdfGlyph &g : m.glyphs)
        if (key != -1 && g.encoding == key) return &g;
    return nullptr;
}

inline void next_line(Model &m)
{
    m.x = 0;
    m.y += std::max<int64_t>(cell_height(m), 0);
    if (m.y >= m.height) m.y = 0;
}

inline void put(Model &m, int64_t code, int64_t key)
{
    if (code == 10) return next_line(m);
    const BdfGlyph *g = glyph_of(m, key);
    int64_t columns = std::clamp(m.font_width, 0, 16), rows = std::clamp(m.font_height, 0, 30);
    int64_t top_bit = m.font_width <= 8 ? 7 : 15;
    int xs = m.double_width, ys = m.double_height;
    for (int64_t i = 0; i < rows << ys; ++i)
        for (int64_t j = 0; j < columns << xs; ++j) {
            bool bit = g && (g->rows[i >> ys] >> (top_bit - (j >> xs)) & 1);
            set(m, m.x + j, m.y + i, bit != m.inverted);
        }
    int64_t x = m.x + std::max<int64_t>(cell_width(m), 0);
    if (x < m.width)
        m.x = x;
    else
        next_line(m);
}

// One program: a canvas, a font, then random calls on both sides.
struct Program {
    std::function<uint64_t()> random; // the source of every choice
    Model m;
    std::vector<uint8_t> storage;
    Canvas canvas{};

    explicit Program(std::function<uint64_t()> source) : random(std::move(source)) {}

    int64_t pick(std::initializer_list<int64_t> values)
    {
        return values.begin()[random() % values.size()];
    }
    int64_t between(int64_t lo, int64_t hi)
    {
        return lo + int64_t(random() % uint64_t(hi - lo + 1));
    }

    // A coordinate along a side of n pixels: inside, at either edge, or far.
    int64_t coordinate(int64_t n)
    {
        switch (random() % 4) {
        case 0:
            return pick({-1, 0, n - 1, n, n + 1});
        case 1:
            return pick({INT32_MIN, INT32_MAX, -100, n + 100});
        default:
            return between(0, n - 1);
        }
    }
    int64_t count() { return random() % 3 ? pick({-1, 0, 1, 7, 8, 9, INT32_MAX}) : between(0, 40); }

    void make_canvas()
    {
        int64_t w = random() % 2 ? pick({1, 7, 8, 9, 13, 16, 127, 128, 132, 133}) : between(1, 140);
        int64_t h = random() % 2 ? pick({1, 2, 3, 8, 12, 48, 64}) : between(1, 70);
        size_t n = pixel_bytes(w, h);
        storage.assign(n + 2 * guard, guard_value);
        for (size_t i = 0; i < n; ++i)
            storage[guard + i] = uint8_t(random());
        m = Model{};
        m.bytes.assign(storage.begin() + guard, storage.end() - guard);
        m.width = w, m.height = h;
        canvas = Canvas{storage.data() + guard, int32_t(w), int32_t(h), 0, 0};
    }

    // A random glyph table the renderer takes as the reader's.
    void make_font()
    {
        font_release();
        int32_t width = random() % 8 ? int32_t(between(1, 16)) : int32_t(pick({0, -3, 17, 40}));
        int32_t height = random() % 8 ? int32_t(between(1, 30)) : int32_t(pick({0, -2, 31, 60}));
        auto count = size_t(between(0, 40));
        current_font = BdfFont{height, width, 0, 0, int32_t(count), nullptr};
        if (count)
            current_font.glyphs = static_cast<BdfGlyph *>(std::malloc(count * sizeof(BdfGlyph)));
        for (size_t i = 0; i < count; ++i) {
            current_font.glyphs[i].encoding =
                int32_t(random() % 2 ? between(0, 300)
                                     : pick({-1, 10, 36, 67, 164, 266, 0x2192, 0x10FFFF}));
            for (uint16_t &row : current_font.glyphs[i].rows)
                row = uint16_t(random());
        }
        adopt_font();
    }

    // The model takes the font the renderer has (made here or loaded).
    void adopt_font()
    {
        m.font_width = current_font.width, m.font_height = current_font.height;
        const BdfGlyph *table = current_font.glyphs;
        m.glyphs.assign(table, table ? table + current_font.glyph_count : table);
    }

    std::string text()
    {
        std::string t;
        for (int64_t n = between(0, 12); n > 0; --n)
            t += char(random() % 3
                          ? between(1, 255)
                          : pick({0x41, 10, 0xC2, 0xB0, 0xE2, 0x86, 0x92, 0x80, 0xA4, 0xF0}));
        return t;
    }

    // One random call on both sides; returns what it was, for the report.
    std::string step()
    {
        m.x = canvas.cursor_x = int32_t(random() % 4 ? m.x : coordinate(m.width));
        m.y = canvas.cursor_y = int32_t(random() % 4 ? m.y : coordinate(m.height));
        int64_t a = coordinate(m.width), b = coordinate(m.height), n = count(), k = count();
        switch (random() % 17) {
        case 0: {
            bool on = random() % 2;
            mmap_set_pixel(&canvas, a, b, on);
            set(m, a, b, on);
            return "set_pixel";
        }
        case 1: {
            auto pixels = uint32_t(random());
            int64_t c = random() % 2 ? pick({-1, 0, 1, 7, 8, 9, 31, 32, 33}) : between(0, 32);
            mmap_put_row(&canvas, a, b, pixels, int32_t(c));
            for (int64_t i = 0; c >= 1 && c <= 32 && i < c; ++i)
                set(m, a + i, b, pixels >> (c - 1 - i) & 1);
            return "put_row";
        }
        case 2:
            return mmap_get_pixel(&canvas, a, b) == get(m, a, b) ? "get_pixel" : "get_pixel wrong";
        case 3:
            mmap_clear(&canvas);
            std::fill_n(m.bytes.begin(), pixel_bytes(m.width, m.height),
                        m.canvas_inverted ? 0xFF : 0);
            m.x = m.y = 0;
            return "clear";
        case 4:
            mmap_clear_area(&canvas, int32_t(n), int32_t(k));
            area(m, n, k, [&](int64_t x, int64_t y) { set(m, x, y, m.canvas_inverted); });
            return "clear_area";
        case 5:
            mmap_invert_area(&canvas, int32_t(n), int32_t(k));
            area(m, n, k, [&](int64_t x, int64_t y) { set(m, x, y, !get(m, x, y)); });
            return "invert_area";
        case 6: {
            auto bits =
                uint32_t(random() % 2 ? pick({0, 1, 7, 8, 9}) : between(0, 3 * m.width * m.height));
            std::vector<uint8_t> source(bits / 8 + 1);
            for (uint8_t &byte : source)
                byte = uint8_t(random());
            mmap_putb(&canvas, source.data(), bits);
            for (uint32_t i = 0; inside(m, m.x, m.y) && i < bits; ++i) {
                set(m, m.x, m.y, bool(source[i / 8] & 0x80 >> i % 8) != m.canvas_inverted);
                if (++m.x == m.width) m.x = 0, m.y = (m.y + 1) % m.height;
            }
            return "putb " + std::to_string(bits);
        }
        case 7:
            m.canvas_inverted = random() % 2;
            return (m.canvas_inverted ? mmap_set_inverted() : mmap_clear_inverted()) ? "bad"
                                                                                     : "inv";
        case 8: {
            m.double_width = random() % 2, m.double_height = random() % 2,
            m.inverted = random() % 2;
            int r = (m.double_width ? font_set_double_width() : font_clear_double_width()) |
                    (m.double_height ? font_set_double_height() : font_clear_double_height()) |
                    (m.inverted ? font_set_inverted() : font_clear_inverted());
            bool sizes =
                font_get_width() == std::clamp<int64_t>(cell_width(m), INT32_MIN, INT32_MAX) &&
                font_get_height() == std::clamp<int64_t>(cell_height(m), INT32_MIN, INT32_MAX);
            return r == 0 && sizes ? "style" : "style wrong";
        }
        case 9:
        case 10: {
            auto c = int32_t(random() % 3 ? pick({10, 266, -246, 164, 36, 0x2192, -1})
                                          : between(-300, 300));
            int r = c % 2 ? font_putc(&canvas, c) : font_put_codepoint(&canvas, c);
            put(m, c, c % 2 ? c & 0xFF : c);
            return r ? "putc bad result" : "putc/put_codepoint " + std::to_string(c);
        }
        case 11: { // bytes, or UTF-8
            std::string t = text();
            bool utf8 = random() % 2;
            int r = utf8 ? font_puts_utf8(&canvas, t.c_str()) : font_puts(&canvas, t.c_str());
            for (size_t i = 0, used = 1; i < t.size(); i += used) {
                int32_t c = utf8 ? utf8_next(t.c_str() + i, t.size() - i, &used)
                                 : static_cast<signed char>(t[i]);
                put(m, c, utf8 ? c : c & 0xFF);
            }
            return r ? "puts bad result" : "puts";
        }
        case 12: {
            auto symbol = uint32_t(random() % 2 ? pick({164, 67, 292, 36}) : between(0, 600));
            int r = font_set_currency_symbol(symbol);
            const BdfGlyph *from = glyph_of(m, symbol & 0xFF);
            auto *to = const_cast<BdfGlyph *>(glyph_of(m, 164));
            if (from && to && m.font_height > 0)
                std::memmove(to->rows, from->rows, size_t(std::min(m.font_height, 60)) * 2);
            return r ? "currency bad result" : "currency";
        }
        case 13:
            font_release();
            m.glyphs.clear();
            return "release";
        case 14:
            mmap_clear(nullptr);
            return font_putc(nullptr, 'A') | font_puts(&canvas, nullptr) |
                           font_puts_utf8(&canvas, nullptr)
                       ? "null bad result"
                       : "null";
        case 15:
            make_font();
            return "font";
        default:
            return mmap_pixel_bytes(a, b) == pixel_bytes(a, b) ? "pixel_bytes"
                                                               : "pixel_bytes wrong";
        }
    }

    bool agrees()
    {
        for (size_t i = 0; i < guard; ++i)
            if (storage[i] != guard_value || storage[storage.size() - 1 - i] != guard_value)
                return false;
        return std::equal(m.bytes.begin(), m.bytes.end(), storage.begin() + guard) &&
               canvas.cursor_x == m.x && canvas.cursor_y == m.y;
    }

    // Steps on a fresh canvas; "" when every one agreed, else what was run.
    std::string run(int steps)
    {
        std::string trail;
        for (int i = 0; i < steps; ++i) {
            std::string what = step();
            trail += what + "; ";
            if (what.find("wrong") != std::string::npos || what.find("bad") != std::string::npos ||
                !agrees())
                return std::to_string(m.width) + " x " + std::to_string(m.height) + ", font " +
                       std::to_string(m.font_width) + " x " + std::to_string(m.font_height) + ": " +
                       trail;
        }
        return "";
    }

    // Back to the start: no table, every flag clear.
    ~Program()
    {
        font_release();
        mmap_clear_inverted();
        font_clear_double_width(), font_clear_double_height(), font_clear_inverted();
    }
};

} // namespace draw_model

// Font check: loads a BDF file exactly as norlet-display does and shows what
// the panel will print and draw with it.
//
//   fontcheck FONT.bdf
//
// Prints the reader's own messages, the cell, the glyph count, the font's
// coverage of the device fonts' characters (fonts/device-codes.txt) block by
// block with the characters it lacks (the panel shows a blank cell for
// them), and every block it has a glyph of, drawn as the program draws text:
// from UTF-8, by the renderer, sixteen characters to a row, '#' for a pixel
// that is on. Exits with 0 when the reader loads the file, 1 when it refuses
// it, 2 on wrong usage.
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "bdf-reader.h"
#include "font.h"
#include "mmap.h"
#include "utf8.h"

namespace
{

constexpr int32_t codes_per_row = 16;

// A block of the device set: code points first to last and its name.
struct Block {
    int32_t first, last;
    std::string name;
};

// The blocks of fonts/device-codes.txt ("FIRST-LAST Name" lines in hex).
std::vector<Block> device_blocks()
{
    std::ifstream file(NORLET_DEVICE_CODES);
    std::vector<Block> blocks;
    for (std::string line; std::getline(file, line);) {
        Block block;
        char dash = 0;
        std::istringstream in(line);
        if (in >> std::hex >> block.first >> dash >> block.last && dash == '-') {
            std::getline(in >> std::ws, block.name);
            blocks.push_back(block);
        }
    }
    return blocks;
}

int32_t glyphs_in(const Block &block)
{
    int32_t count = 0;
    for (int32_t code = block.first; code <= block.last; ++code)
        count += get_bdf_char(code) != nullptr;
    return count;
}

// One line a block: the glyphs of it the font has, and the runs it lacks.
void print_coverage(const std::vector<Block> &blocks)
{
    std::printf("coverage of the device fonts' characters (missing ones show as blank "
                "cells):\n");
    for (const Block &block : blocks) {
        int32_t size = block.last - block.first + 1, have = glyphs_in(block);
        std::printf("  %-28s %04X-%04X %4d of %d", block.name.c_str(), block.first, block.last,
                    have, size);
        if (have < size) std::printf(" lacks");
        for (int32_t code = block.first; code <= block.last && have < size; ++code) {
            if (get_bdf_char(code)) continue;
            int32_t end = code;
            while (end < block.last && !get_bdf_char(end + 1))
                ++end;
            std::printf(end > code ? " U+%04X-%04X" : " U+%04X", code, end);
            code = end;
        }
        std::putchar('\n');
    }
}

// Draws the characters first .. last (at most one row of them) as UTF-8 text
// with font_puts_utf8 on a canvas one row of cells high and prints it, the
// first code point beside it.
void print_cell_row(int32_t first, int32_t last)
{
    // Sixteen cells make rows of whole bytes: no row shares a byte with the next.
    int32_t width = font_get_width() * codes_per_row, height = font_get_height();
    std::vector<uint8_t> buffer(mmap_pixel_bytes(width, height));
    Canvas canvas = {buffer.data(), width, height, 0, 0};
    mmap_clear(&canvas);
    std::string text;
    for (int32_t code = first; code <= last; ++code) {
        char bytes[4];
        size_t n = utf8_encode(code, bytes);
        text.append(n ? std::string(bytes, n) : " ");
    }
    font_puts_utf8(&canvas, text.c_str());
    for (int32_t y = 0; y < height; ++y) {
        std::printf(y == 0 ? "U+%04X " : "       ", first);
        for (int32_t x = 0; x < width; ++x)
            std::putchar(mmap_get_pixel(&canvas, x, y) ? '#' : '.');
        std::putchar('\n');
    }
}

void print_sample(const std::vector<Block> &blocks)
{
    if (current_font.width <= 0 || current_font.height <= 0) {
        std::printf("the cell is empty: the panel shows no text\n");
        return;
    }
    std::printf("the blocks the font has glyphs of, as the panel draws them:\n");
    for (const Block &block : blocks) {
        if (glyphs_in(block) == 0) continue;
        for (int32_t first = block.first; first <= block.last; first += codes_per_row)
            print_cell_row(first, first + codes_per_row - 1 < block.last ? first + codes_per_row - 1
                                                                         : block.last);
    }
}

} // namespace

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: fontcheck FONT.bdf\n");
        return 2;
    }
    if (load_font(argv[1]) != 0) {
        std::printf("fontcheck: the reader refuses %s; the panel would show no text\n", argv[1]);
        return 1;
    }
    std::printf("cell: %d x %d pixels, offsets %d %d\n", current_font.width, current_font.height,
                current_font.x_offset, current_font.y_offset);
    std::printf("glyphs: %d\n", current_font.glyph_count);
    std::vector<Block> blocks = device_blocks();
    print_coverage(blocks);
    print_sample(blocks);
    release_bdf_font();
    return 0;
}

// Font check: loads a BDF file exactly as norlet-display does and shows what
// the panel will print and draw with it.
//
//   fontcheck FONT.bdf
//
// Prints the reader's own messages, the cell, the glyph count, the codes of
// 32 to 126 and 160 to 255 the font lacks (the panel shows a blank cell for
// them) and every one of those codes drawn by the renderer, sixteen to a
// row, '#' for a pixel that is on. Exits with 0 when the reader loads the
// file, 1 when it refuses it, 2 on wrong usage.
#include <cstdint>
#include <cstdio>
#include <vector>

#include "bdf-reader.h"
#include "font.h"
#include "mmap.h"

namespace
{

constexpr int32_t codes_per_row = 16;

// The printable codes of the panel's 8-bit character set.
struct CodeRange {
    int32_t first, last;
};
constexpr CodeRange printable[] = {{32, 126}, {160, 255}};

// Lists the codes of each range without a glyph, runs written first-last.
void print_missing()
{
    std::printf("missing codes (drawn as blank cells):");
    int32_t missing = 0;
    for (const CodeRange &range : printable) {
        for (int32_t code = range.first; code <= range.last; ++code) {
            if (get_bdf_char(code)) continue;
            int32_t end = code;
            while (end < range.last && !get_bdf_char(end + 1))
                ++end;
            std::printf(end > code ? " %d-%d" : " %d", code, end);
            missing += end - code + 1;
            code = end;
        }
    }
    std::printf(missing ? " (%d codes)\n" : " none\n", missing);
}

// Draws codes first .. last (at most one row of them) with font_putc on a
// canvas one row of cells high and prints it, the first code beside it.
void print_cell_row(int32_t first, int32_t last)
{
    int32_t width = font_get_width() * codes_per_row, height = font_get_height();
    std::vector<uint8_t> buffer(mmap_pixel_bytes(width, height));
    Canvas canvas = {buffer.data(), width, height, 0, 0};
    mmap_clear(&canvas);
    for (int32_t code = first; code <= last; ++code)
        font_putc(&canvas, code);
    for (int32_t y = 0; y < height; ++y) {
        std::printf(y == 0 ? "%4d " : "     ", first);
        for (int32_t x = 0; x < width; ++x)
            std::putchar(mmap_get_pixel(&canvas, x, y) ? '#' : '.');
        std::putchar('\n');
    }
}

void print_sample()
{
    if (current_font.width <= 0 || current_font.height <= 0) {
        std::printf("the cell is empty: the panel shows no text\n");
        return;
    }
    std::printf("codes 32 to 126 and 160 to 255 as the panel draws them:\n");
    for (const CodeRange &range : printable)
        for (int32_t first = range.first; first <= range.last; first += codes_per_row)
            print_cell_row(first, first + codes_per_row - 1 < range.last ? first + codes_per_row - 1
                                                                         : range.last);
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
    print_missing();
    print_sample();
    release_bdf_font();
    return 0;
}

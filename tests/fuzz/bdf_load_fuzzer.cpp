// Any bytes as a font file: load_font, a lookup of every code 0 to 255 with
// every cell row read, then release_bdf_font. Checks what the reader
// promises of a loaded font and of a failed load, and that its own number
// parsing reads every line of the file exactly as sscanf and strtol do.
#include <algorithm>
#include <cstdlib>
#include <string>

#include "bdf-numbers.h"
#include "bdf-reader.h"
#include "fuzz_support.h"

namespace
{

constexpr int max_glyphs = 4096; // fonts declaring more are not run

void check_loaded_font()
{
    if (!current_font.glyphs) fuzz::fail("a loaded font has no glyph table");
    if (current_font.height > 30 || current_font.width > 16 || current_font.glyph_count < 0)
        fuzz::fail("a cell of %d x %d and CHARS %d were accepted", current_font.width,
                   current_font.height, current_font.glyph_count);
    // The record each code should be found at: the first with its encoding.
    const BdfGlyph *first[256] = {};
    for (int32_t i = current_font.glyph_count - 1; i >= 0; --i)
        if (uint32_t(current_font.glyphs[i].encoding) < 256)
            first[current_font.glyphs[i].encoding] = &current_font.glyphs[i];
    for (int32_t code = 0; code < 256; ++code) {
        const BdfGlyph *glyph = get_bdf_char(code);
        if (glyph != first[code]) fuzz::fail("lookup of %d gave the wrong record", code);
        volatile uint32_t ink = 0; // the rows the renderer reads, read
        for (int32_t row = 0; glyph && row < current_font.height; ++row)
            ink = ink + glyph->rows[row];
        for (int32_t row = std::max(current_font.height, 0); glyph && row < 60; ++row)
            if (glyph->rows[row] != 0)
                fuzz::fail("glyph %d row %d, past a cell of %d rows, holds 0x%04x", code, row,
                           current_font.height, glyph->rows[row]);
    }
}

// One line as the reader sees it, line end included: its numbers as sscanf
// "%*s %d %d %d %d" and "%*s %d" read them, its row as strtol base 16.
void check_numbers(const std::string &line)
{
    for (int count : {4, 1}) {
        int32_t ours[4] = {7, 7, 7, 7};
        int theirs[4] = {7, 7, 7, 7};
        int stored = bdf_scan_numbers(line.c_str(), ours, count);
        int scanned = count == 4 ? std::sscanf(line.c_str(), "%*s %d %d %d %d", &theirs[0],
                                               &theirs[1], &theirs[2], &theirs[3])
                                 : std::sscanf(line.c_str(), "%*s %d", &theirs[0]);
        if (stored != std::max(scanned, 0) || std::memcmp(ours, theirs, sizeof ours) != 0)
            fuzz::fail("\"%s\": %d numbers read as %d %d %d %d, sscanf reads %d: %d %d %d %d",
                       line.c_str(), stored, ours[0], ours[1], ours[2], ours[3], scanned, theirs[0],
                       theirs[1], theirs[2], theirs[3]);
    }
    if (bdf_parse_hex(line.c_str()) != std::strtol(line.c_str(), nullptr, 16))
        fuzz::fail("\"%s\": row reads %ld, strtol reads %ld", line.c_str(),
                   bdf_parse_hex(line.c_str()), std::strtol(line.c_str(), nullptr, 16));
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    fuzz::silence_stdout();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (fuzz::declares_many_glyphs(data, size, max_glyphs)) return -1;
    current_font = BdfFont{}; // every input starts with no font loaded
    int result = load_font(fuzz::font_file(data, size));
    if (result == 0) check_loaded_font();
    if (result != 0 && (result != 1 || current_font.glyphs))
        fuzz::fail("load_font returned %d and left %s table", result,
                   current_font.glyphs ? "a" : "no");
    release_bdf_font();
    for (int32_t code = 0; code < 256; ++code)
        if (get_bdf_char(code)) fuzz::fail("a failed or released font still finds glyph %d", code);
    for (size_t start = 0, end = 0; start < size; start = end) {
        for (end = start; end < size && data[end++] != '\n';)
            ;
        check_numbers(std::string(reinterpret_cast<const char *>(data + start), end - start));
    }
    return 0;
}

// Any bytes as a font file: load_font, a lookup of every code 0 to 255 with
// every cell row read, then release_bdf_font. Beyond the sanitizers it
// checks what the reader promises about a loaded font and a failed load, and
// that the reader's own number parsing reads every line of the file exactly
// as sscanf and strtol do.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "bdf-numbers.h"
#include "bdf-reader.h"
#include "fuzz_support.h"

namespace
{

// Fonts declaring more glyphs are not run (see declares_many_glyphs).
constexpr int max_glyphs = 4096;

constexpr int32_t row_words = 60;

// The record each code 0 to 255 should be found at: the first with that
// encoding, or null. Worked out in one pass over the table.
void first_records(const BdfGlyph *(&first)[256])
{
    for (const BdfGlyph *&f : first)
        f = nullptr;
    for (int32_t i = current_font.glyph_count - 1; i >= 0; --i) {
        int32_t encoding = current_font.glyphs[i].encoding;
        if (encoding >= 0 && encoding < 256) first[encoding] = &current_font.glyphs[i];
    }
}

// Reads the rows the renderer reads (0 .. height - 1) and checks that the
// rows past the cell are clear.
void check_rows(const BdfGlyph *glyph, int32_t code)
{
    int32_t height = current_font.height;
    volatile uint32_t ink = 0;
    for (int32_t row = 0; row < height; ++row)
        ink = ink + glyph->rows[row];
    for (int32_t row = height < 0 ? 0 : height; row < row_words; ++row)
        if (glyph->rows[row] != 0)
            fuzz::fail("glyph %d row %d, past a cell of %d rows, holds 0x%04x", code, row, height,
                       glyph->rows[row]);
}

void check_loaded_font()
{
    if (!current_font.glyphs) fuzz::fail("a loaded font has no glyph table");
    if (current_font.height > 30 || current_font.width > 16)
        fuzz::fail("a cell of %d x %d was accepted", current_font.width, current_font.height);
    if (current_font.glyph_count < 0) fuzz::fail("CHARS %d accepted", current_font.glyph_count);
    const BdfGlyph *first[256];
    first_records(first);
    for (int32_t code = 0; code < 256; ++code) {
        const BdfGlyph *glyph = get_bdf_char(code);
        if (glyph != first[code])
            fuzz::fail("lookup of %d gave record %td, should give %td", code,
                       glyph ? glyph - current_font.glyphs : -1,
                       first[code] ? first[code] - current_font.glyphs : -1);
        if (glyph) check_rows(glyph, code);
    }
}

void check_failed_load()
{
    if (current_font.glyphs) fuzz::fail("a failed load left a glyph table");
    for (int32_t code = 0; code < 256; ++code)
        if (get_bdf_char(code)) fuzz::fail("a failed load still finds glyph %d", code);
}

// One line as the reader sees it (line end included): its numbers as
// sscanf "%*s %d %d %d %d" and "%*s %d" read them, its row as strtol base 16.
void check_numbers(const std::string &line)
{
    for (int count : {4, 1}) {
        int32_t ours[4] = {7, 7, 7, 7};
        int theirs[4] = {7, 7, 7, 7};
        int stored = bdf_scan_numbers(line.c_str(), ours, count);
        int scanned = count == 4 ? std::sscanf(line.c_str(), "%*s %d %d %d %d", &theirs[0],
                                               &theirs[1], &theirs[2], &theirs[3])
                                 : std::sscanf(line.c_str(), "%*s %d", &theirs[0]);
        if (stored != (scanned < 0 ? 0 : scanned))
            fuzz::fail("\"%s\": %d numbers read, sscanf reads %d", line.c_str(), stored, scanned);
        for (int i = 0; i < 4; ++i)
            if (ours[i] != theirs[i])
                fuzz::fail("\"%s\": number %d reads %d, sscanf reads %d", line.c_str(), i, ours[i],
                           theirs[i]);
    }
    long ours = bdf_parse_hex(line.c_str());
    long theirs = std::strtol(line.c_str(), nullptr, 16);
    if (ours != theirs)
        fuzz::fail("\"%s\": row reads %ld, strtol reads %ld", line.c_str(), ours, theirs);
}

void check_every_line(const uint8_t *data, size_t size)
{
    size_t start = 0;
    while (start < size) {
        size_t end = start;
        while (end < size && data[end] != '\n')
            ++end;
        end = end < size ? end + 1 : end;
        check_numbers(std::string(reinterpret_cast<const char *>(data + start), end - start));
        start = end;
    }
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
    // Every input starts from the program's start: no font loaded.
    current_font = BdfFont{};
    int result = load_font(fuzz::font_file(data, size));
    if (result == 0)
        check_loaded_font();
    else if (result == 1)
        check_failed_load();
    else
        fuzz::fail("load_font returned %d", result);
    release_bdf_font();
    if (current_font.glyphs) fuzz::fail("release left a glyph table");
    if (get_bdf_char(0)) fuzz::fail("a released font still finds glyphs");
    check_every_line(data, size);
    return 0;
}

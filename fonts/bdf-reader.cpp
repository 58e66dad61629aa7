// BDF font reader (placeholder until the reader lands: no file loads, but
// lookups and the release work on a table set up by hand).
#include "bdf-reader.h"

#include <cstdio>
#include <cstdlib>

BdfFont current_font = {};

int load_font(const char *path)
{
    std::printf("BDF Font debug: Load font. File - %s\n", path ? path : "(null)");
    return 1;
}

BdfGlyph *get_bdf_char(int key)
{
    for (int32_t i = 0; current_font.glyphs && i < current_font.glyph_count; ++i)
        if (current_font.glyphs[i].encoding == key) return &current_font.glyphs[i];
    return nullptr;
}

void release_bdf_font()
{
    std::free(current_font.glyphs);
    current_font.glyphs = nullptr;
}

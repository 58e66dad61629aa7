// BDF font reader (placeholder until the reader lands: no font loads).
#include "bdf-reader.h"

#include <cstdio>

BdfFont current_font = {};

int load_font(const char *path)
{
    std::printf("BDF Font debug: Load font. File - %s\n", path ? path : "(null)");
    return 1;
}

BdfGlyph *get_bdf_char(int) { return nullptr; }

void release_bdf_font() {}

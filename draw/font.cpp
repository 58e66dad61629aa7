// Glyph renderer (placeholder until the renderer lands: moves the cursor only).
#include "font.h"

#include "bdf-reader.h"

int font_putc(Canvas *, int32_t) { return 0; }

void font_release() { release_bdf_font(); }

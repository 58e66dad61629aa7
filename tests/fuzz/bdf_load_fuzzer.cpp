// Any bytes as a font file, read by load_font and by the reference reader of
// reader_model.h: the result, the metrics and every record must agree (the
// messages are the seeded test's), and a released font finds no glyph.
#include <string>

#include "../bdf/reader_model.h"
#include "bdf-reader.h"
#include "fuzz_support.h"

namespace
{

constexpr int max_glyphs = 4096; // fonts declaring more are not run

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
    reader_model::Reference r;
    int expected = reader_model::reference_load(r, std::string(data, data + size));
    int result = load_font(fuzz::font_file(data, size));
    std::string ours = reader_model::shown(result, r.out, current_font, current_font.glyphs,
                                           r.has_table ? r.table.size() : 0);
    std::string theirs = reader_model::shown(expected, r);
    if (ours != theirs)
        fuzz::fail("the reader gave\n%s\nthe reference\n%s", ours.c_str(), theirs.c_str());
    release_bdf_font();
    for (int32_t code = 0; code < 256; ++code)
        if (get_bdf_char(code)) fuzz::fail("a released font still finds glyph %d", code);
    return 0;
}

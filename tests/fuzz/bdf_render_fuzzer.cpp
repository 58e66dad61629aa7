// The canvas and the renderer against the per-pixel model of draw_model.h,
// on a font the reader loads from the input: the model's program of calls
// takes its choices from the input's first part, so the fuzzer steers the
// canvas, the cursor, the flags and the calls, the font's glyphs and sizes.
//
// Input: a byte n, then 8 * n bytes of choices (zeros past the end of the
// input), then the font file.
#include <algorithm>
#include <cstring>

#include "../draw/draw_model.h"
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
    if (size == 0) return -1;
    size_t choices = std::min<size_t>(8 * data[0], size - 1);
    const uint8_t *font = data + 1 + choices;
    size_t font_size = size - 1 - choices;
    if (fuzz::declares_many_glyphs(font, font_size, max_glyphs)) return -1;
    const uint8_t *next = data + 1, *end = font;
    draw_model::Program program([&] {
        uint64_t value = 0;
        size_t n = std::min<size_t>(8, size_t(end - next));
        std::memcpy(&value, next, n);
        next += n;
        return value;
    });
    current_font = BdfFont{};
    load_font(fuzz::font_file(font, font_size));
    program.make_canvas();
    program.adopt_font();
    std::string failure = program.run(data[0] + 8);
    if (!failure.empty()) fuzz::fail("the canvas left the model: %s", failure.c_str());
    return 0;
}

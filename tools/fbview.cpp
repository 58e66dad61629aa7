// Frame viewer: shows a captured frame as its panel would, as text art and as
// a PBM picture.
//
//   fbview --width W --height H [--visible N] [--driver NAME [--bpp N]]
//          [--pbm FILE] [--scale K] FRAME
//   fbview --ppm [--width W] [--height H] [--visible N] [--pbm FILE] [--scale K] PICTURE
//
// Without --driver, or with --driver plain, the frame is read as the plain
// fake panel reads it: W is the line length (xres_virtual), H the rows, and
// pixel (x, y) is bit 7 - x % 8 of byte x / 8 + W * y / 8. --driver NAME, a
// driver of tools/panel-profiles.h, reads it as that driver's panel does,
// with W as xres and --bpp N the FAKEFB_BPP the fake panel was given (it
// picks vfb's depth; the other drivers have one). --ppm reads a binary PPM
// (P6, maxval 255, as qemu's screendump writes), a pixel being ink when its
// grey (3 * r + 6 * g + b) / 10 is 128 or more; W and H come from its header,
// and must match it when given. --visible crops the picture to the first N
// columns. '#' is ink, '.' background. Bytes the frame lacks read as
// background.
#include <cctype>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "panel-profiles.h"

namespace
{

// The longest side taken, so that no offset into the frame can overflow.
constexpr int32_t max_side = 1 << 24;

struct Options {
    int32_t width = 0;
    int32_t height = 0;
    int32_t visible = 0;
    int32_t scale = 1;
    uint32_t bpp = 1;
    const char *driver = "plain";
    bool ppm = false;
    const char *pbm = nullptr;
    const char *frame = nullptr;
};

// Where and how the panel's pixels lie in the frame's bytes.
struct Layout {
    PanelReading reading;
    uint64_t start;       // the first pixel byte (past a PPM header)
    uint64_t row_bits;    // packed: bits from one row to the next
    uint64_t line_length; // bytes from one row to the next
    uint32_t bytes;       // bytes of one pixel word
    PixelFormat format;   // the fields of a pixel word
};

using Bytes = std::vector<uint8_t>;

int usage()
{
    std::fprintf(stderr, "usage: fbview --width W --height H [--visible N] [--driver NAME "
                         "[--bpp N]] [--pbm FILE] [--scale K] FRAME\n"
                         "       fbview --ppm [--width W] [--height H] [--visible N] [--pbm "
                         "FILE] [--scale K] PICTURE\n");
    return 2;
}

bool parse(int argc, char **argv, Options *options)
{
    for (int i = 1; i < argc; ++i) {
        const char *arg = argv[i];
        bool has_value = i + 1 < argc;
        if (!std::strcmp(arg, "--width") && has_value)
            options->width = std::atoi(argv[++i]);
        else if (!std::strcmp(arg, "--height") && has_value)
            options->height = std::atoi(argv[++i]);
        else if (!std::strcmp(arg, "--visible") && has_value)
            options->visible = std::atoi(argv[++i]);
        else if (!std::strcmp(arg, "--scale") && has_value)
            options->scale = std::atoi(argv[++i]);
        else if (!std::strcmp(arg, "--pbm") && has_value)
            options->pbm = argv[++i];
        else if (!std::strcmp(arg, "--driver") && has_value)
            options->driver = argv[++i];
        else if (!std::strcmp(arg, "--bpp") && has_value)
            options->bpp = static_cast<uint32_t>(std::strtoul(argv[++i], nullptr, 0));
        else if (!std::strcmp(arg, "--ppm"))
            options->ppm = true;
        else if (arg[0] != '-' && !options->frame)
            options->frame = arg;
        else
            return false;
    }
    // A PPM gives the size itself; a raw frame needs both sides.
    int32_t least = options->ppm ? 0 : 1;
    return options->frame && options->width >= least && options->height >= least &&
           options->width <= max_side && options->height <= max_side && options->scale > 0 &&
           options->scale <= 64 && !(options->ppm && std::strcmp(options->driver, "plain"));
}

bool read_frame(const char *path, Bytes *bytes)
{
    FILE *file = std::fopen(path, "rb");
    if (!file) return false;
    uint8_t chunk[4096];
    size_t n;
    while ((n = std::fread(chunk, 1, sizeof chunk, file)) > 0)
        bytes->insert(bytes->end(), chunk, chunk + n);
    std::fclose(file);
    return true;
}

uint8_t byte_at(const Bytes &frame, uint64_t at)
{
    return at < frame.size() ? frame[at] : 0;
}

// The little-endian word of count bytes (at most 4) at at.
uint32_t word_at(const Bytes &frame, uint64_t at, uint32_t count)
{
    uint32_t word = 0;
    for (uint32_t i = count; i-- > 0;)
        word = word << 8 | byte_at(frame, at + i);
    return word;
}

uint32_t field_of(uint32_t word, Bitfield field)
{
    uint64_t mask = (uint64_t{1} << field.length) - 1;
    return static_cast<uint32_t>(word >> field.offset & mask);
}

// BT.601 grey of 8-bit red, green and blue, as Linux 6.1 turns XRGB8888 into
// a monochrome panel's pixels.
uint32_t grey(uint32_t r, uint32_t g, uint32_t b)
{
    return (3 * r + 6 * g + b) / 10;
}

bool packed_ink(const Layout &layout, const Bytes &frame, uint64_t x, uint64_t y)
{
    uint8_t byte = byte_at(frame, layout.start + x / 8 + layout.row_bits * y / 8);
    return byte & (0x80 >> x % 8);
}

bool bit_ink(const Layout &layout, const Bytes &frame, uint64_t x, uint64_t y, bool lsb_first)
{
    uint8_t byte = byte_at(frame, layout.start + y * layout.line_length + x / 8);
    return byte & (lsb_first ? 1 << x % 8 : 0x80 >> x % 8);
}

uint32_t pixel_word(const Layout &layout, const Bytes &frame, uint64_t x, uint64_t y)
{
    return word_at(frame, layout.start + y * layout.line_length + x * layout.bytes, layout.bytes);
}

bool grey_ink(const Layout &layout, const Bytes &frame, uint64_t x, uint64_t y)
{
    uint32_t word = pixel_word(layout, frame, x, y);
    const PixelFormat &f = layout.format;
    return grey(field_of(word, f.red), field_of(word, f.green), field_of(word, f.blue)) >= 128;
}

bool ink(const Layout &layout, const Bytes &frame, int32_t x, int32_t y)
{
    uint64_t ux = static_cast<uint64_t>(x), uy = static_cast<uint64_t>(y);
    switch (layout.reading) {
    case PanelReading::packed:
        return packed_ink(layout, frame, ux, uy);
    case PanelReading::lsb_first:
        return bit_ink(layout, frame, ux, uy, true);
    case PanelReading::msb_first:
        return bit_ink(layout, frame, ux, uy, false);
    case PanelReading::nonzero:
        return pixel_word(layout, frame, ux, uy) != 0;
    case PanelReading::grey:
        return grey_ink(layout, frame, ux, uy);
    }
    return false;
}

// The frame as the driver's panel reads it, xres = width. Null driver: none.
bool driver_layout(const PanelProfile *driver, const Options &options, Layout *layout)
{
    if (!driver) return false;
    uint32_t bpp = driver->bpp ? driver->bpp : options.bpp;
    uint32_t xres = static_cast<uint32_t>(options.width);
    *layout = {driver->reading, 0, xres, panel_line_length(*driver, xres, bpp), bpp / 8,
               driver->format};
    return true;
}

bool is_space(uint8_t c)
{
    return c == ' ' || (c >= '\t' && c <= '\r');
}

// Skips white space and # comments.
void ppm_skip(const Bytes &file, uint64_t *at)
{
    while (*at < file.size() && (is_space(file[*at]) || file[*at] == '#')) {
        if (file[*at] == '#')
            while (*at < file.size() && file[*at] != '\n')
                ++*at;
        else
            ++*at;
    }
}

// A decimal number of one to eight digits after white space and comments.
bool ppm_number(const Bytes &file, uint64_t *at, int32_t *value)
{
    ppm_skip(file, at);
    uint64_t first = *at;
    for (*value = 0; *at < file.size() && *at - first < 8 && std::isdigit(file[*at]); ++*at)
        *value = *value * 10 + (file[*at] - '0');
    return *at > first;
}

// A P6 picture: "P6", width, height and maxval 255, then one white-space byte
// and three bytes a pixel, red first (a little-endian word in BGR888).
bool ppm_layout(const Bytes &file, int32_t *width, int32_t *height, Layout *layout)
{
    uint64_t at = 2;
    int32_t maxval = 0;
    bool ok = file.size() > 2 && file[0] == 'P' && file[1] == '6' && ppm_number(file, &at, width) &&
              ppm_number(file, &at, height) && ppm_number(file, &at, &maxval) && maxval == 255 &&
              at < file.size() && is_space(file[at]) && *width > 0 && *height > 0 &&
              *width <= max_side && *height <= max_side;
    *layout = {
        PanelReading::grey, at + 1, 0, uint64_t{3} * static_cast<uint32_t>(*width), 3, bgr888};
    return ok;
}

void print_art(const Layout &layout, const Bytes &frame, int32_t visible, int32_t height)
{
    for (int32_t y = 0; y < height; ++y) {
        for (int32_t x = 0; x < visible; ++x)
            std::putchar(ink(layout, frame, x, y) ? '#' : '.');
        std::putchar('\n');
    }
}

// Plain PBM (P1): one digit per pixel, 1 = black, each pixel scale x scale.
bool write_pbm(const char *path, const Layout &layout, const Bytes &frame, int32_t visible,
               int32_t height, int32_t scale)
{
    FILE *file = std::fopen(path, "w");
    if (!file) return false;
    std::fprintf(file, "P1\n%d %d\n", visible * scale, height * scale);
    for (int32_t y = 0; y < height * scale; ++y) {
        for (int32_t x = 0; x < visible * scale; ++x)
            std::fputs(ink(layout, frame, x / scale, y / scale) ? "1 " : "0 ", file);
        std::fputc('\n', file);
    }
    return std::fclose(file) == 0;
}

// The layout of options.frame, with options' width and height made the
// picture's; false after saying why there is none.
bool find_layout(const Bytes &frame, Options *options, Layout *layout)
{
    if (!options->ppm) {
        if (driver_layout(panel_find(options->driver, options->bpp), *options, layout)) return true;
        if (panel_find(options->driver, 0))
            std::fprintf(stderr, "fbview: %s has no mode of %u bits per pixel\n", options->driver,
                         options->bpp);
        else
            std::fprintf(stderr, "fbview: no driver \"%s\" in tools/panel-profiles.h\n",
                         options->driver);
        return false;
    }
    int32_t width = 0, height = 0;
    if (!ppm_layout(frame, &width, &height, layout)) {
        std::fprintf(stderr, "fbview: %s is not a binary PPM (P6) of maxval 255\n", options->frame);
        return false;
    }
    if ((options->width && options->width != width) ||
        (options->height && options->height != height)) {
        std::fprintf(stderr, "fbview: %s is %d x %d\n", options->frame, width, height);
        return false;
    }
    options->width = width;
    options->height = height;
    return true;
}

} // namespace

int main(int argc, char **argv)
{
    Options options;
    if (!parse(argc, argv, &options)) return usage();
    Bytes frame;
    if (!read_frame(options.frame, &frame)) {
        std::fprintf(stderr, "fbview: cannot read %s\n", options.frame);
        return 1;
    }
    Layout layout;
    if (!find_layout(frame, &options, &layout)) return 1;
    if (options.visible <= 0 || options.visible > options.width) options.visible = options.width;
    print_art(layout, frame, options.visible, options.height);
    if (options.pbm &&
        !write_pbm(options.pbm, layout, frame, options.visible, options.height, options.scale)) {
        std::fprintf(stderr, "fbview: cannot write %s\n", options.pbm);
        return 1;
    }
    return 0;
}

// Frame viewer: shows a captured frame as text art and writes it as a PBM.
//
//   fbview --width W --height H [--visible N] [--pbm FILE] [--scale K] FRAME
//
// The frame is decoded with the canvas's own pixel addressing, so what it
// shows is what the canvas drew: W is the line length (xres_virtual), H the
// rows, --visible crops the picture to the first N columns. '#' is a pixel
// that is on, '.' one that is off. Bytes the frame lacks read as off.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "mmap.h"

namespace
{

struct Options {
    int32_t width = 0;
    int32_t height = 0;
    int32_t visible = 0;
    int32_t scale = 1;
    const char *pbm = nullptr;
    const char *frame = nullptr;
};

int usage()
{
    std::fprintf(
        stderr,
        "usage: fbview --width W --height H [--visible N] [--pbm FILE] [--scale K] FRAME\n");
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
        else if (arg[0] != '-' && !options->frame)
            options->frame = arg;
        else
            return false;
    }
    if (options->visible <= 0 || options->visible > options->width)
        options->visible = options->width;
    return options->frame && options->width > 0 && options->height > 0 && options->scale > 0 &&
           options->scale <= 64;
}

bool read_frame(const char *path, std::vector<uint8_t> *bytes)
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

void print_art(const Canvas *canvas, int32_t visible)
{
    for (int32_t y = 0; y < canvas->height; ++y) {
        for (int32_t x = 0; x < visible; ++x)
            std::putchar(mmap_get_pixel(canvas, x, y) ? '#' : '.');
        std::putchar('\n');
    }
}

// Plain PBM (P1): one digit per pixel, 1 = black, each pixel scale x scale.
bool write_pbm(const char *path, const Canvas *canvas, int32_t visible, int32_t scale)
{
    FILE *file = std::fopen(path, "w");
    if (!file) return false;
    std::fprintf(file, "P1\n%d %d\n", visible * scale, canvas->height * scale);
    for (int32_t y = 0; y < canvas->height * scale; ++y) {
        for (int32_t x = 0; x < visible * scale; ++x)
            std::fputs(mmap_get_pixel(canvas, x / scale, y / scale) ? "1 " : "0 ", file);
        std::fputc('\n', file);
    }
    return std::fclose(file) == 0;
}

} // namespace

int main(int argc, char **argv)
{
    Options options;
    if (!parse(argc, argv, &options)) return usage();
    std::vector<uint8_t> bytes;
    if (!read_frame(options.frame, &bytes)) {
        std::fprintf(stderr, "fbview: cannot read %s\n", options.frame);
        return 1;
    }
    // Pad to the canvas's span so every pixel can be read.
    bytes.resize(std::max<size_t>(bytes.size(), mmap_pixel_bytes(options.width, options.height)),
                 0);
    Canvas canvas = {bytes.data(), options.width, options.height, 0, 0};
    print_art(&canvas, options.visible);
    if (options.pbm && !write_pbm(options.pbm, &canvas, options.visible, options.scale)) {
        std::fprintf(stderr, "fbview: cannot write %s\n", options.pbm);
        return 1;
    }
    return 0;
}

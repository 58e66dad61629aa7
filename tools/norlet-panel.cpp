// Panel check: what the frame-buffer driver reports and what norlet-display
// will write to it, and on request a test card on the panel.
//
//   norlet-panel           prints the driver's report, the layout, font and cell
//   norlet-panel --card    also draws the test card: a frame around the edge,
//                          an "F" at the top left and an arrow pointing right
//
// The card shows at a glance what is wrong: a mirrored "F" or an arrow
// pointing left (bit order or turn), a slanted or broken frame (row length),
// a light card on dark or the reverse (polarity), nothing at all (the panel is
// not switched on, or another device). It reads the same environment as the
// program (FRAMEBUFFER, NORLET_MONO_LAYOUT, NORLET_ROTATE). Exit status 0 when
// the report (and the card) succeeded, 1 when the device could not be used,
// 2 on wrong usage.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <iterator>

#include "bdf-reader.h"
#include "font-handler.h"
#include "mmap.h"

namespace
{

constexpr const char *visual_names[] = {
    "MONO01", "MONO10", "TRUECOLOR", "PSEUDOCOLOR", "DIRECTCOLOR", "STATIC_PSEUDOCOLOR", "FOURCC"};

const char *visual_name(uint32_t visual)
{
    return visual < std::size(visual_names) ? visual_names[visual] : "unknown";
}

void print_driver(const PanelFacts &facts)
{
    const fb_var_screeninfo &var = *facts.var;
    std::printf("device: %s\n", facts.device);
    if (facts.fix) {
        std::printf("driver: \"%.16s\", visual %s (%u), type %u\n", facts.fix->id,
                    visual_name(facts.fix->visual), facts.fix->visual, facts.fix->type);
        std::printf("line length: %u bytes, memory %u bytes\n", facts.fix->line_length,
                    facts.fix->smem_len);
    } else {
        std::printf("driver: no answer to FBIOGET_FSCREENINFO (id, visual, line length)\n");
    }
    std::printf("geometry: %u x %u, virtual %u x %u\n", var.xres, var.yres, var.xres_virtual,
                var.yres_virtual);
    std::printf("bits per pixel: %u, grayscale %u, nonstd %u\n", var.bits_per_pixel, var.grayscale,
                var.nonstd);
    std::printf("fields (offset/length): red %u/%u, green %u/%u, blue %u/%u, transp %u/%u\n",
                var.red.offset, var.red.length, var.green.offset, var.green.length, var.blue.offset,
                var.blue.length, var.transp.offset, var.transp.length);
}

void print_layout(const PanelFacts &facts)
{
    const FrameFormat &format = *facts.format;
    if (format.line_length == 0) {
        std::printf("layout: 1 bit a pixel, leftmost in the most significant bit, "
                    "rows %u bits apart\n",
                    format.columns);
    } else {
        std::printf("layout: %u bit%s a pixel, %s, rows %llu bytes apart, ink 0x%x\n",
                    format.bits_per_pixel, format.bits_per_pixel == 1 ? "" : "s",
                    format.bits_per_pixel >= 8
                        ? (format.low_bits_first ? "low byte first" : "high byte first")
                    : format.low_bits_first ? "leftmost in bit 0"
                                            : "leftmost in the most significant bit",
                    static_cast<unsigned long long>(format.line_length), format.ink);
    }
    uint32_t degrees = 90 * (format.quarter_turns % 4);
    if (degrees == 0)
        std::printf("turned: no\n");
    else
        std::printf("turned: %u degrees%s\n", degrees, degrees == 180 ? "" : " clockwise");
    std::printf("write: %llu bytes\n", static_cast<unsigned long long>(facts.write_size));
    // Packed rows on a driver that pads its rows shear every row but the first.
    const fb_fix_screeninfo *fix = facts.fix;
    if (format.line_length == 0 && fix && fix->line_length &&
        uint64_t{fix->line_length} * 8 != format.columns)
        std::printf("note: the driver's rows are %u bytes long; if the text is sheared, try "
                    "NORLET_MONO_LAYOUT=msb, or lsb if each group of 8 pixels is mirrored\n",
                    fix->line_length);
}

void print_font(const PanelFacts &facts)
{
    std::printf("font: %s (panel class %d)\n", facts.font_path, facts.panel_class);
    if (load_font(facts.font_path) == 0)
        std::printf("cell: %d x %d\n", current_font.width, current_font.height);
    release_bdf_font();
}

void fill(Canvas *canvas, int64_t x, int64_t y, int64_t width, int64_t height)
{
    for (int64_t row = y; row < y + height; ++row)
        for (int64_t column = x; column < x + width; ++column)
            mmap_set_pixel(canvas, column, row, true);
}

// The test card on the visible width x height: a frame around the edge, an
// "F" in the left half and an arrow pointing right in the right half.
void draw_card(Canvas *canvas, int64_t width, int64_t height)
{
    fill(canvas, 0, 0, width, 1);
    fill(canvas, 0, height - 1, width, 1);
    fill(canvas, 0, 0, 1, height);
    fill(canvas, width - 1, 0, 1, height);
    int64_t size = (height < width / 2 ? height : width / 2) * 2 / 3;
    int64_t stroke = size / 8 > 1 ? size / 8 : 1, top = (height - size) / 2;
    int64_t left = width / 4 - size / 3;
    fill(canvas, left, top, stroke, size);
    fill(canvas, left, top, size * 2 / 3, stroke);
    fill(canvas, left, top + size / 2 - stroke / 2, size / 2, stroke);
    int64_t middle = height / 2, tip = width - width / 8, head = size / 3;
    fill(canvas, width / 2 + width / 16, middle - stroke / 2, tip - width / 2 - width / 16, stroke);
    for (int64_t i = 0; i <= head; ++i) {
        fill(canvas, tip - i, middle - i - stroke / 2, stroke, stroke);
        fill(canvas, tip - i, middle + i - stroke / 2, stroke, stroke);
    }
}

int write_card(int fd, uint8_t *frame, const PanelFacts &facts)
{
    Canvas canvas = frame_canvas(frame);
    mmap_clear(&canvas);
    // Turned by 90 or 270 degrees the card is drawn on the panel as turned.
    bool sideways = facts.format->quarter_turns % 2 == 1;
    draw_card(&canvas, sideways ? facts.var->yres : facts.var->xres,
              sideways ? facts.var->xres : facts.var->yres);
    if (write_frame(fd, &canvas, frame) != 0) {
        std::printf("card: the write failed (errno %d)\n", errno);
        return 1;
    }
    std::printf("card: written\n");
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    bool card = argc == 2 && std::strcmp(argv[1], "--card") == 0;
    if (argc > 2 || (argc == 2 && !card)) {
        std::printf("usage: %s [--card]\n", argc > 0 ? argv[0] : "norlet-panel");
        return 2;
    }
    int fd = -1;
    uint8_t *frame = nullptr;
    if (init_frame_buffer(&fd, &frame) != 0) {
        std::printf("norlet-panel: cannot use the frame buffer (errno %d)\n", errno);
        return 1;
    }
    PanelFacts facts = panel_facts();
    print_driver(facts);
    print_layout(facts);
    print_font(facts);
    int status = card ? write_card(fd, frame, facts) : 0;
    exit_frame_buffer(&fd, frame);
    return status;
}

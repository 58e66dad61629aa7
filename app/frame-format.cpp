// What a frame for this panel looks like.
#include "frame-format.h"

#include <bit>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <string_view>

namespace
{

constexpr const char *default_device = "/dev/fb0";

// The kernel's own drawing code fills the bytes of a frame below 8 bits a
// pixel from the low bits on little-endian machines, from the high bits on
// big-endian ones; words of 8 bits and more are stored in the machine's
// byte order.
constexpr bool machine_is_little_endian = std::endian::native == std::endian::little;
constexpr MonoLayout kernel_order = machine_is_little_endian ? MonoLayout::lsb : MonoLayout::msb;

// 1-bpp drivers known by the id they report, and the layout each one reads.
// The update loops of ssd1307fb ("Solomon SSD1307", for SSD1305/6/7/9 alike)
// and cfag12864bfb read pixel x of a row from bit x % 8 of byte x / 8, on any
// machine. vfb is memory only: its frame reads as the kernel's own console
// draws on it. Every row is line_length bytes long.
struct KnownDriver {
    std::string_view id;
    MonoLayout layout;
};
constexpr KnownDriver known_drivers[] = {
    {"Solomon SSD1307", MonoLayout::lsb},
    {"cfag12864b", MonoLayout::lsb},
    {"Virtual FB", kernel_order},
};

// The drivers of small panels, by the id they report: the 1-bpp ones above,
// the DRM drivers through the fbdev emulation ("<driver>drmfb", 32 bpp) and
// the monochrome panels of the staging fbtft drivers (the driver's name, 16
// bpp). vfb is memory only, no panel.
constexpr const char *panel_drivers[] = {
    "Solomon SSD1307", "cfag12864b", "ssd130xdrmfb", "st7571drmfb", "st7586drmfb",
    "fb_ssd1305",      "fb_ssd1306", "fb_ssd1325",   "fb_sh1106",   "fb_pcd8544",
    "fb_uc1611",       "fb_uc1701",  "fb_tls8204",
};

std::string_view id_of(const char *id, size_t size)
{
    return {id, strnlen(id, size)};
}

// Reads a variable; null when unset or empty.
const char *setting(const char *name)
{
    const char *value = std::getenv(name);
    return value && *value ? value : nullptr;
}

MonoLayout mono_setting()
{
    const char *value = setting("NORLET_MONO_LAYOUT");
    if (!value) return MonoLayout::driver;
    std::string_view text = value;
    if (text == "packed") return MonoLayout::packed;
    if (text == "msb") return MonoLayout::msb;
    if (text == "lsb") return MonoLayout::lsb;
    std::printf("Dravik: NORLET_MONO_LAYOUT \"%.40s\" is not packed, msb or lsb; "
                "the driver's layout is used\n",
                value);
    return MonoLayout::driver;
}

// The turn in quarters, clockwise.
uint32_t turn_setting()
{
    constexpr std::string_view angles[] = {"0", "90", "180", "270"};
    const char *value = setting("NORLET_ROTATE");
    if (!value) return 0;
    for (uint32_t quarters = 0; quarters < 4; ++quarters)
        if (angles[quarters] == value) return quarters;
    std::printf("Dravik: NORLET_ROTATE \"%.40s\" is not 0, 90, 180 or 270; 0 is used\n", value);
    return 0;
}

// The bits a colour field covers within a 32-bit pixel.
uint32_t field_bits(const fb_bitfield &field)
{
    if (field.length == 0 || field.offset >= 32) return 0;
    uint64_t ones = field.length >= 32 ? 0xFFFFFFFFu : (uint64_t{1} << field.length) - 1;
    return static_cast<uint32_t>(ones << field.offset);
}

uint32_t ink_of(const fb_var_screeninfo *var, uint32_t visual)
{
    uint32_t bits = var->bits_per_pixel;
    uint32_t all = bits >= 32 ? 0xFFFFFFFFu : (1u << bits) - 1;
    bool colour = visual == FB_VISUAL_TRUECOLOR || visual == FB_VISUAL_DIRECTCOLOR;
    if (!colour || var->grayscale != 0) return all;
    uint32_t ink = (field_bits(var->red) | field_bits(var->green) | field_bits(var->blue)) & all;
    return ink ? ink : all;
}

// Bytes from one row to the next: the driver's, or the fewest that hold the
// row.
uint64_t row_bytes(const fb_var_screeninfo *var, const fb_fix_screeninfo *fix)
{
    if (fix && fix->line_length) return fix->line_length;
    return (uint64_t{var->xres_virtual} * var->bits_per_pixel + 7) / 8;
}

FrameFormat packed_rows(const fb_var_screeninfo *var, const FrameSettings *settings)
{
    return {1, 0, var->xres_virtual, var->yres, 1, false, settings->quarter_turns, var->xres};
}

FrameFormat rows_apart(const fb_var_screeninfo *var, const fb_fix_screeninfo *fix,
                       const FrameSettings *settings, bool low_bits_first, uint32_t ink)
{
    return {var->bits_per_pixel, row_bytes(var, fix),     var->xres_virtual, var->yres, ink,
            low_bits_first,      settings->quarter_turns, var->xres};
}

FrameFormat mono_frame(const fb_var_screeninfo *var, const fb_fix_screeninfo *fix,
                       const FrameSettings *settings)
{
    MonoLayout layout = settings->mono;
    if (layout == MonoLayout::driver) layout = frame_known_driver(fix);
    if (layout == MonoLayout::packed) return packed_rows(var, settings);
    return rows_apart(var, fix, settings, layout == MonoLayout::lsb, 1);
}

} // namespace

FrameSettings frame_settings_from_environment()
{
    const char *device = setting("FRAMEBUFFER");
    return {device ? device : default_device, mono_setting(), turn_setting()};
}

MonoLayout frame_known_driver(const fb_fix_screeninfo *fix)
{
    if (!fix) return MonoLayout::packed;
    std::string_view id = id_of(fix->id, sizeof fix->id);
    for (const KnownDriver &driver : known_drivers)
        if (driver.id == id) return driver.layout;
    return MonoLayout::packed;
}

const char *frame_panel_driver_id(size_t i)
{
    return i < std::size(panel_drivers) ? panel_drivers[i] : nullptr;
}

bool frame_panel_driver(const char *id, size_t size)
{
    for (const char *driver : panel_drivers)
        if (id_of(id, size) == driver) return true;
    return false;
}

bool frame_driver_known(const char *id, size_t size)
{
    for (const KnownDriver &driver : known_drivers)
        if (driver.id == id_of(id, size)) return true;
    return frame_panel_driver(id, size);
}

FrameFormat frame_format_describe(const fb_var_screeninfo *var, const fb_fix_screeninfo *fix,
                                  const FrameSettings *settings)
{
    if (fix && fix->type != FB_TYPE_PACKED_PIXELS) fix = nullptr;
    uint32_t bits = var->bits_per_pixel;
    if (bits == 1) return mono_frame(var, fix, settings);
    if (!fix) return packed_rows(var, settings);
    if (bits == 2 || bits == 4) {
        bool reversed = (var->nonstd & FB_NONSTD_REV_PIX_IN_B) != 0;
        return rows_apart(var, fix, settings, machine_is_little_endian != reversed,
                          ink_of(var, fix->visual));
    }
    if (bits == 8 || bits == 16 || bits == 24 || bits == 32)
        return rows_apart(var, fix, settings, machine_is_little_endian, ink_of(var, fix->visual));
    return packed_rows(var, settings);
}

uint64_t frame_write_size(const FrameFormat *format, const fb_var_screeninfo *var,
                          const fb_fix_screeninfo *fix)
{
    uint64_t size = format->line_length
                        ? layout_frame_bytes(format)
                        : (var->xres_virtual * var->yres * var->bits_per_pixel) >> 3;
    if (fix && fix->smem_len && size > fix->smem_len) size = fix->smem_len;
    return size;
}

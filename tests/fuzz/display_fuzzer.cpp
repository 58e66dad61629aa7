// The display pass (print_string) in process against stand-ins of the device
// calls: any 32-bit geometry, any fixed information a driver may report (or
// none), every frame layout with the user's settings, any failing call.
// Besides the sanitizers it checks: the device is opened read-write, queried
// and closed once; a failed open or query and a line length or height past
// INT32_MAX (refused as a failed allocation) print their messages with their
// errno and write nothing; otherwise the panel is unblanked when the driver
// answered the fixed query, then one sync and one write of exactly the
// frame's size (packed rows: the 32-bit product xres_virtual * yres *
// bits_per_pixel / 8; rows line_length bytes apart: line_length * yres;
// never past smem_len), all of it readable, and the text as the model of the
// text pass (text_model.h) draws it on the panel as turned and lays it out
// (no ink past the pixels); after a whole write one fsync, and a pause only
// when the driver took it; 0 exactly when the whole frame was written; the
// font released and the renderer's style flags clear. Frames over 1 MiB are
// not run: the end-to-end tests cover 512 MiB.
//
// Input: xres, yres, xres_virtual, bits_per_pixel (32-bit little endian); a
// byte: bits 0-2 the failing call, 3-4 its errno, 5-6 both set: the device
// fonts are there (mostly not: runs stay fast), 7 fsync refused; a driver byte: bits 0-1 not
// both clear: the fixed query is answered, 2-3 its id (another driver,
// ssd1307fb, cfag12864b, vfb), 4 planes instead of packed pixels, 5-7 the
// visual; a settings byte: bits 0-1 NORLET_MONO_LAYOUT (unset, packed, msb,
// lsb), 2 and 5 NORLET_ROTATE (180 and 90 added), 3 grey, 4 pixels reversed
// in bytes; line_length and smem_len (32-bit); offset and length of red,
// green and blue (a byte each); then the text, escape sequences and all.
#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdarg>
#include <ctime>
#include <dlfcn.h>
#include <fcntl.h>
#include <linux/fb.h>
#include <string>

#include "bdf-reader.h"
#include "font-handler.h"
#include "frame-format.h"
#include "fuzz_support.h"
#include "text_model.h"

namespace
{

constexpr int device_fd = 1 << 28; // above any RLIMIT_NOFILE: never a real descriptor
enum Failure { none, open_fails, ioctl_fails, write_fails, short_write };
constexpr const char *ids[] = {"LCD of its own", "Solomon SSD1307", "cfag12864b", "Virtual FB"};
constexpr const char *mono_layouts[] = {"", "packed", "msb", "lsb"};

struct Device {
    fb_var_screeninfo info;
    fb_fix_screeninfo fix;
    bool answers; // the fixed query
    int failure, error;
    bool fonts;
    bool fsync_refused;
    std::string calls; // one a line: open FLAGS, query, fixed, blank, sync, write BYTES,
                       // fsync, pause, close
} device;

// The frame's format, the text and the bytes the frame is laid out in.
FrameFormat format;
std::string text;
uint64_t room;

template <typename F> F next(const char *name)
{
    return reinterpret_cast<F>(dlsym(RTLD_NEXT, name));
}

uint64_t canvas_bytes()
{
    uint64_t width = device.info.xres_virtual, height = device.info.yres;
    return width && height ? (width - 1) / 8 + width * (height - 1) / 8 + 1 : 0;
}

// The rows of the frame when they are line_length bytes apart (0: packed
// rows), as the program promises: 1 bpp when a layout is chosen or the
// driver is known, 2 to 32 bpp when the driver answered with packed pixels.
uint64_t line_length(uint32_t mono)
{
    const fb_var_screeninfo &info = device.info;
    bool fix = device.answers && device.fix.type == FB_TYPE_PACKED_PIXELS;
    uint32_t bpp = info.bits_per_pixel;
    bool known = fix && std::string(device.fix.id) != ids[0];
    bool rows =
        bpp == 1 ? mono >= 2 || (mono == 0 && known)
                 : fix && (bpp == 2 || bpp == 4 || bpp == 8 || bpp == 16 || bpp == 24 || bpp == 32);
    if (!rows) return 0;
    if (fix && device.fix.line_length) return device.fix.line_length;
    return (uint64_t{info.xres_virtual} * bpp + 7) / 8;
}

uint64_t write_size(uint64_t line)
{
    const fb_var_screeninfo &info = device.info;
    uint64_t size =
        line ? line * info.yres : info.xres_virtual * info.yres * info.bits_per_pixel >> 3;
    uint32_t memory = device.answers ? device.fix.smem_len : 0;
    return memory && size > memory ? memory : size;
}

int failed()
{
    errno = device.error;
    return -1;
}

uint32_t mono_layout, quarter_turns;

// The renderer's style flags are clear again: a cell is the font's size, and
// one of a code no glyph has is blank.
bool style_flags_clear()
{
    uint8_t pixel = 0;
    Canvas probe{&pixel, 1, 1, 0, 0};
    font_put_codepoint(&probe, -1);
    return pixel == 0 && font_get_width() == current_font.width &&
           font_get_height() == current_font.height;
}

} // namespace

extern "C" {

int open(const char *path, int flags, ...)
{
    va_list args;
    va_start(args, flags);
    mode_t mode = flags & (O_CREAT | O_TMPFILE) ? static_cast<mode_t>(va_arg(args, int)) : 0;
    va_end(args);
    if (std::strcmp(path, "/dev/fb0") != 0)
        return next<int (*)(const char *, int, ...)>("open")(path, flags, mode);
    device.calls += "open " + std::to_string(flags) + "\n";
    return device.failure == open_fails ? failed() : device_fd;
}

int ioctl(int fd, unsigned long request, ...)
{
    va_list args;
    va_start(args, request);
    void *argument = va_arg(args, void *);
    va_end(args);
    if (fd != device_fd)
        return next<int (*)(int, unsigned long, void *)>("ioctl")(fd, request, argument);
    if (request == FBIOGET_VSCREENINFO) {
        device.calls += "query\n";
        if (device.failure == ioctl_fails) return failed();
        std::memcpy(argument, &device.info, sizeof device.info);
        return 0;
    }
    if (request == FBIOGET_FSCREENINFO) {
        device.calls += "fixed\n";
        if (!device.answers) return errno = EINVAL, -1;
        std::memcpy(argument, &device.fix, sizeof device.fix);
        return 0;
    }
    bool unblank = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(argument)) == FB_BLANK_UNBLANK;
    device.calls +=
        request == FBIOBLANK && unblank ? "blank\n" : "ioctl " + std::to_string(request) + "\n";
    return errno = EINVAL, -1;
}

ssize_t write(int fd, const void *buffer, size_t count)
{
    if (fd != device_fd)
        return next<ssize_t (*)(int, const void *, size_t)>("write")(fd, buffer, count);
    device.calls += "write " + std::to_string(count) + "\n";
    if (count && !fuzz::readable(buffer, count)) fuzz::fail("the write reads past the frame");
    if (current_font.glyphs && !style_flags_clear()) fuzz::fail("the text pass left a style flag");
    std::vector<uint8_t> drawn = text_model::frame(format, text, room, count);
    if (!std::equal(drawn.begin(), drawn.end(), static_cast<const uint8_t *>(buffer)))
        fuzz::fail("the frame is not the text's as the model draws it");
    if (device.failure == write_fails) return failed();
    return static_cast<ssize_t>(device.failure == short_write ? count / 2 : count);
}

int close(int fd)
{
    if (fd != device_fd) return next<int (*)(int)>("close")(fd);
    device.calls += "close\n";
    return 0;
}

void sync(void)
{
    device.calls += "sync\n";
}

int fsync(int fd)
{
    if (fd != device_fd) return next<int (*)(int)>("fsync")(fd);
    device.calls += "fsync\n";
    return device.fsync_refused ? errno = EINVAL, -1 : 0;
}

int nanosleep(const timespec *, timespec *)
{
    device.calls += "pause\n";
    return 0;
}

FILE *fopen(const char *path, const char *mode)
{
    std::string name = path ? path : "", fonts = "/usr/share/fonts/";
    if (name.starts_with(fonts))
        name = device.fonts ? NORLET_FONT_DIR "/" + name.substr(fonts.size()) : "/nonexistent";
    return next<FILE *(*)(const char *, const char *)>("fopen")(name.c_str(), mode);
}

} // extern "C"

namespace
{

// The driver's answers and the user's settings from the input.
void take_driver(const uint8_t **data, size_t *size)
{
    uint8_t driver = fuzz::take_u8(data, size), settings = fuzz::take_u8(data, size);
    device.answers = (driver & 3) != 0;
    fb_fix_screeninfo &fix = device.fix;
    std::strncpy(fix.id, ids[(driver >> 2) & 3], sizeof fix.id);
    fix.type = driver & 0x10 ? FB_TYPE_PLANES : FB_TYPE_PACKED_PIXELS;
    fix.visual = driver >> 5;
    fix.line_length = fuzz::take_u32(data, size);
    fix.smem_len = fuzz::take_u32(data, size);
    mono_layout = settings & 3;
    setenv("NORLET_MONO_LAYOUT", mono_layouts[mono_layout], 1);
    quarter_turns = (settings >> 1 & 2) | (settings >> 5 & 1);
    setenv("NORLET_ROTATE", std::to_string(90 * quarter_turns).c_str(), 1);
    fb_var_screeninfo &info = device.info;
    info.grayscale = (settings >> 3) & 1;
    info.nonstd = settings & 0x10 ? FB_NONSTD_REV_PIX_IN_B : 0;
    for (fb_bitfield *field : {&info.red, &info.green, &info.blue}) {
        field->offset = fuzz::take_u8(data, size);
        field->length = fuzz::take_u8(data, size);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    device = Device{};
    fb_var_screeninfo &info = device.info;
    info.xres = fuzz::take_u32(&data, &size);
    info.yres = fuzz::take_u32(&data, &size);
    info.xres_virtual = fuzz::take_u32(&data, &size);
    info.bits_per_pixel = fuzz::take_u32(&data, &size);
    uint8_t behaviour = fuzz::take_u8(&data, &size);
    device.failure = (behaviour & 7) % 5;
    constexpr int errors[] = {EIO, ENOSPC, EINTR, EAGAIN};
    device.error = errors[(behaviour >> 3) & 3];
    device.fonts = (behaviour & 0x60) == 0x60;
    device.fsync_refused = (behaviour & 0x80) != 0;
    take_driver(&data, &size);
    uint64_t line = line_length(mono_layout), frame = write_size(line);
    bool opened = device.failure != open_fails, queried = opened && device.failure != ioctl_fails;
    // The text is laid out on the panel turned: yres x xres at 90 and 270 (a
    // frame of rows line_length apart then has nothing of xres_virtual x yres).
    bool sideways = quarter_turns % 2;
    uint64_t turned = sideways ? (uint64_t{info.yres} * info.xres + 7) / 8 : 0;
    uint64_t largest = std::max({sideways && line ? 0 : canvas_bytes(), frame, turned});
    // A canvas or frame of 2^48 bytes or more no allocator gives (and none
    // touches memory to refuse it): it fails as a failed allocation, also when
    // the other one was allocated. The fuzzer's malloc limit stops far below,
    // so only the replay in the test suite runs it.
    bool huge = largest >= uint64_t{1} << 48;
    bool refused = info.xres_virtual > INT32_MAX || info.yres > INT32_MAX ||
                   (sideways && info.xres > INT32_MAX) || huge,
         ends = !queried || refused;
#ifndef NORLET_DISPLAY_REPLAY
    if (huge) return -1;
#endif
    if (!ends && largest > 1 << 20) return -1;
    FrameSettings settings = frame_settings_from_environment();
    format = frame_format_describe(&info, device.answers ? &device.fix : nullptr, &settings);
    text = std::string(reinterpret_cast<const char *>(data), size).c_str();
    room = line ? frame : std::max(frame, canvas_bytes());

    // print_string with its output captured.
    char *buffer = nullptr;
    size_t length = 0;
    FILE *saved = stdout;
    if (!(stdout = open_memstream(&buffer, &length))) fuzz::fail("open_memstream failed");
    int result = print_string(text.c_str());
    std::fclose(stdout);
    stdout = saved;
    std::string out(buffer, length);
    std::free(buffer);

    bool full = device.failure == none || (device.failure == short_write && frame == 0);
    std::string flush = full ? device.fsync_refused ? "fsync\n" : "fsync\npause\n" : "";
    std::string calls = "open " + std::to_string(O_RDWR) + "\n" + (opened ? "query\n" : "") +
                        (queried ? "fixed\n" : "") +
                        (ends ? ""
                              : std::string(device.answers ? "blank\n" : "") + "sync\nwrite " +
                                    std::to_string(frame) + "\n" + flush) +
                        (opened ? "close\n" : "");
    if (device.calls != calls)
        fuzz::fail("device calls\n%sshould be\n%s", device.calls.c_str(), calls.c_str());
    const std::string error = std::to_string(device.error),
                      could_not = "Dravik: could not open frame buffer device. Error - ";
    std::string report =
        !opened    ? "Dravik: error opening framebuffer\n" + could_not + error
        : !queried ? "Dravik: IOCTL Failed!\n" + could_not + error
        : refused  ? "Dravik: error allocating memory. error - 12\n" + could_not + "12"
        : device.failure == write_fails ? "Dravik: IOCTL Failed!. Error - " + error + "\n"
        : full                          ? ""
                                        : "Dravik: IOCTL Failed!. Error - ";
    bool reported = ends             ? out == report
                    : report.empty() ? out.find("Dravik") == std::string::npos
                                     : out.find(report) != std::string::npos;
    if (!reported || result != (ends || !full))
        fuzz::fail("result %d, report \"%s\"", result, out.c_str());
    if (current_font.glyphs) fuzz::fail("the font was not released");
    return 0;
}

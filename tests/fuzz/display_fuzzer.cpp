// The display pass (print_string) against a stand-in of the device calls in
// this process: the geometry is any four 32-bit values, and the device may
// fail any of its calls. Checks, besides the sanitizers:
//   - a geometry the canvas cannot hold (a line length or a height past
//     INT32_MAX) is refused with the allocation-failure message;
//   - otherwise the frame is written once with exactly
//     xres_virtual * yres * bits_per_pixel / 8 bytes (the product in 32-bit
//     unsigned arithmetic), every one of them readable, those past the
//     canvas zero;
//   - the device is opened once and closed once, the messages are the ones
//     of each failure, the result is 0 exactly when the frame was written.
// Frames over max_frame_bytes are not run (a fuzzer that allocates
// gigabytes tests the machine, not the code): the end-to-end tests cover
// frames of 512 MiB.
//
// Input: xres, yres, xres_virtual, bits_per_pixel (little-endian 32-bit),
// one byte of device behaviour, then the text.
#include <cerrno>
#include <climits>
#include <cstdarg>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <dlfcn.h>
#include <fcntl.h>
#include <linux/fb.h>
#include <string>
#include <sys/ioctl.h>
#include <unistd.h>

#include "bdf-reader.h"
#include "font-handler.h"
#include "fuzz_support.h"
#include "mmap.h"

namespace
{

constexpr uint64_t max_frame_bytes = 1u << 20;
// Never a real descriptor: above any RLIMIT_NOFILE.
constexpr int device_fd = 1 << 28;
constexpr const char *font_prefix = "/usr/share/fonts/";

enum class Failure { none, open, ioctl, write, short_write };

// What the device reports and does for the current input, and what the
// program did with it.
struct Device {
    fb_var_screeninfo info;
    Failure failure;
    int fail_errno;
    const char *font_dir; // where /usr/share/fonts/ points, null = fonts missing
    int opens, closes, queries, writes, syncs;
    int open_flags;
    size_t written;
    bool open_now;
} device;

template <typename F> F real(const char *name)
{
    return reinterpret_cast<F>(dlsym(RTLD_NEXT, name));
}

int open_device(int flags)
{
    ++device.opens;
    device.open_flags = flags;
    if (device.failure == Failure::open) {
        errno = device.fail_errno;
        return -1;
    }
    device.open_now = true;
    return device_fd;
}

// Bytes the one-bit canvas of xres_virtual x yres touches: up to the byte
// of its last pixel, x / 8 + (width * y) / 8.
uint64_t canvas_bytes(const fb_var_screeninfo &info)
{
    uint64_t width = info.xres_virtual, height = info.yres;
    if (width == 0 || height == 0) return 0;
    return (width - 1) / 8 + width * (height - 1) / 8 + 1;
}

// Every byte handed to the device must be readable: the frame is checked
// against the sanitizer's map of the heap, and the bytes the canvas does not
// cover must be zero.
ssize_t write_device(const void *buffer, size_t count)
{
    ++device.writes;
    device.written = count;
    if (count && !fuzz::readable(buffer, count))
        fuzz::fail("write of %zu bytes reads past the frame", count);
    const uint8_t *bytes = static_cast<const uint8_t *>(buffer);
    uint64_t canvas = canvas_bytes(device.info);
    // All zero: the first byte is 0 and every byte equals the one before it.
    if (canvas < count &&
        (bytes[canvas] != 0 || std::memcmp(bytes + canvas, bytes + canvas + 1, count - canvas - 1)))
        fuzz::fail("frame bytes %llu to %zu, past the canvas, are not all zero",
                   (unsigned long long)canvas, count);
    if (device.failure == Failure::write) {
        errno = device.fail_errno;
        return -1;
    }
    if (device.failure == Failure::short_write && count > 0) return static_cast<ssize_t>(count / 2);
    return static_cast<ssize_t>(count);
}

} // namespace

// The stand-ins: the device's calls are answered here, every other call goes
// on to the C library.
extern "C" {

int open(const char *path, int flags, ...)
{
    mode_t mode = 0;
    if (flags & O_CREAT) {
        va_list args;
        va_start(args, flags);
        mode = static_cast<mode_t>(va_arg(args, int));
        va_end(args);
    }
    if (std::strcmp(path, "/dev/fb0") == 0) return open_device(flags);
    return real<int (*)(const char *, int, ...)>("open")(path, flags, mode);
}

int ioctl(int fd, unsigned long request, ...)
{
    va_list args;
    va_start(args, request);
    void *argument = va_arg(args, void *);
    va_end(args);
    if (fd != device_fd)
        return real<int (*)(int, unsigned long, void *)>("ioctl")(fd, request, argument);
    ++device.queries;
    if (!device.open_now) fuzz::fail("query on a closed device");
    if (request != FBIOGET_VSCREENINFO) fuzz::fail("unexpected request 0x%lx", request);
    if (device.failure == Failure::ioctl) {
        errno = device.fail_errno;
        return -1;
    }
    std::memcpy(argument, &device.info, sizeof device.info);
    return 0;
}

ssize_t write(int fd, const void *buffer, size_t count)
{
    if (fd != device_fd)
        return real<ssize_t (*)(int, const void *, size_t)>("write")(fd, buffer, count);
    if (!device.open_now) fuzz::fail("write to a closed device");
    return write_device(buffer, count);
}

int close(int fd)
{
    if (fd != device_fd) return real<int (*)(int)>("close")(fd);
    if (!device.open_now) fuzz::fail("device closed twice");
    ++device.closes;
    device.open_now = false;
    return 0;
}

void sync(void)
{
    ++device.syncs;
}

FILE *fopen(const char *path, const char *mode)
{
    auto real_fopen = real<FILE *(*)(const char *, const char *)>("fopen");
    size_t prefix = std::strlen(font_prefix);
    if (!path || std::strncmp(path, font_prefix, prefix) != 0) return real_fopen(path, mode);
    if (!device.font_dir) {
        errno = ENOENT;
        return nullptr;
    }
    std::string redirected = std::string(device.font_dir) + "/" + (path + prefix);
    return real_fopen(redirected.c_str(), mode);
}

} // extern "C"

namespace
{

// The bytes of one frame as the device takes them: the product in 32 bits.
uint32_t expected_write_size(const fb_var_screeninfo &info)
{
    uint32_t product = info.xres_virtual * info.yres * info.bits_per_pixel;
    return product >> 3;
}

bool canvas_can_hold(const fb_var_screeninfo &info)
{
    return info.xres_virtual <= INT32_MAX && info.yres <= INT32_MAX;
}

bool ends_with(const std::string &text, const std::string &tail)
{
    return text.size() >= tail.size() &&
           text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

std::string with_errno(const char *format, int error)
{
    char line[128];
    std::snprintf(line, sizeof line, format, error);
    return line;
}

// Runs print_string with its output captured.
int run_pass(const std::string &text, std::string *out)
{
    char *buffer = nullptr;
    size_t length = 0;
    FILE *saved = stdout;
    stdout = open_memstream(&buffer, &length);
    if (!stdout) fuzz::fail("open_memstream failed");
    int result = print_string(text.c_str());
    std::fclose(stdout);
    stdout = saved;
    out->assign(buffer, length);
    std::free(buffer);
    return result;
}

void check_open_and_query(const std::string &out, int result)
{
    const std::string failed_open =
        with_errno("Dravik: could not open frame buffer device. Error - %i", device.fail_errno);
    if (device.opens != 1 || device.open_flags != O_RDWR)
        fuzz::fail("the device should be opened once, read-write");
    if (device.failure == Failure::open) {
        if (out != "Dravik: error opening framebuffer\n" + failed_open || result != 1 ||
            device.queries || device.closes)
            fuzz::fail("failed open: wrong report \"%s\"", out.c_str());
        return;
    }
    if (device.closes != 1 || device.open_now) fuzz::fail("the device should be closed once");
    if (device.queries != 1) fuzz::fail("the geometry should be queried once");
    if (device.failure == Failure::ioctl &&
        (out != "Dravik: IOCTL Failed!\n" + failed_open || result != 1 || device.writes))
        fuzz::fail("failed query: wrong report \"%s\"", out.c_str());
}

void check_refusal(const std::string &out, int result)
{
    const char *refusal = "Dravik: error allocating memory. error - 12\n"
                          "Dravik: could not open frame buffer device. Error - 12";
    if (out != refusal || result != 1 || device.writes)
        fuzz::fail("geometry %u x %u (line %u) should be refused, got \"%s\"", device.info.xres,
                   device.info.yres, device.info.xres_virtual, out.c_str());
}

void check_write(const std::string &out, int result)
{
    uint32_t expected = expected_write_size(device.info);
    if (device.writes != 1 || device.syncs != 1)
        fuzz::fail("one sync and one write expected, got %d and %d", device.syncs, device.writes);
    if (device.written != expected)
        fuzz::fail("%u x %u (line %u) at %u bpp: wrote %zu bytes, should be %u", device.info.xres,
                   device.info.yres, device.info.xres_virtual, device.info.bits_per_pixel,
                   device.written, expected);
    bool full = device.failure == Failure::none ||
                (device.failure == Failure::short_write && expected == 0);
    if (full != (result == 0))
        fuzz::fail("a %s write returned %d", full ? "full" : "failed", result);
    const std::string failure = "Dravik: IOCTL Failed!. Error - ";
    if (full == (out.find(failure) != std::string::npos))
        fuzz::fail("write report \"%s\" does not match the write", out.c_str());
    if (!full && device.failure == Failure::write &&
        !ends_with(out, with_errno("Dravik: IOCTL Failed!. Error - %i\n", device.fail_errno)))
        fuzz::fail("a write error should report its errno: \"%s\"", out.c_str());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    device = Device{};
    device.info.xres = fuzz::take_u32(&data, &size);
    device.info.yres = fuzz::take_u32(&data, &size);
    device.info.xres_virtual = fuzz::take_u32(&data, &size);
    device.info.bits_per_pixel = fuzz::take_u32(&data, &size);
    // Behaviour: bits 0-2 the failing call, bits 3-4 its errno, bits 5-6
    // both set: the device fonts are there. Mostly without fonts, which keeps
    // runs fast; a quarter with them, so that text is drawn on every class.
    uint8_t behaviour = fuzz::take_u8(&data, &size);
    device.failure = static_cast<Failure>((behaviour & 7) % 5);
    constexpr int errnos[] = {EIO, ENOSPC, EINTR, EAGAIN};
    device.fail_errno = errnos[(behaviour >> 3) & 3];
    device.font_dir = (behaviour & 0x60) == 0x60 ? NORLET_FONT_DIR : nullptr;

    bool refused = !canvas_can_hold(device.info);
    uint64_t canvas = canvas_bytes(device.info);
    uint64_t frame =
        canvas > expected_write_size(device.info) ? canvas : expected_write_size(device.info);
    bool reaches_allocation = device.failure != Failure::open && device.failure != Failure::ioctl;
    if (reaches_allocation && !refused && frame > max_frame_bytes) return -1;

    std::string text(reinterpret_cast<const char *>(data), size);
    std::string out;
    int result = run_pass(text, &out);

    check_open_and_query(out, result);
    if (!reaches_allocation) return 0;
    if (refused)
        check_refusal(out, result);
    else
        check_write(out, result);
    if (current_font.glyphs) fuzz::fail("the font was not released");
    return 0;
}

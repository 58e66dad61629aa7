// The display pass (print_string) in process against stand-ins of the device
// calls: any 32-bit geometry, any failing call. Besides the sanitizers it
// checks: the device is opened read-write, queried and closed once; a failed
// open or query and a line length or height past INT32_MAX (refused as a
// failed allocation) print their messages with their errno and write
// nothing; otherwise one sync and one write of exactly the 32-bit product
// xres_virtual * yres * bits_per_pixel / 8 bytes, all readable, those past
// the one-bit canvas zero; 0 exactly when the whole frame was written; the
// font released. Frames over 1 MiB are not run: the end-to-end tests cover
// 512 MiB. Input: xres, yres, xres_virtual, bits_per_pixel (32-bit little
// endian); a byte: bits 0-2 the failing call, 3-4 its errno, 5-6 both set:
// the device fonts are there (mostly not: runs stay fast); then the text.
#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdarg>
#include <dlfcn.h>
#include <fcntl.h>
#include <linux/fb.h>
#include <string>

#include "bdf-reader.h"
#include "font-handler.h"
#include "fuzz_support.h"

namespace
{

constexpr int device_fd = 1 << 28; // above any RLIMIT_NOFILE: never a real descriptor
enum Failure { none, open_fails, ioctl_fails, write_fails, short_write };

struct Device {
    fb_var_screeninfo info;
    int failure, error;
    bool fonts;
    std::string calls; // one a line: open FLAGS, query, sync, write BYTES, close
} device;

template <typename F> F next(const char *name)
{
    return reinterpret_cast<F>(dlsym(RTLD_NEXT, name));
}

uint64_t canvas_bytes()
{
    uint64_t width = device.info.xres_virtual, height = device.info.yres;
    return width && height ? (width - 1) / 8 + width * (height - 1) / 8 + 1 : 0;
}

uint32_t write_size()
{
    return device.info.xres_virtual * device.info.yres * device.info.bits_per_pixel >> 3;
}

int failed()
{
    errno = device.error;
    return -1;
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
    device.calls +=
        request == FBIOGET_VSCREENINFO ? "query\n" : "ioctl " + std::to_string(request) + "\n";
    if (device.failure == ioctl_fails) return failed();
    std::memcpy(argument, &device.info, sizeof device.info);
    return 0;
}

ssize_t write(int fd, const void *buffer, size_t count)
{
    if (fd != device_fd)
        return next<ssize_t (*)(int, const void *, size_t)>("write")(fd, buffer, count);
    device.calls += "write " + std::to_string(count) + "\n";
    if (count && !fuzz::readable(buffer, count)) fuzz::fail("the write reads past the frame");
    for (uint64_t i = canvas_bytes(); i < count; ++i)
        if (static_cast<const uint8_t *>(buffer)[i])
            fuzz::fail("frame byte %llu past the canvas", (unsigned long long)i);
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

FILE *fopen(const char *path, const char *mode)
{
    std::string name = path ? path : "", fonts = "/usr/share/fonts/";
    if (name.starts_with(fonts))
        name = device.fonts ? NORLET_FONT_DIR "/" + name.substr(fonts.size()) : "/nonexistent";
    return next<FILE *(*)(const char *, const char *)>("fopen")(name.c_str(), mode);
}

} // extern "C"

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
    bool opened = device.failure != open_fails, queried = opened && device.failure != ioctl_fails;
    bool refused = info.xres_virtual > INT32_MAX || info.yres > INT32_MAX,
         ends = !queried || refused;
    if (!ends && std::max<uint64_t>(canvas_bytes(), write_size()) > 1 << 20) return -1;

    // print_string with its output captured.
    char *buffer = nullptr;
    size_t length = 0;
    FILE *saved = stdout;
    if (!(stdout = open_memstream(&buffer, &length))) fuzz::fail("open_memstream failed");
    int result = print_string(std::string(reinterpret_cast<const char *>(data), size).c_str());
    std::fclose(stdout);
    stdout = saved;
    std::string out(buffer, length);
    std::free(buffer);

    std::string calls = "open " + std::to_string(O_RDWR) + "\n" + (opened ? "query\n" : "") +
                        (ends ? "" : "sync\nwrite " + std::to_string(write_size()) + "\n") +
                        (opened ? "close\n" : "");
    if (device.calls != calls)
        fuzz::fail("device calls\n%sshould be\n%s", device.calls.c_str(), calls.c_str());
    bool full = device.failure == none || (device.failure == short_write && write_size() == 0);
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

// Fake panel: an LD_PRELOAD layer that plays a frame-buffer device for the
// unchanged program, so it runs on a machine without a frame buffer.
//
// Environment:
//   FAKEFB_DEVICE=path              the device played (default /dev/fb0)
//   FAKEFB_DRIVER=name              the driver played (tools/panel-profiles.h):
//                                   plain (default), ssd1307fb, cfag12864b, vfb,
//                                   ssd130x, st7571, fbtft
//   FAKEFB_XRES, FAKEFB_YRES        visible size (default 128 x 64)
//   FAKEFB_XRES_VIRTUAL             line length in pixels (default xres; plain only)
//   FAKEFB_BPP                      bits per pixel (default 1; plain and vfb only)
//   FAKEFB_CAPTURE=file             the bytes written to the device land here
//   FAKEFB_LOG=file                 device calls, one per line, in order
//   FAKEFB_FAIL=what                inject one failure: open, ioctl (every
//                                   ioctl), fscreeninfo, blank, write, short,
//                                   fsync
//   FAKEFB_ERRNO=n                  errno of an injected failure (default EIO)
//   FAKEFB_FONT_DIR=dir             "/usr/share/fonts/NAME" opens dir/NAME
//   FAKEFB_SYSFS=dir                "/sys/PATH" opens (and lists) dir/PATH; writes
//                                   to it are logged
//   FAKEFB_CON2FB=n                 FBIOGET_CON2FBMAP maps every console to frame
//                                   buffer n (default none: -1)
// Values are read as unsigned 32-bit numbers (decimal or 0x hex).
#include <cerrno>
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <dlfcn.h>
#include <fcntl.h>
#include <linux/fb.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include "panel-profiles.h"

namespace
{

constexpr const char *font_prefix = "/usr/share/fonts/";

// The descriptor handed out for the device (a real file or /dev/null), -1
// while the device is not open.
int device_fd = -1;

// Descriptors of the fake sysfs open for writing, and their /sys paths.
struct SysfsFile {
    int fd = -1;
    char path[256];
};
SysfsFile sysfs_files[8];

template <typename F> F real(const char *name)
{
    return reinterpret_cast<F>(dlsym(RTLD_NEXT, name));
}

uint32_t env_number(const char *name, uint32_t fallback)
{
    const char *value = std::getenv(name);
    if (!value || !*value) return fallback;
    return static_cast<uint32_t>(std::strtoull(value, nullptr, 0));
}

bool failing(const char *what)
{
    const char *fail = std::getenv("FAKEFB_FAIL");
    return fail && std::strcmp(fail, what) == 0;
}

int injected_errno()
{
    return static_cast<int>(env_number("FAKEFB_ERRNO", EIO));
}

const char *device_path()
{
    const char *path = std::getenv("FAKEFB_DEVICE");
    return path && *path ? path : "/dev/fb0";
}

uint32_t bits_per_pixel_setting()
{
    return env_number("FAKEFB_BPP", 1);
}

// The driver played, looked up once; a name without a row is said in one
// line on standard error and played as plain.
const PanelProfile &profile()
{
    static const PanelProfile *chosen = nullptr;
    if (chosen) return *chosen;
    const char *name = std::getenv("FAKEFB_DRIVER");
    if (!name || !*name) name = "plain";
    chosen = panel_find(name, bits_per_pixel_setting());
    if (!chosen && panel_find(name, 0))
        std::fprintf(stderr, "fakefb: %s has no mode of %u bits per pixel; playing plain\n", name,
                     bits_per_pixel_setting());
    else if (!chosen)
        std::fprintf(stderr, "fakefb: FAKEFB_DRIVER=%s is no driver it plays; playing plain\n",
                     name);
    if (!chosen) chosen = panel_find("plain", 0);
    return *chosen;
}

// Appends one line to the call log, through the real calls so the log never
// logs itself.
void log_call(const char *format, ...)
{
    const char *path = std::getenv("FAKEFB_LOG");
    if (!path) return;
    char line[256];
    va_list args;
    va_start(args, format);
    int n = std::vsnprintf(line, sizeof line, format, args);
    va_end(args);
    if (n < 0) return;
    size_t length = static_cast<size_t>(n) < sizeof line ? static_cast<size_t>(n) : sizeof line - 1;
    auto real_open = real<int (*)(const char *, int, ...)>("open");
    auto real_write = real<ssize_t (*)(int, const void *, size_t)>("write");
    auto real_close = real<int (*)(int)>("close");
    int fd = real_open(path, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    if (fd < 0) return;
    (void)!real_write(fd, line, length);
    real_close(fd);
}

const char *flag_name(int flags)
{
    switch (flags & O_ACCMODE) {
    case O_RDONLY:
        return "O_RDONLY";
    case O_WRONLY:
        return "O_WRONLY";
    default:
        return "O_RDWR";
    }
}

int open_device(int flags)
{
    log_call("open %s %s%s\n", device_path(), flag_name(flags),
             (flags & ~O_ACCMODE & ~O_LARGEFILE) ? " +other" : "");
    if (failing("open")) {
        errno = injected_errno();
        return -1;
    }
    profile(); // an unknown driver is said here, once
    const char *capture = std::getenv("FAKEFB_CAPTURE");
    auto real_open = real<int (*)(const char *, int, ...)>("open");
    device_fd = capture ? real_open(capture, O_RDWR | O_CREAT | O_TRUNC, 0644)
                        : real_open("/dev/null", O_RDWR);
    return device_fd;
}

bool takes_mode(int flags)
{
    return (flags & O_CREAT) || (flags & O_TMPFILE) == O_TMPFILE;
}

// Maps a path under prefix into the folder the variable names.
const char *redirect(const char *path, const char *prefix, const char *variable, char *storage,
                     size_t size)
{
    const char *dir = std::getenv(variable);
    size_t length = std::strlen(prefix);
    if (!dir || !path || std::strncmp(path, prefix, length) != 0) return path;
    int n = std::snprintf(storage, size, "%s/%s", dir, path + length);
    return n > 0 && static_cast<size_t>(n) < size ? storage : path;
}

// A font path under /usr/share/fonts/ into FAKEFB_FONT_DIR, a path under
// /sys/ into FAKEFB_SYSFS.
const char *redirect_path(const char *path, char *storage, size_t size)
{
    const char *font = redirect(path, font_prefix, "FAKEFB_FONT_DIR", storage, size);
    return font != path ? font : redirect(path, "/sys/", "FAKEFB_SYSFS", storage, size);
}

// Notes a descriptor of the fake sysfs open for writing, so its writes are
// logged.
int note_sysfs(int fd, const char *path, int flags)
{
    if (fd < 0 || (flags & O_ACCMODE) == O_RDONLY) return fd;
    for (SysfsFile &file : sysfs_files) {
        if (file.fd >= 0) continue;
        file.fd = fd;
        std::snprintf(file.path, sizeof file.path, "%s", path);
        break;
    }
    return fd;
}

SysfsFile *sysfs_file(int fd)
{
    for (SysfsFile &file : sysfs_files)
        if (file.fd == fd && fd >= 0) return &file;
    return nullptr;
}

// The device is played by the layer; a path of the fake sysfs goes there;
// every other path to the real call.
int open_path(const char *real_name, const char *path, int flags, mode_t mode)
{
    if (std::strcmp(path, device_path()) == 0) return open_device(flags);
    char storage[4096];
    const char *sysfs = redirect(path, "/sys/", "FAKEFB_SYSFS", storage, sizeof storage);
    int fd = real<int (*)(const char *, int, ...)>(real_name)(sysfs, flags, mode);
    return sysfs != path ? note_sysfs(fd, path, flags) : fd;
}

// FBIOGET_VSCREENINFO: the size from the environment, the rest as the driver
// sets it.
int fill_variable(void *argument)
{
    const PanelProfile &driver = profile();
    fb_var_screeninfo info;
    std::memset(&info, 0, sizeof info);
    info.xres = env_number("FAKEFB_XRES", 128);
    info.yres = env_number("FAKEFB_YRES", 64);
    bool plain = !driver.id;
    info.xres_virtual = plain ? env_number("FAKEFB_XRES_VIRTUAL", info.xres) : info.xres;
    info.yres_virtual = info.yres;
    info.bits_per_pixel = driver.bpp ? driver.bpp : bits_per_pixel_setting();
    info.red = {driver.format.red.offset, driver.format.red.length, 0};
    info.green = {driver.format.green.offset, driver.format.green.length, 0};
    info.blue = {driver.format.blue.offset, driver.format.blue.length, 0};
    info.transp = {driver.format.transp.offset, driver.format.transp.length, 0};
    info.nonstd = driver.nonstd;
    std::memcpy(argument, &info, sizeof info);
    return 0;
}

// FBIOGET_FSCREENINFO, for every driver but plain.
int fill_fixed(void *argument)
{
    const PanelProfile &driver = profile();
    uint32_t xres = env_number("FAKEFB_XRES", 128);
    uint32_t yres = env_number("FAKEFB_YRES", 64);
    uint32_t bpp = driver.bpp;
    fb_fix_screeninfo info;
    std::memset(&info, 0, sizeof info);
    std::strncpy(info.id, driver.id, sizeof info.id - 1);
    info.type = FB_TYPE_PACKED_PIXELS;
    info.visual = driver.visual;
    info.line_length = static_cast<uint32_t>(panel_line_length(driver, xres, bpp));
    info.smem_len = static_cast<uint32_t>(panel_smem_len(driver, xres, yres, bpp));
    std::memcpy(argument, &info, sizeof info);
    return 0;
}

int refuse(int error)
{
    errno = error;
    return -1;
}

// The device's ioctl, logged by name. FAKEFB_FAIL=ioctl fails every request;
// fscreeninfo and blank the one each names.
int device_ioctl(unsigned long request, void *argument)
{
    // FBIOBLANK's argument is the blanking level itself.
    uintptr_t level = reinterpret_cast<uintptr_t>(argument);
    switch (request) {
    case FBIOGET_VSCREENINFO:
        log_call("ioctl FBIOGET_VSCREENINFO\n");
        if (failing("ioctl")) return refuse(injected_errno());
        return fill_variable(argument);
    case FBIOGET_FSCREENINFO:
        log_call("ioctl FBIOGET_FSCREENINFO\n");
        if (failing("ioctl") || failing("fscreeninfo")) return refuse(injected_errno());
        return profile().id ? fill_fixed(argument) : refuse(EINVAL);
    case FBIOBLANK:
        log_call("ioctl FBIOBLANK %d\n", static_cast<int>(level));
        if (failing("ioctl") || failing("blank")) return refuse(injected_errno());
        return profile().blanks && level <= FB_BLANK_POWERDOWN ? 0 : refuse(EINVAL);
    case FBIOGET_CON2FBMAP: // the console layer's, whatever the driver
        log_call("ioctl FBIOGET_CON2FBMAP\n");
        if (failing("ioctl")) return refuse(injected_errno());
        static_cast<fb_con2fbmap *>(argument)->framebuffer =
            env_number("FAKEFB_CON2FB", UINT32_MAX);
        return 0;
    default:
        log_call("ioctl 0x%lx\n", request);
        return refuse(failing("ioctl") ? injected_errno() : EINVAL);
    }
}

} // namespace

extern "C" {

int open(const char *path, int flags, ...)
{
    va_list args;
    va_start(args, flags);
    mode_t mode = takes_mode(flags) ? static_cast<mode_t>(va_arg(args, int)) : 0;
    va_end(args);
    return open_path("open", path, flags, mode);
}

int open64(const char *path, int flags, ...)
{
    va_list args;
    va_start(args, flags);
    mode_t mode = takes_mode(flags) ? static_cast<mode_t>(va_arg(args, int)) : 0;
    va_end(args);
    return open_path("open64", path, flags, mode);
}

int ioctl(int fd, unsigned long request, ...)
{
    va_list args;
    va_start(args, request);
    void *argument = va_arg(args, void *);
    va_end(args);
    if (fd != device_fd || device_fd < 0)
        return real<int (*)(int, unsigned long, void *)>("ioctl")(fd, request, argument);
    return device_ioctl(request, argument);
}

ssize_t write(int fd, const void *buffer, size_t count)
{
    auto real_write = real<ssize_t (*)(int, const void *, size_t)>("write");
    if (SysfsFile *file = sysfs_file(fd)) {
        const char *text = static_cast<const char *>(buffer);
        size_t shown = count < 64 ? count : 64;
        if (shown && text[shown - 1] == '\n') --shown;
        log_call("write %s %.*s\n", file->path, static_cast<int>(shown), text);
    }
    if (fd != device_fd || device_fd < 0) return real_write(fd, buffer, count);
    log_call("write %zu\n", count);
    if (failing("write")) {
        errno = injected_errno();
        return -1;
    }
    // A short write stores and reports half the frame (one byte less for a
    // frame of one byte; a frame of none cannot be short).
    size_t length = failing("short") && count > 0 ? (count > 1 ? count / 2 : 0) : count;
    return real_write(fd, buffer, length);
}

// Reads of the device give its memory as a driver that was never written
// holds it: zeros.
ssize_t read(int fd, void *buffer, size_t count)
{
    if (fd != device_fd || device_fd < 0)
        return real<ssize_t (*)(int, void *, size_t)>("read")(fd, buffer, count);
    log_call("read %zu\n", count);
    std::memset(buffer, 0, count);
    return static_cast<ssize_t>(count);
}

int close(int fd)
{
    if (fd == device_fd && device_fd >= 0) {
        log_call("close\n");
        device_fd = -1;
    }
    if (SysfsFile *file = sysfs_file(fd)) file->fd = -1;
    return real<int (*)(int)>("close")(fd);
}

void sync(void)
{
    log_call("sync\n");
}

// Every driver with an id takes fsync, as every frame buffer does on a kernel
// with deferred I/O; plain refuses it, as a kernel without.
int fsync(int fd)
{
    if (fd != device_fd || device_fd < 0) return real<int (*)(int)>("fsync")(fd);
    log_call("fsync\n");
    if (failing("fsync")) return refuse(injected_errno());
    return profile().id ? 0 : refuse(EINVAL);
}

FILE *fopen(const char *path, const char *mode)
{
    char storage[4096];
    return real<FILE *(*)(const char *, const char *)>("fopen")(
        redirect_path(path, storage, sizeof storage), mode);
}

FILE *fopen64(const char *path, const char *mode)
{
    char storage[4096];
    return real<FILE *(*)(const char *, const char *)>("fopen64")(
        redirect_path(path, storage, sizeof storage), mode);
}

DIR *opendir(const char *path)
{
    char storage[4096];
    return real<DIR *(*)(const char *)>("opendir")(redirect_path(path, storage, sizeof storage));
}

} // extern "C"

// What sysfs and the console say about the frame buffers.
#include "panel-sysfs.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <linux/vt.h>
#include <string_view>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace
{

constexpr unsigned frame_buffer_major = 29;

// The number that name holds after prefix and nothing else (at most 9
// digits), or -1.
int number_after(std::string_view name, std::string_view prefix)
{
    if (!name.starts_with(prefix)) return -1;
    name.remove_prefix(prefix.size());
    if (name.empty() || name.size() > 9) return -1;
    int number = 0;
    for (char c : name) {
        if (c < '0' || c > '9') return -1;
        number = number * 10 + (c - '0');
    }
    return number;
}

// Reads "A,B" into two numbers.
void read_pair(const char *path, uint32_t *a, uint32_t *b)
{
    char text[64];
    unsigned long x = 0, y = 0;
    if (sysfs_read(path, text, sizeof text) && std::sscanf(text, "%lu,%lu", &x, &y) == 2 &&
        x <= UINT32_MAX && y <= UINT32_MAX)
        *a = static_cast<uint32_t>(x), *b = static_cast<uint32_t>(y);
}

uint32_t read_number(const char *path)
{
    char text[32];
    unsigned long value = 0;
    if (sysfs_read(path, text, sizeof text) && std::sscanf(text, "%lu", &value) == 1 &&
        value <= UINT32_MAX)
        return static_cast<uint32_t>(value);
    return 0;
}

SysfsFrameBuffer describe(int index)
{
    SysfsFrameBuffer fb = {index, "", 0, 0, 0};
    char path[96];
    std::snprintf(path, sizeof path, "/sys/class/graphics/fb%d/name", index);
    if (!sysfs_read(path, fb.id, sizeof fb.id)) fb.id[0] = '\0';
    std::snprintf(path, sizeof path, "/sys/class/graphics/fb%d/virtual_size", index);
    read_pair(path, &fb.width, &fb.height);
    std::snprintf(path, sizeof path, "/sys/class/graphics/fb%d/bits_per_pixel", index);
    fb.bits_per_pixel = read_number(path);
    return fb;
}

// fbcon's vtconsole, by the name the kernel gives it, and whether it is bound.
void find_fbcon(ConsoleState *state)
{
    DIR *dir = opendir("/sys/class/vtconsole");
    if (!dir) return;
    while (const dirent *entry = readdir(dir)) {
        int number = number_after(entry->d_name, "vtcon");
        if (number < 0) continue;
        char path[96], text[64];
        std::snprintf(path, sizeof path, "/sys/class/vtconsole/vtcon%d/name", number);
        if (!sysfs_read(path, text, sizeof text) || !std::strstr(text, "frame buffer")) continue;
        state->fbcon_vtcon = number;
        std::snprintf(path, sizeof path, "/sys/class/vtconsole/vtcon%d/bind", number);
        state->fbcon_bound = sysfs_read(path, text, sizeof text) && std::strcmp(text, "1") == 0;
    }
    closedir(dir);
}

} // namespace

bool sysfs_read(const char *path, char *buffer, size_t size)
{
    if (size == 0) return false;
    int fd = open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    ssize_t n = read(fd, buffer, size - 1);
    close(fd);
    if (n < 0) return false;
    buffer[n] = '\0';
    buffer[std::strcspn(buffer, "\n")] = '\0';
    return true;
}

bool sysfs_write(const char *path, const char *text)
{
    int fd = open(path, O_WRONLY | O_CLOEXEC);
    if (fd < 0) return false;
    size_t length = std::strlen(text);
    ssize_t n = write(fd, text, length);
    int error = errno;
    close(fd);
    errno = error;
    return n >= 0 && static_cast<size_t>(n) == length;
}

int sysfs_frame_buffers(SysfsFrameBuffer list[FB_MAX])
{
    DIR *dir = opendir("/sys/class/graphics");
    if (!dir) return -1;
    bool present[FB_MAX] = {};
    while (const dirent *entry = readdir(dir)) {
        int index = number_after(entry->d_name, "fb");
        if (index >= 0 && index < FB_MAX) present[index] = true;
    }
    closedir(dir);
    int count = 0;
    for (int index = 0; index < FB_MAX; ++index)
        if (present[index]) list[count++] = describe(index);
    return count;
}

ConsoleState console_state(int fd)
{
    ConsoleState state = {};
    // A kernel without fbcon may answer without filling the record: the
    // frame buffer stays the impossible one it was given.
    for (uint32_t console = 1; console <= MAX_NR_CONSOLES; ++console) {
        fb_con2fbmap map = {console, UINT32_MAX};
        if (ioctl(fd, FBIOGET_CON2FBMAP, &map) != 0) break;
        state.answered = true;
        if (map.framebuffer < FB_MAX) state.mapped[map.framebuffer] |= uint64_t{1} << (console - 1);
    }
    find_fbcon(&state);
    return state;
}

bool console_draws_on(const ConsoleState &state, int index)
{
    return index >= 0 && index < FB_MAX && state.mapped[index] != 0 && state.fbcon_bound;
}

int frame_buffer_index(const char *path)
{
    struct stat status;
    if (stat(path, &status) == 0 && S_ISCHR(status.st_mode) &&
        major(status.st_rdev) == frame_buffer_major)
        return minor(status.st_rdev) < FB_MAX ? static_cast<int>(minor(status.st_rdev)) : -1;
    const char *name = std::strrchr(path, '/');
    int index = number_after(name ? name + 1 : path, "fb");
    return index < FB_MAX ? index : -1;
}

bool panel_backlight(int index, char *folder, size_t size)
{
    char path[96];
    std::snprintf(path, sizeof path, "/sys/class/graphics/fb%d/device/backlight", index);
    DIR *dir = opendir(path);
    if (!dir) return false;
    // A driver registers one; of several, the first by name, whatever order
    // the directory lists them in.
    char first[256] = "";
    while (const dirent *entry = readdir(dir))
        if (entry->d_name[0] != '.' && (!first[0] || std::strcmp(entry->d_name, first) < 0))
            std::snprintf(first, sizeof first, "%s", entry->d_name);
    closedir(dir);
    int n = std::snprintf(folder, size, "%s/%s", path, first);
    return first[0] && n > 0 && static_cast<size_t>(n) < size;
}

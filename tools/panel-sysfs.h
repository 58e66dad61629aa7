// What the system says about its frame buffers beside the devices
// themselves: the ones sysfs lists with their ids and sizes, the kernel
// console's mapping and binding, and a panel's backlight device.
#ifndef NORLET_PANEL_SYSFS_H
#define NORLET_PANEL_SYSFS_H

#include <cstddef>
#include <cstdint>
#include <linux/fb.h>

// One frame buffer as /sys/class/graphics/fbN describes it.
struct SysfsFrameBuffer {
    int index;
    char id[32];             // name; "" when unreadable
    uint32_t width, height;  // virtual_size; 0 x 0 when unreadable
    uint32_t bits_per_pixel; // 0 when unreadable
};

// Fills list with the frame buffers sysfs has, by index (at most FB_MAX).
// Their count, or -1 when /sys/class/graphics cannot be read.
int sysfs_frame_buffers(SysfsFrameBuffer list[FB_MAX]);

// The kernel console (fbcon): which consoles draw on which frame buffer
// (FBIOGET_CON2FBMAP) and whether fbcon is bound to the consoles
// (/sys/class/vtconsole).
struct ConsoleState {
    bool answered;           // the driver answered the mapping query
    uint64_t mapped[FB_MAX]; // per frame buffer, bit c - 1 for console c
    int fbcon_vtcon = -1;    // the vtconsole that is fbcon, -1 when there is none
    bool fbcon_bound;
};

// Asks the frame buffer open on fd for the mapping of every console (1 to
// 63) and reads fbcon's binding.
ConsoleState console_state(int fd);

// Whether the console draws on frame buffer index: a console is mapped to it
// and fbcon is bound.
bool console_draws_on(const ConsoleState &state, int index);

// The index of the frame buffer at path: the minor number of its character
// device (major 29), else the number after "fb" in its file name; -1 when
// neither tells.
int frame_buffer_index(const char *path);

// The sysfs folder of the backlight device that belongs to frame buffer
// index (one under its own device's backlight/), written to folder; false
// when it has none.
bool panel_backlight(int index, char *folder, size_t size);

// Reads the first line of a sysfs attribute, without its newline; false when
// it cannot be read.
bool sysfs_read(const char *path, char *buffer, size_t size);

// Writes text to a sysfs attribute in one write; false when refused (errno
// says why).
bool sysfs_write(const char *path, const char *text);

#endif

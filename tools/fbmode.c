/* Frame-buffer mode tool for the kernel test guest (busybox has no fbset).
 *
 *   fbmode DEVICE                 prints what the driver reports
 *   fbmode DEVICE XRES YRES BPP   sets that exact geometry first
 *
 * Setting asks for xres x yres with the same virtual size, offset 0 and the
 * given bits per pixel, activated at once even when the driver thinks
 * nothing changed (FB_ACTIVATE_NOW | FB_ACTIVATE_FORCE). The report is one
 * line of key=value pairs; a bitfield reads offset/length. Built static.
 */
#include <fcntl.h>
#include <linux/fb.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/ioctl.h>
#include <unistd.h>

static const char *visual_name(unsigned visual)
{
    switch (visual) {
    case FB_VISUAL_MONO01: return "MONO01";
    case FB_VISUAL_MONO10: return "MONO10";
    case FB_VISUAL_TRUECOLOR: return "TRUECOLOR";
    case FB_VISUAL_PSEUDOCOLOR: return "PSEUDOCOLOR";
    case FB_VISUAL_DIRECTCOLOR: return "DIRECTCOLOR";
    case FB_VISUAL_STATIC_PSEUDOCOLOR: return "STATIC_PSEUDOCOLOR";
    default: return "UNKNOWN";
    }
}

static int set_mode(int fd, unsigned xres, unsigned yres, unsigned bpp)
{
    struct fb_var_screeninfo var;
    if (ioctl(fd, FBIOGET_VSCREENINFO, &var) != 0) return -1;
    var.xres = var.xres_virtual = xres;
    var.yres = var.yres_virtual = yres;
    var.xoffset = var.yoffset = 0;
    var.bits_per_pixel = bpp;
    var.activate = FB_ACTIVATE_NOW | FB_ACTIVATE_FORCE;
    return ioctl(fd, FBIOPUT_VSCREENINFO, &var);
}

static int report(int fd)
{
    struct fb_var_screeninfo var;
    struct fb_fix_screeninfo fix;
    if (ioctl(fd, FBIOGET_VSCREENINFO, &var) != 0 || ioctl(fd, FBIOGET_FSCREENINFO, &fix) != 0)
        return -1;
    printf("id=\"%.16s\" visual=%s bpp=%u xres=%u yres=%u xres_virtual=%u yres_virtual=%u "
           "line_length=%u smem_len=%u red=%u/%u green=%u/%u blue=%u/%u transp=%u/%u\n",
           fix.id, visual_name(fix.visual), var.bits_per_pixel, var.xres, var.yres,
           var.xres_virtual, var.yres_virtual, fix.line_length, fix.smem_len, var.red.offset,
           var.red.length, var.green.offset, var.green.length, var.blue.offset, var.blue.length,
           var.transp.offset, var.transp.length);
    return 0;
}

int main(int argc, char **argv)
{
    if (argc != 2 && argc != 5) {
        fprintf(stderr, "usage: fbmode DEVICE [XRES YRES BPP]\n");
        return 2;
    }
    int fd = open(argv[1], O_RDWR);
    if (fd < 0) {
        perror(argv[1]);
        return 1;
    }
    if (argc == 5 && set_mode(fd, strtoul(argv[2], NULL, 10), strtoul(argv[3], NULL, 10),
                              strtoul(argv[4], NULL, 10)) != 0) {
        perror("FBIOPUT_VSCREENINFO");
        close(fd);
        return 1;
    }
    int status = report(fd) == 0 ? 0 : 1;
    if (status) perror("FBIOGET_*SCREENINFO");
    close(fd);
    return status;
}

/* The floor for one display run: the least a program can do for the same
 * job. It opens the font file, reads it line by line with getline, and
 * writes one frame of the given size to the panel in one write, and nothing
 * else: no parsing, no drawing.
 *
 * Usage: floor FONT_PATH FRAME_BYTES */
#define _GNU_SOURCE
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <unistd.h>

int main(int argc, char **argv)
{
    if (argc != 3) {
        fputs("usage: floor FONT_PATH FRAME_BYTES\n", stderr);
        return 2;
    }
    FILE *font = fopen(argv[1], "r");
    if (!font) return 1;
    char *line = NULL;
    size_t capacity = 0;
    size_t lines = 0;
    while (getline(&line, &capacity, font) >= 0)
        ++lines;
    free(line);
    fclose(font);

    size_t bytes = strtoul(argv[2], NULL, 0);
    unsigned char *frame = calloc(bytes ? bytes : 1, 1);
    int fd = open("/dev/fb0", O_RDWR);
    if (!frame || fd < 0) {
        free(frame);
        return 1;
    }
    ssize_t written = write(fd, frame, bytes);
    close(fd);
    free(frame);
    return lines > 0 && written == (ssize_t)bytes ? 0 : 1;
}

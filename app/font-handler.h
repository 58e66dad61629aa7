// The display pass: frame-buffer device, panel classes, the text pass and the
// one write of the frame.
#ifndef NORLET_FONT_HANDLER_H
#define NORLET_FONT_HANDLER_H

#include <cstdint>

// Draws text (NUL-terminated, not null) on a cleared frame in the panel's
// font, a line broken after 21 characters, and writes the frame to the device
// in one write. 0 when the whole frame was written, 1 on any failure.
int print_string(const char *text);

// Opens the device, reads its geometry, classifies the panel and allocates a
// zeroed frame. 0 on success with *fd and *frame set; 1 on failure with the
// device closed and *frame untouched (errno is the failure's).
int init_frame_buffer(int *fd, uint8_t **frame);

// Frees the frame, then closes the device. Returns 0.
int exit_frame_buffer(int *fd, uint8_t *frame);

#endif

// Failure injection for in-process tests (inject.cpp): in a test program
// linked with norlet_inject(), the program's own calls of malloc, calloc,
// realloc, fopen, fread, open, ioctl and write are counted, and while armed
// with n the nth fails, as inject.cpp says.
#pragma once

namespace inject
{

// Starts counting; the nth call from here on fails (0: none fails).
void arm(long n);

// Stops counting; how many calls were counted, the failed one included.
long disarm();

// Whether the armed failure happened since arm.
bool fired();

} // namespace inject

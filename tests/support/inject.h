// Failure injection for in-process tests. A test program linked with
// norlet_inject() has its calls of malloc, calloc, realloc, fopen, fread,
// open, ioctl and write routed through counting wrappers (the linker's
// --wrap, so only calls from the program's own code and static libraries
// count, never the C library's calls inside itself). While armed with n, the
// nth counted call fails: allocations return null with ENOMEM, fopen null,
// fread 0 and the rest -1, all with EIO but the allocations.
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

#include "inject.h"

#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <sys/types.h>

extern "C" {
void *__real_malloc(size_t size);
void *__real_calloc(size_t count, size_t size);
void *__real_realloc(void *block, size_t size);
FILE *__real_fopen(const char *path, const char *mode);
size_t __real_fread(void *buffer, size_t size, size_t count, FILE *file);
int __real_open(const char *path, int flags, ...);
int __real_ioctl(int fd, unsigned long request, ...);
ssize_t __real_write(int fd, const void *buffer, size_t count);
}

namespace
{

bool armed = false;
long calls = 0, failing = 0;
bool failed = false;

// Counts a call; true when it is the one to fail, with errno set.
bool fails(int error)
{
    if (!armed || ++calls != failing) return false;
    failed = true;
    errno = error;
    return true;
}

} // namespace

namespace inject
{

void arm(long n)
{
    armed = true, calls = 0, failing = n, failed = false;
}

long disarm()
{
    armed = false;
    return calls;
}

bool fired()
{
    return failed;
}

} // namespace inject

extern "C" {

void *__wrap_malloc(size_t size)
{
    return fails(ENOMEM) ? nullptr : __real_malloc(size);
}

void *__wrap_calloc(size_t count, size_t size)
{
    return fails(ENOMEM) ? nullptr : __real_calloc(count, size);
}

void *__wrap_realloc(void *block, size_t size)
{
    return fails(ENOMEM) ? nullptr : __real_realloc(block, size);
}

FILE *__wrap_fopen(const char *path, const char *mode)
{
    return fails(EIO) ? nullptr : __real_fopen(path, mode);
}

size_t __wrap_fread(void *buffer, size_t size, size_t count, FILE *file)
{
    return fails(EIO) ? 0 : __real_fread(buffer, size, count, file);
}

int __wrap_open(const char *path, int flags, ...)
{
    mode_t mode = 0;
    if (flags & (O_CREAT | O_TMPFILE)) {
        va_list arguments;
        va_start(arguments, flags);
        mode = static_cast<mode_t>(va_arg(arguments, int));
        va_end(arguments);
    }
    return fails(EIO) ? -1 : __real_open(path, flags, mode);
}

int __wrap_ioctl(int fd, unsigned long request, ...)
{
    va_list arguments;
    va_start(arguments, request);
    void *argument = va_arg(arguments, void *);
    va_end(arguments);
    return fails(EIO) ? -1 : __real_ioctl(fd, request, argument);
}

ssize_t __wrap_write(int fd, const void *buffer, size_t count)
{
    return fails(EIO) ? -1 : __real_write(fd, buffer, count);
}
}

// Failure injection: counts the calls of malloc, calloc, realloc, fopen,
// fread, open, ioctl and write, and makes the nth fail: allocations return
// null with ENOMEM, fopen null, fread 0 and the others -1, with EIO.
//
// Two builds of this file:
//   - linked into a test program (norlet_inject in tests/CMakeLists.txt):
//     the linker's --wrap routes the program's own calls here (never the C
//     library's calls inside itself); inject.h arms it around the code
//     under test.
//   - with NORLET_INJECT_PRELOAD, libfailcall.so: an LD_PRELOAD layer for a
//     whole program, put before the fake panel, each call passed on to the
//     next definition (the fake panel's, the sanitizer runtime's or the C
//     library's), so the memory checkers still see every allocation.
//     NORLET_FAIL_CALL=n fails the nth call from start-up (0: none); at exit
//     the count goes to the file NORLET_FAIL_COUNT.
#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <dlfcn.h>
#include <fcntl.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include "inject.h"

namespace
{

bool armed = false, failed = false;
long calls = 0, failing = 0;

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

#ifdef NORLET_INJECT_PRELOAD
#define ENTRY(name) name
#define REAL(name) resolve(real_##name, #name)

namespace
{

decltype(&::malloc) real_malloc;
decltype(&::calloc) real_calloc;
decltype(&::realloc) real_realloc;
decltype(&::fopen) real_fopen;
decltype(&::fread) real_fread;
decltype(&::open) real_open;
decltype(&::ioctl) real_ioctl;
decltype(&::write) real_write;

// dlsym may allocate while it looks the allocators up: from here.
alignas(16) char early[4096];
size_t early_used = 0;
bool resolving = false;

void *early_block(size_t size)
{
    size = (size + 15) & ~size_t{15};
    if (size > sizeof early - early_used) return nullptr;
    early_used += size;
    return early + early_used - size;
}

template <typename F> F resolve(F &slot, const char *name)
{
    if (!slot) {
        resolving = true;
        slot = reinterpret_cast<F>(dlsym(RTLD_NEXT, name));
        resolving = false;
    }
    return slot;
}

const char *count_file = nullptr;

__attribute__((constructor)) void set_up()
{
    const char *n = std::getenv("NORLET_FAIL_CALL");
    count_file = std::getenv("NORLET_FAIL_COUNT");
    inject::arm(n ? std::atol(n) : 0);
}

__attribute__((destructor)) void report()
{
    long counted = inject::disarm();
    if (FILE *out = count_file ? std::fopen(count_file, "w") : nullptr) {
        std::fprintf(out, "%ld\n", counted);
        std::fclose(out);
    }
}

} // namespace
#else
#define ENTRY(name) __wrap_##name
#define REAL(name) __real_##name
#define early_block(size) nullptr
constexpr bool resolving = false;

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
#endif

extern "C" {

void *ENTRY(malloc)(size_t size)
{
    if (resolving) return early_block(size);
    return fails(ENOMEM) ? nullptr : REAL(malloc)(size);
}

void *ENTRY(calloc)(size_t count, size_t size)
{
    if (resolving) return early_block(count * size); // static, so zeroed
    return fails(ENOMEM) ? nullptr : REAL(calloc)(count, size);
}

void *ENTRY(realloc)(void *block, size_t size)
{
    return fails(ENOMEM) ? nullptr : REAL(realloc)(block, size);
}

FILE *ENTRY(fopen)(const char *path, const char *mode)
{
    return fails(EIO) ? nullptr : REAL(fopen)(path, mode);
}

size_t ENTRY(fread)(void *buffer, size_t size, size_t count, FILE *file)
{
    return fails(EIO) ? 0 : REAL(fread)(buffer, size, count, file);
}

int ENTRY(open)(const char *path, int flags, ...)
{
    mode_t mode = 0;
    if (flags & (O_CREAT | O_TMPFILE)) {
        va_list arguments;
        va_start(arguments, flags);
        mode = static_cast<mode_t>(va_arg(arguments, int));
        va_end(arguments);
    }
    return fails(EIO) ? -1 : REAL(open)(path, flags, mode);
}

int ENTRY(ioctl)(int fd, unsigned long request, ...)
{
    va_list arguments;
    va_start(arguments, request);
    void *argument = va_arg(arguments, void *);
    va_end(arguments);
    return fails(EIO) ? -1 : REAL(ioctl)(fd, request, argument);
}

ssize_t ENTRY(write)(int fd, const void *buffer, size_t count)
{
    return fails(EIO) ? -1 : REAL(write)(fd, buffer, count);
}
}

// Failure injection for a whole program: an LD_PRELOAD layer (put before the
// fake panel) that counts the program's calls of malloc, calloc, realloc,
// fopen, fread, open, ioctl and write and makes one of them fail.
//
//   NORLET_FAIL_CALL=n     the nth call fails (0: none); allocations return
//                          null with ENOMEM, the rest fail with EIO
//   NORLET_FAIL_COUNT=file at exit, how many calls were counted
//
// Each call is passed on to the next definition (the fake panel, the
// sanitizer runtime or the C library), so the memory checkers still see every
// allocation. Counting starts when the layer is set up, before main.
#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dlfcn.h>
#include <fcntl.h>
#include <sys/types.h>
#include <unistd.h>

namespace
{

bool armed = false;
long calls = 0, failing = 0;
const char *count_file = nullptr;

bool fails(int error)
{
    if (!armed || ++calls != failing) return false;
    errno = error;
    return true;
}

template <typename F> F next(const char *name, F &slot)
{
    if (!slot) slot = reinterpret_cast<F>(dlsym(RTLD_NEXT, name));
    return slot;
}

// What dlsym may allocate while the allocators are being looked up.
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

__attribute__((constructor)) void set_up()
{
    const char *n = std::getenv("NORLET_FAIL_CALL");
    count_file = std::getenv("NORLET_FAIL_COUNT");
    failing = n ? std::atol(n) : 0;
    armed = n || count_file;
}

__attribute__((destructor)) void report()
{
    armed = false;
    if (!count_file) return;
    if (FILE *out = std::fopen(count_file, "w")) {
        std::fprintf(out, "%ld\n", calls);
        std::fclose(out);
    }
}

} // namespace

extern "C" {

void *malloc(size_t size)
{
    static void *(*real)(size_t);
    if (!real && resolving) return early_block(size);
    resolving = true;
    next("malloc", real);
    resolving = false;
    return fails(ENOMEM) ? nullptr : real(size);
}

void *calloc(size_t count, size_t size)
{
    static void *(*real)(size_t, size_t);
    if (!real && resolving) return early_block(count * size); // static, so zeroed
    resolving = true;
    next("calloc", real);
    resolving = false;
    return fails(ENOMEM) ? nullptr : real(count, size);
}

void *realloc(void *block, size_t size)
{
    static void *(*real)(void *, size_t);
    return fails(ENOMEM) ? nullptr : next("realloc", real)(block, size);
}

FILE *fopen(const char *path, const char *mode)
{
    static FILE *(*real)(const char *, const char *);
    return fails(EIO) ? nullptr : next("fopen", real)(path, mode);
}

size_t fread(void *buffer, size_t size, size_t count, FILE *file)
{
    static size_t (*real)(void *, size_t, size_t, FILE *);
    return fails(EIO) ? 0 : next("fread", real)(buffer, size, count, file);
}

int open(const char *path, int flags, ...)
{
    static int (*real)(const char *, int, ...);
    mode_t mode = 0;
    if (flags & (O_CREAT | O_TMPFILE)) {
        va_list arguments;
        va_start(arguments, flags);
        mode = static_cast<mode_t>(va_arg(arguments, int));
        va_end(arguments);
    }
    return fails(EIO) ? -1 : next("open", real)(path, flags, mode);
}

int ioctl(int fd, unsigned long request, ...)
{
    static int (*real)(int, unsigned long, ...);
    va_list arguments;
    va_start(arguments, request);
    void *argument = va_arg(arguments, void *);
    va_end(arguments);
    return fails(EIO) ? -1 : next("ioctl", real)(fd, request, argument);
}

ssize_t write(int fd, const void *buffer, size_t count)
{
    static ssize_t (*real)(int, const void *, size_t);
    return fails(EIO) ? -1 : next("write", real)(fd, buffer, count);
}
}

// Helpers shared by the fuzz targets: a font file in memory, a guarded
// canvas, quiet standard output and a failure that stops the fuzzer.
#ifndef NORLET_FUZZ_SUPPORT_H
#define NORLET_FUZZ_SUPPORT_H

#include <cstdarg>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sanitizer/asan_interface.h>
#include <sys/mman.h>
#include <unistd.h>

#include "mmap.h"

namespace fuzz
{

// A divergence from what the code promises: says what was expected and
// aborts, which libFuzzer reports as a crash with the input saved.
[[noreturn]] inline void fail(const char *format, ...)
{
    std::va_list args;
    va_start(args, format);
    std::fputs("FUZZ CHECK FAILED: ", stderr);
    std::vfprintf(stderr, format, args);
    std::fputs("\n", stderr);
    va_end(args);
    std::abort();
}

// The messages the code under test prints go nowhere; libFuzzer reports on
// standard error.
inline void silence_stdout()
{
    if (!std::freopen("/dev/null", "w", stdout)) fail("cannot silence stdout");
}

// A font file holding exactly these bytes, as a path that fopen can open.
// One in-memory file serves every input, so nothing touches the disk.
inline const char *font_file(const uint8_t *data, size_t size)
{
    static int fd = -1;
    static char path[64];
    if (fd < 0) {
        fd = memfd_create("fuzz-font", 0);
        if (fd < 0) fail("memfd_create failed");
        std::snprintf(path, sizeof path, "/proc/self/fd/%d", fd);
    }
    if (ftruncate(fd, 0) != 0) fail("ftruncate failed");
    size_t done = 0;
    while (done < size) {
        ssize_t n = pwrite(fd, data + done, size - done, static_cast<off_t>(done));
        if (n <= 0) fail("pwrite failed");
        done += static_cast<size_t>(n);
    }
    return path;
}

// Whether a font file declares more than `limit` glyphs on a CHARS line,
// read as the reader reads it (sscanf "%*s %i"). Such a table costs up to
// 138 MB to clear and 256 scans of a million records to look up, a second
// per run: the fuzzers skip these inputs, the regular tests cover them.
inline bool declares_many_glyphs(const uint8_t *data, size_t size, int limit)
{
    for (size_t start = 0; start < size;) {
        size_t end = start;
        while (end < size && data[end] != '\n')
            ++end;
        if (end - start >= 5 && std::memcmp(data + start, "CHARS", 5) == 0) {
            char line[64] = {};
            std::memcpy(line, data + start, end - start < 63 ? end - start : 63);
            int count = 0;
            if (std::sscanf(line, "%*s %i", &count) == 1 && count > limit) return true;
        }
        start = end + 1;
    }
    return false;
}

// A canvas buffer of exactly the bytes its pixels occupy, between two
// poisoned guard zones: a write outside the canvas is caught by
// AddressSanitizer at once, and the guard pattern is checked as well.
struct GuardedCanvas {
    uint8_t *block;
    size_t bytes;
    Canvas canvas;
};

constexpr size_t guard_bytes = 64;
constexpr uint8_t guard_pattern = 0xA5;

inline GuardedCanvas make_guarded_canvas(int32_t width, int32_t height)
{
    GuardedCanvas g{};
    g.bytes = static_cast<size_t>(mmap_pixel_bytes(width, height));
    g.block = static_cast<uint8_t *>(std::malloc(g.bytes + 2 * guard_bytes));
    if (!g.block) fail("out of memory for a canvas of %zu bytes", g.bytes);
    std::memset(g.block, guard_pattern, g.bytes + 2 * guard_bytes);
    ASAN_POISON_MEMORY_REGION(g.block, guard_bytes);
    ASAN_POISON_MEMORY_REGION(g.block + guard_bytes + g.bytes, guard_bytes);
    g.canvas = Canvas{g.block + guard_bytes, width, height, 0, 0};
    return g;
}

// Checks the guard zones and frees the block.
inline void release_guarded_canvas(GuardedCanvas *g)
{
    ASAN_UNPOISON_MEMORY_REGION(g->block, g->bytes + 2 * guard_bytes);
    for (size_t i = 0; i < guard_bytes; ++i) {
        if (g->block[i] != guard_pattern) fail("byte %zu before the canvas was written", i);
        if (g->block[guard_bytes + g->bytes + i] != guard_pattern)
            fail("byte %zu after the canvas was written", i);
    }
    std::free(g->block);
    g->block = nullptr;
}

// Whether all n bytes at p may be read. Only AddressSanitizer knows; a
// coverage build (without it) takes them as readable.
inline bool readable(const void *p, size_t n)
{
#if defined(__SANITIZE_ADDRESS__) || (defined(__has_feature) && __has_feature(address_sanitizer))
    return __asan_region_is_poisoned(const_cast<void *>(p), n) == nullptr;
#else
    (void)p, (void)n;
    return true;
#endif
}

// Reads a little-endian 32-bit value and moves past it; 0 past the end.
inline uint32_t take_u32(const uint8_t **data, size_t *size)
{
    uint32_t value = 0;
    for (int i = 0; i < 4; ++i) {
        uint32_t byte = *size ? **data : 0;
        if (*size) ++*data, --*size;
        value |= byte << (8 * i);
    }
    return value;
}

inline uint8_t take_u8(const uint8_t **data, size_t *size)
{
    if (!*size) return 0;
    uint8_t value = **data;
    ++*data, --*size;
    return value;
}

} // namespace fuzz

#endif

// Helpers of the fuzz targets: a failure that stops the fuzzer, quiet
// standard output, a font file in memory and input bytes.
#ifndef NORLET_FUZZ_SUPPORT_H
#define NORLET_FUZZ_SUPPORT_H

#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sys/mman.h>
#include <unistd.h>

// AddressSanitizer's header, only where it is in use: a compiler without the
// sanitizers (Debian's MIPS cross compiler) has none.
#if defined(__SANITIZE_ADDRESS__)
#define NORLET_FUZZ_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define NORLET_FUZZ_ASAN 1
#endif
#endif
#ifdef NORLET_FUZZ_ASAN
#include <sanitizer/asan_interface.h>
#endif

namespace fuzz
{

// Says what was expected and aborts: libFuzzer saves the input.
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

inline void silence_stdout()
{
    if (!std::freopen("/dev/null", "w", stdout)) fail("cannot silence stdout");
}

// A path fopen can open that holds exactly these bytes: one in-memory file
// serves every input.
inline const char *font_file(const uint8_t *data, size_t size)
{
    static int fd = memfd_create("fuzz-font", 0);
    static char path[64];
    std::snprintf(path, sizeof path, "/proc/self/fd/%d", fd);
    if (fd < 0 || ftruncate(fd, 0) != 0) fail("no in-memory font file");
    for (size_t done = 0; done < size;) {
        ssize_t n = pwrite(fd, data + done, size - done, static_cast<off_t>(done));
        if (n <= 0) fail("pwrite failed");
        done += static_cast<size_t>(n);
    }
    return path;
}

// Whether a CHARS line declares more than `limit` glyphs (read as the reader
// reads it). Such a table costs up to a second to clear and scan; the
// fuzzers skip these inputs and the regular tests cover them.
inline bool declares_many_glyphs(const uint8_t *data, size_t size, int limit)
{
    for (size_t start = 0, end = 0; start < size; start = end + 1) {
        for (end = start; end < size && data[end] != '\n';)
            ++end;
        char line[64] = {};
        std::memcpy(line, data + start, end - start < 63 ? end - start : 63);
        int count = 0;
        if (!std::strncmp(line, "CHARS", 5) && std::sscanf(line, "%*s %i", &count) == 1 &&
            count > limit)
            return true;
    }
    return false;
}

// Whether all n bytes at p may be read: only AddressSanitizer knows; a
// coverage build, without it, takes them as readable.
inline bool readable(const void *p, size_t n)
{
#ifdef NORLET_FUZZ_ASAN
    return __asan_region_is_poisoned(const_cast<void *>(p), n) == nullptr;
#else
    (void)p, (void)n;
    return true;
#endif
}

// The next input byte, or 0 past the end.
inline uint8_t take_u8(const uint8_t **data, size_t *size)
{
    if (!*size) return 0;
    --*size;
    return *(*data)++;
}

// A little-endian 32-bit value, bytes past the end read as 0.
inline uint32_t take_u32(const uint8_t **data, size_t *size)
{
    uint32_t value = 0;
    for (int i = 0; i < 4; ++i)
        value |= uint32_t{take_u8(data, size)} << (8 * i);
    return value;
}

} // namespace fuzz

#endif

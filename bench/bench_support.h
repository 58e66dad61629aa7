// Shared helpers of the benchmarks: paths, data generation and a quiet
// standard output for code that prints progress lines.
//
// Benchmark names are "CASE/IMPLEMENTATION": the same CASE with "mstr" and
// with "std" (or "glibc") is one pair, run in the same process, and
// scripts/bench.sh prints their ratio.
#ifndef NORLET_BENCH_SUPPORT_H
#define NORLET_BENCH_SUPPORT_H

#include <cstdint>
#include <cstdio>
#include <string>

#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

// The font reader and the display pass print their progress lines on every
// load; while a benchmark runs they go to /dev/null, so the figures hold the
// formatting but not a terminal's speed.
struct QuietStdout {
    int saved = -1;

    QuietStdout()
    {
        std::fflush(stdout);
        int null_fd = open("/dev/null", O_WRONLY | O_CLOEXEC);
        if (null_fd < 0) return;
        saved = dup(STDOUT_FILENO);
        dup2(null_fd, STDOUT_FILENO);
        close(null_fd);
    }
    ~QuietStdout()
    {
        std::fflush(stdout);
        if (saved < 0) return;
        dup2(saved, STDOUT_FILENO);
        close(saved);
    }
    QuietStdout(const QuietStdout &) = delete;
    QuietStdout &operator=(const QuietStdout &) = delete;
};

// Deterministic lower-case text with spaces, the same on every run.
inline std::string sample_text(size_t length, uint32_t seed = 12345)
{
    std::string text(length, ' ');
    uint32_t state = seed;
    for (char &c : text) {
        state = state * 1103515245u + 12345u;
        uint32_t pick = (state >> 16) % 27;
        c = pick == 26 ? ' ' : static_cast<char>('a' + pick);
    }
    return text;
}

#endif

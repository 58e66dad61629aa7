// The display pass in process against the model of the display fuzz target
// (tests/fuzz/display_fuzzer.cpp, which stands in for the device calls and
// checks the messages, the device calls, the frame's size and padding and the
// result of print_string): seeded random devices, drivers, settings, failing
// calls and texts. A failed check aborts with what was expected.
#include <gtest/gtest.h>

#include <cstdlib>
#include <iterator>
#include <random>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size);

// An allocation no machine can give fails as malloc's does, under the
// sanitizers' allocators too.
extern "C" const char *__asan_default_options()
{
    return "allocator_may_return_null=1";
}
extern "C" const char *__lsan_default_options()
{
    return "allocator_may_return_null=1";
}

namespace
{

void put_u32(std::string *input, uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        *input += static_cast<char>(value >> 8 * i);
}

// An input of the fuzz target, its values drawn from the edges that matter.
std::string random_input(std::mt19937 &random)
{
    auto pick = [&](const auto &values) { return values[random() % std::size(values)]; };
    constexpr uint32_t sides[] = {0,   1,   7,   8,   9,   48,          64,
                                  127, 128, 129, 132, 256, 0x40000000u, 0x80000000u};
    constexpr uint32_t depths[] = {0, 1, 1, 2, 4, 7, 8, 16, 24, 32, 0xFFFFFFFFu};
    uint32_t xres = pick(sides), yres = pick(sides), bpp = pick(depths);
    uint32_t line_pixels = random() % 4 ? xres : pick(sides);
    std::string input;
    for (uint32_t value : {xres, yres, line_pixels, bpp})
        put_u32(&input, value);
    for (int i = 0; i < 3; ++i) // behaviour, driver, settings
        input += static_cast<char>(random());
    uint64_t row = (uint64_t{line_pixels} * bpp + 7) / 8;
    const uint64_t lines[] = {0, row, row + random() % 8, row / 2, 0xFFFFFFFF};
    uint32_t line = static_cast<uint32_t>(pick(lines));
    const uint64_t memories[] = {0, uint64_t{line} * yres, random() % 4096, 1u << 20};
    put_u32(&input, line);
    put_u32(&input, static_cast<uint32_t>(pick(memories)));
    for (int i = 0; i < 6; ++i) // colour fields
        input += static_cast<char>(random() % (random() % 8 ? 40 : 256));
    // Letters, line ends, and escape sequences whole, cut short or unknown.
    // clang-format off
    constexpr const char *pieces[] = {
        "A", "Z", "a", "z", "0", " ", ".", "#", "\n", "\n", "\xe2\x86\x92", "\xc3", "\x1b[7m",
        "\x1b[27m", "\x1b[0m", "\x1b[m", "\x1b[1;07;4m", "\x1b[38;5;7m", "\x1b[48;2;7;7;7m",
        "\x1b[58:5:7;7;4:3m", "\x1b[?7m", "\x1b[7", "\x1b[7 m", "\x1b#3", "\x1b#4", "\x1b#6", "\x1b#8",
        "\x1b]0;7m\a", "\x1bP7m\x1b\\", "\x1b(B", "\x1b", "\x1b\x1b"};
    // clang-format on
    for (int n = random() % 40; n > 0; --n)
        input += pieces[random() % std::size(pieces)];
    return input;
}

TEST(DisplayModel, RandomDevicesAndSettingsAgreeWithTheModel)
{
    unsetenv("FRAMEBUFFER");
    std::mt19937 random(20261207);
    for (int run = 0; run < 20000; ++run) {
        std::string input = random_input(random);
        LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t *>(input.data()), input.size());
    }
}

} // namespace

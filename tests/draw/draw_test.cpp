// The canvas and the renderer driven by script.txt; the transcript of each
// step and what it left (pixels, cursor, bytes, results) must equal
// script.expected (NORLET_UPDATE_GOLDEN=1 rewrites it). Pixels are read by
// the addressing rule written out here, and guard bytes frame each canvas.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "bdf-reader.h"
#include "font.h"
#include "mmap.h"

namespace
{

constexpr size_t guard = 8;
constexpr uint8_t guard_value = 0x5A, dirty = 0xA5;
const std::string dir = NORLET_SOURCE_DIR "/tests/draw/";

// The canvas of the script and the storage around it.
std::vector<uint8_t> storage;
Canvas canvas;

bool pixel(int64_t x, int64_t y)
{
    size_t byte = size_t(x / 8 + canvas.width * y / 8);
    return canvas.buffer[byte] & (0x80 >> x % 8);
}

std::string picture()
{
    std::ostringstream out;
    for (int64_t y = 0; y < canvas.height; ++y) {
        for (int64_t x = 0; x < canvas.width; ++x)
            out << (pixel(x, y) ? '#' : '.');
        out << '\n';
    }
    out << "cursor " << canvas.cursor_x << ' ' << canvas.cursor_y;
    size_t bytes = storage.size() - 2 * guard;
    if (bytes <= 64) {
        out << ", bytes";
        for (size_t i = 0; i < bytes; ++i)
            out << ' ' << std::hex << int(canvas.buffer[i]) << std::dec;
    }
    for (size_t i = 0; i < guard; ++i)
        if (storage[i] != guard_value || storage[guard + bytes + i] != guard_value)
            return out.str() + "\nguard bytes overwritten\n";
    return out.str() + '\n';
}

// Text with \xHH escapes decoded.
std::string unescaped(const std::string &raw)
{
    std::string text;
    for (size_t i = 0; i < raw.size(); ++i)
        if (raw.compare(i, 2, "\\x") == 0)
            text += char(std::stoi(raw.substr(i + 2, 2), nullptr, 16)), i += 3;
        else
            text += raw[i];
    return text;
}

// Runs one step, a name and its arguments, and returns what it printed.
std::string run_step(const std::string &line)
{
    std::istringstream in(line);
    std::string step, rest;
    std::getline(in >> step >> std::ws, rest);
    std::istringstream args(rest);
    int64_t a = 0, b = 0, c = 0;
    args >> a >> b >> c;
    std::ostringstream out;
    if (step == "canvas") {
        size_t bytes = mmap_pixel_bytes(a, b);
        storage.assign(bytes + 2 * guard, guard_value);
        std::fill_n(storage.begin() + guard, bytes, dirty);
        canvas = Canvas{storage.data() + guard, int32_t(a), int32_t(b), 0, 0};
    } else if (step == "cursor") {
        canvas.cursor_x = int32_t(a), canvas.cursor_y = int32_t(b);
    } else if (step == "clear") {
        mmap_clear(&canvas);
    } else if (step == "inverted") {
        out << (a ? mmap_set_inverted() : mmap_clear_inverted()) << '\n';
    } else if (step == "clear_area") {
        mmap_clear_area(&canvas, int32_t(a), int32_t(b));
    } else if (step == "invert_area") {
        mmap_invert_area(&canvas, int32_t(a), int32_t(b));
    } else if (step == "putb") { // hexadecimal bytes, then the count of bits
        std::vector<uint8_t> source;
        for (size_t i = 0; rest[i] != ' '; i += 2)
            source.push_back(uint8_t(std::stoi(rest.substr(i, 2), nullptr, 16)));
        mmap_putb(&canvas, source.data(), uint32_t(std::stoul(rest.substr(rest.find(' ')))));
    } else if (step == "set") {
        mmap_set_pixel(&canvas, a, b, c);
    } else if (step == "get") {
        out << mmap_get_pixel(&canvas, a, b) << '\n';
    } else if (step == "bytes") {
        out << mmap_pixel_bytes(a, b) << '\n';
    } else if (step == "font") {
        testing::internal::CaptureStdout();
        int result = font_load((dir + "../fixtures/bdf/" + rest).c_str());
        testing::internal::GetCapturedStdout();
        out << result << '\n';
    } else if (step == "metrics") {
        current_font.width = int32_t(a), current_font.height = int32_t(b);
    } else if (step == "style") {
        out << (a ? font_set_double_width() : font_clear_double_width())
            << (b ? font_set_double_height() : font_clear_double_height())
            << (c ? font_set_inverted() : font_clear_inverted()) << " cell " << font_get_width()
            << " x " << font_get_height() << '\n';
    } else if (step == "putc") { // any number of codes
        std::istringstream codes(rest);
        for (int32_t code; codes >> code;)
            out << font_putc(&canvas, code);
        out << '\n';
    } else if (step == "puts") {
        out << font_puts(&canvas, unescaped(rest).c_str()) << '\n';
    } else if (step == "currency") {
        out << font_set_currency_symbol(uint32_t(a)) << '\n';
    } else if (step == "release") {
        font_release();
    } else if (step == "null") {
        mmap_clear(nullptr);
        out << font_putc(nullptr, 'A') << font_puts(&canvas, nullptr) << '\n';
    } else if (step == "show") {
        out << picture();
    } else if (!step.empty() && step[0] != '#') {
        out << "unknown step\n";
    }
    return out.str();
}

TEST(Drawing, ScriptGivesTheCheckedTranscript)
{
    std::ifstream script(dir + "script.txt");
    ASSERT_TRUE(script) << "no script";
    std::string transcript, line;
    while (std::getline(script, line))
        transcript += line + "\n" + run_step(line);
    font_release();
    std::ifstream expected_file(dir + "script.expected");
    std::string expected(std::istreambuf_iterator<char>(expected_file), {});
    if (std::getenv("NORLET_UPDATE_GOLDEN")) std::ofstream(dir + "script.expected") << transcript;
    EXPECT_EQ(transcript, expected);
}

} // namespace

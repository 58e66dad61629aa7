// The canvas and the renderer driven by a script of drawing steps; the
// transcript of what each step left (pixels, cursor, bytes, results) must be
// the checked one.
//
// script.txt holds the steps; script.expected the transcript: each step's
// line, then what it printed. Pixels are read from the buffer by the
// addressing rule written out here, not by the canvas module, and the guard
// bytes around each canvas are checked. NORLET_UPDATE_GOLDEN=1 rewrites the
// transcript; look at the change before committing it.
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

// The text after the step's name, with \xHH escapes decoded.
std::string text_of(std::istream &in)
{
    std::string raw, text;
    std::getline(in >> std::ws, raw);
    for (size_t i = 0; i < raw.size(); ++i) {
        if (raw.compare(i, 2, "\\x") != 0) {
            text += raw[i];
            continue;
        }
        text += char(std::stoi(raw.substr(i + 2, 2), nullptr, 16));
        i += 3;
    }
    return text;
}

std::string run_step(const std::string &line)
{
    std::istringstream in(line);
    std::ostringstream out;
    std::string step;
    int64_t a = 0, b = 0, c = 0;
    in >> step;
    if (step == "canvas") {
        in >> a >> b;
        size_t bytes = mmap_pixel_bytes(a, b);
        storage.assign(bytes + 2 * guard, guard_value);
        std::fill_n(storage.begin() + guard, bytes, dirty);
        canvas = Canvas{storage.data() + guard, int32_t(a), int32_t(b), 0, 0};
    } else if (step == "cursor") {
        in >> canvas.cursor_x >> canvas.cursor_y;
    } else if (step == "clear") {
        mmap_clear(&canvas);
    } else if (step == "inverted") {
        in >> a;
        out << (a ? mmap_set_inverted() : mmap_clear_inverted()) << '\n';
    } else if (step == "clear_area" || step == "invert_area") {
        in >> a >> b;
        (step == "clear_area" ? mmap_clear_area : mmap_invert_area)(&canvas, int32_t(a),
                                                                    int32_t(b));
    } else if (step == "putb") {
        std::string hex;
        in >> hex >> a;
        std::vector<uint8_t> source;
        for (size_t i = 0; i + 1 < hex.size(); i += 2)
            source.push_back(uint8_t(std::stoi(hex.substr(i, 2), nullptr, 16)));
        mmap_putb(&canvas, source.data(), uint32_t(a));
    } else if (step == "set") {
        in >> a >> b >> c;
        mmap_set_pixel(&canvas, a, b, c);
    } else if (step == "get") {
        in >> a >> b;
        out << mmap_get_pixel(&canvas, a, b) << '\n';
    } else if (step == "bytes") {
        in >> a >> b;
        out << mmap_pixel_bytes(a, b) << '\n';
    } else if (step == "font") {
        testing::internal::CaptureStdout();
        int result = font_load((dir + "../fixtures/bdf/" + text_of(in)).c_str());
        testing::internal::GetCapturedStdout();
        out << result << '\n';
    } else if (step == "metrics") {
        in >> current_font.width >> current_font.height;
    } else if (step == "style") {
        in >> a >> b >> c;
        out << (a ? font_set_double_width() : font_clear_double_width())
            << (b ? font_set_double_height() : font_clear_double_height())
            << (c ? font_set_inverted() : font_clear_inverted()) << " cell " << font_get_width()
            << " x " << font_get_height() << '\n';
    } else if (step == "putc") {
        while (in >> a)
            out << font_putc(&canvas, int32_t(a));
        out << '\n';
    } else if (step == "puts") {
        out << font_puts(&canvas, text_of(in).c_str()) << '\n';
    } else if (step == "currency") {
        in >> a;
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

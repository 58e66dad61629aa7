// A real font cut short anywhere: the load fails with one of the reader's
// messages and keeps no table, and succeeds only once ENDFONT is complete.
// Crashes and leaks show under the sanitizer build.
#include "bdf-test-support.h"

#include <set>

namespace
{

std::string read_device_font(const char *name)
{
    std::ifstream file(std::string(NORLET_BINARY_DIR "/fonts/") + name, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), {});
}

// Loads the first length bytes of font and checks the outcome.
void expect_clean_outcome(const std::string &font, size_t length, const std::string &path)
{
    static const std::set<std::string> failures = {
        "BDF-Font: Failed to read font file header\n",
        "BDF-Font: Failed to read font file\n",
        "BDF-Font: Font file is invalid format\n",
    };
    std::string prefix = font.substr(0, length);
    write_file(path, prefix);
    LoadOutcome outcome = load_capturing(path.c_str());
    size_t last_line_start = outcome.output.rfind('\n', outcome.output.size() - 2) + 1;
    std::string last_line = outcome.output.substr(last_line_start);
    bool complete = prefix.find("\nENDFONT") != std::string::npos;
    if (complete) {
        EXPECT_EQ(outcome.result, 0) << "cut at byte " << length << ":\n" << outcome.output;
        EXPECT_NE(current_font.glyphs, nullptr);
        release_bdf_font();
        return;
    }
    EXPECT_EQ(outcome.result, 1) << "cut at byte " << length;
    EXPECT_EQ(failures.count(last_line), 1u) << "cut at byte " << length << ":\n" << outcome.output;
    EXPECT_EQ(current_font.glyphs, nullptr) << "cut at byte " << length;
}

using TruncatedFont = BdfTest;

TEST_F(TruncatedFont, CutAtEveryLineEndFailsCleanly)
{
    std::string font = read_device_font("6x12.bdf");
    ASSERT_GT(font.size(), 1000u) << "make the device fonts first (target device_fonts)";
    std::string path = temp_font_path();
    expect_clean_outcome(font, 0, path);
    for (size_t end = font.find('\n'); end != std::string::npos; end = font.find('\n', end + 1))
        expect_clean_outcome(font, end + 1, path);
    std::remove(path.c_str());
}

TEST_F(TruncatedFont, CutInsideLinesFailsCleanly)
{
    std::string path = temp_font_path();
    for (const char *name : {"6x12.bdf", "6x16.bdf", "12x32.bdf"}) {
        std::string font = read_device_font(name);
        ASSERT_GT(font.size(), 1000u) << name << ": make the device fonts first";
        // A stride prime to the line lengths reaches every column of a line.
        for (size_t length = 1; length < font.size(); length += 53)
            expect_clean_outcome(font, length, path);
        expect_clean_outcome(font, font.size() - 1, path);
    }
    std::remove(path.c_str());
}

} // namespace

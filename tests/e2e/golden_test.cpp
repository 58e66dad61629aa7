// Golden frames: the real program with the real fonts on the fake panel,
// compared with pictures in tests/e2e/golden/ that a person has checked.
// NORLET_UPDATE_GOLDEN=1 rewrites the pictures from the current program.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>

#include "harness.h"

namespace
{

struct GoldenCase {
    const char *name; // the picture: tests/e2e/golden/NAME.txt
    uint32_t xres, yres, xres_virtual;
    std::vector<std::string> lines;
};

void PrintTo(const GoldenCase &c, std::ostream *out) { *out << c.name; }

std::string golden_path(const char *name)
{
    return std::string(NORLET_SOURCE_DIR "/tests/e2e/golden/") + name + ".txt";
}

void write_text(const std::string &path, const std::string &text)
{
    FILE *file = std::fopen(path.c_str(), "wb");
    ASSERT_NE(file, nullptr) << path;
    std::fwrite(text.data(), 1, text.size(), file);
    std::fclose(file);
}

// The picture of what the program wrote, the whole line length wide.
std::string picture(const GoldenCase &c)
{
    e2e::Panel panel;
    panel.xres = c.xres;
    panel.yres = c.yres;
    panel.xres_virtual = c.xres_virtual;
    e2e::Run run = e2e::run_display(c.lines, panel);
    EXPECT_EQ(run.exit_status, 0);
    EXPECT_EQ(run.out.find("Failed"), std::string::npos) << run.out;
    int32_t width = static_cast<int32_t>(c.xres_virtual);
    EXPECT_EQ(run.frame.size(), static_cast<size_t>(width) * c.yres / 8);
    return e2e::frame_art(run.frame, width, static_cast<int32_t>(c.yres), width);
}

class GoldenFrame : public ::testing::TestWithParam<GoldenCase>
{
};

TEST_P(GoldenFrame, PanelShowsTheCheckedPicture)
{
    const GoldenCase &c = GetParam();
    std::string actual = picture(c);
    std::string path = golden_path(c.name);
    const char *update = std::getenv("NORLET_UPDATE_GOLDEN");
    if (update && *update == '1') write_text(path, actual);
    std::string expected = e2e::read_text(path);
    ASSERT_FALSE(expected.empty()) << "no picture at " << path;
    EXPECT_TRUE(actual == expected) << "the panel differs from " << path << ":\n"
                                    << e2e::side_by_side(expected, actual);
}

const std::string a21 = "ABCDEFGHIJKLMNOPQRSTU";
const std::string a30 = "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123";

INSTANTIATE_TEST_SUITE_P(
    Panels, GoldenFrame,
    ::testing::Values(
        GoldenCase{"132x48-four-lines",
                   132,
                   48,
                   132,
                   {"Hello, world!", "IP 192.168.1.20", "Temp 41 C", "fw 1.4.2"}},
        GoldenCase{"128x64-four-lines",
                   128,
                   64,
                   128,
                   {"Hello, world!", "IP 192.168.1.20", "Temp 41 C", "fw 1.4.2"}},
        GoldenCase{"256x128-four-lines",
                   256,
                   128,
                   256,
                   {"Hello, world!", "IP 192.168.1.20", "Temp 41 C", "fw 1.4.2"}},
        GoldenCase{"unlisted-96x40", 96, 40, 96, {"96 by 40", "gets 6x16"}},
        GoldenCase{"virtual-wider-than-visible", 128, 64, 160, {"line length", "160 pixels"}},
        GoldenCase{"empty-line", 128, 64, 128, {"above", "", "below"}},
        GoldenCase{"21-characters", 128, 64, 128, {a21, "next"}},
        GoldenCase{"30-characters", 128, 64, 128, {a30, "next"}},
        GoldenCase{"embedded-newline", 128, 64, 128, {"first\nsecond", "third"}},
        GoldenCase{"latin1-bytes",
                   128,
                   64,
                   128,
                   {"caf\xe9 \xa3"
                    "5 \xb0"
                    "C",
                    "\xc5ngstr\xf6m \xb5s"}}),
    [](const ::testing::TestParamInfo<GoldenCase> &info) {
        std::string name = info.param.name;
        for (char &c : name)
            if (!isalnum(static_cast<unsigned char>(c))) c = '_';
        return name;
    });

TEST(GoldenFrame, AFifthArgumentChangesNothing)
{
    GoldenCase four{"", 128, 64, 128, {"one", "two", "three", "four"}};
    GoldenCase five{"", 128, 64, 128, {"one", "two", "three", "four", "five"}};
    EXPECT_EQ(picture(four), picture(five));
}

} // namespace

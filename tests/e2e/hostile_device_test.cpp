// The real program against a driver that reports hostile geometry and
// against font files written to break it: every run ends with status 0,
// nothing on standard error (no sanitizer or memcheck report), and either
// exactly xres_virtual * yres * bits_per_pixel / 8 bytes written (the
// product in 32 bits) or the allocation failure reported.
#include <gtest/gtest.h>

#include <cctype>
#include <cstdio>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

#include "harness.h"

namespace
{

using e2e::Panel;
using e2e::run_display;

const std::string adversarial_fonts = NORLET_SOURCE_DIR "/tests/fixtures/adversarial";

std::string device_calls(uint32_t frame_bytes)
{
    return "open /dev/fb0 O_RDWR\nioctl FBIOGET_VSCREENINFO\nsync\nwrite " +
           std::to_string(frame_bytes) + "\nclose\n";
}

// Bytes of the one-bit canvas: up to the byte of its last pixel.
uint64_t canvas_bytes(uint64_t width, uint64_t height)
{
    return width && height ? (width - 1) / 8 + width * (height - 1) / 8 + 1 : 0;
}

struct Geometry {
    const char *name;
    uint32_t xres, yres, bits_per_pixel;
    uint32_t frame_bytes; // what the device must be given
    bool huge;            // half a gigabyte: the fake discards it instead of keeping it
};

class HostileGeometry : public testing::TestWithParam<Geometry>
{
};

TEST_P(HostileGeometry, WritesTheDeviceSizeNotPastTheCanvas)
{
    const Geometry &g = GetParam();
    Panel panel;
    panel.xres = g.xres;
    panel.yres = g.yres;
    panel.bits_per_pixel = g.bits_per_pixel;
    panel.capture = !g.huge;
    e2e::Run run = run_display({"Hello", "World"}, panel);
    EXPECT_EQ(run.exit_status, 0) << "signal " << run.signal << "\n" << run.err;
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(run.calls, device_calls(g.frame_bytes));
    EXPECT_EQ(run.out.find("Dravik"), std::string::npos) << run.out;
    if (g.huge) return;
    ASSERT_EQ(run.frame.size(), g.frame_bytes);
    for (uint64_t i = canvas_bytes(g.xres, g.yres); i < run.frame.size(); ++i)
        ASSERT_EQ(run.frame[i], 0) << "byte " << i << " lies past the canvas and should be clear";
}

std::string geometry_name(const testing::TestParamInfo<Geometry> &info)
{
    return info.param.name;
}

// 0xFFFFFFFF bits per pixel: 128 * 64 * (2^32 - 1) is 2^32 - 8192 in 32 bits.
INSTANTIATE_TEST_SUITE_P(
    Driver, HostileGeometry,
    testing::Values(Geometry{"NoPixels", 0, 0, 1, 0, false},
                    Geometry{"OnePixel", 1, 1, 1, 0, false},
                    Geometry{"Largest16BitPanel", 65535, 65535, 1, 536854528, true},
                    Geometry{"ZeroBitsPerPixel", 128, 64, 0, 0, false},
                    Geometry{"SevenBitsPerPixel", 128, 64, 7, 7168, false},
                    Geometry{"EightBitsPerPixel", 128, 64, 8, 8192, false},
                    Geometry{"ThirtyTwoBitsPerPixel", 128, 64, 32, 32768, false},
                    Geometry{"AllBitsPerPixel", 128, 64, 0xFFFFFFFFu, 536869888, true}),
    geometry_name);

TEST(HostileGeometry, AHeightPastTheCanvasRangeIsRefusedAsAnAllocationFailure)
{
    Panel panel;
    panel.yres = 0x80000000u;
    e2e::Run run = run_display({"Hello"}, panel);
    EXPECT_EQ(run.exit_status, 0);
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(run.out, "Dravik: error allocating memory. error - 12\n"
                       "Dravik: could not open frame buffer device. Error - 12");
    EXPECT_EQ(run.calls, "open /dev/fb0 O_RDWR\nioctl FBIOGET_VSCREENINFO\nclose\n");
}

// A font directory whose 6x16.bdf is the given file (or directory).
struct FontDir {
    std::string dir;
    explicit FontDir(const std::string &target)
    {
        char pattern[] = "/tmp/norlet-hostile-fonts-XXXXXX";
        dir = mkdtemp(pattern) ? pattern : "";
        if (symlink(target.c_str(), (dir + "/6x16.bdf").c_str()) != 0) dir.clear();
    }
    ~FontDir()
    {
        std::remove((dir + "/6x16.bdf").c_str());
        rmdir(dir.c_str());
    }
};

class HostileFontFile : public testing::TestWithParam<const char *>
{
};

TEST_P(HostileFontFile, TheFrameIsStillWrittenAndNothingLeaks)
{
    FontDir fonts(adversarial_fonts + "/" + GetParam());
    ASSERT_FALSE(fonts.dir.empty());
    Panel panel;
    panel.font_dir = fonts.dir;
    e2e::Run run = run_display({"Hello", "World"}, panel);
    EXPECT_EQ(run.exit_status, 0) << "signal " << run.signal << "\n" << run.err;
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(run.calls, device_calls(1024));
    EXPECT_EQ(run.frame.size(), 1024u);
}

INSTANTIATE_TEST_SUITE_P(
    Fixtures, HostileFontFile,
    testing::Values("chars-int-max.bdf", "chars-past-int.bdf", "chars-minus-one.bdf",
                    "bbx-million-rows.bdf", "negative-width.bdf", "negative-height.bdf",
                    "long-rows.bdf", "nul-in-line.bdf", "empty.bdf", "."),
    [](const testing::TestParamInfo<const char *> &info) {
        std::string name = info.param;
        if (name == ".") return std::string("Directory");
        std::string out;
        bool upper = true;
        for (char c : name.substr(0, name.find('.'))) {
            if (c == '-') {
                upper = true;
                continue;
            }
            out += upper ? static_cast<char>(std::toupper(static_cast<unsigned char>(c))) : c;
            upper = false;
        }
        return out;
    });

} // namespace

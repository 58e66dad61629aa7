// The real program on the fake panel: command line, device calls, frame
// size and every failure path.
#include <gtest/gtest.h>

#include "harness.h"

namespace
{

using e2e::Panel;
using e2e::run_display;

constexpr const char *usage_line =
    "Usage: %s \"line1 text to display\" [\"line2 text to display\" ...]";

std::string usage_for(const std::string &name)
{
    std::string line = usage_line;
    return line.replace(line.find("%s"), 2, name);
}

bool ends_with(const std::string &text, const std::string &tail)
{
    return text.size() >= tail.size() &&
           text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

TEST(CommandLine, NoArgumentsPrintsTheUsageLineWithoutTouchingTheDevice)
{
    e2e::Run run = run_display({});
    EXPECT_EQ(run.exit_status, 0);
    EXPECT_EQ(run.out, usage_for(NORLET_BINARY_DIR "/norlet-display"))
        << "one line, no newline at its end";
    EXPECT_EQ(run.calls, "") << "the device is never opened";
    EXPECT_FALSE(run.wrote_frame);
}

TEST(CommandLine, TheUsageLineNamesTheProgramAsInvoked)
{
    if (e2e::wrapped()) GTEST_SKIP() << "a wrapper starts the program by its path";
    e2e::Run run = run_display({}, {}, "/opt/bin/lcd");
    EXPECT_EQ(run.out, usage_for("/opt/bin/lcd"));
}

TEST(DeviceCalls, OneOpenQuerySyncWriteAndCloseInThatOrder)
{
    e2e::Run run = run_display({"Hello"});
    EXPECT_EQ(run.exit_status, 0);
    EXPECT_EQ(run.calls, "open /dev/fb0 O_RDWR\n"
                         "ioctl FBIOGET_VSCREENINFO\n"
                         "sync\n"
                         "write 1024\n"
                         "close\n");
    EXPECT_EQ(run.frame.size(), 1024u);
}

struct FrameCase {
    uint32_t xres, yres, xres_virtual, bits_per_pixel;
    size_t frame_bytes;
    const char *font;
    const char *metrics; // the reader's metrics line for that font
};

void PrintTo(const FrameCase &c, std::ostream *out)
{
    *out << c.xres << "x" << c.yres << " line " << c.xres_virtual << " " << c.bits_per_pixel
         << " bpp";
}

class FrameSize : public ::testing::TestWithParam<FrameCase>
{
};

TEST_P(FrameSize, TheWholeFrameIsWrittenOnceWithTheFontOfItsClass)
{
    const FrameCase &c = GetParam();
    Panel panel;
    panel.xres = c.xres;
    panel.yres = c.yres;
    panel.xres_virtual = c.xres_virtual;
    panel.bits_per_pixel = c.bits_per_pixel;
    e2e::Run run = run_display({"x"}, panel);
    EXPECT_EQ(run.exit_status, 0);
    EXPECT_EQ(run.frame.size(), c.frame_bytes);
    EXPECT_NE(run.calls.find("write " + std::to_string(c.frame_bytes) + "\n"), std::string::npos)
        << run.calls;
    EXPECT_EQ(run.out, std::string("BDF Font debug: Load font. File - ") + c.font + "\n" +
                           "BDF Font debug: Values width - " + c.metrics + "\n");
}

INSTANTIATE_TEST_SUITE_P(
    PanelClasses, FrameSize,
    ::testing::Values(FrameCase{132, 48, 132, 1, 792, "/usr/share/fonts/6x12.bdf",
                                "6, height - 12, number of chars - 223"},
                      FrameCase{128, 64, 128, 1, 1024, "/usr/share/fonts/6x16.bdf",
                                "6, height - 13, number of chars - 223"},
                      FrameCase{256, 128, 256, 1, 4096, "/usr/share/fonts/12x32.bdf",
                                "12, height - 24, number of chars - 221"},
                      FrameCase{128, 32, 128, 1, 512, "/usr/share/fonts/6x16.bdf",
                                "6, height - 13, number of chars - 223"},
                      FrameCase{132, 64, 132, 1, 1056, "/usr/share/fonts/6x16.bdf",
                                "6, height - 13, number of chars - 223"},
                      FrameCase{128, 64, 160, 1, 1280, "/usr/share/fonts/6x16.bdf",
                                "6, height - 13, number of chars - 223"},
                      FrameCase{128, 64, 128, 8, 8192, "/usr/share/fonts/6x16.bdf",
                                "6, height - 13, number of chars - 223"},
                      FrameCase{128, 64, 128, 0, 0, "/usr/share/fonts/6x16.bdf",
                                "6, height - 13, number of chars - 223"}));

TEST(Fonts, AMissingFontIsReportedAndTheClearedFrameStillWritten)
{
    Panel panel;
    panel.font_dir = "/nonexistent-font-dir";
    e2e::Run run = run_display({"Hello"}, panel);
    EXPECT_EQ(run.exit_status, 0);
    EXPECT_EQ(run.out, "BDF Font debug: Load font. File - /usr/share/fonts/6x16.bdf\n"
                       "Failed to open font file - /usr/share/fonts/6x16.bdf\n");
    ASSERT_EQ(run.frame.size(), 1024u);
    for (size_t i = 0; i < run.frame.size(); ++i)
        ASSERT_EQ(run.frame[i], 0) << "byte " << i;
}

TEST(FrameContents, BytesBeyondTheOneBitCanvasAreZero)
{
    Panel panel;
    panel.bits_per_pixel = 8;
    panel.font_dir = "/nonexistent-font-dir"; // nothing drawn: the frame stays cleared
    e2e::Run run = run_display({"Hello"}, panel);
    ASSERT_EQ(run.frame.size(), 8192u);
    for (size_t i = 0; i < run.frame.size(); ++i)
        ASSERT_EQ(run.frame[i], 0) << "byte " << i;
}

TEST(Failures, OpenFailureIsReportedWithTheErrorNumber)
{
    Panel panel;
    panel.fail = "open";
    panel.fail_errno = 2;
    e2e::Run run = run_display({"Hello"}, panel);
    EXPECT_EQ(run.exit_status, 0);
    EXPECT_EQ(run.out, "Dravik: error opening framebuffer\n"
                       "Dravik: could not open frame buffer device. Error - 2");
    EXPECT_EQ(run.calls, "open /dev/fb0 O_RDWR\n");
}

TEST(Failures, QueryFailureClosesTheDevice)
{
    Panel panel;
    panel.fail = "ioctl";
    panel.fail_errno = 25;
    e2e::Run run = run_display({"Hello"}, panel);
    EXPECT_EQ(run.exit_status, 0);
    EXPECT_EQ(run.out, "Dravik: IOCTL Failed!\n"
                       "Dravik: could not open frame buffer device. Error - 25");
    EXPECT_EQ(run.calls, "open /dev/fb0 O_RDWR\nioctl FBIOGET_VSCREENINFO\nclose\n");
}

constexpr const char *allocation_failure = "Dravik: error allocating memory. error - 12\n"
                                           "Dravik: could not open frame buffer device. Error - 12";

TEST(Failures, AFrameThatCannotBeAllocatedIsReportedAndClosesTheDevice)
{
    Panel panel;
    panel.xres = panel.xres_virtual = 0x7FFFFFFF;
    panel.yres = 0x7FFFFFFF;
    e2e::Run run = run_display({"Hello"}, panel);
    EXPECT_EQ(run.exit_status, 0);
    EXPECT_EQ(run.out, allocation_failure);
    EXPECT_EQ(run.calls, "open /dev/fb0 O_RDWR\nioctl FBIOGET_VSCREENINFO\nclose\n");
}

TEST(Failures, AGeometryTooWideForTheCanvasIsRefusedAsAnAllocationFailure)
{
    Panel panel;
    panel.xres = 128;
    panel.xres_virtual = 0x80000000u;
    e2e::Run run = run_display({"Hello"}, panel);
    EXPECT_EQ(run.exit_status, 0);
    EXPECT_EQ(run.out, allocation_failure);
}

TEST(Failures, AllocationFailureUnderALoweredAddressSpaceLimit)
{
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "the sanitizer runtime needs more address space than the limit allows";
#endif
    if (e2e::wrapped()) GTEST_SKIP() << "a wrapper needs more address space than the limit";
    Panel panel;
    panel.xres = panel.xres_virtual = 40000;
    panel.yres = 40000; // a 200 MB frame
    panel.address_space_limit = 128ull << 20;
    e2e::Run run = run_display({"Hello"}, panel);
    EXPECT_EQ(run.exit_status, 0);
    EXPECT_EQ(run.out, allocation_failure);
}

TEST(Failures, WriteErrorIsReportedAndTheDeviceClosed)
{
    Panel panel;
    panel.fail = "write";
    panel.fail_errno = 28;
    e2e::Run run = run_display({"Hello"}, panel);
    EXPECT_EQ(run.exit_status, 0);
    EXPECT_TRUE(ends_with(run.out, "Dravik: IOCTL Failed!. Error - 28\n")) << run.out;
    EXPECT_EQ(run.calls,
              "open /dev/fb0 O_RDWR\nioctl FBIOGET_VSCREENINFO\nsync\nwrite 1024\nclose\n");
}

TEST(Failures, ShortWriteIsReportedAsAWriteFailure)
{
    Panel panel;
    panel.fail = "short";
    e2e::Run run = run_display({"Hello"}, panel);
    EXPECT_EQ(run.exit_status, 0);
    EXPECT_NE(run.out.find("Dravik: IOCTL Failed!. Error - "), std::string::npos) << run.out;
    EXPECT_EQ(run.frame.size(), 512u) << "the fake stored half the frame";
    EXPECT_TRUE(ends_with(run.calls, "write 1024\nclose\n")) << "no retry: " << run.calls;
}

} // namespace

// The real program on the fake panel, one table of runs per behaviour. Each
// run (exit status, output, device calls, frame size and picture) must equal
// tests/e2e/golden/NAME.txt, which a person has checked;
// NORLET_UPDATE_GOLDEN=1 rewrites those files from the program as it is. A
// report of the sanitizers, of valgrind memcheck (e2e_memcheck: the same
// runs, leaks included) or of an emulator shows in the output and fails it.
#include <gtest/gtest.h>

#include <deque>

#include "harness.h"

namespace
{

struct Row {
    const char *name; // of the golden file and the test
    std::vector<std::string> args;
    e2e::Panel panel = {};
    const char *argv0 = nullptr;
    const char *binary = "norlet-display"; // in the build tree
    friend void PrintTo(const Row &row, std::ostream *out) { *out << row.name; }
};

using Display = testing::TestWithParam<Row>;

TEST_P(Display, MatchesGolden)
{
    const Row &row = GetParam();
#if defined(__SANITIZE_ADDRESS__)
    if (row.panel.address_space) GTEST_SKIP() << "the sanitizer runtime needs more address space";
#endif
    if (row.panel.address_space && std::getenv("NORLET_RUN_WRAPPER"))
        GTEST_SKIP() << "the wrapper needs more address space than the limit leaves";
    if (row.panel.closed == 2 && std::getenv("NORLET_RUN_WRAPPER"))
        GTEST_SKIP() << "the wrapper needs standard error";
    std::string run = e2e::run_display(row.args, row.panel, row.argv0,
                                       NORLET_BINARY_DIR "/" + std::string(row.binary));
    std::string path = NORLET_SOURCE_DIR "/tests/e2e/golden/" + std::string(row.name) + ".txt";
    const char *update = std::getenv("NORLET_UPDATE_GOLDEN");
    if (update && *update == '1') std::ofstream(path, std::ios::binary) << run;
    EXPECT_EQ(run, e2e::read_file(path)) << "differs from " << path;
}

const auto row_name = [](const testing::TestParamInfo<Row> &row) { return row.param.name; };

const std::vector<std::string> four = {"Hello, world!", "IP 192.168.1.20", "Temp 41 C", "fw 1.4.2"};
const std::vector<std::string> hello = {"Hello"}, two = {"Hello", "World"};

INSTANTIATE_TEST_SUITE_P(
    CommandLine, Display,
    testing::Values(
        Row{"no_arguments", {}, {}, "/opt/bin/lcd"},
        Row{"five_arguments", {"one", "two", "three", "four", "five"}},
        Row{"empty_argument", {"above", "", "below"}},
        Row{"21_characters", {"ABCDEFGHIJKLMNOPQRSTU", "abcdefghijklmnopqrstu"}},
        Row{"43_characters", {"ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789abcdefg", "end"}},
        Row{"embedded_newline", {"first\nsecond", "third"}},
        Row{"latin1_bytes", {"caf\351 \2435 \260C", "\305ngstr\366m \265s"}},
        Row{"utf8_text",
            {"Temp 41 °C  Ωµ±", "→ 192.168.1.20 ✓✗", "Привет Γειά σου", "┌──┐ ▮ └──┘ ╳"}},
        Row{"utf8_21_characters", {"ЁЖЗИЙКЛМНОПРСТУФХЦЧШЩЪЫЬ", "→→→→→→→→→→→→→→→→→→→→→"}},
        // Each byte of an ill-formed sequence shows as its own Latin-1
        // character: overlong, surrogate, truncated, stray, past U+10FFFF.
        Row{"utf8_invalid",
            {"\xC0\xAF \xED\xA0\x80", "\xE2\x86 \xE2\x86", "\x80 \xBF", "\xF4\x90\x80\x80"}}),
    row_name);

// The font of each panel class (132 x 48, 128 x 64, 256 x 128, any other) and
// the frame of xres_virtual * yres * bits_per_pixel / 8 bytes.
INSTANTIATE_TEST_SUITE_P(Panels, Display,
                         testing::Values(Row{"132x48", four, {.xres = 132, .yres = 48}},
                                         Row{"128x64", four},
                                         Row{"256x128", four, {.xres = 256, .yres = 128}},
                                         Row{"96x40", four, {.xres = 96, .yres = 40}},
                                         Row{"132x64", four, {.xres = 132}},
                                         Row{"128x32", four, {.yres = 32}},
                                         Row{"256x64", four, {.xres = 256}},
                                         Row{"line_of_160", four, {.xres_virtual = 160}},
                                         Row{"8_bits_per_pixel", four, {.bits_per_pixel = 8}},
                                         Row{"0_bits_per_pixel", four, {.bits_per_pixel = 0}}),
                         row_name);

// A geometry the canvas cannot represent (over INT32_MAX) or the machine
// cannot allocate is reported as a failed allocation with ENOMEM. The message
// shows the errno of the failure even when the device's close sets another.
INSTANTIATE_TEST_SUITE_P(
    Failures, Display,
    testing::Values(Row{"open_fails", hello, {.fail = "open", .fail_errno = 2}},
                    Row{"ioctl_fails", hello, {.fail = "ioctl", .fail_errno = 25}},
                    Row{"errno_of_the_failure", hello, {.fail = "ioctl", .log = false}},
                    Row{"frame_of_2_to_the_62", hello, {.xres = 0x7FFFFFFF, .yres = 0x7FFFFFFF}},
                    Row{"line_of_2_to_the_31", hello, {.xres_virtual = 0x80000000u}},
                    Row{"height_of_2_to_the_31", hello, {.yres = 0x80000000u}},
                    Row{"address_space_128_MiB",
                        hello,
                        {.xres = 40000, .yres = 40000, .address_space = 128 << 20}},
                    Row{"write_fails", hello, {.fail = "write", .fail_errno = 28}},
                    Row{"device_on_descriptor_0", hello, {.closed = 0}},
                    Row{"device_on_descriptor_1", hello, {.closed = 1}},
                    Row{"device_on_descriptor_2", hello, {.closed = 2}},
                    Row{"short_write", hello, {.fail = "short"}},
                    Row{"font_missing", hello, {.font = "no-such-font.bdf"}}),
    row_name);

// Whatever the driver reports: one write of exactly the 32-bit product
// xres_virtual * yres * bits_per_pixel / 8, nothing drawn past the frame.
INSTANTIATE_TEST_SUITE_P(
    HostileGeometry, Display,
    testing::Values(Row{"0x0", two, {.xres = 0, .yres = 0}},
                    Row{"1x1", two, {.xres = 1, .yres = 1}},
                    Row{"65535x65535", two, {.xres = 65535, .yres = 65535}},
                    Row{"widest_line", two, {.xres = 0x7FFFFFFF, .yres = 1}},
                    Row{"tallest_panel", two, {.xres = 1, .yres = 0x7FFFFFFF}},
                    Row{"7_bits_per_pixel", two, {.bits_per_pixel = 7}},
                    Row{"32_bits_per_pixel", two, {.bits_per_pixel = 32}},
                    Row{"all_bits_per_pixel", two, {.bits_per_pixel = 0xFFFFFFFFu}}),
    row_name);

// What each kind of driver's panel shows, read as that driver reads the frame:
// the four lines on 128 x 64 and 132 x 48.
std::vector<Row> driver_rows()
{
    constexpr std::pair<const char *, uint32_t> drivers[] = {
        {"ssd1307fb", 1}, {"cfag12864b", 1}, {"vfb", 1},     {"vfb", 8},    {"vfb", 16},
        {"vfb", 24},      {"vfb", 32},       {"ssd130x", 1}, {"st7571", 1}, {"fbtft", 1}};
    static std::deque<std::string> names; // the rows point into it
    std::vector<Row> rows;
    for (auto [driver, bpp] : drivers) {
        for (uint32_t xres : {128u, 132u}) {
            uint32_t yres = xres == 128 ? 64 : 48;
            names.push_back(std::string(driver) + (bpp > 1 ? "_" + std::to_string(bpp) : "") + "_" +
                            std::to_string(xres) + "x" + std::to_string(yres));
            rows.push_back(
                Row{names.back().c_str(),
                    four,
                    {.xres = xres, .yres = yres, .bits_per_pixel = bpp, .driver = driver}});
        }
    }
    return rows;
}

INSTANTIATE_TEST_SUITE_P(Drivers, Display, testing::ValuesIn(driver_rows()), row_name);

// The environment: the device, the 1-bpp layout (one the driver does not read,
// on any machine), the turn, values refused in one line; a line that wraps at
// a panel edge inside a byte, and where a cell ends on the edge a whole cell
// short of the canvas's own (the canvas is wider); a driver that refuses the
// fixed query, the unblank or the fsync.
INSTANTIATE_TEST_SUITE_P(
    Settings, Display,
    testing::Values(
        Row{"framebuffer_fb1", two, {.setting = "FRAMEBUFFER=/dev/fb1", .device = "/dev/fb1"}},
        Row{"turned", two, {.driver = "ssd1307fb", .setting = "NORLET_ROTATE=180"}},
        Row{"turned_packed", two, {.xres = 132, .yres = 48, .setting = "NORLET_ROTATE=180"}},
        Row{"rotate_90", two, {.driver = "ssd130x", .setting = "NORLET_ROTATE=90"}},
        Row{"mono_msb_on_ssd1307fb",
            two,
            {.driver = "ssd1307fb", .setting = "NORLET_MONO_LAYOUT=msb"}},
        Row{"mono_packed_on_ssd1307fb",
            two,
            {.xres = 132,
             .yres = 48,
             .driver = "ssd1307fb",
             .setting = "NORLET_MONO_LAYOUT=packed"}},
        Row{"mono_unknown", two, {.driver = "cfag12864b", .setting = "NORLET_MONO_LAYOUT=mirror"}},
        Row{"wrap_at_the_panel_edge",
            {"ABCDEFGHIJKLMNOPQRSTU"},
            {.xres = 100, .yres = 32, .driver = "ssd1307fb"}},
        Row{"wrap_where_a_cell_ends_on_the_edge",
            {"ABCDEFGHIJKLMNOPQRSTU"},
            {.xres = 66, .yres = 32, .driver = "ssd1307fb"}},
        Row{"fscreeninfo_fails", two, {.fail = "fscreeninfo", .driver = "ssd130x"}},
        Row{"blank_fails", two, {.fail = "blank", .fail_errno = 22, .driver = "fbtft"}},
        Row{"fsync_fails", two, {.fail = "fsync", .fail_errno = 22, .driver = "ssd1307fb"}}),
    row_name);

// Escape sequences: reverse video, double width, double size (drawn from the
// top where it does not fit at the bottom), ones that draw nothing; turns of
// 90 and 270 degrees, on 256 x 128 (the font of the size as turned), the card.
INSTANTIATE_TEST_SUITE_P(
    StylesAndTurns, Display,
    testing::Values(
        Row{"reverse_video",
            {"\x1b[7m Title \x1b[0m", "plain", "\x1b[7mstays on", "across\x1b[27m off"}},
        Row{"double_width", {"\x1b#6Double width line", "small"}},
        Row{"double_size", {"\x1b#3Big 42", "\x1b#4Big 42", "small under it"}},
        Row{"double_size_at_the_bottom",
            {"one", "two", "three", "\x1b#3Big"},
            {.xres = 132, .yres = 48}},
        Row{"escapes_that_draw_nothing",
            {"a\x1b]0;title\ab\x1b(Bc\x1b[?25l\x1b[1;31mz", "\x1b[38;5;7mnot reversed\x1b[0m",
             "cut short \x1b[7", "\x1b[7mlate\x1b#6 sizes\x1b#3\x1b[m"}},
        Row{"rotate_270", two, {.setting = "NORLET_ROTATE=270"}},
        Row{"rotate_90_256x128", four, {.xres = 256, .yres = 128, .setting = "NORLET_ROTATE=90"}},
        Row{"rotate_unknown", two, {.setting = "NORLET_ROTATE=45"}},
        Row{"panel_card_90", {"--card"}, {.setting = "NORLET_ROTATE=90"}, nullptr, "norlet-panel"}),
    row_name);

// The panel check on a driver it knows, with its test card reaching the last
// column of a row that does not end on a byte, and on one that refuses the
// fixed query; the console drawing on the device; the frame buffers of the
// trees of sysfs-trees.txt listed; power and contrast, refused or not.
Row panel_check(const char *name, std::vector<std::string> args, e2e::Panel panel)
{
    return Row{name, std::move(args), panel, "norlet-panel", "norlet-panel"};
}

INSTANTIATE_TEST_SUITE_P(
    PanelCheck, Display,
    testing::Values(
        panel_check(
            "panel_check_card", {"--card"},
            {.xres = 129, .yres = 48, .driver = "ssd1307fb", .setting = "NORLET_ROTATE=180"}),
        panel_check("panel_check_plain", {}, {.xres_virtual = 136}),
        panel_check("card_write_fails", {"--card"}, {.fail = "write", .driver = "ssd1307fb"}),
        panel_check("panel_check_console", {},
                    {.driver = "ssd1307fb", .sysfs = "hdmi_and_oled", .con2fb = 0}),
        panel_check("list_hdmi_and_oled", {"--list"}, {.sysfs = "hdmi_and_oled", .con2fb = 0}),
        panel_check("list_console_unbound", {"--list"},
                    {.sysfs = "oled_console_unbound", .con2fb = 0}),
        panel_check("list_none", {"--list"}, {.sysfs = "none"}),
        panel_check("power_off", {"--off"}, {.driver = "ssd1307fb"}),
        panel_check("power_on_refused", {"--on"}, {.driver = "cfag12864b"}),
        panel_check("power_on", {"--on"}, {.driver = "ssd1307fb"}),
        panel_check("contrast", {"--contrast", "100"}, {.sysfs = "oled_console_unbound"}),
        panel_check("contrast_past_the_backlight", {"--contrast", "101"},
                    {.sysfs = "oled_console_unbound"}),
        panel_check("contrast_without_backlight", {"--contrast", "9"}, {.sysfs = "hdmi_and_oled"}),
        panel_check(
            "contrast_of_fb1", {"--contrast", "0"},
            {.setting = "FRAMEBUFFER=/dev/fb1", .device = "/dev/fb1", .sysfs = "hdmi_and_oled"}),
        panel_check("contrast_usage", {"--contrast", "256"}, {})),
    row_name);

// Font files written to break the reader, and a directory, as the panel's font.
INSTANTIATE_TEST_SUITE_P(
    HostileFont, Display,
    testing::Values(Row{"chars_int_max", two, {.font = "chars-int-max.bdf"}},
                    Row{"chars_past_int", two, {.font = "chars-past-int.bdf"}},
                    Row{"chars_minus_one", two, {.font = "chars-minus-one.bdf"}},
                    Row{"bbx_million_rows", two, {.font = "bbx-million-rows.bdf"}},
                    Row{"negative_width", two, {.font = "negative-width.bdf"}},
                    Row{"negative_height", two, {.font = "negative-height.bdf"}},
                    Row{"long_rows", two, {.font = "long-rows.bdf"}},
                    Row{"nul_in_line", two, {.font = "nul-in-line.bdf"}},
                    Row{"empty_file", two, {.font = "empty.bdf"}},
                    Row{"directory", two, {.font = "."}}),
    row_name);

// Every call of the allocation and I/O functions the program makes failing
// in turn, on a run that loads its font and writes its frame: the program
// exits 0 without a signal, and either writes nothing and ends with its
// failure message, or writes the frame of the run without failures (blank
// when the font failed, which the reader reports). In the sanitizer build a
// leak or memory error fails the run too; under a wrapper (valgrind, an
// emulator) it is left out, as the layer would count the wrapper's calls.
TEST(Display, EveryFailingCallIsReported)
{
    if (std::getenv("NORLET_RUN_WRAPPER")) GTEST_SKIP() << "the layer would count the wrapper's";
    e2e::Panel panel;
    panel.fail_call = 0;
    std::string clean = e2e::run_display(two, panel);
    long calls = std::atol(e2e::read_file(e2e::call_count_file).c_str());
    ASSERT_EQ(clean.compare(0, 7, "exit 0\n"), 0) << clean;
    ASSERT_GT(calls, 4) << "the run should make several calls";
    for (panel.fail_call = 1; panel.fail_call <= calls; ++panel.fail_call) {
        std::string record = e2e::run_display(two, panel);
        std::string out = record.substr(0, record.find("device calls:\n"));
        std::string last = out.substr(out.rfind('\n', out.size() - 2) + 1);
        bool wrote = record.find("\nwrite ") != std::string::npos;
        bool reported = last.compare(0, 7, "Dravik:") == 0;
        bool explained = out != clean.substr(0, clean.find("device calls:\n")); // the font
        bool frame_as_clean =
            record.substr(record.find("frame:")) == clean.substr(clean.find("frame:"));
        EXPECT_TRUE(record.compare(0, 7, "exit 0\n") == 0 && wrote != reported &&
                    (!wrote || frame_as_clean || explained))
            << "call " << panel.fail_call << " failing:\n"
            << record.substr(0, 800);
    }
    std::remove(e2e::call_count_file.c_str());
}

} // namespace

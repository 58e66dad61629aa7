// The display pass in process: print_string on the fake panel for each panel
// class, four lines of 21 characters. The benchmark is linked against the
// fake panel layer, whose open, ioctl, write, sync and fopen come before the
// C library's, so the pass runs unchanged: the device is /dev/null, the
// geometry comes from FAKEFB_XRES and FAKEFB_YRES, and the fonts from the
// build tree.
#include <cstdlib>
#include <string>

#include "bench_support.h"
#include "font-handler.h"

namespace
{

struct Panel {
    const char *name;
    const char *xres;
    const char *yres;
};

constexpr Panel panels[] = {
    {"132x48", "132", "48"},
    {"128x64", "128", "64"},
    {"256x128", "256", "128"},
};

// The text block main builds from four arguments of 21 characters.
const char *const four_lines = "Hello, world! 0123456\n"
                               "IP 192.168.100.200 ok\n"
                               "Temp 41 C fan 2400rpm\n"
                               "fw 1.4.2 build 202612\n";

void display_pass(benchmark::State &state, const Panel &panel)
{
    setenv("FAKEFB_XRES", panel.xres, 1);
    setenv("FAKEFB_YRES", panel.yres, 1);
    setenv("FAKEFB_FONT_DIR", NORLET_FONT_DIR, 1);
    unsetenv("FAKEFB_CAPTURE");
    unsetenv("FAKEFB_LOG");
    unsetenv("FAKEFB_FAIL");
    QuietStdout quiet;
    for (auto _ : state) {
        if (print_string(four_lines) != 0) {
            state.SkipWithError("the display pass failed");
            break;
        }
    }
}

} // namespace

int main(int argc, char **argv)
{
    for (const Panel &panel : panels)
        benchmark::RegisterBenchmark(("print_string/" + std::string(panel.name)).c_str(),
                                     display_pass, panel)
            ->Unit(benchmark::kMicrosecond);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

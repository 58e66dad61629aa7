// The font reader: loading the three device fonts, the Latin-1 ones they
// replaced and the full X11 6x12 font (4,531 glyphs); looking up every code 0
// to 255, and every character of the device set.
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "bdf-reader.h"
#include "bench_support.h"

namespace
{

struct FontFile {
    const char *name;
    std::string path;
};

const FontFile fonts[] = {
    {"6x12", std::string(NORLET_FONT_DIR) + "/6x12.bdf"},
    {"6x16", std::string(NORLET_FONT_DIR) + "/6x16.bdf"},
    {"12x32", std::string(NORLET_FONT_DIR) + "/12x32.bdf"},
    {"6x12-unicode", std::string(NORLET_BENCH_DATA_DIR) + "/6x12-unicode.bdf"},
    {"6x12-latin1", std::string(NORLET_BENCH_DATA_DIR) + "/6x12-latin1.bdf"},
    {"6x16-latin1", std::string(NORLET_BENCH_DATA_DIR) + "/6x16-latin1.bdf"},
    {"12x32-latin1", std::string(NORLET_BENCH_DATA_DIR) + "/12x32-latin1.bdf"},
};

// Every code point of fonts/device-codes.txt.
std::vector<int> device_codes()
{
    std::ifstream file(NORLET_DEVICE_CODES);
    std::vector<int> codes;
    int first, last;
    char dash;
    for (std::string line; std::getline(file, line);)
        if (std::sscanf(line.c_str(), "%x%c%x", &first, &dash, &last) == 3 && dash == '-')
            for (int code = first; code <= last; ++code)
                codes.push_back(code);
    return codes;
}

void load(benchmark::State &state, const FontFile &font)
{
    QuietStdout quiet;
    for (auto _ : state) {
        if (load_font(font.path.c_str()) != 0) {
            state.SkipWithError(("cannot load " + font.path).c_str());
            break;
        }
        release_bdf_font();
    }
}

void lookup_every_code(benchmark::State &state, const FontFile &font)
{
    int loaded;
    {
        QuietStdout quiet;
        loaded = load_font(font.path.c_str());
    }
    if (loaded != 0) state.SkipWithError(("cannot load " + font.path).c_str());
    for (auto _ : state)
        for (int code = 0; code < 256; ++code)
            benchmark::DoNotOptimize(get_bdf_char(code));
    release_bdf_font();
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * 256));
}

void lookup_device_set(benchmark::State &state, const FontFile &font)
{
    static const std::vector<int> codes = device_codes();
    int loaded;
    {
        QuietStdout quiet;
        loaded = load_font(font.path.c_str());
    }
    if (loaded != 0) state.SkipWithError(("cannot load " + font.path).c_str());
    for (auto _ : state)
        for (int code : codes)
            benchmark::DoNotOptimize(get_bdf_char(code));
    release_bdf_font();
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * codes.size()));
}

} // namespace

int main(int argc, char **argv)
{
    for (const FontFile &font : fonts)
        benchmark::RegisterBenchmark(("load_font/" + std::string(font.name)).c_str(), load, font)
            ->Unit(benchmark::kMicrosecond);
    for (const FontFile &font : fonts)
        benchmark::RegisterBenchmark(("lookup_0_255/" + std::string(font.name)).c_str(),
                                     lookup_every_code, font)
            ->Unit(benchmark::kMicrosecond);
    for (const FontFile &font : fonts)
        benchmark::RegisterBenchmark(("lookup_device_set/" + std::string(font.name)).c_str(),
                                     lookup_device_set, font)
            ->Unit(benchmark::kMicrosecond);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

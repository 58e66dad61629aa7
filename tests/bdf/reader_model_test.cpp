// The font reader against a reference reader written from its rules, on
// seeded random BDF files made from a grammar: keywords, numbers in every
// form sscanf takes, blank lines, lines long enough to cross the 4 KiB block
// the reader reads at a time, CR LF, blanks after bitmap rows, rows of too
// few or too many digits, files cut at any byte. The messages, the result,
// the metrics and every record of the table must agree.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <random>
#include <set>
#include <string>
#include <unistd.h>
#include <vector>

#include "bdf-reader.h"
#include "inject.h"
#include "reader_model.h"

namespace
{

// The grammar the files are made from.
struct Maker {
    std::mt19937_64 random;

    int64_t between(int64_t lo, int64_t hi)
    {
        return lo + int64_t(random() % uint64_t(hi - lo + 1));
    }
    bool one_in(int n) { return random() % uint64_t(n) == 0; }

    // A number in one of the forms sscanf's %d or %i reads, now and then
    // beyond the 32-bit range or not a number at all.
    std::string number(int64_t value)
    {
        switch (random() % 12) {
        case 0:
            return "+" + std::to_string(value);
        case 1:
            return "00" + std::to_string(value);
        case 2:
            return std::to_string(value) + "x";
        case 3:
            return std::to_string(value + (int64_t(1) << 32));
        case 4:
            return "99999999999";
        case 5:
            return "-";
        case 6:
            return value >= 0 ? "0x" + std::to_string(value) : std::to_string(value);
        default:
            return std::to_string(value);
        }
    }
    std::string blanks() { return one_in(4) ? "\t " : " "; }
    std::string numbers(std::initializer_list<int64_t> values)
    {
        std::string text;
        for (int64_t v : values)
            if (!one_in(25)) text += blanks() + number(v);
        return text;
    }
    // A line of filler: blank, short, or long enough to cross a block.
    std::string filler(const char *keyword)
    {
        if (one_in(3)) return "";
        return keyword + std::string(one_in(4) ? size_t(between(4000, 9000)) : 10, 'x');
    }

    std::string row(int32_t width)
    {
        int64_t digits = (width + 7) / 8 * 2;
        if (one_in(4)) digits = between(0, 17); // past what a 32-bit long holds, too
        std::string text;
        for (int64_t d = 0; d < digits; ++d)
            text += "0123456789abcdefABCDEF"[random() % 22];
        if (one_in(8)) text += one_in(2) ? "  " : "\t";
        if (one_in(40)) text += one_in(2) ? "zz" : std::string(1, '\0');
        return text;
    }

    std::string font()
    {
        std::vector<std::string> lines;
        if (one_in(4)) lines.push_back("");
        while (one_in(3))
            lines.push_back(filler("COMMENT "));
        if (!one_in(4)) lines.push_back("STARTFONT 2.1");
        int64_t width = one_in(10) ? between(-2, 20) : between(1, 16);
        int64_t height = one_in(10) ? between(-2, 34) : between(1, 30);
        int64_t x_offset = between(-3, 3), y_offset = between(-5, 2);
        if (!one_in(15))
            lines.push_back("FONTBOUNDINGBOX" + numbers({width, height, x_offset, y_offset}));
        while (one_in(3))
            lines.push_back(filler("FONT_ASCENT "));
        if (!one_in(15)) lines.push_back("ENDPROPERTIES");
        if (one_in(15)) lines.push_back(filler("COMMENT "));
        int64_t glyphs = between(0, 12);
        int64_t chars = one_in(6) ? between(-1, glyphs + 2) : glyphs;
        if (one_in(40)) chars = between(255, 257);
        lines.push_back("CHARS" + blanks() +
                        (one_in(6) ? "0x" + std::to_string(chars) : number(chars)));
        size_t header = lines.size();
        std::string box;
        int64_t rows = height, box_width = width;
        for (int64_t g = 0; g < glyphs; ++g) {
            lines.push_back("STARTCHAR g" + std::to_string(g));
            if (!one_in(10)) lines.push_back("ENCODING" + numbers({between(-1, 300)}));
            lines.push_back("DWIDTH 6 0");
            // Glyphs often repeat the last box line, or a prefix of it, or it and a digit.
            if (box.empty() || !one_in(3)) {
                rows = one_in(6) ? between(0, 40) : height;
                box_width = one_in(4) ? between(1, 16) : width;
                box = "BBX" + numbers({box_width, rows, between(-18, 18) / (one_in(3) ? 1 : 9),
                                       between(-6, 4)});
            } else if (one_in(2)) {
                box =
                    one_in(2) ? box.substr(0, size_t(between(3, int64_t(box.size())))) : box + "5";
            }
            if (!one_in(10)) lines.push_back(box);
            lines.push_back("BITMAP");
            for (int64_t r = 0; r < rows; ++r)
                lines.push_back(row(int32_t(box_width)));
            if (one_in(30)) lines.push_back(filler("SWIDTH "));
            lines.push_back(one_in(40) ? "ENDCHARS" : "ENDCHAR");
        }
        if (!one_in(10)) lines.push_back("ENDFONT");
        std::string file;
        bool crlf = one_in(4);
        // Now and then a line made long by blanks after it, which every
        // keyword and row line allows: it crosses a block of the reader.
        for (size_t i = 0; i < lines.size(); ++i)
            file +=
                lines[i] +
                (one_in(i < header ? 8 : 60) ? std::string(size_t(between(4000, 9000)), ' ') : "") +
                (crlf || one_in(50) ? "\r\n" : "\n");
        if (one_in(8)) file.pop_back();
        if (one_in(5)) file.resize(size_t(between(0, int64_t(file.size()))));
        return file;
    }
};

TEST(ReaderModel, GeneratedFontsReadAsTheReferenceReadsThem)
{
    std::string path = testing::TempDir() + "norlet-model-" + std::to_string(getpid()) + ".bdf";
    for (uint64_t seed = 1; seed <= 2500; ++seed) {
        Maker maker{std::mt19937_64(seed)};
        std::string file = maker.font();
        std::ofstream(path, std::ios::binary) << file;
        reader_model::Reference r;
        // Each load starts from the metrics the last one left, as the reader
        // keeps them, and over the table it left, which it must free.
        r.font = BdfFont{current_font.height,   current_font.width,       current_font.x_offset,
                         current_font.y_offset, current_font.glyph_count, nullptr};
        r.out = "BDF Font debug: Load font. File - " + path + "\n";
        int expected = reader_model::reference_load(r, file);
        testing::internal::CaptureStdout();
        int result = load_font(path.c_str());
        std::string out = testing::internal::GetCapturedStdout();
        std::string ours = reader_model::shown(result, out, current_font, current_font.glyphs,
                                               r.has_table ? r.table.size() : 0);
        ASSERT_EQ(ours, reader_model::shown(expected, r)) << "seed " << seed << ", file:\n"
                                                          << file.substr(0, 3000);
    }
    release_bdf_font();
    std::remove(path.c_str());
}

// Every call the reader makes of malloc, realloc, fopen and fread failing in
// turn, on a font that takes several blocks and a grown buffer: the load
// reports failure, prints one of its failure messages last and keeps no
// table; LeakSanitizer sees that nothing leaks, and no file stays open.
TEST(ReaderModel, EveryFailingCallFailsTheLoad)
{
    std::string path = testing::TempDir() + "norlet-fail-" + std::to_string(getpid()) + ".bdf";
    std::string font = "COMMENT " + std::string(9000, 'x') +
                       "\nFONTBOUNDINGBOX 6 12 0 -2\nENDPROPERTIES\nCHARS 300\n";
    for (int g = 0; g < 300; ++g)
        font += "ENCODING " + std::to_string(g) + "\nBBX 6 2 0 -2\nBITMAP\nF8\n70\nENDCHAR\n";
    std::ofstream(path, std::ios::binary) << font + "ENDFONT\n";
    const std::set<std::string> endings = {
        "Failed to open font file - " + path + "\n",
        "Failed to allocate memory for line\n",
        "BDF Font: could not allocate space for glyhs. Error - 12\n",
        "BDF-Font: Failed to read font file header\n",
        "BDF-Font: Failed to read font file\n",
        "BDF-Font: Font file is invalid format\n"};
    int descriptors = reader_model::open_descriptors();
    testing::internal::CaptureStdout();
    inject::arm(0);
    int loaded = load_font(path.c_str());
    long calls = inject::disarm();
    testing::internal::GetCapturedStdout();
    ASSERT_EQ(loaded, 0);
    ASSERT_GT(calls, 5) << "the font should take several reads and a grown buffer";
    for (long n = 1; n <= calls; ++n) {
        testing::internal::CaptureStdout();
        inject::arm(n);
        int result = load_font(path.c_str());
        inject::disarm();
        std::string out = testing::internal::GetCapturedStdout();
        std::string last = out.substr(out.rfind('\n', out.size() - 2) + 1);
        EXPECT_TRUE(inject::fired() && result == 1 && !current_font.glyphs && endings.count(last))
            << "call " << n << " failing: result " << result << ", output\n"
            << out;
    }
    release_bdf_font();
    std::remove(path.c_str());
    EXPECT_EQ(reader_model::open_descriptors(), descriptors) << "a failed load left a file open";
}

} // namespace

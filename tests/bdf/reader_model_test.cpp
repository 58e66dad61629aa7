// The font reader against a reference reader written from its rules, on
// seeded random BDF files made from a grammar: keywords, numbers in every
// form sscanf takes, blank lines, lines long enough to cross the 4 KiB block
// the reader reads at a time, CR LF, blanks after bitmap rows, rows of too
// few or too many digits, files cut at any byte. The messages, the result,
// the metrics and every record of the table must agree.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <cstdlib>
#include <fstream>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <unistd.h>
#include <vector>

#include "bdf-reader.h"
#include "inject.h"

namespace
{

// ---- The reference reader ----

struct Reference {
    BdfFont font{};
    std::vector<BdfGlyph> table;
    bool has_table = false;
    std::string out;
};

bool starts(const std::string &line, const char *keyword)
{
    return line.compare(0, std::strlen(keyword), keyword) == 0;
}

// Up to count numbers after the keyword, as sscanf's "%*s %d ..." reads them.
void scan(const std::string &line, int32_t *values, int count)
{
    int v[4] = {values[0], count > 1 ? values[1] : 0, count > 2 ? values[2] : 0,
                count > 3 ? values[3] : 0};
    std::sscanf(line.c_str(), "%*s %d %d %d %d", &v[0], &v[1], &v[2], &v[3]);
    std::copy(v, v + count, values);
}

uint16_t shifted(uint32_t word, int64_t right)
{
    if (right >= 16 || right <= -16) return 0;
    return uint16_t(right >= 0 ? word >> right : word << -right);
}

// A bitmap row: strtol's value, low 16 bits, moved to the cell's left edge
// when its digits (the line less trailing blanks) are fewer than the cell.
uint16_t row_word(const std::string &line, int32_t width)
{
    auto word = uint16_t(std::strtol(line.c_str(), nullptr, 16));
    size_t digits = line.find_last_not_of(" \t\n\v\f\r") + 1; // npos + 1 is 0
    int64_t padded = (int64_t(width) + 7) / 8 * 8;
    return 4 * int64_t(digits) >= width ? word : shifted(word, -(padded - 4 * int64_t(digits)));
}

// The file's lines: split at line feeds; a last piece without one counts.
std::vector<std::string> lines_of(const std::string &file)
{
    std::vector<std::string> lines;
    size_t at = 0;
    for (size_t feed; (feed = file.find('\n', at)) != std::string::npos; at = feed + 1)
        lines.push_back(file.substr(at, feed - at));
    if (at < file.size()) lines.push_back(file.substr(at));
    return lines;
}

int fail(Reference &r, const char *message)
{
    r.out += message;
    r.has_table = false;
    return 1;
}

int glyphs(Reference &r, const std::vector<std::string> &lines, size_t i)
{
    int32_t box[4] = {0, 0, 0, 0};
    int32_t completed = 0;
    BdfFont &f = r.font;
    while (i < lines.size()) {
        std::string line = lines[i++];
        BdfGlyph *g = completed < f.glyph_count ? &r.table[size_t(completed)] : nullptr;
        if (starts(line, "ENCODING") && g) scan(line, &g->encoding, 1);
        if (starts(line, "BBX")) scan(line, box, 4);
        if (starts(line, "BITMAP")) {
            if (g) std::fill(std::begin(g->rows), std::end(g->rows), 0);
            int64_t first = int64_t(f.height) - box[1] - (int64_t(box[3]) - f.y_offset);
            int64_t kept = g ? std::min<int64_t>(f.height, 60) : 0;
            for (int64_t l = 0; l < box[1]; ++l) {
                if (i == lines.size()) return fail(r, "BDF-Font: Failed to read font file\n");
                line = lines[i++];
                int64_t row = first + l;
                if (row >= 0 && row < kept)
                    g->rows[row] = shifted(row_word(line, f.width), int64_t(box[2]) - f.x_offset);
            }
        }
        if (starts(line, "ENDCHAR") && ++completed > f.glyph_count) {
            r.out += "BDF-Font: Error more characters in font file than declared in header.\n"
                     "\tMapped " +
                     std::to_string(f.glyph_count) + " characters\n";
            return 0;
        }
        if (starts(line, "ENDFONT")) return 0;
    }
    return fail(r, "BDF-Font: Failed to read font file\n");
}

int reference_load(Reference &r, const std::string &file)
{
    std::vector<std::string> lines = lines_of(file);
    BdfFont &f = r.font;
    size_t i = 0;
    for (;; ++i) {
        if (i == lines.size()) return fail(r, "BDF-Font: Failed to read font file header\n");
        if (starts(lines[i], "FONTBOUNDINGBOX")) {
            int32_t cell[4] = {f.width, f.height, f.x_offset, f.y_offset};
            scan(lines[i], cell, 4);
            f.width = cell[0], f.height = cell[1], f.x_offset = cell[2], f.y_offset = cell[3];
            if (f.height > 30 || f.width > 16)
                return fail(r, "BDF-Font: Invalid font dimensions\n");
        }
        if (starts(lines[i], "ENDPROPERTIES")) break;
    }
    if (++i == lines.size()) return fail(r, "BDF-Font: Failed to read font file\n");
    if (!starts(lines[i], "CHARS")) return fail(r, "BDF-Font: Font file is invalid format\n");
    std::sscanf(lines[i].c_str(), "%*s %i", &f.glyph_count);
    if (f.glyph_count < 0 || f.glyph_count > 0x110000)
        return fail(r, "BDF Font: could not allocate space for glyhs. Error - 12\n");
    r.table.assign(size_t(std::max(f.glyph_count, 1)), BdfGlyph{-1, {}});
    r.has_table = true;
    r.out += "BDF Font debug: Values width - " + std::to_string(f.width) + ", height - " +
             std::to_string(f.height) + ", number of chars - " + std::to_string(f.glyph_count) +
             "\n";
    if (f.glyph_count > 256)
        r.out +=
            "BDF Font: Large number of chars to be read - " + std::to_string(f.glyph_count) + "\n";
    return glyphs(r, lines, i + 1);
}

// ---- The grammar ----

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
        if (one_in(4)) digits = between(0, 6);
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
        for (int64_t g = 0; g < glyphs; ++g) {
            lines.push_back("STARTCHAR g" + std::to_string(g));
            if (!one_in(10)) lines.push_back("ENCODING" + numbers({between(-1, 300)}));
            lines.push_back("DWIDTH 6 0");
            int64_t rows = one_in(6) ? between(0, 40) : height;
            int64_t box_width = one_in(4) ? between(1, 16) : width;
            if (!one_in(10))
                lines.push_back("BBX" +
                                numbers({box_width, rows, between(-18, 18) / (one_in(3) ? 1 : 9),
                                         between(-6, 4)}));
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

std::string records(const BdfGlyph *table, size_t count)
{
    std::ostringstream out;
    for (size_t i = 0; table && i < count; ++i) {
        out << i << ": " << table[i].encoding;
        for (uint16_t row : table[i].rows)
            out << ' ' << row;
        out << '\n';
    }
    return out.str();
}

std::string metrics(const BdfFont &f, bool table)
{
    return std::to_string(f.width) + " x " + std::to_string(f.height) + ", offsets " +
           std::to_string(f.x_offset) + " " + std::to_string(f.y_offset) + ", chars " +
           std::to_string(f.glyph_count) + (table ? ", table" : ", no table");
}

TEST(ReaderModel, GeneratedFontsReadAsTheReferenceReadsThem)
{
    std::string path = testing::TempDir() + "norlet-model-" + std::to_string(getpid()) + ".bdf";
    for (uint64_t seed = 1; seed <= 2500; ++seed) {
        Maker maker{std::mt19937_64(seed)};
        std::string file = maker.font();
        std::ofstream(path, std::ios::binary) << file;
        Reference r;
        // Each load starts from the metrics the last one left, as the reader
        // keeps them, and over the table it left, which it must free.
        r.font = BdfFont{current_font.height,   current_font.width,       current_font.x_offset,
                         current_font.y_offset, current_font.glyph_count, nullptr};
        r.out = "BDF Font debug: Load font. File - " + path + "\n";
        int expected = reference_load(r, file);
        testing::internal::CaptureStdout();
        int result = load_font(path.c_str());
        std::string out = testing::internal::GetCapturedStdout();
        bool table = current_font.glyphs != nullptr;
        size_t count = r.has_table ? r.table.size() : 0;
        std::string ours = std::to_string(result) + "\n" + out + metrics(current_font, table) +
                           "\n" + records(current_font.glyphs, count);
        std::string theirs = std::to_string(expected) + "\n" + r.out +
                             metrics(r.font, r.has_table) + "\n" +
                             records(r.has_table ? r.table.data() : nullptr, count);
        ASSERT_EQ(ours, theirs) << "seed " << seed << ", file:\n" << file.substr(0, 3000);
    }
    release_bdf_font();
    std::remove(path.c_str());
}

// Every call the reader makes of malloc, realloc, fopen and fread failing in
// turn, on a font that takes several blocks and a grown buffer: the load
// reports failure, prints one of its failure messages last and keeps no
// table; LeakSanitizer sees that nothing leaks.
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
}

} // namespace

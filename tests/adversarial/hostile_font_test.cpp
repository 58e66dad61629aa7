// Font files written to break the reader: counts past the int range, a
// bitmap of a million rows, negative cells, endless digits, a 1 MiB line, a
// NUL byte, a directory and an empty file. Each must load or fail cleanly,
// with its message, leaving either a sound table or none.
#include <gtest/gtest.h>

#include <cctype>
#include <cstdio>
#include <dirent.h>
#include <string>
#include <vector>

#include "bdf-reader.h"
#include "font.h"
#include "mmap.h"

namespace
{

const std::string fixtures = NORLET_ADVERSARIAL_FIXTURES;

struct Load {
    int result;
    std::string out;
};

Load load(const std::string &path)
{
    testing::internal::CaptureStdout();
    int result = load_font(path.c_str());
    return {result, testing::internal::GetCapturedStdout()};
}

std::string echo(const std::string &path)
{
    return "BDF Font debug: Load font. File - " + path + "\n";
}

std::string temp_path(const char *name)
{
    return testing::TempDir() + "norlet-hostile-" + name;
}

void write_file(const std::string &path, const std::string &bytes)
{
    FILE *file = std::fopen(path.c_str(), "wb");
    ASSERT_NE(file, nullptr) << path;
    ASSERT_EQ(std::fwrite(bytes.data(), 1, bytes.size(), file), bytes.size());
    std::fclose(file);
}

std::string header(const std::string &bounding_box, const std::string &chars)
{
    return "STARTFONT 2.1\nFONTBOUNDINGBOX " + bounding_box +
           "\nSTARTPROPERTIES 1\nFONT_ASCENT 10\nENDPROPERTIES\nCHARS " + chars + "\n";
}

// Row words 0 .. 11 of a glyph, e.g. "0000 ... 00F8"; "none" without one.
std::string rows_of(int code)
{
    const BdfGlyph *glyph = get_bdf_char(code);
    if (!glyph) return "none";
    std::string words;
    char hex[8];
    for (int row = 0; row < 12; ++row) {
        std::snprintf(hex, sizeof hex, "%s%04X", row ? " " : "", glyph->rows[row]);
        words += hex;
    }
    return words;
}

int open_descriptors()
{
    int count = 0;
    if (DIR *dir = opendir("/proc/self/fd")) {
        while (readdir(dir))
            ++count;
        closedir(dir);
    }
    return count;
}

class HostileFont : public testing::Test
{
  protected:
    void SetUp() override { current_font = {}; }
    void TearDown() override { release_bdf_font(); }
};

// ---- CHARS values no table can hold ----

class ImpossibleCharsCount : public HostileFont, public testing::WithParamInterface<const char *>
{
};

TEST_P(ImpossibleCharsCount, RefusedAsAllocationFailure)
{
    std::string path = fixtures + "/" + GetParam();
    Load outcome = load(path);
    EXPECT_EQ(outcome.result, 1);
    EXPECT_EQ(outcome.out,
              echo(path) + "BDF Font: could not allocate space for glyhs. Error - 12\n");
    EXPECT_EQ(current_font.glyphs, nullptr);
    EXPECT_EQ(get_bdf_char('A'), nullptr);
}

// "chars-int-max.bdf" is named CharsIntMax in test listings.
std::string fixture_name(const testing::TestParamInfo<const char *> &info)
{
    std::string name;
    bool upper = true;
    for (const char *c = info.param; *c && *c != '.'; ++c) {
        if (*c == '-') {
            upper = true;
            continue;
        }
        name += upper ? static_cast<char>(std::toupper(static_cast<unsigned char>(*c))) : *c;
        upper = false;
    }
    return name;
}

INSTANTIATE_TEST_SUITE_P(Fixtures, ImpossibleCharsCount,
                         testing::Values("chars-int-max.bdf", "chars-past-int.bdf",
                                         "chars-minus-one.bdf"),
                         fixture_name);

// ---- Bitmaps ----

TEST_F(HostileFont, AMillionRowBitmapThatRunsOutOfLinesFailsAndFreesTheTable)
{
    std::string path = fixtures + "/bbx-million-rows.bdf";
    Load outcome = load(path);
    EXPECT_EQ(outcome.result, 1);
    EXPECT_EQ(outcome.out,
              echo(path) + "BDF Font debug: Values width - 6, height - 12, number of chars - 2\n"
                           "BDF-Font: Failed to read font file\n");
    EXPECT_EQ(current_font.glyphs, nullptr);
}

TEST_F(HostileFont, AMillionRowBitmapKeepsOnlyItsBottomRowsInTheCell)
{
    // Row lines count up in hex so that the rows kept show which lines
    // they were: the last twelve, 999988 .. 999999, whose low 16 bits are
    // 4234 .. 423F.
    std::string font = header("16 12 0 0", "2") + "ENCODING 65\nBBX 16 1000000 0 0\nBITMAP\n";
    char line[16];
    for (int i = 0; i < 1000000; ++i) {
        std::snprintf(line, sizeof line, "%04X\n", i & 0xFFFF);
        font += line;
    }
    font += "ENDCHAR\nENCODING 66\nBBX 16 1 0 0\nBITMAP\nABCD\nENDCHAR\nENDFONT\n";
    std::string path = temp_path("million.bdf");
    write_file(path, font);
    Load outcome = load(path);
    std::remove(path.c_str());
    ASSERT_EQ(outcome.result, 0) << outcome.out;
    EXPECT_EQ(rows_of('A'), "4234 4235 4236 4237 4238 4239 423A 423B 423C 423D 423E 423F");
    EXPECT_EQ(rows_of('B'), "0000 0000 0000 0000 0000 0000 0000 0000 0000 0000 0000 ABCD")
        << "the reader stays in step after the long glyph";
}

TEST_F(HostileFont, RowsOfAHundredDigitsSaturateToAFullOrAnEmptyWord)
{
    ASSERT_EQ(load(fixtures + "/long-rows.bdf").result, 0);
    EXPECT_EQ(rows_of('A'), "0000 0000 0000 0000 0000 0000 0000 0000 FFFF 0000 0000 0000")
        << "100 F digits read as the largest number, 100 negative digits as the smallest";
}

TEST_F(HostileFont, AOneMebibyteLineIsReadWhole)
{
    // A 1 MiB comment in the header and a row line padded to 1 MiB with
    // leading blanks, which the hexadecimal reading skips.
    std::string font = "COMMENT " + std::string(1 << 20, 'x') + "\n" + header("6 12 0 -2", "1") +
                       "ENCODING 65\nBBX 6 1 0 -2\nBITMAP\n" + std::string(1 << 20, ' ') +
                       "F8\nENDCHAR\nENDFONT\n";
    std::string path = temp_path("long-line.bdf");
    write_file(path, font);
    Load outcome = load(path);
    std::remove(path.c_str());
    ASSERT_EQ(outcome.result, 0) << outcome.out;
    EXPECT_EQ(rows_of('A'), "0000 0000 0000 0000 0000 0000 0000 0000 0000 0000 0000 00F8");
}

TEST_F(HostileFont, ANulByteEndsANumberButNotItsLine)
{
    // "ENCODING 65<NUL> 66" is glyph 65; the row "8<NUL>" reads 8 with two
    // digits; a line starting with NUL is no keyword.
    ASSERT_EQ(load(fixtures + "/nul-in-line.bdf").result, 0);
    EXPECT_EQ(rows_of('A'), "0000 0000 0000 0000 0000 0000 0000 0000 0008 00F8 0000 0000");
    EXPECT_EQ(rows_of('B'), "0000 0000 0000 0000 0000 0000 0000 0000 0000 00F8 0000 0000");
}

// ---- Cells without a size ----

TEST_F(HostileFont, ANegativeCellWidthLoadsAndDrawsNothing)
{
    ASSERT_EQ(load(fixtures + "/negative-width.bdf").result, 0);
    EXPECT_EQ(current_font.width, -6);
    std::vector<uint8_t> frame(16 * 16 / 8, 0xFF);
    Canvas canvas = {frame.data(), 16, 16, 3, 4};
    font_putc(&canvas, 'A');
    EXPECT_EQ(frame, std::vector<uint8_t>(32, 0xFF)) << "no pixel drawn";
    EXPECT_EQ(canvas.cursor_x, 3);
    EXPECT_EQ(canvas.cursor_y, 4);
}

TEST_F(HostileFont, ANegativeCellHeightDrawsNothingAndANewlineOnlyReturnsLeft)
{
    ASSERT_EQ(load(fixtures + "/negative-height.bdf").result, 0);
    EXPECT_EQ(current_font.height, -12);
    std::vector<uint8_t> frame(16 * 16 / 8, 0xFF);
    Canvas canvas = {frame.data(), 16, 16, 0, 4};
    font_putc(&canvas, 'A');
    EXPECT_EQ(frame, std::vector<uint8_t>(32, 0xFF)) << "no pixel drawn";
    EXPECT_EQ(canvas.cursor_x, 6) << "the cursor still moves along the row";
    font_putc(&canvas, '\n');
    EXPECT_EQ(canvas.cursor_x, 0);
    EXPECT_EQ(canvas.cursor_y, 4);
}

// ---- Files that are not fonts ----

TEST_F(HostileFont, ADirectoryIsReportedAsAMissingHeaderAndLeaksNoDescriptor)
{
    int before = open_descriptors();
    Load outcome = load(fixtures);
    EXPECT_EQ(outcome.result, 1);
    EXPECT_EQ(outcome.out, echo(fixtures) + "BDF-Font: Failed to read font file header\n");
    EXPECT_EQ(open_descriptors(), before);
}

TEST_F(HostileFont, AnEmptyFileIsReportedAsAMissingHeader)
{
    std::string path = fixtures + "/empty.bdf";
    Load outcome = load(path);
    EXPECT_EQ(outcome.result, 1);
    EXPECT_EQ(outcome.out, echo(path) + "BDF-Font: Failed to read font file header\n");
    EXPECT_EQ(current_font.glyphs, nullptr);
}

} // namespace

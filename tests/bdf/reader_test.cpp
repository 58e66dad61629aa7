// The font reader on small hand-written fonts: messages, the sections of the
// file, and where each glyph's pixels land in the cell.
#include "bdf-test-support.h"

namespace
{

const std::string two_glyphs = glyph_text(65, "6 1 0 -2", {"F8"}) + glyph_text(66, "6 0 0 -2", {});

std::string debug_lines(const std::string &path, int width, int height, int count)
{
    return "BDF Font debug: Load font. File - " + path + "\nBDF Font debug: Values width - " +
           std::to_string(width) + ", height - " + std::to_string(height) + ", number of chars - " +
           std::to_string(count) + "\n";
}

using FileSections = BdfTest;

TEST_F(FileSections, GoodFontPrintsOnlyTheTwoDebugLines)
{
    std::string path = temp_font_path();
    write_file(path, font_header("6 12 0 -2", "2") + two_glyphs + "ENDFONT\n");
    LoadOutcome outcome = load_capturing(path.c_str());
    std::remove(path.c_str());
    EXPECT_EQ(outcome.result, 0);
    EXPECT_EQ(outcome.output, debug_lines(path, 6, 12, 2));
    EXPECT_EQ(current_font.x_offset, 0);
    EXPECT_EQ(current_font.y_offset, -2);
}

TEST_F(FileSections, NullAndMissingPathsAreRefusedByName)
{
    LoadOutcome null_path = load_capturing(nullptr);
    EXPECT_EQ(null_path.result, 1);
    EXPECT_EQ(null_path.output,
              "BDF Font debug: Load font. File - (null)\nInvalid font file name\n");
    LoadOutcome missing = load_capturing("/nonexistent/6x12.bdf");
    EXPECT_EQ(missing.result, 1);
    EXPECT_EQ(missing.output, "BDF Font debug: Load font. File - /nonexistent/6x12.bdf\n"
                              "Failed to open font file - /nonexistent/6x12.bdf\n");
}

// Each broken file and the last line the load prints for it.
struct BrokenFile {
    const char *what;
    std::string text;
    std::string message;
};

TEST_F(FileSections, BrokenFilesFailWithTheirMessageAndLeaveNoTable)
{
    const std::string glyphs = two_glyphs + "ENDFONT\n";
    const std::vector<BrokenFile> files = {
        {"no ENDPROPERTIES", "STARTFONT 2.1\nFONTBOUNDINGBOX 6 12 0 -2\nCHARS 2\n" + glyphs,
         "BDF-Font: Failed to read font file header\n"},
        {"blank line before CHARS",
         "FONTBOUNDINGBOX 6 12 0 -2\nENDPROPERTIES\n\nCHARS 2\n" + glyphs,
         "BDF-Font: Font file is invalid format\n"},
        {"comment before CHARS",
         "FONTBOUNDINGBOX 6 12 0 -2\nENDPROPERTIES\nCOMMENT x\nCHARS 2\n" + glyphs,
         "BDF-Font: Font file is invalid format\n"},
        {"end after ENDPROPERTIES", "FONTBOUNDINGBOX 6 12 0 -2\nENDPROPERTIES\n",
         "BDF-Font: Failed to read font file\n"},
        {"no ENDFONT", font_header("6 12 0 -2", "2") + two_glyphs,
         "BDF-Font: Failed to read font file\n"},
        {"end inside a bitmap", font_header("6 12 0 -2", "1") + "BBX 6 3 0 -2\nBITMAP\nF8\n",
         "BDF-Font: Failed to read font file\n"},
        {"17 wide", font_header("17 30 0 -2", "2") + glyphs, "BDF-Font: Invalid font dimensions\n"},
        {"31 high", font_header("16 31 0 -2", "2") + glyphs, "BDF-Font: Invalid font dimensions\n"},
        {"12 x 32 cell", font_header("12 32 0 -2", "2") + glyphs,
         "BDF-Font: Invalid font dimensions\n"},
        {"negative CHARS", font_header("6 12 0 -2", "-1") + glyphs,
         "BDF Font: could not allocate space for glyhs. Error - 12\n"},
        {"CHARS of 2^32 - 1", font_header("6 12 0 -2", "4294967295") + glyphs,
         "BDF Font: could not allocate space for glyhs. Error - 12\n"},
        {"CHARS too big to allocate", font_header("6 12 0 -2", "2147483647") + glyphs,
         "BDF Font: could not allocate space for glyhs. Error - 12\n"},
    };
    for (const BrokenFile &file : files) {
        LoadOutcome outcome = load_text(file.text);
        EXPECT_EQ(outcome.result, 1) << file.what;
        size_t last_line_start = outcome.output.rfind('\n', outcome.output.size() - 2) + 1;
        std::string last_line = outcome.output.substr(last_line_start);
        EXPECT_EQ(last_line, file.message) << file.what;
        EXPECT_EQ(current_font.glyphs, nullptr) << file.what << ": a failed load keeps no table";
        EXPECT_EQ(get_bdf_char('A'), nullptr) << file.what;
    }
}

TEST_F(FileSections, LargestCellIsAcceptedAndLaterBoundingBoxIgnored)
{
    LoadOutcome outcome = load_text(font_header("16 30 0 -2", "1") + "FONTBOUNDINGBOX 17 31 0 0\n" +
                                    glyph_text(65, "16 0 0 -2", {}) + "ENDFONT\n");
    EXPECT_EQ(outcome.result, 0) << outcome.output;
    EXPECT_EQ(current_font.width, 16);
    EXPECT_EQ(current_font.height, 30);
}

TEST_F(FileSections, CharsIsReadInDecimalHexAndOctal)
{
    const std::vector<std::pair<std::string, int>> counts = {
        {"0x10", 16}, {"010", 8}, {"300", 300}};
    for (const auto &[written, count] : counts) {
        LoadOutcome outcome =
            load_text(font_header("6 12 0 -2", written) + two_glyphs + "ENDFONT\n");
        EXPECT_EQ(outcome.result, 0) << written;
        EXPECT_EQ(current_font.glyph_count, count) << "CHARS " << written;
        bool warned = outcome.output.find("BDF Font: Large number of chars to be read - 300\n") !=
                      std::string::npos;
        EXPECT_EQ(warned, count > 256) << outcome.output;
        release_bdf_font();
    }
}

using GlyphTable = BdfTest;

TEST_F(GlyphTable, GlyphsBeyondTheDeclaredCountAreNotStored)
{
    LoadOutcome outcome = load_text(font_header("6 12 0 -2", "2") + two_glyphs +
                                    glyph_text(67, "6 1 0 -2", {"FC"}) + "ENDFONT\n");
    EXPECT_EQ(outcome.result, 0);
    EXPECT_NE(outcome.output.find("BDF-Font: Error more characters in font file than declared in "
                                  "header.\n\tMapped 2 characters\n"),
              std::string::npos)
        << outcome.output;
    EXPECT_NE(get_bdf_char('A'), nullptr);
    EXPECT_NE(get_bdf_char('B'), nullptr);
    EXPECT_EQ(get_bdf_char('C'), nullptr) << "the third glyph must be stored nowhere";
}

TEST_F(GlyphTable, ZeroCharsMapsNothing)
{
    LoadOutcome outcome = load_text(font_header("6 12 0 -2", "0") + two_glyphs);
    EXPECT_EQ(outcome.result, 0);
    EXPECT_NE(outcome.output.find("\tMapped 0 characters\n"), std::string::npos) << outcome.output;
    EXPECT_EQ(get_bdf_char('A'), nullptr);
}

TEST_F(GlyphTable, UnfilledRecordsAreClearAndNeverFound)
{
    // Four declared, one without ENCODING, one complete, two missing.
    std::string no_encoding = "STARTCHAR x\nBBX 6 1 0 -2\nBITMAP\nFC\nENDCHAR\n";
    LoadOutcome outcome = load_text(font_header("6 12 0 -2", "4") + no_encoding +
                                    glyph_text(65, "6 1 0 -2", {"F8"}) + "ENDFONT\n");
    ASSERT_EQ(outcome.result, 0) << outcome.output;
    EXPECT_EQ(current_font.glyph_count, 4);
    EXPECT_EQ(current_font.glyphs[1].encoding, 65);
    for (int key = -1; key < 256; ++key) {
        if (key == 65) continue;
        EXPECT_EQ(get_bdf_char(key), nullptr) << "key " << key;
    }
    for (int record : {2, 3})
        for (uint16_t row : current_font.glyphs[record].rows)
            ASSERT_EQ(row, 0) << "record " << record << " must start clear";
}

TEST_F(GlyphTable, FirstOfTwoEqualEncodingsWins)
{
    load_text(font_header("6 12 0 -2", "2") + glyph_text(65, "6 1 0 9", {"F8"}) +
              glyph_text(65, "6 1 0 9", {"04"}) + "ENDFONT\n");
    EXPECT_EQ(row_words('A', 1), "00F8");
}

TEST_F(GlyphTable, ReleaseLeavesMetricsAndNoTable)
{
    load_text(font_header("6 12 0 -2", "2") + two_glyphs + "ENDFONT\n");
    release_bdf_font();
    EXPECT_EQ(get_bdf_char('A'), nullptr);
    EXPECT_EQ(current_font.height, 12);
    release_bdf_font(); // nothing left to free
}

TEST_F(GlyphTable, ALoadOverAnUnreleasedTableFreesItFirst)
{
    // The leak checker of the sanitizer build fails the run if the first
    // table is lost.
    load_text(font_header("6 12 0 -2", "2") + two_glyphs + "ENDFONT\n");
    ASSERT_NE(get_bdf_char('A'), nullptr);
    load_text(font_header("6 12 0 -2", "2") + two_glyphs + "ENDFONT\n");
    EXPECT_NE(get_bdf_char('A'), nullptr);
}

using BitmapRows = BdfTest;

TEST_F(BitmapRows, ShortRowsAreLeftAlignedInTheCell)
{
    // Bottom-aligned three-row bitmaps, one per cell width.
    load_text(font_header("6 3 0 0", "1") + glyph_text(65, "6 3 0 0", {"F8", "FC", "8"}) +
              "ENDFONT\n");
    EXPECT_EQ(row_words('A', 3), "00F8 00FC 0080");
    release_bdf_font();
    load_text(font_header("12 3 0 0", "1") + glyph_text(65, "12 3 0 0", {"FFF0", "F8", "FFF"}) +
              "ENDFONT\n");
    EXPECT_EQ(row_words('A', 3), "FFF0 F800 0FFF");
    release_bdf_font();
    load_text(font_header("16 2 0 0", "1") + glyph_text(65, "16 2 0 0", {"FF", "1234"}) +
              "ENDFONT\n");
    EXPECT_EQ(row_words('A', 2), "FF00 1234");
}

TEST_F(BitmapRows, WhiteSpaceAtTheLineEndIsNotADigit)
{
    // A 12-wide cell: a two-digit row is left-aligned, so a blank counted as
    // a digit would leave the glyph 8 columns to the right.
    const std::string font =
        font_header("12 3 0 0", "1") + glyph_text(65, "12 3 0 0", {"F0", "81", "FFF"});
    for (const char *end : {" ", "\t", " \t ", "\r"}) {
        std::string text;
        for (char c : font)
            text += c == '\n' ? end + std::string("\n") : std::string(1, c);
        LoadOutcome outcome = load_text(text + "ENDFONT\n");
        ASSERT_EQ(outcome.result, 0) << outcome.output;
        EXPECT_EQ(row_words('A', 3), "F000 8100 0FFF")
            << "blanks before the line end: [" << end << "]";
        release_bdf_font();
    }
}

TEST_F(BitmapRows, FullCellGlyphKeepsEveryRow)
{
    std::vector<std::string> rows = {"80", "40", "20", "10", "08", "04",
                                     "08", "10", "20", "40", "80", "FC"};
    load_text(font_header("6 12 0 -2", "1") + glyph_text(65, "6 12 0 -2", rows) + "ENDFONT\n");
    EXPECT_EQ(cell_art('A'), "#.....\n.#....\n..#...\n...#..\n....#.\n.....#\n"
                             "....#.\n...#..\n..#...\n.#....\n#.....\n######\n");
}

TEST_F(BitmapRows, SmallGlyphMovesByItsOffsets)
{
    load_text(font_header("6 12 0 -2", "1") + glyph_text(65, "2 2 2 0", {"C0", "C0"}) +
              "ENDFONT\n");
    EXPECT_EQ(row_words('A', 12), "0000 0000 0000 0000 0000 0000 0000 0000 0030 0030 0000 0000");
}

TEST_F(BitmapRows, GlyphOffsetsInEveryDirectionAgainstAnOffsetCell)
{
    LoadOutcome outcome = load_capturing(NORLET_SOURCE_DIR "/tests/fixtures/bdf/offsets.bdf");
    ASSERT_EQ(outcome.result, 0) << outcome.output;
    const std::string blank = "........\n";
    auto rows = [&](int clear_above, const std::string &art, int clear_below) {
        std::string cell;
        for (int i = 0; i < clear_above; ++i)
            cell += blank;
        cell += art;
        for (int i = 0; i < clear_below; ++i)
            cell += blank;
        return cell;
    };
    EXPECT_EQ(cell_art('a'), rows(8, "##......\n##......\n", 0)) << "at the cell's corner";
    EXPECT_EQ(cell_art('b'), rows(1, "....##..\n.....#..\n", 7)) << "moved right and up";
    EXPECT_EQ(cell_art('c'), rows(9, "#.......\n", 0)) << "cut at the left edge";
    EXPECT_EQ(cell_art('d'), rows(0, ".......#\n", 9)) << "cut at the right edge and the top";
    EXPECT_EQ(cell_art('e'), rows(9, "########\n", 0)) << "cut at the bottom";
}

TEST_F(BitmapRows, MovesOfACellOrMoreLeaveItClear)
{
    load_text(font_header("6 12 0 -2", "3") + glyph_text(65, "6 1 0 10", {"FC"}) +
              glyph_text(66, "6 1 -16 -2", {"FC"}) + glyph_text(67, "6 1 16 -2", {"FC"}) +
              "ENDFONT\n");
    for (int key : {'A', 'B', 'C'}) {
        std::string art = cell_art(key);
        EXPECT_EQ(art.find('#'), std::string::npos) << char(key) << " should be blank:\n" << art;
    }
}

TEST_F(BitmapRows, RowsOutsideTheCellAreConsumedNotStored)
{
    // Taller than the cell; no rows at all; then a plain glyph to show the
    // reader is still in step.
    std::vector<std::string> tall(14, "FC");
    tall.front() = "84";
    load_text(font_header("6 12 0 -2", "3") + glyph_text(65, "6 14 0 -2", tall) +
              glyph_text(66, "6 0 0 -2", {}) + glyph_text(67, "6 1 0 -2", {"A8"}) + "ENDFONT\n");
    EXPECT_EQ(row_words('A', 12), "00FC 00FC 00FC 00FC 00FC 00FC 00FC 00FC 00FC 00FC 00FC 00FC")
        << "the top two lines fall above the cell";
    EXPECT_EQ(row_words('B', 12), "0000 0000 0000 0000 0000 0000 0000 0000 0000 0000 0000 0000");
    EXPECT_EQ(row_words('C', 12), "0000 0000 0000 0000 0000 0000 0000 0000 0000 0000 0000 00A8");
}

TEST_F(BitmapRows, ExtremeNumbersNeverReachOutsideTheRecord)
{
    // Offsets at the ends of the int range, a negative cell and no cell at
    // all: nothing lands, every row stays clear, and the font still loads.
    const std::vector<std::string> fonts = {
        font_header("16 30 -2147483648 2147483647", "2") +
            glyph_text(65, "16 2 2147483647 -2147483648", {"FFFF", "FFFF"}) +
            glyph_text(66, "16 2 2147483647 2147483647", {"FFFF", "FFFF"}),
        font_header("6 -5 0 0", "2") + glyph_text(65, "6 2 0 0", {"FC", "FC"}) +
            glyph_text(66, "6 2 0 -7", {"FC", "FC"}),
        "ENDPROPERTIES\nCHARS 2\n" + glyph_text(65, "6 2 0 0", {"FC", "FC"}) +
            glyph_text(66, "6 -2147483648 0 0", {}),
    };
    for (const std::string &font : fonts) {
        current_font = {};
        LoadOutcome outcome = load_text(font + "ENDFONT\n");
        ASSERT_EQ(outcome.result, 0) << font << outcome.output;
        for (int key : {'A', 'B'}) {
            ASSERT_NE(get_bdf_char(key), nullptr);
            for (uint16_t row : get_bdf_char(key)->rows)
                ASSERT_EQ(row, 0) << font;
        }
        release_bdf_font();
    }
}

} // namespace

// Helpers for the font reader tests: fonts written as text, loads with their
// messages captured, and glyph cells drawn as text art.
#ifndef NORLET_BDF_TEST_SUPPORT_H
#define NORLET_BDF_TEST_SUPPORT_H

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>
#include <unistd.h>

#include "bdf-reader.h"

struct LoadOutcome {
    int result;
    std::string output; // everything the load printed
};

inline LoadOutcome load_capturing(const char *path)
{
    testing::internal::CaptureStdout();
    int result = load_font(path);
    return {result, testing::internal::GetCapturedStdout()};
}

// A temporary file named for the running test.
inline std::string temp_font_path()
{
    const testing::TestInfo *test = testing::UnitTest::GetInstance()->current_test_info();
    // The process id keeps runs of several builds at once apart.
    std::string name = std::string(test->test_suite_name()) + "." + test->name() + "." +
                       std::to_string(getpid()) + ".bdf";
    for (char &c : name)
        if (c == '/') c = '_';
    return testing::TempDir() + name;
}

inline void write_file(const std::string &path, const std::string &text)
{
    std::ofstream(path, std::ios::binary) << text;
}

// Writes text to a temporary file, loads it and removes the file.
inline LoadOutcome load_text(const std::string &text)
{
    std::string path = temp_font_path();
    write_file(path, text);
    LoadOutcome outcome = load_capturing(path.c_str());
    std::remove(path.c_str());
    return outcome;
}

// The lines of a font up to its CHARS line.
inline std::string font_header(const std::string &bounding_box, const std::string &chars)
{
    return "STARTFONT 2.1\nFONT -test-fixed\nSIZE 12 75 75\nFONTBOUNDINGBOX " + bounding_box +
           "\nSTARTPROPERTIES 1\nFONT_ASCENT 10\nENDPROPERTIES\nCHARS " + chars + "\n";
}

inline std::string glyph_text(int encoding, const std::string &box,
                              const std::vector<std::string> &rows)
{
    std::string text = "STARTCHAR g" + std::to_string(encoding) + "\nENCODING " +
                       std::to_string(encoding) + "\nSWIDTH 500 0\nDWIDTH 6 0\nBBX " + box +
                       "\nBITMAP\n";
    for (const std::string &row : rows)
        text += row + "\n";
    return text + "ENDCHAR\n";
}

// The cell of the glyph for key as the panel would show it, one text line per
// row, '#' for ink; or a note that the font has no such glyph.
inline std::string cell_art(int key)
{
    const BdfGlyph *glyph = get_bdf_char(key);
    if (!glyph) return "no glyph " + std::to_string(key) + "\n";
    int padded = current_font.width <= 8 ? 8 : 16;
    std::string art;
    for (int row = 0; row < current_font.height; ++row) {
        for (int column = 0; column < current_font.width; ++column)
            art += (glyph->rows[row] >> (padded - 1 - column)) & 1 ? '#' : '.';
        art += '\n';
    }
    return art;
}

// Row words 0 .. count - 1 of the glyph for key in hexadecimal, e.g. "FFF0 F800".
inline std::string row_words(int key, int count)
{
    const BdfGlyph *glyph = get_bdf_char(key);
    if (!glyph) return "no glyph " + std::to_string(key);
    std::string words;
    for (int row = 0; row < count; ++row) {
        char hex[8];
        std::snprintf(hex, sizeof hex, "%s%04X", row ? " " : "", glyph->rows[row]);
        words += hex;
    }
    return words;
}

// Starts each test with an empty font and frees whatever it loaded.
class BdfTest : public testing::Test
{
  protected:
    void SetUp() override { current_font = {}; }
    void TearDown() override { release_bdf_font(); }
};

#endif

// The reader on what reader_model_test.cpp's generator does not make: no path, the adversarial
// fixtures and two huge fonts made here, read by the reader and the reference (reader_model.h)
// one after another without a release, over a dirtied heap; numbers against sscanf and strtol.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fstream>
#include <random>
#include <set>
#include <string>
#include <unistd.h>

#include "bdf-numbers.h"
#include "bdf-reader.h"
#include "reader_model.h"

namespace
{

const std::string fixtures = NORLET_SOURCE_DIR "/tests/fixtures/adversarial/";

// Loads with the heap dirtied (the table an earlier load left stays, for the
// reader to free) and returns what the load printed.
std::string load(const char *path, int *result)
{
    for (size_t records = 1; records <= 8; ++records) {
        void *block = std::malloc(records * sizeof(BdfGlyph));
        std::memset(block, 0xA5, records * sizeof(BdfGlyph));
        std::free(block);
    }
    testing::internal::CaptureStdout();
    *result = load_font(path);
    return testing::internal::GetCapturedStdout();
}

// Fonts made here: a bitmap of a million rows of which the cell keeps the
// last twelve, and a header comment and a row of a MiB each.
std::string made_font(bool million_rows)
{
    std::string font = "ENDPROPERTIES\nCHARS 2\nENCODING 65\n";
    if (million_rows) {
        font = "FONTBOUNDINGBOX 16 12 0 0\n" + font + "BBX 16 1000000 0 0\nBITMAP\n";
        char line[8];
        for (int i = 0; i < 1000000; ++i)
            font.append(line, std::snprintf(line, sizeof line, "%04X\n", i & 0xFFFF));
    } else {
        font = "COMMENT " + std::string(1 << 20, 'x') + "\nFONTBOUNDINGBOX 6 12 0 -2\n" + font +
               "BBX 6 1 0 -2\nBITMAP\n" + std::string(1 << 20, ' ') + "F8\n";
    }
    return font + "ENDCHAR\nENCODING 66\nBBX 6 1 0 0\nBITMAP\nAB\nENDCHAR\nENDFONT\n";
}

TEST(Reader, HostileFontsReadAsTheReferenceReadsThem)
{
    int descriptors = reader_model::open_descriptors();
    int result; // no path at all is refused with its message
    EXPECT_EQ(load(nullptr, &result),
              "BDF Font debug: Load font. File - (null)\nInvalid font file name\n");
    EXPECT_TRUE(result == 1 && !current_font.glyphs);
    std::set<std::string> paths;
    DIR *listing = opendir(fixtures.c_str());
    while (dirent *entry = listing ? readdir(listing) : nullptr)
        if (entry->d_name[0] != '.') paths.insert(fixtures + entry->d_name);
    if (listing) closedir(listing);
    ASSERT_GE(paths.size(), 9u) << "the adversarial fixtures are missing";
    std::string made = testing::TempDir() + "norlet-reader-" + std::to_string(getpid());
    for (bool million_rows : {true, false}) {
        std::string path = made + (million_rows ? "-rows.bdf" : "-lines.bdf");
        std::ofstream(path, std::ios::binary) << made_font(million_rows);
        paths.insert(path);
    }
    for (const std::string &path : paths) {
        std::ifstream in(path, std::ios::binary);
        reader_model::Reference r;
        r.font = current_font, r.font.glyphs = nullptr;
        r.out = "BDF Font debug: Load font. File - " + path + "\n";
        int expected = reader_model::reference_load(r, {std::istreambuf_iterator<char>(in), {}});
        std::string out = load(path.c_str(), &result);
        EXPECT_EQ(reader_model::shown(result, out, current_font, current_font.glyphs,
                                      r.has_table ? r.table.size() : 0),
                  reader_model::shown(expected, r))
            << path;
        if (path.compare(0, made.size(), made) == 0) std::remove(path.c_str());
    }
    release_bdf_font();
    EXPECT_EQ(reader_model::open_descriptors(), descriptors) << "a load left a file open";
}

// The reader's number parsing gives what sscanf's "%*s %d" and strtol's
// base 16 give, on lines of the pieces that matter: signs, prefixes, white
// space of every kind, digits past every range, other bytes.
TEST(Reader, NumbersReadAsSscanfAndStrtolReadThem)
{
    // clang-format off
    const std::string pieces[] = {"BBX", "ENCODING", " ", "\t", "\v", "\f", "\r", "\n", "-", "+",
        "0", "7", "12", "0x", "0X", "fF", "g", "x", "\xa0", "\x85", "2147483647", "2147483648",
        "4294967296", "99999999999999999999", "7FFFFFFFFFFFFFFF", "8000000000000000",
        "FFFFFFFFFFFFFFFFF"};
    // clang-format on
    std::mt19937 random(20240611);
    for (int i = 0; i < 100000; ++i) {
        std::string line;
        for (size_t n = random() % 8; n > 0; --n)
            line += pieces[random() % std::size(pieces)];
        int ours[4] = {7, 7, 7, 7}, theirs[4] = {7, 7, 7, 7};
        int scanned = std::max(0, std::sscanf(line.c_str(), "%*s %d %d %d %d", &theirs[0],
                                              &theirs[1], &theirs[2], &theirs[3]));
        ASSERT_EQ(bdf_scan_numbers(line.c_str(), ours, 4), scanned) << line;
        ASSERT_EQ(std::vector<int>(ours, ours + 4), std::vector<int>(theirs, theirs + 4)) << line;
        ASSERT_EQ(bdf_scan_numbers(line.c_str(), ours, 1), std::min(scanned, 1)) << line;
        ASSERT_EQ(bdf_parse_hex(line.c_str()), std::strtol(line.c_str(), nullptr, 16)) << line;
    }
}

} // namespace

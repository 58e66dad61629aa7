// The font reader on what the model's generator (reader_model_test.cpp) does
// not make: no path, a missing file, a directory, the adversarial fixtures
// (counts past every limit, a million bitmap rows, lines of a mebibyte).
// What it prints, its result and its glyph table as text art make a
// transcript that must equal reader.expected (NORLET_UPDATE_GOLDEN=1 rewrites
// it). Fonts load one after another without a release, and the heap is
// dirtied before each, so a lost table or a record left unclear shows.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <fstream>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

#include "bdf-numbers.h"
#include "bdf-reader.h"

namespace
{

const std::string fixtures = NORLET_SOURCE_DIR "/tests/fixtures/";

void dirty_heap()
{
    for (size_t records = 1; records <= 8; ++records) {
        void *block = std::malloc(records * sizeof(BdfGlyph));
        std::memset(block, 0xA5, records * sizeof(BdfGlyph));
        std::free(block);
    }
}

// Loads with the metrics reset (the table an earlier load left stays, for
// the reader to free) and returns what the load printed.
std::string load(const char *path, int *result)
{
    current_font = BdfFont{0, 0, 0, 0, 0, current_font.glyphs};
    dirty_heap();
    testing::internal::CaptureStdout();
    *result = load_font(path);
    return testing::internal::GetCapturedStdout();
}

// A record's rows: the cell's columns, then '|' and the rest of the row
// word; rows past the cell only when they are not clear.
std::string record_art(const BdfGlyph &glyph)
{
    std::ostringstream out;
    int padded = current_font.width <= 8 ? 8 : 16;
    for (int row = 0; row < 60; ++row) {
        if (row >= current_font.height) {
            if (glyph.rows[row])
                out << "row " << row << " outside the cell: " << glyph.rows[row] << '\n';
            continue;
        }
        for (int column = 0; column < padded; ++column)
            out << (column == current_font.width ? "|" : "")
                << ((glyph.rows[row] >> (padded - 1 - column)) & 1 ? '#' : '.');
        out << '\n';
    }
    return out.str();
}

std::string table()
{
    std::ostringstream out;
    // The count of a failed load is the CHARS value as the C library reads
    // it, which depends on the size of long: it is not shown.
    out << "cell " << current_font.width << " x " << current_font.height << ", offsets "
        << current_font.x_offset << ' ' << current_font.y_offset;
    if (!current_font.glyphs) return out.str() + ", no table\n";
    out << ", " << current_font.glyph_count << " records";
    out << '\n';
    int unfilled = 0, unclear = 0;
    for (int i = 0; i < current_font.glyph_count; ++i) {
        const BdfGlyph &glyph = current_font.glyphs[i];
        if (glyph.encoding == -1) {
            ++unfilled;
            unclear += record_art(glyph) != record_art(BdfGlyph{});
            continue;
        }
        const BdfGlyph *found = get_bdf_char(glyph.encoding);
        out << "record " << i << ", code " << glyph.encoding
            << (found == &glyph
                    ? ""
                    : ", found as record " + std::to_string(found - current_font.glyphs))
            << ":\n"
            << record_art(glyph);
    }
    if (unfilled) out << unfilled << " records without an encoding, " << unclear << " with rows\n";
    if (get_bdf_char(-1)) out << "a lookup of -1 finds a record\n";
    return out.str();
}

// A folder of this process's own for the fonts made here, so that suites
// running side by side (plain, sanitizer, another machine's) never share one.
struct MadeDir {
    std::string path = testing::TempDir() + "norlet-reader-" + std::to_string(getpid()) + "/";
    MadeDir() { mkdir(path.c_str(), 0700); }
    ~MadeDir() { rmdir(path.c_str()); }
} made;
const std::string &made_dir = made.path;

std::string transcript_of(const std::string &name, const char *path)
{
    int result;
    std::string output = load(path, &result);
    for (const std::string &dir : {fixtures, made_dir})
        for (size_t at; (at = output.find(dir)) != std::string::npos;)
            output.replace(at, dir.size(), "DIR/");
    return "== " + name + "\n" + output + "result " + std::to_string(result) + ", " + table();
}

// Fonts made here: a bitmap of a million rows of which the cell keeps the
// last twelve (4234 .. 423F), and a header comment and a row of a MiB each.
std::string made_font(const std::string &name)
{
    std::string font = "ENDPROPERTIES\nCHARS 2\nENCODING 65\n";
    if (name == "million-rows") {
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

// How many file descriptors are open: a load that left a file open adds one.
int open_descriptors()
{
    int count = 0;
    for (int fd = 0; fd < 1024; ++fd)
        count += fcntl(fd, F_GETFD) != -1;
    return count;
}

TEST(Reader, EveryFixtureGivesTheCheckedTranscript)
{
    int descriptors = open_descriptors();
    std::string transcript = transcript_of("no path", nullptr) +
                             transcript_of("missing", "/nonexistent/6x12.bdf") +
                             transcript_of("a directory", fixtures.c_str());
    for (const char *dir : {"adversarial"}) {
        std::set<std::string> names;
        DIR *listing = opendir((fixtures + dir).c_str());
        while (dirent *entry = listing ? readdir(listing) : nullptr)
            if (entry->d_name[0] != '.') names.insert(entry->d_name);
        if (listing) closedir(listing);
        for (const std::string &name : names)
            transcript += transcript_of(dir + ("/" + name), (fixtures + dir + "/" + name).c_str());
    }
    for (const char *name : {"million-rows", "mebibyte-lines"}) {
        std::string path = made_dir + name + ".bdf";
        std::ofstream(path, std::ios::binary) << made_font(name);
        transcript += transcript_of(name, path.c_str());
        std::remove(path.c_str());
    }
    release_bdf_font();
    EXPECT_EQ(open_descriptors(), descriptors) << "a load left a file open";
    const std::string expected_path = NORLET_SOURCE_DIR "/tests/bdf/reader.expected";
    if (std::getenv("NORLET_UPDATE_GOLDEN")) std::ofstream(expected_path) << transcript;
    std::ifstream expected_file(expected_path);
    EXPECT_EQ(transcript, std::string(std::istreambuf_iterator<char>(expected_file), {}));
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

// Bitmap rows of 1 to 16 random digits, some with blanks after them, give
// what strtol gives (saturated where a long is too small), aligned in the
// 16-wide cell by their digit count.
TEST(Reader, RowsReadAsStrtolReadsThem)
{
    std::mt19937 random(7);
    std::vector<std::string> rows(4000);
    std::string font = "FONTBOUNDINGBOX 16 1 0 0\nENDPROPERTIES\nCHARS 4000\n";
    for (std::string &row : rows) {
        for (size_t n = random() % 16 + 1; n > 0; --n)
            row += "0123456789abcdefF"[random() % 17];
        font += "BBX 16 1 0 0\nBITMAP\n" + row + (random() % 4 ? "\n" : " \r\n") + "ENDCHAR\n";
    }
    std::string path = made_dir + "rows.bdf";
    std::ofstream(path, std::ios::binary) << font + "ENDFONT\n";
    int result;
    load(path.c_str(), &result);
    for (size_t i = 0; i < rows.size() && result == 0; ++i) {
        auto word = uint16_t(std::strtol(rows[i].c_str(), nullptr, 16));
        ASSERT_EQ(current_font.glyphs[i].rows[0],
                  uint16_t(word << 4 * std::max(0, 4 - int(rows[i].size()))))
            << rows[i];
    }
    EXPECT_EQ(result, 0);
    release_bdf_font();
    std::remove(path.c_str());
}

} // namespace

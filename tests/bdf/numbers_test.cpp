// The reader's number parsing gives exactly what sscanf's "%*s %d" and
// strtol's base 16 give, on crafted and on random lines.
#include <gtest/gtest.h>

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>

#include "bdf-numbers.h"

namespace
{

// What sscanf reads from line with count "%d" conversions after "%*s".
int reference_scan(const std::string &line, int32_t *values, int count)
{
    int v[4] = {values[0], values[1], values[2], values[3]};
    int n = 0;
    switch (count) {
    case 1:
        n = std::sscanf(line.c_str(), "%*s %d", &v[0]);
        break;
    case 4:
        n = std::sscanf(line.c_str(), "%*s %d %d %d %d", &v[0], &v[1], &v[2], &v[3]);
        break;
    }
    for (int i = 0; i < 4; ++i)
        values[i] = v[i];
    return n < 0 ? 0 : n;
}

void expect_same_scan(const std::string &line)
{
    for (int count : {1, 4}) {
        int32_t ours[4] = {7, 7, 7, 7}, theirs[4] = {7, 7, 7, 7};
        int stored = bdf_scan_numbers(line.c_str(), ours, count);
        int scanned = reference_scan(line, theirs, count);
        ASSERT_EQ(stored, scanned) << "line \"" << line << "\", " << count << " numbers";
        for (int i = 0; i < 4; ++i)
            ASSERT_EQ(ours[i], theirs[i]) << "number " << i << " of \"" << line << "\"";
    }
}

void expect_same_hex(const std::string &text)
{
    ASSERT_EQ(bdf_parse_hex(text.c_str()), std::strtol(text.c_str(), nullptr, 16))
        << "text \"" << text << "\"";
}

TEST(KeywordNumbers, CraftedLinesReadAsSscanfReadsThem)
{
    for (const char *line : {"BBX 6 12 0 -2\n",
                             "BBX\t6\t12 0 -2\r\n",
                             "ENCODING 65",
                             "ENCODING",
                             "",
                             "   ",
                             "BBX 6 x 0 -2",
                             "BBX +6 -12 +0 -0",
                             "BBX - 5",
                             "BBX 6 12 0 -",
                             "ENCODING 2147483647",
                             "ENCODING 2147483648",
                             "ENCODING -2147483649",
                             "ENCODING 4294967296",
                             "ENCODING 99999999999999999999999",
                             "ENCODING -9223372036854775808",
                             "ENCODING -9223372036854775809",
                             "ENCODING 0x41",
                             "ENCODING 010",
                             " BBX 1 2 3 4",
                             "BBX\v1\f2 3 4",
                             "FONTBOUNDINGBOX 16 30 0 -2 extra",
                             "BBX 1 2\xa0"
                             "3 4"})
        expect_same_scan(line);
}

TEST(KeywordNumbers, RandomLinesReadAsSscanfReadsThem)
{
    std::mt19937 random(20261206);
    const std::string pieces[] = {"BBX",
                                  "ENCODING",
                                  " ",
                                  "\t",
                                  "-",
                                  "+",
                                  "0",
                                  "7",
                                  "12",
                                  "2147483648",
                                  "99999999999999999999",
                                  "x",
                                  "\r",
                                  "\n",
                                  "\xe9"};
    for (int i = 0; i < 20000; ++i) {
        std::string line;
        for (int n = random() % 12; n > 0; --n)
            line += pieces[random() % std::size(pieces)];
        expect_same_scan(line);
    }
}

TEST(HexRows, CraftedRowsReadAsStrtolReadsThem)
{
    for (const char *text : {"F8\n",
                             "f8",
                             "FFF0\r\n",
                             "",
                             "\n",
                             "  1f",
                             "-1",
                             "+7",
                             "0x",
                             "0xg",
                             "0X1F",
                             "-0x10",
                             "x1",
                             "FFFFFFFFFFFFFFFF",
                             "10000000000000000",
                             "-8000000000000000",
                             "-8000000000000001",
                             "7FFFFFFFFFFFFFFF0",
                             "\t\vAB",
                             "G",
                             "0x0x1"})
        expect_same_hex(text);
}

TEST(HexRows, RandomRowsReadAsStrtolReadsThem)
{
    std::mt19937 random(6122026);
    const char alphabet[] = "0123456789abcdefABCDEFxX+- \t\r\ngG";
    for (int i = 0; i < 50000; ++i) {
        std::string text;
        for (int n = random() % 20; n > 0; --n)
            text += alphabet[random() % (sizeof alphabet - 1)];
        expect_same_hex(text);
    }
}

} // namespace

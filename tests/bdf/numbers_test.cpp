// The reader's number parsing gives exactly what sscanf's "%*s %d" and
// strtol's base 16 give, on lines made of the pieces that matter: signs,
// prefixes, white space of every kind, digits past every range, other bytes.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>

#include "bdf-numbers.h"

TEST(Numbers, LinesReadAsSscanfAndStrtolReadThem)
{
    const char *pieces[] = {"BBX",
                            "ENCODING",
                            " ",
                            "\t",
                            "\v",
                            "\f",
                            "\r",
                            "\n",
                            "-",
                            "+",
                            "0",
                            "7",
                            "12",
                            "0x",
                            "0X",
                            "fF",
                            "g",
                            "x",
                            "\xa0",
                            "\x85",
                            "2147483647",
                            "2147483648",
                            "4294967296",
                            "99999999999999999999",
                            "7FFFFFFFFFFFFFFF",
                            "8000000000000000",
                            "FFFFFFFFFFFFFFFFF"};
    std::mt19937 random(20240611);
    for (int i = 0; i < 100000; ++i) {
        std::string line;
        for (size_t n = random() % 8; n > 0; --n)
            line += pieces[random() % std::size(pieces)];
        int ours[4] = {7, 7, 7, 7}, theirs[4] = {7, 7, 7, 7};
        int scanned = std::sscanf(line.c_str(), "%*s %d %d %d %d", &theirs[0], &theirs[1],
                                  &theirs[2], &theirs[3]);
        ASSERT_EQ(bdf_scan_numbers(line.c_str(), ours, 4), scanned < 0 ? 0 : scanned) << line;
        for (int k = 0; k < 4; ++k)
            ASSERT_EQ(ours[k], theirs[k]) << "number " << k << " of [" << line << "]";
        ASSERT_EQ(bdf_scan_numbers(line.c_str(), ours, 1), scanned < 0 ? 0 : scanned > 0) << line;
        ASSERT_EQ(bdf_parse_hex(line.c_str()), std::strtol(line.c_str(), nullptr, 16)) << line;
    }
}

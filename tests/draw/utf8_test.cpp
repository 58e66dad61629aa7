// The panel's UTF-8 decoding against the C library's (iconv, UTF-8 to
// UTF-32): at every place of seeded random byte strings, mostly lead and
// continuation bytes around every boundary of the encoding, a sequence iconv
// takes whole is one character of its code point, and any other byte is one
// character of its own value, as Latin-1; the encoding writes back every
// sequence read.
#include <gtest/gtest.h>

#include <cerrno>
#include <iconv.h>
#include <random>
#include <string>

#include "utf8.h"

namespace
{

// The code point of exactly the bytes [text, text + n) when iconv reads them
// as one character, else -1.
int64_t iconv_character(iconv_t converter, const char *text, size_t n)
{
    char in[4], out[8];
    std::copy(text, text + n, in);
    char *from = in, *to = out;
    size_t left = n, room = sizeof out;
    iconv(converter, nullptr, nullptr, nullptr, nullptr);
    if (iconv(converter, &from, &left, &to, &room) == static_cast<size_t>(-1) || left != 0 ||
        to - out != 4)
        return -1;
    return static_cast<uint8_t>(out[0]) | static_cast<uint8_t>(out[1]) << 8 |
           static_cast<uint8_t>(out[2]) << 16 | int64_t{static_cast<uint8_t>(out[3])} << 24;
}

// The character at the start of text as the reference reads it.
int64_t reference(iconv_t converter, const std::string &text, size_t at, size_t *used)
{
    for (size_t n = 2; n <= 4 && at + n <= text.size(); ++n) {
        int64_t code = iconv_character(converter, text.data() + at, n);
        if (code >= 0) {
            *used = n;
            return code;
        }
    }
    *used = 1;
    return static_cast<uint8_t>(text[at]);
}

// Bytes where the encoding's rules change: ASCII, continuation bytes, the
// leads of overlong forms, of surrogates and of code points past U+10FFFF.
uint8_t random_byte(std::mt19937 &random)
{
    constexpr uint8_t edges[] = {0x00, 0x41, 0x7F, 0x80, 0x8F, 0x90, 0x9F, 0xA0, 0xBF, 0xC0, 0xC1,
                                 0xC2, 0xDF, 0xE0, 0xE2, 0xED, 0xEF, 0xF0, 0xF4, 0xF5, 0xF8, 0xFF};
    return random() % 4 ? edges[random() % sizeof edges] : static_cast<uint8_t>(random());
}

TEST(Utf8, EveryCharacterAsTheCLibraryReadsIt)
{
    iconv_t converter = iconv_open("UTF-32LE", "UTF-8");
    // UTF-32 is a loadable converter (gconv module) in glibc; a cross
    // toolchain's C library without its machine's modules (Debian has none
    // for big-endian MIPS) has only the built-in ones.
    if (converter == reinterpret_cast<iconv_t>(-1) && errno == EINVAL)
        GTEST_SKIP() << "the C library here has no UTF-32 converter (gconv modules)";
    ASSERT_NE(converter, reinterpret_cast<iconv_t>(-1));
    std::mt19937 random(20261207);
    for (int round = 0; round < 20000; ++round) {
        std::string text(random() % 9, '\0');
        for (char &c : text)
            c = static_cast<char>(random_byte(random));
        for (size_t at = 0, used = 0; at < text.size(); at += used) {
            size_t expected_used = 0;
            int64_t expected = reference(converter, text, at, &expected_used);
            int32_t code = utf8_next(text.data() + at, text.size() - at, &used);
            ASSERT_EQ(code, expected) << "round " << round << ", byte " << at;
            ASSERT_EQ(used, expected_used) << "round " << round << ", byte " << at;
            // A character read from a sequence writes that sequence again.
            char again[4];
            if (used > 1 || code < 0x80) {
                ASSERT_EQ(std::string(again, utf8_encode(code, again)), text.substr(at, used));
            }
        }
    }
    for (int32_t code : {-1, 0xD800, 0xDFFF, 0x110000}) {
        char out[4];
        EXPECT_EQ(utf8_encode(code, out), 0u) << code;
    }
    iconv_close(converter);
    size_t used = 1;
    EXPECT_EQ(utf8_next("", 0, &used), 0);
    EXPECT_EQ(used, 0u);
}

} // namespace

// Number reading for the BDF reader: the same values as sscanf's "%*s %d"
// and strtol's base 16, without their per-call locale and format work.
#ifndef NORLET_BDF_NUMBERS_H
#define NORLET_BDF_NUMBERS_H

#include <array>
#include <cstdint>

// Value of each byte as an ASCII hexadecimal digit, -1 for any other byte.
constexpr std::array<int8_t, 256> bdf_make_hex_values()
{
    std::array<int8_t, 256> values{};
    for (int c = 0; c < 256; ++c)
        values[c] = c >= '0' && c <= '9'   ? static_cast<int8_t>(c - '0')
                    : c >= 'a' && c <= 'f' ? static_cast<int8_t>(c - 'a' + 10)
                    : c >= 'A' && c <= 'F' ? static_cast<int8_t>(c - 'A' + 10)
                                           : int8_t{-1};
    return values;
}
inline constexpr std::array<int8_t, 256> bdf_hex_values = bdf_make_hex_values();

// Reads up to count numbers of a keyword line as sscanf(line, "%*s %d %d ...")
// reads them: the keyword is skipped, each number is a sign and decimal
// digits, saturated like strtol and stored as its low 32 bits. Stops at the
// first number that does not parse; later values are left as they were.
// Returns how many numbers were stored.
int bdf_scan_numbers(const char *line, int32_t *values, int count);

// What strtol(text, nullptr, 16) returns.
long bdf_parse_hex(const char *text);

#endif

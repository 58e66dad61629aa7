// Numbers of BDF lines, read as the C library reads them but without its
// per-call locale and format work, where the reader spent most of a load.
#include "bdf-numbers.h"

#include <cctype>
#include <climits>

namespace
{

// isspace of the current locale. The printable ASCII characters other than
// the space are never white space (tested first: keywords and numbers are
// made of them), the space and the five controls from tab to carriage
// return always are, so only the rest asks isspace.
bool is_space(unsigned char c)
{
    if (c > ' ' && c < 0x7F) return false;
    if (c == ' ' || (c >= '\t' && c <= '\r')) return true;
    return std::isspace(c) != 0;
}

bool is_decimal(unsigned char c)
{
    return c >= '0' && c <= '9';
}

// The value std::strtol gives for a sign and digits, from the digits'
// magnitude: beyond long it saturates to LONG_MAX or LONG_MIN (-LONG_MIN
// itself lies beyond LONG_MAX and comes out as LONG_MIN exactly).
long saturated(bool negative, unsigned long magnitude, bool too_big)
{
    if (too_big || magnitude > static_cast<unsigned long>(LONG_MAX))
        return negative ? LONG_MIN : LONG_MAX;
    long value = static_cast<long>(magnitude);
    return negative ? -value : value;
}

} // namespace

// Reads the numbers of a keyword line as sscanf(line, "%*s %d %d ...") with
// count conversions reads them, without its format machinery: white space
// and the keyword (a run of other characters) are skipped, then each number
// after any white space: a sign and decimal digits, saturated like strtol's
// and stored in its int as sscanf stores it (the low 32 bits). Reading stops
// at the first number that does not parse, and the values from there on are
// left as they were. Returns how many numbers were stored.
int bdf_scan_numbers(const char *line, int32_t *values, int count)
{
    const auto *p = reinterpret_cast<const unsigned char *>(line);
    while (is_space(*p))
        ++p;
    if (*p == '\0') return 0; // no keyword: nothing is read
    while (*p != '\0' && !is_space(*p))
        ++p;
    int stored = 0;
    for (; stored < count; ++stored) {
        while (is_space(*p))
            ++p;
        bool negative = *p == '-';
        if (*p == '-' || *p == '+') ++p;
        if (!is_decimal(*p)) break;
        unsigned long magnitude = 0;
        bool too_big = false;
        for (; is_decimal(*p); ++p) {
            too_big |= __builtin_mul_overflow(magnitude, 10ul, &magnitude);
            too_big |= __builtin_add_overflow(magnitude, *p - '0', &magnitude);
        }
        values[stored] = static_cast<int32_t>(saturated(negative, magnitude, too_big));
    }
    return stored;
}

// What std::strtol(text, nullptr, 16) returns, without its per-call locale
// work: leading white space, a sign, a 0x or 0X prefix, then the digits up to
// the first other character; a value beyond long saturates to LONG_MAX or
// LONG_MIN. A prefix without a digit after it reads as the 0 before it.
long bdf_parse_hex(const char *text)
{
    const auto *p = reinterpret_cast<const unsigned char *>(text);
    bool negative = false;
    if (bdf_hex_values[*p] < 0) { // white space or a sign before the digits
        while (is_space(*p))
            ++p;
        negative = *p == '-';
        if (*p == '-' || *p == '+') ++p;
    }
    if (p[0] == '0' && (p[1] == 'x' || p[1] == 'X') && bdf_hex_values[p[2]] >= 0) p += 2;
    unsigned long magnitude = 0;
    bool too_big = false;
    for (; bdf_hex_values[*p] >= 0; ++p) {
        too_big |= magnitude >> (sizeof magnitude * 8 - 4) != 0; // 16 * magnitude would wrap
        magnitude = magnitude * 16 + static_cast<unsigned long>(bdf_hex_values[*p]);
    }
    return saturated(negative, magnitude, too_big);
}

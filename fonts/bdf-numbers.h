// Number reading for the BDF reader: the same values as sscanf's "%*s %d"
// and strtol's base 16, without their per-call locale and format work.
#ifndef NORLET_BDF_NUMBERS_H
#define NORLET_BDF_NUMBERS_H

#include <cstdint>

// Reads up to count numbers of a keyword line as sscanf(line, "%*s %d %d ...")
// reads them: the keyword is skipped, each number is a sign and decimal
// digits, saturated like strtol and stored as its low 32 bits. Stops at the
// first number that does not parse; later values are left as they were.
// Returns how many numbers were stored.
int bdf_scan_numbers(const char *line, int32_t *values, int count);

// What strtol(text, nullptr, 16) returns.
long bdf_parse_hex(const char *text);

#endif

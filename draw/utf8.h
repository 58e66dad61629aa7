// UTF-8 for the panel: text is taken one character at a time, and a byte that
// is not part of a well-formed sequence is still shown, as its Latin-1
// character, so that every byte string shows what it did before UTF-8.
#ifndef NORLET_UTF8_H
#define NORLET_UTF8_H

#include <cstddef>
#include <cstdint>

// The character at the start of text[0, length): the code point of a
// well-formed UTF-8 sequence of two to four bytes (the shortest form, not a
// surrogate, at most U+10FFFF), or else the first byte's own value (ASCII, or
// as Latin-1 a stray continuation byte, a byte of an overlong, truncated or
// too large sequence, any other byte 0x80 to 0xFF). *used is the number of
// bytes taken: 1 to 4, and 0 for an empty text, which gives 0.
int32_t utf8_next(const char *text, size_t length, size_t *used);

// Writes code point code as UTF-8 into out (room for 4 bytes) and returns the
// number of bytes written, 1 to 4; 0 (nothing written) for what UTF-8 does
// not carry: a negative code, a surrogate, a code past U+10FFFF.
size_t utf8_encode(int32_t code, char *out);

#endif

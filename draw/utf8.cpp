// UTF-8 decoding.
//
//   bytes  lead       code points           continuation bytes 10xxxxxx
//   2      110xxxxx   U+0080 .. U+07FF      1
//   3      1110xxxx   U+0800 .. U+FFFF      2 (U+D800 .. U+DFFF excluded)
//   4      11110xxx   U+10000 .. U+10FFFF   3
#include "utf8.h"

namespace
{

// What a lead byte announces: the sequence's length, the code point bits it
// carries and the least code point of that length (anything less is an
// overlong form). A length of 0: the byte leads no sequence.
struct Lead {
    size_t length;
    uint32_t bits;
    uint32_t least;
};

Lead lead_of(uint8_t byte)
{
    if ((byte & 0xE0) == 0xC0) return {2, byte & 0x1Fu, 0x80};
    if ((byte & 0xF0) == 0xE0) return {3, byte & 0x0Fu, 0x800};
    if ((byte & 0xF8) == 0xF0) return {4, byte & 0x07u, 0x10000};
    return {0, 0, 0};
}

bool is_scalar_value(uint32_t code)
{
    return code <= 0x10FFFF && (code < 0xD800 || code > 0xDFFF);
}

} // namespace

int32_t utf8_next(const char *text, size_t length, size_t *used)
{
    *used = length ? 1 : 0;
    if (length == 0) return 0;
    auto first = static_cast<uint8_t>(text[0]);
    Lead lead = lead_of(first);
    if (lead.length == 0 || length < lead.length) return first;
    uint32_t code = lead.bits;
    for (size_t i = 1; i < lead.length; ++i) {
        auto next = static_cast<uint8_t>(text[i]);
        if ((next & 0xC0) != 0x80) return first;
        code = code << 6 | (next & 0x3Fu);
    }
    if (code < lead.least || !is_scalar_value(code)) return first;
    *used = lead.length;
    return static_cast<int32_t>(code);
}

size_t utf8_encode(int32_t code, char *out)
{
    if (code < 0 || !is_scalar_value(static_cast<uint32_t>(code))) return 0;
    auto value = static_cast<uint32_t>(code);
    if (value < 0x80) {
        out[0] = static_cast<char>(value);
        return 1;
    }
    size_t length = value < 0x800 ? 2 : value < 0x10000 ? 3 : 4;
    constexpr uint8_t lead_marks[] = {0, 0, 0xC0, 0xE0, 0xF0};
    for (size_t i = length - 1; i > 0; --i, value >>= 6)
        out[i] = static_cast<char>(0x80 | (value & 0x3F));
    out[0] = static_cast<char>(lead_marks[length] | value);
    return length;
}

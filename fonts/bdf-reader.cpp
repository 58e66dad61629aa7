// BDF font reader: one font file into current_font, every glyph normalised
// into the font's cell of height rows by width columns.
//
// A file is read in four sections, each its own step: the header (up to
// ENDPROPERTIES), the CHARS line right after it, the glyphs, and within a
// glyph the bitmap rows. Lines are matched on their prefix only; every other
// line is skipped.
//
// Row words: P = 8 * ceil(width / 8) is the padded width (8 or 16). Cell
// column k is bit P - 1 - k, so a 6-wide cell uses bits 7..2 and a 12-wide
// cell bits 15..4.
#include "bdf-reader.h"

#include "bdf-numbers.h"

#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string_view>

// The one loaded font; all zero and without a table at start.
BdfFont current_font = {};

namespace
{

constexpr int32_t max_cell_height = 30;
constexpr int32_t max_cell_width = 16;
constexpr size_t row_words = sizeof(BdfGlyph::rows) / sizeof(BdfGlyph::rows[0]);
// The font file is read this many bytes at a time (less the one the buffer
// keeps free for a NUL).
constexpr size_t block_bytes = 4096;

// Encoding of records the file does not fill. BDF uses -1 for a glyph without
// a standard code, and the lookup never matches it.
constexpr int32_t no_encoding = -1;

// A font has no use for more records than there are Unicode code points; the
// limit keeps a forged CHARS value from claiming all memory, and its table
// size fits a 32-bit size_t.
constexpr size_t max_glyph_records = 0x110000;
static_assert(max_glyph_records <= SIZE_MAX / sizeof(BdfGlyph), "table size must not wrap");
static_assert(sizeof(BdfGlyph) == 124, "encoding and 60 row words, no padding");
static_assert(sizeof(int) == sizeof(int32_t), "sscanf reads the 32-bit fields as int");

// The open font file, read in blocks into one buffer where memchr finds the
// lines. The buffer holds one block and grows only for a line longer than
// that. The current line is the bytes line[0 .. length), its line feed (if
// any) replaced by a NUL, so that it also reads as a C string up to its first
// NUL, as getline would give it.
struct FontFile {
    FILE *file;
    char *buffer;
    size_t capacity;  // bytes of buffer
    size_t start;     // first byte not yet taken as a line
    size_t end;       // one past the last byte read; buffer[end] is a NUL
    bool exhausted;   // the file gave no more bytes: its end or a read error
    const char *line; // the current line
    size_t length;    // bytes of the current line, its line feed left out
};

// The four numbers of a BBX line: bitmap width, rows and the offsets of the
// bitmap's bottom-left pixel from the glyph origin.
struct GlyphBox {
    int32_t width;
    int32_t height;
    int32_t x_offset;
    int32_t y_offset;
};

// The text of the BBX line last read into the box, up to its NUL. Most fonts
// repeat one BBX line for every glyph, and reading the same text again into
// the same box changes nothing, so a repeat is not read again.
struct BoxLine {
    char text[64];
    bool held; // text holds a line
};

// Makes buffer[start .. end) the current line; end is at the line feed, or
// at the end of the bytes read for a last line without one.
void take_line(FontFile *in, size_t end)
{
    in->buffer[end] = '\0';
    in->line = in->buffer + in->start;
    in->length = end - in->start;
    in->start = end < in->end ? end + 1 : end;
}

// Moves the unread bytes to the front of the buffer and reads as many more
// as fit behind them, doubling the buffer when they fill it. False when no
// byte was added: at the end of the file, after a read error, or when the
// buffer cannot grow.
bool read_block(FontFile *in)
{
    size_t unread = in->end - in->start;
    if (in->start > 0) std::memmove(in->buffer, in->buffer + in->start, unread);
    in->start = 0;
    in->end = unread;
    in->buffer[in->end] = '\0';
    if (in->exhausted) return false;
    if (unread + 1 == in->capacity) {
        char *grown = in->capacity <= SIZE_MAX / 2
                          ? static_cast<char *>(std::realloc(in->buffer, 2 * in->capacity))
                          : nullptr;
        if (!grown) return false;
        in->buffer = grown;
        in->capacity *= 2;
    }
    size_t wanted = in->capacity - 1 - unread;
    size_t got = std::fread(in->buffer + unread, 1, wanted, in->file);
    in->end += got;
    in->buffer[in->end] = '\0';
    in->exhausted = got < wanted;
    return got > 0;
}

// The next line of the file, with as many reads as it takes to reach its
// line feed; the last line may lack one. False at the end of the file, after
// a read error, and for a line the memory cannot hold.
bool read_line(FontFile *in)
{
    size_t searched = in->start; // the bytes from start to here hold no line feed
    for (;;) {
        const void *feed = std::memchr(in->buffer + searched, '\n', in->end - searched);
        if (feed) {
            take_line(in, static_cast<size_t>(static_cast<const char *>(feed) - in->buffer));
            return true;
        }
        searched = in->end - in->start;
        if (!read_block(in)) break;
    }
    if (in->exhausted && in->end > in->start) {
        take_line(in, in->end);
        return true;
    }
    return false;
}

bool line_starts_with(const FontFile *in, std::string_view keyword)
{
    return in->length >= keyword.size() &&
           std::memcmp(in->line, keyword.data(), keyword.size()) == 0;
}

// Reads FONTBOUNDINGBOX into the cell metrics; numbers missing from the line
// leave their fields as they were. False when the cell is too big.
bool read_bounding_box(const FontFile *in)
{
    int32_t numbers[4] = {current_font.width, current_font.height, current_font.x_offset,
                          current_font.y_offset};
    bdf_scan_numbers(in->line, numbers, 4);
    current_font.width = numbers[0];
    current_font.height = numbers[1];
    current_font.x_offset = numbers[2];
    current_font.y_offset = numbers[3];
    return current_font.height <= max_cell_height && current_font.width <= max_cell_width;
}

// Header: every line up to ENDPROPERTIES. 0 when it was found, 1 (with the
// message printed) when the file ends first or the cell is too big.
int read_header(FontFile *in)
{
    while (read_line(in)) {
        if (line_starts_with(in, "FONTBOUNDINGBOX") && !read_bounding_box(in)) {
            std::fputs("BDF-Font: Invalid font dimensions\n", stdout);
            return 1;
        }
        if (line_starts_with(in, "ENDPROPERTIES")) return 0;
    }
    std::fputs("BDF-Font: Failed to read font file header\n", stdout);
    return 1;
}

// The line right after ENDPROPERTIES must be CHARS; its number, decimal,
// 0x-hexadecimal or 0-octal, becomes glyph_count. 0, or 1 with the message.
int read_chars_line(FontFile *in)
{
    if (!read_line(in)) {
        std::fputs("BDF-Font: Failed to read font file\n", stdout);
        return 1;
    }
    if (!line_starts_with(in, "CHARS")) {
        std::fputs("BDF-Font: Font file is invalid format\n", stdout);
        return 1;
    }
    int count = current_font.glyph_count;
    std::sscanf(in->line, "%*s %i", &count);
    current_font.glyph_count = count;
    return 0;
}

// Allocates glyph_count records, each clear and without an encoding, into
// current_font.glyphs. A negative count or one over the limit is refused as
// an allocation failure. 0, or 1 with the message.
int allocate_glyph_table()
{
    int32_t count = current_font.glyph_count;
    BdfGlyph *table = nullptr;
    if (count < 0 || static_cast<size_t>(count) > max_glyph_records) {
        errno = ENOMEM;
    } else {
        // One record at least, so that an empty font still has a table.
        size_t records = count > 0 ? static_cast<size_t>(count) : 1;
        table = static_cast<BdfGlyph *>(std::malloc(records * sizeof(BdfGlyph)));
        for (size_t i = 0; table && i < records; ++i) {
            table[i].encoding = no_encoding;
            std::memset(table[i].rows, 0, sizeof(table[i].rows));
        }
    }
    if (!table) {
        std::printf("BDF Font: could not allocate space for glyhs. Error - %i\n", errno);
        return 1;
    }
    current_font.glyphs = table;
    return 0;
}

// Moves a row word right by the given number of pixels (left when negative);
// bits pushed past either end are lost.
uint16_t shift_row(uint32_t word, int64_t right)
{
    if (right >= 16 || right <= -16) return 0;
    if (right >= 0) return static_cast<uint16_t>(word >> right);
    return static_cast<uint16_t>(word << -right);
}

// White space that can end a bitmap row line: the C locale's space class.
bool is_line_end_blank(char c)
{
    return c == ' ' || (c >= '\t' && c <= '\r');
}

// A row word written in `digits` hexadecimal digits: when they are fewer
// than the cell needs, moved to the left edge of the cell.
uint16_t align_row(uint16_t word, size_t digits)
{
    int64_t digit_bits = 4 * static_cast<int64_t>(digits < INT32_MAX ? digits : INT32_MAX);
    int64_t width = current_font.width;
    if (digit_bits >= width) return word;
    int64_t padded_width = (width + 7) / 8 * 8;
    return shift_row(word, -(padded_width - digit_bits));
}

// The row word of the current line, any bitmap row line: its hexadecimal
// value, low 16 bits, aligned by its digits.
uint16_t parse_bitmap_row(const FontFile *in)
{
    long value = bdf_parse_hex(in->line);
    // The digits are what is left of the line without the white space at
    // its end: a CR before the line feed, and blanks a converter left.
    size_t digits = in->length;
    while (digits > 0 && is_line_end_blank(in->line[digits - 1]))
        --digits;
    return align_row(static_cast<uint16_t>(static_cast<unsigned long>(value)), digits);
}

// Reads the next bitmap row line and its row word. A row written as it
// usually is, hexadecimal digits and the line feed, is read in the one pass
// that finds its end; any other line is taken by read_line and read by
// parse_bitmap_row, which gives the same word for the usual rows.
// False when the file ends first.
bool read_row(FontFile *in, uint16_t *word)
{
    // Fewer digits than a long holds: their value is what strtol gives, never
    // saturated, whether a long has 32 or 64 bits.
    constexpr size_t max_plain_digits = sizeof(long) * 2 - 1;
    // The digits end at the NUL kept after the bytes read, if not before.
    const auto *text = reinterpret_cast<const unsigned char *>(in->buffer + in->start);
    const unsigned char *p = text;
    unsigned long value = 0;
    for (int8_t digit; (digit = bdf_hex_values[*p]) >= 0; ++p)
        value = value << 4 | static_cast<unsigned long>(digit);
    auto digits = static_cast<size_t>(p - text);
    if (digits <= max_plain_digits && *p == '\n') {
        take_line(in, in->start + digits);
        *word = align_row(static_cast<uint16_t>(value), digits);
        return true;
    }
    if (!read_line(in)) return false;
    *word = parse_bitmap_row(in);
    return true;
}

// Bitmap rows of one glyph: reads the box's height lines and places them in
// the glyph's cell (when there is a record to fill). The bitmap's bottom row
// sits (box y offset - cell y offset) rows above the cell's bottom row, and
// its columns move right by (box x offset - cell x offset). Rows falling
// outside the cell are dropped. False when the file ends among the lines.
bool read_bitmap(FontFile *in, const GlyphBox &box, BdfGlyph *glyph)
{
    if (glyph) std::memset(glyph->rows, 0, sizeof(glyph->rows));
    int64_t right = static_cast<int64_t>(box.x_offset) - current_font.x_offset;
    int64_t up = static_cast<int64_t>(box.y_offset) - current_font.y_offset;
    int64_t height = current_font.height;
    // Line l lands on cell row first_row + l; rows 0 to kept_rows - 1 are kept.
    int64_t first_row = height - box.height - up;
    constexpr auto record_rows = static_cast<int64_t>(row_words);
    int64_t kept_rows = !glyph ? 0 : (height < record_rows ? height : record_rows);
    for (int32_t line = 0; line < box.height; ++line) {
        uint16_t word = 0;
        if (!read_row(in, &word)) return false;
        int64_t row = first_row + line;
        if (row < 0 || row >= kept_rows) continue;
        glyph->rows[row] = right == 0 ? word : shift_row(word, right); // most glyphs: 0
    }
    return true;
}

void read_box(const FontFile *in, GlyphBox *box, BoxLine *last)
{
    // The numbers are read from the text before the first NUL; n + 1 bytes
    // of it are kept when they fit.
    size_t n = strnlen(in->line, sizeof last->text);
    bool fits = n < sizeof last->text;
    if (last->held && fits && std::memcmp(last->text, in->line, n + 1) == 0) return;
    int32_t numbers[4] = {box->width, box->height, box->x_offset, box->y_offset};
    bdf_scan_numbers(in->line, numbers, 4);
    *box = GlyphBox{numbers[0], numbers[1], numbers[2], numbers[3]};
    last->held = fits;
    if (fits) std::memcpy(last->text, in->line, n + 1);
}

void read_encoding(const FontFile *in, BdfGlyph *glyph)
{
    int32_t encoding = 0;
    if (bdf_scan_numbers(in->line, &encoding, 1) == 1) glyph->encoding = encoding;
}

// Glyphs, after the table is allocated: each glyph fills the next record
// until the table is full. Ends with 0 at ENDFONT or at a glyph beyond the
// declared count, and with 1 (message printed) when the file ends first.
int read_glyphs(FontFile *in)
{
    GlyphBox box = {};
    BoxLine box_line = {};
    int32_t completed = 0;
    while (read_line(in)) {
        // Every keyword of this section begins with B or E: other lines
        // (STARTCHAR, SWIDTH, DWIDTH, comments) are passed over at once.
        if (in->line[0] != 'B' && in->line[0] != 'E') continue;
        BdfGlyph *glyph =
            completed < current_font.glyph_count ? &current_font.glyphs[completed] : nullptr;
        if (line_starts_with(in, "ENCODING") && glyph) read_encoding(in, glyph);
        if (line_starts_with(in, "BBX")) read_box(in, &box, &box_line);
        // The bitmap's lines replace the BITMAP line in the buffer: the tests
        // below see its last row line.
        if (line_starts_with(in, "BITMAP") && !read_bitmap(in, box, glyph)) break;
        if (line_starts_with(in, "ENDCHAR") && ++completed > current_font.glyph_count) {
            std::printf("BDF-Font: Error more characters in font file than declared in "
                        "header.\n\tMapped %i characters\n",
                        current_font.glyph_count);
            return 0;
        }
        if (line_starts_with(in, "ENDFONT")) return 0;
    }
    std::fputs("BDF-Font: Failed to read font file\n", stdout);
    return 1;
}

// All sections of an open file. 0 when the font is loaded; 1 otherwise, the
// message printed and a table, if any, left for the caller to free.
int read_font(FontFile *in)
{
    if (read_header(in) != 0 || read_chars_line(in) != 0 || allocate_glyph_table() != 0) return 1;
    std::printf("BDF Font debug: Values width - %i, height - %i, number of chars - %i\n",
                current_font.width, current_font.height, current_font.glyph_count);
    if (current_font.glyph_count > 256)
        std::printf("BDF Font: Large number of chars to be read - %i\n", current_font.glyph_count);
    return read_glyphs(in);
}

} // namespace

int load_font(const char *path)
{
    std::printf("BDF Font debug: Load font. File - %s\n", path ? path : "(null)");
    // A table an earlier load left behind is freed rather than lost; from
    // here on any failure leaves no table.
    release_bdf_font();
    if (!path) {
        std::fputs("Invalid font file name\n", stdout);
        return 1;
    }
    FontFile in = {};
    in.file = std::fopen(path, "r");
    if (!in.file) {
        std::printf("Failed to open font file - %s\n", path);
        return 1;
    }
    // Reads go straight into the block buffer, without stdio's own buffer.
    std::setvbuf(in.file, nullptr, _IONBF, 0);
    in.buffer = static_cast<char *>(std::malloc(block_bytes));
    if (!in.buffer) {
        std::fputs("Failed to allocate memory for line\n", stdout);
        std::fclose(in.file);
        return 1;
    }
    in.capacity = block_bytes;
    in.buffer[0] = '\0';
    int result = read_font(&in);
    if (result != 0) release_bdf_font();
    std::free(in.buffer);
    std::fclose(in.file);
    return result;
}

BdfGlyph *get_bdf_char(int key)
{
    if (key == no_encoding || !current_font.glyphs) return nullptr;
    for (int32_t i = 0; i < current_font.glyph_count; ++i)
        if (current_font.glyphs[i].encoding == key) return &current_font.glyphs[i];
    return nullptr;
}

void release_bdf_font()
{
    std::free(current_font.glyphs);
    current_font.glyphs = nullptr;
}

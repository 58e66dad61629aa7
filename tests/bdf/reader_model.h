// A reference BDF reader written from the reader's rules (bdf-reader.h,
// docs/FONTS.md), and what the two are compared on. The seeded test
// (reader_model_test.cpp) and the bdf_load fuzz target read files with both.
#pragma once

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sstream>
#include <string>
#include <vector>

#include "bdf-reader.h"

namespace reader_model
{

struct Reference {
    BdfFont font{};
    std::vector<BdfGlyph> table;
    bool has_table = false;
    std::string out;
};

// How many file descriptors are open: a load that left a file open adds one.
inline int open_descriptors()
{
    int count = 0;
    for (int fd = 0; fd < 1 << 16; ++fd)
        count += fcntl(fd, F_GETFD) != -1;
    return count;
}

inline bool starts(const std::string &line, const char *keyword)
{
    return line.compare(0, std::strlen(keyword), keyword) == 0;
}

// Up to count numbers after the keyword, as sscanf's "%*s %d ..." reads them.
inline void scan(const std::string &line, int32_t *values, int count)
{
    int v[4] = {values[0], count > 1 ? values[1] : 0, count > 2 ? values[2] : 0,
                count > 3 ? values[3] : 0};
    std::sscanf(line.c_str(), "%*s %d %d %d %d", &v[0], &v[1], &v[2], &v[3]);
    std::copy(v, v + count, values);
}

inline uint16_t shifted(uint32_t word, int64_t right)
{
    if (right >= 16 || right <= -16) return 0;
    return uint16_t(right >= 0 ? word >> right : word << -right);
}

// A bitmap row: strtol's value, low 16 bits, moved to the cell's left edge
// when its digits (the line less trailing blanks) are fewer than the cell.
inline uint16_t row_word(const std::string &line, int32_t width)
{
    auto word = uint16_t(std::strtol(line.c_str(), nullptr, 16));
    size_t digits = line.find_last_not_of(" \t\n\v\f\r") + 1; // npos + 1 is 0
    int64_t padded = (int64_t(width) + 7) / 8 * 8;
    return 4 * int64_t(digits) >= width ? word : shifted(word, -(padded - 4 * int64_t(digits)));
}

// The file's lines: split at line feeds; a last piece without one counts.
inline std::vector<std::string> lines_of(const std::string &file)
{
    std::vector<std::string> lines;
    size_t at = 0;
    for (size_t feed; (feed = file.find('\n', at)) != std::string::npos; at = feed + 1)
        lines.push_back(file.substr(at, feed - at));
    if (at < file.size()) lines.push_back(file.substr(at));
    return lines;
}

inline int fail(Reference &r, const char *message)
{
    r.out += message;
    r.has_table = false;
    return 1;
}

inline int glyphs(Reference &r, const std::vector<std::string> &lines, size_t i)
{
    int32_t box[4] = {0, 0, 0, 0};
    int32_t completed = 0;
    BdfFont &f = r.font;
    while (i < lines.size()) {
        std::string line = lines[i++];
        BdfGlyph *g = completed < f.glyph_count ? &r.table[size_t(completed)] : nullptr;
        if (starts(line, "ENCODING") && g) scan(line, &g->encoding, 1);
        if (starts(line, "BBX")) scan(line, box, 4);
        if (starts(line, "BITMAP")) {
            if (g) std::fill(std::begin(g->rows), std::end(g->rows), 0);
            int64_t first = int64_t(f.height) - box[1] - (int64_t(box[3]) - f.y_offset);
            int64_t kept = g ? std::min<int64_t>(f.height, 60) : 0;
            for (int64_t l = 0; l < box[1]; ++l) {
                if (i == lines.size()) return fail(r, "BDF-Font: Failed to read font file\n");
                line = lines[i++];
                int64_t row = first + l;
                if (row >= 0 && row < kept)
                    g->rows[row] = shifted(row_word(line, f.width), int64_t(box[2]) - f.x_offset);
            }
        }
        if (starts(line, "ENDCHAR") && ++completed > f.glyph_count) {
            r.out += "BDF-Font: Error more characters in font file than declared in header.\n"
                     "\tMapped " +
                     std::to_string(f.glyph_count) + " characters\n";
            return 0;
        }
        if (starts(line, "ENDFONT")) return 0;
    }
    return fail(r, "BDF-Font: Failed to read font file\n");
}

inline int reference_load(Reference &r, const std::string &file)
{
    std::vector<std::string> lines = lines_of(file);
    BdfFont &f = r.font;
    size_t i = 0;
    for (;; ++i) {
        if (i == lines.size()) return fail(r, "BDF-Font: Failed to read font file header\n");
        if (starts(lines[i], "FONTBOUNDINGBOX")) {
            int32_t cell[4] = {f.width, f.height, f.x_offset, f.y_offset};
            scan(lines[i], cell, 4);
            f.width = cell[0], f.height = cell[1], f.x_offset = cell[2], f.y_offset = cell[3];
            if (f.height > 30 || f.width > 16)
                return fail(r, "BDF-Font: Invalid font dimensions\n");
        }
        if (starts(lines[i], "ENDPROPERTIES")) break;
    }
    if (++i == lines.size()) return fail(r, "BDF-Font: Failed to read font file\n");
    if (!starts(lines[i], "CHARS")) return fail(r, "BDF-Font: Font file is invalid format\n");
    std::sscanf(lines[i].c_str(), "%*s %i", &f.glyph_count);
    if (f.glyph_count < 0 || f.glyph_count > 0x110000)
        return fail(r, "BDF Font: could not allocate space for glyhs. Error - 12\n");
    r.table.assign(size_t(std::max(f.glyph_count, 1)), BdfGlyph{-1, {}});
    r.has_table = true;
    r.out += "BDF Font debug: Values width - " + std::to_string(f.width) + ", height - " +
             std::to_string(f.height) + ", number of chars - " + std::to_string(f.glyph_count) +
             "\n";
    if (f.glyph_count > 256)
        r.out +=
            "BDF Font: Large number of chars to be read - " + std::to_string(f.glyph_count) + "\n";
    return glyphs(r, lines, i + 1);
}

// The reader's own result, messages (when known), metrics and table, as the
// reference's are shown by shown().
inline std::string records(const BdfGlyph *table, size_t count)
{
    std::ostringstream out;
    for (size_t i = 0; table && i < count; ++i) {
        out << i << ": " << table[i].encoding;
        for (uint16_t row : table[i].rows)
            out << ' ' << row;
        out << '\n';
    }
    return out.str();
}

inline std::string metrics(const BdfFont &f, bool table)
{
    return std::to_string(f.width) + " x " + std::to_string(f.height) + ", offsets " +
           std::to_string(f.x_offset) + " " + std::to_string(f.y_offset) + ", chars " +
           std::to_string(f.glyph_count) + (table ? ", table" : ", no table");
}

// What a load gave, as text: result, messages, metrics and the records.
inline std::string shown(int result, const std::string &out, const BdfFont &font,
                         const BdfGlyph *table, size_t records_shown)
{
    return std::to_string(result) + "\n" + out + metrics(font, table != nullptr) + "\n" +
           records(table, records_shown);
}

// The same of the reference after reference_load.
inline std::string shown(int result, const Reference &r)
{
    return shown(result, r.out, r.font, r.has_table ? r.table.data() : nullptr,
                 r.has_table ? r.table.size() : 0);
}

} // namespace reader_model

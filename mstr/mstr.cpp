// mstr: the string record, its check, growth, lifecycle and editing.
//
// Heap and guarded texts live in a block framed by two guard words:
//
//   c_str - 4         c_str                          c_str + capacity + 1
//   | magic (4 bytes) | text area, capacity + 1 bytes | magic (4 bytes) |
//
// Every operation checks its records with mstr_valid before it reads them.
// Sizes are computed in 64 bits, so no sum of a capacity and a length wraps.
#include "mstr.h"

#include <cctype>
#include <cinttypes>
#include <climits>
#include <cstdarg>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace
{

constexpr uint32_t guard_size = 4;

static_assert(sizeof(uint32_t) == guard_size, "a guard word holds one magic number");
static_assert(MSTR_BLOCK_OVERHEAD == 2 * guard_size + 1, "two guard words and the NUL");
static_assert(offsetof(mstr, magic) == 0 && offsetof(mstr, lastlen) == 4 &&
                  offsetof(mstr, capacity) == 8 && offsetof(mstr, c_str) >= 12,
              "the record's layout is part of the C interface");

bool _is_known_kind(uint32_t magic)
{
    return magic >= MSTR_MAGIC_HEAP && magic <= MSTR_MAGIC_CONST;
}

bool _is_heap(const mstr *s)
{
    return s->magic == MSTR_MAGIC_HEAP;
}

bool _is_const(const mstr *s)
{
    return s->magic == MSTR_MAGIC_CONST;
}

bool _has_guards(const mstr *s)
{
    return s->magic == MSTR_MAGIC_HEAP || s->magic == MSTR_MAGIC_GUARDED;
}

// Characters before the first NUL of text, at most bound.
size_t _mstr_strnlen(const char *text, uint64_t bound)
{
    size_t limit = bound > SIZE_MAX ? SIZE_MAX : static_cast<size_t>(bound);
    const void *nul = std::memchr(text, 0, limit);
    return nul ? static_cast<size_t>(static_cast<const char *>(nul) - text) : limit;
}

// Bytes of a heap or guarded block with room for capacity characters.
size_t _block_size(uint32_t capacity)
{
    return size_t{capacity} + MSTR_BLOCK_OVERHEAD;
}

char *_block_of(const mstr *s)
{
    return s->c_str - guard_size;
}

// The current length: characters before the first NUL of the text area,
// stored in lastlen. Only for a record that has just passed the check.
uint32_t _recount(mstr *s)
{
    s->lastlen = static_cast<uint32_t>(_mstr_strnlen(s->c_str, uint64_t{s->capacity} + 1));
    return s->lastlen;
}

// Length of a plain text handed to an edit of s, measured up to the size
// limit. A text inside s's own text area is measured no further than the
// area's end, so it is never read past the block.
size_t _measure(const mstr *s, const char *text)
{
    uint64_t bound = MSTR_SIZE_LIMIT;
    uintptr_t at = reinterpret_cast<uintptr_t>(text);
    uintptr_t area = reinterpret_cast<uintptr_t>(s->c_str);
    uint64_t area_bytes = uint64_t{s->capacity} + 1;
    if (at >= area && at - area < area_bytes && area_bytes - (at - area) < bound)
        bound = area_bytes - (at - area);
    return _mstr_strnlen(text, bound);
}

// Gives an empty heap record its first block. 0 / -1 (c_str stays null).
int _allocate_lazily(mstr *s)
{
    if (!_is_heap(s) || s->capacity >= MSTR_SIZE_LIMIT) return -1;
    s->c_str = _mstr_init_data(std::malloc(_block_size(s->capacity)), s->capacity, s->magic);
    return s->c_str ? 0 : -1;
}

// The check of a record without a block: the block is allocated, then the
// check runs again from the start. Out of line, so the common path of the
// check calls nothing.
[[gnu::noinline, gnu::cold]] int _check_after_allocating(mstr *s)
{
    if (_allocate_lazily(s) != 0) return -1;
    return mstr_valid(s);
}

bool _guards_intact(const mstr *s)
{
    const char *trailing = s->c_str + size_t{s->capacity} + 1;
    return std::memcmp(_block_of(s), &s->magic, guard_size) == 0 &&
           std::memcmp(trailing, &s->magic, guard_size) == 0;
}

// The check's slow path, when the character at lastlen is not NUL. A
// constant text sets its own capacity; any other text must end inside its
// area. 0 / -1 (lastlen then 0). Out of line, so the common path of the
// check calls nothing.
[[gnu::noinline]] int _recount_in_check(mstr *s)
{
    s->lastlen = 0;
    if (_is_const(s)) {
        size_t n = _mstr_strnlen(s->c_str, MSTR_SIZE_LIMIT);
        if (n >= MSTR_SIZE_LIMIT) return -1;
        s->capacity = s->lastlen = static_cast<uint32_t>(n);
        return 0;
    }
    size_t n = _mstr_strnlen(s->c_str, uint64_t{s->capacity} + 1);
    if (n > s->capacity) return -1;
    s->lastlen = static_cast<uint32_t>(n);
    return 0;
}

// Fills a heap or guarded block with zeros, guard words included. The store
// is not elided before a free.
void _wipe_block(mstr *s)
{
    explicit_bzero(_block_of(s), _block_size(s->capacity));
}

// The growth rule, in one place: a heap text needing more room grows to the
// larger of the need and twice its capacity, and never to the size limit.
// Returns a new, laid-out text area holding a copy of the old one and its
// capacity in *grown; null when the kind does not grow, the rule refuses or
// malloc fails. The record is not changed, so the old text stays readable
// until _install_area.
char *_grown_area(const mstr *s, uint64_t need, uint32_t *grown)
{
    if (!_is_heap(s)) return nullptr;
    uint64_t doubled = 2 * uint64_t{s->capacity};
    uint64_t capacity = need > doubled ? need : doubled;
    if (capacity >= MSTR_SIZE_LIMIT) return nullptr;
    *grown = static_cast<uint32_t>(capacity);
    char *area = _mstr_init_data(std::malloc(_block_size(*grown)), *grown, s->magic);
    if (area) std::memcpy(area, s->c_str, s->capacity);
    return area;
}

// Replaces a heap record's block with a grown area: the old block is wiped
// and freed. lastlen is not touched.
void _install_area(mstr *s, char *area, uint32_t capacity)
{
    _wipe_block(s);
    std::free(_block_of(s));
    s->c_str = area;
    s->capacity = capacity;
}

// Grows a heap text to room for at least requested characters; refusals are
// silent, callers compare capacity afterwards.
void _mstr_expand(mstr *s, uint64_t requested)
{
    if (s->capacity >= requested) return;
    uint32_t grown = 0;
    char *area = _grown_area(s, requested, &grown);
    if (area) _install_area(s, area, grown);
}

// The text area an edit that leaves need characters writes into: the
// record's own when the result fits, else a grown copy (heap kind only).
// Null when there is no room; nothing has changed then. Until _finish_edit
// the old text, and any text that lies in it, can still be read.
char *_area_for(mstr *s, uint64_t need, uint32_t *capacity)
{
    *capacity = s->capacity;
    if (need <= s->capacity) return s->c_str;
    return _grown_area(s, need, capacity);
}

// Ends an edit written into area: a grown area replaces the old block, the
// text is terminated at length and the length stored.
void _finish_edit(mstr *s, char *area, uint32_t capacity, uint32_t length)
{
    if (area != s->c_str) _install_area(s, area, capacity);
    s->c_str[length] = '\0';
    s->lastlen = length;
}

// The first steps of every edit: the check, then a constant text refused.
int _begin_edit(mstr *s)
{
    if (mstr_valid(s) != 0 || _is_const(s)) return -1;
    return 0;
}

// Both records pass the edit's first steps: not the same record, each valid
// (the changed one first), the changed one not constant.
int _begin_edit_from(mstr *s, mstr *source)
{
    if (s == source || mstr_valid(s) != 0 || mstr_valid(source) != 0 || _is_const(s)) return -1;
    return 0;
}

// Removes the range (from, to) of a text of length d; the range is in it.
void _erase_range(mstr *s, uint32_t d, uint32_t from, uint32_t to)
{
    std::memmove(s->c_str + from, s->c_str + to, d - to);
    _finish_edit(s, s->c_str, s->capacity, d - (to - from));
}

// Replaces the text of s with n characters of text (which may lie in s's
// own block). 0 / -1 (no room; nothing changed).
int _copy_in(mstr *s, const char *text, size_t n)
{
    uint32_t capacity = 0;
    char *area = _area_for(s, n, &capacity);
    if (!area) return -1;
    std::memmove(area, text, n);
    _finish_edit(s, area, capacity, static_cast<uint32_t>(n));
    return 0;
}

// Puts n characters of text at position at of s's text of length d.
// 0 / -1 (no room; nothing changed).
int _insert_text(mstr *s, uint32_t d, uint32_t at, const char *text, uint32_t n)
{
    uint32_t capacity = 0;
    char *area = _area_for(s, uint64_t{d} + n, &capacity);
    if (!area) return -1;
    std::memmove(area + at + n, area + at, d - at);
    std::memmove(area + at, text, n);
    _finish_edit(s, area, capacity, d + n);
    return 0;
}

bool _is_space(char c)
{
    return std::isspace(static_cast<unsigned char>(c)) != 0;
}

// Formats into the text area; a heap text too small grows once and is
// formatted again into the new area before the old block is freed, so no
// argument is ever read from freed memory. The full length, or -1.
__attribute__((format(printf, 2, 0))) int _format_into(mstr *s, const char *format, va_list args)
{
    va_list again;
    va_copy(again, args);
    int r = std::vsnprintf(s->c_str, size_t{s->capacity} + 1, format, args);
    uint32_t grown = 0;
    char *area = r > 0 && static_cast<uint32_t>(r) > s->capacity
                     ? _grown_area(s, static_cast<uint32_t>(r), &grown)
                     : nullptr;
    if (area) {
        r = std::vsnprintf(area, size_t{grown} + 1, format, again);
        _install_area(s, area, grown);
    }
    va_end(again);
    if (r < 0) return -1;
    s->lastlen = static_cast<uint32_t>(r) < s->capacity ? static_cast<uint32_t>(r) : s->capacity;
    return r;
}

// Position of the first occurrence of needle[0, n) in text[start, length),
// or -1. An empty needle, or one that does not fit after start, is not
// found.
int _search(const char *text, uint32_t length, uint32_t start, const char *needle, uint32_t n)
{
    if (n == 0 || length < n || start >= length || start > length - n) return -1;
    const void *hit = memmem(text + start, length - start, needle, n);
    return hit ? static_cast<int>(static_cast<const char *>(hit) - text) : -1;
}

// A constant record viewing plain characters shorter than the size limit, so
// the record forms can search for them; -1 when they are null or too long.
int _view_of(const char *characters, mstr *view)
{
    if (!characters) return -1;
    size_t n = _mstr_strnlen(characters, MSTR_SIZE_LIMIT);
    if (n >= MSTR_SIZE_LIMIT) return -1;
    uint32_t length = static_cast<uint32_t>(n);
    *view = mstr{MSTR_MAGIC_CONST, length, length, const_cast<char *>(characters)};
    return 0;
}

// The text areas of two checked records share bytes: one views the other's
// text.
bool _share_text(const mstr *a, const mstr *b)
{
    uintptr_t a_start = reinterpret_cast<uintptr_t>(a->c_str);
    uintptr_t b_start = reinterpret_cast<uintptr_t>(b->c_str);
    return a_start < b_start + b->capacity + 1 && b_start < a_start + a->capacity + 1;
}

// Replacement that never lengthens the text (new no longer than old): one
// pass that closes the text up behind the matches, starting at the first
// match p. Returns the number of replacements.
int _replace_shrinking(mstr *target, int p, const mstr *old_text, const mstr *new_text,
                       uint32_t limit)
{
    char *text = target->c_str;
    uint32_t length = target->lastlen, old_n = old_text->lastlen, new_n = new_text->lastlen;
    uint32_t read = 0, write = 0;
    int count = 0;
    while (p >= 0) {
        uint32_t at = static_cast<uint32_t>(p);
        // While every replacement kept the length, the text before the
        // match is already in place.
        if (write != read) std::memmove(text + write, text + read, at - read);
        write += at - read;
        std::memmove(text + write, new_text->c_str, new_n);
        write += new_n;
        read = at + old_n;
        ++count;
        if (limit != 0 && static_cast<uint32_t>(count) == limit) break;
        p = _search(text, length, read, old_text->c_str, old_n);
    }
    if (write != read) std::memmove(text + write, text + read, length - read);
    _finish_edit(target, text, target->capacity, write + (length - read));
    return count;
}

// Puts n characters of text in place of the range (at, at + old_n) of s's
// text of length d, with one move of the tail. When there is no room the
// range is removed all the same and -1 returned.
int _replace_range(mstr *s, uint32_t d, uint32_t at, uint32_t old_n, const char *text, uint32_t n)
{
    uint32_t capacity = 0;
    uint64_t length = uint64_t{d} - old_n + n;
    char *area = _area_for(s, length, &capacity);
    if (!area) {
        _erase_range(s, d, at, at + old_n);
        return -1;
    }
    std::memmove(area + at + n, area + at + old_n, d - at - old_n);
    std::memmove(area + at, text, n);
    _finish_edit(s, area, capacity, static_cast<uint32_t>(length));
    return 0;
}

// Replacement that lengthens the text: match by match, growing as it goes.
// When the room runs out the current match is removed all the same and -1
// returned; earlier replacements stay.
int _replace_growing(mstr *target, int p, const mstr *old_text, const mstr *new_text,
                     uint32_t limit)
{
    uint32_t old_n = old_text->lastlen, new_n = new_text->lastlen;
    int count = 0;
    while (p >= 0) {
        uint32_t at = static_cast<uint32_t>(p);
        if (_replace_range(target, target->lastlen, at, old_n, new_text->c_str, new_n) != 0)
            return -1;
        ++count;
        if (limit != 0 && static_cast<uint32_t>(count) == limit) break;
        p = _search(target->c_str, target->lastlen, at + new_n, old_text->c_str, old_n);
    }
    return count;
}

// Reads characters of a locked stream into chunk, at most room of them, one
// at a time. Returns 0 after the delimiter, -1 at a read error, 2 at the end
// of file (the error indicator tested first after every read) and 1 when
// room characters were read; *count is the number of characters in chunk.
int _read_chunk(char *chunk, uint32_t room, uint32_t *count, FILE *stream, int delimiter)
{
    uint32_t n = 0;
    int result = 1;
    while (n < room) {
        int c = getc_unlocked(stream);
        if (ferror_unlocked(stream)) {
            result = -1;
            break;
        }
        if (feof_unlocked(stream)) {
            result = 2;
            break;
        }
        chunk[n++] = static_cast<char>(c);
        if (c == delimiter) {
            result = 0;
            break;
        }
    }
    *count = n;
    return result;
}

// Reads characters of a locked stream into text from position *stored on
// while the area of capacity characters has room; results as _read_chunk,
// 1 when the area is full. The characters go through a small local chunk:
// its stores cannot touch the stream, so the stream's read position stays
// in a register from one character to the next. The terminating NUL and
// lastlen are the caller's, written once at the end.
int _read_into(char *text, uint32_t capacity, uint32_t *stored, FILE *stream, int delimiter)
{
    int result = 1;
    while (result == 1 && *stored < capacity) {
        char chunk[128];
        uint32_t room = capacity - *stored < sizeof chunk ? capacity - *stored : sizeof chunk;
        uint32_t count = 0;
        result = _read_chunk(chunk, room, &count, stream, delimiter);
        std::memcpy(text + *stored, chunk, count);
        *stored += count;
    }
    return result;
}

} // namespace

char *_mstr_init_data(void *block, uint32_t capacity, uint32_t magic)
{
    if (!block) return nullptr;
    char *bytes = static_cast<char *>(block);
    std::memcpy(bytes, &magic, guard_size);
    std::memset(bytes + guard_size, 0, size_t{capacity} + 1);
    std::memcpy(bytes + guard_size + size_t{capacity} + 1, &magic, guard_size);
    return bytes + guard_size;
}

int mstr_valid(mstr *s)
{
    if (!s || !_is_known_kind(s->magic) || s->capacity < s->lastlen) return -1;
    if (!s->c_str) return _check_after_allocating(s);
    if (_has_guards(s) && !_guards_intact(s)) return -1;
    if (s->c_str[s->lastlen] == '\0') return 0;
    return _recount_in_check(s);
}

int mstr_create(mstr *s, uint32_t capacity)
{
    if (s) {
        s->magic = MSTR_MAGIC_HEAP;
        s->lastlen = 0;
        s->capacity = capacity;
        s->c_str = nullptr;
        if (capacity < MSTR_SIZE_LIMIT)
            s->c_str = _mstr_init_data(std::malloc(_block_size(capacity)), capacity, s->magic);
    }
    return mstr_valid(s);
}

mstr *mstr_new(uint32_t capacity)
{
    mstr *s = static_cast<mstr *>(std::malloc(sizeof(mstr)));
    if (mstr_create(s, capacity) == 0) return s;
    std::free(s);
    return nullptr;
}

int mstr_destroy(mstr *s)
{
    if (mstr_valid(s) != 0) return -1;
    if (_has_guards(s)) _wipe_block(s);
    if (_is_heap(s)) std::free(_block_of(s));
    *s = mstr{};
    return 0;
}

int mstr_delete(mstr **s)
{
    if (!s || !*s || mstr_destroy(*s) != 0) return -1;
    std::free(*s);
    *s = nullptr;
    return 0;
}

char *mstr_get(mstr *s)
{
    return mstr_valid(s) == 0 ? s->c_str : nullptr;
}

uint32_t mstr_length(mstr *s)
{
    return mstr_valid(s) == 0 ? _recount(s) : UINT32_MAX;
}

uint32_t mstr_capacity(mstr *s)
{
    return mstr_valid(s) == 0 ? s->capacity : UINT32_MAX;
}

int mstr_strcat(mstr *s, const char *text)
{
    if (_begin_edit(s) != 0 || !text) return -1;
    size_t n = _measure(s, text);
    uint32_t d = _recount(s);
    uint32_t capacity = 0;
    char *area = _area_for(s, uint64_t{d} + n, &capacity);
    if (!area) return -1;
    std::memmove(area + d, text, n);
    _finish_edit(s, area, capacity, static_cast<uint32_t>(d + n));
    return 0;
}

int mstr_push_back(mstr *s, int character)
{
    const char text[2] = {static_cast<char>(character), '\0'};
    return mstr_strcat(s, text);
}

// ---- Editing ----

int mstr_strcpy(mstr *s, const char *text)
{
    if (_begin_edit(s) != 0 || !text) return -1;
    return _copy_in(s, text, _measure(s, text));
}

int mstr_sprintf(mstr *s, const char *format, ...)
{
    if (_begin_edit(s) != 0 || !format) return -1;
    va_list args;
    va_start(args, format);
    int r = _format_into(s, format, args);
    va_end(args);
    return r;
}

int mstr_assign(mstr *destination, mstr *source)
{
    if (_begin_edit_from(destination, source) != 0) return -1;
    return _copy_in(destination, source->c_str, _recount(source));
}

int mstr_append(mstr *destination, mstr *source)
{
    if (_begin_edit_from(destination, source) != 0) return -1;
    uint32_t d = _recount(destination);
    return _insert_text(destination, d, d, source->c_str, _recount(source));
}

int mstr_insert(mstr *destination, uint32_t position, mstr *source)
{
    if (_begin_edit_from(destination, source) != 0) return -1;
    uint32_t d = _recount(destination);
    uint32_t n = _recount(source);
    if (position > d) return -1;
    return _insert_text(destination, d, position, source->c_str, n);
}

int mstr_erase(mstr *s, uint32_t from, uint32_t to)
{
    if (_begin_edit(s) != 0) return -1;
    uint32_t d = _recount(s);
    if (from > to || to > d) return -1;
    _erase_range(s, d, from, to);
    return 0;
}

int mstr_slice(mstr *destination, mstr *source, uint32_t from, uint32_t to)
{
    if (_begin_edit_from(destination, source) != 0 || from > to) return -1;
    if (to > _recount(source)) return -1;
    return _copy_in(destination, source->c_str + from, to - from);
}

int mstr_clear(mstr *s)
{
    if (_begin_edit(s) != 0) return -1;
    std::memset(s->c_str, 0, s->capacity);
    s->lastlen = 0;
    return 0;
}

int mstr_trim(mstr *s, uint32_t front, uint32_t back)
{
    if (_begin_edit(s) != 0) return -1;
    uint32_t d = _recount(s);
    if (uint64_t{front} + back > d) return -1;
    if (front != 0) _erase_range(s, d, 0, front);
    if (back != 0) _erase_range(s, d - front, d - front - back, d - front);
    return 0;
}

int mstr_strip(mstr *s, int left, int right)
{
    if (_begin_edit(s) != 0) return -1;
    uint32_t removed = 0;
    if (left) {
        uint32_t d = _recount(s);
        uint32_t k = 0;
        while (k < d && _is_space(s->c_str[k]))
            ++k;
        _erase_range(s, d, 0, k);
        removed = k;
    }
    if (right) {
        uint32_t d = _recount(s);
        uint32_t k = 0;
        while (k < d && _is_space(s->c_str[d - 1 - k]))
            ++k;
        _erase_range(s, d, d - k, d);
        removed += k;
    }
    return static_cast<int>(removed);
}

int mstr_pop_back(mstr *s, char *removed)
{
    if (_begin_edit(s) != 0) return -1;
    uint32_t d = _recount(s);
    if (d == 0) return -1;
    if (removed) *removed = s->c_str[d - 1];
    _erase_range(s, d, d - 1, d);
    return 0;
}

int mstr_extend(mstr *s, uint32_t count)
{
    if (mstr_valid(s) != 0 || !_is_heap(s)) return -1;
    uint64_t need = uint64_t{_recount(s)} + count;
    _mstr_expand(s, need);
    return s->capacity >= need ? 0 : -1;
}

int mstr_reserve(mstr *s, uint32_t capacity)
{
    if (mstr_valid(s) != 0 || !_is_heap(s)) return -1;
    _mstr_expand(s, capacity);
    return s->capacity >= capacity ? 0 : -1;
}

// ---- Search, partition and line input ----

int mstr_find(mstr *haystack, uint32_t start, mstr *needle)
{
    if (haystack == needle || mstr_valid(haystack) != 0 || mstr_valid(needle) != 0) return -1;
    uint32_t h = _recount(haystack);
    return _search(haystack->c_str, h, start, needle->c_str, _recount(needle));
}

int mstr_find_cstr(mstr *haystack, uint32_t start, const char *needle)
{
    mstr view;
    if (_view_of(needle, &view) != 0) return -1;
    return mstr_find(haystack, start, &view);
}

int mstr_count(mstr *haystack, mstr *needle)
{
    if (haystack == needle || mstr_valid(haystack) != 0 || mstr_valid(needle) != 0) return -1;
    uint32_t h = _recount(haystack);
    uint32_t n = _recount(needle);
    int count = 0;
    for (int p = _search(haystack->c_str, h, 0, needle->c_str, n); p >= 0;
         p = _search(haystack->c_str, h, static_cast<uint32_t>(p) + n, needle->c_str, n))
        ++count;
    return count;
}

int mstr_replace(mstr *target, mstr *old_text, mstr *new_text, uint32_t limit)
{
    if (target == old_text || target == new_text || old_text == new_text) return -1;
    if (mstr_valid(target) != 0 || mstr_valid(old_text) != 0 || mstr_valid(new_text) != 0)
        return -1;
    // A growing target frees the block that a view of its own text reads.
    if (_is_const(target) || _share_text(target, old_text) || _share_text(target, new_text))
        return -1;
    uint32_t old_n = _recount(old_text);
    uint32_t new_n = _recount(new_text);
    int p = _search(target->c_str, _recount(target), 0, old_text->c_str, old_n);
    if (p < 0) return 0;
    if (new_n <= old_n) return _replace_shrinking(target, p, old_text, new_text, limit);
    return _replace_growing(target, p, old_text, new_text, limit);
}

// The two checks are inlined: for short texts they cost more than strcmp.
[[gnu::flatten]] int mstr_compare(mstr *first, mstr *second)
{
    if (first == second || mstr_valid(first) != 0 || mstr_valid(second) != 0) return -2;
    return std::strcmp(first->c_str, second->c_str);
}

int mstr_partition(mstr *head, mstr *rest, mstr *separator)
{
    if (head == rest || head == separator || rest == separator) return -1;
    if (mstr_valid(head) != 0 || mstr_valid(rest) != 0 || mstr_valid(separator) != 0) return -1;
    if (_is_const(head) || _is_const(rest)) return -1;
    int p = mstr_find(rest, 0, separator);
    if (p < 0) {
        if (mstr_assign(head, rest) != 0) return -1;
        return mstr_clear(rest);
    }
    uint32_t at = static_cast<uint32_t>(p);
    uint32_t separator_n = separator->lastlen; // counted by the search
    if (mstr_slice(head, rest, 0, at) != 0) return -1;
    if (mstr_erase(rest, 0, at + separator_n) != 0) return -1;
    return 1;
}

int mstr_partition_cstr(mstr *head, mstr *rest, const char *separator)
{
    mstr view;
    if (_view_of(separator, &view) != 0) return -1;
    return mstr_partition(head, rest, &view);
}

int mstr_getdelim(mstr *s, FILE *stream, int delimiter)
{
    if (mstr_clear(s) != 0 || !stream) return -1;
    // One lock for the whole call, so each character is read without one.
    struct StreamLock {
        FILE *stream;
        ~StreamLock() { funlockfile(stream); }
    };
    flockfile(stream);
    StreamLock lock{stream};
    uint32_t stored = 0;
    int result = 1;
    for (;;) {
        _mstr_expand(s, uint64_t{stored} + 1);
        if (s->capacity <= stored) break;
        result = _read_into(s->c_str, s->capacity, &stored, stream, delimiter);
        if (result != 1) break;
    }
    s->c_str[stored] = '\0';
    s->lastlen = stored;
    return result;
}

int mstr_getline(mstr *s, FILE *stream)
{
    return mstr_getdelim(s, stream, '\n');
}

void _mstr_debug_show(mstr *s)
{
    if (!s) {
        std::puts("mstr: NULL pointer!");
        return;
    }
    // The text is shown no further than its area (a constant text up to the
    // size limit), so a damaged record is never read past its end.
    uint64_t shown = _is_const(s) ? MSTR_SIZE_LIMIT : uint64_t{s->capacity} + 1;
    int precision = shown > INT_MAX ? INT_MAX : static_cast<int>(shown);
    std::printf("mstr: 0x%08" PRIXPTR "\n", reinterpret_cast<uintptr_t>(s));
    std::printf("  magic: 0x%08" PRIX32 "\n", s->magic);
    std::printf("  lastlen: %" PRIu32 "\n", s->lastlen);
    std::printf("  capacity: %" PRIu32 "\n", s->capacity);
    std::printf("  c_str: 0x%08" PRIXPTR " \"%.*s\"\n", reinterpret_cast<uintptr_t>(s->c_str),
                s->c_str ? precision : 6, s->c_str ? s->c_str : "(null)");
}

char *_mstr_init_buffer(char *buffer, uint32_t size)
{
    if (!buffer || size == 0) return nullptr;
    buffer[size - 1] = '\0';
    return buffer;
}

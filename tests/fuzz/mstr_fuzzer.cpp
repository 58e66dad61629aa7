// mstr against a model: the input is a program of byte-coded operations over
// six records (two heap records, one from mstr_new; a guarded, two external
// and a constant one). Every step runs the operation on the library and on a
// std::string model of each record (its text and, for the heap kind, the
// capacity the growth rule gives) and aborts on any difference: a result, a
// text, a length, a capacity, a guard word, a record that moved or a byte
// outside its area. Records can also be damaged (a guard word overwritten),
// after which every operation on them must fail and change nothing, and be
// repaired; their text can be changed through c_str as a caller may.
#include <cctype>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

#include "fuzz_support.h"
#include "mstr.h"

namespace
{

constexpr uint32_t limit = MSTR_SIZE_LIMIT;
// A text that grows past this is emptied after the step: a replacement over
// a long text is quadratic by design (one pass per match, in the library and
// in the model), and a few such runs would halve the fuzzer's speed. The
// capacity stays, so the size limit is still reached through reserve and
// extend.
constexpr size_t longest_text = 16 * 1024;
constexpr int slot_count = 6;
enum Kind { heap_value, heap_new, guarded, external, external2, constant };
constexpr uint32_t magic_of[slot_count] = {MSTR_MAGIC_HEAP,      MSTR_MAGIC_HEAP,
                                           MSTR_MAGIC_GUARDED,   MSTR_MAGIC_EXTERNAL,
                                           MSTR_MAGIC_EXTERNAL2, MSTR_MAGIC_CONST};

// One record, the memory it lives in and what it should hold.
struct Slot {
    Kind kind;
    mstr value;          // the record, except for heap_new
    mstr *pointer;       // heap_new's record, from mstr_new (null when it failed)
    char *storage;       // guarded block or external buffer, exactly sized
    uint32_t fixed;      // capacity of the guarded and external kinds
    std::string literal; // the constant kind's text storage
    std::string text;    // model: the characters before the first NUL
    uint32_t capacity;   // model
    bool broken;         // a heap record without a block that can never get one
    char *damaged_at;    // the guard byte overwritten, null when intact
    char damaged_byte;   // its original value
};

Slot slots[slot_count];
const uint8_t *in;
size_t left;
int step;
// The input stream of the line-reading operations and how far it was read.
FILE *stream;
std::string stream_data;
size_t stream_pos;

uint8_t byte()
{
    return fuzz::take_u8(&in, &left);
}

uint32_t number()
{
    uint8_t b = byte();
    if (b < 0xF0) return b % 40;
    uint32_t special[] = {0, 1, limit - 1, limit, 0x100000, 0x7FFFFFFF, 0xFFFFFFFF, 0x80000000};
    return special[b % 8];
}

// A text from the input; the library sees it up to its first NUL.
std::string text_arg()
{
    size_t n = byte() % 24;
    std::string t;
    while (n-- && left)
        t += static_cast<char>(byte());
    return t;
}

std::string up_to_nul(const std::string &t)
{
    return t.substr(0, t.find('\0'));
}

mstr *rec(Slot &s)
{
    return s.kind == heap_new ? s.pointer : &s.value;
}

// Whether every operation on the record must fail.
bool unusable(const Slot &s)
{
    return s.broken || s.damaged_at;
}

bool writable(const Slot &s)
{
    return s.kind != constant && !unusable(s);
}

#define EXPECT(cond, ...)                                                                          \
    do {                                                                                           \
        if (!(cond)) {                                                                             \
            std::fprintf(stderr, "step %d: ", step);                                               \
            fuzz::fail(__VA_ARGS__);                                                               \
        }                                                                                          \
    } while (0)

// The growth rule: a heap text needing room for `need` characters gets the
// larger of the need and twice its capacity, below the size limit.
bool grow(Slot &s, uint64_t need)
{
    if (need <= s.capacity) return true;
    if (s.kind != heap_value && s.kind != heap_new) return false;
    uint64_t grown = need > 2 * uint64_t{s.capacity} ? need : 2 * uint64_t{s.capacity};
    if (grown >= limit) return false;
    s.capacity = static_cast<uint32_t>(grown);
    return true;
}

void check_result(const char *op, long long expected, long long actual)
{
    EXPECT(expected == actual, "%s returned %lld, should return %lld", op, actual, expected);
}

// ---- Setting records up ----

void make_heap(Slot &s, uint32_t capacity, bool empty_value)
{
    s.text.clear();
    s.broken = capacity >= limit;
    s.capacity = s.broken ? 0 : capacity;
    if (s.kind == heap_new) {
        s.pointer = mstr_new(capacity);
        EXPECT((s.pointer == nullptr) == s.broken, "mstr_new(%u)", capacity);
    } else if (empty_value) {
        s.value = MSTR_EMPTY_HEAP;
        s.broken = false;
        s.capacity = 0;
    } else {
        check_result("mstr_create", s.broken ? -1 : 0, mstr_create(&s.value, capacity));
    }
}

void make_fixed(Slot &s)
{
    if (s.kind == guarded) {
        s.value = {MSTR_MAGIC_GUARDED, 0, s.fixed,
                   _mstr_init_data(s.storage, s.fixed, MSTR_MAGIC_GUARDED)};
        EXPECT(s.value.c_str == s.storage + 4, "_mstr_init_data returned the wrong area");
    } else if (s.kind == constant) {
        s.value = {MSTR_MAGIC_CONST, 0, 0, s.literal.data()};
    } else {
        std::memset(s.storage, 'x', s.fixed + 1);
        EXPECT(_mstr_init_buffer(s.storage, s.fixed + 1) == s.storage, "_mstr_init_buffer");
        s.value = {magic_of[s.kind], 0, s.fixed, s.storage};
        s.storage[0] = '\0';
    }
    s.text = s.kind == constant ? up_to_nul(s.literal) : "";
    s.capacity = s.kind == constant ? static_cast<uint32_t>(s.text.size()) : s.fixed;
    s.broken = false;
}

void set_up()
{
    for (int i = 0; i < slot_count; ++i) {
        Slot &s = slots[i];
        s = Slot{};
        s.kind = static_cast<Kind>(i);
    }
    make_heap(slots[heap_value], 0, true);
    make_heap(slots[heap_new], byte() % 32, false);
    for (Kind k : {guarded, external, external2}) {
        Slot &s = slots[k];
        s.fixed = byte() % 48;
        size_t bytes = s.fixed + (k == guarded ? MSTR_BLOCK_OVERHEAD : 1);
        s.storage = static_cast<char *>(std::malloc(bytes));
        make_fixed(s);
    }
    slots[constant].literal = text_arg();
    make_fixed(slots[constant]);
    stream_data = text_arg() + "\n";
    stream_pos = 0;
    stream = fmemopen(stream_data.data(), stream_data.size(), "r");
    if (!stream) fuzz::fail("fmemopen failed");
}

void tear_down()
{
    for (Slot &s : slots) {
        if (s.damaged_at) *s.damaged_at = s.damaged_byte;
        if (s.kind == heap_new)
            mstr_delete(&s.pointer);
        else if (!s.broken)
            mstr_destroy(&s.value);
        std::free(s.storage);
    }
    std::fclose(stream);
}

// ---- What every record must look like after every step ----

void verify(Slot &s, int index)
{
    if (s.broken) {
        EXPECT(mstr_valid(rec(s)) == -1, "record %d without a block passed the check", index);
        return;
    }
    mstr *r = rec(s);
    if (s.damaged_at) {
        // Untouched: compare the text area itself, without the check.
        EXPECT(std::memcmp(r->c_str, s.text.data(), s.text.size()) == 0,
               "damaged record %d changed its text", index);
        return;
    }
    EXPECT(mstr_valid(r) == 0, "record %d (kind %d) fails the check", index, s.kind);
    EXPECT(r->magic == magic_of[s.kind], "record %d changed its magic", index);
    EXPECT(r->lastlen <= r->capacity, "record %d: lastlen %u past capacity %u", index, r->lastlen,
           r->capacity);
    EXPECT(r->capacity == s.capacity, "record %d: capacity %u, should be %u", index, r->capacity,
           s.capacity);
    size_t n = strnlen(r->c_str, size_t{r->capacity} + 1);
    EXPECT(n == s.text.size() && std::memcmp(r->c_str, s.text.data(), n) == 0,
           "record %d holds \"%.*s\", should hold \"%s\"", index, (int)n, r->c_str, s.text.c_str());
    EXPECT(mstr_length(r) == s.text.size(), "record %d: mstr_length", index);
    EXPECT(mstr_capacity(r) == s.capacity, "record %d: mstr_capacity", index);
    if (s.kind == heap_value || s.kind == heap_new || s.kind == guarded) {
        uint32_t magic = magic_of[s.kind];
        EXPECT(std::memcmp(r->c_str - 4, &magic, 4) == 0 &&
                   std::memcmp(r->c_str + r->capacity + 1, &magic, 4) == 0,
               "record %d: a guard word is not its magic", index);
    }
    if (s.kind == guarded) EXPECT(r->c_str == s.storage + 4, "the guarded text moved");
    if (s.kind == external || s.kind == external2)
        EXPECT(r->c_str == s.storage, "the buffer moved");
    if (s.kind == constant) EXPECT(r->c_str == s.literal.data(), "the constant text moved");
}

// ---- The operations ----

Slot &pick()
{
    return slots[byte() % slot_count];
}

void op_strcat(bool copy)
{
    Slot &s = pick();
    std::string t = up_to_nul(text_arg());
    mstr *r = rec(s);
    bool ok = writable(s) && grow(s, copy ? t.size() : s.text.size() + t.size());
    int got = copy ? mstr_strcpy(r, t.c_str()) : mstr_strcat(r, t.c_str());
    check_result(copy ? "mstr_strcpy" : "mstr_strcat", ok ? 0 : -1, got);
    if (ok) s.text = copy ? t : s.text + t;
}

// strcat or strcpy of the record's own text from position k on.
void op_own_text(bool copy)
{
    Slot &s = pick();
    uint32_t k = byte();
    mstr *r = rec(s);
    char *own = mstr_get(r);
    EXPECT((own == nullptr) == unusable(s), "mstr_get on record of kind %d", s.kind);
    if (!own) {
        check_result("mstr_strcat(null)", -1, mstr_strcat(r, nullptr));
        return;
    }
    k %= s.text.size() + 1;
    std::string t = s.text.substr(k);
    bool ok = writable(s) && grow(s, copy ? t.size() : s.text.size() + t.size());
    int got = copy ? mstr_strcpy(r, own + k) : mstr_strcat(r, own + k);
    check_result(copy ? "mstr_strcpy(own)" : "mstr_strcat(own)", ok ? 0 : -1, got);
    if (ok) s.text = copy ? t : s.text + t;
}

void op_push_back()
{
    Slot &s = pick();
    int c = static_cast<int8_t>(byte());
    std::string t = (c & 0xFF) ? std::string(1, static_cast<char>(c)) : "";
    bool ok = writable(s) && grow(s, s.text.size() + t.size());
    check_result("mstr_push_back", ok ? 0 : -1, mstr_push_back(rec(s), c));
    if (ok) s.text += t;
}

void op_sprintf()
{
    Slot &s = pick();
    std::string t = up_to_nul(text_arg());
    uint32_t u = number();
    char full_buffer[64];
    int r = std::snprintf(full_buffer, sizeof full_buffer, "%s:%u", t.c_str(), u);
    std::string full(full_buffer, static_cast<size_t>(r));
    int expected = -1;
    if (writable(s)) {
        expected = r;
        s.text = grow(s, full.size()) ? full : full.substr(0, s.capacity);
    }
    int got = mstr_sprintf(rec(s), "%s:%u", t.c_str(), u);
    check_result("mstr_sprintf", expected, got);
    if (expected >= 0)
        EXPECT(rec(s)->lastlen == s.text.size(), "mstr_sprintf left lastlen %u, should be %zu",
               rec(s)->lastlen, s.text.size());
}

// Operations taking a destination and a source record.
void op_two(int which)
{
    Slot &d = pick();
    Slot &src = pick();
    uint32_t a = number(), b = number();
    bool ok = &d != &src && writable(d) && !unusable(src);
    std::string result;
    int got = 0;
    const std::string &st = src.text;
    switch (which) {
    case 0:
        ok = ok && grow(d, st.size());
        result = st;
        got = mstr_assign(rec(d), rec(src));
        break;
    case 1:
        ok = ok && grow(d, d.text.size() + st.size());
        result = d.text + st;
        got = mstr_append(rec(d), rec(src));
        break;
    case 2:
        a = a % (d.text.size() + 2); // now and then one past the end
        ok = ok && a <= d.text.size() && grow(d, d.text.size() + st.size());
        if (ok) result = d.text.substr(0, a) + st + d.text.substr(a);
        got = mstr_insert(rec(d), a, rec(src));
        break;
    default:
        ok = ok && a <= b && b <= st.size() && grow(d, b - a);
        if (ok) result = st.substr(a, b - a);
        got = mstr_slice(rec(d), rec(src), a, b);
        break;
    }
    check_result("two-record edit", ok ? 0 : -1, got);
    if (ok) d.text = result;
}

void op_erase_trim()
{
    Slot &s = pick();
    bool trim = byte() & 1;
    uint32_t a = number(), b = number();
    size_t n = s.text.size();
    bool ok = writable(s);
    if (trim) {
        ok = ok && uint64_t{a} + b <= n;
        check_result("mstr_trim", ok ? 0 : -1, mstr_trim(rec(s), a, b));
        if (ok) s.text = s.text.substr(a, n - a - b);
    } else {
        ok = ok && a <= b && b <= n;
        check_result("mstr_erase", ok ? 0 : -1, mstr_erase(rec(s), a, b));
        if (ok) s.text.erase(a, b - a);
    }
}

void op_clear_strip_pop()
{
    Slot &s = pick();
    uint8_t how = byte();
    bool ok = writable(s);
    if (how % 3 == 0) {
        check_result("mstr_clear", ok ? 0 : -1, mstr_clear(rec(s)));
        if (ok) s.text.clear();
    } else if (how % 3 == 1) {
        bool left_side = how & 4, right_side = how & 8;
        auto space = [](char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; };
        size_t removed = 0;
        std::string t = s.text;
        if (left_side) {
            size_t k = 0;
            while (k < t.size() && space(t[k]))
                ++k;
            t.erase(0, k), removed += k;
        }
        if (right_side) {
            size_t k = 0;
            while (k < t.size() && space(t[t.size() - 1 - k]))
                ++k;
            t.erase(t.size() - k), removed += k;
        }
        check_result("mstr_strip", ok ? static_cast<long long>(removed) : -1,
                     mstr_strip(rec(s), left_side, right_side));
        if (ok) s.text = t;
    } else {
        ok = ok && !s.text.empty();
        char out = '?';
        check_result("mstr_pop_back", ok ? 0 : -1, mstr_pop_back(rec(s), how & 4 ? &out : nullptr));
        if (ok && (how & 4)) EXPECT(out == s.text.back(), "mstr_pop_back gave the wrong character");
        if (!ok) EXPECT(out == '?', "a refused mstr_pop_back wrote its out-parameter");
        if (ok) s.text.pop_back();
    }
}

void op_room()
{
    Slot &s = pick();
    bool extend = byte() & 1;
    uint32_t n = number();
    bool heap = (s.kind == heap_value || s.kind == heap_new) && !unusable(s);
    bool ok = heap && grow(s, extend ? uint64_t{s.text.size()} + n : n);
    int got = extend ? mstr_extend(rec(s), n) : mstr_reserve(rec(s), n);
    check_result(extend ? "mstr_extend" : "mstr_reserve", ok ? 0 : -1, got);
}

// The model's search: the first occurrence at or after start of a non-empty
// needle that fits.
long long model_find(const std::string &h, uint32_t start, const std::string &n)
{
    if (n.empty() || h.size() < n.size() || start >= h.size() || start > h.size() - n.size())
        return -1;
    size_t p = h.find(n, start);
    return p == std::string::npos ? -1 : static_cast<long long>(p);
}

long long model_count(const std::string &h, const std::string &n)
{
    long long count = 0;
    for (long long p = model_find(h, 0, n); p >= 0;
         p = model_find(h, static_cast<uint32_t>(p + n.size()), n))
        ++count;
    return count;
}

void op_search()
{
    Slot &h = pick();
    Slot &n = pick();
    uint8_t how = byte();
    uint32_t start = number();
    bool ok = &h != &n && !unusable(h) && !unusable(n);
    if (how % 4 == 0) {
        check_result("mstr_find", ok ? model_find(h.text, start, n.text) : -1,
                     mstr_find(rec(h), start, rec(n)));
    } else if (how % 4 == 1) {
        check_result("mstr_count", ok ? model_count(h.text, n.text) : -1,
                     mstr_count(rec(h), rec(n)));
    } else if (how % 4 == 2) {
        std::string t = up_to_nul(text_arg());
        check_result("mstr_find_cstr", unusable(h) ? -1 : model_find(h.text, start, t),
                     mstr_find_cstr(rec(h), start, t.c_str()));
    } else {
        int got = mstr_compare(rec(h), rec(n));
        int want = ok ? std::strcmp(h.text.c_str(), n.text.c_str()) : -2;
        if (!ok) check_result("mstr_compare", -2, got);
        EXPECT(!ok || ((got < 0) == (want < 0) && (got > 0) == (want > 0)),
               "mstr_compare of \"%s\" and \"%s\" gave %d", h.text.c_str(), n.text.c_str(), got);
    }
}

void op_replace()
{
    Slot &t = pick();
    Slot &o = pick();
    Slot &w = pick();
    uint32_t max = byte() % 4;
    bool ok = &t != &o && &t != &w && &o != &w && writable(t) && !unusable(o) && !unusable(w);
    long long expected = ok ? 0 : -1;
    if (ok) {
        const std::string old_text = o.text, new_text = w.text;
        long long p = model_find(t.text, 0, old_text);
        while (p >= 0) {
            size_t at = static_cast<size_t>(p);
            if (!grow(t, t.text.size() - old_text.size() + new_text.size())) {
                t.text.erase(at, old_text.size());
                expected = -1;
                break;
            }
            t.text.replace(at, old_text.size(), new_text);
            if (++expected == max) break;
            p = model_find(t.text, static_cast<uint32_t>(at + new_text.size()), old_text);
        }
    }
    check_result("mstr_replace", expected, mstr_replace(rec(t), rec(o), rec(w), max));
}

// Searches and replacements with a constant record that views a record's own
// text: a replacement in the viewed record is refused.
void op_view()
{
    Slot &s = pick();
    Slot &h = pick();
    uint32_t k = byte();
    char *own = mstr_get(rec(s));
    if (!own) return;
    k %= s.text.size() + 1;
    mstr view = {MSTR_MAGIC_CONST, 0, 0, own + k};
    std::string viewed = s.text.substr(k);
    check_result("mstr_find(view)", unusable(h) ? -1 : model_find(h.text, 0, viewed),
                 mstr_find(rec(h), 0, &view));
    if (&h != &s) return;
    Slot &other = &slots[0] == &s ? slots[1] : slots[0];
    check_result("mstr_replace(own view)", -1, mstr_replace(rec(s), &view, rec(other), 0));
}

void op_partition()
{
    Slot &head = pick();
    Slot &rest = pick();
    Slot &sep = pick();
    bool plain = byte() & 1;
    std::string plain_sep = up_to_nul(text_arg());
    const std::string &separator = plain ? plain_sep : sep.text;
    bool ok = &head != &rest && writable(head) && writable(rest) &&
              (plain || (&head != &sep && &rest != &sep && !unusable(sep)));
    long long expected = -1;
    if (ok) {
        long long p = model_find(rest.text, 0, separator);
        if (p >= 0 && grow(head, static_cast<uint64_t>(p))) {
            head.text = rest.text.substr(0, static_cast<size_t>(p));
            rest.text.erase(0, static_cast<size_t>(p) + separator.size());
            expected = 1;
        } else if (p < 0 && grow(head, rest.text.size())) {
            head.text = rest.text;
            rest.text.clear();
            expected = 0;
        }
    }
    int got = plain ? mstr_partition_cstr(rec(head), rec(rest), plain_sep.c_str())
                    : mstr_partition(rec(head), rec(rest), rec(sep));
    check_result("mstr_partition", expected, got);
}

void op_getdelim()
{
    Slot &s = pick();
    uint8_t how = byte();
    // A newline, -1 or a byte value, now and then pushed past 255 (never
    // matching).
    int delimiter = how & 1 ? '\n' : (how & 2 ? -1 : byte() + (how & 8 ? 256 : 0));
    bool ok = writable(s);
    if (how & 4) {
        check_result("mstr_getdelim(null stream)", -1, mstr_getdelim(rec(s), nullptr, '\n'));
        if (ok) s.text.clear();
        return;
    }
    int expected = -1;
    std::string read;
    if (ok) {
        for (uint64_t i = 0;; ++i) {
            if (!grow(s, i + 1)) {
                expected = 1;
                break;
            }
            if (stream_pos == stream_data.size()) {
                expected = 2;
                break;
            }
            unsigned char c = static_cast<unsigned char>(stream_data[stream_pos++]);
            read += static_cast<char>(c);
            if (c == delimiter) {
                expected = 0;
                break;
            }
        }
    }
    int got = how & 1 ? mstr_getline(rec(s), stream) : mstr_getdelim(rec(s), stream, delimiter);
    check_result("mstr_getdelim", expected, got);
    if (!ok) return;
    EXPECT(rec(s)->lastlen == read.size(), "mstr_getdelim stored %u characters, read %zu",
           rec(s)->lastlen, read.size());
    s.text = up_to_nul(read);
}

void op_destroy()
{
    Slot &s = pick();
    uint8_t how = byte();
    uint32_t capacity = number();
    if (s.kind == heap_new) {
        check_result("mstr_delete", unusable(s) ? -1 : 0, mstr_delete(&s.pointer));
        if (s.damaged_at) return;
        EXPECT(s.pointer == nullptr, "mstr_delete left the pointer");
        make_heap(s, capacity, false);
        return;
    }
    check_result("mstr_destroy", unusable(s) ? -1 : 0, mstr_destroy(&s.value));
    if (s.damaged_at) return;
    if (!s.broken) {
        EXPECT(s.value.magic == 0 && s.value.lastlen == 0 && s.value.capacity == 0 &&
                   !s.value.c_str,
               "a destroyed record is not all zero");
        check_result("mstr_destroy again", -1, mstr_destroy(&s.value));
        if (s.kind == guarded)
            for (uint32_t i = 0; i < s.fixed + MSTR_BLOCK_OVERHEAD; ++i)
                EXPECT(s.storage[i] == 0, "the guarded block was not wiped at byte %u", i);
    }
    if (s.kind == heap_value)
        make_heap(s, capacity, how & 1);
    else
        make_fixed(s);
}

// Overwrites or restores a guard byte of a heap or guarded record.
void op_damage()
{
    Slot &s = pick();
    uint8_t where = byte();
    if (s.damaged_at) {
        *s.damaged_at = s.damaged_byte;
        s.damaged_at = nullptr;
        return;
    }
    if (s.kind == external || s.kind == external2 || s.kind == constant || s.broken) return;
    mstr *r = rec(s);
    if (mstr_valid(r) != 0) fuzz::fail("step %d: record to damage is not valid", step);
    s.damaged_at = where & 4 ? r->c_str + r->capacity + 1 + where % 4 : r->c_str - 4 + where % 4;
    s.damaged_byte = *s.damaged_at;
    *s.damaged_at = static_cast<char>(~s.damaged_byte);
}

// Writes one byte into the text area through c_str, as a caller may: a NUL
// shortens the text, another byte changes or lengthens it.
void op_poke()
{
    Slot &s = pick();
    uint32_t at = number();
    char c = static_cast<char>(byte() % 3 == 0 ? 0 : 'a' + byte() % 3);
    if (!writable(s) || s.capacity == 0) return;
    char *area = mstr_get(rec(s));
    at %= s.capacity; // never the area's last byte, which ends every text
    area[at] = c;
    if (at < s.text.size())
        s.text = c ? s.text.substr(0, at) + c + s.text.substr(at + 1) : s.text.substr(0, at);
    else if (at == s.text.size() && c)
        s.text = std::string(area, strnlen(area, s.capacity + 1));
}

void run_step()
{
    uint8_t op = byte();
    switch (op % 17) {
    case 0:
        op_strcat(false);
        break;
    case 1:
        op_strcat(true);
        break;
    case 2:
        op_own_text(op & 16);
        break;
    case 3:
        op_push_back();
        break;
    case 4:
        op_sprintf();
        break;
    case 5:
        op_two((op >> 4) & 3);
        break;
    case 6:
        op_erase_trim();
        break;
    case 7:
        op_clear_strip_pop();
        break;
    case 8:
        op_room();
        break;
    case 9:
        op_search();
        break;
    case 10:
        op_replace();
        break;
    case 11:
        op_partition();
        break;
    case 12:
        op_getdelim();
        break;
    case 13:
        op_destroy();
        break;
    case 14:
        op_damage();
        break;
    case 15:
        op_view();
        op_poke();
        break;
    default:
        _mstr_debug_show(op & 32 ? nullptr : rec(pick()));
        break;
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    fuzz::silence_stdout(); // the debug dump
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    in = data;
    left = size;
    step = 0;
    set_up();
    for (int i = 0; i < slot_count; ++i)
        verify(slots[i], i);
    while (left) {
        ++step;
        run_step();
        for (int i = 0; i < slot_count; ++i) {
            verify(slots[i], i);
            if (slots[i].text.size() > longest_text && writable(slots[i])) {
                check_result("mstr_clear", 0, mstr_clear(rec(slots[i])));
                slots[i].text.clear();
            }
        }
    }
    tear_down();
    return 0;
}

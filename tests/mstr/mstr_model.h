// mstr against a std::string model: byte-coded steps over six records of every
// kind, each then matching its model (result, text, length, capacity, guard
// words, place). The fuzz target runs libFuzzer's input, a GoogleTest seeded
// random bytes; run() returns the first divergence.
//
// Built with MSTR_MODEL_INJECT (tests/support/inject.h), a program run with
// failing set first runs each step with its first, second, ... allocation
// failing, until a run needs no more: every failed allocation must make the
// call report failure and leave every record as it was.
#pragma once

#ifdef MSTR_MODEL_INJECT
#include "inject.h"
#endif

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "mstr.h"

namespace mstr_model
{

constexpr uint32_t limit = MSTR_SIZE_LIMIT;
constexpr size_t longest_text = 16 * 1024; // emptied past it: replacing is quadratic
enum Kind { heap_value, heap_new, guarded, external, external2, constant, kinds };
constexpr uint32_t edge[] = {0, 1, limit - 1, limit, 1u << 20, ~0u >> 1, ~0u, 1u << 31};
constexpr uint32_t magic_of[kinds] = {MSTR_MAGIC_HEAP,     MSTR_MAGIC_HEAP,      MSTR_MAGIC_GUARDED,
                                      MSTR_MAGIC_EXTERNAL, MSTR_MAGIC_EXTERNAL2, MSTR_MAGIC_CONST};

// A record, the memory it lives in and the model of it.
struct Slot {
    Kind kind{};
    mstr value{};               // the record, but heap_new's is *pointer
    mstr *pointer = nullptr;    // null when mstr_new failed
    char *storage = nullptr;    // guarded block or external buffer, exactly sized
    uint32_t fixed = 0;         // their capacity
    std::string literal;        // the constant kind's text
    std::string text;           // model: the characters before the first NUL
    uint32_t capacity = 0;      // model
    bool broken = false;        // a heap record without a block it can ever get
    char *damaged_at = nullptr; // the guard byte flipped, null when intact
    char *home = nullptr;       // where a text that never moves is
    mstr *rec() { return kind == heap_new ? pointer : &value; }
    bool heap() const { return kind <= heap_new; }
    bool unusable() const { return broken || damaged_at; }
    bool writable() const { return kind != constant && !unusable(); }
};

// The library's search: a non-empty needle, at or after start.
inline long long find(const std::string &h, uint64_t start, const std::string &n)
{
    size_t p = n.empty() || start > h.size() ? std::string::npos : h.find(n, start);
    return p == std::string::npos ? -1 : static_cast<long long>(p);
}

inline void same(const char *op, long long want, long long got)
{
    if (want != got)
        throw op + (" returned " + std::to_string(got)) + ", should return " + std::to_string(want);
}

class Program
{
  public:
    Program(const uint8_t *data, size_t size, bool failing = false)
        : in(data), remaining(size), failing(failing)
    {
    }
    ~Program()
    {
        for (Slot &s : slots) {
            if (s.damaged_at) *s.damaged_at = static_cast<char>(~*s.damaged_at);
            s.kind == heap_new ? mstr_delete(&s.pointer) : s.broken ? 0 : mstr_destroy(&s.value);
            std::free(s.storage);
        }
        if (stream) std::fclose(stream);
    }

    // Runs the program to its end; the first divergence, or "".
    std::string run()
    {
        try {
            for (set_up(), verify(); remaining; verify())
                failing ? run_failing_step() : run_step();
        } catch (const std::string &divergence) {
            return "step " + std::to_string(step) + ": " + divergence;
        }
        return "";
    }

  private:
    Slot slots[kinds];
    const uint8_t *in;
    size_t remaining;
    bool failing;
    int step = 0;
    FILE *stream = nullptr; // line input reads it, the model reads stream_data
    std::string stream_data;
    size_t stream_pos = 0;

    uint8_t byte() { return remaining ? (--remaining, *in++) : 0; }
    uint32_t number() { return remaining && *in >= 0xF0 ? edge[byte() % 8] : byte() % 40; }
    // Up to 11 characters: bytes below 0x80 as they are, the others from a
    // few characters that make matches and white space likely.
    std::string text()
    {
        std::string t(byte() % 12, '\0');
        for (char &c : t)
            c = static_cast<char>(remaining && *in & 0x80 ? "aab \t\n\xC3\xA0"[byte() % 8]
                                                          : byte());
        return t;
    }
    Slot &pick() { return slots[byte() % kinds]; }

    // The growth rule: a heap text needing room for need characters gets the
    // larger of the need and twice its capacity, below the size limit.
    bool grow(Slot &s, uint64_t need)
    {
        uint64_t grown = std::max(need, 2 * uint64_t{s.capacity});
        if (need > s.capacity && (!s.heap() || grown >= limit)) return false;
        if (need > s.capacity) s.capacity = static_cast<uint32_t>(grown);
        return true;
    }
    // An edit the library carries out when ok holds, s is writable and after
    // fits: it returns 0 and s holds after; else -1 and s is unchanged.
    void edit(const char *op, Slot &s, bool ok, const std::string &after, long long got)
    {
        ok = ok && s.writable() && grow(s, after.size());
        same(op, ok ? 0 : -1, got);
        if (ok) s.text = after;
    }

    // Makes the record of s afresh: a heap one of capacity (none ever at the
    // size limit) or the empty heap value, the others empty over their memory.
    void make(Slot &s, uint32_t capacity, bool empty_value)
    {
        char *area = s.kind == constant ? s.literal.data() : s.storage;
        s.text = s.literal.substr(0, s.literal.find('\0'));
        s.broken = s.heap() && capacity >= limit && !empty_value;
        s.capacity = s.kind == constant ? static_cast<uint32_t>(s.text.size())
                     : s.heap()         ? (s.broken || empty_value ? 0 : capacity)
                                        : s.fixed;
        if (s.kind == heap_new && !(s.pointer = mstr_new(capacity)) != s.broken)
            throw std::string("mstr_new");
        if (s.kind == heap_value) s.value = MSTR_EMPTY_HEAP;
        if (s.kind == heap_value && !empty_value)
            same("mstr_create", s.broken ? -1 : 0, mstr_create(&s.value, capacity));
        if (s.kind == guarded) area = _mstr_init_data(s.storage, s.fixed, MSTR_MAGIC_GUARDED);
        if (s.kind == external || s.kind == external2) // stale bytes after the text
            _mstr_init_buffer(static_cast<char *>(std::memset(area, 'x', s.fixed + 1)),
                              s.fixed + 1)[0] = 0;
        if (!s.heap()) s.value = {magic_of[s.kind], 0, s.fixed, s.home = area};
    }
    void set_up()
    {
        slots[constant].literal = text();
        for (int i = 0; i < kinds; ++i) {
            Slot &s = slots[i];
            uint32_t n = byte() % 48;
            s.kind = static_cast<Kind>(i);
            if (i >= guarded && i <= external2) // exactly sized memory of their own
                s.fixed = n,
                s.storage = static_cast<char *>(std::malloc(n + (i == guarded) * 8 + 1));
            make(s, n, i == heap_value);
        }
        stream_data = text() + "\n";
        stream = fmemopen(stream_data.data(), stream_data.size(), "r");
    }

    // What every record must look like after every step.
    void verify()
    {
        for (int i = 0; i < kinds; ++i) {
            Slot &s = slots[i];
            mstr *r = s.rec();
            uint32_t magic = magic_of[i];
            std::string at = "record " + std::to_string(i);
            if (s.unusable() && (mstr_get(r) || (s.damaged_at && r->c_str != s.text)))
                throw at + " passes the check or changed while damaged";
            if (s.unusable()) continue;
            if (mstr_valid(r) != 0) throw at + " fails the check";
            std::string text(r->c_str, strnlen(r->c_str, size_t{r->capacity} + 1));
            bool guards = !(s.heap() || s.kind == guarded) ||
                          (std::memcmp(r->c_str - 4, &magic, 4) == 0 &&
                           std::memcmp(r->c_str + r->capacity + 1, &magic, 4) == 0);
            if (r->magic != magic || r->lastlen > r->capacity || r->lastlen < text.size() ||
                r->capacity != s.capacity || text != s.text || mstr_length(r) != text.size() ||
                mstr_capacity(r) != s.capacity || !guards || (!s.heap() && r->c_str != s.home))
                throw at + " holds \"" + text + "\" in " + std::to_string(r->capacity) +
                    ", should hold \"" + s.text + "\" in " + std::to_string(s.capacity) +
                    (guards ? "" : ", a guard damaged");
            if (s.text.size() > longest_text && s.writable()) {
                same("mstr_clear", 0, mstr_clear(r));
                s.text.clear();
            }
        }
    }

#ifdef MSTR_MODEL_INJECT
    static bool refused()
    {
        return inject::fired();
    }

    // The step with its nth allocation failing, for n = 1, 2, ... until a run
    // makes no failing call. A run the failure made diverge from the model
    // must have had the library report failure; the records are then checked
    // against the model as it was, and the step is run again from there.
    // Three steps are left out, whose failures are documented to change a
    // record: a replacement that runs out of room (op 19) keeps the ones
    // before and removes the match, line input (op 21) stops with 1 (full)
    // keeping what it read, and a remake (op 22) leaves the record destroyed.
    void run_failing_step()
    {
        Slot saved[kinds];
        for (long n = 1; in[0] % 28 != 19 && in[0] % 28 != 21 && in[0] % 28 != 22; ++n) {
            const uint8_t *at = in;
            size_t left = remaining;
            int counted = step;
            std::copy(std::begin(slots), std::end(slots), saved);
            std::string divergence;
            inject::arm(n);
            try {
                run_step();
            } catch (const std::string &d) {
                divergence = d;
            }
            inject::disarm();
            if (divergence.empty() || !inject::fired()) {
                if (!divergence.empty()) throw divergence;
                return;
            }
            if (divergence.find(" returned -") == std::string::npos)
                throw "with allocation " + std::to_string(n) + " failing: " + divergence;
            for (int i = 0; i < kinds; ++i) // the model as it was; the memory is the same
                slots[i].text = saved[i].text, slots[i].capacity = saved[i].capacity;
            verify();
            in = at, remaining = left, step = counted;
        }
        run_step();
    }
#else
    static bool refused()
    {
        return false;
    }
    void run_failing_step()
    {
        run_step();
    }
#endif

    void run_step()
    {
        ++step;
        uint8_t op = byte();
        Slot &s = pick(), &o = pick(), &w = pick();
        std::string t = text();
        t.resize(std::min(t.size(), t.find('\0'))); // what the library sees of it
        uint32_t a = number(), b = number();
        mstr *r = s.rec(), *src = o.rec();
        const std::string &x = s.text, &y = o.text;
        bool two = &s != &o && !o.unusable(); // a distinct, usable second record
        bool none = (op & 0xC0) == 0xC0;      // a null text, refused
        size_t at = a % (x.size() + 1);
        char c = t.empty() ? '\0' : t[0], *area = mstr_get(r);
        // What strcat and strcpy take: t, none, or the record's own text from at.
        const char *p = area && (op & 32) ? area + at : none ? nullptr : t.c_str();
        std::string u = area && (op & 32) ? x.substr(at) : t;
        long long n = 0, q = -1;
        // clang-format off
        switch (op % 28) {
        case 0: return edit("mstr_strcat", s, p, x + u, mstr_strcat(r, p));
        case 1: return edit("mstr_strcpy", s, p, u, mstr_strcpy(r, p));
        case 2: { // the full length; a fixed record keeps what fits
            bool bare = a % 4 == 0; // "%s" alone: an empty t prints nothing
            std::string full = bare ? t : t + ":" + std::to_string(a);
            bool ok = s.writable() && !none;
            same("mstr_sprintf", ok ? static_cast<long long>(full.size()) : -1,
                 mstr_sprintf(r, none ? nullptr : bare ? "%s" : "%s:%u", t.c_str(), a));
            uint32_t before = s.capacity;
            bool grew = ok && grow(s, full.size());
            if (grew && refused()) s.capacity = before, grew = false; // kept what fits
            if (ok) s.text = grew ? full : full.substr(0, s.capacity);
            return same("lastlen after mstr_sprintf", x.size(), ok ? r->lastlen : x.size());
        }
        case 3: return edit("mstr_push_back", s, true, x + t.substr(0, 1),
                            mstr_push_back(r, static_cast<signed char>(c)));
        case 4: return edit("mstr_assign", s, two, y, mstr_assign(r, src));
        case 5: return edit("mstr_append", s, two, x + y, mstr_append(r, src));
        case 6: return edit("mstr_insert", s, two && a <= x.size(), std::string(x).insert(at, y),
                            mstr_insert(r, a, src));
        case 7: return edit("mstr_slice", s, two && a <= b && b <= y.size(),
                            y.substr(std::min<size_t>(a, y.size()), b - a),
                            mstr_slice(r, src, a, b));
        case 8: return edit("mstr_erase", s, a <= b && b <= x.size(),
                            std::string(x).erase(at, b - a), mstr_erase(r, a, b));
        case 9: return edit("mstr_trim", s, uint64_t{a} + b <= x.size(),
                            x.substr(at, x.size() - at - std::min<size_t>(b, x.size() - at)),
                            mstr_trim(r, a, b));
        case 10: return edit("mstr_clear", s, true, "", mstr_clear(r));
        case 11: { // white space off the chosen ends; the count removed
            const char *space = " \t\n\v\f\r";
            std::string rest = x.substr(op & 32 ? std::min(x.size(), x.find_first_not_of(space))
                                                : 0);
            rest.resize(op & 64 ? rest.find_last_not_of(space) + 1 : rest.size());
            same("mstr_strip", s.writable() ? static_cast<long long>(x.size() - rest.size()) : -1,
                 mstr_strip(r, op & 32, op & 64));
            if (s.writable()) s.text = rest;
            return;
        }
        case 12: { // the last character, handed over when asked for
            char out = '?';
            int got = mstr_pop_back(r, op & 32 ? &out : nullptr);
            same("popped", !x.empty() && s.writable() && (op & 32) ? x.back() : '?', out);
            return edit("mstr_pop_back", s, !x.empty(), x.substr(0, x.size() - !x.empty()), got);
        }
        case 13: return same("mstr_extend",
                             s.heap() && area && grow(s, uint64_t{x.size()} + a) ? 0 : -1,
                             mstr_extend(r, a));
        case 14: return same("mstr_reserve", s.heap() && area && grow(s, a) ? 0 : -1,
                             mstr_reserve(r, a));
        case 15: return same("mstr_find", two && area ? find(x, a, y) : -1, mstr_find(r, a, src));
        case 16: // non-overlapping occurrences
            for (q = find(x, 0, y); two && area && q >= 0; q = find(x, q + y.size(), y))
                ++n;
            return same("mstr_count", two && area ? n : -1, mstr_count(r, src));
        case 17: return same("mstr_find_cstr", area && !none ? find(x, a, t) : -1,
                             mstr_find_cstr(r, a, none ? nullptr : t.c_str()));
        case 18: return two && area ? same("mstr_compare", std::clamp(x.compare(y), -1, 1),
                                           std::clamp(mstr_compare(r, src), -1, 1))
                                    : same("mstr_compare", -2, mstr_compare(r, src));
        case 19: { // from the left, never in inserted text; a match that does not fit goes
            bool ok = two && &s != &w && &o != &w && s.writable() && !w.unusable();
            n = ok ? 0 : -1;
            for (q = ok ? find(x, 0, y) : -1; q >= 0; q = find(x, q + w.text.size(), y)) {
                bool fits = grow(s, x.size() - y.size() + w.text.size());
                s.text.replace(q, y.size(), fits ? w.text : "");
                n = fits ? n + 1 : -1;
                if (!fits || n == a % 4) break;
            }
            return same("mstr_replace", n, mstr_replace(r, src, w.rec(), a % 4));
        }
        case 20: { // with a record or plain characters (or none) as separator
            bool plain = op & 32, ok = &s != &o && s.writable() && o.writable() &&
                         (plain ? !none : &s != &w && &o != &w && !w.unusable());
            const std::string &separator = plain ? t : w.text;
            q = find(y, 0, separator);
            ok = ok && grow(s, q < 0 ? y.size() : q); // the head takes all without a separator
            same("mstr_partition", ok ? q >= 0 : -1,
                 plain ? mstr_partition_cstr(r, src, none ? nullptr : t.c_str())
                       : mstr_partition(r, src, w.rec()));
            if (ok) s.text = y.substr(0, q), o.text = q < 0 ? "" : y.substr(q + separator.size());
            return;
        }
        case 21: { // from a null stream, to a newline, -1, a character or past 255 (never met)
            FILE *from = op & 32 ? nullptr : stream;
            int delimiter = op & 64 ? '\n' : op & 128 ? -1 : (c & 0xFF) + (op & 16) * 16;
            std::string read; // nothing from a null stream, but the record is emptied
            while (from && s.writable() && q < 0) // 1 when full, 2 at the end, 0 at the delimiter
                q = !grow(s, read.size() + 1) ? 1 : stream_pos == stream_data.size() ? 2
                    : ((read += stream_data[stream_pos++]).back() & 0xFF) == delimiter ? 0 : -1;
            same("mstr_getdelim", q, delimiter == '\n' ? mstr_getline(r, from)
                                                       : mstr_getdelim(r, from, delimiter));
            if (from && s.writable()) same("characters read", read.size(), r->lastlen);
            if (s.writable()) s.text = read.substr(0, read.find('\0'));
            return;
        }
        case 22: { // mstr_destroy (mstr_delete for heap_new), then the record made again
            same("mstr_destroy", area ? 0 : -1,
                 s.kind == heap_new ? mstr_delete(&s.pointer) : mstr_destroy(&s.value));
            const mstr &v = s.value;
            if (s.damaged_at) return;
            if (s.kind == heap_new ? s.pointer != nullptr
                                   : !s.broken && (v.magic || v.lastlen || v.capacity || v.c_str))
                throw std::string("a destroyed record is not all zero");
            if (s.kind == guarded && std::any_of(s.storage, s.storage + s.fixed + 9,
                                                 [](char byte) { return byte != 0; }))
                throw std::string("the guarded block was not wiped");
            return make(s, a, s.kind == heap_value && (op & 32));
        }
        case 23: { // flips the bits of a guard byte of a heap or guarded record, or back
            char *&g = s.damaged_at, *was = g;
            if (!g && (s.heap() || s.kind == guarded) && area)
                g = (a & 4 ? area + s.capacity + 1 : area - 4) + a % 4;
            if (g) *g = static_cast<char>(~*g);
            if (was) g = nullptr;
            return;
        }
        case 24: { // a constant record viewing s's text: found in o; when o is s, refused
                   // by a replacement in s and appended to s, which may grow away from it
            if (!area) return;
            mstr v = {MSTR_MAGIC_CONST, 0, 0, area + at}, *other = slots[&s == &slots[0]].rec();
            same("mstr_find(view)", o.unusable() ? -1 : find(y, 0, x.substr(at)),
                 mstr_find(src, 0, &v));
            if (&o != &s) return;
            same("mstr_replace(own view, _)", -1, mstr_replace(r, &v, other, 0));
            same("mstr_replace(_, own view)", -1, mstr_replace(r, other, &v, 0));
            return edit("mstr_append(own view)", s, true, x + x.substr(at), mstr_append(r, &v));
        }
        case 25: // a write through c_str as a caller may: a NUL shortens the text
            if (!s.writable() || s.capacity == 0) return; // the area's last byte ends every text
            area[a % s.capacity] = c;
            s.text = std::string(area, strnlen(area, s.capacity));
            return;
        default: return _mstr_debug_show(op & 32 ? nullptr : r);
        }
        // clang-format on
    }
};

} // namespace mstr_model

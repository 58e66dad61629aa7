// Long seeded random runs of edits and searches on records of every kind, each mirrored on
// a std::string model; results and texts must agree after every step.
#include "mstr_test_support.h"

#include <random>

namespace
{

// A record under test and what its text should be.
struct Subject {
    std::unique_ptr<Str> str;
    std::string model;
    Kind kind() const { return str->kind; }
    mstr *m() { return str->m(); }
    bool writable() const { return kind() != Kind::constant; }
    // A result of `size` characters fits: heap texts here stay far below the
    // size limit, fixed kinds hold exactly their capacity.
    bool fits(size_t size) const
    {
        return kind() == Kind::heap || (writable() && size <= str->rec.capacity);
    }
};

class RandomRun
{
  public:
    explicit RandomRun(uint32_t seed) : random(seed)
    {
        for (Kind kind : all_kinds)
            for (int copy = 0; copy < 2; ++copy) {
                std::string text = random_text(8);
                uint32_t capacity = static_cast<uint32_t>(text.size() + pick(16));
                subjects.push_back({make(kind, text, capacity), text});
            }
    }

    // One random operation, checked against the models.
    void step();

    std::mt19937 random;
    std::vector<Subject> subjects;
    std::string last; // the operation just run, for the failure message

    size_t pick(size_t n) { return std::uniform_int_distribution<size_t>(0, n - 1)(random); }
    Subject &any() { return subjects[pick(subjects.size())]; }
    // The shortest text of a few picks: a needle that occurs now and then.
    Subject &short_one()
    {
        Subject *best = &any();
        for (int i = 0; i < 3; ++i) {
            Subject &other = any();
            if (other.model.size() < best->model.size()) best = &other;
        }
        return *best;
    }
    std::string random_text(size_t longest)
    {
        static const char alphabet[] = "aab-- \t\n\xC3";
        std::string text(pick(longest + 1), ' ');
        for (char &c : text)
            c = alphabet[pick(sizeof alphabet - 1)];
        return text;
    }
    uint32_t position_in(const std::string &text) { return uint32_t(pick(text.size() + 2)); }

    // A plain text to copy in: fresh, or a piece of the record's own text.
    std::string source_for(Subject &s, const char **pointer, std::string &storage)
    {
        if (pick(4) == 0 && s.writable()) {
            size_t at = pick(s.model.size() + 1);
            *pointer = mstr_get(s.m()) + at;
            return s.model.substr(at);
        }
        storage = random_text(12);
        *pointer = storage.c_str();
        return storage;
    }

    void expect(Subject &s, int result, int expected)
    {
        ASSERT_EQ(result, expected) << last;
        ASSERT_EQ(text_of(s.m()), s.model) << last << " on a " << kind_name(s.kind()) << " record";
        ASSERT_TRUE(guards_intact(s.str->rec)) << last;
    }

    void copy_text(Subject &s, bool append);
    void format(Subject &s);
    void two_records(Subject &a, Subject &b);
    void ranges(Subject &s);
    void ends(Subject &s);
    void search(Subject &a, Subject &b);
    void replace(Subject &target, Subject &old_text, Subject &new_text);
    void partition(Subject &head, Subject &rest, Subject &separator);
};

// Where needle first occurs in text at or after start, by the library's rules.
int model_find(const std::string &text, uint32_t start, const std::string &needle)
{
    if (needle.empty() || start >= text.size() || start + needle.size() > text.size()) return -1;
    size_t at = text.find(needle, start);
    return at == std::string::npos ? -1 : int(at);
}

int model_count(const std::string &text, const std::string &needle)
{
    int count = 0;
    for (int p = model_find(text, 0, needle); p >= 0;
         p = model_find(text, uint32_t(p + needle.size()), needle))
        ++count;
    return count;
}

void RandomRun::copy_text(Subject &s, bool append)
{
    const char *pointer = nullptr;
    std::string storage;
    std::string text = source_for(s, &pointer, storage);
    std::string after = append ? s.model + text : text;
    last = std::string(append ? "strcat \"" : "strcpy \"") + text + "\"";
    int result = append ? mstr_strcat(s.m(), pointer) : mstr_strcpy(s.m(), pointer);
    bool ok = s.fits(after.size());
    if (ok) s.model = after;
    expect(s, result, ok ? 0 : -1);
}

void RandomRun::format(Subject &s)
{
    std::string text = random_text(12);
    int number = int(pick(1000));
    std::string full = text + "|" + std::to_string(number);
    last = "sprintf \"" + full + "\"";
    int result = mstr_sprintf(s.m(), "%s|%d", text.c_str(), number);
    if (!s.writable()) return expect(s, result, -1);
    s.model = s.kind() == Kind::heap ? full : full.substr(0, s.str->rec.capacity);
    expect(s, result, int(full.size()));
}

void RandomRun::two_records(Subject &a, Subject &b)
{
    bool refused = &a == &b || !a.writable();
    uint32_t from = position_in(b.model), to = position_in(b.model);
    uint32_t at = position_in(a.model);
    int result = -1;
    std::string after;
    switch (pick(4)) {
    case 0:
        last = "assign";
        result = mstr_assign(a.m(), b.m());
        after = b.model;
        break;
    case 1:
        last = "append";
        result = mstr_append(a.m(), b.m());
        after = a.model + b.model;
        break;
    case 2:
        last = "insert at " + std::to_string(at);
        result = mstr_insert(a.m(), at, b.m());
        refused = refused || at > a.model.size();
        if (!refused) after = std::string(a.model).insert(at, b.model);
        break;
    default:
        last = "slice " + std::to_string(from) + ".." + std::to_string(to);
        result = mstr_slice(a.m(), b.m(), from, to);
        refused = refused || from > to || to > b.model.size();
        if (!refused) after = b.model.substr(from, to - from);
    }
    last += " of \"" + b.model + "\" into \"" + a.model + "\"";
    refused = refused || !a.fits(after.size());
    if (!refused) a.model = after;
    expect(a, result, refused ? -1 : 0);
    if (&a != &b) expect(b, mstr_valid(b.m()), 0);
}

void RandomRun::ranges(Subject &s)
{
    uint32_t from = position_in(s.model), to = position_in(s.model);
    bool refused = !s.writable();
    int result = 0;
    if (pick(2) == 0) {
        last = "erase " + std::to_string(from) + ".." + std::to_string(to);
        result = mstr_erase(s.m(), from, to);
        refused = refused || from > to || to > s.model.size();
        if (!refused) s.model.erase(from, to - from);
    } else {
        last = "trim " + std::to_string(from) + ", " + std::to_string(to);
        result = mstr_trim(s.m(), from, to);
        refused = refused || from + to > s.model.size();
        if (!refused) s.model = s.model.substr(from, s.model.size() - from - to);
    }
    expect(s, result, refused ? -1 : 0);
}

void RandomRun::ends(Subject &s)
{
    int left = int(pick(2)), right = int(pick(2));
    char removed = '?';
    switch (pick(4)) {
    case 0: {
        last = "strip " + std::to_string(left) + std::to_string(right);
        int count = 0;
        auto space = [](char c) { return std::strchr(" \t\n\v\f\r", c) && c; };
        if (left)
            while (count < int(s.model.size()) && space(s.model[count]))
                ++count;
        s.model.erase(0, s.writable() ? count : 0);
        int back = 0;
        while (right && back < int(s.model.size()) && space(s.model[s.model.size() - 1 - back]))
            ++back;
        s.model.resize(s.model.size() - (s.writable() ? back : 0));
        return expect(s, mstr_strip(s.m(), left, right), s.writable() ? count + back : -1);
    }
    case 1: {
        last = "pop_back";
        int result = mstr_pop_back(s.m(), &removed);
        if (!s.writable() || s.model.empty()) {
            ASSERT_EQ(removed, '?') << last;
            return expect(s, result, -1);
        }
        ASSERT_EQ(removed, s.model.back()) << last;
        s.model.pop_back();
        return expect(s, result, 0);
    }
    case 2:
        last = "clear";
        if (s.writable()) s.model.clear();
        return expect(s, mstr_clear(s.m()), s.writable() ? 0 : -1);
    default:
        last = "push_back / extend / reserve";
        int heap = s.kind() == Kind::heap ? 0 : -1;
        expect(s, mstr_extend(s.m(), uint32_t(pick(40))), heap);
        expect(s, mstr_reserve(s.m(), uint32_t(pick(80))), heap);
        char c = "ab \0"[pick(4)];
        bool ok = s.writable() && (c == '\0' || s.fits(s.model.size() + 1));
        if (ok && c) s.model += c;
        expect(s, mstr_push_back(s.m(), c), ok ? 0 : -1);
    }
}

void RandomRun::search(Subject &a, Subject &b)
{
    uint32_t start = pick(8) == 0 ? 0xFFFFFFFF : uint32_t(pick(a.model.size() + 2));
    std::string needle = random_text(3);
    bool same = &a == &b;
    last = "find / count / compare \"" + b.model + "\" in \"" + a.model + "\"";
    expect(a, mstr_find(a.m(), start, b.m()), same ? -1 : model_find(a.model, start, b.model));
    expect(a, mstr_find_cstr(a.m(), start, needle.c_str()), model_find(a.model, start, needle));
    expect(a, mstr_count(a.m(), b.m()), same ? -1 : model_count(a.model, b.model));
    int order = mstr_compare(a.m(), b.m());
    int expected = a.model.compare(b.model);
    if (same) return expect(a, order, -2);
    ASSERT_EQ(order < 0, expected < 0) << last;
    ASSERT_EQ(order == 0, expected == 0) << last;
    expect(b, mstr_valid(b.m()), 0);
}

void RandomRun::replace(Subject &target, Subject &old_text, Subject &new_text)
{
    uint32_t limit = uint32_t(pick(3));
    last = "replace \"" + old_text.model + "\" by \"" + new_text.model + "\" in \"" + target.model +
           "\" limit " + std::to_string(limit);
    int result = mstr_replace(target.m(), old_text.m(), new_text.m(), limit);
    if (&target == &old_text || &target == &new_text || &old_text == &new_text ||
        !target.writable())
        return expect(target, result, -1);
    const std::string &o = old_text.model, &w = new_text.model;
    int count = 0, expected = 0;
    for (int p = model_find(target.model, 0, o); p >= 0;
         p = model_find(target.model, uint32_t(p + w.size()), o)) {
        target.model.erase(p, o.size());
        if (!target.fits(target.model.size() + w.size())) {
            expected = -1;
            break;
        }
        target.model.insert(p, w);
        expected = ++count;
        if (limit != 0 && uint32_t(count) == limit) break;
    }
    expect(target, result, expected);
    expect(old_text, mstr_valid(old_text.m()), 0);
    expect(new_text, mstr_valid(new_text.m()), 0);
}

void RandomRun::partition(Subject &head, Subject &rest, Subject &separator)
{
    std::string characters = random_text(2);
    bool plain = pick(2) == 0;
    const std::string &sep = plain ? characters : separator.model;
    last = "partition \"" + rest.model + "\" at \"" + sep + "\"";
    int result = plain ? mstr_partition_cstr(head.m(), rest.m(), characters.c_str())
                       : mstr_partition(head.m(), rest.m(), separator.m());
    bool repeated = &head == &rest || (!plain && (&head == &separator || &rest == &separator));
    int p = model_find(rest.model, 0, sep);
    size_t head_size = p < 0 ? rest.model.size() : size_t(p);
    if (repeated || !head.writable() || !rest.writable() || !head.fits(head_size))
        return expect(head, result, -1);
    head.model = rest.model.substr(0, head_size);
    rest.model = p < 0 ? "" : rest.model.substr(p + sep.size());
    expect(head, result, p < 0 ? 0 : 1);
    expect(rest, mstr_valid(rest.m()), 0);
}

void RandomRun::step()
{
    Subject &s = any();
    if (s.kind() == Kind::heap && s.model.size() > 200) {
        s.model.clear();
        return expect(s, mstr_clear(s.m()), 0);
    }
    switch (pick(9)) {
    case 6:
        return search(s, short_one());
    case 7:
        return replace(s, short_one(), any());
    case 8:
        return partition(any(), s, short_one());
    case 0:
        return copy_text(s, false);
    case 1:
        return copy_text(s, true);
    case 2:
        return format(s);
    case 3:
        return two_records(s, any());
    case 4:
        return ranges(s);
    default:
        return ends(s);
    }
}

TEST(MstrDifferential, EditsAndSearchesAgreeWithAStdStringModelOnEveryKind)
{
    for (uint32_t seed : {1u, 2u, 3u, 4u}) {
        RandomRun run(seed);
        for (int i = 0; i < 20000; ++i) {
            SCOPED_TRACE("seed " + std::to_string(seed) + ", step " + std::to_string(i));
            run.step();
            if (testing::Test::HasFatalFailure()) return;
        }
    }
}

} // namespace

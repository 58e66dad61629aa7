// Long seeded random runs of edits on records of every kind, each mirrored on
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
};

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

void RandomRun::step()
{
    Subject &s = any();
    if (s.kind() == Kind::heap && s.model.size() > 200) {
        s.model.clear();
        return expect(s, mstr_clear(s.m()), 0);
    }
    switch (pick(6)) {
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

TEST(MstrDifferential, EditsAgreeWithAStdStringModelOnEveryKind)
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

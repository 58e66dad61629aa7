// Records of every kind over storage the test owns, and what to read back.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "mstr.h"

enum class Kind { heap, guarded, external, constant };

inline const char *kind_name(Kind kind)
{
    switch (kind) {
    case Kind::heap:
        return "heap";
    case Kind::guarded:
        return "guarded";
    case Kind::external:
        return "external";
    case Kind::constant:
        return "constant";
    }
    return "?";
}

// One record and the memory it lives in. Heap records own a library block;
// guarded and external ones sit in `storage`; a constant one points at `text`.
struct Str {
    Kind kind;
    std::vector<char> storage;
    std::string constant_text;
    mstr rec{};

    Str(const Str &) = delete;
    Str &operator=(const Str &) = delete;
    Str(Kind k, const std::string &text, uint32_t capacity) : kind(k)
    {
        switch (kind) {
        case Kind::heap:
            EXPECT_EQ(mstr_create(&rec, capacity), 0);
            break;
        case Kind::guarded:
            storage.assign(capacity + MSTR_BLOCK_OVERHEAD, 'G');
            rec = {MSTR_MAGIC_GUARDED, 0, capacity,
                   _mstr_init_data(storage.data(), capacity, MSTR_MAGIC_GUARDED)};
            break;
        case Kind::external:
            storage.assign(capacity + 1, '\0');
            rec = {MSTR_MAGIC_EXTERNAL, 0, capacity, storage.data()};
            break;
        case Kind::constant:
            constant_text = text;
            rec = {MSTR_MAGIC_CONST, 0, 0, constant_text.data()};
            return;
        }
        EXPECT_EQ(mstr_strcat(&rec, text.c_str()), 0) << "setting up " << kind_name(kind);
    }
    ~Str()
    {
        if (rec.magic != 0) {
            EXPECT_EQ(mstr_destroy(&rec), 0) << kind_name(kind);
        }
    }
    mstr *m() { return &rec; }
};

// A record of the given kind holding text; fixed kinds get exactly `capacity`
// characters of room, heap records start there and may grow.
inline std::unique_ptr<Str> make(Kind kind, const std::string &text, uint32_t capacity = 0)
{
    if (capacity < text.size()) capacity = static_cast<uint32_t>(text.size());
    return std::make_unique<Str>(kind, text, capacity);
}

// The record's text as the next operation would see it.
inline std::string text_of(mstr *s)
{
    const char *c = mstr_get(s);
    return c ? std::string(c, mstr_length(s)) : std::string("<invalid record>");
}

// Both guard words of a heap or guarded record still hold its magic number.
inline bool guards_intact(const mstr &s)
{
    if (s.magic != MSTR_MAGIC_HEAP && s.magic != MSTR_MAGIC_GUARDED) return true;
    return std::memcmp(s.c_str - 4, &s.magic, 4) == 0 &&
           std::memcmp(s.c_str + s.capacity + 1, &s.magic, 4) == 0;
}

inline const Kind all_kinds[] = {Kind::heap, Kind::guarded, Kind::external, Kind::constant};
inline const Kind fixed_kinds[] = {Kind::guarded, Kind::external};
inline const Kind writable_kinds[] = {Kind::heap, Kind::guarded, Kind::external};

// mstr line input, the debug dump and external buffers.
#include "mstr_test_support.h"

#include <cinttypes>

namespace
{

using Stream = std::unique_ptr<FILE, int (*)(FILE *)>;

// A read stream over a copy of bytes (NULs included).
struct Input {
    std::string bytes;
    Stream stream{nullptr, fclose};
    explicit Input(std::string content) : bytes(std::move(content))
    {
        stream.reset(fmemopen(bytes.data(), bytes.size(), "r"));
        EXPECT_NE(stream, nullptr);
    }
    FILE *get() { return stream.get(); }
};

// Reads pieces until a result other than 0 or 1 (or ten pieces); each piece
// as its result and text.
std::vector<std::string> pieces(mstr *s, FILE *in, int delimiter)
{
    std::vector<std::string> out;
    for (int i = 0; i < 10; ++i) {
        int result = mstr_getdelim(s, in, delimiter);
        out.push_back(std::to_string(result) + ":" + text_of(s));
        if (result != 0 && result != 1) break;
    }
    return out;
}

using Pieces = std::vector<std::string>;

TEST(MstrGetline, ReadsLinesWithTheirNewlineThenEndOfFile)
{
    Input in("ab\ncd");
    auto s = make(Kind::heap, "stale text");
    EXPECT_EQ(mstr_getline(s->m(), in.get()), 0);
    EXPECT_EQ(text_of(s->m()), "ab\n");
    EXPECT_EQ(mstr_getline(s->m(), in.get()), 2);
    EXPECT_EQ(text_of(s->m()), "cd");
    EXPECT_EQ(mstr_getline(s->m(), in.get()), 2);
    EXPECT_EQ(text_of(s->m()), "");
}

TEST(MstrGetline, DelimiterIsKeptAndMayBeAnyByteValue)
{
    Input commas("x,y");
    mstr s = MSTR_EMPTY_HEAP;
    EXPECT_EQ(pieces(&s, commas.get(), ','), (Pieces{"0:x,", "2:y"}));
    Input high("x\xE9y");
    EXPECT_EQ(pieces(&s, high.get(), 0xE9), (Pieces{"0:x\xE9", "2:y"}));
    Input none("a\xFF"
               "b");
    EXPECT_EQ(pieces(&s, none.get(), -1), (Pieces{"2:a\xFF"
                                                  "b"}));
    mstr_destroy(&s);
}

TEST(MstrGetline, FixedRecordReadsALongLineInPieces)
{
    for (Kind kind : fixed_kinds) {
        Input in("abcdef\n");
        auto s = make(kind, "", 3);
        EXPECT_EQ(pieces(s->m(), in.get(), '\n'), (Pieces{"1:abc", "1:def", "0:\n", "2:"}))
            << kind_name(kind);
        EXPECT_TRUE(guards_intact(s->rec));
    }
}

TEST(MstrGetline, HeapRecordStopsWhenItCanGrowNoMore)
{
    Input in(std::string(0x100000 + 10, 'x'));
    mstr s = MSTR_EMPTY_HEAP;
    EXPECT_EQ(mstr_getline(&s, in.get()), 1);
    EXPECT_EQ(mstr_length(&s), 0x100000u);
    EXPECT_EQ(mstr_getline(&s, in.get()), 2);
    EXPECT_EQ(text_of(&s), std::string(10, 'x')) << "the rest of the stream follows";
    mstr_destroy(&s);
}

TEST(MstrGetline, NulIsStoredAndCountedButEndsTheText)
{
    Input in(std::string("a\0b\n", 4));
    auto s = make(Kind::guarded, "", 8);
    EXPECT_EQ(mstr_getline(s->m(), in.get()), 0);
    EXPECT_EQ(s->rec.lastlen, 4u);
    EXPECT_EQ(std::string(s->rec.c_str, 4), std::string("a\0b\n", 4));
    EXPECT_EQ(text_of(s->m()), "a");
}

TEST(MstrGetline, RefusalsReadNothing)
{
    Input in("abc\n");
    auto c = make(Kind::constant, "fixed");
    EXPECT_EQ(mstr_getline(c->m(), in.get()), -1);
    EXPECT_EQ(fgetc(in.get()), 'a') << "a constant record must not read";
    auto s = make(Kind::heap, "old");
    EXPECT_EQ(mstr_getline(s->m(), nullptr), -1);
    EXPECT_EQ(text_of(s->m()), "") << "the record is emptied before the stream is looked at";
    EXPECT_EQ(mstr_getline(nullptr, in.get()), -1);
}

TEST(MstrGetline, ReadErrorIsReported)
{
    Stream out(fopen("/dev/null", "w"), fclose);
    ASSERT_NE(out, nullptr);
    auto s = make(Kind::heap, "");
    EXPECT_EQ(mstr_getline(s->m(), out.get()), -1);
}

std::string hex(const void *address)
{
    char text[32];
    std::snprintf(text, sizeof text, "0x%08" PRIXPTR, reinterpret_cast<uintptr_t>(address));
    return text;
}

std::string dump(mstr *s)
{
    testing::internal::CaptureStdout();
    _mstr_debug_show(s);
    return testing::internal::GetCapturedStdout();
}

TEST(MstrDebugShow, PrintsTheFieldsAsStored)
{
    auto s = make(Kind::heap, "hi", 4);
    EXPECT_EQ(dump(s->m()), "mstr: " + hex(s->m()) +
                                "\n  magic: 0x5AA55A71\n  lastlen: 2\n  capacity: 4\n  c_str: " +
                                hex(s->rec.c_str) + " \"hi\"\n");
    EXPECT_EQ(dump(nullptr), "mstr: NULL pointer!\n");
    mstr empty = MSTR_EMPTY_HEAP;
    std::string shown = dump(&empty);
    EXPECT_NE(shown.find("  c_str: 0x00000000 \"(null)\"\n"), std::string::npos) << shown;
    EXPECT_EQ(empty.c_str, nullptr) << "the dump must not run the check";
}

TEST(MstrDebugShow, DamagedTextIsShownNoFurtherThanItsArea)
{
    char buffer[4] = {'a', 'b', 'c', 'd'};
    mstr s = {MSTR_MAGIC_EXTERNAL, 0, 2, buffer};
    std::string shown = dump(&s);
    EXPECT_NE(shown.find(" \"abc\"\n"), std::string::npos) << shown;
}

TEST(MstrInitBuffer, TerminatesTheLastByteOnly)
{
    char buffer[8] = {'a', 'b', 'c', 'd', 'e', 'f', 'g', 'h'};
    EXPECT_EQ(_mstr_init_buffer(buffer, 8), buffer);
    EXPECT_EQ(std::string(buffer, 8), std::string("abcdefg\0", 8));
    mstr s = {MSTR_MAGIC_EXTERNAL, 0, 7, buffer};
    EXPECT_EQ(text_of(&s), "abcdefg");
    EXPECT_EQ(_mstr_init_buffer(buffer, 0), nullptr);
    EXPECT_EQ(_mstr_init_buffer(nullptr, 8), nullptr);
    EXPECT_EQ(buffer[6], 'g');
}

} // namespace

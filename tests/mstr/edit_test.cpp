// mstr editing: refusals, ranges, growth and its refusal, formatting, strip,
// trim, pop_back, extend and reserve, on every kind.
#include "mstr_test_support.h"

namespace
{

TEST(MstrEditRefusals, SameRecordAsDestinationAndSourceIsRefused)
{
    for (Kind kind : all_kinds) {
        auto s = make(kind, "abc", 8);
        EXPECT_EQ(mstr_assign(s->m(), s->m()), -1) << kind_name(kind);
        EXPECT_EQ(mstr_append(s->m(), s->m()), -1) << kind_name(kind);
        EXPECT_EQ(mstr_insert(s->m(), 0, s->m()), -1) << kind_name(kind);
        EXPECT_EQ(mstr_slice(s->m(), s->m(), 0, 0), -1) << kind_name(kind);
        EXPECT_EQ(text_of(s->m()), "abc") << kind_name(kind);
    }
}

TEST(MstrEditRefusals, ConstantDestinationIsNeverChanged)
{
    auto c = make(Kind::constant, "fixed");
    auto source = make(Kind::heap, "src");
    char removed = '?';
    EXPECT_EQ(mstr_strcpy(c->m(), "x"), -1);
    EXPECT_EQ(mstr_sprintf(c->m(), "%d", 1), -1);
    EXPECT_EQ(mstr_assign(c->m(), source->m()), -1);
    EXPECT_EQ(mstr_append(c->m(), source->m()), -1);
    EXPECT_EQ(mstr_insert(c->m(), 0, source->m()), -1);
    EXPECT_EQ(mstr_slice(c->m(), source->m(), 0, 1), -1);
    EXPECT_EQ(mstr_erase(c->m(), 0, 1), -1);
    EXPECT_EQ(mstr_clear(c->m()), -1);
    EXPECT_EQ(mstr_trim(c->m(), 1, 0), -1);
    EXPECT_EQ(mstr_strip(c->m(), 1, 1), -1);
    EXPECT_EQ(mstr_pop_back(c->m(), &removed), -1);
    EXPECT_EQ(removed, '?') << "the out-parameter must not be written";
    EXPECT_EQ(text_of(c->m()), "fixed");
}

TEST(MstrEditRefusals, NullTextOrFormatIsRefused)
{
    auto s = make(Kind::heap, "abc");
    EXPECT_EQ(mstr_strcpy(s->m(), nullptr), -1);
    const char *no_format = nullptr;
    EXPECT_EQ(mstr_sprintf(s->m(), no_format), -1);
    EXPECT_EQ(text_of(s->m()), "abc");
}

TEST(MstrEditRanges, EraseChecksItsRangeAgainstTheCurrentLength)
{
    for (Kind kind : writable_kinds) {
        auto s = make(kind, "abcdef");
        EXPECT_EQ(mstr_erase(s->m(), 2, 2), 0);
        EXPECT_EQ(mstr_erase(s->m(), 3, 2), -1);
        EXPECT_EQ(mstr_erase(s->m(), 0, 7), -1);
        EXPECT_EQ(text_of(s->m()), "abcdef") << kind_name(kind);
        EXPECT_EQ(mstr_erase(s->m(), 1, 3), 0);
        EXPECT_EQ(text_of(s->m()), "adef") << kind_name(kind);
        EXPECT_EQ(mstr_erase(s->m(), 0, 4), 0);
        EXPECT_EQ(text_of(s->m()), "") << kind_name(kind);
        EXPECT_TRUE(guards_intact(s->rec));
    }
}

TEST(MstrEditRanges, InsertAtTheLengthAppendsAndPastItIsRefused)
{
    for (Kind kind : writable_kinds) {
        auto s = make(kind, "ac", 8);
        auto b = make(Kind::constant, "b");
        EXPECT_EQ(mstr_insert(s->m(), 1, b->m()), 0);
        EXPECT_EQ(mstr_insert(s->m(), 3, b->m()), 0);
        EXPECT_EQ(mstr_insert(s->m(), 5, b->m()), -1);
        EXPECT_EQ(text_of(s->m()), "abcb") << kind_name(kind);
    }
}

TEST(MstrEditRanges, SliceCopiesTheRangeAndRecountsTheSource)
{
    for (Kind kind : all_kinds) {
        auto source = make(kind, "abcdef");
        auto d = make(Kind::guarded, "old", 3);
        source->rec.lastlen = 0;
        ASSERT_EQ(mstr_slice(d->m(), source->m(), 1, 4), 0) << kind_name(kind);
        EXPECT_EQ(text_of(d->m()), "bcd");
        EXPECT_EQ(source->rec.lastlen, 6u) << kind_name(kind);
        EXPECT_EQ(mstr_slice(d->m(), source->m(), 4, 3), -1);
        EXPECT_EQ(mstr_slice(d->m(), source->m(), 5, 7), -1);
        EXPECT_EQ(text_of(d->m()), "bcd");
    }
}

TEST(MstrEditGrowth, HeapRecordsGrowAndFixedOnesRefuseWithTheTextKept)
{
    for (Kind kind : writable_kinds) {
        auto s = make(kind, "abcdef", 8);
        auto three = make(Kind::external, "xyz");
        int expected = kind == Kind::heap ? 0 : -1;
        const char *after = kind == Kind::heap ? "abcdefxyz" : "abcdef";
        EXPECT_EQ(mstr_append(s->m(), three->m()), expected) << kind_name(kind);
        EXPECT_EQ(text_of(s->m()), after) << kind_name(kind);
        EXPECT_EQ(mstr_insert(s->m(), 0, three->m()), expected);
        EXPECT_EQ(mstr_strcpy(s->m(), "0123456789"), expected);
        EXPECT_EQ(mstr_assign(s->m(), three->m()), 0);
        EXPECT_EQ(text_of(s->m()), "xyz") << kind_name(kind);
        EXPECT_TRUE(guards_intact(s->rec));
    }
}

TEST(MstrEditGrowth, OwnTextIsCopiedAsIfCopiedOutFirst)
{
    for (Kind kind : writable_kinds) {
        auto s = make(kind, "abcdef");
        ASSERT_EQ(mstr_strcpy(s->m(), mstr_get(s->m()) + 2), 0);
        EXPECT_EQ(text_of(s->m()), "cdef") << kind_name(kind);
        ASSERT_EQ(mstr_strcpy(s->m(), mstr_get(s->m())), 0);
        EXPECT_EQ(text_of(s->m()), "cdef") << kind_name(kind);
    }
}

TEST(MstrSprintf, FixedRecordsKeepTheFirstCapacityCharacters)
{
    for (Kind kind : fixed_kinds) {
        auto s = make(kind, "", 8);
        EXPECT_EQ(mstr_sprintf(s->m(), "%s-%d", "abcdefg", 12), 10) << kind_name(kind);
        EXPECT_EQ(s->rec.lastlen, 8u);
        EXPECT_EQ(text_of(s->m()), "abcdefg-") << kind_name(kind);
        EXPECT_TRUE(guards_intact(s->rec));
    }
}

TEST(MstrSprintf, HeapRecordsGrowAndFormatAgain)
{
    auto s = make(Kind::heap, "", 4);
    EXPECT_EQ(mstr_sprintf(s->m(), "%d", 42), 2);
    EXPECT_EQ(s->rec.capacity, 4u);
    EXPECT_EQ(mstr_sprintf(s->m(), "%s-%d", "abcdefg", 12), 10);
    EXPECT_EQ(s->rec.capacity, 10u);
    EXPECT_EQ(s->rec.lastlen, 10u);
    EXPECT_EQ(text_of(s->m()), "abcdefg-12");
    EXPECT_TRUE(guards_intact(s->rec));
}

TEST(MstrStrip, RemovesSpaceClassBytesFromTheChosenEnds)
{
    for (Kind kind : writable_kinds) {
        auto s = make(kind, "  a b\t\n");
        EXPECT_EQ(mstr_strip(s->m(), 0, 0), 0);
        EXPECT_EQ(text_of(s->m()), "  a b\t\n") << kind_name(kind);
        EXPECT_EQ(mstr_strip(s->m(), 1, 1), 4);
        EXPECT_EQ(text_of(s->m()), "a b") << kind_name(kind);
    }
    auto blank = make(Kind::heap, " \t\v\f\r\n");
    EXPECT_EQ(mstr_strip(blank->m(), 0, 1), 6);
    EXPECT_EQ(text_of(blank->m()), "");
    auto high = make(Kind::heap, "\xA0x\x85");
    EXPECT_EQ(mstr_strip(high->m(), 1, 1), 0) << "bytes above 127 are not white space";
}

TEST(MstrTrimAndPop, TrimRemovesCountsFromBothEndsOrNothing)
{
    for (Kind kind : writable_kinds) {
        auto s = make(kind, "abcde");
        EXPECT_EQ(mstr_trim(s->m(), 3, 3), -1);
        EXPECT_EQ(mstr_trim(s->m(), 1, 1), 0);
        EXPECT_EQ(text_of(s->m()), "bcd") << kind_name(kind);
        EXPECT_EQ(mstr_trim(s->m(), 2, 1), 0);
        EXPECT_EQ(text_of(s->m()), "") << kind_name(kind);
    }
}

TEST(MstrTrimAndPop, PopBackHandsOverTheLastCharacter)
{
    for (Kind kind : writable_kinds) {
        auto s = make(kind, "z");
        char removed = '?';
        EXPECT_EQ(mstr_pop_back(s->m(), &removed), 0);
        EXPECT_EQ(removed, 'z');
        EXPECT_EQ(text_of(s->m()), "") << kind_name(kind);
        removed = '?';
        EXPECT_EQ(mstr_pop_back(s->m(), &removed), -1);
        EXPECT_EQ(removed, '?') << "an empty string must not write the out-parameter";
        EXPECT_EQ(mstr_pop_back(s->m(), nullptr), -1);
    }
}

TEST(MstrRoom, ExtendAndReserveAcceptHeapRecordsOnly)
{
    for (Kind kind : {Kind::guarded, Kind::external, Kind::constant}) {
        auto s = make(kind, "ab", 16);
        EXPECT_EQ(mstr_extend(s->m(), 1), -1) << kind_name(kind);
        EXPECT_EQ(mstr_reserve(s->m(), 1), -1) << kind_name(kind);
    }
    auto h = make(Kind::heap, "ab", 4);
    EXPECT_EQ(mstr_reserve(h->m(), 5), 0);
    EXPECT_EQ(h->rec.capacity, 8u) << "growth doubles when that is more than asked";
    EXPECT_EQ(mstr_extend(h->m(), 20), 0);
    EXPECT_EQ(h->rec.capacity, 22u);
    EXPECT_EQ(text_of(h->m()), "ab");
}

TEST(MstrRoom, SizeLimitIsNeverReachedNorWrappedAround)
{
    auto h = make(Kind::heap, "ab");
    EXPECT_EQ(mstr_reserve(h->m(), MSTR_SIZE_LIMIT), -1);
    EXPECT_EQ(mstr_extend(h->m(), MSTR_SIZE_LIMIT - 2), -1);
    EXPECT_EQ(mstr_extend(h->m(), UINT32_MAX), -1);
    EXPECT_EQ(mstr_reserve(h->m(), MSTR_SIZE_LIMIT - 1), 0);
    EXPECT_EQ(text_of(h->m()), "ab");
    std::string huge(MSTR_SIZE_LIMIT, 'x');
    EXPECT_EQ(mstr_strcpy(h->m(), huge.c_str()), -1);
    EXPECT_EQ(mstr_strcpy(h->m(), huge.c_str() + 1), 0);
    EXPECT_EQ(mstr_length(h->m()), MSTR_SIZE_LIMIT - 1);
}

} // namespace

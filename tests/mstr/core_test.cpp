// mstr core: kinds and the check, growth, destroy and delete, appending.
#include "mstr_test_support.h"

namespace
{

// ---- Kinds and the check ----

TEST(MstrCheck, EmptyHeapValueGetsItsBlockOnFirstUse)
{
    mstr s = MSTR_EMPTY_HEAP;
    ASSERT_EQ(mstr_valid(&s), 0);
    ASSERT_NE(s.c_str, nullptr) << "the check should have allocated a capacity-0 block";
    EXPECT_EQ(s.capacity, 0u);
    EXPECT_TRUE(guards_intact(s));
    EXPECT_EQ(mstr_destroy(&s), 0);
}

TEST(MstrCheck, NeverUsedEmptyHeapValueDestroysCleanly)
{
    mstr s = MSTR_EMPTY_HEAP;
    EXPECT_EQ(mstr_destroy(&s), 0);
    EXPECT_EQ(s.magic, 0u);
    EXPECT_EQ(s.c_str, nullptr);
}

TEST(MstrCheck, MalformedRecordsAreRefused)
{
    char text[] = "abc";
    mstr unknown = {0x5aa55a76u, 0, 3, text};
    mstr too_long = {MSTR_MAGIC_EXTERNAL, 4, 3, text};
    mstr no_text = {MSTR_MAGIC_EXTERNAL, 0, 3, nullptr};
    EXPECT_EQ(mstr_valid(nullptr), -1);
    EXPECT_EQ(mstr_valid(&unknown), -1);
    EXPECT_EQ(mstr_valid(&too_long), -1);
    EXPECT_EQ(mstr_valid(&no_text), -1);
    EXPECT_EQ(mstr_get(&unknown), nullptr);
    EXPECT_EQ(mstr_length(&unknown), UINT32_MAX);
    EXPECT_EQ(mstr_capacity(&unknown), UINT32_MAX);
}

TEST(MstrCheck, LayoutPutsGuardWordsAroundAZeroedTextArea)
{
    std::vector<char> block(8 + MSTR_BLOCK_OVERHEAD, 'x');
    char *area = _mstr_init_data(block.data(), 8, MSTR_MAGIC_GUARDED);
    ASSERT_EQ(area, block.data() + 4);
    uint32_t magic = MSTR_MAGIC_GUARDED;
    EXPECT_EQ(std::memcmp(block.data(), &magic, 4), 0);
    EXPECT_EQ(std::string(area, 9), std::string(9, '\0'));
    EXPECT_EQ(std::memcmp(area + 9, &magic, 4), 0);
    EXPECT_EQ(_mstr_init_data(nullptr, 8, MSTR_MAGIC_GUARDED), nullptr);
}

TEST(MstrCheck, OverwrittenGuardWordBlocksEveryOperationUntilRepaired)
{
    for (Kind kind : {Kind::heap, Kind::guarded}) {
        auto s = make(kind, "abc", 4);
        for (char *guard : {s->rec.c_str - 1, s->rec.c_str + s->rec.capacity + 1}) {
            char saved = *guard;
            *guard = static_cast<char>(saved ^ 0x10);
            EXPECT_EQ(mstr_get(s->m()), nullptr) << kind_name(kind);
            EXPECT_EQ(mstr_strcat(s->m(), "d"), -1) << kind_name(kind);
            EXPECT_EQ(mstr_destroy(s->m()), -1) << "a damaged block must be left alone";
            *guard = saved;
            EXPECT_EQ(text_of(s->m()), "abc") << kind_name(kind);
        }
    }
}

TEST(MstrCheck, ConstantRecordTakesItsLengthFromItsText)
{
    char hello[] = "hello";
    mstr s = {MSTR_MAGIC_CONST, 0, 0, hello};
    ASSERT_EQ(mstr_valid(&s), 0);
    EXPECT_EQ(s.capacity, 5u);
    EXPECT_EQ(s.lastlen, 5u);
}

TEST(MstrCheck, ExternalBufferWithoutNulIsInvalidAndKeepsLastlenZero)
{
    char buffer[4] = {'a', 'b', 'c', 'd'};
    mstr s = {MSTR_MAGIC_EXTERNAL2, 1, 3, buffer};
    EXPECT_EQ(mstr_valid(&s), -1);
    EXPECT_EQ(s.lastlen, 0u);
    buffer[3] = '\0';
    EXPECT_EQ(text_of(&s), "abc") << "the second external magic behaves like the first";
}

TEST(MstrCheck, ShortenedTextPassesTheFastPathAndLengthRecounts)
{
    auto s = make(Kind::heap, "abcdef");
    s->rec.c_str[2] = '\0';
    ASSERT_EQ(mstr_valid(s->m()), 0);
    EXPECT_EQ(s->rec.lastlen, 6u) << "the check trusts lastlen while a NUL sits there";
    EXPECT_EQ(mstr_length(s->m()), 2u);
    EXPECT_EQ(s->rec.lastlen, 2u);
}

TEST(MstrCheck, LengthenedTextIsRecountedByTheCheck)
{
    auto s = make(Kind::guarded, "ab", 6);
    std::memcpy(s->rec.c_str + 2, "cde", 3);
    ASSERT_EQ(mstr_valid(s->m()), 0);
    EXPECT_EQ(s->rec.lastlen, 5u);
    EXPECT_EQ(text_of(s->m()), "abcde");
}

// ---- Growth ----

TEST(MstrGrowth, TextBlockGrowsByTheLargerOfNeedAndDouble)
{
    mstr s = MSTR_EMPTY_HEAP;
    std::vector<uint32_t> capacities;
    for (const char *piece : {"ab", "\n", "c", "\n"}) {
        ASSERT_EQ(mstr_strcat(&s, piece), 0);
        capacities.push_back(s.capacity);
        EXPECT_TRUE(guards_intact(s));
    }
    EXPECT_EQ(capacities, (std::vector<uint32_t>{2, 4, 4, 8}));
    EXPECT_EQ(s.lastlen, 5u);
    EXPECT_EQ(text_of(&s), "ab\nc\n");
    EXPECT_EQ(mstr_destroy(&s), 0);
}

TEST(MstrGrowth, PushBackDoublesAFullText)
{
    mstr s = MSTR_EMPTY_HEAP;
    ASSERT_EQ(mstr_strcat(&s, "abc"), 0);
    EXPECT_EQ(s.capacity, 3u);
    ASSERT_EQ(mstr_push_back(&s, 'd'), 0);
    EXPECT_EQ(s.capacity, 6u);
    EXPECT_EQ(text_of(&s), "abcd");
    mstr_destroy(&s);
}

TEST(MstrGrowth, CreateAcceptsCapacitiesBelowTheSizeLimitOnly)
{
    mstr s{};
    ASSERT_EQ(mstr_create(&s, 0x1FFFFF), 0);
    EXPECT_EQ(mstr_destroy(&s), 0);
    for (uint32_t capacity : {0x200000u, 0xFFFFFFF7u, 0xFFFFFFFFu}) {
        EXPECT_EQ(mstr_create(&s, capacity), -1);
        EXPECT_EQ(s.magic, MSTR_MAGIC_HEAP);
        EXPECT_EQ(s.lastlen, 0u);
        EXPECT_EQ(s.capacity, capacity);
        EXPECT_EQ(s.c_str, nullptr);
        EXPECT_EQ(mstr_new(capacity), nullptr) << "and nothing may leak";
    }
    EXPECT_EQ(mstr_create(nullptr, 4), -1);
}

TEST(MstrGrowth, TextOfAMebibyteCannotGrowByOneCharacter)
{
    mstr s{};
    ASSERT_EQ(mstr_create(&s, 0x100000), 0);
    std::string full(0x100000, 'x');
    ASSERT_EQ(mstr_strcat(&s, full.c_str()), 0);
    EXPECT_EQ(mstr_push_back(&s, 'y'), -1);
    EXPECT_EQ(s.capacity, 0x100000u);
    EXPECT_EQ(mstr_length(&s), 0x100000u);
    mstr_destroy(&s);
}

TEST(MstrGrowth, FixedKindsNeverGrow)
{
    for (Kind kind : fixed_kinds) {
        auto s = make(kind, "abc", 4);
        EXPECT_EQ(mstr_strcat(s->m(), "d"), 0);
        EXPECT_EQ(mstr_strcat(s->m(), "e"), -1) << kind_name(kind);
        EXPECT_EQ(text_of(s->m()), "abcd") << kind_name(kind);
        EXPECT_EQ(s->rec.capacity, 4u);
    }
}

// ---- Destroy and delete ----

TEST(MstrLifecycle, DestroyWipesGuardedBlocksAndZeroesTheRecord)
{
    auto s = make(Kind::guarded, "secret", 8);
    ASSERT_EQ(mstr_destroy(s->m()), 0);
    EXPECT_EQ(s->storage, std::vector<char>(8 + MSTR_BLOCK_OVERHEAD, '\0'));
    EXPECT_EQ(s->rec.magic, 0u);
    EXPECT_EQ(s->rec.c_str, nullptr);
    EXPECT_EQ(mstr_destroy(s->m()), -1) << "a destroyed record is invalid";
}

TEST(MstrLifecycle, DestroyLeavesExternalTextsToTheirOwner)
{
    auto s = make(Kind::external, "kept", 8);
    ASSERT_EQ(mstr_destroy(s->m()), 0);
    EXPECT_STREQ(s->storage.data(), "kept");
}

TEST(MstrLifecycle, DeleteReleasesANewRecordAndNullsThePointer)
{
    mstr *s = mstr_new(2);
    ASSERT_NE(s, nullptr);
    ASSERT_EQ(mstr_strcat(s, "grow past two"), 0);
    EXPECT_EQ(mstr_delete(&s), 0);
    EXPECT_EQ(s, nullptr);
    EXPECT_EQ(mstr_delete(&s), -1);
    EXPECT_EQ(mstr_delete(nullptr), -1);
}

TEST(MstrLifecycle, DeleteOfADamagedRecordKeepsItAllocated)
{
    mstr *s = mstr_new(4);
    ASSERT_NE(s, nullptr);
    s->c_str[5] = 'X';
    EXPECT_EQ(mstr_delete(&s), -1);
    ASSERT_NE(s, nullptr);
    std::memcpy(s->c_str + 5, &s->magic, 4);
    EXPECT_EQ(mstr_delete(&s), 0);
}

// ---- Appending ----

TEST(MstrAppend, ConstantTextsAndNullTextsAreRefused)
{
    auto c = make(Kind::constant, "fixed");
    EXPECT_EQ(mstr_strcat(c->m(), "x"), -1);
    EXPECT_EQ(mstr_push_back(c->m(), 'x'), -1);
    EXPECT_EQ(text_of(c->m()), "fixed");
    auto h = make(Kind::heap, "ab");
    EXPECT_EQ(mstr_strcat(h->m(), nullptr), -1);
    EXPECT_EQ(text_of(h->m()), "ab");
}

TEST(MstrAppend, PushBackUsesTheLowByteAndANulAppendsNothing)
{
    auto s = make(Kind::heap, "");
    EXPECT_EQ(mstr_push_back(s->m(), 0x141), 0);
    EXPECT_EQ(mstr_push_back(s->m(), 0xE9), 0);
    EXPECT_EQ(mstr_push_back(s->m(), 0), 0);
    EXPECT_EQ(text_of(s->m()), "A\xE9");
}

TEST(MstrAppend, OwnTextIsAppendedAsIfCopiedFirst)
{
    for (Kind kind : writable_kinds) {
        auto whole = make(kind, "abc", kind == Kind::heap ? 3 : 8);
        ASSERT_EQ(mstr_strcat(whole->m(), mstr_get(whole->m())), 0) << kind_name(kind);
        EXPECT_EQ(text_of(whole->m()), "abcabc") << kind_name(kind);
        auto middle = make(kind, "abc", kind == Kind::heap ? 3 : 8);
        ASSERT_EQ(mstr_strcat(middle->m(), mstr_get(middle->m()) + 1), 0);
        EXPECT_EQ(text_of(middle->m()), "abcbc") << kind_name(kind);
        EXPECT_TRUE(guards_intact(middle->rec));
    }
}

TEST(MstrAppend, StaleBytesPastTheEndAreNeverReadBeyondTheTextArea)
{
    auto s = make(Kind::guarded, "ab", 4);
    std::memcpy(s->rec.c_str + 3, "xy", 2); // fills the area's last byte
    ASSERT_EQ(mstr_valid(s->m()), 0);
    EXPECT_EQ(mstr_strcat(s->m(), s->rec.c_str + 3), 0);
    EXPECT_EQ(text_of(s->m()), "abxy");
}

} // namespace

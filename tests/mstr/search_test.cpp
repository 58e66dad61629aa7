// mstr search, count, replace, compare and partition.
#include "mstr_test_support.h"

namespace
{

TEST(MstrFind, FindsTheFirstOccurrenceAtOrAfterEveryStart)
{
    auto needle = make(Kind::constant, "bc");
    const std::vector<std::pair<uint32_t, int>> expected = {
        {0, 1}, {1, 1}, {2, 4}, {4, 4}, {5, -1}, {6, -1}, {0xFFFFFFFF, -1}};
    for (Kind kind : all_kinds) {
        auto haystack = make(kind, "abcabc");
        for (auto [start, position] : expected)
            EXPECT_EQ(mstr_find(haystack->m(), start, needle->m()), position)
                << "bc in abcabc from " << start << ", " << kind_name(kind);
    }
}

TEST(MstrFind, EmptyNeedlesAndTheSameRecordAreNeverFound)
{
    auto haystack = make(Kind::heap, "abc");
    auto empty = make(Kind::external, "");
    for (uint32_t start : {0u, 1u, 3u})
        EXPECT_EQ(mstr_find(haystack->m(), start, empty->m()), -1);
    EXPECT_EQ(mstr_find_cstr(haystack->m(), 0, ""), -1);
    EXPECT_EQ(mstr_find_cstr(haystack->m(), 0, nullptr), -1);
    EXPECT_EQ(mstr_find(haystack->m(), 0, haystack->m()), -1);
    auto twin = make(Kind::guarded, "abc");
    EXPECT_EQ(mstr_find(haystack->m(), 0, twin->m()), 0);
    EXPECT_EQ(mstr_find_cstr(haystack->m(), 1, "c"), 2);
}

TEST(MstrFind, OverlongCharactersAreRefusedBeforeTheHaystackIsTouched)
{
    std::string huge(MSTR_SIZE_LIMIT, 'a');
    mstr haystack = MSTR_EMPTY_HEAP;
    EXPECT_EQ(mstr_find_cstr(&haystack, 0, huge.c_str()), -1);
    EXPECT_EQ(haystack.c_str, nullptr) << "the haystack's block should not have been allocated";
    EXPECT_EQ(mstr_find_cstr(&haystack, 0, huge.c_str() + 1), -1);
    mstr_destroy(&haystack);
}

TEST(MstrCount, CountsNonOverlappingOccurrences)
{
    auto aa = make(Kind::constant, "aa");
    auto four = make(Kind::heap, "aaaa");
    auto three = make(Kind::external, "aaa");
    auto empty = make(Kind::heap, "");
    EXPECT_EQ(mstr_count(four->m(), aa->m()), 2);
    EXPECT_EQ(mstr_count(three->m(), aa->m()), 1);
    EXPECT_EQ(mstr_count(three->m(), empty->m()), 0);
    EXPECT_EQ(mstr_count(aa->m(), three->m()), 0);
    EXPECT_EQ(mstr_count(aa->m(), aa->m()), -1);
}

// Replaces old by new in a heap record holding text; the record's text after.
std::string replaced(const std::string &text, const char *old_text, const char *new_text,
                     uint32_t limit, int expected)
{
    auto target = make(Kind::heap, text);
    auto o = make(Kind::constant, old_text);
    auto n = make(Kind::constant, new_text);
    EXPECT_EQ(mstr_replace(target->m(), o->m(), n->m(), limit), expected)
        << old_text << " by " << new_text << " in " << text;
    EXPECT_TRUE(guards_intact(target->rec));
    return text_of(target->m());
}

TEST(MstrReplace, ReplacesFromTheLeftWithoutSearchingInsertedText)
{
    EXPECT_EQ(replaced("aaa", "aa", "b", 0, 1), "ba");
    EXPECT_EQ(replaced("a-b-c", "-", "", 0, 2), "abc");
    EXPECT_EQ(replaced("x.x.x", ".", "..", 0, 2), "x..x..x");
    EXPECT_EQ(replaced("aXa", "X", "X", 0, 1), "aXa");
    EXPECT_EQ(replaced("..", ".", "<.>", 0, 2), "<.><.>");
    EXPECT_EQ(replaced("abc", "", "x", 0, 0), "abc");
    EXPECT_EQ(replaced("abc", "d", "x", 0, 0), "abc");
}

TEST(MstrReplace, LimitStopsAfterThatManyReplacements)
{
    EXPECT_EQ(replaced("a.b.c", ".", "+", 1, 1), "a+b.c");
    EXPECT_EQ(replaced("a.b.c", ".", "::", 1, 1), "a::b.c");
    EXPECT_EQ(replaced("a.b.c.d", ".", "", 2, 2), "abc.d");
}

TEST(MstrReplace, FixedTargetThatRunsOutOfRoomKeepsTheRemoval)
{
    auto target = make(Kind::guarded, "abc", 3);
    auto b = make(Kind::heap, "b");
    auto xy = make(Kind::heap, "xy");
    EXPECT_EQ(mstr_replace(target->m(), b->m(), xy->m(), 0), -1);
    EXPECT_EQ(text_of(target->m()), "ac");
    auto dots = make(Kind::external, "a.b.c", 6);
    auto dot = make(Kind::constant, ".");
    auto two = make(Kind::constant, "..");
    EXPECT_EQ(mstr_replace(dots->m(), dot->m(), two->m(), 0), -1);
    EXPECT_EQ(text_of(dots->m()), "a..bc") << "the first replacement stays, the second match goes";
}

TEST(MstrReplace, RefusesConstantTargetsAndRepeatedRecords)
{
    auto c = make(Kind::constant, "aaa");
    auto a = make(Kind::heap, "a");
    auto b = make(Kind::heap, "b");
    EXPECT_EQ(mstr_replace(c->m(), a->m(), b->m(), 0), -1);
    EXPECT_EQ(mstr_replace(a->m(), a->m(), b->m(), 0), -1);
    EXPECT_EQ(mstr_replace(a->m(), b->m(), a->m(), 0), -1);
    EXPECT_EQ(mstr_replace(c->m(), b->m(), b->m(), 0), -1);
    EXPECT_EQ(text_of(c->m()), "aaa");
}

TEST(MstrCompare, OrdersTextsByUnsignedBytes)
{
    auto abc = make(Kind::heap, "abc");
    auto abc2 = make(Kind::constant, "abc");
    auto abd = make(Kind::external, "abd");
    auto ab = make(Kind::guarded, "ab");
    auto high = make(Kind::constant, "\xC3");
    auto z = make(Kind::constant, "z");
    EXPECT_EQ(mstr_compare(abc->m(), abc->m()), -2);
    EXPECT_EQ(mstr_compare(abc->m(), abc2->m()), 0);
    EXPECT_LT(mstr_compare(abc->m(), abd->m()), 0);
    EXPECT_LT(mstr_compare(ab->m(), abc->m()), 0);
    EXPECT_GT(mstr_compare(high->m(), z->m()), 0);
    EXPECT_EQ(mstr_compare(nullptr, z->m()), -2);
}

// Partitions rest (a heap record holding text) at separator; the result,
// then the head and the rest.
std::string partitioned(const std::string &text, const char *separator)
{
    auto head = make(Kind::heap, "old head");
    auto rest = make(Kind::heap, text);
    int result = mstr_partition_cstr(head->m(), rest->m(), separator);
    return std::to_string(result) + " [" + text_of(head->m()) + "] [" + text_of(rest->m()) + "]";
}

TEST(MstrPartition, SplitsAtTheFirstSeparatorOnly)
{
    EXPECT_EQ(partitioned("key=value", "="), "1 [key] [value]");
    EXPECT_EQ(partitioned("=v", "="), "1 [] [v]");
    EXPECT_EQ(partitioned("k=", "="), "1 [k] []");
    EXPECT_EQ(partitioned("a=b=c", "="), "1 [a] [b=c]");
    EXPECT_EQ(partitioned("a, b", ", "), "1 [a] [b]");
    EXPECT_EQ(partitioned("abc", "="), "0 [abc] []");
    EXPECT_EQ(partitioned("", "="), "0 [] []");
    EXPECT_EQ(partitioned("abc", ""), "0 [abc] []");
    EXPECT_EQ(partitioned("abc", nullptr), "-1 [old head] [abc]");
}

TEST(MstrPartition, RepeatedCallsPeelFieldsOffTheFront)
{
    auto head = make(Kind::external, "", 4);
    auto rest = make(Kind::guarded, "a,bc,d", 8);
    auto comma = make(Kind::constant, ",");
    std::vector<std::string> peeled;
    for (int i = 0; i < 4; ++i) {
        int result = mstr_partition(head->m(), rest->m(), comma->m());
        peeled.push_back(std::to_string(result) + text_of(head->m()));
    }
    EXPECT_EQ(peeled, (std::vector<std::string>{"1a", "1bc", "0d", "0"}));
}

TEST(MstrPartition, HeadTooSmallLeavesBothRecordsUnchanged)
{
    auto head = make(Kind::guarded, "h", 2);
    auto rest = make(Kind::heap, "long=x");
    EXPECT_EQ(mstr_partition_cstr(head->m(), rest->m(), "="), -1);
    EXPECT_EQ(mstr_partition_cstr(head->m(), rest->m(), "#"), -1);
    EXPECT_EQ(text_of(head->m()), "h");
    EXPECT_EQ(text_of(rest->m()), "long=x");
    auto constant = make(Kind::constant, "k=v");
    EXPECT_EQ(mstr_partition_cstr(head->m(), constant->m(), "="), -1);
    EXPECT_EQ(mstr_partition_cstr(constant->m(), rest->m(), "="), -1);
    EXPECT_EQ(mstr_partition(rest->m(), rest->m(), head->m()), -1);
}

} // namespace

namespace
{

TEST(MstrAliasing, ReplaceRefusesTextsThatViewTheTargetsOwnText)
{
    auto target = make(Kind::heap, "aa");
    auto a = make(Kind::constant, "a");
    mstr view = {MSTR_MAGIC_CONST, 0, 0, mstr_get(target->m())};
    EXPECT_EQ(mstr_replace(target->m(), a->m(), &view, 0), -1);
    EXPECT_EQ(mstr_replace(target->m(), &view, a->m(), 0), -1);
    EXPECT_EQ(text_of(target->m()), "aa") << "growth would free the text the view points into";
}

} // namespace

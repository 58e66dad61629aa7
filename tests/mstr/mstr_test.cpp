// mstr: seeded random programs against the model (mstr_model.h), then what
// the model does not see, a table per behaviour, and the C callers.
#include <gtest/gtest.h>

#include <cinttypes>
#include <fstream>
#include <functional>
#include <random>
#include <sys/mman.h>
#include <unistd.h>

#include "mstr_model.h"

extern "C" int mstr_c_round_trip(void);
extern "C" int print_settings(FILE *in, FILE *out);

namespace
{

TEST(Mstr, SeededRandomProgramsAgreeWithTheModel)
{
    std::string divergence;
    uint32_t seed = 0;
    testing::internal::CaptureStdout(); // the debug dump
    for (std::vector<uint8_t> bytes; divergence.empty() && ++seed <= 10000;) {
        std::mt19937 random(seed);
        bytes.resize(random() % 1024);
        std::generate(bytes.begin(), bytes.end(), random);
        divergence = mstr_model::Program(bytes.data(), bytes.size()).run();
    }
    testing::internal::GetCapturedStdout();
    EXPECT_EQ(divergence, "") << "seed " << seed;
}

// The same programs, each step run first with its first, second, ...
// allocation failing: the call reports failure and every record stays as it
// was (the model's check after each), and nothing leaks.
TEST(Mstr, EveryFailedAllocationIsReportedAndChangesNothing)
{
    std::string divergence;
    uint32_t seed = 0;
    testing::internal::CaptureStdout();
    for (std::vector<uint8_t> bytes; divergence.empty() && ++seed <= 2000;) {
        std::mt19937 random(seed);
        bytes.resize(random() % 1024);
        std::generate(bytes.begin(), bytes.end(), random);
        divergence = mstr_model::Program(bytes.data(), bytes.size(), true).run();
    }
    testing::internal::GetCapturedStdout();
    EXPECT_EQ(divergence, "") << "seed " << seed;
}

TEST(MstrCalls, FormatFailuresSizeLimitsAndLineInputEdges)
{
    std::string huge(MSTR_SIZE_LIMIT, 'x'), mebibyte(0x100000, 'x');
    FILE *unreadable = fopen("/dev/null", "w");
    // A heap record holding text: what a call returns and leaves there.
    using Call = std::function<int(mstr *)>;
    const std::tuple<const char *, std::string, Call, int, std::string> calls[] = {
        // clang-format off
        {"a failed format", "", [](mstr *s) { return mstr_sprintf(s, "%lc", 0x20ACu); }, -1, ""},
        {"stale bytes to the area's end", "ab", [](mstr *s) { return mstr_reserve(s, 4),
            mstr_strcat(s, static_cast<char *>(std::memcpy(s->c_str + 3, "xy", 2))); }, 0, "abxy"},
        {"extend by 2^32-1", "ab", [](mstr *s) { return mstr_extend(s, UINT32_MAX); }, -1, "ab"},
        {"trim 2^32-1 and 1", "ab", [](mstr *s) { return mstr_trim(s, UINT32_MAX, 1); }, -1, "ab"},
        {"double to the limit", mebibyte, [](mstr *s) { return mstr_push_back(s, 'y'); }, -1,
         mebibyte},
        {"separators null or of the limit", "x", [&](mstr *s) { mstr head = MSTR_EMPTY_HEAP;
            int result = mstr_partition_cstr(&head, s, &huge[0]) + mstr_partition_cstr(&head, s, 0);
            return head.c_str ? mstr_destroy(&head) + 100 : result; }, -2, "x"}, // head untouched
        {"a read error", "ab", [&](mstr *s) { return mstr_getline(s, unreadable); }, -1, ""},
        {"getline, 1 at a mebibyte, then 2", "", [&](mstr *s) {
            FILE *in = fmemopen(&huge[0x100000 - 10], 0x100000 + 10, "r");
            int first = mstr_getline(s, in), second = mstr_getline(s, in);
            return fclose(in), first * 10 + second; }, 12, "xxxxxxxxxx"},
        // clang-format on
    };
    for (auto &[what, text, call, result, after] : calls) {
        mstr s = MSTR_EMPTY_HEAP; // grows from nothing, as line input is documented to
        mstr_strcpy(&s, text.c_str());
        EXPECT_EQ(call(&s), result) << what;
        EXPECT_TRUE(mstr_get(&s) && mstr_get(&s) == after) << what;
        mstr_destroy(&s);
    }
    fclose(unreadable);
}

TEST(MstrCheck, MalformedRecordsAndNullPointersAreRefused)
{
    char abc[] = "abc", abcd[] = {'a', 'b', 'c', 'd'};
    std::string huge(MSTR_SIZE_LIMIT, 'x');
    mstr rows[] = {
        {MSTR_MAGIC_HEAP - 1, 0, 3, abc},      {MSTR_MAGIC_CONST + 1, 0, 3, abc},
        {MSTR_MAGIC_EXTERNAL, 4, 3, abc},      {MSTR_MAGIC_EXTERNAL, 0, 3, nullptr},
        {MSTR_MAGIC_EXTERNAL2, 1, 3, abcd},    // no NUL in the area: lastlen 0 after
        {MSTR_MAGIC_CONST, 0, 0, huge.data()}, // a constant text as long as the limit
    };
    for (mstr &s : rows) {
        EXPECT_EQ(mstr_valid(&s), -1) << std::hex << s.magic << " " << s.lastlen;
        EXPECT_TRUE(!mstr_get(&s) && (mstr_length(&s) & mstr_capacity(&s)) == UINT32_MAX);
    }
    EXPECT_EQ(rows[4].lastlen, 0u);
    mstr *none = nullptr;
    for (int refused :
         {mstr_valid(nullptr), mstr_create(nullptr, 4), mstr_delete(&none), mstr_delete(nullptr)})
        EXPECT_EQ(refused, -1);
}

TEST(MstrDebugShow, PrintsTheFieldsAsStoredAndTheTextWithinItsArea)
{
    char abcd[] = {'a', 'b', 'c', 'd'}, hello[] = "hello", expected[256];
    mstr hi = MSTR_EMPTY_HEAP, empty = MSTR_EMPTY_HEAP, damaged = {MSTR_MAGIC_EXTERNAL, 7, 2, abcd},
         unchecked = {MSTR_MAGIC_CONST, 0, 0, hello};
    mstr_sprintf(&hi, "hi"), mstr_reserve(&hi, 4);
    const std::tuple<mstr *, const char *, const char *> rows[] = {
        {&hi, "71\n  lastlen: 2\n  capacity: 4", "hi"},
        {&empty, "71\n  lastlen: 0\n  capacity: 0", "(null)"},
        {&damaged, "73\n  lastlen: 7\n  capacity: 2", "abc"},
        {&unchecked, "75\n  lastlen: 0\n  capacity: 0", "hello"},
    };
    for (auto &[s, fields, shown] : rows) {
        std::snprintf(
            expected, sizeof expected,
            "mstr: 0x%08" PRIXPTR "\n  magic: 0x5AA55A%s\n  c_str: 0x%08" PRIXPTR " \"%s\"\n",
            reinterpret_cast<uintptr_t>(s), fields, reinterpret_cast<uintptr_t>(s->c_str), shown);
        testing::internal::CaptureStdout();
        _mstr_debug_show(s);
        EXPECT_EQ(testing::internal::GetCapturedStdout(), expected);
    }
    testing::internal::CaptureStdout();
    _mstr_debug_show(nullptr);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "mstr: NULL pointer!\n");
    EXPECT_EQ(empty.c_str, nullptr) << "the dump runs no check";
    mstr_destroy(&hi);
}

TEST(MstrBuffers, InitBufferAndInitDataLayOutTheirBytes)
{
    uint32_t magic = MSTR_MAGIC_GUARDED;
    const std::string guard(reinterpret_cast<char *>(&magic), 4), x(16, 'x');
    const std::tuple<std::function<char *(char *)>, int, std::string> rows[] = {
        // clang-format off
        {[](char *b) { return _mstr_init_buffer(b, 8); }, 0, x.substr(9) + '\0' + x.substr(8)},
        {[](char *b) { return _mstr_init_buffer(b, 0); }, -1, x},
        {[](char *) { return _mstr_init_buffer(nullptr, 8); }, -1, x},
        {[](char *b) { return _mstr_init_data(b, 3, MSTR_MAGIC_GUARDED); }, 4,
         guard + std::string(4, '\0') + guard + x.substr(12)},
        {[](char *) { return _mstr_init_data(nullptr, 3, MSTR_MAGIC_GUARDED); }, -1, x},
        // clang-format on
    };
    for (auto &[call, at, bytes] : rows) {
        std::string buffer = x;
        char *got = call(buffer.data());
        EXPECT_EQ(got ? got - buffer.data() : -1, at);
        EXPECT_EQ(buffer, bytes);
    }
}

// A replacement where every match keeps its length writes only those: the text
// before the first lies in a read-only page, old and new texts just outside.
TEST(MstrReplace, SameLengthReplacementWritesTheMatchesOnly)
{
    size_t page = static_cast<size_t>(sysconf(_SC_PAGESIZE));
    char *pages = static_cast<char *>(
        mmap(nullptr, 2 * page, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0));
    char *text = pages + page - 8;
    std::memcpy(text - 3, "ab\00012345678ab-ab\0cd", 20); // "ab", the target's, "cd"
    ASSERT_EQ(mprotect(pages, page, PROT_READ), 0);
    mstr s = {MSTR_MAGIC_EXTERNAL, 0, 13, text}, o = {MSTR_MAGIC_CONST, 0, 0, text - 3},
         n = {MSTR_MAGIC_CONST, 0, 0, text + 14};
    EXPECT_EQ(mstr_replace(&s, &o, &n, 0), 2);
    EXPECT_STREQ(text, "12345678cd-cd");
    munmap(pages, 2 * page);
}

TEST(MstrFromC, GuideExampleIsTheCompiledOneAndTheC11HeaderRoundTrips)
{
    auto file = [](const char *path) {
        std::ifstream in(std::string(NORLET_SOURCE_DIR) + path);
        return std::string(std::istreambuf_iterator<char>(in), {});
    };
    std::string code = file("/tests/mstr/doc_example.c");
    code = "```c\n" + code.substr(code.find("#include")) + "```\n";
    EXPECT_NE(file("/docs/MSTR.md").find(code), std::string::npos)
        << "docs/MSTR.md differs from doc_example.c";
    std::string input = "name=norlet\nfont=6x16\nno pair here\nlast=a=b", output(64, '\0');
    FILE *in = fmemopen(input.data(), input.size(), "r"), *out = fmemopen(output.data(), 64, "w");
    EXPECT_EQ(print_settings(in, out), 3);
    fclose(in), fclose(out);
    EXPECT_STREQ(output.c_str(), "name: norlet\nfont: 6x16\nlast: a=b\n");
    EXPECT_EQ(mstr_c_round_trip(), 0) << "the C caller should have built \"key=value!\"";
}

} // namespace

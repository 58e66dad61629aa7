// mstr against std::string (and getline(3) for line input), each pair in the
// same run. Every mstr record here is a heap record that starts as the empty
// heap value, as the program's own text block does.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <sys/stat.h>

#include "bench_support.h"
#include "mstr.h"

namespace
{

constexpr const char piece[] = "0123456789abcdef";
constexpr size_t piece_length = sizeof piece - 1;
static_assert(piece_length == 16, "the text is built from 16-byte pieces");

// A heap record holding text; the caller destroys it.
mstr record_of(const std::string &text)
{
    mstr s = MSTR_EMPTY_HEAP;
    if (mstr_strcpy(&s, text.c_str()) != 0) std::abort();
    return s;
}

// ---- Building a text ----

void build_by_strcat(benchmark::State &state, size_t size)
{
    for (auto _ : state) {
        mstr s = MSTR_EMPTY_HEAP;
        for (size_t n = 0; n < size; n += piece_length)
            mstr_strcat(&s, piece);
        benchmark::DoNotOptimize(s.c_str);
        mstr_destroy(&s);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * size));
}

void build_by_append(benchmark::State &state, size_t size)
{
    for (auto _ : state) {
        std::string s;
        for (size_t n = 0; n < size; n += piece_length)
            s += piece;
        benchmark::DoNotOptimize(s.data());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * size));
}

// What the design's recount alone adds: std::string appending, with the
// length of the whole text counted again before every append, as each mstr
// append must.
void build_by_append_and_recount(benchmark::State &state, size_t size)
{
    for (auto _ : state) {
        std::string s;
        for (size_t n = 0; n < size; n += piece_length) {
            benchmark::DoNotOptimize(std::strlen(s.c_str()));
            s += piece;
        }
        benchmark::DoNotOptimize(s.data());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * size));
}

void build_by_mstr_push_back(benchmark::State &state, size_t size)
{
    for (auto _ : state) {
        mstr s = MSTR_EMPTY_HEAP;
        for (size_t n = 0; n < size; ++n)
            mstr_push_back(&s, 'x');
        benchmark::DoNotOptimize(s.c_str);
        mstr_destroy(&s);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * size));
}

void build_by_std_push_back(benchmark::State &state, size_t size)
{
    for (auto _ : state) {
        std::string s;
        for (size_t n = 0; n < size; ++n)
            s.push_back('x');
        benchmark::DoNotOptimize(s.data());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * size));
}

void build_by_push_back_and_recount(benchmark::State &state, size_t size)
{
    for (auto _ : state) {
        std::string s;
        for (size_t n = 0; n < size; ++n) {
            benchmark::DoNotOptimize(std::strlen(s.c_str()));
            s.push_back('x');
        }
        benchmark::DoNotOptimize(s.data());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * size));
}

// ---- Search ----

// Where the one planted needle sits in the haystack.
enum class Hit { early, late, never };

const char *hit_name(Hit hit)
{
    return hit == Hit::early ? "early" : hit == Hit::late ? "late" : "never";
}

// The needles end in 'Z', which the sample text never holds, so the planted
// copy is the only occurrence.
std::string needle_text(bool long_needle)
{
    return long_needle ? sample_text(63, 999) + "Z" : std::string("jazZ");
}

std::string haystack_text(size_t size, const std::string &needle, Hit hit)
{
    std::string text = sample_text(size);
    if (hit == Hit::early) text.replace(64, needle.size(), needle);
    if (hit == Hit::late) text.replace(size - needle.size() - 64, needle.size(), needle);
    return text;
}

void find_mstr(benchmark::State &state, size_t size, bool long_needle, Hit hit)
{
    std::string needle_s = needle_text(long_needle);
    mstr haystack = record_of(haystack_text(size, needle_s, hit));
    mstr needle = record_of(needle_s);
    for (auto _ : state)
        benchmark::DoNotOptimize(mstr_find(&haystack, 0, &needle));
    mstr_destroy(&needle);
    mstr_destroy(&haystack);
}

void find_std(benchmark::State &state, size_t size, bool long_needle, Hit hit)
{
    std::string needle = needle_text(long_needle);
    std::string haystack = haystack_text(size, needle, hit);
    for (auto _ : state) {
        benchmark::DoNotOptimize(haystack.data());
        benchmark::DoNotOptimize(haystack.find(needle));
    }
}

// std::string's find after counting the haystack's length, the recount
// every mstr search makes before it compares anything.
void find_with_recount(benchmark::State &state, size_t size, bool long_needle, Hit hit)
{
    std::string needle = needle_text(long_needle);
    std::string haystack = haystack_text(size, needle, hit);
    for (auto _ : state) {
        benchmark::DoNotOptimize(haystack.data());
        benchmark::DoNotOptimize(std::strlen(haystack.c_str()));
        benchmark::DoNotOptimize(haystack.find(needle));
    }
}

void count_mstr(benchmark::State &state, size_t size, bool long_needle, Hit hit)
{
    std::string needle_s = needle_text(long_needle);
    mstr haystack = record_of(haystack_text(size, needle_s, hit));
    mstr needle = record_of(needle_s);
    for (auto _ : state)
        benchmark::DoNotOptimize(mstr_count(&haystack, &needle));
    mstr_destroy(&needle);
    mstr_destroy(&haystack);
}

// Non-overlapping occurrences, each search resuming after the last match.
size_t std_count(const std::string &haystack, const std::string &needle)
{
    size_t count = 0;
    for (size_t p = haystack.find(needle); p != std::string::npos;
         p = haystack.find(needle, p + needle.size()))
        ++count;
    return count;
}

void count_std(benchmark::State &state, size_t size, bool long_needle, Hit hit)
{
    std::string needle = needle_text(long_needle);
    std::string haystack = haystack_text(size, needle, hit);
    for (auto _ : state) {
        benchmark::DoNotOptimize(haystack.data());
        benchmark::DoNotOptimize(std_count(haystack, needle));
    }
}

// ---- Replacing every occurrence ----

// Words of the sample text with "cat" every 32 characters or so.
std::string replace_text(size_t size)
{
    std::string text = sample_text(size, 777);
    for (size_t at = 13; at + 3 <= size; at += 32)
        text.replace(at, 3, "cat");
    return text;
}

// The target is reset from the same text before every replacement, with a
// copy on both sides.
void replace_mstr(benchmark::State &state, size_t size, const char *new_text)
{
    std::string original = replace_text(size);
    mstr target = MSTR_EMPTY_HEAP;
    mstr old_record = record_of("cat");
    mstr new_record = record_of(new_text);
    for (auto _ : state) {
        mstr_strcpy(&target, original.c_str());
        benchmark::DoNotOptimize(mstr_replace(&target, &old_record, &new_record, 0));
    }
    mstr_destroy(&new_record);
    mstr_destroy(&old_record);
    mstr_destroy(&target);
}

void replace_std(benchmark::State &state, size_t size, const char *new_text)
{
    std::string original = replace_text(size);
    const std::string old_s = "cat", new_s = new_text;
    std::string target;
    for (auto _ : state) {
        target.assign(original);
        size_t count = 0;
        for (size_t p = target.find(old_s); p != std::string::npos;
             p = target.find(old_s, p + new_s.size())) {
            target.replace(p, old_s.size(), new_s);
            ++count;
        }
        benchmark::DoNotOptimize(count);
    }
}

// ---- Peeling key=value fields ----

// "k0000=v0000;k0001=v0001;..." of about size characters.
std::string fields_line(size_t size)
{
    std::string line;
    char field[32];
    for (int i = 0; line.size() + 12 <= size; ++i) {
        std::snprintf(field, sizeof field, "%sk%04d=v%04d", i ? ";" : "", i, i);
        line += field;
    }
    return line;
}

void partition_mstr(benchmark::State &state, size_t size)
{
    std::string line = fields_line(size);
    mstr rest = MSTR_EMPTY_HEAP, field = MSTR_EMPTY_HEAP, key = MSTR_EMPTY_HEAP;
    mstr semicolon = record_of(";"), equals = record_of("=");
    for (auto _ : state) {
        mstr_strcpy(&rest, line.c_str());
        int fields = 0;
        for (int more = 1; more == 1; ++fields) {
            more = mstr_partition(&field, &rest, &semicolon);
            mstr_partition(&key, &field, &equals);
        }
        benchmark::DoNotOptimize(fields);
    }
    for (mstr *s : {&rest, &field, &key, &semicolon, &equals})
        mstr_destroy(s);
}

// The same peeling with std::string: the head takes the text before the
// separator and the rest is erased up to after it.
bool std_partition(std::string &head, std::string &rest, char separator)
{
    size_t p = rest.find(separator);
    head.assign(rest, 0, p);
    rest.erase(0, p == std::string::npos ? p : p + 1);
    return p != std::string::npos;
}

void partition_std(benchmark::State &state, size_t size)
{
    std::string line = fields_line(size);
    std::string rest, field, key;
    for (auto _ : state) {
        rest.assign(line);
        int fields = 0;
        for (bool more = true; more; ++fields) {
            more = std_partition(field, rest, ';');
            std_partition(key, field, '=');
        }
        benchmark::DoNotOptimize(fields);
    }
}

// ---- Line input ----

constexpr size_t lines_file_bytes = size_t{64} << 20;
constexpr size_t line_bytes = 80;

// The 64 MiB file of 80-byte lines (79 characters and a newline) in the
// build tree, made on first use.
std::string lines_file()
{
    std::string path = std::string(NORLET_BENCH_DATA_DIR) + "/lines-64MiB.txt";
    struct stat info;
    if (stat(path.c_str(), &info) == 0 && static_cast<size_t>(info.st_size) == lines_file_bytes)
        return path;
    std::string partial = path + ".partial";
    FILE *out = std::fopen(partial.c_str(), "w");
    if (!out) return path;
    std::string text = sample_text(1 << 20, 4242);
    for (size_t at = line_bytes - 1; at < text.size(); at += line_bytes)
        text[at] = '\n';
    for (size_t written = 0; written < lines_file_bytes; written += text.size())
        std::fwrite(text.data(), 1, text.size(), out);
    std::fclose(out);
    std::rename(partial.c_str(), path.c_str());
    return path;
}

void getline_mstr(benchmark::State &state)
{
    std::string path = lines_file();
    mstr line = MSTR_EMPTY_HEAP;
    for (auto _ : state) {
        FILE *in = std::fopen(path.c_str(), "r");
        if (!in) {
            state.SkipWithError("cannot open the lines file");
            break;
        }
        size_t lines = 0;
        while (mstr_getline(&line, in) == 0)
            ++lines;
        std::fclose(in);
        benchmark::DoNotOptimize(lines);
    }
    mstr_destroy(&line);
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * lines_file_bytes));
}

void getline_glibc(benchmark::State &state)
{
    std::string path = lines_file();
    char *line = nullptr;
    size_t capacity = 0;
    for (auto _ : state) {
        FILE *in = std::fopen(path.c_str(), "r");
        if (!in) {
            state.SkipWithError("cannot open the lines file");
            break;
        }
        size_t lines = 0;
        while (getline(&line, &capacity, in) >= 0)
            ++lines;
        std::fclose(in);
        benchmark::DoNotOptimize(lines);
    }
    std::free(line);
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * lines_file_bytes));
}

// The least that reading one character per call costs: getc_unlocked under
// one lock, each line stored in a plain buffer, nothing checked.
void getline_bound(benchmark::State &state)
{
    std::string path = lines_file();
    std::string line(1 << 16, '\0');
    for (auto _ : state) {
        FILE *in = std::fopen(path.c_str(), "r");
        if (!in) {
            state.SkipWithError("cannot open the lines file");
            break;
        }
        size_t lines = 0, at = 0;
        flockfile(in);
        for (int c; (c = getc_unlocked(in)) != EOF;) {
            line[at] = static_cast<char>(c);
            at = c == '\n' ? 0 : (at + 1) & 0xFFFF;
            lines += c == '\n';
        }
        funlockfile(in);
        std::fclose(in);
        benchmark::DoNotOptimize(lines);
        benchmark::DoNotOptimize(line.data());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * lines_file_bytes));
}

// ---- Comparing ----

void compare_mstr(benchmark::State &state, size_t size)
{
    std::string text = sample_text(size);
    mstr first = record_of(text), second = record_of(text);
    for (auto _ : state)
        benchmark::DoNotOptimize(mstr_compare(&first, &second));
    mstr_destroy(&second);
    mstr_destroy(&first);
}

void compare_std(benchmark::State &state, size_t size)
{
    std::string first = sample_text(size), second = first;
    for (auto _ : state) {
        benchmark::DoNotOptimize(first.data());
        benchmark::DoNotOptimize(first.compare(second));
    }
}

std::string name(const std::string &base, size_t size, const char *implementation)
{
    return base + "/" + std::to_string(size) + "/" + implementation;
}

void register_all()
{
    for (size_t size : {64, 256, 1024, 4096, 65536}) {
        benchmark::RegisterBenchmark(name("strcat16", size, "mstr").c_str(), build_by_strcat, size);
        benchmark::RegisterBenchmark(name("strcat16", size, "std").c_str(), build_by_append, size);
        benchmark::RegisterBenchmark(name("strcat16", size, "bound").c_str(),
                                     build_by_append_and_recount, size);
    }
    for (size_t size : {64, 256, 1024, 4096, 65536}) {
        benchmark::RegisterBenchmark(name("push_back", size, "mstr").c_str(),
                                     build_by_mstr_push_back, size);
        benchmark::RegisterBenchmark(name("push_back", size, "std").c_str(), build_by_std_push_back,
                                     size);
        benchmark::RegisterBenchmark(name("push_back", size, "bound").c_str(),
                                     build_by_push_back_and_recount, size);
    }
    using Search = void (*)(benchmark::State &, size_t, bool, Hit);
    struct SearchPair {
        const char *operation;
        Search mstr_fn, std_fn;
    };
    for (SearchPair pair :
         {SearchPair{"find", find_mstr, find_std}, SearchPair{"count", count_mstr, count_std}})
        for (size_t size : {4096, 65536})
            for (bool long_needle : {false, true})
                for (Hit hit : {Hit::early, Hit::late, Hit::never}) {
                    std::string base = std::string(pair.operation) + "/" +
                                       (long_needle ? "long" : "short") + "/" + hit_name(hit);
                    benchmark::RegisterBenchmark(name(base, size, "mstr").c_str(), pair.mstr_fn,
                                                 size, long_needle, hit);
                    benchmark::RegisterBenchmark(name(base, size, "std").c_str(), pair.std_fn, size,
                                                 long_needle, hit);
                    if (pair.mstr_fn == find_mstr)
                        benchmark::RegisterBenchmark(name(base, size, "bound").c_str(),
                                                     find_with_recount, size, long_needle, hit);
                }
    for (size_t size : {4096, 65536})
        for (auto [kind, new_text] :
             {std::pair{"same", "dog"}, std::pair{"shorter", "x"}, std::pair{"longer", "tiger"}}) {
            std::string base = std::string("replace/") + kind;
            benchmark::RegisterBenchmark(name(base, size, "mstr").c_str(), replace_mstr, size,
                                         new_text);
            benchmark::RegisterBenchmark(name(base, size, "std").c_str(), replace_std, size,
                                         new_text);
        }
    benchmark::RegisterBenchmark(name("partition", 4096, "mstr").c_str(), partition_mstr, 4096);
    benchmark::RegisterBenchmark(name("partition", 4096, "std").c_str(), partition_std, 4096);
    benchmark::RegisterBenchmark("getline/64MiB/mstr", getline_mstr)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("getline/64MiB/glibc", getline_glibc)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("getline/64MiB/bound", getline_bound)
        ->Unit(benchmark::kMillisecond);
    for (size_t size : {16, 4096, 65536}) {
        benchmark::RegisterBenchmark(name("compare", size, "mstr").c_str(), compare_mstr, size);
        benchmark::RegisterBenchmark(name("compare", size, "std").c_str(), compare_std, size);
    }
}

} // namespace

int main(int argc, char **argv)
{
    register_all();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

// The guide's key=value example: the same code as the C file that is built
// here, and it does what the guide says.
#include "mstr_test_support.h"

#include <fstream>
#include <sstream>

extern "C" int print_settings(FILE *in, FILE *out);

namespace
{

std::string file_text(const std::string &path)
{
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

TEST(MstrGuide, ExampleInTheGuideIsTheCompiledOne)
{
    std::string guide = file_text(NORLET_SOURCE_DIR "/docs/MSTR.md");
    std::string compiled = file_text(NORLET_SOURCE_DIR "/tests/mstr/doc_example.c");
    size_t code = compiled.find("#include");
    ASSERT_NE(code, std::string::npos);
    EXPECT_NE(guide.find("```c\n" + compiled.substr(code) + "```\n"), std::string::npos)
        << "docs/MSTR.md should show tests/mstr/doc_example.c from its first #include on";
}

TEST(MstrGuide, ExampleSplitsKeyValueLines)
{
    std::string input = "name=norlet\nfont=6x16\nno pair here\nlast=a=b";
    FILE *in = fmemopen(input.data(), input.size(), "r");
    char *output = nullptr;
    size_t size = 0;
    FILE *out = open_memstream(&output, &size);
    ASSERT_TRUE(in && out);
    EXPECT_EQ(print_settings(in, out), 3);
    fclose(in);
    fclose(out);
    EXPECT_EQ(std::string(output, size), "name: norlet\nfont: 6x16\nlast: a=b\n");
    free(output);
}

} // namespace

// norlet-display: shows one to four text lines on the frame-buffer panel.
#include <cstdio>

#include "font-handler.h"
#include "mstr.h"

namespace
{

constexpr int max_lines = 4;

} // namespace

int main(int argc, char **argv)
{
    if (argc < 2) {
        const char *name = argc > 0 && argv[0] ? argv[0] : "norlet-display";
        std::printf("Usage: %s \"line1 text to display\" [\"line2 text to display\" ...]", name);
        return 0;
    }

    // One text block: every argument followed by a newline.
    mstr text = MSTR_EMPTY_HEAP;
    for (int i = 1; i <= max_lines && i < argc; ++i) {
        mstr_strcat(&text, argv[i]);
        mstr_push_back(&text, '\n');
    }
    // A block that could not be allocated is never handed on.
    if (const char *block = mstr_get(&text)) print_string(block);
    mstr_destroy(&text);
    return 0;
}

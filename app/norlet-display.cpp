// norlet-display: shows one to four text lines on the frame-buffer panel.
#include <cerrno>
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

    // One text block: every argument followed by a newline. A block that
    // could not be built whole is reported and never drawn: a panel missing
    // a line would show something the caller never asked for.
    mstr text = MSTR_EMPTY_HEAP;
    bool whole = true;
    for (int i = 1; whole && i <= max_lines && i < argc; ++i)
        whole = mstr_strcat(&text, argv[i]) == 0 && mstr_push_back(&text, '\n') == 0;
    const char *block = whole ? mstr_get(&text) : nullptr;
    if (block)
        print_string(block);
    else
        std::printf("Dravik: error allocating memory. error - %i\n", ENOMEM);
    mstr_destroy(&text);
    return 0;
}

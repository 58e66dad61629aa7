/* A program of the device using the installed mstr, built as C through
 * pkg-config and as C++ through find_package(mstr): prints a status line. */
#include <mstr.h>
#include <stdio.h>

int main(void)
{
    mstr line = MSTR_EMPTY_HEAP;
    mstr_strcat(&line, "fw");
    mstr_push_back(&line, ' ');
    mstr_strcat(&line, "1.4.2");
    printf("%s (%u)\n", mstr_get(&line), (unsigned)mstr_length(&line));
    mstr_destroy(&line);
    return 0;
}

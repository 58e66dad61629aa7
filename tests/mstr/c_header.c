/* The header compiles as C11: a few operations called from C. */
#include "mstr.h"

#include <string.h>

/* Builds "key=value!" through the C interface; 0 when every step gave what
 * it should, else the number of the step that did not. */
int mstr_c_round_trip(void)
{
    mstr text = MSTR_EMPTY_HEAP;
    char block[8 + MSTR_BLOCK_OVERHEAD];
    mstr guarded = {MSTR_MAGIC_GUARDED, 0, 8, _mstr_init_data(block, 8, MSTR_MAGIC_GUARDED)};
    int failed = 0;

    if (mstr_strcpy(&text, "key") != 0)
        failed = 1;
    else if (mstr_sprintf(&guarded, "=%s", "value") != 6)
        failed = 2;
    else if (mstr_append(&text, &guarded) != 0)
        failed = 3;
    else if (mstr_push_back(&text, '!') != 0)
        failed = 4;
    else if (strcmp(mstr_get(&text), "key=value!") != 0)
        failed = 5;
    else if (mstr_length(&text) != 10)
        failed = 6;
    if (mstr_destroy(&guarded) != 0 && !failed) failed = 7;
    if (mstr_destroy(&text) != 0 && !failed) failed = 8;
    return failed;
}

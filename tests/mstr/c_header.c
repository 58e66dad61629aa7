/* The header compiles as C11: "key=value!" built from C, 0 when all went well. */
#include "mstr.h"

#include <string.h>

int mstr_c_round_trip(void)
{
    mstr text = MSTR_EMPTY_HEAP;
    char block[8 + MSTR_BLOCK_OVERHEAD];
    mstr guarded = {MSTR_MAGIC_GUARDED, 0, 8, _mstr_init_data(block, 8, MSTR_MAGIC_GUARDED)};
    int ok = mstr_strcpy(&text, "key") == 0 && mstr_sprintf(&guarded, "=%s", "value") == 6 &&
             mstr_append(&text, &guarded) == 0 && mstr_push_back(&text, '!') == 0 &&
             strcmp(mstr_get(&text), "key=value!") == 0 && mstr_length(&text) == 10;
    return mstr_destroy(&guarded) == 0 && mstr_destroy(&text) == 0 && ok ? 0 : 1;
}

/* The key=value example of docs/MSTR.md, compiled as C11; a test keeps the
 * two identical and runs it. */

#include <stdio.h>

#include "mstr.h"

/* Writes each key=value line of in to out as "key: value" and returns the
 * number of pairs, or -1 on a read error. */
int print_settings(FILE *in, FILE *out)
{
    mstr line = MSTR_EMPTY_HEAP;
    mstr key = MSTR_EMPTY_HEAP;
    int pairs = 0;
    int result;

    do {
        result = mstr_getline(&line, in); /* 0 a line, 2 the last piece */
        if (result < 0) break;
        mstr_strip(&line, 0, 1); /* drops the newline */
        if (mstr_partition_cstr(&key, &line, "=") == 1) {
            fprintf(out, "%s: %s\n", mstr_get(&key), mstr_get(&line));
            ++pairs;
        }
    } while (result == 0);

    mstr_destroy(&key);
    mstr_destroy(&line);
    return result < 0 ? -1 : pairs;
}

/* A C program of the device using the installed mstr through pkg-config:
 * builds a status line and prints it with its length. */
#include <mstr.h>
#include <stdio.h>
#include <string.h>

int main(void)
{
    mstr line = MSTR_EMPTY_HEAP;
    mstr_strcat(&line, "fw");
    mstr_push_back(&line, ' ');
    mstr_strcat(&line, "1.4.2");
    const char *text = mstr_get(&line);
    int matches = text != NULL && strcmp(text, "fw 1.4.2") == 0;
    printf("%s (%u)\n", text ? text : "(invalid)", (unsigned)mstr_length(&line));
    mstr_destroy(&line);
    return matches ? 0 : 1;
}

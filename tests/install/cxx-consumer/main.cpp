// Splits "key=value" with the installed mstr and prints both halves.
#include <cstdio>
#include <cstring>
#include <mstr.h>

int main()
{
    mstr *key = mstr_new(16);
    mstr *rest = mstr_new(16);
    bool matches = false;
    if (key && rest && mstr_strcpy(rest, "panel=128x64") == 0) {
        int found = mstr_partition_cstr(key, rest, "=");
        std::printf("%s -> %s (%d)\n", mstr_get(key), mstr_get(rest), found);
        matches = found == 1 && std::strcmp(mstr_get(key), "panel") == 0 &&
                  std::strcmp(mstr_get(rest), "128x64") == 0;
    }
    mstr_delete(&key);
    mstr_delete(&rest);
    return matches ? 0 : 1;
}

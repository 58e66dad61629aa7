/* mstr: a validated, growable string record.
 *
 * A record's magic number tells its kind; heap and guarded texts sit between
 * two guard words that every operation checks before it touches the text.
 * Every operation returns 0 (or a length, position or count) on success and
 * -1 on failure (null for pointer results). The header is valid C11 and C++.
 */
#ifndef MSTR_H
#define MSTR_H

#include <stdint.h>
#include <stdio.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Kinds, told by the record's magic number. */
#define MSTR_MAGIC_HEAP 0x5aa55a71u      /* library-allocated block, grows */
#define MSTR_MAGIC_GUARDED 0x5aa55a72u   /* caller's block, guard words, fixed */
#define MSTR_MAGIC_EXTERNAL 0x5aa55a73u  /* caller's plain buffer, fixed */
#define MSTR_MAGIC_EXTERNAL2 0x5aa55a74u /* the same as MSTR_MAGIC_EXTERNAL */
#define MSTR_MAGIC_CONST 0x5aa55a75u     /* caller's read-only text */

/* Texts and heap capacities stay below this many characters. */
#define MSTR_SIZE_LIMIT 0x200000u

/* Bytes a guarded or heap block needs beyond its capacity: two guard words
 * and the terminating NUL. */
#define MSTR_BLOCK_OVERHEAD 9u

typedef struct mstr {
    uint32_t magic;
    uint32_t lastlen;
    uint32_t capacity;
    char *c_str;
} mstr;

/* The empty heap value: a record initialised with it is valid at once, and
 * its first operation allocates the block.  mstr s = MSTR_EMPTY_HEAP; */
#define MSTR_EMPTY_HEAP                                                                            \
    {                                                                                              \
        MSTR_MAGIC_HEAP, 0u, 0u, NULL                                                              \
    }

/* ---- Record lifecycle and appending ---- */

/* The check every operation runs first. 0 if s is a valid record of a known
 * kind, -1 if not (null, unknown magic, lastlen beyond capacity, a damaged
 * guard word, no NUL inside the text area). May allocate the block of an
 * empty heap record, recount lastlen, and set a constant record's capacity
 * from its text. */
int mstr_valid(mstr *s);

/* Makes *s an empty heap record with room for capacity characters (below
 * MSTR_SIZE_LIMIT). 0 / -1; on -1 *s is a heap record with a null c_str,
 * which later operations try to allocate again. The old contents of *s are
 * not looked at, so a block it held is not released. */
int mstr_create(mstr *s, uint32_t capacity);

/* A heap-allocated record made by mstr_create, or null (nothing leaks then).
 * The caller owns it and releases it with mstr_delete. */
mstr *mstr_new(uint32_t capacity);

/* Releases the text: a heap block is wiped and freed, a guarded block wiped;
 * external and constant texts are left to their owner. Zeroes the record,
 * which is then invalid. 0 / -1 (an invalid record is left alone). */
int mstr_destroy(mstr *s);

/* mstr_destroy on *s, then frees the record itself (from mstr_new) and sets
 * *s to null. -1 for a null s or *s, or when the destroy fails (the record
 * stays allocated then). */
int mstr_delete(mstr **s);

/* The text, or null when the record is invalid. The pointer stays good until
 * the record grows or is destroyed. */
char *mstr_get(mstr *s);

/* The current length (characters before the first NUL), also stored in
 * lastlen; UINT32_MAX when the record is invalid. */
uint32_t mstr_length(mstr *s);

/* The capacity in characters; UINT32_MAX when the record is invalid. */
uint32_t mstr_capacity(mstr *s);

/* Appends text, measured up to MSTR_SIZE_LIMIT characters. Only heap records
 * grow. 0 / -1 (invalid or constant record, null text, no room); on -1 the
 * text is unchanged. text may point into s's own text. */
int mstr_strcat(mstr *s, const char *text);

/* Appends the low 8 bits of character; a NUL appends nothing and returns 0.
 * 0 / -1 as mstr_strcat. */
int mstr_push_back(mstr *s, int character);

/* Lays out a block of capacity + MSTR_BLOCK_OVERHEAD bytes for the heap or
 * guarded kind: guard words of magic at both ends, a zeroed text area of
 * capacity + 1 bytes between. Returns the text area (block + 4), or null for
 * a null block. The block stays the caller's. */
char *_mstr_init_data(void *block, uint32_t capacity, uint32_t magic);

#ifdef __cplusplus
}
#endif

#endif /* MSTR_H */

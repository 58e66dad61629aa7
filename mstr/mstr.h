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
#define MSTR_EMPTY_HEAP {MSTR_MAGIC_HEAP, 0u, 0u, NULL}

/* ---- Record lifecycle and appending ---- */

/* 0 if the record is valid, -1 if not. May allocate the block of an empty
 * heap record and recount lastlen (and a constant record's capacity). */
int mstr_valid(mstr *s);

/* Makes *s a heap record with room for capacity characters. 0 / -1. The old
 * contents of *s are not looked at. */
int mstr_create(mstr *s, uint32_t capacity);

/* A new heap-allocated heap record, or null. Release with mstr_delete. */
mstr *mstr_new(uint32_t capacity);

/* Wipes (heap, guarded) and frees (heap) the text, zeroes the record. 0 / -1. */
int mstr_destroy(mstr *s);

/* mstr_destroy, then frees a record from mstr_new and nulls *s. 0 / -1. */
int mstr_delete(mstr **s);

/* The text, or null when the record is invalid. Good until the next growth. */
char *mstr_get(mstr *s);

/* The current length, stored in lastlen; (uint32_t)-1 when invalid. */
uint32_t mstr_length(mstr *s);

/* The capacity; (uint32_t)-1 when invalid. */
uint32_t mstr_capacity(mstr *s);

/* Appends text (null refused). 0 / -1; on -1 the text is unchanged. */
int mstr_strcat(mstr *s, const char *text);

/* Appends the low 8 bits of character; a NUL appends nothing. 0 / -1. */
int mstr_push_back(mstr *s, int character);

/* Lays out a block of capacity + 9 bytes for the heap or guarded kind: guard
 * words of magic at both ends, a zeroed text area between. Returns the text
 * area (block + 4), or null for a null block. */
char *_mstr_init_data(void *block, uint32_t capacity, uint32_t magic);

#ifdef __cplusplus
}
#endif

#endif /* MSTR_H */

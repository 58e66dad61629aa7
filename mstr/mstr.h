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
/* clang-format off */
#define MSTR_EMPTY_HEAP {MSTR_MAGIC_HEAP, 0u, 0u, NULL}
/* clang-format on */

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

/* ---- Editing ----
 *
 * Every edit checks its records first and refuses a constant record as the
 * one that changes (-1); a source may be of any kind. Two-record edits
 * refuse the same record given twice. Positions and ranges count characters
 * from 0; a range (from, to) is half-open. Only heap records grow (to the
 * larger of the need and twice the capacity, below MSTR_SIZE_LIMIT); an edit
 * that does not fit returns -1 with the text unchanged. Failures keep only
 * what the check and the recounts stored (lastlen, a lazily allocated heap
 * block). */

#if defined(__GNUC__)
#define MSTR_PRINTF_CHECK(format_index, first_argument)                                            \
    __attribute__((format(printf, format_index, first_argument)))
#else
#define MSTR_PRINTF_CHECK(format_index, first_argument)
#endif

/* Replaces the text with text, measured up to MSTR_SIZE_LIMIT characters;
 * text may point into s's own text. 0 / -1 (also for a null text). */
int mstr_strcpy(mstr *s, const char *text);

/* Replaces the text with the output of vsnprintf(format, ...). Returns the
 * length of the full output, which exceeds mstr_capacity when it did not fit
 * (guarded and external records keep the first capacity characters; heap
 * records grow and hold it all unless the size limit or malloc refuses);
 * -1 for a refused record, a null format or a formatting error. Arguments
 * must not point into s's own text. */
int mstr_sprintf(mstr *s, const char *format, ...) MSTR_PRINTF_CHECK(2, 3);

/* Replaces destination's text with source's. 0 / -1. */
int mstr_assign(mstr *destination, mstr *source);

/* Appends source's text to destination. 0 / -1. */
int mstr_append(mstr *destination, mstr *source);

/* Inserts source's text before position (at most the current length, which
 * appends). 0 / -1. */
int mstr_insert(mstr *destination, uint32_t position, mstr *source);

/* Removes the range (from, to); from == to removes nothing. 0 / -1 when
 * from > to or to is past the current length. */
int mstr_erase(mstr *s, uint32_t from, uint32_t to);

/* Replaces destination's text with the range (from, to) of source's. 0 / -1
 * when from > to, to is past source's length, or it does not fit. */
int mstr_slice(mstr *destination, mstr *source, uint32_t from, uint32_t to);

/* Empties the text, zero-filling the text area. 0 / -1. */
int mstr_clear(mstr *s);

/* Removes front characters from the start and back from the end. 0 / -1
 * when together they exceed the current length. */
int mstr_trim(mstr *s, uint32_t front, uint32_t back);

/* Removes white space (isspace of the current locale, bytes taken unsigned)
 * from the start when left is non-zero and from the end when right is.
 * Returns the number of characters removed, or -1. */
int mstr_strip(mstr *s, int left, int right);

/* Removes the last character, storing it in *removed unless removed is
 * null. 0 / -1 (empty text, refused record; *removed is not written then). */
int mstr_pop_back(mstr *s, char *removed);

/* Makes room for count characters past the current length. Heap records
 * only; 0 / -1 (another kind, size limit, malloc). The text is unchanged. */
int mstr_extend(mstr *s, uint32_t count);

/* Makes the capacity at least capacity. Heap records only; 0 / -1 (another
 * kind, MSTR_SIZE_LIMIT or more, malloc). The text is unchanged. */
int mstr_reserve(mstr *s, uint32_t capacity);

/* ---- Search, partition and line input ----
 *
 * These check their records first too, refuse the same record in two places,
 * and recount every record they read into its lastlen. */

/* Position of the first occurrence of needle's text in haystack's that
 * begins at or after start; -1 when there is none, the needle is empty, or
 * the call is refused. */
int mstr_find(mstr *haystack, uint32_t start, mstr *needle);

/* mstr_find with plain characters as the needle; also -1 for null
 * characters or MSTR_SIZE_LIMIT characters and more. */
int mstr_find_cstr(mstr *haystack, uint32_t start, const char *needle);

/* Number of non-overlapping occurrences of needle's text, counted from the
 * left (an empty needle occurs 0 times); -1 when refused. */
int mstr_count(mstr *haystack, mstr *needle);

/* Replaces occurrences of old_text's text in target, from the left, by
 * new_text's; inserted text is never searched again. limit 0 replaces all.
 * Returns the number replaced (0 when old_text is empty or absent); -1 when
 * refused (constant target, or old_text or new_text viewing the target's own
 * text area) or when the target runs out of room, in which case the
 * replacements before it stay and the match that did not fit is removed. */
int mstr_replace(mstr *target, mstr *old_text, mstr *new_text, uint32_t limit);

/* strcmp of the two texts (bytes compared unsigned); -2 when refused, the
 * same record twice included. A valid ordering can be -2 as well: pass two
 * distinct valid records to tell them apart. */
int mstr_compare(mstr *first, mstr *second);

/* Splits rest at the first occurrence of separator's text: head takes the
 * text before it, rest keeps the text after it; returns 1. Without an
 * occurrence (or with an empty separator) head takes all of rest and rest is
 * emptied; returns 0. -1 when refused (constant head or rest) or when head
 * has no room, both records then unchanged. Called repeatedly on one rest it
 * peels off one field at a time. */
int mstr_partition(mstr *head, mstr *rest, mstr *separator);

/* mstr_partition with plain characters as the separator; also -1 for null
 * characters or MSTR_SIZE_LIMIT characters and more. */
int mstr_partition_cstr(mstr *head, mstr *rest, const char *separator);

/* Empties s, then reads characters from stream into it up to and including
 * delimiter (a character value 0..255; others never match). Returns 0 when
 * the delimiter was read, 1 when s is full and cannot grow (the next
 * character stays in the stream; a heap record stops at 1,048,576
 * characters), 2 at end of file (s holds what came before it), -1 when s is
 * refused (unchanged; constant records read nothing), for a null stream (s
 * emptied) or on a read error (s holds what was read). A NUL read is stored
 * and counted in lastlen, but ends the text for later operations. */
int mstr_getdelim(mstr *s, FILE *stream, int delimiter);

/* mstr_getdelim with the newline as delimiter: one line, newline kept. */
int mstr_getline(mstr *s, FILE *stream);

/* Prints the record's address and fields to standard output as stored,
 * without the check ("mstr: NULL pointer!" for a null s). The text is shown
 * no further than its text area, a null c_str as (null). */
void _mstr_debug_show(mstr *s);

/* Stores a NUL in the last byte of a caller's array of size bytes and
 * returns the array, which can then serve as the text area of an external
 * record of capacity size - 1. Null for a null buffer or a size of 0 (nothing
 * written). */
char *_mstr_init_buffer(char *buffer, uint32_t size);

#ifdef __cplusplus
}
#endif

#endif /* MSTR_H */

/* The test data of the LoadLibrary client, made by the fixture builder and
 * offered to the C client through plain C calls. */
#ifndef ZEB_CLIENT_FIXTURE_H
#define ZEB_CLIENT_FIXTURE_H

#ifdef __cplusplus
extern "C" {
#endif

/* Writes the client's database to Path, in the CRC layout when Crc is
 * nonzero, else in the sum layout. Two tables:
 *   ITEM, 12-byte records, fields NAME (string, 32 bits at 0), CODE
 *   (unsigned, 16 bits at 32), COST (float, 32 bits at 48), LVL (signed,
 *   8 bits at 80); records Axe 5 1.5 1, Bow 7 2.5 -3, Cap 9 100.0 0, and
 *   two spare slots;
 *   SHOP, 4-byte records, field ID (integer, 16 bits at 0); records 1, 2.
 * Returns 0 on success. */
int ClientWriteDatabase(const char *Path, int Crc);

/* Checks every check word of the file at Path independently of the library.
 * Returns an empty text when all are right, else a description of the
 * problems (valid until the next call). */
const char *ClientCheckWordProblems(const char *Path, int Crc);

#ifdef __cplusplus
}
#endif

#endif

/*
 * zebcore - storage library for the game's binary database files.
 *
 * Rules that hold for every call:
 *  - A database is named by a handle, a small integer returned by ZEBOpen.
 *    Tables and fields are named by their names (up to four 8-bit
 *    characters, compared exactly and case-sensitively) or list positions.
 *  - Strings passed in are zero-terminated 8-bit text; a null pointer is the
 *    empty string. The library reads them only during the call and keeps no
 *    pointer to them.
 *  - Buffers and property records are owned by the caller; the library writes
 *    them only during the call. The caller never frees anything that the
 *    library allocated, and the library never frees the caller's memory.
 *  - Failure is reported only through the result: -1, 0, 0.0, false or 65535
 *    depending on the call (each says which). A failure result may also be a
 *    genuine value. No exception or error state ever leaves a call.
 *  - Changes live in memory until ZEBSave writes the whole file back;
 *    ZEBClose and the unloading of the library discard unsaved changes.
 *  - The library is not thread-safe: call it from one thread at a time.
 */
#ifndef ZEBCORE_H
#define ZEBCORE_H

#include <stdbool.h>
#include <stdint.h>

#if defined(_WIN32) && (defined(_M_IX86) || defined(__i386__))
#define ZEBCALL __stdcall
#else
#define ZEBCALL
#endif

#if defined(_WIN32)
#if defined(ZEBCORE_BUILD)
#define ZEBAPI __declspec(dllexport)
#else
#define ZEBAPI __declspec(dllimport)
#endif
#elif defined(ZEBCORE_BUILD)
#define ZEBAPI __attribute__((visibility("default")))
#else
#define ZEBAPI
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* Field type codes; any other stored code behaves as ZEB_FT_UNSIGNED_INTEGER. */
enum {
    ZEB_FT_STRING = 0,
    ZEB_FT_SIGNED_INTEGER = 2,
    ZEB_FT_UNSIGNED_INTEGER = 3,
    ZEB_FT_FLOAT = 4,
    ZEB_FT_INTEGER = 718
};

/* Filled by ZEBTableGetProperties. Name is input: the address of a caller
 * buffer of at least five bytes that receives the table's name and a zero
 * byte, or null. The other members are output. FirstDeleted is 65535 when
 * the table has no deleted record to reuse. */
typedef struct TableProperties {
    char *Name;
    int32_t FieldCount;
    int32_t Capacity;
    int32_t RecordCount;
    int32_t DeletedCount;
    int32_t FirstDeleted;
} TableProperties;

/* Filled by ZEBFieldGetProperties. Name as above; BitCount is the field's
 * width in bits and FieldType its stored type code. The padding after
 * FieldType is never written. */
typedef struct FieldProperties {
    char *Name;
    int32_t BitCount;
    uint16_t FieldType;
} FieldProperties;

/* Opening, closing, saving ------------------------------------------------ */

/* Opens the database file at FileName, or returns the handle under which the
 * same path (compared without letter case) is already open, without reading
 * the file again. -1 when the path is not an existing file or it cannot be
 * read. */
ZEBAPI int32_t ZEBCALL ZEBOpen(const char *FileName);

/* Closes the database without saving. false for a handle that is not open. */
ZEBAPI bool ZEBCALL ZEBClose(int32_t Handle);

/* Recomputes every check word and replaces the file on disk with the whole
 * image (temporary file in the same folder, flushed, then renamed over it).
 * false when the handle is not open or the file could not be replaced; the
 * file on disk is then exactly as it was and the database stays open. */
ZEBAPI bool ZEBCALL ZEBSave(int32_t Handle);

/* Removes every deleted record of every table, in memory. false for a handle
 * that is not open. */
ZEBAPI bool ZEBCALL ZEBDatabaseCompact(int32_t Handle);

/* Inspection --------------------------------------------------------------- */

/* Number of tables available; 0 for a handle that is not open. */
ZEBAPI int32_t ZEBCALL ZEBDatabaseGetTableCount(int32_t Handle);

/* Fills Properties for the table at list position TableIndex. false, with the
 * record untouched, when the handle or index is not valid. */
ZEBAPI bool ZEBCALL ZEBTableGetProperties(int32_t Handle, int32_t TableIndex,
                                         TableProperties *Properties);

/* Fills Properties for the field at list position FieldIndex of the named
 * table. false, with the record untouched, on any failed check. */
ZEBAPI bool ZEBCALL ZEBFieldGetProperties(int32_t Handle, const char *TableName,
                                         int32_t FieldIndex,
                                         FieldProperties *Properties);

/* Records ------------------------------------------------------------------ */

/* Adds an all-zero live record: reuses the deleted record the table names,
 * else a spare slot, else grows the table by one slot when the low byte of
 * Grow is nonzero. The new record's index, or 65535 when nothing was added. */
ZEBAPI int32_t ZEBCALL ZEBTableRecordAdd(int32_t Handle, const char *TableName,
                                        int32_t Grow);

/* Marks the record live (low byte of Live nonzero) or deleted. true when the
 * record has the requested state afterwards. */
ZEBAPI bool ZEBCALL ZEBTableRecordChangeDeleted(int32_t Handle,
                                               const char *TableName,
                                               int32_t RecordIndex,
                                               int32_t Live);

/* true when the record is marked deleted; false for a live record and for
 * any failed check. */
ZEBAPI bool ZEBCALL ZEBTableRecordDeleted(int32_t Handle, const char *TableName,
                                         int32_t RecordIndex);

/* Removes the record; later records move down by one index. */
ZEBAPI bool ZEBCALL ZEBTableRecordRemove(int32_t Handle, const char *TableName,
                                        int32_t RecordIndex);

/* Queries ------------------------------------------------------------------ */

/* Finds the live records whose integer field FieldName holds Value and makes
 * them the library's last query result. The number found; 0 on failure. */
ZEBAPI int32_t ZEBCALL ZEBQueryFindUnsignedInt(int32_t Handle,
                                              const char *TableName,
                                              const char *FieldName,
                                              int32_t Value);

/* The record index at position ResultIndex of the last query result, or -1. */
ZEBAPI int32_t ZEBCALL ZEBQueryGetResult(int32_t ResultIndex);

/* The number of record indexes in the last query result, or 0. */
ZEBAPI int32_t ZEBCALL ZEBQueryGetResultSize(void);

/* Field values ------------------------------------------------------------- */
/* Each names the record by RecordIndex, below the table's RecordCount. */

/* The value as a float; 0.0 on failure. */
ZEBAPI float ZEBCALL ZEBFieldGetValueAsFloat(int32_t Handle, const char *TableName,
                                            const char *FieldName,
                                            int32_t RecordIndex);

/* The value's low 32 bits as a signed integer; 0 on failure. */
ZEBAPI int32_t ZEBCALL ZEBFieldGetValueAsInteger(int32_t Handle,
                                                const char *TableName,
                                                const char *FieldName,
                                                int32_t RecordIndex);

/* Writes the value's text into the buffer whose address *Buffer holds: at
 * most BitCount - 1 characters (none when BitCount is 0) and a zero byte, so
 * the buffer must hold max(BitCount, 1) bytes. *Buffer itself is unchanged. */
ZEBAPI bool ZEBCALL ZEBFieldGetValueAsString(int32_t Handle, const char *TableName,
                                            const char *FieldName,
                                            int32_t RecordIndex, char **Buffer);

/* The setters write the value and return true when the field reads back as
 * the value given; false on a failed check, or when the field cut, changed
 * or ignored the value. */
ZEBAPI bool ZEBCALL ZEBFieldSetValueAsFloat(int32_t Handle, const char *TableName,
                                           const char *FieldName,
                                           int32_t RecordIndex, float Value);
ZEBAPI bool ZEBCALL ZEBFieldSetValueAsInteger(int32_t Handle, const char *TableName,
                                             const char *FieldName,
                                             int32_t RecordIndex, int32_t Value);
ZEBAPI bool ZEBCALL ZEBFieldSetValueAsString(int32_t Handle, const char *TableName,
                                            const char *FieldName,
                                            int32_t RecordIndex, const char *Value);

#ifdef __cplusplus
}
#endif

#endif /* ZEBCORE_H */

/* A Windows program that uses zebcore.dll the way most of its callers do:
 * loaded by name with LoadLibrary, every call bound by name with
 * GetProcAddress. It runs a working session through all twenty calls (open,
 * inspect, read, write, add, remove, query, save, reopen and compare), then
 * frees the library while databases are open with unsaved changes, and
 * checks that their files were left exactly as they were. */
#include <windows.h>

#include <ctype.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "client_fixture.h"
#include "zebcore.h"

/* The call list; each pointer gets its type from the header's declaration. */
#define ZEB_CALLS(X)                                                                                      \
    X(ZEBOpen) X(ZEBClose) X(ZEBSave) X(ZEBDatabaseCompact) X(ZEBDatabaseGetTableCount)                 \
    X(ZEBTableGetProperties) X(ZEBTableRecordAdd) X(ZEBTableRecordChangeDeleted) X(ZEBTableRecordDeleted) \
    X(ZEBTableRecordRemove) X(ZEBQueryFindUnsignedInt) X(ZEBQueryGetResult) X(ZEBQueryGetResultSize)     \
    X(ZEBFieldGetProperties) X(ZEBFieldGetValueAsFloat) X(ZEBFieldGetValueAsInteger)                     \
    X(ZEBFieldGetValueAsString) X(ZEBFieldSetValueAsFloat) X(ZEBFieldSetValueAsInteger)                  \
    X(ZEBFieldSetValueAsString)

#define DECLARE_POINTER(Name) __typeof__(&Name) Name;
static struct {
    ZEB_CALLS(DECLARE_POINTER)
} zeb;

static int failures;

#define EXPECT(Condition)                                                              \
    do {                                                                               \
        if (!(Condition)) {                                                            \
            fprintf(stderr, "loadlibrary_client.c:%d: failed: %s\n", __LINE__, #Condition); \
            ++failures;                                                                \
        }                                                                              \
    } while (0)

/* Loads the library and binds every call; false when any is missing. */
static HMODULE LoadZebcore(void) {
    HMODULE library = LoadLibraryA("zebcore.dll");
    if (!library) {
        fprintf(stderr, "LoadLibrary(zebcore.dll) failed: error %lu\n", (unsigned long)GetLastError());
        return NULL;
    }
    int bound = 0;
#define BIND(Name)                                                                           \
    zeb.Name = (__typeof__(&Name))(void (*)(void))GetProcAddress(library, #Name);            \
    if (zeb.Name)                                                                            \
        ++bound;                                                                             \
    else                                                                                     \
        fprintf(stderr, "GetProcAddress(%s) failed\n", #Name);
    ZEB_CALLS(BIND)
#undef BIND
    if (bound != 20) {
        FreeLibrary(library);
        return NULL;
    }
    return library;
}

typedef struct {
    unsigned char *Data;
    DWORD Length;
} FileBytes;

static FileBytes ReadBytes(const char *Path) {
    FileBytes bytes = {NULL, 0};
    HANDLE file = CreateFileA(Path, GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, 0, NULL);
    if (file == INVALID_HANDLE_VALUE) return bytes;
    DWORD size = GetFileSize(file, NULL);
    bytes.Data = malloc(size ? size : 1);
    if (bytes.Data && !ReadFile(file, bytes.Data, size, &bytes.Length, NULL)) bytes.Length = 0;
    CloseHandle(file);
    return bytes;
}

static int SameBytes(FileBytes A, FileBytes B) {
    return A.Data && B.Data && A.Length == B.Length && memcmp(A.Data, B.Data, A.Length) == 0;
}

static void Text(int32_t Handle, const char *Table, const char *Field, int32_t Record, char *Out) {
    char *buffer = Out;
    Out[0] = '\0';
    EXPECT(zeb.ZEBFieldGetValueAsString(Handle, Table, Field, Record, &buffer));
    EXPECT(buffer == Out);
}

/* Open, inspect, read, write, add, remove, query, save, reopen and compare. */
static void WorkingSession(const char *Folder, const char *Path) {
    char upper[MAX_PATH];
    char text[40];
    TableProperties table;
    FieldProperties field;
    char name[5];

    int32_t h = zeb.ZEBOpen(Path);
    EXPECT(h == 0);
    /* Paths are compared without regard to letter case. */
    snprintf(upper, sizeof upper, "%s", Path);
    for (char *c = upper; *c; ++c) *c = (char)toupper((unsigned char)*c);
    EXPECT(zeb.ZEBOpen(upper) == h);
    EXPECT(zeb.ZEBOpen(Folder) == -1);
    EXPECT(zeb.ZEBOpen(NULL) == -1);

    /* Inspect. */
    EXPECT(zeb.ZEBDatabaseGetTableCount(h) == 2);
    memset(&table, 0, sizeof table);
    table.Name = name;
    EXPECT(zeb.ZEBTableGetProperties(h, 0, &table));
    EXPECT(strcmp(name, "ITEM") == 0);
    EXPECT(table.FieldCount == 4 && table.Capacity == 5 && table.RecordCount == 3);
    EXPECT(table.DeletedCount == 0 && table.FirstDeleted == 65535);
    EXPECT(zeb.ZEBTableGetProperties(h, 1, &table) && strcmp(name, "SHOP") == 0);
    table.FieldCount = -7;
    EXPECT(!zeb.ZEBTableGetProperties(h, 2, &table) && table.FieldCount == -7);

    memset(&field, 0xAA, sizeof field);
    field.Name = name;
    EXPECT(zeb.ZEBFieldGetProperties(h, "ITEM", 2, &field));
    EXPECT(strcmp(name, "COST") == 0 && field.BitCount == 32 && field.FieldType == ZEB_FT_FLOAT);
    EXPECT(((unsigned char *)&field)[sizeof field - 1] == 0xAA); /* the padding is not written */
    EXPECT(!zeb.ZEBFieldGetProperties(h, "item", 0, &field));      /* table names are case-sensitive */

    /* Read. */
    Text(h, "ITEM", "NAME", 1, text);
    EXPECT(strcmp(text, "Bow") == 0);
    EXPECT(zeb.ZEBFieldGetValueAsInteger(h, "ITEM", "CODE", 1) == 7);
    EXPECT(zeb.ZEBFieldGetValueAsInteger(h, "ITEM", "LVL", 1) == -3);
    EXPECT(zeb.ZEBFieldGetValueAsFloat(h, "ITEM", "COST", 0) == 1.5f);
    Text(h, "ITEM", "COST", 2, text);
    EXPECT(strcmp(text, "100") == 0);
    EXPECT(zeb.ZEBFieldGetValueAsInteger(h, "ITEM", "CODE", 3) == 0); /* beyond RecordCount */

    /* Write. */
    EXPECT(zeb.ZEBFieldSetValueAsInteger(h, "ITEM", "CODE", 2, 7));
    EXPECT(zeb.ZEBFieldSetValueAsFloat(h, "ITEM", "COST", 2, -2.25f));
    EXPECT(zeb.ZEBFieldSetValueAsString(h, "ITEM", "NAME", 2, "Cog"));
    EXPECT(!zeb.ZEBFieldSetValueAsInteger(h, "ITEM", "LVL", 2, 300)); /* cut to 8 bits: 44 */
    EXPECT(zeb.ZEBFieldGetValueAsInteger(h, "ITEM", "LVL", 2) == 44);

    /* Query: the records whose CODE is 7. */
    EXPECT(zeb.ZEBQueryFindUnsignedInt(h, "ITEM", "CODE", 7) == 2);
    EXPECT(zeb.ZEBQueryGetResultSize() == 2);
    EXPECT(zeb.ZEBQueryGetResult(0) == 1 && zeb.ZEBQueryGetResult(1) == 2);
    EXPECT(zeb.ZEBQueryGetResult(2) == -1);

    /* Add into a spare slot, mark record 0 deleted, remove it. */
    EXPECT(zeb.ZEBTableRecordAdd(h, "ITEM", 0) == 3);
    EXPECT(zeb.ZEBFieldSetValueAsInteger(h, "ITEM", "CODE", 3, 11));
    EXPECT(zeb.ZEBTableRecordChangeDeleted(h, "ITEM", 0, 0));
    EXPECT(zeb.ZEBTableRecordDeleted(h, "ITEM", 0));
    EXPECT(!zeb.ZEBTableRecordDeleted(h, "ITEM", 1));
    EXPECT(zeb.ZEBTableGetProperties(h, 0, &table));
    EXPECT(table.RecordCount == 4 && table.DeletedCount == 1 && table.FirstDeleted == 0);
    EXPECT(zeb.ZEBTableRecordRemove(h, "ITEM", 0));
    EXPECT(!zeb.ZEBTableRecordRemove(h, "ITEM", 3));
    EXPECT(zeb.ZEBDatabaseCompact(h));
    EXPECT(zeb.ZEBTableGetProperties(h, 0, &table));
    EXPECT(table.Capacity == 5 && table.RecordCount == 3 && table.DeletedCount == 0 && table.FirstDeleted == 65535);

    /* Save, close, reopen and compare. */
    EXPECT(zeb.ZEBSave(h));
    EXPECT(strcmp(ClientCheckWordProblems(Path, 1), "") == 0);
    EXPECT(zeb.ZEBClose(h));
    EXPECT(!zeb.ZEBClose(h));
    h = zeb.ZEBOpen(Path);
    EXPECT(h == 0);
    EXPECT(zeb.ZEBTableGetProperties(h, 0, &table));
    EXPECT(table.Capacity == 5 && table.RecordCount == 3 && table.DeletedCount == 0);
    Text(h, "ITEM", "NAME", 0, text);
    EXPECT(strcmp(text, "Bow") == 0);
    Text(h, "ITEM", "NAME", 1, text);
    EXPECT(strcmp(text, "Cog") == 0);
    Text(h, "ITEM", "NAME", 2, text);
    EXPECT(strcmp(text, "") == 0);
    EXPECT(zeb.ZEBFieldGetValueAsInteger(h, "ITEM", "CODE", 0) == 7);
    EXPECT(zeb.ZEBFieldGetValueAsInteger(h, "ITEM", "CODE", 1) == 7);
    EXPECT(zeb.ZEBFieldGetValueAsInteger(h, "ITEM", "CODE", 2) == 11);
    EXPECT(zeb.ZEBFieldGetValueAsFloat(h, "ITEM", "COST", 1) == -2.25f);
    EXPECT(zeb.ZEBFieldGetValueAsInteger(h, "ITEM", "LVL", 0) == -3);
    EXPECT(zeb.ZEBFieldGetValueAsInteger(h, "ITEM", "LVL", 1) == 44);
    EXPECT(zeb.ZEBFieldGetValueAsInteger(h, "SHOP", "ID", 1) == 2);
    EXPECT(zeb.ZEBQueryFindUnsignedInt(h, "ITEM", "CODE", 11) == 1 && zeb.ZEBQueryGetResult(0) == 2);
}

/* True when Folder holds a file whose name matches Pattern. */
static int FolderHolds(const char *Folder, const char *Pattern) {
    char search[MAX_PATH];
    WIN32_FIND_DATAA found;
    snprintf(search, sizeof search, "%s\\%s", Folder, Pattern);
    HANDLE find = FindFirstFileA(search, &found);
    if (find == INVALID_HANDLE_VALUE) return 0;
    FindClose(find);
    return 1;
}

/* Changes two open databases without saving, then frees the library. */
static void UnloadWithUnsavedChanges(const char *Folder, const char *First, const char *Second) {
    FileBytes before1 = ReadBytes(First), before2 = ReadBytes(Second);

    HMODULE library = LoadZebcore();
    EXPECT(library != NULL);
    if (!library) return;
    int32_t a = zeb.ZEBOpen(First), b = zeb.ZEBOpen(Second);
    EXPECT(a == 0 && b == 1);
    EXPECT(zeb.ZEBFieldSetValueAsString(a, "ITEM", "NAME", 0, "Zed"));
    EXPECT(zeb.ZEBTableRecordAdd(a, "ITEM", 1) != 65535);
    EXPECT(zeb.ZEBFieldSetValueAsInteger(b, "SHOP", "ID", 0, 99));
    EXPECT(zeb.ZEBTableRecordRemove(b, "ITEM", 0));
    EXPECT(zeb.ZEBQueryFindUnsignedInt(b, "SHOP", "ID", 99) == 1);

    EXPECT(FreeLibrary(library));
    EXPECT(GetModuleHandleA("zebcore.dll") == NULL); /* really unloaded */

    FileBytes after1 = ReadBytes(First), after2 = ReadBytes(Second);
    EXPECT(SameBytes(before1, after1));
    EXPECT(SameBytes(before2, after2));
    EXPECT(!FolderHolds(Folder, "*.zebsave"));
    free(before1.Data);
    free(before2.Data);
    free(after1.Data);
    free(after2.Data);

    /* Loaded again, the library starts with no database open. */
    library = LoadZebcore();
    EXPECT(library != NULL);
    if (!library) return;
    EXPECT(zeb.ZEBQueryGetResultSize() == 0);
    EXPECT(zeb.ZEBOpen(Second) == 0);
    EXPECT(zeb.ZEBFieldGetValueAsInteger(0, "SHOP", "ID", 0) == 1);
    EXPECT(FreeLibrary(library));
}

int main(void) {
    char base[MAX_PATH], folder[MAX_PATH], first[MAX_PATH], second[MAX_PATH];
    if (!GetTempPathA(sizeof base, base)) return 2;
    snprintf(folder, sizeof folder, "%szebclient-%lu-%lu", base, (unsigned long)GetCurrentProcessId(),
             (unsigned long)GetTickCount());
    if (!CreateDirectoryA(folder, NULL)) return 2;
    snprintf(first, sizeof first, "%s\\Items.zeb", folder);
    snprintf(second, sizeof second, "%s\\shop.zeb", folder);
    if (ClientWriteDatabase(first, 1) != 0 || ClientWriteDatabase(second, 0) != 0) return 2;

    HMODULE library = LoadZebcore();
    if (!library) return 2;
    WorkingSession(folder, first);
    EXPECT(FreeLibrary(library));

    UnloadWithUnsavedChanges(folder, first, second);

    DeleteFileA(first);
    DeleteFileA(second);
    RemoveDirectoryA(folder);
    if (failures) fprintf(stderr, "loadlibrary_client: %d check(s) failed\n", failures);
    return failures ? 1 : 0;
}

/* Binds all twenty calls through the import library, as a program linked
 * against zebcore.dll does, and calls each one with arguments that name no
 * open database: each must return its failure result. In the 32-bit build
 * linking this program is the check that the import library carries the
 * stdcall names the header asks for (ZEBOpen@4, ZEBQueryGetResultSize@0, ...);
 * in the 64-bit build it also runs. */
#include <stdio.h>

#include "zebcore.h"

static int failures;

static void Expect(int Ok, const char *What) {
    if (!Ok) {
        fprintf(stderr, "import_table_client: %s\n", What);
        ++failures;
    }
}

int main(void) {
    TableProperties table = {0};
    FieldProperties field = {0};
    char text[8] = "";
    char *buffer = text;

    Expect(ZEBOpen(NULL) == -1, "ZEBOpen(NULL) must fail");
    Expect(!ZEBClose(0), "ZEBClose of a handle that is not open");
    Expect(!ZEBSave(0), "ZEBSave of a handle that is not open");
    Expect(!ZEBDatabaseCompact(0), "ZEBDatabaseCompact of a handle that is not open");
    Expect(ZEBDatabaseGetTableCount(0) == 0, "ZEBDatabaseGetTableCount of a handle that is not open");
    Expect(!ZEBTableGetProperties(0, 0, &table), "ZEBTableGetProperties of a handle that is not open");
    Expect(ZEBTableRecordAdd(0, "ITEM", 1) == 65535, "ZEBTableRecordAdd of a handle that is not open");
    Expect(!ZEBTableRecordChangeDeleted(0, "ITEM", 0, 1), "ZEBTableRecordChangeDeleted of a handle that is not open");
    Expect(!ZEBTableRecordDeleted(0, "ITEM", 0), "ZEBTableRecordDeleted of a handle that is not open");
    Expect(!ZEBTableRecordRemove(0, "ITEM", 0), "ZEBTableRecordRemove of a handle that is not open");
    Expect(ZEBQueryFindUnsignedInt(0, "ITEM", "CODE", 1) == 0, "ZEBQueryFindUnsignedInt of a handle that is not open");
    Expect(ZEBQueryGetResult(0) == -1, "ZEBQueryGetResult without a query");
    Expect(ZEBQueryGetResultSize() == 0, "ZEBQueryGetResultSize without a query");
    Expect(!ZEBFieldGetProperties(0, "ITEM", 0, &field), "ZEBFieldGetProperties of a handle that is not open");
    Expect(ZEBFieldGetValueAsFloat(0, "ITEM", "COST", 0) == 0.0f, "ZEBFieldGetValueAsFloat of a handle that is not open");
    Expect(ZEBFieldGetValueAsInteger(0, "ITEM", "CODE", 0) == 0, "ZEBFieldGetValueAsInteger of a handle that is not open");
    Expect(!ZEBFieldGetValueAsString(0, "ITEM", "NAME", 0, &buffer), "ZEBFieldGetValueAsString of a handle that is not open");
    Expect(!ZEBFieldSetValueAsFloat(0, "ITEM", "COST", 0, 1.5f), "ZEBFieldSetValueAsFloat of a handle that is not open");
    Expect(!ZEBFieldSetValueAsInteger(0, "ITEM", "CODE", 0, 1), "ZEBFieldSetValueAsInteger of a handle that is not open");
    Expect(!ZEBFieldSetValueAsString(0, "ITEM", "NAME", 0, "A"), "ZEBFieldSetValueAsString of a handle that is not open");
    Expect(table.Name == NULL && table.FieldCount == 0 && field.BitCount == 0 && text[0] == '\0',
           "failed calls must leave the caller's records alone");
    return failures ? 1 : 0;
}

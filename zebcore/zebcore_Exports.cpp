// The twenty exported calls. Each finds the objects its arguments name (the
// handle check, table lookup, record check, cursor step and field lookup, in
// that order), calls one engine operation and turns the outcome into a plain
// result. No exception leaves a call: every error becomes its failure result.
#include <cstring>
#include <string>

#include "zebcore.h"
#include "zebcore_Registry.h"

using namespace zeb;
using zeb::api::LastQueryResult;
using zeb::api::OpenDatabases;

namespace {

std::string Text(const char *Value) { return Value ? std::string(Value) : std::string(); }

// Runs Body and returns its result, or Failure when it raises.
template <typename Result, typename Body>
Result Guard(Result Failure, Body &&body) {
    try {
        return body();
    } catch (...) {
        return Failure;
    }
}

TzebDatabase *HandleCheck(int32_t Handle) { return OpenDatabases ? OpenDatabases->Find(Handle) : nullptr; }

TzebTable *TableLookup(int32_t Handle, const char *TableName) {
    TzebDatabase *database = HandleCheck(Handle);
    return database ? database->GetTableByName(Text(TableName)) : nullptr;
}

// Handle check, table lookup, record check, cursor step and field lookup.
// Records at or above Capacity are never addressable, whatever RecordCount
// says.
TzebField *FieldLookup(int32_t Handle, const char *TableName, const char *FieldName, int32_t RecordIndex) {
    TzebTable *table = TableLookup(Handle, TableName);
    if (!table || RecordIndex < 0 || RecordIndex >= table->AddressableRecords()) return nullptr;
    table->SetCurrentRecord(RecordIndex);
    return table->GetFieldByName(Text(FieldName));
}

// Handle check, table lookup and record check.
TzebTable *RecordLookup(int32_t Handle, const char *TableName, int32_t RecordIndex) {
    TzebTable *table = TableLookup(Handle, TableName);
    if (!table || RecordIndex < 0 || RecordIndex >= table->AddressableRecords()) return nullptr;
    return table;
}

// Copies a name of up to four characters and its zero byte.
void CopyName(char *Buffer, const std::string &Name) {
    if (Buffer) std::memcpy(Buffer, Name.c_str(), Name.size() + 1);
}

}  // namespace

extern "C" {

ZEBAPI int32_t ZEBCALL ZEBOpen(const char *FileName) {
    return Guard<int32_t>(-1, [&] { return OpenDatabases ? OpenDatabases->Open(Text(FileName)) : -1; });
}

ZEBAPI bool ZEBCALL ZEBClose(int32_t Handle) {
    return Guard(false, [&] { return OpenDatabases && OpenDatabases->Close(Handle); });
}

ZEBAPI bool ZEBCALL ZEBSave(int32_t Handle) {
    return Guard(false, [&] {
        TzebDatabase *database = HandleCheck(Handle);
        if (!database) return false;
        database->Save();
        return true;
    });
}

ZEBAPI bool ZEBCALL ZEBDatabaseCompact(int32_t Handle) {
    return Guard(false, [&] {
        TzebDatabase *database = HandleCheck(Handle);
        if (!database) return false;
        database->Compact();
        return true;
    });
}

ZEBAPI int32_t ZEBCALL ZEBDatabaseGetTableCount(int32_t Handle) {
    return Guard<int32_t>(0, [&] {
        TzebDatabase *database = HandleCheck(Handle);
        return database ? database->GetTableCount() : 0;
    });
}

ZEBAPI bool ZEBCALL ZEBTableGetProperties(int32_t Handle, int32_t TableIndex, TableProperties *Properties) {
    return Guard(false, [&] {
        TzebDatabase *database = HandleCheck(Handle);
        TzebTable *table = database ? database->GetTable(TableIndex) : nullptr;
        if (!table || !Properties) return false;
        CopyName(Properties->Name, table->Name);
        Properties->FieldCount = table->GetFieldCount();
        Properties->Capacity = table->Capacity;
        Properties->RecordCount = table->RecordCount;
        Properties->DeletedCount = table->DeletedCount;
        Properties->FirstDeleted = table->GetFirstDeleted();
        return true;
    });
}

ZEBAPI bool ZEBCALL ZEBFieldGetProperties(int32_t Handle, const char *TableName, int32_t FieldIndex,
                                         FieldProperties *Properties) {
    return Guard(false, [&] {
        TzebTable *table = TableLookup(Handle, TableName);
        TzebField *field = table ? table->GetField(FieldIndex) : nullptr;
        if (!field || !Properties) return false;
        CopyName(Properties->Name, field->Name);
        Properties->BitCount = static_cast<int32_t>(field->BitCount);
        Properties->FieldType = field->FieldType;
        return true;
    });
}

ZEBAPI int32_t ZEBCALL ZEBTableRecordAdd(int32_t Handle, const char *TableName, int32_t Grow) {
    return Guard<int32_t>(65535, [&]() -> int32_t {
        TzebTable *table = TableLookup(Handle, TableName);
        if (!table) return 65535;
        return table->AddRecord((Grow & 0xFF) != 0);
    });
}

ZEBAPI bool ZEBCALL ZEBTableRecordChangeDeleted(int32_t Handle, const char *TableName, int32_t RecordIndex,
                                               int32_t Live) {
    return Guard(false, [&] {
        TzebTable *table = RecordLookup(Handle, TableName, RecordIndex);
        if (!table) return false;
        const bool live = (Live & 0xFF) != 0;
        table->ChangeDeleted(static_cast<uint16_t>(RecordIndex), live);
        table->SetCurrentRecord(RecordIndex);
        return table->IsDeleted() != live;
    });
}

ZEBAPI bool ZEBCALL ZEBTableRecordDeleted(int32_t Handle, const char *TableName, int32_t RecordIndex) {
    return Guard(false, [&] {
        TzebTable *table = RecordLookup(Handle, TableName, RecordIndex);
        if (!table) return false;
        table->SetCurrentRecord(RecordIndex);
        return table->IsDeleted();
    });
}

ZEBAPI bool ZEBCALL ZEBTableRecordRemove(int32_t Handle, const char *TableName, int32_t RecordIndex) {
    return Guard(false, [&] {
        TzebTable *table = RecordLookup(Handle, TableName, RecordIndex);
        return table && table->RemoveRecord(static_cast<uint16_t>(RecordIndex));
    });
}

ZEBAPI int32_t ZEBCALL ZEBQueryFindUnsignedInt(int32_t Handle, const char *TableName, const char *FieldName,
                                              int32_t Value) {
    return Guard<int32_t>(0, [&]() -> int32_t {
        TzebTable *table = TableLookup(Handle, TableName);
        if (!table) return 0;
        bool fieldFound = false;
        BucketRef bucket = table->FindValue(Text(FieldName), Value, fieldFound);
        LastQueryResult = bucket;
        return bucket ? static_cast<int32_t>(bucket->size()) : 0;
    });
}

ZEBAPI int32_t ZEBCALL ZEBQueryGetResult(int32_t ResultIndex) {
    BucketRef bucket = LastQueryResult.lock();
    if (!bucket || ResultIndex < 0 || static_cast<size_t>(ResultIndex) >= bucket->size()) return -1;
    return (*bucket)[static_cast<size_t>(ResultIndex)];
}

ZEBAPI int32_t ZEBCALL ZEBQueryGetResultSize(void) {
    BucketRef bucket = LastQueryResult.lock();
    return bucket ? static_cast<int32_t>(bucket->size()) : 0;
}

ZEBAPI float ZEBCALL ZEBFieldGetValueAsFloat(int32_t Handle, const char *TableName, const char *FieldName,
                                            int32_t RecordIndex) {
    return Guard(0.0f, [&] {
        TzebField *field = FieldLookup(Handle, TableName, FieldName, RecordIndex);
        return field ? field->GetAsFloat() : 0.0f;
    });
}

ZEBAPI int32_t ZEBCALL ZEBFieldGetValueAsInteger(int32_t Handle, const char *TableName, const char *FieldName,
                                                int32_t RecordIndex) {
    return Guard<int32_t>(0, [&] {
        TzebField *field = FieldLookup(Handle, TableName, FieldName, RecordIndex);
        return field ? static_cast<int32_t>(field->GetAsInteger()) : 0;
    });
}

ZEBAPI bool ZEBCALL ZEBFieldGetValueAsString(int32_t Handle, const char *TableName, const char *FieldName,
                                            int32_t RecordIndex, char **Buffer) {
    return Guard(false, [&] {
        TzebField *field = FieldLookup(Handle, TableName, FieldName, RecordIndex);
        if (!field || !Buffer || !*Buffer) return false;
        const std::string text = field->GetAsString();
        const size_t limit = field->BitCount == 0 ? 0 : field->BitCount - 1;
        const size_t count = text.size() < limit ? text.size() : limit;
        std::memcpy(*Buffer, text.data(), count);
        (*Buffer)[count] = '\0';
        return true;
    });
}

ZEBAPI bool ZEBCALL ZEBFieldSetValueAsFloat(int32_t Handle, const char *TableName, const char *FieldName,
                                           int32_t RecordIndex, float Value) {
    return Guard(false, [&] {
        TzebField *field = FieldLookup(Handle, TableName, FieldName, RecordIndex);
        if (!field) return false;
        field->SetAsFloat(Value);
        // A NaN reads back as true when the same NaN pattern was stored: the
        // field holds exactly what was asked for.
        const float back = field->GetAsFloat();
        if (Value != Value) return back != back && std::memcmp(&back, &Value, sizeof Value) == 0;
        return back == Value;
    });
}

ZEBAPI bool ZEBCALL ZEBFieldSetValueAsInteger(int32_t Handle, const char *TableName, const char *FieldName,
                                             int32_t RecordIndex, int32_t Value) {
    return Guard(false, [&] {
        TzebField *field = FieldLookup(Handle, TableName, FieldName, RecordIndex);
        if (!field) return false;
        field->SetAsInteger(Value);
        return field->GetAsInteger() == int64_t{Value};
    });
}

ZEBAPI bool ZEBCALL ZEBFieldSetValueAsString(int32_t Handle, const char *TableName, const char *FieldName,
                                            int32_t RecordIndex, const char *Value) {
    return Guard(false, [&] {
        TzebField *field = FieldLookup(Handle, TableName, FieldName, RecordIndex);
        if (!field) return false;
        const std::string text = Text(Value);
        field->SetAsString(text);
        return field->GetAsString() == text;
    });
}

}  // extern "C"

// A sequence of calls decoded from the input (see call_script.h) on a small
// valid database, with the library's promises checked after every step:
//  - RecordCount is at most Capacity, DeletedCount is the number of records
//    whose deleted bit is set, and FirstDeleted names a deleted record, or is
//    65535 when there is none;
//  - query answers equal a plain scan of the live records holding the value,
//    also after value writes have moved records between buckets;
//  - right after a save every check word of the file is right, no temporary
//    file is left, and reopening gives back what was saved;
//  - each call does what it reports (a value written reads back, an added
//    record is all zero and live, a removal shortens the table by one), and
//    a call that names no existing table, field or record changes nothing.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "call_script.h"
#include "fuzz_support.h"

using namespace zebfuzz;

namespace {

struct RecordState {
    bool Deleted = false;
    std::vector<int32_t> Integers;
    std::vector<std::string> Texts;
    bool operator==(const RecordState &) const = default;
};

struct TableState {
    std::string Name;
    int32_t FieldCount = 0, Capacity = 0, RecordCount = 0, DeletedCount = 0, FirstDeleted = 0;
    std::vector<FieldInfo> Fields;
    std::vector<RecordState> Records;
    bool operator==(const TableState &Other) const {
        return Name == Other.Name && FieldCount == Other.FieldCount && Capacity == Other.Capacity &&
               RecordCount == Other.RecordCount && DeletedCount == Other.DeletedCount &&
               FirstDeleted == Other.FirstDeleted && Records == Other.Records;
    }
};

std::string GetText(int32_t Handle, const std::string &Table, const FieldInfo &Field, int32_t Record, bool &Ok) {
    std::vector<char> buffer(static_cast<size_t>(std::max(Field.BitCount, 1)));
    char *p = buffer.data();
    Ok = ZEBFieldGetValueAsString(Handle, Table.c_str(), Field.Name.c_str(), Record, &p);
    return Ok ? std::string(buffer.data()) : std::string();
}

// Everything the calls can see of a database.
std::vector<TableState> Snapshot(int32_t Handle) {
    std::vector<TableState> tables;
    const int32_t count = ZEBDatabaseGetTableCount(Handle);
    for (int32_t t = 0; t < count; ++t) {
        TableProperties p;
        TableState s;
        Check(TableAt(Handle, t, p, s.Name), "table " + std::to_string(t));
        s.FieldCount = p.FieldCount;
        s.Capacity = p.Capacity;
        s.RecordCount = p.RecordCount;
        s.DeletedCount = p.DeletedCount;
        s.FirstDeleted = p.FirstDeleted;
        s.Fields = FieldsOf(Handle, s.Name, p.FieldCount);
        for (int32_t r = 0; r < AddressableRecords(p); ++r) {
            RecordState record;
            record.Deleted = ZEBTableRecordDeleted(Handle, s.Name.c_str(), r);
            for (const FieldInfo &f : s.Fields) {
                bool ok = false;
                record.Integers.push_back(ZEBFieldGetValueAsInteger(Handle, s.Name.c_str(), f.Name.c_str(), r));
                record.Texts.push_back(GetText(Handle, s.Name, f, r, ok));
                Check(ok, "text of " + s.Name + "." + f.Name + " record " + std::to_string(r));
            }
            s.Records.push_back(record);
        }
        tables.push_back(s);
    }
    return tables;
}

// ZEBFUZZ_TRACE=1 in the environment prints each step as it is run, to
// follow a failing input.
void Trace(const std::string &Step) {
    static const bool enabled = std::getenv("ZEBFUZZ_TRACE") != nullptr;
    if (enabled) std::fprintf(stderr, "  %s\n", Step.c_str());
}

void CheckCounts(const TableState &T, const std::string &Step) {
    const std::string where = Step + ": table " + T.Name + ": ";
    Check(T.RecordCount <= T.Capacity, where + "RecordCount above Capacity");
    int32_t deleted = 0;
    for (const RecordState &r : T.Records) deleted += r.Deleted;
    Check(deleted == T.DeletedCount, where + "DeletedCount " + std::to_string(T.DeletedCount) + " but " +
                                         std::to_string(deleted) + " records have the deleted bit");
    if (deleted == 0) {
        Check(T.FirstDeleted == 65535, where + "FirstDeleted " + std::to_string(T.FirstDeleted) + " with none deleted");
    } else {
        Check(T.FirstDeleted < T.RecordCount && T.Records[static_cast<size_t>(T.FirstDeleted)].Deleted,
              where + "FirstDeleted " + std::to_string(T.FirstDeleted) + " names no deleted record");
    }
}

class Session {
  public:
    Session(const zebtest::DatabaseSpec &Fixture, const std::string &Path)
        : path_(Path), crc_(Fixture.Crc) {
        zebtest::WriteFile(path_, zebtest::BuildImage(Fixture));
        Open();
        saved_ = state_;
    }
    ~Session() {
        if (handle_ >= 0) ZEBClose(handle_);
    }
    Session(const Session &) = delete;
    Session &operator=(const Session &) = delete;

    void Step(ScriptReader &Script) {
        const auto op = static_cast<Op>(Script.Byte() % static_cast<uint8_t>(Op::Count));
        const std::vector<TableState> before = state_;
        switch (op) {
            case Op::SetInteger: SetValue(Script, op); break;
            case Op::SetFloat: SetValue(Script, op); break;
            case Op::SetString: SetValue(Script, op); break;
            case Op::Add: Add(Script); break;
            case Op::Remove: Remove(Script); break;
            case Op::Delete: ChangeDeleted(Script, false); break;
            case Op::Undelete: ChangeDeleted(Script, true); break;
            case Op::Compact: Compact(); break;
            case Op::Query: Query(Script); break;
            case Op::Read: Read(Script); break;
            case Op::Save: Save(); break;
            case Op::Reopen: Reopen(); break;
            case Op::Count: break;
        }
        Refresh("step " + std::to_string(step_++));
        if (unchangedExpected_) Check(state_ == before, "a call that failed its checks changed the database");
        unchangedExpected_ = false;
    }

  private:
    struct Target {
        const TableState *Table = nullptr;  // none: a table the database lacks
        std::string TableName;
        const FieldInfo *Field = nullptr;  // none: a field the table lacks
        std::string FieldName;
        int32_t Record = 0;
        bool RecordValid = false;
        bool Valid() const { return Table && Field && RecordValid; }
    };

    Target PickTable(ScriptReader &Script) {
        Target t;
        const size_t pick = Script.Byte() % (state_.size() + 1);
        t.Table = pick < state_.size() ? &state_[pick] : nullptr;
        t.TableName = t.Table ? t.Table->Name : "NONE";
        return t;
    }
    void PickField(ScriptReader &Script, Target &T) {
        const size_t count = T.Table ? T.Table->Fields.size() : 0;
        const size_t pick = Script.Byte() % (count + 1);
        T.Field = pick < count ? &T.Table->Fields[pick] : nullptr;
        T.FieldName = T.Field ? T.Field->Name : "NOPE";
    }
    void PickRecord(ScriptReader &Script, Target &T) {
        const uint8_t b = Script.Byte();
        const int32_t records = T.Table ? static_cast<int32_t>(T.Table->Records.size()) : 0;
        T.Record = b == 255 ? -1 : b % (records + 2);
        T.RecordValid = T.Table && T.Record >= 0 && T.Record < records;
    }

    void SetValue(ScriptReader &Script, Op Kind) {
        Target t = PickTable(Script);
        PickField(Script, t);
        PickRecord(Script, t);
        const char *table = t.TableName.c_str(), *field = t.FieldName.c_str();
        const std::string what = "set " + t.TableName + "." + t.FieldName + " record " + std::to_string(t.Record);
        bool ok = false;
        if (Kind == Op::SetInteger) {
            const auto value = static_cast<int32_t>(Script.Word32());
            ok = ZEBFieldSetValueAsInteger(handle_, table, field, t.Record, value);
            Trace(what + " to integer " + std::to_string(value) + ": " + std::to_string(ok));
            if (ok) Check(ZEBFieldGetValueAsInteger(handle_, table, field, t.Record) == value, what + " reads back");
        } else if (Kind == Op::SetFloat) {
            const uint32_t bits = Script.Word32();
            float value;
            std::memcpy(&value, &bits, sizeof value);
            ok = ZEBFieldSetValueAsFloat(handle_, table, field, t.Record, value);
            Trace(what + " to float " + std::to_string(value) + ": " + std::to_string(ok));
            if (ok) {
                const float back = ZEBFieldGetValueAsFloat(handle_, table, field, t.Record);
                Check(back == value || std::memcmp(&back, &value, sizeof value) == 0, what + " reads back");
            }
        } else {
            char text[8] = {};
            const size_t length = Script.Byte() % 8;
            for (size_t i = 0; i < length; ++i) text[i] = static_cast<char>(Script.Byte());
            ok = ZEBFieldSetValueAsString(handle_, table, field, t.Record, text);
            Trace(what + " to text '" + text + "': " + std::to_string(ok));
            if (ok) {
                // The getter copies at most BitCount - 1 characters: a narrow
                // number field reads back a cut text form.
                const size_t limit = static_cast<size_t>(std::max(t.Field->BitCount - 1, 0));
                bool read = false;
                Check(GetText(handle_, t.TableName, *t.Field, t.Record, read) == std::string(text).substr(0, limit) && read,
                      what + " reads back");
            }
        }
        if (!t.Valid()) {
            Check(!ok, what + " succeeded without a valid table, field and record");
            unchangedExpected_ = true;
        }
        // The bucket of the last query follows value writes.
        recheckQuery_ = tracked_.Active && t.Table && t.TableName == tracked_.Table;
    }

    void Add(ScriptReader &Script) {
        Target t = PickTable(Script);
        const uint8_t grow = Script.Byte();
        const int32_t added = ZEBTableRecordAdd(handle_, t.TableName.c_str(), grow);
        const std::string what = "add to " + t.TableName;
        Trace(what + (grow ? " with growth: " : ": ") + std::to_string(added));
        if (!t.Table) {
            Check(added == 65535, what + " (no such table) added a record");
            unchangedExpected_ = true;
            return;
        }
        const TableState &b = *t.Table;
        int32_t expected = 65535;
        if (b.DeletedCount > 0) expected = b.FirstDeleted;
        else if (b.RecordCount < b.Capacity || (grow != 0 && b.Capacity < 65535)) expected = b.RecordCount;
        Check(added == expected, what + " gave " + std::to_string(added) + ", expected " + std::to_string(expected));
        if (added == 65535) {
            unchangedExpected_ = true;
            return;
        }
        Untrack(t.TableName);
        Check(!ZEBTableRecordDeleted(handle_, t.TableName.c_str(), added), what + ": the new record is deleted");
        for (const FieldInfo &f : b.Fields) {
            const char *table = t.TableName.c_str(), *field = f.Name.c_str();
            bool ok = false;
            const bool zero = ZEBFieldGetValueAsInteger(handle_, table, field, added) == 0 &&
                              ZEBFieldGetValueAsFloat(handle_, table, field, added) == 0.0f &&
                              (f.FieldType != ZEB_FT_STRING || GetText(handle_, t.TableName, f, added, ok).empty());
            Check(zero, what + ": field " + f.Name + " of the new record is not zero");
        }
    }

    void Remove(ScriptReader &Script) {
        Target t = PickTable(Script);
        PickRecord(Script, t);
        const bool removed = ZEBTableRecordRemove(handle_, t.TableName.c_str(), t.Record);
        Trace("remove " + t.TableName + " record " + std::to_string(t.Record) + ": " + std::to_string(removed));
        Check(removed == t.RecordValid, "remove " + t.TableName + " record " + std::to_string(t.Record));
        if (!removed) {
            unchangedExpected_ = true;
            return;
        }
        Untrack(t.TableName);
        TableProperties p;
        std::string name;
        Check(TableAt(handle_, static_cast<int32_t>(t.Table - state_.data()), p, name) &&
                  p.RecordCount == t.Table->RecordCount - 1 && p.Capacity == t.Table->Capacity,
              "remove " + t.TableName + ": RecordCount must drop by one and Capacity stay");
    }

    void ChangeDeleted(ScriptReader &Script, bool Live) {
        Target t = PickTable(Script);
        PickRecord(Script, t);
        // Only the low byte of the flag counts.
        const int32_t flag = Live ? (Script.Byte() | 1) | 0x100 : 0x100;
        const bool ok = ZEBTableRecordChangeDeleted(handle_, t.TableName.c_str(), t.Record, flag);
        const std::string what = std::string(Live ? "undelete " : "delete ") + t.TableName + " record " +
                                 std::to_string(t.Record);
        Trace(what + ": " + std::to_string(ok));
        if (!t.RecordValid) {
            Check(!ok, what + " succeeded on a record that does not exist");
            unchangedExpected_ = true;
            return;
        }
        Untrack(t.TableName);
        const bool deleted = ZEBTableRecordDeleted(handle_, t.TableName.c_str(), t.Record);
        Check(ok == (deleted != Live), what + ": the result does not tell the record's state");
        if (!Live) Check(ok, what + " failed");
    }

    void Compact() {
        Trace("compact");
        Check(ZEBDatabaseCompact(handle_), "compact");
        tracked_.Active = false;
        const std::vector<TableState> before = state_;
        Refresh("compact");
        for (size_t i = 0; i < state_.size(); ++i) {
            const TableState &b = before[i], &a = state_[i];
            Check(a.DeletedCount == 0 && a.Capacity == b.Capacity && a.RecordCount == b.RecordCount - b.DeletedCount,
                  "compact " + a.Name + ": deleted records must go and Capacity stay");
        }
    }

    void Query(ScriptReader &Script) {
        Target t = PickTable(Script);
        PickField(Script, t);
        const int32_t value = Script.Word16();
        Trace("query " + t.TableName + "." + t.FieldName + " = " + std::to_string(value));
        tracked_.Active = false;
        if (!t.Table || !t.Field) {
            const int32_t found = ZEBQueryFindUnsignedInt(handle_, t.TableName.c_str(), t.FieldName.c_str(), value);
            Check(found == 0, "query on a missing table or field found records");
            return;
        }
        const auto records = static_cast<int32_t>(t.Table->Records.size());
        if (CheckQuery(handle_, t.TableName, records, *t.Field, value)) tracked_ = {true, t.TableName, *t.Field, value};
    }

    void Read(ScriptReader &Script) {
        Target t = PickTable(Script);
        PickField(Script, t);
        PickRecord(Script, t);
        const char *table = t.TableName.c_str(), *field = t.FieldName.c_str();
        Trace("read " + t.TableName + "." + t.FieldName + " record " + std::to_string(t.Record));
        const int32_t i = ZEBFieldGetValueAsInteger(handle_, table, field, t.Record);
        const float f = ZEBFieldGetValueAsFloat(handle_, table, field, t.Record);
        char buffer[64];
        char *p = buffer;
        const bool text = ZEBFieldGetValueAsString(handle_, table, field, t.Record, &p);
        if (!t.Valid()) Check(i == 0 && f == 0.0f && !text, "reading a missing table, field or record");
    }

    void Save() {
        Trace("save");
        Check(ZEBSave(handle_), "save");
        Check(!FileExists(TemporaryFileOf(path_)), "the save left its temporary file");
        const std::string problems = zebtest::CheckWordProblems(zebtest::ReadFile(path_), crc_);
        Check(problems.empty(), "check words right after a save: " + problems);
        Refresh("save");
        saved_ = state_;
    }

    void Reopen() {
        Trace("close and reopen");
        Check(ZEBClose(handle_), "close");
        handle_ = -1;
        tracked_.Active = false;
        Open();
        Check(state_ == saved_, "reopening did not give back what was saved");
    }

    void Open() {
        handle_ = ZEBOpen(path_.c_str());
        Check(handle_ >= 0, "the database file does not open");
        Refresh("open");
    }

    void Untrack(const std::string &Table) {
        if (tracked_.Table == Table) tracked_.Active = false;
    }

    void Refresh(const std::string &Step) {
        state_ = Snapshot(handle_);
        for (const TableState &t : state_) CheckCounts(t, Step);
        ReadQueryResult(Step);  // whatever the last result is, reading it is safe
        if (recheckQuery_ && tracked_.Active) {
            for (const TableState &t : state_) {
                if (t.Name != tracked_.Table) continue;
                const ExpectedQuery expected = ScanForValue(handle_, t.Name, static_cast<int32_t>(t.Records.size()),
                                                            tracked_.Field, tracked_.Value);
                const std::vector<int32_t> result = ReadQueryResult(Step);
                Check(result == expected.Records, Step + ": after value writes the query result is " +
                                                      Describe(result) + ", the scan " + Describe(expected.Records));
            }
        }
        recheckQuery_ = false;
    }

    struct Tracked {
        bool Active = false;
        std::string Table;
        FieldInfo Field;
        int32_t Value = 0;
    };

    std::string path_;
    bool crc_;
    int32_t handle_ = -1;
    std::vector<TableState> state_, saved_;
    Tracked tracked_;
    bool recheckQuery_ = false;
    bool unchangedExpected_ = false;
    int step_ = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *Data, size_t Size) {
    ScriptReader script(Data, Size);
    const auto &fixtures = CallFixtures();
    const size_t fixture = script.Byte() % fixtures.size();
    Trace("database " + std::to_string(fixture));
    Session session(fixtures[fixture], ScratchFile("calls.db"));
    while (!script.AtEnd()) session.Step(script);
    return 0;
}

// What the fuzz targets share: a scratch folder for the database files they
// open and save, a check that stops the run with a message, and the plain
// scan that a query's answer is compared with. Everything goes through the
// exported calls, as a program using the library would.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "fixture_builder.h"
#include "zebcore.h"

namespace zebfuzz {

using zebtest::Bytes;

// Prints the message and aborts, which libFuzzer reports as a crash with the
// input that caused it.
[[noreturn]] void Fail(const std::string &Message);
inline void Check(bool Condition, const std::string &Message) {
    if (!Condition) Fail(Message);
}

// A folder for the run's files, on a memory file system when there is one:
// every save flushes its file, which on a disk would dominate the run.
const std::string &ScratchFolder();
std::string ScratchFile(const std::string &Name);

// The temporary file a save of Path writes before renaming it over Path.
std::string TemporaryFileOf(const std::string &Path);
bool FileExists(const std::string &Path);

// The table at list position Index; false when the call fails.
bool TableAt(int32_t Handle, int32_t Index, TableProperties &Properties, std::string &Name);

struct FieldInfo {
    std::string Name;
    int32_t BitCount = 0;
    uint16_t FieldType = 0;
};
std::vector<FieldInfo> FieldsOf(int32_t Handle, const std::string &Table, int32_t FieldCount);

// The records that may be read: below both RecordCount and Capacity.
int32_t AddressableRecords(const TableProperties &Properties);

// What a query for Value on Field must answer, found by reading every live
// record: the live records holding Value, in ascending order, or Refused when
// the query must fail (a field without a value index, a value outside the
// field's range, or a live record whose value has no place in the index).
struct ExpectedQuery {
    bool Refused = false;
    std::vector<int32_t> Records;
};
ExpectedQuery ScanForValue(int32_t Handle, const std::string &Table, int32_t Records, const FieldInfo &Field,
                           int32_t Value);

// The last query result as the reading calls hand it out, sorted; checks
// that the size call and the positions agree and that -1 answers outside.
std::vector<int32_t> ReadQueryResult(const std::string &Context);

// Runs the query and checks its answer against the scan. Returns whether the
// query found records (its result may then be followed through value writes).
bool CheckQuery(int32_t Handle, const std::string &Table, int32_t Records, const FieldInfo &Field, int32_t Value);

std::string Describe(const std::vector<int32_t> &Records);

}  // namespace zebfuzz

#include "fuzz_support.h"

#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

namespace zebfuzz {

void Fail(const std::string &Message) {
    std::fprintf(stderr, "\n*** invariant broken: %s\n", Message.c_str());
    std::fflush(stderr);
    std::abort();
}

const std::string &ScratchFolder() {
    static const std::string folder = [] {
        std::string base = "/dev/shm";
        if (::access(base.c_str(), W_OK | X_OK) != 0) base = std::filesystem::temp_directory_path().string();
        std::string pattern = base + "/zebfuzz-XXXXXX";
        if (!::mkdtemp(pattern.data())) Fail("cannot create a scratch folder under " + base);
        // Removed at exit, also when libFuzzer ends the run normally.
        static std::string removeAtExit;
        removeAtExit = pattern;
        std::atexit([] {
            std::error_code ec;
            std::filesystem::remove_all(removeAtExit, ec);
        });
        return pattern;
    }();
    return folder;
}

std::string ScratchFile(const std::string &Name) { return ScratchFolder() + "/" + Name; }

std::string TemporaryFileOf(const std::string &Path) {
    const auto slash = Path.rfind('/');
    return Path.substr(0, slash + 1) + "." + Path.substr(slash + 1) + ".zebsave";
}

bool FileExists(const std::string &Path) { return ::access(Path.c_str(), F_OK) == 0; }

bool TableAt(int32_t Handle, int32_t Index, TableProperties &Properties, std::string &Name) {
    char name[5] = {};
    Properties = TableProperties{};
    Properties.Name = name;
    if (!ZEBTableGetProperties(Handle, Index, &Properties)) return false;
    Properties.Name = nullptr;
    Name = name;
    return true;
}

std::vector<FieldInfo> FieldsOf(int32_t Handle, const std::string &Table, int32_t FieldCount) {
    std::vector<FieldInfo> fields;
    for (int32_t i = 0; i < FieldCount; ++i) {
        char name[5] = {};
        FieldProperties p{};
        p.Name = name;
        Check(ZEBFieldGetProperties(Handle, Table.c_str(), i, &p),
              "field " + std::to_string(i) + " of " + Table + " below FieldCount has no properties");
        fields.push_back(FieldInfo{name, p.BitCount, p.FieldType});
    }
    return fields;
}

int32_t AddressableRecords(const TableProperties &Properties) {
    return std::min(Properties.RecordCount, Properties.Capacity);
}

ExpectedQuery ScanForValue(int32_t Handle, const std::string &Table, int32_t Records, const FieldInfo &Field,
                           int32_t Value) {
    ExpectedQuery expected;
    const auto bits = static_cast<uint32_t>(Field.BitCount);
    // Text and float fields have no value index; fields of 27 bits or more
    // cannot have one.
    if (Field.FieldType == ZEB_FT_STRING || Field.FieldType == ZEB_FT_FLOAT || bits >= 27) {
        expected.Refused = true;
        return expected;
    }
    const int64_t limit = int64_t{1} << bits;
    if (Value < 0 || Value >= limit) expected.Refused = true;
    for (int32_t r = 0; r < Records; ++r) {
        if (ZEBTableRecordDeleted(Handle, Table.c_str(), r)) continue;
        const int32_t v = ZEBFieldGetValueAsInteger(Handle, Table.c_str(), Field.Name.c_str(), r);
        if (v < 0 || v >= limit) expected.Refused = true;
        if (v == Value) expected.Records.push_back(r);
    }
    if (expected.Refused) expected.Records.clear();
    return expected;
}

std::vector<int32_t> ReadQueryResult(const std::string &Context) {
    const int32_t size = ZEBQueryGetResultSize();
    std::vector<int32_t> records;
    for (int32_t i = 0; i < size; ++i) {
        const int32_t r = ZEBQueryGetResult(i);
        Check(r >= 0, Context + ": result position " + std::to_string(i) + " below the size answers -1");
        records.push_back(r);
    }
    Check(ZEBQueryGetResult(size) == -1, Context + ": the position equal to the size must answer -1");
    Check(ZEBQueryGetResult(-1) == -1, Context + ": position -1 must answer -1");
    std::sort(records.begin(), records.end());
    return records;
}

bool CheckQuery(int32_t Handle, const std::string &Table, int32_t Records, const FieldInfo &Field, int32_t Value) {
    const int32_t found = ZEBQueryFindUnsignedInt(Handle, Table.c_str(), Field.Name.c_str(), Value);
    const std::string context = "query " + Table + "." + Field.Name + " = " + std::to_string(Value);
    const std::vector<int32_t> result = found > 0 ? ReadQueryResult(context) : std::vector<int32_t>{};
    const ExpectedQuery expected = ScanForValue(Handle, Table, Records, Field, Value);
    if (expected.Refused) {
        Check(found == 0, context + " must fail but found " + std::to_string(found));
        return false;
    }
    Check(found == static_cast<int32_t>(expected.Records.size()),
          context + " found " + std::to_string(found) + ", the scan " + Describe(expected.Records));
    if (found > 0) {
        Check(result == expected.Records,
              context + " answered " + Describe(result) + ", the scan " + Describe(expected.Records));
    } else {
        Check(ZEBQueryGetResultSize() == 0, context + " found nothing, so the result must be empty");
    }
    return found > 0;
}

std::string Describe(const std::vector<int32_t> &Records) {
    std::string text = "{";
    for (size_t i = 0; i < Records.size(); ++i) text += (i ? " " : "") + std::to_string(Records[i]);
    return text + "}";
}

}  // namespace zebfuzz

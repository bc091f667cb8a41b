// Saving under SIGKILL: a child process changes a database and saves it again
// and again until it is killed at a random moment. After every kill the file
// on disk must open, carry right check words and be exactly one of the
// versions the child was writing, and the next save must leave no temporary
// file behind.
//
// The child writes a deterministic sequence: version K is version K - 1 with
// step K applied and saved, and record 0 of table LOG holds K. The parent
// recomputes any version by running the same steps on a copy of its own.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "api_helpers.h"

using namespace zebtest;

namespace {

constexpr int KillsPerLayout = 100;
constexpr uint32_t StepsPerChild = 100000;  // a child is always killed long before
constexpr int32_t MaxLogRecords = 40;

DatabaseSpec Base(bool Crc) {
    DatabaseSpec spec;
    spec.Crc = Crc;
    TableSpec log;
    log.Name = "LOG";
    log.RecordSize = 16;
    log.Fields = {{3, "VER", 0, 32}, {3, "VAL", 32, 16}, {0, "TXT", 48, 64}};
    log.Records = {Record(16), Record(16), Record(16), Record(16)};
    // Sizeable slots, so that a save takes long enough to be interrupted.
    TableSpec pad;
    pad.Name = "PAD";
    pad.RecordSize = 64;
    pad.Fields = {{3, "P", 0, 16}};
    pad.Records = {Record(64), Record(64), Record(64)};
    pad.SpareSlots = 1021;
    TableSpec tail;
    tail.Name = "TAIL";
    tail.RecordSize = 4;
    tail.Fields = {{3, "N", 0, 16}};
    tail.Records = {Record(4, {1}), Record(4, {2})};
    spec.Tables = {log, pad, tail};
    return spec;
}

int32_t RecordCount(int32_t Handle, int32_t Table) {
    char name[5];
    TableProperties p{};
    p.Name = name;
    return ZEBTableGetProperties(Handle, Table, &p) ? p.RecordCount : -1;
}

// Step K: stamp the version, change values, and every third step add a
// record with growth (the LOG table is full) or, once it is long, remove one.
// True when every call succeeded.
bool ApplyStep(int32_t Handle, uint32_t K) {
    bool ok = ZEBFieldSetValueAsInteger(Handle, "LOG", "VER", 0, static_cast<int32_t>(K));
    const int32_t records = RecordCount(Handle, 0);
    ok = ok && records > 0;
    ok = ok && ZEBFieldSetValueAsInteger(Handle, "LOG", "VAL", static_cast<int32_t>(K % records), K & 0xFFFF);
    ok = ok && ZEBFieldSetValueAsString(Handle, "LOG", "TXT", static_cast<int32_t>(K * 7 % records),
                                        ("v" + std::to_string(K)).c_str());
    ok = ok && ZEBFieldSetValueAsInteger(Handle, "PAD", "P", static_cast<int32_t>(K % 3), K & 0xFFFF);
    if (K % 3 == 0) {
        if (records < MaxLogRecords) {
            const int32_t added = ZEBTableRecordAdd(Handle, "LOG", 1);
            ok = ok && added != 65535 && ZEBFieldSetValueAsInteger(Handle, "LOG", "VAL", added, K & 0xFFFF);
        } else {
            ok = ok && ZEBTableRecordRemove(Handle, "LOG", 1);
        }
    }
    if (K % 5 == 0) ok = ok && ZEBFieldSetValueAsInteger(Handle, "TAIL", "N", 0, K & 0xFFFF);
    return ok;
}

// The versions of the sequence, computed on demand on a copy of the base.
class Versions {
  public:
    explicit Versions(const Bytes &Base) : path_(dir_.Write("reference.db", Base)), handle_(ZEBOpen(path_.c_str())) {
        versions_.push_back(Base);
    }
    ~Versions() { ZEBClose(handle_); }
    const Bytes &Get(uint32_t K) {
        while (versions_.size() <= K) {
            const auto next = static_cast<uint32_t>(versions_.size());
            if (!ApplyStep(handle_, next) || !ZEBSave(handle_)) ADD_FAILURE() << "reference step " << next;
            versions_.push_back(ReadFile(path_));
        }
        return versions_[K];
    }

  private:
    TempDir dir_;
    std::string path_;
    int32_t handle_;
    std::vector<Bytes> versions_;
};

// The child: continue the sequence from the version on disk until killed.
[[noreturn]] void SaveForever(const std::string &Path, uint32_t From) {
    const int32_t handle = ZEBOpen(Path.c_str());
    if (handle < 0) ::_exit(3);
    for (uint32_t k = From + 1; k <= From + StepsPerChild; ++k) {
        if (!ApplyStep(handle, k) || !ZEBSave(handle)) ::_exit(4);
    }
    ::_exit(0);
}

std::vector<std::string> FolderContents(const std::string &Folder) {
    std::vector<std::string> names;
    for (const auto &entry : std::filesystem::directory_iterator(Folder))
        names.push_back(entry.path().filename().string());
    return names;
}

class SaveUnderKill : public ::testing::TestWithParam<bool> {};
INSTANTIATE_TEST_SUITE_P(Layouts, SaveUnderKill, ::testing::Values(true, false),
                         [](const auto &info) { return info.param ? "Crc" : "Sum"; });

TEST_P(SaveUnderKill, TheFileIsAlwaysOneWholeVersion) {
    const bool crc = GetParam();
    const Bytes base = BuildImage(Base(crc));
    TempDir dir;
    const std::string path = dir.Write("saved.db", base);
    const std::string temporary = dir.File(".saved.db.zebsave");
    Versions versions(base);

    std::mt19937 random(crc ? 20240611u : 20240612u);
    // Kill moments from just after the start to a few saves later.
    std::uniform_int_distribution<int> delayMicroseconds(0, 12000);
    uint32_t onDisk = 0;
    int interruptedSaves = 0;
    for (int kill = 0; kill < KillsPerLayout; ++kill) {
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) SaveForever(path, onDisk);
        std::this_thread::sleep_for(std::chrono::microseconds(delayMicroseconds(random)));
        ::kill(child, SIGKILL);
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        ASSERT_FALSE(WIFEXITED(status)) << "the saving child stopped by itself with status " << WEXITSTATUS(status);
        interruptedSaves += std::filesystem::exists(temporary);

        const Bytes onFile = ReadFile(path);
        ASSERT_EQ(CheckWordProblems(onFile, crc), "") << "after kill " << kill;
        OpenFile db(path);
        ASSERT_GE(db, 0) << "after kill " << kill;
        const auto version = static_cast<uint32_t>(ZEBFieldGetValueAsInteger(db, "LOG", "VER", 0));
        ASSERT_GE(version, onDisk) << "after kill " << kill << " the file went back to an older version";
        ASSERT_LE(version, onDisk + 10000) << "after kill " << kill << " the version stamp is not one written";
        ASSERT_TRUE(onFile == versions.Get(version)) << "after kill " << kill << " the file is not version " << version;

        // The next save replaces a temporary file left by the killed save.
        ASSERT_TRUE(ZEBSave(db));
        EXPECT_EQ(FolderContents(dir.Path()), std::vector<std::string>{"saved.db"}) << "after kill " << kill;
        EXPECT_TRUE(ReadFile(path) == onFile) << "saving an unchanged version changed it";
        onDisk = version;
    }
    std::printf("%d kills, %u versions written, %d kills left a save's temporary file\n", KillsPerLayout, onDisk,
                interruptedSaves);
}

}  // namespace

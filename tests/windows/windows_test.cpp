// What only the Windows build has: share modes while a file is read, file
// attributes and Windows links kept by a save, the system's case-insensitive
// path comparison and the decimal separator of the regional settings.
#include <windows.h>
#undef ReplaceFile  // the file layer's own, not the system's macro

#include <gtest/gtest.h>

#include <clocale>
#include <cstring>
#include <cwchar>
#include <filesystem>
#include <string>

#include "fixture_builder.h"
#include "uZEB_Errors.h"
#include "uZEB_FileSystem.h"
#include "uZEB_Locale.h"
#include "zebcore.h"

using namespace zebtest;

namespace {

DatabaseSpec Sample(bool Crc) {
    DatabaseSpec spec;
    spec.Crc = Crc;
    TableSpec t;
    t.Name = "VAL";
    t.RecordSize = 12;
    t.Fields = {{0, "STR", 0, 64}, {4, "F32", 64, 32}};
    Bytes record = Record(12, {'1', '.', '5'});
    SetBits(record, 64, 32, 0x3FC00000u);  // 1.5
    t.Records = {record};
    spec.Tables = {t};
    return spec;
}

// A handle to a file held by "another program" for the length of a test.
class OtherProgramsHandle {
  public:
    OtherProgramsHandle(const std::string &Path, DWORD Access, DWORD Share)
        : handle_(::CreateFileA(Path.c_str(), Access, Share, nullptr, OPEN_EXISTING, 0, nullptr)) {}
    ~OtherProgramsHandle() {
        if (Valid()) ::CloseHandle(handle_);
    }
    OtherProgramsHandle(const OtherProgramsHandle &) = delete;
    OtherProgramsHandle &operator=(const OtherProgramsHandle &) = delete;
    bool Valid() const { return handle_ != INVALID_HANDLE_VALUE; }

  private:
    HANDLE handle_;
};

size_t FilesIn(const std::string &Folder) {
    return static_cast<size_t>(std::distance(std::filesystem::directory_iterator(Folder), {}));
}

// Share modes ---------------------------------------------------------------

TEST(WindowsSharing, AFileThatAnotherProgramWritesCannotBeOpened) {
    TempDir dir;
    const std::string path = dir.Write("db.bin", BuildImage(Sample(true)));
    {
        OtherProgramsHandle writer(path, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE);
        ASSERT_TRUE(writer.Valid());
        EXPECT_EQ(ZEBOpen(path.c_str()), -1);
        std::vector<uint8_t> buffer;
        EXPECT_THROW(zeb::fs::ReadWholeFile(path, buffer), zeb::FileError);
    }
    const int32_t db = ZEBOpen(path.c_str());
    EXPECT_GE(db, 0) << "opens once the writer has gone";
    EXPECT_TRUE(ZEBClose(db));
}

TEST(WindowsSharing, ReadersThatLetOthersOnlyReadDoNotStopALoad) {
    TempDir dir;
    const std::string path = dir.Write("db.bin", BuildImage(Sample(false)));
    OtherProgramsHandle reader(path, GENERIC_READ, FILE_SHARE_READ);
    ASSERT_TRUE(reader.Valid());
    const int32_t db = ZEBOpen(path.c_str());
    EXPECT_GE(db, 0);
    EXPECT_EQ(ZEBDatabaseGetTableCount(db), 1);
    EXPECT_TRUE(ZEBClose(db));
}

// Saving --------------------------------------------------------------------

TEST(WindowsSave, KeepsTheFilesAttributes) {
    TempDir dir;
    const Bytes image = BuildImage(Sample(true));
    const std::string path = dir.Write("db.bin", image);
    const DWORD attributes = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE;
    ASSERT_TRUE(::SetFileAttributesA(path.c_str(), attributes));
    const int32_t db = ZEBOpen(path.c_str());
    ASSERT_GE(db, 0);
    ASSERT_TRUE(ZEBFieldSetValueAsString(db, "VAL", "STR", 0, "changed"));
    EXPECT_TRUE(ZEBSave(db));
    EXPECT_TRUE(ZEBClose(db));
    EXPECT_EQ(::GetFileAttributesA(path.c_str()) & (attributes | FILE_ATTRIBUTE_READONLY), attributes);
    const Bytes saved = ReadFile(path);
    EXPECT_NE(saved, image);
    EXPECT_EQ(CheckWordProblems(saved, true), "");
    EXPECT_EQ(FilesIn(dir.Path()), 1u) << "no temporary file left";
}

TEST(WindowsSave, AFileInUseWithoutDeleteSharingStaysAsItWas) {
    TempDir dir;
    const Bytes image = BuildImage(Sample(false));
    const std::string path = dir.Write("db.bin", image);
    const int32_t db = ZEBOpen(path.c_str());
    ASSERT_GE(db, 0);
    ASSERT_TRUE(ZEBFieldSetValueAsString(db, "VAL", "STR", 0, "changed"));
    {
        OtherProgramsHandle reader(path, GENERIC_READ, FILE_SHARE_READ);
        ASSERT_TRUE(reader.Valid());
        EXPECT_FALSE(ZEBSave(db));
    }
    EXPECT_EQ(ReadFile(path), image);
    EXPECT_EQ(FilesIn(dir.Path()), 1u) << "no temporary file left";
    EXPECT_TRUE(ZEBSave(db)) << "saves once the file is free";
    EXPECT_NE(ReadFile(path), image);
    EXPECT_TRUE(ZEBClose(db));
}

TEST(WindowsSave, ATemporaryFileLeftReadOnlyByAnInterruptedSaveIsReplaced) {
    TempDir dir;
    const std::string path = dir.Write("db.bin", BuildImage(Sample(true)));
    const std::string leftover = dir.Write(".db.bin.zebsave", Bytes{1, 2, 3});
    ASSERT_TRUE(::SetFileAttributesA(leftover.c_str(), FILE_ATTRIBUTE_READONLY));
    const int32_t db = ZEBOpen(path.c_str());
    ASSERT_GE(db, 0);
    EXPECT_TRUE(ZEBSave(db));
    EXPECT_TRUE(ZEBClose(db));
    EXPECT_EQ(FilesIn(dir.Path()), 1u);
    EXPECT_EQ(CheckWordProblems(ReadFile(path), true), "");
}

TEST(WindowsSave, WritesBesideASymbolicLinksTarget) {
    TempDir dir;
    const Bytes image = BuildImage(Sample(true));
    const std::string real = dir.Write("real.bin", image);
    const std::string link = dir.File("link.bin");
    if (!::CreateSymbolicLinkA(link.c_str(), "real.bin", SYMBOLIC_LINK_FLAG_ALLOW_UNPRIVILEGED_CREATE))
        GTEST_SKIP() << "this system lets no unprivileged program create symbolic links (error "
                     << ::GetLastError() << ")";
    if (::GetFileAttributesA(link.c_str()) == INVALID_FILE_ATTRIBUTES)
        GTEST_SKIP() << "this system makes symbolic links that it cannot follow (wine 8 does so)";
    const int32_t db = ZEBOpen(link.c_str());
    ASSERT_GE(db, 0);
    ASSERT_TRUE(ZEBFieldSetValueAsString(db, "VAL", "STR", 0, "linked"));
    EXPECT_TRUE(ZEBSave(db));
    EXPECT_TRUE(ZEBClose(db));
    EXPECT_TRUE(::GetFileAttributesA(link.c_str()) & FILE_ATTRIBUTE_REPARSE_POINT) << "the link is still a link";
    const Bytes saved = ReadFile(real);
    EXPECT_NE(saved, image);
    EXPECT_EQ(CheckWordProblems(saved, true), "");
    EXPECT_EQ(FilesIn(dir.Path()), 2u) << "no temporary file left";
}

// Paths ---------------------------------------------------------------------

TEST(WindowsPaths, CompareWithoutLetterCaseAndWithoutNormalising) {
    struct Case {
        const char *A, *B;
        bool Same;
    };
    const Case cases[] = {
        {"C:\\Data\\Items.db", "c:\\data\\ITEMS.DB", true},
        {"items.db", "items.db", true},
        {"items.db", "items.db ", false},
        {"items.db", "itens.db", false},
        {"Data\\items.db", "Data/items.db", false},
        {"items.db", ".\\items.db", false},
    };
    for (const Case &c : cases) EXPECT_EQ(zeb::fs::SamePath(c.A, c.B), c.Same) << c.A << " / " << c.B;
    // Letters beyond ASCII, by the ANSI code page's letter case.
    if (::GetACP() == 1252) {
        EXPECT_TRUE(zeb::fs::SamePath("\xC4pfel.db", "\xE4PFEL.DB"));
        EXPECT_FALSE(zeb::fs::SamePath("\xC4pfel.db", "Apfel.db"));
    }
}

// Regional settings ---------------------------------------------------------

// Under wine the user's regional settings follow the Unix locale the program
// starts with; ctest runs this once more with LC_ALL=de_DE.UTF-8.
TEST(WindowsUserLocale, TheDecimalSeparatorComesFromTheRegionalSettings) {
    struct Case {
        const wchar_t *Locale;
        char Separator;
    };
    const Case cases[] = {{L"en-US", '.'}, {L"en-GB", '.'}, {L"de-DE", ','}, {L"fr-FR", ','}};
    wchar_t name[LOCALE_NAME_MAX_LENGTH] = {};
    ASSERT_GT(::GetUserDefaultLocaleName(name, LOCALE_NAME_MAX_LENGTH), 0);
    const Case *known = nullptr;
    for (const Case &c : cases)
        if (std::wcscmp(c.Locale, name) == 0) known = &c;
    if (!known) GTEST_SKIP() << "no expectation for this user locale";
    const char separator = known->Separator, other = separator == '.' ? ',' : '.';

    // The C runtime's locale, whose separator is the full stop, plays no part.
    std::setlocale(LC_ALL, "C");
    EXPECT_EQ(zeb::ReadUserDecimalSeparator(), separator);

    TempDir dir;
    const int32_t db = ZEBOpen(dir.Write("db.bin", BuildImage(Sample(true))).c_str());
    ASSERT_GE(db, 0);
    const std::string withSeparator = std::string("2") + separator + "5";
    const std::string withOther = std::string("2") + other + "5";
    ASSERT_TRUE(ZEBFieldSetValueAsString(db, "VAL", "STR", 0, withSeparator.c_str()));
    EXPECT_EQ(ZEBFieldGetValueAsFloat(db, "VAL", "STR", 0), 2.5f);
    ASSERT_TRUE(ZEBFieldSetValueAsString(db, "VAL", "STR", 0, withOther.c_str()));
    EXPECT_EQ(ZEBFieldGetValueAsFloat(db, "VAL", "STR", 0), 0.0f);
    char text[32] = {};
    char *buffer = text;
    ASSERT_TRUE(ZEBFieldGetValueAsString(db, "VAL", "F32", 0, &buffer));
    EXPECT_EQ(std::string(text), std::string("1") + separator + "5");
    EXPECT_TRUE(ZEBClose(db));
}

}  // namespace

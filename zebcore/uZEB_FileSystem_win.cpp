// The file layer on Windows. Paths arrive as 8-bit text in the ANSI code
// page, as the system's own 8-bit calls take them; they are widened with that
// code page and handed to the wide calls.
#include <windows.h>
// <windows.h> maps ReplaceFile to ReplaceFileA; the file layer has its own.
#undef ReplaceFile

#include <climits>
#include <string>

#include "uZEB_Errors.h"
#include "uZEB_FileSystem.h"
#include "uZEB_Stream.h"

namespace zeb::fs {
namespace {

SaveStep failingStep = SaveStep::None;

// The system's text for an error code, without the trailing line break.
std::string SystemMessage(DWORD Error) {
    char *text = nullptr;
    DWORD length = ::FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                        FORMAT_MESSAGE_IGNORE_INSERTS,
                                    nullptr, Error, 0, reinterpret_cast<char *>(&text), 0, nullptr);
    std::string message = length && text ? std::string(text, length) : "error " + std::to_string(Error);
    if (text) ::LocalFree(text);
    while (!message.empty() && (message.back() == '\n' || message.back() == '\r' || message.back() == ' '))
        message.pop_back();
    return message;
}

[[noreturn]] void Fail(const std::string &What, const std::string &Path, DWORD Error) {
    throw FileError(What + " '" + Path + "': " + SystemMessage(Error));
}

std::wstring Widen(const std::string &Text) {
    if (Text.empty()) return std::wstring();
    if (Text.size() > static_cast<size_t>(INT_MAX)) Fail("path too long", Text.substr(0, 64), ERROR_FILENAME_EXCED_RANGE);
    const int length = static_cast<int>(Text.size());
    int wide = ::MultiByteToWideChar(CP_ACP, 0, Text.data(), length, nullptr, 0);
    if (wide <= 0) Fail("cannot convert", Text, ::GetLastError());
    std::wstring out(static_cast<size_t>(wide), L'\0');
    ::MultiByteToWideChar(CP_ACP, 0, Text.data(), length, out.data(), wide);
    return out;
}

std::string Narrow(const std::wstring &Text) {
    if (Text.empty()) return std::string();
    const int length = static_cast<int>(Text.size());
    int narrow = ::WideCharToMultiByte(CP_ACP, 0, Text.data(), length, nullptr, 0, nullptr, nullptr);
    if (narrow <= 0) return std::string();
    std::string out(static_cast<size_t>(narrow), '\0');
    ::WideCharToMultiByte(CP_ACP, 0, Text.data(), length, out.data(), narrow, nullptr, nullptr);
    return out;
}

// Closes a file handle when it goes out of scope.
class FileHandle {
  public:
    explicit FileHandle(HANDLE Handle) : handle_(Handle) {}
    ~FileHandle() {
        if (handle_ != INVALID_HANDLE_VALUE) ::CloseHandle(handle_);
    }
    FileHandle(const FileHandle &) = delete;
    FileHandle &operator=(const FileHandle &) = delete;
    HANDLE Get() const { return handle_; }
    // Closes now and reports whether the close succeeded.
    bool Close() {
        HANDLE handle = handle_;
        handle_ = INVALID_HANDLE_VALUE;
        return ::CloseHandle(handle) != 0;
    }

  private:
    HANDLE handle_;
};

// Opened for reading; others may read too but not write, so the file cannot
// change while it is read. A file that another program holds open for
// writing cannot be opened at all.
HANDLE OpenForReading(const std::string &Path) {
    HANDLE handle = ::CreateFileW(Widen(Path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (handle == INVALID_HANDLE_VALUE) Fail("cannot open", Path, ::GetLastError());
    return handle;
}

// ReadFile and WriteFile move at most this much per call.
constexpr DWORD Chunk = 1u << 30;

// Reads until Count bytes or the end of the file; returns the bytes read.
size_t ReadFully(HANDLE File, uint8_t *Dest, size_t Count, const std::string &Path) {
    size_t done = 0;
    while (done < Count) {
        const DWORD want = Count - done > Chunk ? Chunk : static_cast<DWORD>(Count - done);
        DWORD got = 0;
        if (!::ReadFile(File, Dest + done, want, &got, nullptr)) Fail("cannot read", Path, ::GetLastError());
        if (got == 0) break;
        done += got;
    }
    return done;
}

void WriteFully(HANDLE File, const uint8_t *Data, size_t Length, const std::string &Path) {
    if (failingStep == SaveStep::Write) Fail("cannot write", Path, ERROR_DISK_FULL);
    size_t done = 0;
    while (done < Length) {
        const DWORD want = Length - done > Chunk ? Chunk : static_cast<DWORD>(Length - done);
        DWORD put = 0;
        if (!::WriteFile(File, Data + done, want, &put, nullptr)) Fail("cannot write", Path, ::GetLastError());
        if (put == 0) Fail("cannot write", Path, ERROR_WRITE_FAULT);
        done += put;
    }
}

bool IsSeparator(char C) { return C == '\\' || C == '/'; }

// The file that a save replaces: the final target of a symbolic link (or
// other name-surrogate reparse point), or Path itself.
std::string ResolveTarget(const std::string &Path) {
    const DWORD attributes = ::GetFileAttributesW(Widen(Path).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_REPARSE_POINT)) return Path;
    HANDLE raw = ::CreateFileW(Widen(Path).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                               nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (raw == INVALID_HANDLE_VALUE) Fail("cannot follow link", Path, ::GetLastError());
    FileHandle file(raw);
    std::wstring target(MAX_PATH, L'\0');
    for (;;) {
        DWORD n = ::GetFinalPathNameByHandleW(file.Get(), target.data(), static_cast<DWORD>(target.size()),
                                              FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
        if (n == 0) Fail("cannot follow link", Path, ::GetLastError());
        if (n < target.size()) {
            target.resize(n);
            break;
        }
        target.resize(n);
    }
    std::string narrow = Narrow(target);
    if (narrow.empty() || Widen(narrow) != target) Fail("cannot follow link", Path, ERROR_NO_UNICODE_TRANSLATION);
    return narrow;
}

// The temporary file of a save: a fixed name beside the target, so that one
// left behind by an interrupted save is replaced by the next save.
std::string TemporaryNameFor(const std::string &Target) {
    size_t cut = Target.size();
    while (cut > 0 && !IsSeparator(Target[cut - 1]) && Target[cut - 1] != ':') --cut;
    return Target.substr(0, cut) + "." + Target.substr(cut) + ".zebsave";
}

// Removes a temporary file, also one that was left read-only.
void RemoveTemporary(const std::wstring &Temporary) {
    ::SetFileAttributesW(Temporary.c_str(), FILE_ATTRIBUTE_NORMAL);
    ::DeleteFileW(Temporary.c_str());
}

// The attributes a replaced file hands on to its successor.
constexpr DWORD KeptAttributes =
    FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;

// Puts Temporary in Target's place in one step. An existing target is
// replaced with ReplaceFileW, which keeps its attributes, security and
// creation time; a missing one is created by a write-through rename.
void MoveIntoPlace(const std::wstring &Temporary, const std::wstring &Target, bool TargetExists,
                   const std::string &Path) {
    if (failingStep == SaveStep::Rename) Fail("cannot replace", Path, ERROR_NOT_SAME_DEVICE);
    if (TargetExists) {
        if (::ReplaceFileW(Target.c_str(), Temporary.c_str(), nullptr, REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr,
                           nullptr))
            return;
        const DWORD error = ::GetLastError();
        // Without a backup name, every failure of ReplaceFileW leaves the
        // original under its name. Some file systems cannot replace at all;
        // there the rename does the same job.
        if (error != ERROR_INVALID_FUNCTION && error != ERROR_NOT_SUPPORTED && error != ERROR_INVALID_PARAMETER)
            Fail("cannot replace", Path, error);
    }
    if (!::MoveFileExW(Temporary.c_str(), Target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        Fail("cannot replace", Path, ::GetLastError());
}

}  // namespace

bool IsExistingFile(const std::string &Path) {
    if (Path.empty()) return false;
    const DWORD attributes = ::GetFileAttributesW(Widen(Path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

size_t ReadFileStart(const std::string &Path, uint8_t *Dest, size_t Count) {
    FileHandle file(OpenForReading(Path));
    return ReadFully(file.Get(), Dest, Count, Path);
}

void ReadWholeFile(const std::string &Path, std::vector<uint8_t> &Buffer) {
    FileHandle file(OpenForReading(Path));
    LARGE_INTEGER size;
    if (!::GetFileSizeEx(file.Get(), &size)) Fail("cannot read", Path, ::GetLastError());
    if (static_cast<uint64_t>(size.QuadPart) > TzebStream::MaxLength) Fail("cannot load", Path, ERROR_FILE_TOO_LARGE);
    Buffer.resize(static_cast<size_t>(size.QuadPart));
    size_t got = ReadFully(file.Get(), Buffer.data(), Buffer.size(), Path);
    Buffer.resize(got);
}

void ReplaceFile(const std::string &Path, const uint8_t *Data, size_t Length) {
    const std::string target = ResolveTarget(Path);
    const std::wstring wideTarget = Widen(target);

    // Refuse what may not be written before touching anything.
    const DWORD attributes = ::GetFileAttributesW(wideTarget.c_str());
    const bool exists = attributes != INVALID_FILE_ATTRIBUTES;
    if (exists) {
        if (attributes & FILE_ATTRIBUTE_DIRECTORY) Fail("cannot replace", target, ERROR_ACCESS_DENIED);
        if (attributes & FILE_ATTRIBUTE_READONLY) Fail("cannot write", target, ERROR_ACCESS_DENIED);
    }

    const std::string temporary = TemporaryNameFor(target);
    const std::wstring wideTemporary = Widen(temporary);
    if (failingStep == SaveStep::Create) Fail("cannot create", temporary, ERROR_ACCESS_DENIED);
    RemoveTemporary(wideTemporary);  // one left by an interrupted save
    HANDLE raw = ::CreateFileW(wideTemporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL,
                               nullptr);
    if (raw == INVALID_HANDLE_VALUE) Fail("cannot create", temporary, ::GetLastError());
    FileHandle file(raw);
    try {
        WriteFully(file.Get(), Data, Length, temporary);
        if (failingStep == SaveStep::Flush) Fail("cannot flush", temporary, ERROR_WRITE_FAULT);
        if (!::FlushFileBuffers(file.Get())) Fail("cannot flush", temporary, ::GetLastError());
        if (!file.Close()) Fail("cannot close", temporary, ::GetLastError());
        // ReplaceFileW carries the attributes over itself; setting them here
        // as well keeps them where it cannot and the rename is used instead.
        if (exists && (attributes & KeptAttributes) &&
            !::SetFileAttributesW(wideTemporary.c_str(), attributes & KeptAttributes))
            Fail("cannot set attributes of", temporary, ::GetLastError());
        MoveIntoPlace(wideTemporary, wideTarget, exists, target);
    } catch (...) {
        if (file.Get() != INVALID_HANDLE_VALUE) file.Close();
        RemoveTemporary(wideTemporary);
        throw;
    }
}

bool SamePath(const std::string &A, const std::string &B) {
    if (A == B) return true;
    const std::wstring a = Widen(A), b = Widen(B);
    const int result = ::CompareStringEx(LOCALE_NAME_USER_DEFAULT, NORM_IGNORECASE, a.data(), static_cast<int>(a.size()),
                                         b.data(), static_cast<int>(b.size()), nullptr, nullptr, 0);
    if (result == 0) Fail("cannot compare", A, ::GetLastError());
    return result == CSTR_EQUAL;
}

void FailSaveStepForTesting(SaveStep Step) { failingStep = Step; }

}  // namespace zeb::fs

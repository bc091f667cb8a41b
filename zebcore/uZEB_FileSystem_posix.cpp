// The file layer on POSIX systems.
#include <fcntl.h>
#include <limits.h>
#include <locale.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <cwctype>

#include "uZEB_Errors.h"
#include "uZEB_FileSystem.h"
#include "uZEB_Stream.h"

namespace zeb::fs {
namespace {

SaveStep failingStep = SaveStep::None;

[[noreturn]] void Fail(const std::string &What, const std::string &Path, int Error) {
    throw FileError(What + " '" + Path + "': " + std::strerror(Error));
}

// Closes a descriptor when it goes out of scope.
class FileDescriptor {
  public:
    explicit FileDescriptor(int Fd) : fd_(Fd) {}
    ~FileDescriptor() {
        if (fd_ >= 0) ::close(fd_);
    }
    FileDescriptor(const FileDescriptor &) = delete;
    FileDescriptor &operator=(const FileDescriptor &) = delete;
    int Get() const { return fd_; }
    // Closes now and reports whether the close succeeded.
    bool Close() {
        int fd = fd_;
        fd_ = -1;
        return ::close(fd) == 0;
    }

  private:
    int fd_;
};

int OpenForReading(const std::string &Path) {
    int fd;
    do fd = ::open(Path.c_str(), O_RDONLY | O_CLOEXEC);
    while (fd < 0 && errno == EINTR);
    if (fd < 0) Fail("cannot open", Path, errno);
    return fd;
}

// Reads until Count bytes or the end of the file; returns the bytes read.
size_t ReadFully(int Fd, uint8_t *Dest, size_t Count, const std::string &Path) {
    size_t done = 0;
    while (done < Count) {
        ssize_t n = ::read(Fd, Dest + done, Count - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            Fail("cannot read", Path, errno);
        }
        if (n == 0) break;
        done += static_cast<size_t>(n);
    }
    return done;
}

void WriteFully(int Fd, const uint8_t *Data, size_t Length, const std::string &Path) {
    if (failingStep == SaveStep::Write) Fail("cannot write", Path, ENOSPC);
    size_t done = 0;
    while (done < Length) {
        ssize_t n = ::write(Fd, Data + done, Length - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            Fail("cannot write", Path, errno);
        }
        done += static_cast<size_t>(n);
    }
}

// The file that a save replaces: the target of a symbolic link, followed
// through every link, or Path itself.
std::string ResolveTarget(const std::string &Path) {
    std::string current = Path;
    for (int depth = 0; depth < 40; ++depth) {
        struct stat st;
        if (::lstat(current.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return current;
        std::string link(static_cast<size_t>(st.st_size > 0 ? st.st_size : PATH_MAX), '\0');
        ssize_t n = ::readlink(current.c_str(), link.data(), link.size());
        if (n < 0) Fail("cannot follow link", current, errno);
        link.resize(static_cast<size_t>(n));
        if (!link.empty() && link[0] == '/') {
            current = link;
        } else {
            auto slash = current.rfind('/');
            current = (slash == std::string::npos ? std::string() : current.substr(0, slash + 1)) + link;
        }
    }
    Fail("cannot follow link", Path, ELOOP);
}

std::string FolderOf(const std::string &Path) {
    auto slash = Path.rfind('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return Path.substr(0, slash);
}

// The temporary file of a save: a fixed name beside the target, so that one
// left behind by an interrupted save is replaced by the next save.
std::string TemporaryNameFor(const std::string &Target) {
    auto slash = Target.rfind('/');
    std::string folder = slash == std::string::npos ? std::string() : Target.substr(0, slash + 1);
    std::string base = slash == std::string::npos ? Target : Target.substr(slash + 1);
    return folder + "." + base + ".zebsave";
}

void FlushFolder(const std::string &Folder) {
    int fd = ::open(Folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;  // some file systems cannot open folders; the rename stands
    FileDescriptor guard(fd);
    ::fsync(fd);
}

std::wstring Widen(const std::string &Text) {
    // Decodes the path with the user's character set; undecodable bytes stand
    // for themselves so that no two different paths compare equal by accident.
    std::wstring out;
    std::mbstate_t state{};
    const char *p = Text.data();
    size_t left = Text.size();
    while (left > 0) {
        wchar_t wc;
        size_t n = std::mbrtowc(&wc, p, left, &state);
        if (n == static_cast<size_t>(-1) || n == static_cast<size_t>(-2)) {
            out.push_back(static_cast<wchar_t>(0xDC00 | static_cast<unsigned char>(*p)));
            state = std::mbstate_t{};
            n = 1;
        } else if (n == 0) {
            n = 1;
            wc = 0;
        }
        out.push_back(static_cast<wchar_t>(std::towlower(static_cast<wint_t>(wc))));
        p += n;
        left -= n;
    }
    return out;
}

}  // namespace

bool IsExistingFile(const std::string &Path) {
    if (Path.empty()) return false;
    struct stat st;
    return ::stat(Path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

size_t ReadFileStart(const std::string &Path, uint8_t *Dest, size_t Count) {
    FileDescriptor fd(OpenForReading(Path));
    return ReadFully(fd.Get(), Dest, Count, Path);
}

void ReadWholeFile(const std::string &Path, std::vector<uint8_t> &Buffer) {
    FileDescriptor fd(OpenForReading(Path));
    struct stat st;
    if (::fstat(fd.Get(), &st) != 0) Fail("cannot read", Path, errno);
    if (static_cast<uint64_t>(st.st_size) > TzebStream::MaxLength) Fail("cannot load", Path, EFBIG);
    Buffer.resize(static_cast<size_t>(st.st_size));
    size_t got = ReadFully(fd.Get(), Buffer.data(), Buffer.size(), Path);
    Buffer.resize(got);  // a file that shrank while being read gives what was there
}

void ReplaceFile(const std::string &Path, const uint8_t *Data, size_t Length) {
    const std::string target = ResolveTarget(Path);
    const std::string folder = FolderOf(target);

    // Refuse what may not be written before touching anything. Root passes
    // every permission check, so a file without any write bit is refused
    // explicitly, as a read-only file is on other systems.
    struct stat st;
    mode_t mode = 0666 & ~0022;
    bool exists = ::stat(target.c_str(), &st) == 0;
    if (exists) {
        if (!S_ISREG(st.st_mode)) Fail("cannot replace", target, EISDIR);
        if ((st.st_mode & 0222) == 0) Fail("cannot write", target, EACCES);
        mode = st.st_mode & 07777;
    }
    if (::access(folder.c_str(), W_OK | X_OK) != 0) Fail("cannot write into", folder, errno);

    const std::string temporary = TemporaryNameFor(target);
    if (failingStep == SaveStep::Create) Fail("cannot create", temporary, EACCES);
    ::unlink(temporary.c_str());  // one left by an interrupted save
    int raw = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (raw < 0) Fail("cannot create", temporary, errno);
    FileDescriptor fd(raw);
    try {
        WriteFully(fd.Get(), Data, Length, temporary);
        if (::fchmod(fd.Get(), mode) != 0) Fail("cannot set permissions of", temporary, errno);
        if (exists && (st.st_uid != ::geteuid() || st.st_gid != ::getegid())) {
            // Keep the owner where we may; an unprivileged user cannot, and
            // then the file becomes theirs as with any editor's save.
            if (::fchown(fd.Get(), st.st_uid, st.st_gid) != 0 && errno != EPERM) {
                Fail("cannot set owner of", temporary, errno);
            }
        }
        if (failingStep == SaveStep::Flush) Fail("cannot flush", temporary, EIO);
        if (::fsync(fd.Get()) != 0) Fail("cannot flush", temporary, errno);
        if (!fd.Close()) Fail("cannot close", temporary, errno);
        if (failingStep == SaveStep::Rename) Fail("cannot rename", temporary, EXDEV);
        if (::rename(temporary.c_str(), target.c_str()) != 0) Fail("cannot rename", temporary, errno);
    } catch (...) {
        ::unlink(temporary.c_str());
        throw;
    }
    FlushFolder(folder);
}

bool SamePath(const std::string &A, const std::string &B) {
    if (A == B) return true;
    // Compare in the user's character set, whatever the host program set.
    locale_t user = ::newlocale(LC_CTYPE_MASK, "", static_cast<locale_t>(0));
    if (user == static_cast<locale_t>(0)) user = ::newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(0));
    locale_t previous = user ? ::uselocale(user) : static_cast<locale_t>(0);
    bool same = Widen(A) == Widen(B);
    if (user) {
        ::uselocale(previous);
        ::freelocale(user);
    }
    if (!same) return false;
    // Most file systems here tell letter case apart: two spellings are one
    // path only when they name the same file, so that a save never goes to
    // a different file than the one the caller opened.
    struct stat a, b;
    return ::stat(A.c_str(), &a) == 0 && ::stat(B.c_str(), &b) == 0 && a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

void FailSaveStepForTesting(SaveStep Step) { failingStep = Step; }

}  // namespace zeb::fs

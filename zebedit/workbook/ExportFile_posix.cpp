// The export's file layer on POSIX systems with the GNU C library: the
// temporary file's stream is a custom stdio stream so that every write, from
// whichever library, passes through WriteToFile.
#include <fcntl.h>
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>

#include "ExportFile.h"

namespace zebedit::workbook {
namespace {

ExportStep failingStep = ExportStep::None;
uint64_t failAfterBytes = 0;

constexpr size_t StreamBufferSize = 64 * 1024;

// The file an export replaces: the target of a symbolic link, followed through
// every link, or Path itself.
std::string ResolveTarget(const std::string &Path) {
    std::string current = Path;
    for (int depth = 0; depth < 40; ++depth) {
        struct stat st;
        if (::lstat(current.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return current;
        std::string link(PATH_MAX, '\0');
        ssize_t n = ::readlink(current.c_str(), link.data(), link.size());
        if (n < 0) return current;  // the open below reports what is wrong
        link.resize(static_cast<size_t>(n));
        if (link.front() == '/') {
            current = link;
        } else {
            auto slash = current.rfind('/');
            current = (slash == std::string::npos ? std::string() : current.substr(0, slash + 1)) + link;
        }
    }
    return current;
}

std::string FolderOf(const std::string &Path) {
    auto slash = Path.rfind('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return Path.substr(0, slash);
}

// A fixed name beside the target, so that one left by an interrupted export
// is replaced by the next export of the same file.
std::string TemporaryNameFor(const std::string &Target) {
    auto slash = Target.rfind('/');
    std::string folder = slash == std::string::npos ? std::string() : Target.substr(0, slash + 1);
    std::string base = slash == std::string::npos ? Target : Target.substr(slash + 1);
    return folder + "." + base + ".zebexport";
}

void FlushFolder(const std::string &Folder) {
    int fd = ::open(Folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;  // some file systems cannot open folders; the rename stands
    ::fsync(fd);
    ::close(fd);
}

ssize_t StreamWrite(void *Cookie, const char *Data, size_t Length) {
    return static_cast<ExportFile *>(Cookie)->WriteToFile(Data, Length);
}

int StreamSeek(void *Cookie, off64_t *Offset, int Whence) {
    int64_t offset = *Offset;
    int result = static_cast<ExportFile *>(Cookie)->SeekInFile(&offset, Whence);
    *Offset = offset;
    return result;
}

int StreamClose(void *) { return 0; }  // the descriptor belongs to ExportFile

}  // namespace

ExportFile::ExportFile(const std::string &Path) : path_(Path) {
    target_ = ResolveTarget(Path);
    const std::string folder = FolderOf(target_);

    struct stat st;
    if (::stat(folder.c_str(), &st) != 0) {
        throw std::runtime_error("Cannot write into the folder '" + folder + "': " + std::strerror(errno));
    }
    if (!S_ISDIR(st.st_mode)) {
        throw std::runtime_error("Cannot write into the folder '" + folder + "': " + std::strerror(ENOTDIR));
    }
    // Root passes every permission check, so a folder without any write bit
    // is refused explicitly, as a read-only folder is for everyone else.
    if ((st.st_mode & 0222) == 0 || ::access(folder.c_str(), W_OK | X_OK) != 0) {
        throw std::runtime_error("Cannot write into the folder '" + folder + "': " +
                                 std::strerror((st.st_mode & 0222) == 0 ? EACCES : errno));
    }
    if (::stat(target_.c_str(), &st) == 0) {
        if (!S_ISREG(st.st_mode)) {
            throw std::runtime_error("Cannot replace '" + target_ + "': it is not a regular file.");
        }
        if ((st.st_mode & 0222) == 0) {
            throw std::runtime_error("Cannot replace '" + target_ + "': the file is read-only.");
        }
        permissions_ = st.st_mode & 07777;
        keepPermissions_ = true;
    }

    temporary_ = TemporaryNameFor(target_);
    ::unlink(temporary_.c_str());  // one left by an interrupted export
    // A new workbook gets the usual permissions less the user's mask.
    fd_ = ::open(temporary_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd_ < 0) {
        throw std::runtime_error("Cannot create a file in the folder '" + folder + "': " + std::strerror(errno));
    }
    cookie_io_functions_t functions{};
    functions.write = StreamWrite;
    functions.seek = StreamSeek;
    functions.close = StreamClose;
    stream_ = ::fopencookie(this, "wb", functions);
    if (stream_ == nullptr || std::setvbuf(stream_, nullptr, _IOFBF, StreamBufferSize) != 0) {
        int error = errno;
        if (stream_ != nullptr) std::fclose(stream_);
        stream_ = nullptr;
        ::close(fd_);
        ::unlink(temporary_.c_str());
        throw std::runtime_error("Cannot write the workbook '" + path_ + "': " + std::strerror(error));
    }
}

ExportFile::~ExportFile() {
    if (stream_ != nullptr) std::fclose(stream_);
    if (fd_ >= 0) ::close(fd_);
    if (!committed_) ::unlink(temporary_.c_str());
}

ssize_t ExportFile::WriteToFile(const char *Data, size_t Length) {
    if (writeError_ != 0) {
        errno = writeError_;
        return 0;
    }
    size_t done = 0;
    while (done < Length) {
        ssize_t n;
        if (failingStep == ExportStep::Write && written_ + (Length - done) > failAfterBytes) {
            n = -1;
            errno = ENOSPC;
        } else {
            n = ::write(fd_, Data + done, Length - done);
        }
        if (n < 0) {
            if (errno == EINTR) continue;
            writeError_ = errno;
            return static_cast<ssize_t>(done);
        }
        done += static_cast<size_t>(n);
        written_ += static_cast<size_t>(n);
    }
    return static_cast<ssize_t>(done);
}

int ExportFile::SeekInFile(int64_t *Offset, int Whence) {
    off_t at = ::lseek(fd_, static_cast<off_t>(*Offset), Whence);
    if (at < 0) return -1;
    *Offset = at;
    return 0;
}

void ExportFile::Fail(const std::string &What, int Error) const {
    throw std::runtime_error("Cannot " + What + " the workbook '" + path_ + "': " + std::strerror(Error));
}

void ExportFile::ThrowIfFailed() const {
    if (writeError_ != 0) Fail("write", writeError_);
}

void ExportFile::Commit() {
    FILE *stream = stream_;
    stream_ = nullptr;
    int closed = std::fclose(stream);  // writes what the stream still buffers
    ThrowIfFailed();
    if (closed != 0) Fail("write", errno);

    if (keepPermissions_ && ::fchmod(fd_, permissions_) != 0) Fail("set the permissions of", errno);
    if (failingStep == ExportStep::Flush) Fail("flush", EIO);
    if (::fsync(fd_) != 0) Fail("flush", errno);
    int fd = fd_;
    fd_ = -1;
    if (::close(fd) != 0) Fail("close", errno);
    if (failingStep == ExportStep::Rename) Fail("rename", EXDEV);
    if (::rename(temporary_.c_str(), target_.c_str()) != 0) Fail("rename", errno);
    committed_ = true;
    FlushFolder(FolderOf(target_));
}

void FailExportStepForTesting(ExportStep Step, uint64_t AfterBytes) {
    failingStep = Step;
    failAfterBytes = AfterBytes;
}

}  // namespace zebedit::workbook

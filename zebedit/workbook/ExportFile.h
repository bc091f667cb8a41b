// The file layer of an export: the workbook is written into a temporary file
// beside its final name (beside the target of a symbolic link), flushed to
// disk and renamed over the final name, so that a failed export never leaves
// a half-written workbook there. Every failure raises std::runtime_error whose
// text names the file and the reason.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

#include <sys/types.h>

namespace zebedit::workbook {

class ExportFile {
  public:
    // Checks that Path may be written (its folder exists and is writable; an
    // existing file there is a regular file with a write permission bit) and
    // creates the temporary file. A folder or file without any write
    // permission bit counts as read-only for every user, root included.
    explicit ExportFile(const std::string &Path);
    // Removes the temporary file unless Commit succeeded.
    ~ExportFile();
    ExportFile(const ExportFile &) = delete;
    ExportFile &operator=(const ExportFile &) = delete;

    // The temporary file as a buffered, seekable stream. Write failures are
    // recorded here, whoever writes, and reported by ThrowIfFailed.
    FILE *Stream() { return stream_; }
    // Raises the first write failure, if any.
    void ThrowIfFailed() const;
    // Closes the stream, flushes the file to disk, gives it the permission bits
    // of the file it replaces and renames it over the final name.
    void Commit();

    // Used by the stream's callbacks.
    ssize_t WriteToFile(const char *Data, size_t Length);
    int SeekInFile(int64_t *Offset, int Whence);

  private:
    [[noreturn]] void Fail(const std::string &What, int Error) const;

    std::string path_;       // as the caller named it, for messages
    std::string target_;     // the file replaced: Path or the target of its link
    std::string temporary_;
    unsigned permissions_;   // of the replaced file, or the default for a new one
    bool keepPermissions_ = false;
    int fd_ = -1;
    FILE *stream_ = nullptr;
    int writeError_ = 0;     // errno of the first failed write
    uint64_t written_ = 0;
    bool committed_ = false;
};

// Test seam: makes the given step of the following exports fail as the file
// system would, until reset with ExportStep::None. Write fails with "no space
// left" once AfterBytes bytes of the temporary file have been written.
enum class ExportStep { None, Write, Flush, Rename };
void FailExportStepForTesting(ExportStep Step, uint64_t AfterBytes = 0);

}  // namespace zebedit::workbook

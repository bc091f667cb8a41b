// The file layer: the few things the engine and the library ask of the file
// system. One implementation per platform; every failure raises FileError.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace zeb::fs {

// True when Path names an existing regular file (not a folder).
bool IsExistingFile(const std::string &Path);

// Reads up to Count bytes from the start of the file into Dest, the file
// opened for reading with other writers denied where the platform can. Returns
// the number of bytes read.
size_t ReadFileStart(const std::string &Path, uint8_t *Dest, size_t Count);

// Replaces Buffer with the whole file. Files too large for the 32-bit format
// are refused.
void ReadWholeFile(const std::string &Path, std::vector<uint8_t> &Buffer);

// Replaces the file at Path with Data durably: a temporary file beside the
// file (beside the target of a symbolic link), written, flushed, given the
// original's permission bits and renamed over it. A file without any write
// permission bit is refused before anything is touched. On any failure the
// file at Path is exactly as it was and no temporary file is left.
void ReplaceFile(const std::string &Path, const uint8_t *Data, size_t Length);

// The registry's rule for paths: equal without regard to letter case, by the
// user locale's case-insensitive comparison. Where the file system tells
// letter case apart, spellings that differ in case must also name the same
// file.
bool SamePath(const std::string &A, const std::string &B);

// Test seam: makes the given step of the next ReplaceFile calls fail, as the
// file system would, until reset with SaveStep::None.
enum class SaveStep { None, Create, Write, Flush, Rename };
void FailSaveStepForTesting(SaveStep Step);

}  // namespace zeb::fs

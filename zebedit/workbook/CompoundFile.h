// The OLE2 compound file around the workbook: a root storage holding one
// stream named "Workbook", written by libgsf's MSOLE writer into an export file.
#pragma once

#include <memory>

#include "ByteSink.h"
#include "ExportFile.h"

namespace zebedit::workbook {

class CompoundFileWriter {
  public:
    // Starts the compound file in File and opens its "Workbook" stream.
    explicit CompoundFileWriter(ExportFile &File);
    // Releases the container; without Close the file is incomplete.
    ~CompoundFileWriter();
    CompoundFileWriter(const CompoundFileWriter &) = delete;
    CompoundFileWriter &operator=(const CompoundFileWriter &) = delete;

    // The "Workbook" stream. Writes that fail raise the file's write failure.
    ByteSink &Workbook();
    // Closes the stream and writes the container's directory and allocation
    // tables. Raises std::runtime_error when any of it failed.
    void Close();

  private:
    class Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace zebedit::workbook

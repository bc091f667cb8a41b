#include "CompoundFile.h"

#include <gsf/gsf-outfile-msole.h>
#include <gsf/gsf-outfile.h>
#include <gsf/gsf-output-stdio.h>
#include <gsf/gsf-output.h>
#include <gsf/gsf-utils.h>

#include <mutex>
#include <stdexcept>
#include <string>

namespace zebedit::workbook {
namespace {

// libgsf registers its classes once per process.
void InitialiseGsf() {
    static std::once_flag once;
    std::call_once(once, [] { gsf_init(); });
}

// Holds one reference to a GObject.
template <typename T>
class GObjectRef {
  public:
    explicit GObjectRef(T *Object = nullptr) : object_(Object) {}
    ~GObjectRef() { Reset(); }
    GObjectRef(const GObjectRef &) = delete;
    GObjectRef &operator=(const GObjectRef &) = delete;
    T *Get() const { return object_; }
    void Reset(T *Object = nullptr) {
        if (object_ != nullptr) g_object_unref(object_);
        object_ = Object;
    }

  private:
    T *object_;
};

std::string ErrorText(GsfOutput *Output, const char *Otherwise) {
    const GError *error = Output != nullptr ? gsf_output_error(Output) : nullptr;
    return error != nullptr && error->message != nullptr ? error->message : Otherwise;
}

}  // namespace

class CompoundFileWriter::Impl : public ByteSink {
  public:
    explicit Impl(ExportFile &File) : file_(File) {
        InitialiseGsf();
        // The stream stays ours: libgsf flushes it on close, ExportFile closes it.
        sink_.Reset(gsf_output_stdio_new_FILE("Workbook.xls", File.Stream(), TRUE));
        if (sink_.Get() == nullptr) throw std::runtime_error("Cannot start the workbook file.");
        root_.Reset(gsf_outfile_msole_new(sink_.Get()));
        if (root_.Get() == nullptr) throw std::runtime_error("Cannot start the workbook's compound file.");
        workbook_.Reset(gsf_outfile_new_child(root_.Get(), "Workbook", FALSE));
        if (workbook_.Get() == nullptr) throw std::runtime_error("Cannot add the workbook stream.");
        file_.ThrowIfFailed();
    }

    // An unfinished file is abandoned: the stream is closed before its
    // container, the container before its sink, whatever they still write.
    ~Impl() override {
        if (workbook_.Get() != nullptr && !gsf_output_is_closed(workbook_.Get())) gsf_output_close(workbook_.Get());
        workbook_.Reset();
        root_.Reset();
        sink_.Reset();
    }

    void Write(const uint8_t *Data, size_t Length) override {
        bool written = gsf_output_write(workbook_.Get(), Length, Data);
        file_.ThrowIfFailed();
        if (!written) throw std::runtime_error("Cannot write the workbook: " + ErrorText(workbook_.Get(), "write failed"));
    }

    void Overwrite(uint64_t Position, const uint8_t *Data, size_t Length) override {
        GsfOutput *out = workbook_.Get();
        bool done = gsf_output_seek(out, static_cast<gsf_off_t>(Position), G_SEEK_SET) &&
                    gsf_output_write(out, Length, Data) && gsf_output_seek(out, 0, G_SEEK_END);
        file_.ThrowIfFailed();
        if (!done) throw std::runtime_error("Cannot write the workbook: " + ErrorText(out, "seek failed"));
    }

    void Close() {
        bool streamClosed = gsf_output_close(workbook_.Get());
        bool rootClosed = gsf_output_close(GSF_OUTPUT(root_.Get()));  // also closes the sink
        file_.ThrowIfFailed();
        if (!streamClosed || !rootClosed) {
            throw std::runtime_error("Cannot finish the workbook: " + ErrorText(sink_.Get(), "close failed"));
        }
    }

  private:
    ExportFile &file_;
    GObjectRef<GsfOutput> sink_;
    GObjectRef<GsfOutfile> root_;
    GObjectRef<GsfOutput> workbook_;
};

CompoundFileWriter::CompoundFileWriter(ExportFile &File) : impl_(std::make_unique<Impl>(File)) {}

CompoundFileWriter::~CompoundFileWriter() = default;

ByteSink &CompoundFileWriter::Workbook() { return *impl_; }

void CompoundFileWriter::Close() { impl_->Close(); }

}  // namespace zebedit::workbook

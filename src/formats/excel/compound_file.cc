#include "formats/excel/compound_file.h"

#include <gsf/gsf.h>

#include <cstring>
#include <mutex>
#include <string>

#include "data/db_error.h"
#include "formats/common/target_file.h"

namespace vdimpexp::formats {

// The file as libgsf sees it, the compound file over it, and its stream.
struct CompoundFileWriter::Outputs {
  GsfOutput* file = nullptr;
  GsfOutfile* compound = nullptr;
  GsfOutput* stream = nullptr;

  // Closing the compound file closes the file output too, which leaves
  // the FILE itself open (it belongs to the caller).
  void Close() {
    if (stream != nullptr && !gsf_output_is_closed(stream)) gsf_output_close(stream);
    if (compound != nullptr && !gsf_output_is_closed(GSF_OUTPUT(compound))) {
      gsf_output_close(GSF_OUTPUT(compound));
    }
  }

  ~Outputs() {
    Close();
    if (stream != nullptr) g_object_unref(stream);
    if (compound != nullptr) g_object_unref(compound);
    if (file != nullptr) g_object_unref(file);
  }
};

CompoundFileWriter::CompoundFileWriter(const TargetFile& file,
                                       std::string_view stream_name)
    : file_(file), outputs_(std::make_unique<Outputs>()) {
  static std::once_flag initialized;
  std::call_once(initialized, [] { gsf_init(); });
  // The FILE, not the path: libgsf would otherwise write a temporary file
  // and rename it over the target, past the exclusive creation that keeps
  // an export from replacing an existing file.
  outputs_->file = gsf_output_stdio_new_FILE(file.Path().c_str(), file.Stream(), TRUE);
  if (outputs_->file == nullptr) Fail("starting", nullptr);
  outputs_->compound = gsf_outfile_msole_new(outputs_->file);
  if (outputs_->compound == nullptr) Fail("starting", outputs_->file);
  outputs_->stream =
      gsf_outfile_new_child(outputs_->compound, std::string(stream_name).c_str(), FALSE);
  if (outputs_->stream == nullptr) Fail("starting", outputs_->compound);
}

CompoundFileWriter::~CompoundFileWriter() = default;

void CompoundFileWriter::Write(std::string_view bytes) {
  if (bytes.empty()) return;
  if (!gsf_output_write(outputs_->stream, bytes.size(),
                        reinterpret_cast<const guint8*>(bytes.data()))) {
    Fail("writing", outputs_->stream);
  }
}

void CompoundFileWriter::Finish() {
  if (!gsf_output_close(outputs_->stream)) Fail("writing", outputs_->stream);
  if (!gsf_output_close(GSF_OUTPUT(outputs_->compound))) {
    Fail("completing", outputs_->compound);
  }
}

void CompoundFileWriter::Fail(std::string_view doing, const void* output) const {
  // libgsf says only "Failed to flush." where the disk refused a write;
  // the system's reason tells the user what to do about it.
  std::string reason = "libgsf failed";
  if (file_.RefusedWriteError() != 0) {
    reason = std::strerror(file_.RefusedWriteError());
  } else if (output != nullptr) {
    const GError* error = gsf_output_error(static_cast<const GsfOutput*>(output));
    if (error != nullptr && error->message != nullptr) reason = error->message;
  }
  throw data::DbError(data::error_number::kEngineFailure,
                      "Error " + std::string(doing) + " the compound file '" +
                          file_.Path().string() + "': " + reason);
}

}  // namespace vdimpexp::formats

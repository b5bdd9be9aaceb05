// An OLE2 compound file holding one named stream: the container Excel 5.0
// and later keep their workbooks in ("Book", "Workbook"). libgsf lays out
// the sectors, allocation tables and directory, small streams in the mini
// stream and the DIFAT of large ones; the stream's data goes through to the
// file as it is written, so a large workbook is never held in memory.
#pragma once

#include <memory>
#include <string_view>

namespace vdimpexp::formats {

class TargetFile;

class CompoundFileWriter {
 public:
  // Starts a compound file in `file`, which is new and empty, holding the
  // stream `stream_name`. The file stays open and the caller's to close.
  CompoundFileWriter(const TargetFile& file, std::string_view stream_name);
  // Without Finish, what was written is no valid compound file; the caller
  // removes it.
  ~CompoundFileWriter();
  CompoundFileWriter(const CompoundFileWriter&) = delete;
  CompoundFileWriter& operator=(const CompoundFileWriter&) = delete;

  // Appends to the stream. Throws data::DbError when the file refuses it.
  void Write(std::string_view bytes);
  // Completes the stream and the compound file's directory and tables.
  // Throws data::DbError when they cannot be written.
  void Finish();

 private:
  struct Outputs;
  [[noreturn]] void Fail(std::string_view doing, const void* output) const;

  const TargetFile& file_;
  std::unique_ptr<Outputs> outputs_;
};

}  // namespace vdimpexp::formats

// The file a format writer produces. It is always a new file: a target that
// exists already is refused, never replaced or appended to, so an export
// cannot destroy a file the user chose to keep.
#pragma once

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string_view>

#include "data/external_target.h"

namespace vdimpexp::formats {

// The file a folder-form target names: its table inside its database folder.
std::filesystem::path TargetPath(const data::ExternalTarget& target);

class TargetFile {
 public:
  // Creates `path` for writing. Throws data::DbError when the file exists
  // already or cannot be created.
  explicit TargetFile(std::filesystem::path path);
  // Closes the file if still open; what was written stays.
  ~TargetFile();
  TargetFile(const TargetFile&) = delete;
  TargetFile& operator=(const TargetFile&) = delete;

  const std::filesystem::path& Path() const { return path_; }
  // The open file, for a library that writes it with calls of its own (the
  // compound file of a workbook). Close and Remove still apply.
  std::FILE* Stream() const { return file_; }
  // The errno of the first write the system refused, 0 while none was: the
  // reason behind a library's own "failed to flush".
  int RefusedWriteError() const;

  // Appends at the end of what was written. Throws data::DbError on failure.
  void Write(std::string_view bytes);
  // Overwrites bytes written earlier (a header completed at the end).
  void WriteAt(uint64_t offset, std::string_view bytes);
  // Flushes and closes. Throws data::DbError when the data did not reach
  // the disk intact.
  void Close();
  // Closes and deletes the file; for a writer abandoning its target.
  void Remove() noexcept;

 private:
  struct Descriptor;
  [[noreturn]] void Fail(std::string_view doing) const;

  std::filesystem::path path_;
  std::unique_ptr<Descriptor> descriptor_;  // outlives file_, which writes through it
  std::FILE* file_ = nullptr;
};

// A seam for tests of what a full disk does to an export. While one is
// alive, the `nth` write that reaches any target file from then on fails
// with ENOSPC, and so does every write after it, as on a disk that stays
// full. Writes are counted where the bytes leave for the disk (a buffer
// flush, a library's own write to Stream()), and each Write and WriteAt.
class WriteFaultInjection {
 public:
  explicit WriteFaultInjection(int nth);
  ~WriteFaultInjection();
  WriteFaultInjection(const WriteFaultInjection&) = delete;
  WriteFaultInjection& operator=(const WriteFaultInjection&) = delete;

  // Whether a write has been failed.
  bool Fired() const;
};

}  // namespace vdimpexp::formats

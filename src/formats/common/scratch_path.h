// A named temporary file for a library that writes a whole file by its
// path (libxlsxwriter's workbook, libzip's archive): the library writes
// there, and the writer copies the result into its target file, which alone
// is created where the user chose, is counted by the full-disk seam and is
// removed on failure. The temporary file goes when this object does.
#pragma once

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#include "data/db_error.h"
#include "formats/common/target_file.h"

namespace vdimpexp::formats {

class ScratchPath {
 public:
  // `suffix` ends the name (".xlsx"); `where` names the target in errors.
  ScratchPath(const std::string& suffix, const std::string& where) : where_(where) {
    std::error_code ignored;
    std::string name =
        (std::filesystem::temp_directory_path(ignored) / ("vdimpexp-XXXXXX" + suffix))
            .string();
    const int fd = mkstemps(name.data(), static_cast<int>(suffix.size()));
    if (fd < 0) Fail("creating a temporary file");
    ::close(fd);
    path_ = name;
  }
  ~ScratchPath() {
    std::error_code ignored;
    std::filesystem::remove(path_, ignored);
  }
  ScratchPath(const ScratchPath&) = delete;
  ScratchPath& operator=(const ScratchPath&) = delete;

  const std::string& Path() const { return path_; }

  // Appends the temporary file's bytes to `target`, in pieces.
  void CopyInto(TargetFile& target) const {
    std::FILE* in = std::fopen(path_.c_str(), "rb");
    if (in == nullptr) Fail("reading a temporary file");
    std::string chunk(size_t{1} << 20, '\0');
    size_t got;
    while ((got = std::fread(chunk.data(), 1, chunk.size(), in)) > 0) {
      try {
        target.Write(std::string_view(chunk).substr(0, got));
      } catch (...) {
        std::fclose(in);
        throw;
      }
    }
    const bool failed = std::ferror(in) != 0;
    std::fclose(in);
    if (failed) Fail("reading a temporary file");
  }

 private:
  [[noreturn]] void Fail(const std::string& doing) const {
    throw data::DbError(data::error_number::kEngineFailure,
                        where_ + ": " + doing + " failed: " + std::strerror(errno) + ".");
  }

  std::string where_;
  std::string path_;
};

}  // namespace vdimpexp::formats

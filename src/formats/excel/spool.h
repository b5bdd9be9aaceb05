// A temporary file of no name for what a workbook must hold before it is
// known: the worksheets' cells wait there until Finish knows where each
// worksheet starts, and the shared string table, which precedes them all,
// grows there rather than in memory. The system removes the file when it
// is closed, however the export ends.
#pragma once

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <string_view>
#include <utility>

#include "data/db_error.h"

namespace vdimpexp::formats {

class Spool {
 public:
  // `where` names the workbook in errors ("Excel 97 workbook '...'").
  explicit Spool(std::string where) : where_(std::move(where)) {
    file_ = std::tmpfile();
    if (file_ == nullptr) Fail("creating");
    std::setvbuf(file_, nullptr, _IOFBF, kChunk);
  }
  ~Spool() { std::fclose(file_); }
  Spool(const Spool&) = delete;
  Spool& operator=(const Spool&) = delete;

  uint64_t Size() const { return size_; }

  void Write(std::string_view bytes) {
    if (std::fwrite(bytes.data(), 1, bytes.size(), file_) != bytes.size())
      Fail("writing");
    size_ += bytes.size();
  }

  // Overwrites bytes written before, from `offset` on.
  void WriteAt(uint64_t offset, std::string_view bytes) {
    if (fseeko(file_, static_cast<off_t>(offset), SEEK_SET) != 0 ||
        std::fwrite(bytes.data(), 1, bytes.size(), file_) != bytes.size() ||
        fseeko(file_, 0, SEEK_END) != 0) {
      Fail("writing");
    }
  }

  // Hands bytes `begin` to `end` to `write`, in pieces.
  void Copy(uint64_t begin, uint64_t end,
            const std::function<void(std::string_view)>& write) {
    if (fseeko(file_, static_cast<off_t>(begin), SEEK_SET) != 0) Fail("reading");
    std::string chunk(kChunk, '\0');
    for (uint64_t left = end - begin; left > 0;) {
      const size_t part = static_cast<size_t>(std::min<uint64_t>(left, kChunk));
      if (std::fread(chunk.data(), 1, part, file_) != part) Fail("reading");
      write(std::string_view(chunk).substr(0, part));
      left -= part;
    }
    if (fseeko(file_, 0, SEEK_END) != 0) Fail("reading");
  }

 private:
  static constexpr size_t kChunk = size_t{1} << 16;

  [[noreturn]] void Fail(std::string_view doing) const {
    throw data::DbError(data::error_number::kEngineFailure,
                        "Error " + std::string(doing) + " the temporary file of " +
                            where_ + ": " + std::strerror(errno));
  }

  std::string where_;
  std::FILE* file_ = nullptr;
  uint64_t size_ = 0;
};

}  // namespace vdimpexp::formats

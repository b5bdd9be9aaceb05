#include "formats/target_file.h"

#include <cerrno>
#include <cstring>
#include <string>

#include "data/db_error.h"

namespace vdimpexp::formats {
namespace {

// Large writes amortise the system calls on tables of millions of rows.
constexpr size_t kBufferSize = 1 << 16;

}  // namespace

std::filesystem::path TargetPath(const data::ExternalTarget& target) {
  return std::filesystem::path(target.database) / target.table;
}

TargetFile::TargetFile(std::filesystem::path path) : path_(std::move(path)) {
  // "x": fail instead of truncating when the file exists, decided by the
  // same system call that creates it.
  file_ = std::fopen(path_.c_str(), "wbx");
  if (file_ == nullptr) {
    if (errno == EEXIST) {
      throw data::DbError(data::error_number::kEngineFailure,
                          "The file '" + path_.string() +
                              "' already exists; an export never overwrites a file.");
    }
    Fail("creating");
  }
  std::setvbuf(file_, nullptr, _IOFBF, kBufferSize);
}

TargetFile::~TargetFile() {
  if (file_ != nullptr) std::fclose(file_);
}

void TargetFile::Write(std::string_view bytes) {
  if (std::fwrite(bytes.data(), 1, bytes.size(), file_) != bytes.size()) Fail("writing");
}

void TargetFile::WriteAt(uint64_t offset, std::string_view bytes) {
  long end = std::ftell(file_);
  if (end < 0 || std::fseek(file_, static_cast<long>(offset), SEEK_SET) != 0) {
    Fail("seeking in");
  }
  Write(bytes);
  if (std::fseek(file_, end, SEEK_SET) != 0) Fail("seeking in");
}

void TargetFile::Close() {
  std::FILE* file = file_;
  file_ = nullptr;
  if (std::fclose(file) != 0) Fail("closing");
}

void TargetFile::Remove() noexcept {
  if (file_ != nullptr) {
    std::fclose(file_);
    file_ = nullptr;
  }
  std::error_code ignored;
  std::filesystem::remove(path_, ignored);
}

void TargetFile::Fail(std::string_view doing) const {
  throw data::DbError(data::error_number::kEngineFailure,
                      std::string("Error ") + std::string(doing) + " '" + path_.string() +
                          "': " + std::strerror(errno));
}

}  // namespace vdimpexp::formats

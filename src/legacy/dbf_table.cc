#include "legacy/dbf_table.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <filesystem>

namespace vdimpexp::legacy {
namespace {

// Read-ahead starts small, so that counting a table or reading its first
// record costs one small read, and doubles while records are read in turn,
// up to a window large enough that a scan costs few system calls.
constexpr std::size_t kFirstWindowBytes = 4 * 1024;
constexpr std::size_t kWindowBytes = 64 * 1024;
constexpr std::size_t kFirstHeaderRead = 4 * 1024;

bool EqualIgnoringCase(std::string_view a, std::string_view b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
    return std::tolower(static_cast<unsigned char>(x)) ==
           std::tolower(static_cast<unsigned char>(y));
  });
}

// Reads the header: a first guess that holds most headers whole, then the
// rest of a longer one as its fixed part declares it.
bool ReadHeader(int file, std::uint64_t file_size, std::vector<std::uint8_t>& start) {
  start.resize(std::min<std::uint64_t>(file_size, kFirstHeaderRead));
  ssize_t got = ReadAt(file, 0, reinterpret_cast<char*>(start.data()), start.size());
  if (got < 0) return false;
  start.resize(static_cast<std::size_t>(got));
  if (start.size() < 10) return true;
  const std::size_t declared = start[8] | start[9] << 8;
  if (declared <= start.size() || start.size() == file_size) return true;
  const std::size_t have = start.size();
  start.resize(std::min<std::uint64_t>(file_size, declared));
  got = ReadAt(file, have, reinterpret_cast<char*>(start.data()) + have,
               start.size() - have);
  if (got < 0) return false;
  start.resize(have + static_cast<std::size_t>(got));
  return true;
}

}  // namespace

int OpenRegularFile(const std::string& path, DbfError& error) {
  // The C library would stop at an embedded NUL and open another file.
  if (path.empty() || path.find('\0') != std::string::npos) {
    error = DbfError::kCannotOpen;
    return -1;
  }
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0) {
    error = errno == ENOENT || errno == ENOTDIR ? DbfError::kNoSuchFile
                                                : DbfError::kCannotOpen;
    return -1;
  }
  if (!S_ISREG(info.st_mode)) {
    error = DbfError::kNotAFile;
    return -1;
  }
  // Should a pipe take the file's place after the question, the open still
  // does not wait, and the second question refuses it.
  const int file = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (file < 0) {
    error = DbfError::kCannotOpen;
    return -1;
  }
  if (::fstat(file, &info) != 0 || !S_ISREG(info.st_mode)) {
    ::close(file);
    error = DbfError::kNotAFile;
    return -1;
  }
  error = DbfError::kNone;
  return file;
}

ssize_t ReadAt(int file, std::uint64_t offset, char* data, std::size_t size) {
  std::size_t done = 0;
  while (done < size) {
    const ssize_t got =
        ::pread(file, data + done, size - done, static_cast<off_t>(offset + done));
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) return -1;
    if (got == 0) break;
    done += static_cast<std::size_t>(got);
  }
  return static_cast<ssize_t>(done);
}

std::optional<std::string> FileBeside(const std::string& table_path,
                                      std::string_view extension) {
  namespace fs = std::filesystem;
  const fs::path path(table_path);
  const fs::path directory = path.has_parent_path() ? path.parent_path() : fs::path(".");
  const std::string stem = path.stem().string();
  std::error_code error;
  std::optional<fs::path> found;
  for (fs::directory_iterator entry(directory, error), end; !error && entry != end;
       entry.increment(error)) {
    const fs::path& candidate = entry->path();
    if (!EqualIgnoringCase(candidate.extension().string(), extension) ||
        !EqualIgnoringCase(candidate.stem().string(), stem)) {
      continue;
    }
    // A pipe would block its reader; a folder has nothing to say.
    std::error_code type_error;
    if (!entry->is_regular_file(type_error)) continue;
    if (!found || candidate < *found) found = candidate;
  }
  if (!found) return std::nullopt;
  return found->string();
}

DbfError DbfTable::Open(const std::string& path, std::unique_ptr<DbfTable>& table) {
  table.reset();
  DbfError open_error = DbfError::kNone;
  const int file = OpenRegularFile(path, open_error);
  if (file < 0) return open_error;
  auto refuse = [file](DbfError error) {
    ::close(file);
    return error;
  };
  struct stat info {};
  if (::fstat(file, &info) != 0) return refuse(DbfError::kReadFailed);
  const auto file_size = static_cast<std::uint64_t>(info.st_size);

  std::vector<std::uint8_t> start;
  if (!ReadHeader(file, file_size, start)) return refuse(DbfError::kReadFailed);
  DbfLayout layout;
  if (DbfError error = ParseDbfHeader(start, layout); error != DbfError::kNone) {
    return refuse(error);
  }

  // The parser made sure the file holds the whole header.
  const std::uint64_t whole_records =
      (file_size - layout.header_length) / layout.record_length;
  const auto record_count = static_cast<std::uint32_t>(
      std::min<std::uint64_t>(layout.header_record_count, whole_records));
  table.reset(new DbfTable(path, file, std::move(layout), record_count));
  return DbfError::kNone;
}

DbfTable::DbfTable(std::string path, int file, DbfLayout layout,
                   std::uint32_t record_count)
    : path_(std::move(path)),
      file_(file),
      layout_(std::move(layout)),
      record_count_(record_count),
      record_(layout_.record_length, ' ') {}

DbfTable::~DbfTable() { ::close(file_); }

DbfMove DbfTable::Top() { return SeekLive(1); }

DbfMove DbfTable::Skip() {
  if (current_ == 0) return DbfMove::kNoMoreRecords;
  return SeekLive(static_cast<std::uint64_t>(current_) + 1);
}

DbfMove DbfTable::SeekLive(std::uint64_t number) {
  for (; number <= record_count_; ++number) {
    const char* bytes = RecordBytes(static_cast<std::uint32_t>(number));
    if (bytes == nullptr) {
      current_ = 0;
      return DbfMove::kReadFailed;
    }
    if (bytes[0] != formats::dbf::kDeletedMark) {
      std::copy_n(bytes, record_.size(), record_.begin());
      current_ = static_cast<std::uint32_t>(number);
      return DbfMove::kMoved;
    }
  }
  current_ = 0;
  return DbfMove::kNoMoreRecords;
}

const char* DbfTable::RecordBytes(std::uint32_t number) {
  const std::size_t length = layout_.record_length;
  if (number >= window_first_ && number - window_first_ < window_records_) {
    return window_.data() + (number - window_first_) * length;
  }
  const bool sequential =
      window_records_ > 0 && number == window_first_ + window_records_;
  window_bytes_ =
      sequential ? std::min(window_bytes_ * 2, kWindowBytes) : kFirstWindowBytes;
  const std::size_t capacity = std::max<std::size_t>(1, window_bytes_ / length);
  if (window_.size() < capacity * length) window_.resize(capacity * length);
  const std::size_t wanted =
      std::min<std::size_t>(capacity, record_count_ - number + std::size_t{1});
  const std::uint64_t offset =
      layout_.header_length + static_cast<std::uint64_t>(number - 1) * length;
  const ssize_t got = ReadAt(file_, offset, window_.data(), wanted * length);
  // The file may have shrunk since it was opened.
  if (got < static_cast<ssize_t>(length)) {
    window_records_ = 0;
    return nullptr;
  }
  window_first_ = number;
  window_records_ = static_cast<std::uint32_t>(static_cast<std::size_t>(got) / length);
  return window_.data();
}

bool DbfTable::ReadRecords(std::uint32_t first, std::uint32_t count,
                           std::string& out) const {
  out.clear();
  if (first == 0 || first > record_count_) return true;
  const std::size_t length = layout_.record_length;
  const std::size_t records = std::min<std::size_t>(count, record_count_ - first + 1);
  out.resize(records * length);
  const ssize_t got = ReadAt(
      file_, layout_.header_length + static_cast<std::uint64_t>(first - 1) * length,
      out.data(), out.size());
  if (got < 0) return false;
  out.resize(static_cast<std::size_t>(got) / length * length);
  return true;
}

}  // namespace vdimpexp::legacy

#include "formats/common/target_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <string>

#include "data/db_error.h"

namespace vdimpexp::formats {
namespace {

// Large writes amortise the system calls on tables of millions of rows.
constexpr size_t kBufferSize = 1 << 16;

// Writes left before the injected fault; negative while none is injected.
std::atomic<int> writes_before_fault{-1};
std::atomic<bool> fault_fired{false};

// True when the test seam fails this write.
bool InjectedFault() {
  int left = writes_before_fault.load();
  if (left < 0) return false;
  if (left > 0) {
    writes_before_fault.store(left - 1);
    return false;
  }
  fault_fired.store(true);
  errno = ENOSPC;
  return true;
}

}  // namespace

struct TargetFile::Descriptor {
  int fd;
  int refused_error = 0;

  // The file's bytes reach the descriptor through these, so that every
  // write, the C library's and a library's own through Stream(), passes
  // one place.
  static ssize_t Write(void* cookie, const char* bytes, size_t size) {
    auto* self = static_cast<Descriptor*>(cookie);
    size_t done = 0;
    while (done < size) {
      ssize_t wrote = InjectedFault() ? -1 : ::write(self->fd, bytes + done, size - done);
      if (wrote < 0 && errno == EINTR) continue;
      if (wrote < 0 && self->refused_error == 0) self->refused_error = errno;
      if (wrote <= 0) return done > 0 ? static_cast<ssize_t>(done) : -1;
      done += static_cast<size_t>(wrote);
    }
    return static_cast<ssize_t>(done);
  }

  static int Seek(void* cookie, off64_t* offset, int whence) {
    off_t at = ::lseek(static_cast<Descriptor*>(cookie)->fd, *offset, whence);
    if (at < 0) return -1;
    *offset = at;
    return 0;
  }

  static int Close(void* cookie) { return ::close(static_cast<Descriptor*>(cookie)->fd); }
};

WriteFaultInjection::WriteFaultInjection(int nth) {
  fault_fired.store(false);
  writes_before_fault.store(nth > 0 ? nth - 1 : 0);
}

WriteFaultInjection::~WriteFaultInjection() { writes_before_fault.store(-1); }

bool WriteFaultInjection::Fired() const { return fault_fired.load(); }

std::filesystem::path TargetPath(const data::ExternalTarget& target) {
  return std::filesystem::path(target.database) / target.table;
}

TargetFile::TargetFile(std::filesystem::path path) : path_(std::move(path)) {
  // O_EXCL: fail instead of truncating when the file exists, decided by the
  // same system call that creates it.
  int fd = ::open(path_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  if (fd >= 0) {
    descriptor_ = std::make_unique<Descriptor>(Descriptor{.fd = fd});
    file_ = fopencookie(descriptor_.get(), "wb",
                        {.read = nullptr,
                         .write = Descriptor::Write,
                         .seek = Descriptor::Seek,
                         .close = Descriptor::Close});
    if (file_ == nullptr) {
      int error = errno;
      ::close(fd);
      ::unlink(path_.c_str());
      errno = error;
    }
  }
  if (file_ == nullptr) {
    if (errno == EEXIST) {
      std::error_code ignored;
      throw data::DbError(
          data::error_number::kEngineFailure,
          std::filesystem::is_directory(path_, ignored)
              ? "'" + path_.string() + "' is a folder; choose a file name to export to."
              : "The file '" + path_.string() +
                    "' already exists; an export never overwrites a file.");
    }
    Fail("creating");
  }
  std::setvbuf(file_, nullptr, _IOFBF, kBufferSize);
}

TargetFile::~TargetFile() {
  if (file_ != nullptr) std::fclose(file_);
}

int TargetFile::RefusedWriteError() const {
  return descriptor_ != nullptr ? descriptor_->refused_error : 0;
}

void TargetFile::Write(std::string_view bytes) {
  if (InjectedFault()) Fail("writing");
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

#include "support/file_routines.h"

#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <system_error>
#include <utility>

#include "data/text.h"

namespace vdimpexp::support {

using data::TrimSpaces;
namespace {

// The C library stops at the first NUL, so such a path would silently name a
// different (shorter) file. Refuse it outright instead.
bool IsUsablePath(std::string_view path) {
  return !path.empty() && path.find('\0') == std::string_view::npos;
}

}  // namespace

bool FileExists(std::string_view path) noexcept {
  if (!IsUsablePath(path)) return false;
  try {
    const std::filesystem::path fs_path(path);
    // Hidden-ness belongs to the name the caller asked about, not to the
    // target of a link: "link -> .profile" is a visible file named "link".
    const std::string name = fs_path.filename().native();
    if (!name.empty() && name.front() == '.') return false;
    std::error_code error;
    const auto status = std::filesystem::status(fs_path, error);
    return !error && status.type() == std::filesystem::file_type::regular;
  } catch (...) {
    // Only an allocation failure can get here; it is just another "no".
    return false;
  }
}

void DeleteFileQuietly(std::string_view path) noexcept {
  if (!IsUsablePath(path)) return;
  try {
    const std::string c_path(path);
    struct stat info {};
    if (::lstat(c_path.c_str(), &info) != 0) return;
    if (!S_ISREG(info.st_mode) && !S_ISLNK(info.st_mode)) return;
    // unlink(2), unlike std::filesystem::remove, refuses directories itself,
    // so a directory swapped in after the lstat above is still safe.
    (void)::unlink(c_path.c_str());
  } catch (...) {
    // Allocation failure: nothing was deleted, which is an ignored error too.
  }
}

FileSetAside::FileSetAside(std::string path) : path_(std::move(path)) {
  if (!IsUsablePath(path_)) return;
  std::string candidate = path_ + ".old";
  struct stat info {};
  for (int n = 2; ::lstat(candidate.c_str(), &info) == 0; ++n) {
    candidate = path_ + ".old" + std::to_string(n);
  }
  if (::rename(path_.c_str(), candidate.c_str()) == 0) aside_ = std::move(candidate);
}

FileSetAside::~FileSetAside() {
  if (aside_.empty()) return;
  // A failed write removes its own partial file; should one remain, the old
  // file still wins, since that is the one the user had.
  (void)::rename(aside_.c_str(), path_.c_str());
}

void FileSetAside::Discard() noexcept {
  DeleteFileQuietly(aside_);
  aside_.clear();
}

std::string FileNameOnly(std::string_view path) {
  const auto separator = path.find_last_of("/\\");
  if (separator != std::string_view::npos) path.remove_prefix(separator + 1);
  return std::string(TrimSpaces(path));
}

}  // namespace vdimpexp::support

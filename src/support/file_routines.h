#ifndef VDIMPEXP_SUPPORT_FILE_ROUTINES_H_
#define VDIMPEXP_SUPPORT_FILE_ROUTINES_H_

#include <string>
#include <string_view>

namespace vdimpexp::support {

// True when `path` names an ordinary file the user would see in a file list:
// a regular file (symbolic links are followed) whose own name does not start
// with "." (a hidden file). Directories, devices, sockets and fifos answer
// false, and so does every failure to look the path up (missing, empty, too
// long, no permission, an embedded NUL). This is the component's only
// existence test and never throws.
bool FileExists(std::string_view path) noexcept;

// Removes the file at `path` and ignores every failure. Only a regular file or
// a symbolic link (the link itself, never its target) is removed; a directory,
// even an empty one, and device, fifo or socket nodes are left alone. Never
// throws.
void DeleteFileQuietly(std::string_view path) noexcept;

// An existing file moved out of the way under an unused sibling name
// ("names.xls.old", "names.xls.old2", ...), so that a new file can be written
// under its name without losing the old one: unless Discard() is called once
// the new file is complete, the old file goes back under its name (replacing
// whatever a failed write left there) when this object ends. If the file
// cannot be moved, nothing is set aside and the file stays where it is.
class FileSetAside {
 public:
  explicit FileSetAside(std::string path);
  FileSetAside(const FileSetAside&) = delete;
  FileSetAside& operator=(const FileSetAside&) = delete;
  ~FileSetAside();

  // The new file is complete: the old one is deleted.
  void Discard() noexcept;

 private:
  std::string path_;
  std::string aside_;
};

// The last component of `path`, trimmed of leading and trailing spaces. Both
// "/" and "\" separate components, so paths typed the DOS way still work; a
// path without a separator is returned whole (trimmed) and a path ending in a
// separator gives empty text.
std::string FileNameOnly(std::string_view path);

}  // namespace vdimpexp::support

#endif  // VDIMPEXP_SUPPORT_FILE_ROUTINES_H_

#include "support/component_location.h"

#include <dlfcn.h>

#include <filesystem>

namespace vdimpexp::support {

std::string ComponentDirectory() {
  Dl_info info{};
  // Asking about one of our own functions names the file it was loaded
  // from, wherever the host found the library.
  if (dladdr(reinterpret_cast<void*>(&ComponentDirectory), &info) == 0 ||
      info.dli_fname == nullptr) {
    return std::filesystem::current_path().string();
  }
  std::error_code ec;
  std::filesystem::path file = std::filesystem::canonical(info.dli_fname, ec);
  if (ec) file = info.dli_fname;
  return file.parent_path().string();
}

}  // namespace vdimpexp::support

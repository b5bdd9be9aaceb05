#include "formats/file_formats.h"

#include <mutex>

#include "data/external_target.h"

namespace vdimpexp::formats {

void RegisterFileFormats() {
  static std::once_flag registered;
  std::call_once(registered, [] {
    // One line per connect type, writers in their own modules.
  });
}

}  // namespace vdimpexp::formats

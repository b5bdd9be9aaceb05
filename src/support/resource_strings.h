// The component's string table: texts its callers load by number.
#pragma once

#include <string>

namespace vdimpexp::support {

inline constexpr int kCommitQuestion = 101;
inline constexpr int kKeepZipCodesQuestion = 102;

// The text with `id`; empty text for an id the table does not hold.
inline std::string LoadResString(int id) {
  switch (id) {
    case kCommitQuestion:
      return "About to commit records. Continue ?";
    case kKeepZipCodesQuestion:
      return "Would you like to keep existing zip codes ?";
    default:
      return "";
  }
}

}  // namespace vdimpexp::support

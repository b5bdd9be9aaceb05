// Text as Lotus 1-2-3 worksheets store it. Release 3 and later keep labels
// in LMBCS, whose group 1 is code page 850: its bytes 0x80-0xFF stand alone
// when the file names group 1 as its default, and bytes below 0x20 switch
// to other groups. Release 2 itself kept labels in LICS, but Gnumeric, the
// reader that decodes Lotus text, reads the labels of every release, WK1
// included, as group 1, so the one encoding serves all three versions the
// export writes. Release 3 and 4 also read group 0x14, Unicode, and keep
// there what group 1 lacks.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace vdimpexp::formats {

// The LMBCS group the export's text is in, as a file header names it.
inline constexpr int kLmbcsGroup = 1;

// Appends the LMBCS group 1 form of `utf8` to `out`. Tab, line feed and
// carriage return pass as they are; other control characters would read
// as group marks and are refused like characters code page 850 lacks. On
// failure returns false and says in `problem` which character stood in the
// way. For names, which are never changed.
bool EncodeLmbcs(std::string_view utf8, std::string& out, std::string& problem);

enum class LmbcsGroups { kGroup1, kGroup1AndUnicode };

struct LmbcsLabel {
  size_t replaced = 0;  // characters written as "?"
  bool cut = false;     // whether the text did not fit `max_bytes`
};

// Appends the LMBCS form of `utf8` to `out`, in group 1 and, where
// `groups` allows, group 0x14; what neither holds (and what is no UTF-8)
// as "?". Stops before the character that would take the text past
// `max_bytes`.
LmbcsLabel EncodeLmbcsLabel(std::string_view utf8, LmbcsGroups groups, size_t max_bytes,
                            std::string& out);

}  // namespace vdimpexp::formats

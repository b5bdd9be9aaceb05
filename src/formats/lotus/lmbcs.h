// Text as Lotus 1-2-3 worksheets store it. Release 3 and later keep labels
// in LMBCS, whose group 1 is code page 850: its bytes 0x80-0xFF stand alone
// when the file names group 1 as its default, and bytes below 0x20 switch
// to other groups. Release 2 itself kept labels in LICS, but Gnumeric, the
// reader that decodes Lotus text, reads the labels of every release, WK1
// included, as group 1, so the one encoding serves all three versions the
// export writes. A character group 1 lacks is refused, never replaced.
#pragma once

#include <string>
#include <string_view>

namespace vdimpexp::formats {

// The LMBCS group the export's text is in, as a file header names it.
inline constexpr int kLmbcsGroup = 1;

// Appends the LMBCS group 1 form of `utf8` to `out`. Tab, line feed and
// carriage return pass as they are; other control characters would read
// as group marks and are refused like characters code page 850 lacks. On
// failure returns false and says in `problem` which character stood in the
// way.
bool EncodeLmbcs(std::string_view utf8, std::string& out, std::string& problem);

}  // namespace vdimpexp::formats

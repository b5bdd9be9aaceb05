// Windows-1252, the code page of the 8-bit formats the export writes
// (dBASE, Excel up to 95, Paradox): the data layer's UTF-8 text is encoded
// into it, and a character it lacks is refused rather than replaced, so no
// text changes on its way into a file.
#pragma once

#include <string>
#include <string_view>

namespace vdimpexp::formats {

// The Windows-1252 byte of a character, or -1 when the code page lacks it.
int Windows1252Byte(char32_t c);

// Appends the Windows-1252 form of `utf8` to `out`. On failure returns
// false and says in `problem` which character or bytes stood in the way.
bool EncodeWindows1252(std::string_view utf8, std::string& out, std::string& problem);

}  // namespace vdimpexp::formats

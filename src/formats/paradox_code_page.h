// The character sets of Paradox tables. Tables from Paradox 4 on name their
// code page in the header and are written in Windows-1252; Paradox 3 tables
// name none and hold the DOS code page 437 that their "ascii" sort order
// is built on, which is what Paradox 3 for DOS showed and what readers of
// such tables assume.
#pragma once

#include <string>
#include <string_view>

namespace vdimpexp::formats {

enum class ParadoxCodePage { k437, k1252 };

// The number the code page goes by ("437", "1252"), for messages.
std::string_view CodePageNumber(ParadoxCodePage code_page);

// Appends the bytes of `utf8` in `code_page` to `out`. On failure returns
// false and says in `problem` which character or bytes stood in the way.
bool EncodeParadoxText(ParadoxCodePage code_page, std::string_view utf8, std::string& out,
                       std::string& problem);

}  // namespace vdimpexp::formats

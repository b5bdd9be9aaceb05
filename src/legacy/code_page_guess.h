// Which code page the text of a table without a mark was written in,
// judged from its bytes. Only the code pages that can be told apart
// reliably are judged: DOS 437 (the legacy application's own), DOS 850,
// Windows 1252 and DOS 866. The Central European ones (852, 1250) share
// their letters' bytes with these too closely; the user chooses them.
#pragma once

#include <string>
#include <string_view>

namespace vdimpexp::legacy {

// "CP437", "CP850", "CP1252" or "CP866". Each candidate reads the words of
// `text` (runs of ASCII letters and bytes from 0x80 up): a byte that reads
// as a common letter fitting its word scores, one that reads as a letter of
// another script, as a capital after a small letter, as a sign inside a word
// or as no character at all counts against it. The best score wins; a tie, and
// text without such bytes, gives the earlier one in the order above.
std::string GuessUnmarkedCodePage(std::string_view text);

}  // namespace vdimpexp::legacy

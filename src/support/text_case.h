// The letter case and length rules imported text gets before it goes into a
// host column. Text is UTF-8; a character is a Unicode code point, so an
// accented letter is one letter, not a word break and not two characters.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace vdimpexp::support {

// The first character of every word in upper case, every other letter in
// lower case. Words are separated only by spaces, horizontal and vertical
// tabs, line feeds, carriage returns, form feeds and NUL characters, so an
// apostrophe or a hyphen belongs to its word: O'BRIEN gives O'brien,
// SMITH-JONES Smith-jones, ÉLODIE Élodie. Bytes that are not UTF-8 are kept
// as they are.
std::string ProperCase(std::string_view text);
// The same into `out` (replacing what it held; it must not hold `text`), so
// that a caller casing text after text reuses one buffer.
void ProperCase(std::string_view text, std::string& out);

// Every letter in upper case (letters without a single upper-case form,
// such as ß, stay as they are).
std::string UpperCase(std::string_view text);
void UpperCase(std::string_view text, std::string& out);

// The first `length` characters of the text (all of it when shorter). A
// character starts at every byte that does not continue a UTF-8 sequence,
// as the host counts a column's characters.
std::string_view CutToLength(std::string_view text, std::size_t length);

// What a text column of `length` characters keeps of the text: padded with
// spaces to the column's length, cut to it, then trimmed of spaces, which
// comes to the text cut to the length and trimmed. Too long a text is cut
// instead of refused.
std::string FitToLength(std::string_view text, std::size_t length);

}  // namespace vdimpexp::support

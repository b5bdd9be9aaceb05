// UTF-8, the encoding of every text value in the data layer: reading one
// character at a time, writing one, and naming one in a message.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace vdimpexp::data {

struct Utf8Character {
  char32_t code_point = 0;
  // Bytes the character takes; 0 when the bytes there are not well-formed
  // UTF-8 (a stray continuation byte, a cut sequence, an overlong form, a
  // surrogate, a value past U+10FFFF).
  size_t length = 0;
};

// A byte inside a character, not at its start.
inline bool IsUtf8ContinuationByte(char byte) {
  return (static_cast<unsigned char>(byte) & 0xC0) == 0x80;
}

// Characters in the text, as the host counts a text column's length: every
// byte that does not continue a sequence starts one.
size_t CharacterCount(std::string_view utf8);

// The character that starts at text[at]; `at` must be inside the text.
Utf8Character DecodeUtf8At(std::string_view text, size_t at);

void AppendUtf8(std::string& out, char32_t code_point);

// "U+00E9": how messages name a character that cannot be stored.
std::string CodePointName(char32_t code_point);

}  // namespace vdimpexp::data

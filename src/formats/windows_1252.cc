#include "formats/windows_1252.h"

#include <utility>

#include "data/utf8.h"

namespace vdimpexp::formats {
namespace {

// Characters Windows-1252 holds at bytes 0x80-0x9F. Bytes 0x81, 0x8D, 0x8F,
// 0x90 and 0x9D hold none (readers refuse them), so nothing is written there.
constexpr std::pair<char32_t, unsigned char> kHighCharacters[] = {
    {0x20AC, 0x80}, {0x201A, 0x82}, {0x0192, 0x83}, {0x201E, 0x84}, {0x2026, 0x85},
    {0x2020, 0x86}, {0x2021, 0x87}, {0x02C6, 0x88}, {0x2030, 0x89}, {0x0160, 0x8A},
    {0x2039, 0x8B}, {0x0152, 0x8C}, {0x017D, 0x8E}, {0x2018, 0x91}, {0x2019, 0x92},
    {0x201C, 0x93}, {0x201D, 0x94}, {0x2022, 0x95}, {0x2013, 0x96}, {0x2014, 0x97},
    {0x02DC, 0x98}, {0x2122, 0x99}, {0x0161, 0x9A}, {0x203A, 0x9B}, {0x0153, 0x9C},
    {0x017E, 0x9E}, {0x0178, 0x9F},
};

}  // namespace

int Windows1252Byte(char32_t c) {
  if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) return static_cast<int>(c);
  for (auto [character, byte] : kHighCharacters) {
    if (character == c) return byte;
  }
  return -1;
}

bool EncodeWindows1252(std::string_view utf8, std::string& out, std::string& problem) {
  for (size_t pos = 0; pos < utf8.size();) {
    if (static_cast<unsigned char>(utf8[pos]) < 0x80) {
      out += utf8[pos++];
      continue;
    }
    const data::Utf8Character decoded = data::DecodeUtf8At(utf8, pos);
    const char32_t c = decoded.code_point;
    const size_t length = decoded.length;
    if (length == 0) {
      problem = "the text is not valid UTF-8 (at byte " + std::to_string(pos + 1) + ")";
      return false;
    }
    int byte = Windows1252Byte(c);
    if (byte < 0) {
      problem = "the character '" + std::string(utf8.substr(pos, length)) + "' (" +
                data::CodePointName(c) + ") has no place in the Windows-1252 code page";
      return false;
    }
    out += static_cast<char>(byte);
    pos += length;
  }
  return true;
}

}  // namespace vdimpexp::formats

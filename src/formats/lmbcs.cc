#include "formats/lmbcs.h"

#include <iconv.h>

#include <algorithm>
#include <array>
#include <stdexcept>
#include <utility>

#include "data/utf8.h"

namespace vdimpexp::formats {
namespace {

// Code page 850's upper half, character to byte, sorted by character.
using UpperHalf = std::array<std::pair<char32_t, unsigned char>, 128>;

// glibc's own table of the code page, so no hand-copied table can slip.
UpperHalf ReadUpperHalf() {
  iconv_t to_utf32 = iconv_open("UTF-32LE", "CP850");
  if (to_utf32 == reinterpret_cast<iconv_t>(-1)) {
    throw std::runtime_error("the C library cannot convert from code page 850");
  }
  UpperHalf table;
  for (int byte = 0x80; byte <= 0xFF; ++byte) {
    char in = static_cast<char>(byte);
    unsigned char out[4] = {};
    char* in_at = &in;
    char* out_at = reinterpret_cast<char*>(out);
    size_t in_left = 1;
    size_t out_left = sizeof out;
    iconv(to_utf32, &in_at, &in_left, &out_at, &out_left);
    const char32_t c =
        out[0] | out[1] << 8 | out[2] << 16 | static_cast<char32_t>(out[3]) << 24;
    table[byte - 0x80] = {c, static_cast<unsigned char>(byte)};
  }
  iconv_close(to_utf32);
  std::sort(table.begin(), table.end());
  return table;
}

// The byte of `c` in code page 850's upper half, or -1.
int UpperByte(char32_t c) {
  static const UpperHalf table = ReadUpperHalf();
  auto found = std::lower_bound(table.begin(), table.end(),
                                std::pair<char32_t, unsigned char>{c, 0});
  return found != table.end() && found->first == c ? found->second : -1;
}

bool PassesAsItIs(char32_t c) { return c >= 0x20 || c == '\t' || c == '\n' || c == '\r'; }

}  // namespace

bool EncodeLmbcs(std::string_view utf8, std::string& out, std::string& problem) {
  for (size_t pos = 0; pos < utf8.size();) {
    const unsigned char first = static_cast<unsigned char>(utf8[pos]);
    if (first < 0x80) {
      if (!PassesAsItIs(first)) {
        problem =
            "the control character " + data::CodePointName(first) +
            " cannot stand in Lotus text, where it would read as a character group mark";
        return false;
      }
      out += utf8[pos++];
      continue;
    }
    const data::Utf8Character decoded = data::DecodeUtf8At(utf8, pos);
    if (decoded.length == 0) {
      problem = "the text is not valid UTF-8 (at byte " + std::to_string(pos + 1) + ")";
      return false;
    }
    const int byte = UpperByte(decoded.code_point);
    if (byte < 0) {
      problem = "the character '" + std::string(utf8.substr(pos, decoded.length)) +
                "' (" + data::CodePointName(decoded.code_point) +
                ") has no place in LMBCS group 1 (code page 850), the character set of "
                "Lotus text";
      return false;
    }
    out += static_cast<char>(byte);
    pos += decoded.length;
  }
  return true;
}

}  // namespace vdimpexp::formats

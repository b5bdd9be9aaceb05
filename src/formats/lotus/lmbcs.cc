#include "formats/lotus/lmbcs.h"

#include <algorithm>

#include "data/utf8.h"
#include "formats/common/single_byte_code_page.h"

namespace vdimpexp::formats {
namespace {

constexpr char kUnicodeGroup = 0x14;

bool PassesAsItIs(char32_t c) { return c >= 0x20 || c == '\t' || c == '\n' || c == '\r'; }

// Group 0x14 holds a character as its UTF-16 code unit, high byte first.
// Readers leave the private use area to the program that filled it, and a
// zero byte would end the label for a reader that takes it as a C string.
bool UnicodeGroupHolds(char32_t c) {
  const bool private_use = c >= 0xE000 && c <= 0xF8FF;
  return c <= 0xFFFF && !private_use && (c >> 8) != 0 && (c & 0xFF) != 0;
}

}  // namespace

bool EncodeLmbcs(std::string_view utf8, std::string& out, std::string& problem) {
  for (unsigned char c : utf8) {
    if (!PassesAsItIs(c)) {
      problem =
          "the control character " + data::CodePointName(c) +
          " cannot stand in Lotus text, where it would read as a character group mark";
      return false;
    }
  }
  return CodePage850().Encode(utf8, out, problem);
}

LmbcsLabel EncodeLmbcsLabel(std::string_view utf8, LmbcsGroups groups, size_t max_bytes,
                            std::string& out) {
  LmbcsLabel label;
  const size_t start = out.size();
  for (size_t at = 0; at < utf8.size();) {
    // Printable ASCII, most of any text, stands for itself in every group.
    size_t run = at;
    while (run < utf8.size() && utf8[run] >= 0x20 && utf8[run] < 0x7F) ++run;
    if (run > at) {
      const size_t room = max_bytes - (out.size() - start);
      out.append(utf8.substr(at, std::min(run - at, room)));
      if (run - at > room) {
        label.cut = true;
        break;
      }
      at = run;
      continue;
    }
    const data::Utf8Character character = data::DecodeUtf8At(utf8, at);
    const char32_t c = character.code_point;
    char bytes[3] = {'?'};
    size_t length = 1;
    bool replaced = false;
    int group1_byte = -1;
    if (character.length > 0 && PassesAsItIs(c)) group1_byte = CodePage850().ByteOf(c);
    if (group1_byte >= 0) {
      bytes[0] = static_cast<char>(group1_byte);
    } else if (character.length > 0 && groups == LmbcsGroups::kGroup1AndUnicode &&
               UnicodeGroupHolds(c)) {
      bytes[0] = kUnicodeGroup;
      bytes[1] = static_cast<char>(c >> 8);
      bytes[2] = static_cast<char>(c & 0xFF);
      length = 3;
    } else {
      replaced = true;
    }
    if (out.size() - start + length > max_bytes) {
      label.cut = true;
      break;
    }
    out.append(bytes, length);
    label.replaced += replaced;
    at += std::max<size_t>(character.length, 1);
  }
  return label;
}

}  // namespace vdimpexp::formats

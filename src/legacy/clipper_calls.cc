#include "legacy/clipper_calls.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <span>
#include <string_view>

namespace vdimpexp::legacy {
namespace {

// No byte has its top bit set and none is NUL; eight bytes at a time.
bool AsciiWithoutNul(std::string_view bytes) {
  constexpr std::uint64_t kOnes = 0x0101010101010101ULL;
  constexpr std::uint64_t kTops = 0x8080808080808080ULL;
  std::size_t at = 0;
  for (; at + 8 <= bytes.size(); at += 8) {
    std::uint64_t word;
    std::memcpy(&word, bytes.data() + at, sizeof word);
    // A top bit of its own, or one the subtraction borrows into from a NUL.
    if ((word | ((word - kOnes) & ~word)) & kTops) return false;
  }
  for (; at < bytes.size(); ++at) {
    const auto byte = static_cast<unsigned char>(bytes[at]);
    if (byte == 0 || byte >= 0x80) return false;
  }
  return true;
}

}  // namespace

std::string FieldText(FieldHandle field) {
  std::string text;
  FieldText(field, text);
  return text;
}

void FieldText(FieldHandle field, std::string& text) {
  text.clear();
  const FieldContent content = CurrentFieldContent(field);
  const char* address = content.bytes;
  if (address == nullptr) return;
  const std::size_t width = content.width;
  const CodePage& code_page = *content.code_page;
  // Most fields hold ASCII only: their bytes are their text, NULs read as
  // spaces.
  if (code_page.ascii_passes()) {
    text.assign(address, width);
    if (AsciiWithoutNul(text)) return;
    std::replace(text.begin(), text.end(), '\0', ' ');
    if (AsciiWithoutNul(text)) return;
    text.clear();
  }
  // The header parser keeps a field within 32767 bytes (the memo reader a
  // memo within 1 MB), and one in the width of a usual character field is
  // copied to the stack.
  std::array<char, 256> small;
  std::string large;
  char* bytes = small.data();
  if (width > small.size()) {
    large.resize(width);
    bytes = large.data();
  }
  u4memCpy(bytes, address, static_cast<std::uint32_t>(width));
  std::replace(bytes, bytes + width, '\0', ' ');

  const std::size_t characters = code_page.Decode(std::string_view(bytes, width), text);
  // A multi-byte code page packs the field into fewer characters; the text
  // is still as wide as the field, as callers that cut it by position expect.
  // A memo's text has no width but its own.
  if (!content.memo && characters < width) text.append(width - characters, ' ');
}

void FormatDbfDate(const std::string& date_text, std::string& result,
                   const std::string& picture) {
  result.assign(picture.size() + 1, ' ');
  date4format(date_text, std::span<char>(result), picture);
  result.resize(picture.size());
}

}  // namespace vdimpexp::legacy

#include "support/phone_number.h"

#include <algorithm>
#include <array>
#include <cstddef>

#include "data/text.h"
#include "data/utf8.h"

namespace vdimpexp::support {

using data::TrimSpaces;
namespace {

// The host's phone columns are sized in characters, not bytes.
constexpr std::size_t kMaxCharacters = 24;
constexpr std::string_view kMask = "(@@@)@@@-@@@@";
constexpr std::size_t kMaskPlaceholders = 10;

// The characters looked at, as where each starts in the text and how many
// bytes it takes, so that a number is taken apart without allocating.
struct Characters {
  std::size_t count = 0;
  std::array<std::size_t, kMaxCharacters> start;
  std::array<unsigned char, kMaxCharacters> length;
};

// The first characters of `text`, up to kMaxCharacters.
void SplitCharacters(std::string_view text, Characters& characters) {
  for (std::size_t at = 0; at < text.size() && characters.count < kMaxCharacters;) {
    // Malformed bytes are carried through one by one instead of refused.
    const auto lead = static_cast<unsigned char>(text[at]);
    const std::size_t length =
        lead < 0x80 ? 1 : std::max<std::size_t>(data::DecodeUtf8At(text, at).length, 1);
    characters.start[characters.count] = at;
    characters.length[characters.count] = static_cast<unsigned char>(length);
    ++characters.count;
    at += length;
  }
}

bool IsPunctuationToDrop(std::string_view character) {
  if (character.size() != 1) return false;
  switch (character[0]) {
    case '(':
    case ')':
    case '[':
    case ']':
    case '-':
    case ' ':
      return true;
    default:
      return false;
  }
}

}  // namespace

std::string FormatPhoneNumber(std::string_view phone) {
  std::string formatted;
  FormatPhoneNumber(phone, formatted);
  return formatted;
}

void FormatPhoneNumber(std::string_view phone, std::string& out) {
  out.clear();
  const std::string_view trimmed = TrimSpaces(phone);
  if (trimmed.empty()) return;

  // Only the first 24 characters are looked at. (Padding a shorter number out
  // to 24 with spaces would change nothing: spaces are dropped next.)
  Characters characters;
  SplitCharacters(trimmed, characters);

  Characters digits;
  for (std::size_t i = 0; i < characters.count; ++i) {
    const std::string_view character =
        trimmed.substr(characters.start[i], characters.length[i]);
    if (IsPunctuationToDrop(character)) continue;
    digits.start[digits.count] = characters.start[i];
    digits.length[digits.count] = characters.length[i];
    ++digits.count;
  }
  const std::size_t digit_count = digits.count;
  auto digit = [&](std::size_t i) {
    return trimmed.substr(digits.start[i], digits.length[i]);
  };

  // The mask is filled from the right, so a number typed without its area
  // code lands in the local part and leaves the area code blank. At most
  // kMaxCharacters characters of at most four bytes are written.
  std::array<char, kMaxCharacters * 4> formatted;
  char* end = formatted.data();
  auto put = [&end](std::string_view character) {
    end = std::copy(character.begin(), character.end(), end);
  };
  const std::size_t filled = std::min(digit_count, kMaskPlaceholders);
  std::size_t blanks = kMaskPlaceholders - filled;
  std::size_t next_digit = 0;
  for (char mask_char : kMask) {
    if (mask_char != '@') {
      *end++ = mask_char;
    } else if (blanks > 0) {
      *end++ = ' ';
      --blanks;
    } else {
      put(digit(next_digit++));
    }
  }

  // The eleventh character is the one separating number and extension (the
  // "x" of "x89"), so the extension starts at the twelfth.
  *end++ = ' ';
  std::size_t written = kMask.size() + 1;
  for (std::size_t i = kMaskPlaceholders + 1; i < digit_count && written < kMaxCharacters;
       ++i, ++written) {
    put(digit(i));
  }
  out.assign(TrimSpaces(std::string_view(formatted.data(), end - formatted.data())));
}

}  // namespace vdimpexp::support

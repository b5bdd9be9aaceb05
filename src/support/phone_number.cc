#include "support/phone_number.h"

#include <algorithm>
#include <cstddef>
#include <vector>

#include "data/text.h"
#include "data/utf8.h"

namespace vdimpexp::support {

using data::TrimSpaces;
namespace {

// The host's phone columns are sized in characters, not bytes.
constexpr std::size_t kMaxCharacters = 24;
constexpr std::string_view kMask = "(@@@)@@@-@@@@";
constexpr std::size_t kMaskPlaceholders = 10;

std::vector<std::string_view> SplitCharacters(std::string_view text) {
  std::vector<std::string_view> characters;
  while (!text.empty()) {
    // Malformed bytes are carried through one by one instead of refused.
    const std::size_t length = std::max<std::size_t>(data::DecodeUtf8At(text, 0).length, 1);
    characters.push_back(text.substr(0, length));
    text.remove_prefix(length);
  }
  return characters;
}

bool IsPunctuationToDrop(std::string_view character) {
  return character.size() == 1 &&
         std::string_view("()[]- ").find(character[0]) != std::string_view::npos;
}

}  // namespace

std::string FormatPhoneNumber(std::string_view phone) {
  const std::string_view trimmed = TrimSpaces(phone);
  if (trimmed.empty()) return {};

  // Only the first 24 characters are looked at. (Padding a shorter number out
  // to 24 with spaces would change nothing: spaces are dropped next.)
  std::vector<std::string_view> characters = SplitCharacters(trimmed);
  if (characters.size() > kMaxCharacters) characters.resize(kMaxCharacters);

  std::vector<std::string_view> digits;
  std::copy_if(characters.begin(), characters.end(), std::back_inserter(digits),
               [](std::string_view c) { return !IsPunctuationToDrop(c); });

  // The mask is filled from the right, so a number typed without its area
  // code lands in the local part and leaves the area code blank.
  const std::size_t filled = std::min(digits.size(), kMaskPlaceholders);
  std::size_t blanks = kMaskPlaceholders - filled;
  std::size_t next_digit = 0;
  std::vector<std::string_view> result;
  for (const char& mask_char : kMask) {
    if (mask_char != '@') {
      result.emplace_back(&mask_char, 1);
    } else if (blanks > 0) {
      result.emplace_back(" ");
      --blanks;
    } else {
      result.push_back(digits[next_digit++]);
    }
  }

  // The eleventh character is the one separating number and extension (the
  // "x" of "x89"), so the extension starts at the twelfth.
  result.emplace_back(" ");
  if (digits.size() > kMaskPlaceholders + 1) {
    result.insert(result.end(), digits.begin() + kMaskPlaceholders + 1, digits.end());
  }
  if (result.size() > kMaxCharacters) result.resize(kMaxCharacters);

  std::string joined;
  for (std::string_view c : result) joined.append(c);
  return std::string(TrimSpaces(joined));
}

}  // namespace vdimpexp::support

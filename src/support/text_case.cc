#include "support/text_case.h"

#include <locale.h>
#include <wctype.h>

#include "data/text.h"
#include "data/utf8.h"

namespace vdimpexp::support {
namespace {

// Case mapping beyond ASCII comes from the C library's Unicode tables,
// through a locale object of our own, so the process's locale (often plain
// "C", which maps ASCII only) has no say in it.
locale_t Utf8Locale() {
  static const locale_t locale =
      newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(nullptr));
  return locale;
}

char32_t ToUpper(char32_t c) {
  if (c < 0x80) return c >= 'a' && c <= 'z' ? c - 0x20 : c;
  locale_t locale = Utf8Locale();
  return locale ? static_cast<char32_t>(towupper_l(static_cast<wint_t>(c), locale)) : c;
}

char32_t ToLower(char32_t c) {
  if (c < 0x80) return c >= 'A' && c <= 'Z' ? c + 0x20 : c;
  locale_t locale = Utf8Locale();
  return locale ? static_cast<char32_t>(towlower_l(static_cast<wint_t>(c), locale)) : c;
}

bool IsWordBreak(char32_t c) {
  return c == ' ' || c == '\t' || c == '\v' || c == '\n' || c == '\r' || c == '\f' ||
         c == '\0';
}

// Maps every character of `text` through map(character, starts_a_word) into
// `out`. An ASCII byte is its own character, mapped without decoding it.
template <typename Map>
void MapCharacters(std::string_view text, std::string& out, Map map) {
  // The ASCII start of the text, usually all of it, byte for byte in place.
  out.resize(text.size());
  bool word_start = true;
  std::size_t at = 0;
  for (char* ascii = out.data(); at < text.size(); ++at) {
    const auto byte = static_cast<unsigned char>(text[at]);
    if (byte >= 0x80) break;
    ascii[at] = static_cast<char>(map(byte, word_start));
    word_start = IsWordBreak(byte);
  }
  out.resize(at);
  while (at < text.size()) {
    const auto byte = static_cast<unsigned char>(text[at]);
    if (byte < 0x80) {
      out += static_cast<char>(map(byte, word_start));
      word_start = IsWordBreak(byte);
      ++at;
      continue;
    }
    const data::Utf8Character character = data::DecodeUtf8At(text, at);
    if (character.length == 0) {
      out += text[at++];
      word_start = false;
      continue;
    }
    data::AppendUtf8(out, map(character.code_point, word_start));
    word_start = IsWordBreak(character.code_point);
    at += character.length;
  }
}

}  // namespace

void ProperCase(std::string_view text, std::string& out) {
  MapCharacters(text, out, [](char32_t c, bool word_start) {
    return word_start ? ToUpper(c) : ToLower(c);
  });
}

void UpperCase(std::string_view text, std::string& out) {
  MapCharacters(text, out, [](char32_t c, bool) { return ToUpper(c); });
}

std::string ProperCase(std::string_view text) {
  std::string out;
  ProperCase(text, out);
  return out;
}

std::string UpperCase(std::string_view text) {
  std::string out;
  UpperCase(text, out);
  return out;
}

std::string_view CutToLength(std::string_view text, std::size_t length) {
  // No more bytes than the length means no more characters either.
  if (text.size() <= length) return text;
  std::size_t characters = 0;
  for (std::size_t at = 0; at < text.size(); ++at) {
    if (data::IsUtf8ContinuationByte(text[at])) continue;
    if (characters == length) return text.substr(0, at);
    ++characters;
  }
  return text;
}

std::string FitToLength(std::string_view text, std::size_t length) {
  return std::string(data::TrimSpaces(CutToLength(text, length)));
}

}  // namespace vdimpexp::support

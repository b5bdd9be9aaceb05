#include "legacy/code_page_guess.h"

#include <array>
#include <memory>
#include <vector>

#include "data/utf8.h"
#include "legacy/code_page.h"

namespace vdimpexp::legacy {
namespace {

constexpr const char* kCandidates[] = {"CP437", "CP850", "CP1252", "CP866"};

enum class Script { kNone, kLatin, kGreek, kCyrillic };

// What a byte from 0x80 up reads as in one candidate.
struct Reading {
  Script script = Script::kNone;  // kNone: not a letter
  bool capital = false;
  bool no_character = false;  // the code page leaves the byte undefined
  bool quote = false;         // quotation marks and apostrophes stand anywhere
  bool rare = false;          // a letter too rare in names to tell anything
};

bool IsAsciiLetter(unsigned char byte) {
  return (byte | 0x20) >= 'a' && (byte | 0x20) <= 'z';
}

Reading ReadingOf(char32_t c) {
  Reading reading;
  if (c == 0xFFFD) {
    reading.no_character = true;
  } else if (c >= 0x2018 && c <= 0x201F) {
    reading.quote = true;
  } else if (c >= 0xC0 && c <= 0xFF && c != 0xD7 && c != 0xF7) {
    reading = {Script::kLatin, c <= 0xDE};
    // Icelandic's thorn and eth, which the DOS code pages hold where Windows
    // text has common letters.
    reading.rare = c == 0xD0 || c == 0xDE || c == 0xF0 || c == 0xFE;
  } else if (c >= 0x100 && c <= 0x17F) {
    // Capitals and small letters alternate, in two runs of different parity.
    const bool odd_capitals = (c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E);
    reading = {Script::kLatin, c == 0x178 || (c % 2 == 1) == odd_capitals};
    reading.rare = c == 0x131;  // the dotless i
  } else if (c >= 0x386 && c <= 0x3FF) {
    reading = {Script::kGreek, c >= 0x391 && c <= 0x3AB};
  } else if (c >= 0x400 && c <= 0x4FF) {
    reading = {Script::kCyrillic, c <= 0x42F || (c >= 0x460 && c % 2 == 0)};
  }
  return reading;
}

using Readings = std::array<Reading, 128>;  // of the bytes 0x80 to 0xFF

// The candidate's readings; nullptr when iconv does not know it.
std::unique_ptr<Readings> ReadingsOf(const char* iconv_name) {
  const std::unique_ptr<CodePage> code_page = CodePage::Open(iconv_name);
  if (!code_page) return nullptr;
  auto readings = std::make_unique<Readings>();
  std::string utf8;
  for (int byte = 0x80; byte <= 0xFF; ++byte) {
    utf8.clear();
    const char raw = static_cast<char>(byte);
    code_page->Decode(std::string_view(&raw, 1), utf8);
    (*readings)[byte - 0x80] = ReadingOf(data::DecodeUtf8At(utf8, 0).code_point);
  }
  return readings;
}

// How well `word` (ASCII letters and bytes from 0x80 up) reads.
int WordScore(std::string_view word, const Readings& readings) {
  // A word with ASCII letters is Latin; else its letters' most common script.
  std::array<int, 4> letters{};
  bool ascii = false;
  for (unsigned char byte : word) {
    if (byte < 0x80) {
      ascii = true;
    } else {
      ++letters[static_cast<int>(readings[byte - 0x80].script)];
    }
  }
  Script script = Script::kLatin;
  if (!ascii) {
    for (Script candidate : {Script::kGreek, Script::kCyrillic}) {
      if (letters[static_cast<int>(candidate)] > letters[static_cast<int>(script)]) {
        script = candidate;
      }
    }
  }
  int score = 0;
  bool after_small_letter = false;
  for (std::size_t at = 0; at < word.size(); ++at) {
    const auto byte = static_cast<unsigned char>(word[at]);
    if (byte < 0x80) {
      after_small_letter = byte >= 'a';
      continue;
    }
    const Reading& reading = readings[byte - 0x80];
    const bool inside = at > 0 && at + 1 < word.size();
    if (reading.no_character) {
      score -= 2;
    } else if (reading.script == Script::kNone) {
      if (inside && !reading.quote) --score;
    } else if (reading.script != script || (reading.capital && after_small_letter)) {
      --score;
    } else if (!reading.rare) {
      ++score;
    }
    after_small_letter = reading.script != Script::kNone && !reading.capital;
  }
  return score;
}

}  // namespace

std::string GuessUnmarkedCodePage(std::string_view text) {
  std::vector<std::string_view> words;
  for (std::size_t at = 0; at < text.size();) {
    auto in_word = [&](std::size_t i) {
      const auto byte = static_cast<unsigned char>(text[i]);
      return byte >= 0x80 || IsAsciiLetter(byte);
    };
    if (!in_word(at)) {
      ++at;
      continue;
    }
    std::size_t end = at;
    bool high = false;
    while (end < text.size() && in_word(end)) {
      high = high || static_cast<unsigned char>(text[end]) >= 0x80;
      ++end;
    }
    if (high) words.push_back(text.substr(at, end - at));
    at = end;
  }
  std::string best = kCandidates[0];
  if (words.empty()) return best;
  int best_score = 0;
  bool scored = false;
  // The readings stay the same for the program's life: built once.
  static const std::array<std::unique_ptr<Readings>, std::size(kCandidates)> readings_of =
      [] {
        std::array<std::unique_ptr<Readings>, std::size(kCandidates)> all;
        for (std::size_t i = 0; i < all.size(); ++i) all[i] = ReadingsOf(kCandidates[i]);
        return all;
      }();
  for (std::size_t i = 0; i < readings_of.size(); ++i) {
    const char* candidate = kCandidates[i];
    const Readings* readings = readings_of[i].get();
    if (!readings) continue;
    int score = 0;
    for (std::string_view word : words) score += WordScore(word, *readings);
    if (!scored || score > best_score) {
      best = candidate;
      best_score = score;
      scored = true;
    }
  }
  return best;
}

}  // namespace vdimpexp::legacy

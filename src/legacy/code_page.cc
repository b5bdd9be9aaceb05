#include "legacy/code_page.h"

#include <cerrno>
#include <cstdint>
#include <cstring>

#include "data/utf8.h"

namespace vdimpexp::legacy {
namespace {

constexpr std::string_view kReplacement = "\xEF\xBF\xBD";  // U+FFFD
const iconv_t kNoConverter = reinterpret_cast<iconv_t>(-1);

}  // namespace

// Eight bytes at a time.
bool IsAscii(std::string_view bytes) {
  constexpr std::uint64_t kTopBits = 0x8080808080808080ULL;
  std::size_t at = 0;
  std::uint64_t seen = 0;
  for (; at + 8 <= bytes.size(); at += 8) {
    std::uint64_t word;
    std::memcpy(&word, bytes.data() + at, sizeof word);
    seen |= word;
  }
  for (; at < bytes.size(); ++at) seen |= static_cast<unsigned char>(bytes[at]);
  return (seen & kTopBits) == 0;
}

std::unique_ptr<CodePage> CodePage::Open(const std::string& iconv_name) {
  std::unique_ptr<CodePage> code_page(new CodePage(iconv_name));
  code_page->converter_ = iconv_open("UTF-8", iconv_name.c_str());
  if (code_page->converter_ == kNoConverter) return nullptr;
  code_page->single_byte_ = code_page->BuildByteTable();
  return code_page;
}

std::unique_ptr<CodePage> CodePage::AsciiOnly() {
  std::unique_ptr<CodePage> code_page(new CodePage("ASCII"));
  for (int byte = 0; byte < 256; ++byte) {
    if (byte < 0x80) {
      code_page->utf8_of_byte_[byte][0] = static_cast<char>(byte);
      code_page->utf8_length_[byte] = 1;
    } else {
      kReplacement.copy(code_page->utf8_of_byte_[byte].data(), kReplacement.size());
      code_page->utf8_length_[byte] = kReplacement.size();
    }
  }
  code_page->single_byte_ = true;
  code_page->ascii_passes_ = true;
  return code_page;
}

CodePage::~CodePage() {
  if (converter_ != kNoConverter) iconv_close(converter_);
}

// Decodes every byte on its own. False when some byte starts a longer
// sequence (UTF-8, Shift-JIS, GBK, ...) or yields other than one character:
// such code pages need the converter for every field.
bool CodePage::BuildByteTable() {
  int ascii_passing = 0;
  for (int byte = 0; byte < 256; ++byte) {
    // The ASCII bytes come first: by the time a later byte shows the code
    // page to be a multi-byte one, they have all been tried.
    if (byte == 0x80) ascii_passes_ = ascii_passing == 0x80;
    iconv(converter_, nullptr, nullptr, nullptr, nullptr);
    char in_byte = static_cast<char>(byte);
    char* in = &in_byte;
    std::size_t in_left = 1;
    std::array<char, 16> buffer;
    char* out = buffer.data();
    std::size_t out_left = buffer.size();
    if (iconv(converter_, &in, &in_left, &out, &out_left) ==
        static_cast<std::size_t>(-1)) {
      if (errno != EILSEQ) return false;
      kReplacement.copy(utf8_of_byte_[byte].data(), kReplacement.size());
      utf8_length_[byte] = kReplacement.size();
      continue;
    }
    // Code pages with combining marks hold a letter back until they see what
    // follows; the flush hands it over.
    iconv(converter_, nullptr, nullptr, &out, &out_left);
    const std::string_view produced(buffer.data(), out - buffer.data());
    if (data::CharacterCount(produced) != 1 || produced.size() > 4) return false;
    produced.copy(utf8_of_byte_[byte].data(), produced.size());
    utf8_length_[byte] = static_cast<unsigned char>(produced.size());
    if (byte < 0x80 && produced.size() == 1 && produced[0] == static_cast<char>(byte)) {
      ++ascii_passing;
    }
  }
  return true;
}

std::size_t CodePage::Decode(std::string_view bytes, std::string& out) const {
  if (ascii_passes_ && IsAscii(bytes)) {
    out.append(bytes);
    return bytes.size();
  }
  if (!single_byte_) return DecodeWithIconv(bytes, out);
  out.reserve(out.size() + bytes.size());
  for (unsigned char byte : bytes) {
    out.append(utf8_of_byte_[byte].data(), utf8_length_[byte]);
  }
  return bytes.size();
}

std::size_t CodePage::DecodeWithIconv(std::string_view bytes, std::string& out) const {
  const std::size_t start = out.size();
  iconv(converter_, nullptr, nullptr, nullptr, nullptr);
  // iconv's interface is not const-correct; it only reads the input.
  char* in = const_cast<char*>(bytes.data());
  std::size_t in_left = bytes.size();
  std::array<char, 256> buffer;
  while (in_left > 0) {
    char* out_at = buffer.data();
    std::size_t out_left = buffer.size();
    const std::size_t result = iconv(converter_, &in, &in_left, &out_at, &out_left);
    out.append(buffer.data(), out_at - buffer.data());
    if (result != static_cast<std::size_t>(-1) || errno == E2BIG) continue;
    out.append(kReplacement);
    if (errno != EILSEQ) break;  // an incomplete sequence at the end of the field
    ++in;
    --in_left;
  }
  char* out_at = buffer.data();
  std::size_t out_left = buffer.size();
  iconv(converter_, nullptr, nullptr, &out_at, &out_left);
  out.append(buffer.data(), out_at - buffer.data());
  return data::CharacterCount(std::string_view(out).substr(start));
}

}  // namespace vdimpexp::legacy

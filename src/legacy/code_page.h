// Turns the bytes of a DBF table's text into UTF-8, through glibc's iconv.
#pragma once

#include <iconv.h>

#include <array>
#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

namespace vdimpexp::legacy {

// No byte of `bytes` has its top bit set: text every ASCII-based code page
// reads the same.
bool IsAscii(std::string_view bytes);

class CodePage {
 public:
  // nullptr when iconv does not know `iconv_name` ("CP437", "CP1252",
  // "UTF-8", ...).
  static std::unique_ptr<CodePage> Open(const std::string& iconv_name);
  // The last resort when iconv knows nothing at all: ASCII passes, every
  // other byte becomes U+FFFD.
  static std::unique_ptr<CodePage> AsciiOnly();

  ~CodePage();
  CodePage(const CodePage&) = delete;
  CodePage& operator=(const CodePage&) = delete;

  const std::string& name() const { return name_; }
  // True when every byte below 0x80 decodes to the same ASCII character, so
  // that text of such bytes needs no decoding.
  bool ascii_passes() const { return ascii_passes_; }

  // Appends the UTF-8 text of `bytes` to `out`; a byte sequence that does not
  // decode becomes U+FFFD, never an error. Returns the number of characters
  // (code points) appended: as many as `bytes` has for a single-byte code
  // page, possibly fewer for UTF-8 or the East Asian ones.
  std::size_t Decode(std::string_view bytes, std::string& out) const;

 private:
  explicit CodePage(std::string name) : name_(std::move(name)) {}
  bool BuildByteTable();
  std::size_t DecodeWithIconv(std::string_view bytes, std::string& out) const;

  std::string name_;
  // Single-byte code pages decode through a table built once, so a field
  // costs no iconv call; multi-byte ones go through the converter.
  bool single_byte_ = false;
  // Every byte below 0x80 decodes, on its own, to the same ASCII character:
  // a field of such bytes is its own UTF-8, copied as it is.
  bool ascii_passes_ = false;
  std::array<std::array<char, 4>, 256> utf8_of_byte_{};
  std::array<unsigned char, 256> utf8_length_{};
  iconv_t converter_ = reinterpret_cast<iconv_t>(-1);
};

}  // namespace vdimpexp::legacy

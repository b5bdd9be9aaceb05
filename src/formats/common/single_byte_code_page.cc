#include "formats/common/single_byte_code_page.h"

#include <iconv.h>

#include <algorithm>
#include <stdexcept>

#include "data/utf8.h"

namespace vdimpexp::formats {

SingleByteCodePage::SingleByteCodePage(const char* iconv_name, std::string name)
    : name_(std::move(name)) {
  iconv_t to_utf32 = iconv_open("UTF-32LE", iconv_name);
  if (to_utf32 == reinterpret_cast<iconv_t>(-1)) {
    throw std::runtime_error(std::string("the C library cannot convert from ") +
                             iconv_name);
  }
  for (int byte = 0x80; byte <= 0xFF; ++byte) {
    char in = static_cast<char>(byte);
    unsigned char out[4] = {};
    char* in_at = &in;
    char* out_at = reinterpret_cast<char*>(out);
    size_t in_left = 1;
    size_t out_left = sizeof out;
    if (iconv(to_utf32, &in_at, &in_left, &out_at, &out_left) ==
        static_cast<size_t>(-1)) {
      continue;  // a byte the code page leaves undefined
    }
    const char32_t c =
        out[0] | out[1] << 8 | out[2] << 16 | static_cast<char32_t>(out[3]) << 24;
    upper_half_.emplace_back(c, static_cast<unsigned char>(byte));
  }
  iconv_close(to_utf32);
  std::sort(upper_half_.begin(), upper_half_.end());
}

int SingleByteCodePage::ByteOf(char32_t c) const {
  if (c < 0x80) return static_cast<int>(c);
  auto found = std::lower_bound(upper_half_.begin(), upper_half_.end(),
                                std::pair<char32_t, unsigned char>{c, 0});
  return found != upper_half_.end() && found->first == c ? found->second : -1;
}

template <typename Missing>
bool SingleByteCodePage::EncodeEach(std::string_view utf8, std::string& out,
                                    Missing missing) const {
  for (size_t pos = 0; pos < utf8.size();) {
    if (static_cast<unsigned char>(utf8[pos]) < 0x80) {
      out += utf8[pos++];
      continue;
    }
    const data::Utf8Character decoded = data::DecodeUtf8At(utf8, pos);
    const int byte = decoded.length == 0 ? -1 : ByteOf(decoded.code_point);
    if (byte < 0 && !missing(pos, decoded.length)) return false;
    if (byte >= 0) out += static_cast<char>(byte);
    pos += std::max<size_t>(decoded.length, 1);
  }
  return true;
}

bool SingleByteCodePage::Encode(std::string_view utf8, std::string& out,
                                std::string& problem) const {
  return EncodeEach(utf8, out, [&](size_t at, size_t length) {
    if (length == 0) {
      problem = "the text is not valid UTF-8 (at byte " + std::to_string(at + 1) + ")";
    } else {
      problem = "the character '" + std::string(utf8.substr(at, length)) + "' (" +
                data::CodePointName(data::DecodeUtf8At(utf8, at).code_point) +
                ") has no place in " + name_;
    }
    return false;
  });
}

size_t SingleByteCodePage::EncodeReplacing(std::string_view utf8,
                                           std::string& out) const {
  size_t replaced = 0;
  EncodeEach(utf8, out, [&](size_t, size_t) {
    out += '?';
    ++replaced;
    return true;
  });
  return replaced;
}

const SingleByteCodePage& Windows1252() {
  static const SingleByteCodePage code_page("CP1252", "the Windows-1252 code page");
  return code_page;
}

const SingleByteCodePage& CodePage437() {
  static const SingleByteCodePage code_page("CP437", "the DOS code page 437");
  return code_page;
}

const SingleByteCodePage& CodePage850() {
  static const SingleByteCodePage code_page("CP850", "code page 850");
  return code_page;
}

}  // namespace vdimpexp::formats

// The 8-bit code pages the export writes text in: Windows-1252 (dBASE,
// Excel up to 95, Paradox 4 and 5), the DOS code page 437 (Paradox 3) and
// code page 850 (Lotus). Each is built from the C library's own conversion
// table, so no hand-copied table can slip. The data layer's UTF-8 text is
// encoded into it. Names (of fields, of tables) refuse a character the code
// page lacks; values write it as "?" and count it, so the user is told what
// changed and one odd letter never stops an export.
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace vdimpexp::formats {

class SingleByteCodePage {
 public:
  // `iconv_name` as the C library knows it ("CP1252"); `name` as messages
  // call it ("the Windows-1252 code page"). Throws std::runtime_error when
  // the library cannot convert from the code page.
  SingleByteCodePage(const char* iconv_name, std::string name);

  // The byte of a character, or -1 when the code page lacks it. Bytes
  // below 0x80 are ASCII in every one of these code pages.
  int ByteOf(char32_t c) const;
  // As messages name it ("the Windows-1252 code page").
  const std::string& name() const { return name_; }

  // Appends the bytes of `utf8` to `out`. On failure returns false and says
  // in `problem` which character or bytes stood in the way.
  bool Encode(std::string_view utf8, std::string& out, std::string& problem) const;
  // Appends the bytes of `utf8` to `out`, each character the code page
  // lacks (and each byte that is no UTF-8) as "?", as the platform's own
  // drivers wrote them. Returns how many were written so.
  size_t EncodeReplacing(std::string_view utf8, std::string& out) const;

 private:
  // Appends what the code page holds of `utf8` to `out`; at the first
  // character it lacks calls `missing(at, length)` (length 0 for bytes that
  // are no UTF-8) and goes on after it only if that returns true.
  template <typename Missing>
  bool EncodeEach(std::string_view utf8, std::string& out, Missing missing) const;

  std::string name_;
  // The upper half, character to byte, sorted by character. Bytes the code
  // page leaves undefined (0x81 in Windows-1252, say) are not in it.
  std::vector<std::pair<char32_t, unsigned char>> upper_half_;
};

const SingleByteCodePage& Windows1252();
const SingleByteCodePage& CodePage437();
const SingleByteCodePage& CodePage850();

}  // namespace vdimpexp::formats

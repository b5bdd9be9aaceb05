#include "formats/lotus/lmbcs.h"

#include "data/utf8.h"
#include "formats/common/single_byte_code_page.h"

namespace vdimpexp::formats {
namespace {

bool PassesAsItIs(char32_t c) { return c >= 0x20 || c == '\t' || c == '\n' || c == '\r'; }

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

}  // namespace vdimpexp::formats

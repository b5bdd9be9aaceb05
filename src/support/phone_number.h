#ifndef VDIMPEXP_SUPPORT_PHONE_NUMBER_H_
#define VDIMPEXP_SUPPORT_PHONE_NUMBER_H_

#include <string>
#include <string_view>

namespace vdimpexp::support {

// Brings a free-typed phone number into the shop's "(@@@)@@@-@@@@" layout,
// followed by a space and whatever extension follows it. Brackets, hyphens and
// spaces are dropped, the first ten remaining characters fill the mask from
// the right (unfilled places show a space), the eleventh is dropped (usually
// the "x" of an extension) and the rest is the extension. Only the first 24
// characters of the (trimmed) input count, and the result is at most 24
// characters long. Characters are Unicode code points of UTF-8 text; a byte
// that is not valid UTF-8 counts as one character and is passed through.
// Empty or all-blank input (and a missing value, passed as empty text) gives
// empty text.
std::string FormatPhoneNumber(std::string_view phone);
// The same into `out` (replacing what it held; it must not hold `phone`),
// so that a caller formatting number after number reuses one buffer.
void FormatPhoneNumber(std::string_view phone, std::string& out);

}  // namespace vdimpexp::support

#endif  // VDIMPEXP_SUPPORT_PHONE_NUMBER_H_

#include "legacy/clipper_calls.h"

#include <algorithm>
#include <span>

namespace vdimpexp::legacy {

std::string FieldText(FieldHandle field) {
  const char* address = f4ptr(field);
  if (address == nullptr) return {};
  const std::int16_t width = f4len_v(field);
  std::string bytes(static_cast<std::size_t>(width), ' ');
  u4memCpy(bytes.data(), address, static_cast<std::uint32_t>(width));
  std::replace(bytes.begin(), bytes.end(), '\0', ' ');

  std::string text;
  const std::size_t characters = FieldCodePage(field)->Decode(bytes, text);
  // A multi-byte code page packs the field into fewer characters; the text
  // is still as wide as the field, as callers that cut it by position expect.
  if (characters < bytes.size()) text.append(bytes.size() - characters, ' ');
  return text;
}

void FormatDbfDate(const std::string& date_text, std::string& result,
                   const std::string& picture) {
  result.assign(picture.size() + 1, ' ');
  date4format(date_text, std::span<char>(result), picture);
  result.resize(picture.size());
}

}  // namespace vdimpexp::legacy

#include "support/phone_number.h"

#include <gtest/gtest.h>

#include <string>

namespace vdimpexp::support {
namespace {

TEST(FormatPhoneNumberTest, FillsTheMaskFromTheRightAndAppendsTheExtension) {
  std::string e30;
  for (int i = 0; i < 30; ++i) e30 += "é";
  const struct {
    std::string phone, formatted;
  } cases[] = {
      // Ten characters, whatever their punctuation: only ()[]- and space go.
      {"(555) 123-4567", "(555)123-4567"},
      {"((5-5-5))[[123]]--4567", "(555)123-4567"},
      {"555.123.4567", "(555).12-3.45 7"},
      // Blank gives empty text; punctuation only, the bare mask trimmed.
      {"", ""},
      {std::string(30, ' '), ""},
      {"( ) -", "(   )   -"},
      // Short numbers and letters fill the mask from the right.
      {"1234567", "(   )123-4567"},
      {"ABC", "(   )   - ABC"},
      // The eleventh character is dropped; the rest is the extension.
      {"555-123-4567 x89", "(555)123-4567 89"},
      {"5551234567x", "(555)123-4567"},
      // Only the first 24 characters after trimming count (the 24th here is
      // the "1"), punctuation among them; the result is cut to 24 as well.
      {"555-123-4567 extension 1234567", "(555)123-4567 xtension1"},
      {std::string(30, ' ') + "5551234567 x12", "(555)123-4567 12"},
      {"(((((((((((((((((((((((5551234567", "(   )   -   5"},
      {"ABCDEFGHIJKLMNOPQRSTUVWXYZ", "(ABC)DEF-GHIJ LMNOPQRSTU"},
      // Characters, not bytes: two- and four-byte ones take one place each.
      {e30, "(ééé)ééé-éééé éééééééééé"},
      {"555123456\U0001F4DE", "(555)123-456\U0001F4DE"},
      {"123\u00a04567", "(  1)23\u00a0-4567"},  // a no-break space is kept
      // Malformed UTF-8 passes through, a bad byte as one character.
      {"12\x80", "(   )   - 12\x80"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(FormatPhoneNumber(c.phone), c.formatted) << c.phone;
}

}  // namespace
}  // namespace vdimpexp::support

#include "support/phone_number.h"

#include <gtest/gtest.h>

#include <string>

namespace vdimpexp::support {
namespace {

TEST(FormatPhoneNumberTest, FormatsTenCharacterNumbersWhateverTheirPunctuation) {
  EXPECT_EQ(FormatPhoneNumber("(555) 123-4567"), "(555)123-4567");
  EXPECT_EQ(FormatPhoneNumber("5551234567"), "(555)123-4567");
  EXPECT_EQ(FormatPhoneNumber("[555] 123 4567"), "(555)123-4567");
  EXPECT_EQ(FormatPhoneNumber("555-123-4567"), "(555)123-4567");
  EXPECT_EQ(FormatPhoneNumber("  (555)123-4567   "), "(555)123-4567");
  EXPECT_EQ(FormatPhoneNumber("((5-5-5))[[123]]--4567"), "(555)123-4567");
  // Already formatted numbers come back unchanged.
  EXPECT_EQ(FormatPhoneNumber(FormatPhoneNumber("(555) 123-4567")), "(555)123-4567");
}

TEST(FormatPhoneNumberTest, BlankInputGivesEmptyText) {
  EXPECT_EQ(FormatPhoneNumber(""), "");
  EXPECT_EQ(FormatPhoneNumber(" "), "");
  EXPECT_EQ(FormatPhoneNumber("                              "), "");
}

TEST(FormatPhoneNumberTest, ShortNumbersFillTheMaskFromTheRight) {
  EXPECT_EQ(FormatPhoneNumber("1234567"), "(   )123-4567");
  EXPECT_EQ(FormatPhoneNumber("123-4567"), "(   )123-4567");
  EXPECT_EQ(FormatPhoneNumber("7"), "(   )   -   7");
  EXPECT_EQ(FormatPhoneNumber("ABC"), "(   )   - ABC");
  EXPECT_EQ(FormatPhoneNumber("55 1234567"), "( 55)123-4567");
  // Punctuation only: the bare mask, its trailing blanks trimmed.
  EXPECT_EQ(FormatPhoneNumber("( ) -"), "(   )   -");
  EXPECT_EQ(FormatPhoneNumber("-"), "(   )   -");
  EXPECT_EQ(FormatPhoneNumber("[]"), "(   )   -");
}

TEST(FormatPhoneNumberTest, EleventhCharacterIsDroppedAndTheRestIsTheExtension) {
  EXPECT_EQ(FormatPhoneNumber("555-123-4567 x89"), "(555)123-4567 89");
  EXPECT_EQ(FormatPhoneNumber("5551234567x"), "(555)123-4567");
  EXPECT_EQ(FormatPhoneNumber("55512345678"), "(555)123-4567");
  EXPECT_EQ(FormatPhoneNumber("555123456789"), "(555)123-4567 9");
  EXPECT_EQ(FormatPhoneNumber("(555) 123-4567 ext. 12"), "(555)123-4567 xt.12");
  // Other characters are kept as they are: only ()[]- and space are removed.
  EXPECT_EQ(FormatPhoneNumber("555.123.4567"), "(555).12-3.45 7");
  EXPECT_EQ(FormatPhoneNumber("555/123/4567"), "(555)/12-3/45 7");
}

TEST(FormatPhoneNumberTest, OnlyTheFirst24CharactersAfterTrimmingCount) {
  // 30 characters; the 24th is the "1" after "extension ".
  EXPECT_EQ(FormatPhoneNumber("555-123-4567 extension 1234567"),
            "(555)123-4567 xtension1");
  // Leading blanks are trimmed before the cut, so they cost no digits.
  EXPECT_EQ(FormatPhoneNumber(std::string(30, ' ') + "5551234567 x12"),
            "(555)123-4567 12");
  // Twenty-four significant characters give a result longer than 24, which
  // is cut: 13 (mask) + 1 (space) + 10 of the 13 extension characters.
  EXPECT_EQ(FormatPhoneNumber("ABCDEFGHIJKLMNOPQRSTUVWXYZ"), "(ABC)DEF-GHIJ LMNOPQRSTU");
  EXPECT_EQ(FormatPhoneNumber("123456789012345678901234567890"),
            "(123)456-7890 2345678901");
  // Punctuation counts towards the 24 before it is removed.
  EXPECT_EQ(FormatPhoneNumber("(((((((((((((((((((((((5551234567"), "(   )   -   5");
  for (int length = 1; length <= 40; ++length) {
    const std::string result = FormatPhoneNumber(std::string(length, '9'));
    EXPECT_LE(result.size(), 24u) << "length " << length;
    EXPECT_EQ(result.front(), '(') << "length " << length;
  }
}

TEST(FormatPhoneNumberTest, CountsUnicodeCharactersNotBytes) {
  // Two-byte characters: a byte-based cut would split one in half.
  std::string many_e_acute;
  for (int i = 0; i < 30; ++i) many_e_acute += "\u00e9";
  std::string expected =
      "(\u00e9\u00e9\u00e9)\u00e9\u00e9\u00e9-\u00e9\u00e9\u00e9\u00e9 ";
  for (int i = 0; i < 10; ++i) expected += "\u00e9";
  EXPECT_EQ(FormatPhoneNumber(many_e_acute), expected);

  // Three- and four-byte characters take one place each in the mask.
  EXPECT_EQ(FormatPhoneNumber("\u20ac\u20ac"), "(   )   -  \u20ac\u20ac");
  EXPECT_EQ(FormatPhoneNumber("555123456\U0001F4DE"), "(555)123-456\U0001F4DE");
  EXPECT_EQ(FormatPhoneNumber("5551234567\u00d7\u00e9\u00e9"),
            "(555)123-4567 \u00e9\u00e9");

  // A non-breaking space is not a space and is kept.
  EXPECT_EQ(FormatPhoneNumber("123\u00a04567"), "(  1)23\u00a0-4567");
}

TEST(FormatPhoneNumberTest, PassesMalformedUtf8ThroughByteForByte) {
  // A lone continuation byte and a truncated two-byte sequence each count as
  // one character.
  EXPECT_EQ(FormatPhoneNumber("12\x80"), "(   )   - 12\x80");
  EXPECT_EQ(FormatPhoneNumber("\xc3"), "(   )   -   \xc3");
  EXPECT_EQ(FormatPhoneNumber("\xc3(555)"),
            "(   )   -\xc3"
            "555");
  const std::string invalid(40, '\xff');
  const std::string result = FormatPhoneNumber(invalid);
  EXPECT_EQ(result,
            "(\xff\xff\xff)\xff\xff\xff-\xff\xff\xff\xff " + std::string(10, '\xff'));
}

}  // namespace
}  // namespace vdimpexp::support

#include "data/utf8.h"

#include <gtest/gtest.h>

namespace vdimpexp::data {
namespace {

TEST(Utf8Test, DecodesWellFormedCharactersAndRefusesEverythingElse) {
  const std::string text = "a\xC3\xA9\xE2\x82\xAC\xF0\x9F\x8E\x89";  // a é € 🎉
  std::u32string decoded;
  std::string encoded_again;
  for (size_t at = 0; at < text.size();) {
    Utf8Character c = DecodeUtf8At(text, at);
    ASSERT_GT(c.length, 0u) << "at byte " << at;
    decoded += c.code_point;
    AppendUtf8(encoded_again, c.code_point);
    at += c.length;
  }
  EXPECT_EQ(decoded, U"a\u00E9\u20AC\U0001F389");
  EXPECT_EQ(encoded_again, text);

  for (std::string_view malformed : {
           std::string_view("\x80"),                // a continuation byte alone
           std::string_view("\xC3"),                // cut short
           std::string_view("\xE2\x82"),            // cut short
           std::string_view("\xC0\xAF"),            // overlong "/"
           std::string_view("\xE0\x80\xAF"),        // overlong "/"
           std::string_view("\xED\xA0\x80"),        // a surrogate
           std::string_view("\xF4\x90\x80\x80"),    // past U+10FFFF
           std::string_view("\xC3\x28"),            // no continuation
       }) {
    EXPECT_EQ(DecodeUtf8At(malformed, 0).length, 0u)
        << "accepted " << ::testing::PrintToString(std::string(malformed));
  }
  EXPECT_EQ(CodePointName(0xE9), "U+00E9");
  EXPECT_EQ(CodePointName(0x1F389), "U+1F389");
}

}  // namespace
}  // namespace vdimpexp::data

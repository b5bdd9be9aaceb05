#include "support/text_case.h"

#include <gtest/gtest.h>

#include <string>

namespace vdimpexp::support {
namespace {

TEST(TextCaseTest, WordsStartOnlyAfterBlanksAndLettersAreWholeCharacters) {
  const struct {
    std::string text, proper;
  } cases[] = {
      {"O'BRIEN", "O'brien"},
      {"SMITH-JONES MARY ann", "Smith-jones Mary Ann"},
      {"  two  spaces ", "  Two  Spaces "},
      // Every blank the host knows starts a word, NUL among them.
      {std::string("a\tb\vc\nd\re\ff\0g", 13), std::string("A\tB\vC\nD\rE\fF\0G", 13)},
      {"élodie", "Élodie"},
      {"RENÉE CÔTÉ", "Renée Côté"},
      {"ΑΘΗΝΑ", "Αθηνα"},
      // Bytes that are not UTF-8 pass through, and the letter after a bad
      // byte is still inside its word.
      {"AB\xE9 CD", "Ab\xE9 Cd"},
      {std::string("\xFF") + "ABC", std::string("\xFF") + "abc"},
  };
  for (const auto& c : cases) EXPECT_EQ(ProperCase(c.text), c.proper) << c.text;
  EXPECT_EQ(UpperCase("eep-44120 é ø ß"), "EEP-44120 É Ø ß");
  EXPECT_EQ(UpperCase(std::string("a\xC0\xAF") + "b"), std::string("A\xC0\xAF") + "B");
}

TEST(TextCaseTest, FittingCutsByCharactersAndTrimsSpacesOnly) {
  EXPECT_EQ(FitToLength("  Acme   ", 20), "Acme");
  EXPECT_EQ(FitToLength("Acme      Television", 8), "Acme");
  EXPECT_EQ(FitToLength("ÉÉÉÉÉ", 3), "ÉÉÉ");
  EXPECT_EQ(FitToLength("\tTabbed\t", 20), "\tTabbed\t");
  EXPECT_EQ(CutToLength("ab€cd", 3), "ab€");
  EXPECT_EQ(CutToLength("abc", 10), "abc");
}

}  // namespace
}  // namespace vdimpexp::support

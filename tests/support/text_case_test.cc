#include "support/text_case.h"

#include <gtest/gtest.h>

#include <string>

#include "data/text.h"

namespace vdimpexp::support {
namespace {

TEST(TextCaseTest, ProperCaseStartsWordsOnlyAfterBlanks) {
  EXPECT_EQ(ProperCase("O'BRIEN"), "O'brien");
  EXPECT_EQ(ProperCase("SMITH-JONES"), "Smith-jones");
  EXPECT_EQ(ProperCase("MCDONALD"), "Mcdonald");
  EXPECT_EQ(ProperCase("NY"), "Ny");
  EXPECT_EQ(ProperCase("mary ann"), "Mary Ann");
  EXPECT_EQ(ProperCase("3RD AVE"), "3rd Ave");
  // Every listed blank starts a word; punctuation does not.
  EXPECT_EQ(ProperCase(std::string("a\tb\vc\nd\re\ff\0g", 13)),
            std::string("A\tB\vC\nD\rE\fF\0G", 13));
  EXPECT_EQ(ProperCase("ab.cd,ef(gh)/ij"), "Ab.cd,ef(gh)/ij");
  EXPECT_EQ(ProperCase("  two  spaces "), "  Two  Spaces ");
  EXPECT_EQ(ProperCase(""), "");
}

TEST(TextCaseTest, AccentedLettersAreLettersNotWordBreaks) {
  EXPECT_EQ(ProperCase("ÉLODIE"), "Élodie");
  EXPECT_EQ(ProperCase("élodie"), "Élodie");
  EXPECT_EQ(ProperCase("JOSÉ PEÑA"), "José Peña");
  EXPECT_EQ(ProperCase("RENÉE CÔTÉ"), "Renée Côté");
  EXPECT_EQ(ProperCase("MÜLLER-LÜDENSCHEIDT"), "Müller-lüdenscheidt");
  EXPECT_EQ(ProperCase("ΑΘΗΝΑ"), "Αθηνα");
  EXPECT_EQ(UpperCase("eep-44120 é ø ß"), "EEP-44120 É Ø ß");
}

TEST(TextCaseTest, BytesThatAreNotUtf8PassThroughUnchanged) {
  // A lone Latin-1 byte, a truncated sequence and an overlong form.
  EXPECT_EQ(ProperCase("AB\xE9 CD"), "Ab\xE9 Cd");
  EXPECT_EQ(ProperCase("AB\xC3"), "Ab\xC3");
  EXPECT_EQ(UpperCase("a\xC0\xAF"
                      "b"),
            "A\xC0\xAF"
            "B");
  // The byte after a bad one is still inside the word.
  EXPECT_EQ(ProperCase("\xFF"
                       "ABC"),
            "\xFF"
            "abc");
}

TEST(TextCaseTest, FittingCutsByCharactersAndTrimsSpacesOnly) {
  EXPECT_EQ(FitToLength("  Acme   ", 20), "Acme");
  EXPECT_EQ(FitToLength("Acme Television Service", 10), "Acme Telev");
  EXPECT_EQ(FitToLength("Acme      Television", 8), "Acme");
  EXPECT_EQ(FitToLength("ÉÉÉÉÉ", 3), "ÉÉÉ");  // six bytes, three characters
  EXPECT_EQ(FitToLength("\tTabbed\t", 20), "\tTabbed\t");
  EXPECT_EQ(FitToLength("", 5), "");
  EXPECT_EQ(FitToLength("abc", 0), "");
  EXPECT_EQ(CutToLength("ab€cd", 3), "ab€");
  EXPECT_EQ(CutToLength("abc", 10), "abc");
  EXPECT_EQ(data::TrimSpaces("   "), "");
  EXPECT_EQ(data::TrimSpaces(" a b "), "a b");
}

}  // namespace
}  // namespace vdimpexp::support

#include "formats/common/spreadsheet_cells.h"

#include <gtest/gtest.h>

namespace vdimpexp::formats {
namespace {

bool AnyCharacter(char32_t) { return true; }

TEST(WorksheetNameTest, CleansAndCutsWhatTheSpreadsheetWouldRefuse) {
  constexpr SheetNameRules kExcelLike{31, "[]:*?/\\", AnyCharacter};
  constexpr SheetNameRules kUnrestricted{31, "", AnyCharacter};
  EXPECT_EQ(WorksheetName("a[b]c:d*e?f/g\\h.xls", 12, kExcelLike),
            "a_b_c_d_e_f_g_h.xls (12)");
  EXPECT_EQ(WorksheetName("'quoted'", 1, kUnrestricted), "_quoted_");
  EXPECT_EQ(WorksheetName("it's\tx", 1, kUnrestricted), "it's_x");
  // Cut by characters, not bytes, and the suffix always fits.
  const std::string long_name = "Überweisungen der Kunden im Jahr 2001.xls";
  EXPECT_EQ(WorksheetName(long_name, 1, kUnrestricted),
            "Überweisungen der Kunden im Jah");
  EXPECT_EQ(WorksheetName(long_name, 3, kUnrestricted),
            "Überweisungen der Kunden im (3)");
  EXPECT_EQ(WorksheetName("", 1, kUnrestricted), "Sheet");
  EXPECT_EQ(WorksheetName("bad\xff", 1, kUnrestricted), "bad_");
  // What the file cannot store is replaced too.
  const SheetNameRules ascii{15, "", [](char32_t c) { return c < 0x80; }};
  EXPECT_EQ(WorksheetName("Zoë's Ångström", 1, ascii), "Zo_'s _ngstr_m");
}

}  // namespace
}  // namespace vdimpexp::formats

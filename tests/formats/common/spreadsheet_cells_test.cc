#include "formats/common/spreadsheet_cells.h"

#include <gtest/gtest.h>

namespace vdimpexp::formats {
namespace {

using data::Date;

// Serials as Excel shows them when a date cell is formatted as a number.
TEST(SerialDateTest, CountsDaysAsTheSpreadsheetsDoAroundThePhantomLeapDay) {
  EXPECT_EQ(SerialDate(Date{1900, 1, 1}), 1.0);
  EXPECT_EQ(SerialDate(Date{1900, 2, 28}), 59.0);
  EXPECT_EQ(SerialDate(Date{1900, 3, 1}), 61.0);
  EXPECT_EQ(SerialDate(Date{2000, 1, 1}), 36526.0);
  EXPECT_EQ(SerialDate(Date{2001, 3, 15}), 36965.0);
  EXPECT_EQ(SerialDate(Date{1999, 12, 31, 18, 0, 0}), 36525.75);
  EXPECT_EQ(SerialDate(Date{1899, 12, 31}), std::nullopt);
  EXPECT_EQ(SerialDate(Date{1066, 10, 14}), std::nullopt);
}

TEST(WorksheetRowLimitTest, NamesTheRowsAndTheRecordsBelowTheColumnNames) {
  EXPECT_EQ(WorksheetRowLimit("Excel 3.0", 16384),
            "an Excel 3.0 worksheet holds at most 16,384 rows: the column names and "
            "16,383 records");
  EXPECT_EQ(WorksheetRowLimit("Lotus WK1", 8192),
            "a Lotus WK1 worksheet holds at most 8,192 rows: the column names and 8,191 "
            "records");
}

bool AnyCharacter(char32_t) { return true; }
constexpr SheetNameRules kExcelLike{31, "[]:*?/\\", AnyCharacter};
constexpr SheetNameRules kUnrestricted{31, "", AnyCharacter};

TEST(WorksheetNameTest, KeepsAFitNameAndNumbersTheSheetsAfterTheFirst) {
  EXPECT_EQ(WorksheetName("cust.xls", 1, kExcelLike), "cust.xls");
  EXPECT_EQ(WorksheetName("cust.xls", 2, kExcelLike), "cust.xls (2)");
  EXPECT_EQ(WorksheetName("cust.xls", 12, kExcelLike), "cust.xls (12)");
}

TEST(WorksheetNameTest, CleansAndCutsWhatTheSpreadsheetWouldRefuse) {
  EXPECT_EQ(WorksheetName("a[b]c:d*e?f/g\\h.xls", 1, kExcelLike), "a_b_c_d_e_f_g_h.xls");
  EXPECT_EQ(WorksheetName("'quoted'", 1, kUnrestricted), "_quoted_");
  EXPECT_EQ(WorksheetName("it's.xls", 1, kUnrestricted), "it's.xls");
  EXPECT_EQ(WorksheetName("tab\there", 1, kUnrestricted), "tab_here");
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

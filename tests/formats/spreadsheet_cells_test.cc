#include "formats/spreadsheet_cells.h"

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

TEST(WorksheetNameTest, KeepsAFitNameAndNumbersTheSheetsAfterTheFirst) {
  EXPECT_EQ(WorksheetName("cust.xls", 1, 31, "[]:*?/\\"), "cust.xls");
  EXPECT_EQ(WorksheetName("cust.xls", 2, 31, "[]:*?/\\"), "cust.xls (2)");
  EXPECT_EQ(WorksheetName("cust.xls", 12, 31, "[]:*?/\\"), "cust.xls (12)");
}

TEST(WorksheetNameTest, CleansAndCutsWhatTheSpreadsheetWouldRefuse) {
  EXPECT_EQ(WorksheetName("a[b]c:d*e?f/g\\h.xls", 1, 31, "[]:*?/\\"),
            "a_b_c_d_e_f_g_h.xls");
  EXPECT_EQ(WorksheetName("'quoted'", 1, 31, ""), "_quoted_");
  EXPECT_EQ(WorksheetName("it's.xls", 1, 31, ""), "it's.xls");
  EXPECT_EQ(WorksheetName("tab\there", 1, 31, ""), "tab_here");
  // Cut by characters, not bytes, and the suffix always fits.
  const std::string long_name = "Überweisungen der Kunden im Jahr 2001.xls";
  EXPECT_EQ(WorksheetName(long_name, 1, 31, ""), "Überweisungen der Kunden im Jah");
  EXPECT_EQ(WorksheetName(long_name, 3, 31, ""), "Überweisungen der Kunden im (3)");
  EXPECT_EQ(WorksheetName("", 1, 31, ""), "Sheet");
  EXPECT_EQ(WorksheetName("bad\xff", 1, 31, ""), "bad_");
}

}  // namespace
}  // namespace vdimpexp::formats

// Tables written by other programs (shapelib's dbfcreate/dbfadd and GDAL's
// ogr2ogr; see tests/fixtures/dbf/README.md), read through the library.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "legacy/cb_support.h"
#include "legacy/clipper_calls.h"

namespace vdimpexp::legacy {
namespace {

std::string Fixture(const std::string& name) {
  return std::string(VD_DBF_FIXTURES) + "/" + name;
}

// Every live record as the named fields' texts joined by "|".
std::vector<std::string> Rows(const std::string& file,
                              const std::vector<std::string>& fields) {
  std::vector<std::string> rows;
  const ContextHandle context = code4initVB();
  const TableHandle table = d4open(context, Fixture(file));
  EXPECT_EQ(code4errorCode(context, 0), 0) << file;
  for (int result = d4top(table); result == 0; result = d4skip(table, 1)) {
    std::string row;
    for (const std::string& field : fields) {
      row += (row.empty() ? "" : "|") + FieldText(d4field(table, field));
    }
    rows.push_back(row);
  }
  code4initUndo(context);
  return rows;
}

TEST(FixtureTest, ReadsShapelibTables) {
  EXPECT_EQ(Rows("shapelib_parts.dbf", {"name", "qty", "price"}),
            (std::vector<std::string>{
                "Widget              |    12|      3.50",
                "Gadget, large       |    -7|   1234.25",
                // shapelib writes a missing number as asterisks.
                "                    |******|**********",
            }));
  EXPECT_EQ(CountDbfRecords(Fixture("shapelib_parts.dbf")), 3);

  EXPECT_TRUE(Rows("shapelib_empty.dbf", {"NAME"}).empty());
  EXPECT_EQ(CountDbfRecords(Fixture("shapelib_empty.dbf")), 0);

  // Marked 0x57 (Windows ANSI), written in Windows-1252.
  EXPECT_EQ(Rows("shapelib_accents_1252.dbf", {"CITY", "ZIP"}),
            (std::vector<std::string>{
                "Zürich          | 8001",
                "Málaga          |29001",
                "Ærøskøbing      | 5970",
            }));
}

TEST(FixtureTest, ReadsGdalTablesInTheirCodePages) {
  // UTF-8 named by a .cpg file: the two characters of 日本 fill six of the
  // field's twelve bytes, and the text is still twelve characters wide.
  // GDAL writes a missing date as "00000000" and a missing number as
  // asterisks.
  EXPECT_EQ(Rows("gdal_items.dbf", {"NAME", "ACTIVE", "PRICE", "QTY"}),
            (std::vector<std::string>{
                "Müller      |1|     12.50|    3",
                "日本          |0|**********|*****",
                "Ørsted      |*|      7.25|   -4",
            }));
  std::vector<std::string> dates;
  for (const std::string& stored : Rows("gdal_items.dbf", {"BORN"})) {
    std::string rendered;
    FormatDbfDate(stored, rendered, "MM/DD/CCYY");
    dates.push_back(rendered);
  }
  EXPECT_EQ(dates, (std::vector<std::string>{"03/15/1999", "  /  /    ", "02/29/2000"}));

  // DOS Latin-1 (850), once as language driver mark 0x02 and once named
  // "CP850" by a .cpg file beside an unmarked table.
  const std::vector<std::string> cities = {
      "Zürich          |8001 ",
      "Málaga          |29001",
      "Ærøskøbing      |5970 ",
  };
  EXPECT_EQ(Rows("gdal_cities_ldid2.dbf", {"CITY", "ZIP"}), cities);
  EXPECT_EQ(Rows("gdal_cities_cp850.dbf", {"CITY", "ZIP"}), cities);
}

}  // namespace
}  // namespace vdimpexp::legacy

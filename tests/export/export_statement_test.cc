#include "export/export_statement.h"

#include <gtest/gtest.h>

#include <deque>

namespace vdimpexp::exporting {
namespace {

const ExportFormat& Format(std::string_view entry) {
  for (const ExportFormat& format : kExportFormats) {
    if (format.entry == entry) return format;
  }
  throw std::logic_error("no format " + std::string(entry));
}

// Suffixes in a fixed order, standing in for the random draw.
std::function<int32_t()> Draws(std::deque<int32_t> suffixes) {
  return [suffixes]() mutable {
    int32_t next = suffixes.front();
    suffixes.pop_front();
    return next;
  };
}

TEST(ExportStatementTest, TargetReferencesOfEveryForm) {
  EXPECT_EQ(ExportFileName("C:\\Exports\\cust.dbf"), "C:\\Exports].[cust.dbf]");
  EXPECT_EQ(ExportFileName("/srv/exports/cust.dbf"), "/srv/exports].[cust.dbf]");
  EXPECT_EQ(ExportFileName("cust.dbf"), "].[cust.dbf]");
  EXPECT_EQ(ExcelExport("C:\\Exports\\docs.xls"), "].[docs.xls]");

  EXPECT_EQ(TargetReference(Format("dBASE IV"), "C:\\Exports\\cust.dbf"),
            "[dBASE IV;Database=C:\\Exports].[cust.dbf]");
  EXPECT_EQ(TargetReference(Format("Excel 97"), "/srv/exports/docs.xls"),
            "[Excel 8.0;Database=/srv/exports/docs.xls].[docs.xls]");
  EXPECT_EQ(TargetReference(Format("Excel 95"), "/x/y.xls"),
            "[Excel 5.0;Database=/x/y.xls].[y.xls]");
  EXPECT_EQ(TargetReference(Format("Text (Comma Delimited)"), "/srv/cust.csv"),
            "[TEXT;Database=/srv].[cust.csv]");
  EXPECT_EQ(TargetReference(Format("XML"), "/srv/cust.xml"), "XML/srv].[cust.xml]");

  const ExportFormat& access = Format("Microsoft Jet (Access)");
  EXPECT_EQ(TargetReference(access, "C:\\Exports\\shop.mdb"), "[C:\\Exports\\shop].[Verdacor]");
  // Only the file's own extension is cut, not a folder's "." nor a second one.
  EXPECT_EQ(TargetReference(access, "/home/ann/my.data/shop.mdb"),
            "[/home/ann/my.data/shop].[Verdacor]");
  EXPECT_EQ(TargetReference(access, "/srv/shop.2024.mdb"), "[/srv/shop.2024].[Verdacor]");
  EXPECT_THROW(TargetReference(access, "/home/ann/my.data/shop"), UnnamableTarget);
}

TEST(ExportStatementTest, TargetPathsTheConnectStringOrTheBracketsCannotHoldAsTheyAre) {
  // The engine splits a connect string at ";" and trims its values.
  EXPECT_EQ(TargetReference(Format("dBASE IV"), "/srv/a;b/cust.dbf"),
            "[dBASE IV;Database=\"/srv/a;b\"].[cust.dbf]");
  EXPECT_EQ(TargetReference(Format("HTML"), "/srv/old /cust.htm"),
            "[HTML Export;Database=\"/srv/old \"].[cust.htm]");
  EXPECT_EQ(TargetReference(Format("Excel 97"), "/srv/a;b/x.xls"),
            "[Excel 8.0;Database=\"/srv/a;b/x.xls\"].[x.xls]");
  // Blanks inside, quotes and a ";" in the file part need nothing.
  EXPECT_EQ(TargetReference(Format("HTML"), "/srv/o'brien \"x\"/a;b.htm"),
            "[HTML Export;Database=/srv/o'brien \"x\"].[a;b.htm]");
  EXPECT_EQ(TargetReference(Format("Microsoft Jet (Access)"), "/srv/o'brien & co/a.mdb"),
            "[/srv/o'brien & co/a].[Verdacor]");

  const std::vector<std::pair<std::string_view, std::string>> refused = {
      {"Text (Comma Delimited)", "/srv/x]y/cust.csv"},
      {"dBASE IV", "/srv/exports/a] FROM Contacts --.dbf"},
      {"Excel 97", "/srv/x]y.xls"},
      {"Text (Comma Delimited)", "/srv/\"a;b\"/cust.csv"},
      {"Microsoft Jet (Access)", "/srv/x]y/shop.mdb"},
      {"Microsoft Jet (Access)", "/srv/a;b/shop.mdb"},
  };
  for (const auto& [format, path] : refused) {
    EXPECT_THROW(TargetReference(Format(format), path), UnnamableTarget) << path;
  }
  EXPECT_THROW(CheckNamesDatabaseFile("/srv/a;b/out.mdb"), UnnamableTarget);
  EXPECT_NO_THROW(CheckNamesDatabaseFile("/srv/o'brien & co/out.mdb"));
  // The XML statement is never run, so its path is never refused.
  EXPECT_EQ(TargetReference(Format("XML"), "/srv/x]y/a.xml"), "XML/srv/x]y].[a.xml]");
}

TEST(ExportStatementTest, LongColumnNamesGetUniqueDbaseAliases) {
  std::vector<std::string> fields = {"CustomerSince", "LastVisit", "Contacts.CustomerType",
                                     "Customer7"};
  // The second long name has the same stem, and its first draw repeats the
  // first alias, so it draws again.
  std::vector<ColumnAlias> aliases = DbaseAliases(fields, Draws({12, 12, 5}));
  EXPECT_EQ(aliases, (std::vector<ColumnAlias>{{"CustomerSince", "Custome12"},
                                               {"Contacts.CustomerType", "Custome5"}}));
  EXPECT_EQ(FieldList(fields, aliases),
            "[CustomerSince] AS [Custome12],[LastVisit],[Contacts.CustomerType] AS "
            "[Custome5],[Customer7]");
  for (const ColumnAlias& given : aliases) EXPECT_LE(given.alias.size(), kDbaseNameLimit);

  // A kept short name is as taken as an alias, compared without case.
  std::vector<std::string> clash = {"Custome3", "CUSTOMERSINCE"};
  EXPECT_EQ(DbaseAliases(clash, Draws({3, 4})),
            (std::vector<ColumnAlias>{{"CUSTOMERSINCE", "CUSTOME4"}}));

  // A generator that keeps drawing a taken suffix cannot stall the export.
  std::vector<std::string> twins = {"CustomerSince", "CustomerSource"};
  std::vector<ColumnAlias> stuck = DbaseAliases(twins, [] { return 1; });
  ASSERT_EQ(stuck.size(), 2u);
  EXPECT_EQ(stuck[0].alias, "Custome1");
  EXPECT_EQ(stuck[1].alias, "Custome2");

  // The same long column chosen twice gets two names: the target keeps both.
  std::vector<std::string> repeated = {"CustomerSince", "CustomerSince"};
  EXPECT_EQ(FieldList(repeated, DbaseAliases(repeated, Draws({8, 8, 9}))),
            "[CustomerSince] AS [Custome8],[CustomerSince] AS [Custome9]");
}

TEST(ExportStatementTest, WholeStatementsOfTheWorkedExamples) {
  std::vector<std::string> contact_fields = {"FirstName", "LastName", "ZipCode"};
  EXPECT_EQ(
      ExportStatement(FieldList(contact_fields, {}),
                      TargetReference(Format("Text (Comma Delimited)"),
                                      "C:\\Exports\\cust.csv"),
                      RowSource("SELECT * FROM Contacts WHERE   ZipCode BETWEEN '90000' AND "
                                "'91999'")),
      "SELECT [FirstName],[LastName],[ZipCode] INTO [TEXT;Database=C:\\Exports].[cust.csv] "
      "FROM  Contacts WHERE   ZipCode BETWEEN '90000' AND '91999'");

  std::vector<std::string> document_fields = {"MakeID", "Make"};
  EXPECT_EQ(ExportStatement(
                FieldList(document_fields, {}),
                TargetReference(Format("Excel 97"), "C:\\Exports\\docs.xls"),
                RowSource("SELECT ServiceLiterature.*, ProductMakes.Make FROM "
                          "ServiceLiterature LEFT JOIN ProductMakes ON "
                          "ServiceLiterature.MakeID = ProductMakes.MakeID WHERE 1=1 ")),
            "SELECT [MakeID],[Make] INTO [Excel 8.0;Database=C:\\Exports\\docs.xls].[docs.xls] "
            "FROM (SELECT ServiceLiterature.*, ProductMakes.Make FROM ServiceLiterature LEFT "
            "JOIN ProductMakes ON ServiceLiterature.MakeID = ProductMakes.MakeID WHERE 1=1 )");

  // Every "SELECT * FROM" goes, and the removal is case-sensitive.
  EXPECT_EQ(RowSource("SELECT * FROM a WHERE x IN (SELECT * FROM b)"),
            " a WHERE x IN ( b)");
  // A "SELECT" left over makes a derived table of the row source only.
  EXPECT_EQ(RowSource("SELECT * FROM a WHERE x = 'SELECT'"), "( a WHERE x = 'SELECT')");
  EXPECT_EQ(WithoutSelectAll("SELECT * FROM a WHERE x = 'SELECT'"),
            " a WHERE x = 'SELECT'");
}

}  // namespace
}  // namespace vdimpexp::exporting

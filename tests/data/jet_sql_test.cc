#include "data/jet_sql.h"

#include <gtest/gtest.h>

#include "data/db_error.h"

namespace vdimpexp::data::jet {
namespace {

std::string Plain(std::string_view jet) {
  Statement statement = Translate(jet);
  EXPECT_EQ(statement.kind, Statement::Kind::kPlain) << jet;
  return statement.sql;
}

TEST(JetSqlTest, DateLiteralsBecomeStorageText) {
  EXPECT_EQ(
      Plain("SELECT * FROM JobsReports WHERE LastVisit BETWEEN #1/1/2001# AND "
            "#12/31/2001#"),
      "SELECT * FROM JobsReports WHERE LastVisit BETWEEN '2001-01-01' AND '2001-12-31'");
  EXPECT_EQ(Plain("SELECT 1 WHERE d=#2001-12-31#"), "SELECT 1 WHERE d='2001-12-31'");
  EXPECT_EQ(Plain("SELECT 1 WHERE d>#3/15/1999 2:30 PM#"),
            "SELECT 1 WHERE d>'1999-03-15 14:30:00'");
  // A "#" inside text or a name is not a date.
  EXPECT_EQ(Plain("SELECT [a#b] FROM t WHERE x='#1/1/2001#'"),
            "SELECT [a#b] FROM t WHERE x='#1/1/2001#'");
}

TEST(JetSqlTest, TranslatesJetWordsAndKeepsWhatSqliteReads) {
  EXPECT_EQ(Plain("DELETE * FROM ZipCodes"), "DELETE FROM ZipCodes");
  EXPECT_EQ(Plain("delete ZipCodes.* from ZipCodes where x=1"),
            "delete from ZipCodes where x=1");
  EXPECT_EQ(Plain("SELECT * FROM ItemTypes WHERE DoNotShow=FALSE"),
            "SELECT * FROM ItemTypes WHERE DoNotShow=0");
  EXPECT_EQ(Plain("SELECT TrueValue FROM t WHERE a=True"),
            "SELECT TrueValue FROM t WHERE a=1");
  EXPECT_EQ(Plain("SELECT * FROM Referals WHERE (InActive Is Null OR InActive <> 1)"),
            "SELECT * FROM Referals WHERE (InActive Is Null OR InActive <> 1)");
  EXPECT_EQ(Plain("SELECT \"it\"\"s\" FROM t"), "SELECT 'it\"s' FROM t");
  EXPECT_EQ(Plain("SELECT 'O''Brien' FROM t"), "SELECT 'O''Brien' FROM t");
  EXPECT_EQ(
      Plain("SELECT * FROM ((a INNER JOIN b ON a.k = b.k) LEFT JOIN c ON b.j = c.j)"),
      "SELECT * FROM ((a INNER JOIN b ON a.k = b.k) LEFT JOIN c ON b.j = c.j)");
  EXPECT_EQ(Plain("SELECT * FROM Referals ORDER BY ReferalSource; "),
            "SELECT * FROM Referals ORDER BY ReferalSource");
}

TEST(JetSqlTest, BareTableNameReadsTheWholeTable) {
  EXPECT_EQ(Plain("ContactTypes"), "SELECT * FROM [ContactTypes]");
  EXPECT_EQ(Plain("  [Job Items] "), "SELECT * FROM [Job Items]");
}

TEST(JetSqlTest, SelectIntoNamesItsTarget) {
  Statement local = Translate(
      "SELECT JobsReports.* INTO VD_Invoices FROM  JobsReports WHERE "
      "  StatusCode=4");
  EXPECT_EQ(local.kind, Statement::Kind::kSelectInto);
  EXPECT_EQ(local.target.kind, Target::Kind::kLocalTable);
  EXPECT_EQ(local.target.table, "VD_Invoices");
  EXPECT_EQ(local.sql, "SELECT JobsReports.*  FROM  JobsReports WHERE   StatusCode=4");

  Statement in_file = Translate(
      "SELECT VD_Invoices.* INTO VD_Invoices IN '/data/out.mdb'FROM VD_Invoices;");
  EXPECT_EQ(in_file.target.kind, Target::Kind::kDatabaseFile);
  EXPECT_EQ(in_file.target.database_file, "/data/out.mdb");
  EXPECT_EQ(in_file.target.table, "VD_Invoices");
  EXPECT_EQ(in_file.sql, "SELECT VD_Invoices.*  FROM VD_Invoices");

  Statement access =
      Translate("SELECT [FirstName] INTO [C:\\Exports\\shop].[Verdacor] FROM  Contacts");
  EXPECT_EQ(access.target.kind, Target::Kind::kDatabaseFile);
  EXPECT_EQ(access.target.database_file, "C:\\Exports\\shop.mdb");
  EXPECT_EQ(access.target.table, "Verdacor");
  // Only the file's own name decides whether an extension is there.
  EXPECT_EQ(Translate("SELECT 1 INTO [/srv/my.data/shop].[Verdacor] FROM t")
                .target.database_file,
            "/srv/my.data/shop.mdb");

  Statement text = Translate(
      "SELECT [FirstName],[LastName],[ZipCode] INTO "
      "[TEXT;Database=C:\\Exports].[cust.csv] "
      "FROM  Contacts WHERE   ZipCode BETWEEN '90000' AND '91999'");
  EXPECT_EQ(text.target.kind, Target::Kind::kExternal);
  EXPECT_EQ(text.target.external.connect_type, "TEXT");
  EXPECT_EQ(text.target.external.database, "C:\\Exports");
  EXPECT_EQ(text.target.external.table, "cust.csv");
  EXPECT_EQ(
      text.sql,
      "SELECT [FirstName],[LastName],[ZipCode]  FROM  Contacts WHERE   ZipCode BETWEEN "
      "'90000' AND '91999'");

  Statement excel = Translate(
      "SELECT [MakeID],[Make] INTO [Excel 8.0;Database=/x/docs.xls].[docs.xls] FROM "
      "(SELECT "
      "ServiceLiterature.*, ProductMakes.Make FROM ServiceLiterature LEFT JOIN "
      "ProductMakes ON "
      "ServiceLiterature.MakeID = ProductMakes.MakeID WHERE 1=1 )");
  EXPECT_EQ(excel.target.external.connect_type, "Excel 8.0");
  EXPECT_EQ(excel.target.external.database, "/x/docs.xls");
  EXPECT_EQ(excel.target.external.properties.at("Database"), "/x/docs.xls");
  EXPECT_EQ(excel.target.table, "docs.xls");
}

TEST(JetSqlTest, DropTableInAnotherFile) {
  Statement drop = Translate("DROP TABLE [C:\\Data\\out.mdb].[VD_Invoices]");
  EXPECT_EQ(drop.kind, Statement::Kind::kDropTable);
  EXPECT_EQ(drop.target.database_file, "C:\\Data\\out.mdb");
  EXPECT_EQ(drop.target.table, "VD_Invoices");
  EXPECT_EQ(Plain("DROP TABLE VD_Invoices"), "DROP TABLE VD_Invoices");
  EXPECT_EQ(Plain("DROP TABLE main.VD_Invoices"), "DROP TABLE main.VD_Invoices");
}

TEST(JetSqlTest, RefusesMalformedStatementsWithAClearError) {
  for (const char* bad :
       {"SELECT * FROM t WHERE d = #2/30/2001#", "SELECT 'open FROM t",
        "SELECT [open FROM t", "SELECT 1 WHERE d = #1/1/2001", "SELECT 1; SELECT 2", "",
        "SELECT a INTO FROM t", "SELECT a INTO t IN FROM u"}) {
    try {
      Translate(bad);
      ADD_FAILURE() << "accepted: " << bad;
    } catch (const DbError& error) {
      EXPECT_EQ(error.number(), error_number::kEngineFailure);
      EXPECT_FALSE(error.description().empty());
    }
  }
}

}  // namespace
}  // namespace vdimpexp::data::jet

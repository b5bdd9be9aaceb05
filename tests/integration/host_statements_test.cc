// Statements of the kinds the wizards send, in the host's Jet dialect, run on the
// reference shop database and compared with the same question put to SQLite by hand.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>

#include "data/connection.h"
#include "data/db_error.h"
#include "schema/reference_database.h"
#include "scratch_database.h"

namespace vdimpexp {
namespace {

using data::Recordset;
using testing::QueryRows;
using testing::QueryText;

class HostStatementsTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    scratch_ = new testing::ScratchDirectory;
    schema::CreateReferenceDatabase(Path(), {.contacts = 300, .seed = 7});
  }
  static void TearDownTestSuite() { delete scratch_; }
  static std::string Path() { return scratch_->File("shop.db"); }

  static testing::ScratchDirectory* scratch_;
  data::Connection host_{Path()};
};
testing::ScratchDirectory* HostStatementsTest::scratch_ = nullptr;

TEST_F(HostStatementsTest, QueriesSelectWhatAHandWrittenQuerySelects) {
  const char* cases[][3] = {
      // the statement, its key column, the same by hand
      {"SELECT * FROM Contacts WHERE 1=1  AND LastVisit BETWEEN #3/5/2001# AND "
       "#11/20/2002# ORDER BY ZipCode",
       "CKey",
       "SELECT CKey FROM Contacts WHERE LastVisit >= '2001-03-05' AND LastVisit <= "
       "'2002-11-20'"},
      // A number range typed as text still compares as numbers.
      {"SELECT * FROM JobsReports WHERE 1=1  AND JobNo BETWEEN '9990' AND '10100'",
       "JobNo", "SELECT JobNo FROM Jobs WHERE JobNo + 0 BETWEEN 9990 AND 10100"},
  };
  for (const auto& [jet, key, by_hand] : cases) {
    SCOPED_TRACE(jet);
    std::vector<std::string> selected, expected;
    for (Recordset rows = host_.Execute(jet); !rows.IsEOF(); rows.MoveNext()) {
      selected.push_back(rows.Fields(key).Value().ToText());
    }
    for (const auto& row : QueryRows(Path(), by_hand)) expected.push_back(row[0]);
    std::ranges::sort(selected);
    std::ranges::sort(expected);
    EXPECT_THAT(expected, ::testing::Not(::testing::IsEmpty()))
        << "the demo has such rows";
    EXPECT_EQ(selected, expected);
  }
}

TEST_F(HostStatementsTest, SelectIntoAnotherDatabaseCopiesWhatAHandWrittenQueryCounts) {
  // An existing database, named without its extension or in an IN clause.
  const std::string target = scratch_->Database("access.mdb", "CREATE TABLE Other (x);");
  const std::string stem = target.substr(0, target.size() - 4);
  const std::string contacts = "SELECT [FirstName],[LastName],[CustomerSince] INTO [" +
                               stem + "].[Verdacor] FROM  Contacts WHERE 1=1 ";
  host_.Execute(contacts);
  host_.Execute("SELECT JobsWarranty.* INTO VD_InvWarranty IN '" + target +
                "' FROM JobsReports INNER JOIN JobsWarranty ON JobsReports.JobNo = "
                "JobsWarranty.JobNo WHERE JobsReports.StatusCode=4;");
  EXPECT_EQ(QueryText(target, "SELECT count(*) FROM Verdacor"),
            QueryText(Path(), "SELECT count(*) FROM Contacts"));
  const std::string claims = QueryText(
      Path(),
      "SELECT count(*) FROM JobsWarranty JOIN Jobs USING (JobNo) WHERE StatusCode = 4");
  EXPECT_NE(claims, "0");
  EXPECT_EQ(QueryText(target, "SELECT count(*) FROM VD_InvWarranty"), claims);
  EXPECT_EQ(QueryText(target,
                      "SELECT type FROM pragma_table_info('Verdacor') WHERE name = "
                      "'CustomerSince'"),
            "DATETIME");
  // A second export into the same database fails: the table exists.
  EXPECT_THROW(host_.Execute(contacts), data::DbError);
}

TEST_F(HostStatementsTest, DeclaredTextSizesAreTheFieldSizesTheImportsCutTo) {
  for (const char* table : {"Contacts", "ContactPhones", "InventoryItems", "ZipCodes"}) {
    Recordset rows = host_.Execute(table);
    const auto declared = QueryRows(
        Path(), std::string("SELECT name, type FROM pragma_table_info('") + table + "')");
    ASSERT_EQ(static_cast<size_t>(rows.Fields().Count()), declared.size()) << table;
    for (size_t i = 0; i < declared.size(); ++i) {
      int size = 0;
      if (std::sscanf(declared[i][1].c_str(), "TEXT(%d)", &size) != 1) continue;
      EXPECT_EQ(rows.Fields(static_cast<int>(i)).DefinedSize(), size)
          << table << "." << declared[i][0];
    }
  }
  // A new contact's Contact is its first and last name cut to 40 characters.
  EXPECT_EQ(host_.Execute("Contacts").Fields("Contact").DefinedSize(), 40);
}

}  // namespace
}  // namespace vdimpexp

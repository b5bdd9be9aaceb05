#include "app/host_console.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include "data/db_error.h"
#include "scratch_database.h"

namespace vdimpexp::host {
namespace {

TEST(HostConsoleTest, PrintsRowsAsCsvAndCountsChangedRows) {
  testing::ScratchDirectory scratch;
  data::Connection connection(scratch.Database("host.db", R"(
      CREATE TABLE Contacts (Name TEXT(40), Note TEXT(40), Visit DATETIME, Credit CURRENCY);
      INSERT INTO Contacts VALUES ('Smith, John', 'said "hi"', '2001-03-15', 12.5);
      INSERT INTO Contacts VALUES ('Plain', NULL, NULL, 0);)"));
  std::ostringstream rows;
  RunStatement(connection,
               "SELECT * FROM Contacts WHERE Visit Is Null OR Visit < #1/1/2002#", rows);
  EXPECT_EQ(rows.str(),
            "Name,Note,Visit,Credit\r\n"
            "\"Smith, John\",\"said \"\"hi\"\"\",3/15/2001,12.5\r\n"
            "Plain,,,0\r\n");

  std::ostringstream action;
  RunStatement(connection, "DELETE * FROM Contacts WHERE Credit > 0", action);
  EXPECT_EQ(action.str(), "1 row(s) affected\n");

  std::ostringstream exported;
  RunStatement(connection,
               "SELECT Name INTO [HTML Export;Database=" + scratch.File("") +
                   "].[contacts.htm] FROM Contacts",
               exported);
  EXPECT_EQ(exported.str(), "1 row(s) affected\n");
  EXPECT_TRUE(std::filesystem::exists(scratch.File("contacts.htm")));

  std::ostringstream nothing;
  EXPECT_THROW(RunStatement(connection, "SELECT Missing FROM Contacts", nothing),
               data::DbError);
  EXPECT_EQ(nothing.str(), "");

  std::ostringstream summary;
  PrintSummary(connection, summary);
  EXPECT_THAT(summary.str(), ::testing::HasSubstr("table Contacts: 1 rows"));
}

}  // namespace
}  // namespace vdimpexp::host

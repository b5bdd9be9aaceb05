#include "app/host_console.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include "scratch_database.h"

namespace vdimpexp::host {
namespace {

TEST(HostConsoleTest, PrintsRowsAsCsvAndCountsChangedRows) {
  testing::ScratchDirectory scratch;
  data::Connection connection(scratch.Database("host.db", R"(
      CREATE TABLE Contacts (Name TEXT(40), Note TEXT(40), Visit DATETIME, Credit CURRENCY);
      INSERT INTO Contacts VALUES ('Smith, John', 'said "hi"', '2001-03-15', 12.5);
      INSERT INTO Contacts VALUES ('Plain', NULL, NULL, 0);)"));
  auto run = [&](const std::string& statement) {
    std::ostringstream out;
    RunStatement(connection, statement, out);
    return out.str();
  };
  EXPECT_EQ(run("SELECT * FROM Contacts WHERE Visit Is Null OR Visit < #1/1/2002#"),
            "Name,Note,Visit,Credit\r\n"
            "\"Smith, John\",\"said \"\"hi\"\"\",3/15/2001,12.5\r\n"
            "Plain,,,0\r\n");
  EXPECT_EQ(run("DELETE * FROM Contacts WHERE Credit > 0"), "1 row(s) affected\n");
  EXPECT_EQ(run("SELECT Name INTO [HTML Export;Database=" + scratch.File("") +
                "].[contacts.htm] FROM Contacts"),
            "1 row(s) affected\n");
  EXPECT_TRUE(std::filesystem::exists(scratch.File("contacts.htm")));
  std::ostringstream summary;
  PrintSummary(connection, summary);
  EXPECT_THAT(summary.str(), ::testing::HasSubstr("table Contacts: 1 rows"));
}

}  // namespace
}  // namespace vdimpexp::host

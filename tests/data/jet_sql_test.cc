// The Jet dialect the host and the wizards speak, run on a small database:
// what each statement selects or changes, and which ones are refused.
#include "data/jet_sql.h"

#include <gtest/gtest.h>

#include "data/connection.h"
#include "data/db_error.h"
#include "scratch_database.h"

namespace vdimpexp::data {
namespace {

constexpr const char* kJobs = R"(
  CREATE TABLE Jobs (JobNo INTEGER PRIMARY KEY, Customer TEXT(30), DateIn DATETIME,
                     Total CURRENCY, Paid BIT);
  INSERT INTO Jobs VALUES (1, 'Acme', '2001-01-01', 10.5, 1);
  INSERT INTO Jobs VALUES (2, 'Baker', '2001-06-30', 20, 0);
  INSERT INTO Jobs VALUES (3, 'Carter', '2002-01-01 14:30:00', NULL, 0);
  CREATE TABLE [Job Items] (JobNo INTEGER, Item TEXT(20));
  INSERT INTO [Job Items] VALUES (1, 'Belt'), (3, 'Fuse');
)";

// The rows of a query as "a|b;c|d", or what an action statement changed.
std::string Outcome(Connection& connection, const std::string& jet) {
  int64_t changed = -1;
  Recordset rows = connection.Execute(jet, &changed);
  if (!rows.IsOpen()) return "changed " + std::to_string(changed);
  std::string text;
  for (; !rows.IsEOF(); rows.MoveNext()) {
    if (!text.empty()) text += ";";
    for (int i = 0; i < rows.Fields().Count(); ++i) {
      text += (i > 0 ? "|" : "") + rows.Fields(i).Value().ToText();
    }
  }
  return text;
}

TEST(JetSqlTest, EachStatementDoesWhatJetWouldDo) {
  testing::ScratchDirectory scratch;
  Connection connection(scratch.Database("jobs.db", kJobs));
  // clang-format off
  const std::pair<std::string, std::string> cases[] = {
      // A bare table name reads the whole table, with the columns' own kinds.
      {"Jobs", "1|Acme|1/1/2001|10.5|True;2|Baker|6/30/2001|20|False;"
               "3|Carter|1/1/2002 14:30:00||False"},
      {"  [Job Items] ", "1|Belt;3|Fuse"},
      {"SELECT JobNo FROM Jobs WHERE DateIn BETWEEN #1/1/2001# AND #12/31/2001#", "1;2"},
      {"SELECT JobNo FROM Jobs WHERE DateIn = #1/1/2002 2:30 PM# OR DateIn = #2001-06-30#",
       "2;3"},
      // A "#" inside text or a name is no date.
      {"SELECT '#1/1/2001#', [a#b] FROM (SELECT 5 AS [a#b])", "#1/1/2001#|5"},
      {"SELECT JobNo FROM Jobs WHERE Paid = True OR (Paid=FALSE AND Total Is Null)", "1;3"},
      {"SELECT TrueValue FROM (SELECT 7 AS TrueValue)", "7"},
      {"SELECT \"it\"\"s\", 'O''Brien'", "it\"s|O'Brien"},
      {"SELECT Item FROM ((Jobs INNER JOIN [Job Items] ON Jobs.JobNo = [Job Items].JobNo)) "
       "WHERE Customer = 'Carter'", "Fuse"},
      {"SELECT Customer FROM Jobs ORDER BY Customer DESC; ", "Carter;Baker;Acme"},
      {"DELETE * FROM Jobs WHERE JobNo > 1", "changed 2"},
      {"delete [Job Items].* from [Job Items] where JobNo=1", "changed 1"},
      {"SELECT Jobs.* INTO Paid FROM  Jobs WHERE   Paid=TRUE", "changed 1"},
  };
  // clang-format on
  for (const auto& [jet, outcome] : cases) {
    connection.BeginTrans();
    try {
      EXPECT_EQ(Outcome(connection, jet), outcome) << jet;
    } catch (const DbError& error) {
      ADD_FAILURE() << jet << ": " << error.what();
    }
    connection.RollbackTrans();
  }

  for (const char* bad :
       {"SELECT * FROM Jobs WHERE DateIn = #2/30/2001#", "SELECT 'open FROM Jobs",
        "SELECT [open FROM Jobs", "SELECT 1 WHERE DateIn = #1/1/2001",
        "SELECT 1; SELECT 2", "", "SELECT JobNo INTO FROM Jobs",
        "SELECT JobNo INTO t IN FROM Jobs", "SELECT Nope FROM Jobs"}) {
    try {
      Outcome(connection, bad);
      ADD_FAILURE() << "accepted: " << bad;
    } catch (const DbError& error) {
      EXPECT_EQ(error.number(), error_number::kEngineFailure) << bad;
      EXPECT_FALSE(error.description().empty());
    }
  }
}

}  // namespace
}  // namespace vdimpexp::data

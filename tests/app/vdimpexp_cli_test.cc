// The command line end to end on the reference database: exit statuses and messages
// for good and bad input, exports read back, and dry runs that leave the file as it was.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "process_runner.h"
#include "schema/reference_database.h"
#include "scratch_database.h"

namespace vdimpexp::testing {
namespace {

using ::testing::ContainsRegex;

class CommandLineTest : public ::testing::Test {
 protected:
  CommandLineTest() { schema::CreateReferenceDatabase(db_, {.contacts = 20}); }

  // Runs vdimpexp with `arguments` after the command and, where it takes one,
  // --db; the output holds standard output and then the error stream.
  ProcessOutput Run(const std::string& arguments) {
    return RunProcess(ShellQuoted(VDIMPEXP_CLI) + " " + arguments + " 2>&1");
  }
  std::string Db() const { return " --db " + ShellQuoted(db_); }

  ScratchDirectory scratch_;
  std::string db_ = scratch_.File("shop.db");
};

TEST_F(CommandLineTest, EachCommandExitsAsItEndsAndSaysWhy) {
  const std::string csv = ShellQuoted(scratch_.File("c.csv"));
  const std::string text_export = "export" + Db() +
                                  " --category 0 --fields LastName,City "
                                  "--format 'TEXT (comma delimited)' --out " +
                                  csv;
  struct Case {
    std::string arguments;
    int exit_code;
    std::string output;  // a regular expression
  } cases[] = {
      {"--version", 0, "^1\\.08\n$"},
      {"formats", 0, "\nExcel 97\n"},
      {"select" + Db() + " --category 0 --zip 1:99 --sort LastName", 0,
       "^SELECT \\* FROM Contacts WHERE   ZipCode BETWEEN '1' AND '99' ORDER BY "
       "LastName\n$"},
      {"select" + Db() + " --category 9", 2, "not in range.*\nTry 'vdimpexp --help'"},
      {"select" + Db() + " --category 0 --last-visit 2001-02-30:2002-01-01", 2,
       "no date of the form yyyy-mm-dd"},
      {"lists" + Db(), 0, "acc-type:\n  1\tWholesale\n"},
      {text_export, 0, "^Export of data to: .*c.csv is complete.\n$"},
      {text_export, 1, "already exists; --overwrite replaces it"},
      {text_export + " --overwrite", 0, "is complete"},
      {"export" + Db() +
           " --category 0 --fields CustomerSince --format 'dBASE IV' --out " +
           ShellQuoted(scratch_.File("c.dbf")),
       3, "renamed to fit.*\nCustomerSince as Custome[0-9]{1,3}\n"},
      {"export" + Db() + " --category 0 --fields LastName --format 'dBASE IV' --out " +
           ShellQuoted(scratch_.File("missing/d.dbf")),
       1, "Export failed.*missing/d.dbf"},
      {"export" + Db() + " --category 0 --fields LastName --format Word --out x", 2,
       "no format is named 'Word'"},
      {"import zip" + Db() + " --from " + ShellQuoted(db_) + " --commit", 2,
       "--keep or --replace is required"},
      {"import xav" + Db() + " --dir " + ShellQuoted(scratch_.Path()) + " --dry-run", 1,
       "no legacy tables in"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.arguments);
    const ProcessOutput output = Run(c.arguments);
    EXPECT_EQ(output.exit_code, c.exit_code) << output.text;
    EXPECT_THAT(output.text, ContainsRegex(c.output));
  }
  std::ifstream csv_file(scratch_.File("c.csv"));
  std::string header;
  std::getline(csv_file, header);
  EXPECT_EQ(header, "\"LastName\",\"City\"\r");
}

TEST_F(CommandLineTest, ADryRunIsTheRunRolledBackAndACommitKeepsIt) {
  const std::string before = SqliteDump(db_);
  const std::string xav = "import xav" + Db() +
                          " --dir " VD_XAV_FIXTURES "/main --history " VD_XAV_FIXTURES
                          "/history --tables customers,Inventory ";
  ProcessOutput dry = Run(xav + "--dry-run");
  EXPECT_EQ(dry.exit_code, 0) << dry.text;
  EXPECT_THAT(dry.text,
              ContainsRegex("\\[x\\] Customers.*\n\\[x\\] Inventory.*\n\\[ \\] "));
  EXPECT_THAT(dry.text,
              ContainsRegex("Importing Customers.*\nCompleted.\n.*Rolled back"));
  EXPECT_EQ(SqliteDump(db_), before);
  EXPECT_EQ(Run(xav + "--commit").exit_code, 0);
  EXPECT_EQ(QueryText(db_, "SELECT count(*) FROM Contacts"), "23");

  const std::string zips = scratch_.File("zips.mdb");
  schema::CreateZipCodeSourceDatabase(zips, 5, 1);
  const std::string zip = "import zip" + Db() + " --from " + ShellQuoted(zips);
  // --json: the summary as a document Python's own parser reads.
  const ProcessOutput json = RunProcess(
      ShellQuoted(VDIMPEXP_CLI) + " " + zip +
      " --keep --commit --json --quiet | python3 -c " +
      ShellQuoted("import json, sys; d = json.load(sys.stdin); "
                  "print(d['command'], d['added'], d['committed'], d['exit_status'])"));
  EXPECT_EQ(json.text, "import zip 5 True 0\n");
  const ProcessOutput again = Run(zip + " --keep --commit");
  EXPECT_EQ(again.exit_code, 3) << "every code was there already";
  EXPECT_THAT(again.text, ContainsRegex("0 zip codes added, 5 skipped"));
}

TEST_F(CommandLineTest, ASavedJobRunsAgainOnAnyDatabaseUnlessWhatItNamesIsGone) {
  const std::string job = ShellQuoted(scratch_.File("job.json"));
  const std::string out = scratch_.File("job.csv");
  const ProcessOutput saved =
      Run("export" + Db() + " --category 0 --fields LastName,City --format 'Excel 97' " +
          "--out " + ShellQuoted(out) + " --overwrite --save-job " + job);
  ASSERT_EQ(saved.exit_code, 0) << saved.text;
  const std::string other = scratch_.File("other.db");
  std::filesystem::copy_file(db_, other);
  std::filesystem::remove(out);
  EXPECT_EQ(Run("run " + job + " --db " + ShellQuoted(other)).exit_code, 0);
  EXPECT_TRUE(std::filesystem::exists(out));
  // A renamed column and a removed list entry are named, and nothing is written.
  scratch_.Database("other.db",
                    "ALTER TABLE Contacts RENAME COLUMN City TO Town;"
                    "DELETE FROM ContactTypes WHERE ClientTypeID = 1;");
  std::filesystem::remove(out);
  const ProcessOutput gone = Run("run " + job + " --db " + ShellQuoted(other));
  EXPECT_EQ(gone.exit_code, 1);
  EXPECT_THAT(gone.text, ContainsRegex("the field 'City' is no column of category 0"));
  EXPECT_FALSE(std::filesystem::exists(out));
  EXPECT_THAT(
      Run("select --db " + ShellQuoted(other) + " --category 0 --acc-type 1").text,
      ContainsRegex("--acc-type 1 is no entry of its list"));
  EXPECT_EQ(Run("run " + ShellQuoted(db_)).exit_code, 2) << "no job";
}

TEST_F(CommandLineTest, ASignalStopsAnExportLeavingNoFileAndExitsAsCancelled) {
  // Contacts that never end: only the signal, sent once the file is begun, ends the
  // export.
  scratch_.Database(
      "shop.db",
      "DROP TABLE Contacts; CREATE VIEW Contacts AS WITH RECURSIVE n(i) AS "
      "(SELECT 1 UNION ALL SELECT i + 1 FROM n) SELECT i AS LastName FROM n;");
  const std::string out = scratch_.File("endless.csv");
  const ProcessOutput output = RunProcess(
      ShellQuoted(VDIMPEXP_CLI) + " export" + Db() +
      " --category 0 --fields LastName --format 'Text (Comma Delimited)' --out " +
      ShellQuoted(out) + " 2>&1 & for i in $(seq 100); do [ -e " + ShellQuoted(out) +
      " ] && break; sleep 0.05; done; kill -TERM $!; wait $!");
  EXPECT_EQ(output.exit_code, 4) << output.text;
  EXPECT_THAT(output.text, ContainsRegex("Cancelled: nothing was exported.\n$"));
  EXPECT_FALSE(std::filesystem::exists(out));
}

}  // namespace
}  // namespace vdimpexp::testing

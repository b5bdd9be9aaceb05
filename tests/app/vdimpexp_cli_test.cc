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
  // The legacy tables with a LOG.DBF cut off inside its header, and a
  // folder holding only a customer table of code page 852 that says none.
  namespace fs = std::filesystem;
  const fs::path cut = fs::path(scratch_.Path()) / "cut";
  fs::copy(VD_XAV_FIXTURES "/main", cut);
  fs::resize_file(cut / "LOG.DBF", 20);
  const fs::path cp852 = fs::path(scratch_.Path()) / "cp852";
  fs::create_directory(cp852);
  fs::copy_file(VD_CODEPAGE_FIXTURES "/cp852/LOG.DBF", cp852 / "LOG.DBF");
  // The same table with the end of its last record (56 bytes) cut off.
  const fs::path cut_short = fs::path(scratch_.Path()) / "short";
  fs::create_directory(cut_short);
  fs::copy_file(cp852 / "LOG.DBF", cut_short / "LOG.DBF");
  fs::resize_file(cut_short / "LOG.DBF", fs::file_size(cp852 / "LOG.DBF") - 20);
  // A table of memo fields whose memo file is gone.
  const fs::path no_memos = fs::path(scratch_.Path()) / "no-memos";
  fs::create_directory(no_memos);
  fs::copy_file(VD_MEMO_FIXTURES "/main/MFG.DBF", no_memos / "MFG.DBF");
  const std::string xav = "import xav" + Db() + " --dir ";
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
      {"export --help", 0, "^export the selection\nUsage: vdimpexp export \\[OPTIONS\\]"},
      {"exprot" + Db(), 2, "^vdimpexp: 'exprot' is no command of vdimpexp\n"},
      {"import zap" + Db(), 2, "^vdimpexp: 'zap' is no command of vdimpexp import\n"},
      {"run --help", 0, "^run a command saved with --save-job\nUsage: vdimpexp run "},
      {"formats", 0, "\nExcel 97\n"},
      {"select" + Db() + " --category 0 --zip 1:99 --sort LastName", 0,
       "^SELECT \\* FROM Contacts WHERE   ZipCode BETWEEN '1' AND '99' ORDER BY "
       "LastName\n$"},
      {"select" + Db() + " --category 9", 2, "not in range.*\nTry 'vdimpexp --help'"},
      {"export" + Db() + " --category 6 --fields LastName --format 'Excel 97' --out x", 2,
       "--category: Value 6 not in range 0 to 5\n"},
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
      {xav + ShellQuoted(scratch_.File("gone")) + " --dry-run", 2,
       "--dir: Directory does not exist: .*gone\n"},
      {xav + VD_XAV_FIXTURES "/main --codepage 999 --dry-run", 2,
       "vdimpexp: --codepage: no such character set: 999\nTry"},
      // The other tables are imported; the one left out makes it 3.
      {xav + ShellQuoted(cut.string()) + " --dry-run", 3,
       "^(\\[x\\] [^\n]*\n)+LOG.DBF could not be opened: the file ends before the "
       "header it declares; it is left out.\nImporting Inventory.*Rolled back"},
      {xav + ShellQuoted(cut.string()) + " --tables customers --dry-run", 1,
       "LOG.DBF could not be opened.*\nvdimpexp: no table 'customers' in"},
      // Nothing stays, and no table's counts follow as if it had.
      {xav + VD_XAV_FIXTURES "/main --tables inventory --commit --save-list " +
           ShellQuoted(scratch_.File("gone/left-out.csv")),
       1,
       "nothing was imported: the list could not be written to '.*gone/left-out.csv': "
       "No such file or directory\n$"},
      {xav + ShellQuoted(cp852.string()) + " --codepage 852 --commit", 0,
       "Importing Customers \\(4 records\\) - character set of tables without one: "
       "DOS 852.*\nCommitted"},
      {xav + ShellQuoted(cut_short.string()) + " --codepage 852 --dry-run", 3,
       "\n1 record that the header counts is missing from the file, which was cut "
       "short.\n(.*\n)*Customers \\(3 records\\): 3 read, .* 1 missing from a file "
       "cut short;"},
      {xav + ShellQuoted(no_memos.string()) + " --dry-run", 3,
       "\nManufacturers \\(3 records\\): 3 read, 3 imported .*, 3 memo texts "
       "unreadable;"},
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
  const QueryTable names =
      QueryRows(db_,
                "SELECT FirstName, LastName, City FROM Contacts WHERE FirstName IN "
                "('Antonín', 'Łucja', 'Zoltán', 'Jiří') ORDER BY LastName");
  EXPECT_EQ(names, (QueryTable{{"Antonín", "Dvořák", "Nelahozeves"},
                               {"Zoltán", "Kovács", "Győr"},
                               {"Łucja", "Wiśniewska", "Łódź"},
                               {"Jiří", "Čapek", "Žižkov"}}));
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
  // --json: each table's counts; --save-list: the duplicate part number left out.
  const std::string left_out = scratch_.File("left-out.csv");
  const ProcessOutput committed = RunProcess(
      ShellQuoted(VDIMPEXP_CLI) + " " + xav + "--commit --save-list " +
      ShellQuoted(left_out) + " --json --quiet | python3 -c " +
      ShellQuoted("import json, sys; d = json.load(sys.stdin)\n"
                  "for t in d['tables']:\n"
                  "  if t['ticked']: print(t['table'], *[t[k] for k in ('read', "
                  "'imported', 'renamed', 'dropped', 'refused', 'deleted')], "
                  "isinstance(t['seconds'], float))\n"
                  "print(d['set_aside'], d['committed'], d['exit_status'])"));
  EXPECT_EQ(committed.text,
            "Customers (3 records) 3 3 0 0 0 0 True\n"
            "Inventory (4 records) 4 3 0 1 0 0 True\n1 True 0\n");
  EXPECT_EQ(FileContents(left_out),
            "Table,Record,Key,Reason\r\n"
            "STOCK.DBF,3,BK-100,a duplicate of an item already in the host\r\n");
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
  // What is no job, or not one as --save-job writes them, is refused, never run.
  const std::pair<std::string, std::string> no_jobs[] = {
      {"shop.db", "it is no JSON document"},
      {R"([1])", "it is no saved job"},
      {R"({"vdimpexp_job": 1, "options": {}})", R"(its "command" is no list of words)"},
      {R"({"vdimpexp_job": 1, "command": ["-q", "run", "no-job.json"], "options": {}})",
       "it runs another job"},
      {R"({"vdimpexp_job": 1, "command": ["formats"], "options": {"--db": 5}})",
       "the option --db holds neither a text, a list of texts nor true"},
  };
  for (const auto& [document, refusal] : no_jobs) {
    SCOPED_TRACE(document);
    std::string file = db_;
    if (document != "shop.db") {
      file = scratch_.File("no-job.json");
      std::ofstream(file) << document;
    }
    const ProcessOutput refused = Run("run " + ShellQuoted(file));
    EXPECT_EQ(refused.exit_code, 2) << refused.text;
    EXPECT_THAT(refused.text, ContainsRegex(": " + refusal + "\n$"));
  }
}

TEST_F(CommandLineTest, ADatabaseAnotherProgramHoldsLockedFailsAndIsLeftAsItWas) {
  const std::string before = FileContents(db_);
  sqlite3* holder = nullptr;
  ASSERT_EQ(sqlite3_open(db_.c_str(), &holder), SQLITE_OK);
  ASSERT_EQ(sqlite3_exec(holder, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr),
            SQLITE_OK);
  const std::string out = scratch_.File("locked.xls");
  for (const std::string& command :
       {"import xav" + Db() + " --dir " VD_XAV_FIXTURES "/main --commit",
        "export" + Db() + " --category 0 --fields LastName --format 'Excel 97' --out " +
            ShellQuoted(out)}) {
    SCOPED_TRACE(command);
    // The time limit only turns a hang into a failure; the wait is 5 s.
    const ProcessOutput output =
        RunProcess("timeout 60 " + ShellQuoted(VDIMPEXP_CLI) + " " + command);
    EXPECT_EQ(output.exit_code, 1) << output.text;
    EXPECT_THAT(output.text,
                ContainsRegex("shop.db is locked by another program, which still held "
                              "it after 5 s; try again once it has finished\n$"));
  }
  sqlite3_exec(holder, "ROLLBACK", nullptr, nullptr, nullptr);
  sqlite3_close(holder);
  EXPECT_EQ(FileContents(db_), before);
  EXPECT_FALSE(std::filesystem::exists(out));
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

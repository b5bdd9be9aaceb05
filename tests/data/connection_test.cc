// The host connection: which files it opens, nested transactions and what
// is left after a rollback, and SELECT ... INTO other tables and files.
#include "data/connection.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fstream>

#include "data/db_error.h"
#include "data/external_target.h"
#include "scratch_database.h"

namespace vdimpexp::data {
namespace {

using ::testing::HasSubstr;
using vdimpexp::testing::QueryText;
using vdimpexp::testing::ScratchDirectory;

constexpr const char* kJobs = R"(
  CREATE TABLE Jobs (JobNo INTEGER PRIMARY KEY, Customer TEXT(30), DateIn DATETIME,
                     Total CURRENCY, Paid BIT);
  INSERT INTO Jobs VALUES (1, 'Acme', '2001-01-01', 10.5, 1);
  INSERT INTO Jobs VALUES (2, 'Baker', '2001-06-30', 20, 0);
  INSERT INTO Jobs VALUES (3, 'Carter', '2002-01-01', NULL, 0);
)";

DbError ErrorOf(const std::function<void()>& action) {
  try {
    action();
  } catch (const DbError& error) {
    return error;
  }
  return DbError(0, "no error");
}

class ConnectionTest : public ::testing::Test {
 protected:
  ConnectionTest() : path_(scratch_.Database("host.db", kJobs)), host_(path_) {}

  std::string Jobs() const {
    return QueryText(path_, "SELECT group_concat(JobNo) FROM Jobs");
  }
  void Insert(int job) {
    host_.Execute("INSERT INTO Jobs (JobNo) VALUES (" + std::to_string(job) + ")");
  }

  ScratchDirectory scratch_;
  std::string path_;
  Connection host_;
};

TEST_F(ConnectionTest, OpensHostDatabasesOnlyAndSaysWhatElseItWasGiven) {
  const std::string jet = scratch_.File("old.mdb");
  std::ofstream(jet, std::ios::binary)
      << std::string("\0\1\0\0Standard Jet DB\0", 20) << std::string(200, '\0');
  const std::string text = scratch_.File("notes.txt");
  std::ofstream(text) << "just some text, not a database at all";
  const std::string workgroup = scratch_.File("NOPE.QPW");
  const std::pair<std::string, std::string> refused[] = {
      {jet, "Jet (Access)"},
      {text, "not a database"},
      {scratch_.File("missing.db"), "missing.db"},
      {"Provider=Microsoft.Jet.OLEDB.4.0;User ID=Tekvar;Data Source=" + path_ +
           ";Jet OLEDB:System database=" + workgroup,
       workgroup},
  };
  for (const auto& [opened, named] : refused) {
    EXPECT_THAT(ErrorOf([&] { Connection c(opened); }).description(), HasSubstr(named));
  }
  Connection by_string("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + path_ + ";");
  EXPECT_EQ(by_string.DataSource(), path_);
}

TEST_F(ConnectionTest, NestedTransactionsCommitOnlyWithTheOuterLevel) {
  EXPECT_EQ(host_.BeginTrans(), 1);
  Insert(10);
  EXPECT_EQ(host_.BeginTrans(), 2);
  Insert(11);
  host_.CommitTrans();
  host_.BeginTrans();
  Insert(12);
  host_.RollbackTrans();
  EXPECT_EQ(host_.TransactionLevel(), 1);
  // Nothing is permanent, or seen by anyone else, before the outer commit.
  EXPECT_EQ(Jobs(), "1,2,3");
  host_.CommitTrans();
  EXPECT_EQ(Jobs(), "1,2,3,10,11");

  host_.BeginTrans();
  host_.BeginTrans();
  host_.Execute("DELETE * FROM Jobs");
  host_.CommitTrans();
  host_.RollbackTrans();  // the outer rollback undoes the inner commit
  EXPECT_EQ(Jobs(), "1,2,3,10,11");
  EXPECT_EQ(ErrorOf([&] { host_.CommitTrans(); }).number(),
            error_number::kInvalidOperation);

  // A recordset still open on the rows does not stand in the way of the commit.
  host_.BeginTrans();
  Recordset reading = host_.Execute("SELECT JobNo FROM Jobs ORDER BY JobNo");
  Insert(20);
  host_.CommitTrans();
  reading.MoveNext();
  EXPECT_EQ(reading.Fields(0).Value(), Value(int64_t{2}));
  EXPECT_EQ(Jobs(), "1,2,3,10,11,20");
}

TEST_F(ConnectionTest, NothingIsWrittenAfterTheEngineEndedTheTransaction) {
  Recordset jobs;
  jobs.Open("Jobs", host_, CursorType::kKeyset, LockType::kOptimistic,
            CommandType::kTable);
  host_.BeginTrans();
  host_.BeginTrans();
  Insert(10);
  jobs.AddNew();
  jobs.Fields("Customer").SetValue("Would stay for good");
  // A disk-full or I/O failure makes SQLite roll back by itself; a bare
  // ROLLBACK ends the transaction behind the session's back the same way.
  host_.Execute("ROLLBACK TRANSACTION");

  // Without the transaction every write would be permanent at once.
  EXPECT_EQ(ErrorOf([&] { Insert(11); }).number(), error_number::kEngineFailure);
  EXPECT_THAT(ErrorOf([&] { jobs.Update(); }).description(),
              HasSubstr("rolled the transaction back"));
  jobs.CancelUpdate();
  EXPECT_EQ(ErrorOf([&] { host_.BeginTrans(); }).number(), error_number::kEngineFailure);

  // Each level the caller opened is ended; the outer commit says nothing was kept.
  host_.RollbackTrans();
  EXPECT_EQ(host_.TransactionLevel(), 1);
  EXPECT_EQ(ErrorOf([&] { host_.CommitTrans(); }).number(), error_number::kEngineFailure);
  EXPECT_EQ(host_.TransactionLevel(), 0);
  EXPECT_EQ(Jobs(), "1,2,3");
  Insert(12);
  EXPECT_EQ(Jobs(), "1,2,3,12");
}

TEST_F(ConnectionTest, SelectIntoCreatesTablesWithTheSourceTypesHereAndInOtherFiles) {
  host_.Execute("SELECT Jobs.* INTO Paid FROM  Jobs WHERE   Paid=TRUE");
  EXPECT_EQ(QueryText(path_, "SELECT group_concat(type) FROM pragma_table_info('Paid')"),
            "INTEGER,TEXT(30),DATETIME,CURRENCY,BIT");
  EXPECT_THAT(
      ErrorOf([&] { host_.Execute("SELECT * INTO Paid FROM Jobs"); }).description(),
      HasSubstr("already exists"));
  // A failed copy leaves no half-made table behind.
  EXPECT_ANY_THROW(host_.Execute("SELECT JobNo, 1/0 + Nope INTO Broken FROM Jobs"));
  EXPECT_EQ(QueryText(path_, "SELECT count(*) FROM sqlite_master WHERE name='Broken'"),
            "0");

  // Into another database file, named with IN, or as [file].[table] with its
  // ".mdb" left off; and dropped there again.
  const std::string target = scratch_.Database("out.mdb", "CREATE TABLE Other (x);");
  host_.Execute("SELECT Customer, Total INTO Copied IN '" + target + "'FROM Jobs;");
  EXPECT_EQ(QueryText(target, "SELECT group_concat(Customer) FROM Copied"),
            "Acme,Baker,Carter");
  host_.Execute("SELECT [Customer] INTO [" + target.substr(0, target.size() - 4) +
                "].[Verdacor] FROM Jobs");
  EXPECT_EQ(QueryText(target, "SELECT count(*) FROM Verdacor"), "3");
  host_.Execute("DROP TABLE [" + target + "].[Copied]");
  EXPECT_EQ(QueryText(target, "SELECT group_concat(name) FROM sqlite_master"),
            "Other,Verdacor");
  EXPECT_THAT(ErrorOf([&] {
                host_.Execute("DROP TABLE [" + target + "].[Copied]");
              }).description(),
              HasSubstr("does not exist"));
  EXPECT_THAT(
      ErrorOf([&] {
        host_.Execute("SELECT * INTO t IN '" + scratch_.File("none.mdb") + "' FROM Jobs");
      }).description(),
      HasSubstr("none.mdb"));
}

// Hands the engine's rows on until the given row, where the disk is full.
class FailingWriter : public TableWriter {
 public:
  FailingWriter(int fail_at_row, bool& abandoned)
      : fail_at_row_(fail_at_row), abandoned_(abandoned) {}
  void Open(const ExternalTarget&, std::span<const ColumnInfo>) override {}
  void WriteRow(std::span<const Value>) override {
    if (rows_++ == fail_at_row_) throw std::runtime_error("disk full");
  }
  void Finish() override { finished_ = true; }
  void Abandon() noexcept override { abandoned_ = !finished_; }

 private:
  int fail_at_row_;
  int rows_ = 0;
  bool finished_ = false;
  bool& abandoned_;
};

TEST_F(ConnectionTest, AFailingExternalWriterIsToldToRemoveWhatItWrote) {
  bool abandoned = false;
  RegisterTableWriter("Failing Format",
                      [&] { return std::make_unique<FailingWriter>(1, abandoned); });
  DbError error = ErrorOf([&] {
    host_.Execute(
        "SELECT * INTO [failing format;Database=/exports].[jobs.tst] FROM Jobs");
  });
  EXPECT_EQ(error.number(), error_number::kEngineFailure);
  EXPECT_THAT(error.description(), HasSubstr("disk full"));
  EXPECT_TRUE(abandoned);
  EXPECT_THAT(
      ErrorOf([&] {
        host_.Execute("SELECT * INTO [Quattro Pro;Database=/x].[jobs.wq1] FROM Jobs");
      }).description(),
      HasSubstr("Quattro Pro"));
}

TEST_F(ConnectionTest, ManyDifferentStatementsKeepWorking) {
  // Each filter choice gives another statement text; far more of them than
  // the statement cache keeps must all still run.
  for (int i = 0; i < 600; ++i) {
    EXPECT_EQ(
        host_.Execute("SELECT count(*) FROM Jobs WHERE JobNo <> " + std::to_string(i))
            .Fields(0)
            .Value(),
        Value(int64_t{i >= 1 && i <= 3 ? 2 : 3}));
  }
}

}  // namespace
}  // namespace vdimpexp::data

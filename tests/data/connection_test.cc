#include "data/connection.h"

#include <gtest/gtest.h>

#include <fstream>

#include "data/db_error.h"
#include "data/external_target.h"
#include "scratch_database.h"

namespace vdimpexp::data {
namespace {

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

  int64_t Count(const std::string& sql) {
    return host_.Execute(sql).Fields(0).Value().AsInteger();
  }

  ScratchDirectory scratch_;
  std::string path_;
  Connection host_;
};

TEST_F(ConnectionTest, OpenRefusesWhatIsNotAHostDatabase) {
  std::string jet = scratch_.File("old.mdb");
  std::ofstream(jet, std::ios::binary)
      << std::string("\0\1\0\0Standard Jet DB\0", 20) << std::string(200, '\0');
  EXPECT_NE(ErrorOf([&] { Connection c(jet); }).description().find("Jet (Access)"),
            std::string::npos);
  std::string text = scratch_.File("notes.txt");
  std::ofstream(text) << "just some text, not a database at all";
  EXPECT_NE(ErrorOf([&] { Connection c(text); }).description().find("not a database"),
            std::string::npos);
  EXPECT_NE(ErrorOf([&] { Connection c(scratch_.File("missing.db")); })
                .description()
                .find("missing.db"),
            std::string::npos);
  std::string no_workgroup = scratch_.File("NOPE.QPW");
  DbError error = ErrorOf([&] {
    Connection c("Provider=Microsoft.Jet.OLEDB.4.0;User ID=Tekvar;Data Source=" + path_ +
                 ";Jet OLEDB:System database=" + no_workgroup);
  });
  EXPECT_NE(error.description().find(no_workgroup), std::string::npos);
  Connection by_string("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + path_ + ";");
  EXPECT_EQ(by_string.DataSource(), path_);
}

TEST_F(ConnectionTest, ExecuteRunsQueriesActionsAndBareTableNames) {
  Recordset jobs = host_.Execute("Jobs");
  EXPECT_EQ(jobs.Fields("Customer").Value(), Value("Acme"));
  EXPECT_EQ(jobs.Fields("Paid").Value(), Value(true));
  EXPECT_EQ(jobs.Fields("Total").Value(), Value(10.5));
  EXPECT_EQ(
      Count("SELECT count(*) FROM Jobs WHERE DateIn BETWEEN #1/1/2001# AND #12/31/2001#"),
      2);
  EXPECT_EQ(Count("SELECT count(*) FROM Jobs WHERE Paid = TRUE"), 1);
  EXPECT_EQ(Count("SELECT count(*) FROM Jobs WHERE Total Is Null"), 1);
  int64_t affected = -1;
  Recordset action = host_.Execute("DELETE * FROM Jobs WHERE JobNo > 2", &affected);
  EXPECT_FALSE(action.IsOpen());
  EXPECT_EQ(affected, 1);
  DbError bad = ErrorOf([&] { host_.Execute("SELECT Nope FROM Jobs"); });
  EXPECT_EQ(bad.number(), error_number::kEngineFailure);
  EXPECT_NE(bad.description().find("Nope"), std::string::npos);
}

TEST_F(ConnectionTest, NestedTransactionsCommitOnlyWithTheOuterLevel) {
  EXPECT_EQ(host_.BeginTrans(), 1);
  host_.Execute("INSERT INTO Jobs (JobNo, Customer) VALUES (10, 'Outer')");
  EXPECT_EQ(host_.BeginTrans(), 2);
  host_.Execute("INSERT INTO Jobs (JobNo, Customer) VALUES (11, 'Inner kept')");
  host_.CommitTrans();
  host_.BeginTrans();
  host_.Execute("INSERT INTO Jobs (JobNo, Customer) VALUES (12, 'Inner undone')");
  host_.RollbackTrans();
  EXPECT_EQ(host_.TransactionLevel(), 1);
  // Not yet visible to anyone else: nothing is permanent before the outer commit.
  EXPECT_EQ(QueryText(path_, "SELECT count(*) FROM Jobs"), "3");
  host_.CommitTrans();
  EXPECT_EQ(QueryText(path_, "SELECT group_concat(JobNo) FROM Jobs WHERE JobNo >= 10"),
            "10,11");

  host_.BeginTrans();
  host_.BeginTrans();
  host_.Execute("DELETE * FROM Jobs");
  host_.CommitTrans();
  host_.RollbackTrans();  // the outer rollback undoes the inner commit
  EXPECT_EQ(Count("SELECT count(*) FROM Jobs"), 5);
  EXPECT_EQ(ErrorOf([&] { host_.CommitTrans(); }).number(),
            error_number::kInvalidOperation);

  // A recordset still open on the rows does not stand in the way of the commit.
  host_.BeginTrans();
  Recordset reading = host_.Execute("SELECT JobNo FROM Jobs ORDER BY JobNo");
  host_.Execute("INSERT INTO Jobs (JobNo, Customer) VALUES (20, 'While reading')");
  host_.CommitTrans();
  reading.MoveNext();
  EXPECT_EQ(reading.Fields(0).Value(), Value(int64_t{2}));
  EXPECT_EQ(QueryText(path_, "SELECT Customer FROM Jobs WHERE JobNo = 20"),
            "While reading");
}

TEST_F(ConnectionTest, NothingIsWrittenAfterTheEngineEndedTheTransaction) {
  Recordset jobs;
  jobs.Open("Jobs", host_, CursorType::kKeyset, LockType::kOptimistic, CommandType::kTable);
  host_.BeginTrans();
  host_.BeginTrans();
  host_.Execute("INSERT INTO Jobs (JobNo, Customer) VALUES (10, 'Lost with the rollback')");
  jobs.AddNew();
  jobs.Fields("Customer").SetValue("Would stay for good");
  // A disk-full or I/O failure makes SQLite roll back by itself; a bare
  // ROLLBACK TRANSACTION ends the transaction behind the session's back the same way.
  host_.Execute("ROLLBACK TRANSACTION");

  // Without the transaction every write would be permanent at once.
  EXPECT_EQ(ErrorOf([&] { host_.Execute("INSERT INTO Jobs (JobNo) VALUES (11)"); }).number(),
            error_number::kEngineFailure);
  DbError save_error = ErrorOf([&] { jobs.Update(); });
  EXPECT_NE(std::string(save_error.what()).find("rolled the transaction back"),
            std::string::npos)
      << save_error.what();
  jobs.CancelUpdate();
  EXPECT_EQ(ErrorOf([&] { host_.BeginTrans(); }).number(), error_number::kEngineFailure);

  // Each level the caller opened is ended; the outer commit says nothing was kept.
  host_.RollbackTrans();
  EXPECT_EQ(host_.TransactionLevel(), 1);
  EXPECT_EQ(ErrorOf([&] { host_.CommitTrans(); }).number(), error_number::kEngineFailure);
  EXPECT_EQ(host_.TransactionLevel(), 0);
  EXPECT_EQ(QueryText(path_, "SELECT count(*) FROM Jobs"), "3");

  host_.Execute("INSERT INTO Jobs (JobNo, Customer) VALUES (12, 'After')");
  EXPECT_EQ(QueryText(path_, "SELECT Customer FROM Jobs WHERE JobNo = 12"), "After");
}

TEST_F(ConnectionTest, ManyDifferentStatementsKeepWorking) {
  // Each filter choice gives another statement text; far more of them than
  // the statement cache keeps must all still run.
  for (int i = 0; i < 600; ++i) {
    EXPECT_EQ(Count("SELECT count(*) FROM Jobs WHERE JobNo <> " + std::to_string(i)),
              i >= 1 && i <= 3 ? 2 : 3);
  }
}

TEST_F(ConnectionTest, SelectIntoCreatesTablesWithTheSourceTypes) {
  host_.Execute("SELECT Jobs.* INTO Paid FROM  Jobs WHERE   Paid=TRUE");
  EXPECT_EQ(Count("SELECT count(*) FROM Paid"), 1);
  EXPECT_EQ(QueryText(path_, "SELECT group_concat(type) FROM pragma_table_info('Paid')"),
            "INTEGER,TEXT(30),DATETIME,CURRENCY,BIT");
  DbError again = ErrorOf([&] { host_.Execute("SELECT * INTO Paid FROM Jobs"); });
  EXPECT_NE(again.description().find("already exists"), std::string::npos);

  // Into another database file, named with IN, or as [file].[table] with its
  // ".mdb" left off; and dropped there again.
  std::string target = scratch_.Database("out.mdb", "CREATE TABLE Other (x);");
  host_.Execute("SELECT Customer, Total INTO Copied IN '" + target + "'FROM Jobs;");
  EXPECT_EQ(QueryText(target, "SELECT group_concat(Customer) FROM Copied"),
            "Acme,Baker,Carter");
  std::string without_extension = target.substr(0, target.size() - 4);
  host_.Execute("SELECT [Customer] INTO [" + without_extension +
                "].[Verdacor] FROM Jobs");
  EXPECT_EQ(QueryText(target, "SELECT count(*) FROM Verdacor"), "3");
  host_.Execute("DROP TABLE [" + target + "].[Copied]");
  EXPECT_EQ(QueryText(target, "SELECT count(*) FROM sqlite_master WHERE name='Copied'"),
            "0");
  EXPECT_NE(ErrorOf([&] { host_.Execute("DROP TABLE [" + target + "].[Copied]"); })
                .description()
                .find("does not exist"),
            std::string::npos);
  EXPECT_NE(
      ErrorOf([&] {
        host_.Execute("SELECT * INTO t IN '" + scratch_.File("none.mdb") + "' FROM Jobs");
      })
          .description()
          .find("none.mdb"),
      std::string::npos);
  // A failed copy leaves no half-made table behind.
  EXPECT_ANY_THROW(host_.Execute("SELECT JobNo, 1/0 + Nope INTO Broken FROM Jobs"));
  EXPECT_EQ(QueryText(path_, "SELECT count(*) FROM sqlite_master WHERE name='Broken'"),
            "0");
}

// Collects what the engine hands an external writer.
struct Captured {
  ExternalTarget target;
  std::vector<ColumnInfo> columns;
  std::vector<std::vector<Value>> rows;
  bool finished = false;
  bool abandoned = false;
};

class CapturingWriter : public TableWriter {
 public:
  CapturingWriter(Captured& captured, int fail_at_row)
      : captured_(captured), fail_at_row_(fail_at_row) {}
  void Open(const ExternalTarget& target, std::span<const ColumnInfo> columns) override {
    captured_.target = target;
    captured_.columns.assign(columns.begin(), columns.end());
  }
  void WriteRow(std::span<const Value> row) override {
    if (static_cast<int>(captured_.rows.size()) == fail_at_row_) {
      throw std::runtime_error("disk full");
    }
    captured_.rows.emplace_back(row.begin(), row.end());
  }
  void Finish() override { captured_.finished = true; }
  void Abandon() noexcept override { captured_.abandoned = true; }

 private:
  Captured& captured_;
  int fail_at_row_;
};

TEST_F(ConnectionTest, ExternalTargetsStreamRowsToTheirWriter) {
  Captured captured;
  RegisterTableWriter("Test Format",
                      [&] { return std::make_unique<CapturingWriter>(captured, -1); });
  host_.Execute(
      "SELECT [Customer],[DateIn],[Total] INTO [test format;Database=/exports]."
      "[jobs.tst] FROM  Jobs WHERE   JobNo < 3");
  EXPECT_EQ(captured.target.database, "/exports");
  EXPECT_EQ(captured.target.table, "jobs.tst");
  ASSERT_EQ(captured.columns.size(), 3u);
  EXPECT_EQ(captured.columns[0].type, ColumnType::kText);
  EXPECT_EQ(captured.columns[0].defined_size, 30);
  EXPECT_EQ(captured.columns[1].type, ColumnType::kDate);
  EXPECT_EQ(captured.columns[2].type, ColumnType::kCurrency);
  ASSERT_EQ(captured.rows.size(), 2u);
  EXPECT_EQ(captured.rows[1][0], Value("Baker"));
  EXPECT_EQ(captured.rows[1][1], Value(Date{2001, 6, 30}));
  EXPECT_TRUE(captured.finished);
  EXPECT_FALSE(captured.abandoned);

  Captured failing;
  RegisterTableWriter("Test Format",
                      [&] { return std::make_unique<CapturingWriter>(failing, 1); });
  DbError error = ErrorOf([&] {
    host_.Execute("SELECT * INTO [Test Format;Database=/exports].[jobs.tst] FROM Jobs");
  });
  EXPECT_NE(error.description().find("disk full"), std::string::npos);
  EXPECT_TRUE(failing.abandoned);
  EXPECT_FALSE(failing.finished);

  DbError unknown = ErrorOf([&] {
    host_.Execute("SELECT * INTO [Quattro Pro;Database=/exports].[jobs.wq1] FROM Jobs");
  });
  EXPECT_NE(unknown.description().find("Quattro Pro"), std::string::npos);
}

}  // namespace
}  // namespace vdimpexp::data

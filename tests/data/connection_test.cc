// The host data layer: Jet statements, nested transactions, new rows' keys, value edges.
#include "data/connection.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <atomic>
#include <chrono>
#include <fstream>
#include <thread>

#include "data/conversion.h"
#include "data/db_error.h"
#include "data/external_target.h"
#include "data/utf8.h"
#include "scratch_database.h"

namespace vdimpexp::data {
namespace {

using ::testing::HasSubstr;
using vdimpexp::testing::QueryText;

constexpr const char* kShop = R"(
  CREATE TABLE Jobs (JobNo INTEGER PRIMARY KEY, Customer TEXT(30), DateIn DATETIME,
                     Total CURRENCY, Paid BIT);
  INSERT INTO Jobs VALUES (1, 'Acme', '2001-01-01', 10.5, 1), (2, 'Baker', '2001-06-30', 20, 0),
                          (3, 'Carter', '2002-01-01 14:30:00', NULL, 0);
  CREATE TABLE [Job Items] (JobNo INTEGER, Item TEXT(20));
  INSERT INTO [Job Items] VALUES (1, 'Belt'), (3, 'Fuse');
  CREATE TABLE Contacts (CKey INTEGER PRIMARY KEY AUTOINCREMENT, FileAs TEXT(20) NOT NULL,
                         Contact TEXT(40), Terms SMALLINT DEFAULT 1, LastVisit DATETIME);
  CREATE UNIQUE INDEX ContactsFileAs ON Contacts (FileAs);
  INSERT INTO Contacts (FileAs, Contact, LastVisit) VALUES ('Acme', 'Smith John', '2001-05-06');
  CREATE TABLE Kinds (t TEXT(40), m LONGTEXT, b BIT, y BYTE, s SMALLINT, i INTEGER, f SINGLE,
                      d DOUBLE, c CURRENCY, n DECIMAL(12,3), w DATETIME);
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
  ConnectionTest() : path_(scratch_.Database("shop.db", kShop)), host_(path_) {}

  // The rows of a query as "a|b;c|d", or what an action statement changed.
  std::string Outcome(const std::string& jet) {
    int64_t changed = -1;
    Recordset rows = host_.Execute(jet, &changed);
    if (!rows.IsOpen()) return "changed " + std::to_string(changed);
    std::string text;
    for (; !rows.IsEOF(); rows.MoveNext()) {
      text += text.empty() ? "" : ";";
      for (int i = 0; i < rows.Fields().Count(); ++i) {
        text += (i > 0 ? "|" : "") + rows.Fields(i).Value().ToText();
      }
    }
    return text;
  }
  std::string Read(const std::string& sql) const { return QueryText(path_, sql); }
  std::string Jobs() const { return Read("SELECT group_concat(JobNo) FROM Jobs"); }
  void Insert(int job) {
    host_.Execute("INSERT INTO Jobs (JobNo) VALUES (" + std::to_string(job) + ")");
  }
  Recordset OpenTable(const std::string& table) {
    Recordset rows;
    rows.Open(table, host_, CursorType::kKeyset, LockType::kOptimistic,
              CommandType::kTable);
    return rows;
  }
  static int64_t Key(const Recordset& rows) {
    return rows.Fields("CKey").Value().AsInteger();
  }
  std::string Keys() const {
    return Read("SELECT group_concat(CKey) FROM (SELECT CKey FROM Contacts ORDER BY 1)");
  }

  testing::ScratchDirectory scratch_;
  std::string path_;
  Connection host_;
};

TEST_F(ConnectionTest, EachJetStatementDoesWhatJetWouldDo) {
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
      // "--" is no comment.
      {"SELECT 5--3, 7 - -1", "8|8"},
      {"SELECT Item FROM ((Jobs INNER JOIN [Job Items] ON Jobs.JobNo = [Job Items].JobNo)) "
       "WHERE Customer = 'Carter'", "Fuse"},
      {"SELECT Customer FROM Jobs ORDER BY Customer DESC; ", "Carter;Baker;Acme"},
      {"DELETE * FROM Jobs WHERE JobNo > 1", "changed 2"},
      {"delete [Job Items].* from [Job Items] where JobNo=1", "changed 1"},
  };
  // clang-format on
  for (const auto& [jet, outcome] : cases) {
    host_.BeginTrans();
    EXPECT_NO_THROW(EXPECT_EQ(Outcome(jet), outcome) << jet) << jet;
    host_.RollbackTrans();
  }
  for (const char* bad :
       {"SELECT * FROM Jobs WHERE DateIn = #2/30/2001#", "SELECT 'open FROM Jobs",
        "SELECT [open FROM Jobs", "SELECT 1 WHERE DateIn = #1/1/2001",
        "SELECT 1; SELECT 2", "", "SELECT JobNo INTO FROM Jobs",
        "SELECT JobNo INTO t IN FROM Jobs", "SELECT Nope FROM Jobs"}) {
    EXPECT_EQ(ErrorOf([&] { Outcome(bad); }).number(), error_number::kEngineFailure)
        << bad;
  }
}

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
      {"Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + path_ +
           ";Jet OLEDB:System database=" + workgroup,
       workgroup},
  };
  for (const auto& [opened, named] : refused) {
    EXPECT_THAT(ErrorOf([&] { Connection c(opened); }).description(), HasSubstr(named));
  }
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
}

TEST_F(ConnectionTest, NothingIsWrittenAfterTheEngineEndedTheTransaction) {
  Recordset contacts = OpenTable("Contacts");
  host_.BeginTrans();
  host_.BeginTrans();
  Insert(10);
  contacts.AddNew();
  contacts.Fields("FileAs").SetValue("Would stay for good");
  // As a disk-full or I/O failure would, a bare ROLLBACK ends it behind the session.
  host_.Execute("ROLLBACK TRANSACTION");
  // Without the transaction every write would be permanent at once.
  EXPECT_EQ(ErrorOf([&] { Insert(11); }).number(), error_number::kEngineFailure);
  EXPECT_THAT(ErrorOf([&] { contacts.Update(); }).description(),
              HasSubstr("rolled the transaction back"));
  contacts.CancelUpdate();
  EXPECT_EQ(ErrorOf([&] { host_.BeginTrans(); }).number(), error_number::kEngineFailure);
  // Each level the caller opened is ended; the outer commit says nothing was kept.
  host_.RollbackTrans();
  EXPECT_EQ(host_.TransactionLevel(), 1);
  EXPECT_EQ(ErrorOf([&] { host_.CommitTrans(); }).number(), error_number::kEngineFailure);
  EXPECT_EQ(host_.TransactionLevel(), 0);
  EXPECT_EQ(Jobs(), "1,2,3");
  EXPECT_EQ(Keys(), "1");
  Insert(12);
  EXPECT_EQ(Jobs(), "1,2,3,12");
}

TEST_F(ConnectionTest, SelectIntoKeepsTheSourceTypesAndAFailedCopyLeavesNothing) {
  host_.Execute("SELECT * INTO Copied FROM Kinds");
  const std::string types = "SELECT group_concat(type) FROM pragma_table_info";
  EXPECT_EQ(Read(types + "('Copied')"), Read(types + "('Kinds')"));
  // A name brackets cannot hold is still one column, not part of the definition.
  host_.Execute(R"(SELECT Customer AS "a] TEXT, [b" INTO Odd FROM Jobs)");
  EXPECT_EQ(Read("SELECT group_concat(name, '|') FROM pragma_table_info('Odd')"),
            "a] TEXT, [b");
  // The table is made, then the third row fails: nothing of it stays.
  try {
    host_.Execute(
        "SELECT JobNo, IIf(JobNo = 3, abs(-9223372036854775807 - 1), 0) AS n INTO Broken "
        "FROM Jobs");
    ADD_FAILURE() << "the copy did not fail";
  } catch (const DbError& error) {
    EXPECT_THAT(error.description(), HasSubstr("integer overflow"));
  }
  EXPECT_EQ(Read("SELECT count(*) FROM sqlite_master WHERE name='Broken'"), "0");

  // Into another file twice in one transaction: SQLite detaches no file a
  // transaction has used, so it stays attached until the transaction ends.
  const std::string other = scratch_.Database("other.db", "CREATE TABLE Kept (x);");
  host_.BeginTrans();
  for (const std::string table : {"First", "Second"}) {
    host_.Execute("SELECT JobNo INTO " + table + " IN '" + other + "' FROM Jobs");
  }
  host_.CommitTrans();
  EXPECT_EQ(Outcome("SELECT group_concat(name) FROM pragma_database_list"), "main");
  EXPECT_EQ(QueryText(other,
                      "SELECT (SELECT count(*) FROM First) || (SELECT count(*) "
                      "FROM Second)"),
            "33");

  // Stopped while it copies a billion rows, inside a transaction the engine
  // then ends: the error says it was interrupted.
  Connection counting(
      scratch_.Database("n.db",
                        "CREATE TABLE n (x); WITH RECURSIVE c(x) AS (SELECT 1 UNION ALL "
                        "SELECT x + 1 FROM c "
                        "WHERE x < 1000) INSERT INTO n SELECT x FROM c;"));
  std::atomic<bool> stop = false;
  counting.StopWhen(&stop);
  counting.BeginTrans();
  std::thread stopper([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    stop = true;
  });
  EXPECT_THAT(ErrorOf([&] {
                counting.Execute(
                    "SELECT a.x, b.x AS y, c.x AS z INTO Huge FROM n AS a, "
                    "n AS b, n AS c");
              }).description(),
              HasSubstr("interrupt"));
  stopper.join();
  counting.RollbackTrans();
}

// Takes one row; at the next the disk is full.
struct FailingWriter : TableWriter {
  void Open(const ExternalTarget& target, std::span<const ColumnInfo>) override {
    folder = target.database;
  }
  void WriteRow(std::span<const Value>) override {
    if (rows++ == 1) throw std::runtime_error("disk full");
  }
  void Finish() override {}
  void Abandon() noexcept override { abandoned = rows == 2; }
  static inline bool abandoned = false;
  static inline std::string folder;
  int rows = 0;
};

TEST_F(ConnectionTest, AFailingExternalWriterIsToldToRemoveWhatItWrote) {
  RegisterTableWriter("Failing Format", [] { return std::make_unique<FailingWriter>(); });
  DbError error = ErrorOf([&] {
    host_.Execute(
        "SELECT * INTO [failing format;Database=\" /exports;2 \"].[jobs.tst] FROM Jobs");
  });
  EXPECT_EQ(error.number(), error_number::kEngineFailure);
  EXPECT_THAT(error.description(), HasSubstr("disk full"));
  EXPECT_TRUE(FailingWriter::abandoned);
  // A Database value between quotes keeps its ";" and the blanks at its ends.
  EXPECT_EQ(FailingWriter::folder, " /exports;2 ");
}

// Writes nothing anywhere; fails at its second row when told to.
struct CountingWriter : TableWriter {
  explicit CountingWriter(bool measures, bool fails) : measures(measures), fails(fails) {}
  void Open(const ExternalTarget&, std::span<const ColumnInfo>) override {}
  void WriteRow(std::span<const Value>) override {
    if (fails && ++rows == 2) throw std::runtime_error("disk full");
  }
  void Finish() override {}
  void Abandon() noexcept override {}
  bool NeedsMeasuredColumns() const override { return measures; }
  bool measures, fails;
  int rows = 0;
};

// What a progress display is told, as "started 729; 256; 512; ended".
struct RecordedProgress : WriteProgress {
  explicit RecordedProgress(bool wants_count) : wants_count(wants_count) {}
  bool WantsRowCount() const override { return wants_count; }
  void Started(int64_t rows) override { told += "started " + std::to_string(rows); }
  void Written(int64_t rows) override { told += "; " + std::to_string(rows); }
  void Ended() override { told += "; ended"; }
  bool wants_count;
  std::string told;
};

TEST_F(ConnectionTest, AnExternalFileTellsItsProgressWithTheRowsCountedOnlyWhenFree) {
  // 3^6 rows: past two reports.
  const char* kSixJoins =
      "SELECT a.JobNo INTO [counting;Database=/x].[t] FROM Jobs a, Jobs b, Jobs c, "
      "Jobs d, Jobs e, Jobs f";
  const struct {
    bool measures, wants_count, fails;
    std::string told;
  } cases[] = {
      {true, false, false, "started 729; 256; 512; ended"},  // the measuring pass counts
      {false, true, false, "started 729; 256; 512; ended"},  // a count of its own
      {false, false, false, "started 0; 256; 512; ended"},   // no pass for nothing
      {false, true, true, "started 729; ended"},
  };
  for (const auto& c : cases) {
    RegisterTableWriter("counting", [&] {
      return std::make_unique<CountingWriter>(c.measures, c.fails);
    });
    RecordedProgress progress(c.wants_count);
    host_.ReportWritesTo(&progress);
    if (c.fails) {
      EXPECT_ANY_THROW(host_.Execute(kSixJoins));
    } else {
      host_.Execute(kSixJoins);
    }
    host_.ReportWritesTo(nullptr);
    EXPECT_EQ(progress.told, c.told) << c.measures << c.wants_count << c.fails;
  }
}

TEST_F(ConnectionTest, NewRowsCarryTheirKeyAndDefaultsBeforeTheyAreSaved) {
  Recordset contacts = OpenTable("Contacts");
  contacts.AddNew();
  EXPECT_EQ(contacts.Fields("ckey").Value(), Value(int64_t{2}));
  EXPECT_EQ(contacts.Fields("Terms").Value(), Value(int64_t{1}));
  EXPECT_TRUE(contacts.Fields("Contact").Value().IsNull());
  contacts.Fields("FileAs").SetValue("Baker");
  contacts.Fields("LastVisit").SetValue("03/15/1999");
  contacts.Update();
  EXPECT_EQ(Read("SELECT FileAs || '|' || LastVisit || '|' || Terms FROM Contacts WHERE "
                 "CKey = 2"),
            "Baker|1999-03-15|1");

  // A cancelled row uses up its key; AddNew while a row is pending stores it.
  contacts.AddNew();
  EXPECT_EQ(Key(contacts), 3);
  contacts.CancelUpdate();
  contacts.AddNew();
  EXPECT_EQ(Key(contacts), 4);
  contacts.Fields("FileAs").SetValue("Carter");
  contacts.AddNew();
  contacts.CancelUpdate();
  EXPECT_EQ(Keys(), "1,2,4");
}

TEST_F(ConnectionTest, ALockAnotherProgramHoldsIsToldAsOneNeverAsNoTableOrAFreeKey) {
  Connection waiting;
  waiting.Open(path_, std::chrono::milliseconds(20));
  Recordset opened_before;
  opened_before.Open("Contacts", waiting, CursorType::kKeyset, LockType::kOptimistic,
                     CommandType::kTable);
  sqlite3* holder = nullptr;
  ASSERT_EQ(sqlite3_open(path_.c_str(), &holder), SQLITE_OK);
  ASSERT_EQ(sqlite3_exec(holder, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr),
            SQLITE_OK);
  auto is_lock = [](auto&& step) {
    try {
      step();
    } catch (const DbError& error) {
      return error.locked();
    }
    return false;
  };
  EXPECT_TRUE(is_lock([&] {
    Recordset rows;
    rows.Open("Contacts", waiting, CursorType::kKeyset, LockType::kOptimistic,
              CommandType::kTable);
  }));
  EXPECT_TRUE(is_lock([&] { opened_before.AddNew(); }));
  sqlite3_close(holder);
}

TEST_F(ConnectionTest, KeysInsideATransactionFollowEveryInsertOfTheConnection) {
  host_.BeginTrans();
  Recordset contacts = OpenTable("Contacts");
  contacts.AddNew();
  contacts.Fields("FileAs").SetValue("Baker");
  contacts.Update();
  // A row inserted by a statement moves the next key past it.
  host_.Execute("INSERT INTO Contacts (CKey, FileAs) VALUES (50, 'Direct')");
  contacts.AddNew();
  EXPECT_EQ(Key(contacts), 51);
  contacts.Fields("FileAs").SetValue("Carter");
  contacts.Update();
  // Keys used inside an undone savepoint are not handed out again.
  host_.BeginTrans();
  contacts.AddNew();
  contacts.Fields("FileAs").SetValue("Undone");
  contacts.Update();
  host_.RollbackTrans();
  contacts.AddNew();
  EXPECT_EQ(Key(contacts), 53);
  contacts.CancelUpdate();
  host_.CommitTrans();
  EXPECT_EQ(Keys(), "1,2,50,51");
  // Outside a transaction the table's mark counts: a deleted row's key stays used.
  host_.Execute("DELETE * FROM Contacts WHERE CKey = 51");
  contacts.AddNew();
  EXPECT_EQ(Key(contacts), 52);
}

TEST_F(ConnectionTest, RefusedValuesAndDuplicatesLeaveTheRowPending) {
  Recordset contacts = OpenTable("Contacts");
  contacts.AddNew();
  contacts.Fields("FileAs").SetValue("Acme");
  EXPECT_EQ(
      ErrorOf([&] { contacts.Fields("FileAs").SetValue(std::string(21, 'x')); }).number(),
      error_number::kTextTooLong);
  EXPECT_EQ(ErrorOf([&] { contacts.Fields("Terms").SetValue("abc"); }).number(),
            error_number::kTypeMismatch);
  EXPECT_EQ(contacts.Fields("FileAs").Value(), Value("Acme"));
  EXPECT_EQ(contacts.Fields("Terms").Value(), Value(int64_t{1}));
  EXPECT_EQ(ErrorOf([&] { contacts.Fields("NoSuchColumn"); }).number(),
            error_number::kItemNotFound);
  const int64_t key = Key(contacts);
  DbError duplicate = ErrorOf([&] { contacts.Update(); });
  EXPECT_EQ(duplicate.number(), error_number::kDuplicateKey);
  EXPECT_THAT(duplicate.description(), HasSubstr("FileAs"));
  // Changed, the same row saves under the same key.
  EXPECT_TRUE(contacts.IsAddingNew());
  contacts.Fields("FileAs").SetValue("ACME");  // the index compares exactly
  contacts.Update();
  EXPECT_EQ(Read("SELECT CKey FROM Contacts WHERE FileAs = 'ACME'"), std::to_string(key));
  // A missing required value fails like any other engine failure.
  contacts.AddNew();
  EXPECT_EQ(ErrorOf([&] { contacts.Update(); }).number(), error_number::kEngineFailure);
}

TEST_F(ConnectionTest, RecordsetsReadRowsInOrderBetweenBofAndEof) {
  Recordset rows = host_.Execute("SELECT Customer, JobNo AS customer FROM Jobs");
  EXPECT_FALSE(rows.IsBOF() || rows.IsEOF());
  // Of two columns with one name, the name finds the first, however asked.
  EXPECT_EQ(rows.Fields("Customer").Value(), Value("Acme"));
  EXPECT_EQ(rows.Fields("customer").Value(), Value("Acme"));
  for (int row = 0; row < 3; ++row) rows.MoveNext();
  EXPECT_TRUE(rows.IsEOF());
  EXPECT_EQ(ErrorOf([&] { rows.MoveNext(); }).number(), error_number::kNoCurrentRecord);
  Recordset none = host_.Execute("SELECT * FROM Jobs WHERE 1=0");
  EXPECT_TRUE(none.IsBOF() && none.IsEOF());
  EXPECT_EQ(none.Fields().Count(), 5);
}

TEST(ConversionTest, ValuesBecomeTheColumnsKindOrAreRefused) {
  struct Case {
    std::string_view declared;
    Value given;
    Value stored;  // when not refused
    int32_t refused = 0;
  };
  constexpr int32_t kMismatch = error_number::kTypeMismatch;
  constexpr int32_t kTooLong = error_number::kTextTooLong;
  // clang-format off
  const Case cases[] = {
      {"INTEGER", "12", int64_t{12}},          {"INTEGER", " +12 ", int64_t{12}},
      {"INTEGER", "2.5", int64_t{2}},          {"INTEGER", "3.5", int64_t{4}},  // halves to even
      {"INTEGER", true, int64_t{-1}},          {"INTEGER", Value(), Value()},
      {"INTEGER", "9.3e18", {}, kMismatch},    {"INTEGER", "12abc", {}, kMismatch},
      // Whole-number text keeps its very digits; 2^63 itself is beyond the column.
      {"INTEGER", "9223372036854775807", int64_t{9223372036854775807}},
      {"INTEGER", "9007199254740993", int64_t{9007199254740993}},
      {"INTEGER", 9223372036854775808.0, {}, kMismatch},
      {"INTEGER", "-9223372036854775809", {}, kMismatch},
      {"DECIMAL(18, 0)", "999999999999999999", 999999999999999999.0},
      {"SINGLE", 1e39, {}, kMismatch},         {"CURRENCY", 1e16, {}, kMismatch},
      {"DECIMAL(5, 2)", "-999.99", -999.99},   {"DECIMAL(5, 2)", "999.996", {}, kMismatch},
      {"SMALLINT", "-32768", int64_t{-32768}}, {"SMALLINT", "32768", {}, kMismatch},
      {"SMALLINT", "", {}, kMismatch},         {"SMALLINT", "   ", {}, kMismatch},
      {"BYTE", int64_t{255}, int64_t{255}},    {"BYTE", int64_t{-1}, {}, kMismatch},
      {"CURRENCY", "19.99", 19.99},            {"DECIMAL(10, 2)", "1.005001", 1.01},
      {"SINGLE", 0.1, static_cast<double>(0.1f)}, {"DOUBLE", Date{2001, 1, 1}, {}, kMismatch},
      {"BIT", "Yes", true},                    {"BIT", int64_t{0}, false},
      {"BIT", "maybe", {}, kMismatch},         {"", "as given", "as given"},
      {"TEXT(10)", int64_t{1234}, "1234"},     {"varchar ( 3 )", "abcd", {}, kTooLong},
      {"TEXT", std::string(255, 'x'), std::string(255, 'x')},
      {"TEXT", std::string(256, 'x'), {}, kTooLong},
      // Length is counted in characters, not bytes.
      {"TEXT(2)", "\xC3\xA9\xC3\xA9", "\xC3\xA9\xC3\xA9"}, {"TEXT(2)", "NYC", {}, kTooLong},
      {"LONGTEXT", std::string(100000, 'x'), std::string(100000, 'x')},
      // Dates in the US and the ISO form; two-digit years by the usual window.
      {"DATETIME", "03/15/1999", Date{1999, 3, 15}},  {"DATETIME", "12/31/01", Date{2001, 12, 31}},
      {"DATETIME", "12/31/45", Date{1945, 12, 31}},   {"DATETIME", "2/29/2000", Date{2000, 2, 29}},
      {"DATETIME", " 2001-12-31 ", Date{2001, 12, 31}},
      {"DATETIME", "2001-12-31T14:05:09", Date{2001, 12, 31, 14, 5, 9}},
      {"DATETIME", "3/15/1999 12:00:00 AM", Date{1999, 3, 15}},
      {"DATETIME", "", {}, kMismatch},         {"DATETIME", "2/29/2001", {}, kMismatch},
      {"DATETIME", "13/1/2001", {}, kMismatch}, {"DATETIME", "1/1/1", {}, kMismatch},
      {"DATETIME", "20010315", {}, kMismatch}, {"DATETIME", "2001-1-1x", {}, kMismatch},
      {"DATETIME", "1/1/2001 25:00", {}, kMismatch},
      {"DATETIME", "1/1/2001 0:30 PM", {}, kMismatch},
  };
  // clang-format on
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.declared) + " <- " + c.given.ToText().substr(0, 20));
    Value value = c.given;
    try {
      ConvertForColumn(DescribeColumn("Col", c.declared), value);
      EXPECT_EQ(c.refused, 0) << "stored " << value.ToText();
      EXPECT_TRUE(value == c.stored) << value.ToText();
    } catch (const DbError& error) {
      EXPECT_EQ(error.number(), c.refused);
      EXPECT_THAT(error.description(), HasSubstr("'Col'"));
    }
  }
}

TEST(Utf8Test, RefusesWhatIsNotWellFormed) {
  // Alone, cut short, overlong, a surrogate, past U+10FFFF, no continuation.
  for (std::string_view malformed :
       {"\x80", "\xC3", "\xE2\x82", "\xC0\xAF", "\xE0\x80\xAF", "\xED\xA0\x80",
        "\xF4\x90\x80\x80", "\xC3\x28"}) {
    EXPECT_EQ(DecodeUtf8At(malformed, 0).length, 0u)
        << ::testing::PrintToString(std::string(malformed));
  }
}

}  // namespace
}  // namespace vdimpexp::data

// Recordsets: rows read in order, and new rows that carry their key before
// they are saved, refuse what their columns cannot hold, and fail a
// duplicate with the number the importers look for.
#include "data/recordset.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "data/connection.h"
#include "data/db_error.h"
#include "scratch_database.h"

namespace vdimpexp::data {
namespace {

using vdimpexp::testing::QueryText;
using vdimpexp::testing::ScratchDirectory;

constexpr const char* kShop = R"(
  CREATE TABLE Contacts (
    CKey INTEGER PRIMARY KEY AUTOINCREMENT,
    FileAs TEXT(20) NOT NULL,
    Contact TEXT(40),
    Terms SMALLINT DEFAULT 1,
    LastVisit DATETIME);
  CREATE UNIQUE INDEX ContactsFileAs ON Contacts (FileAs);
  CREATE TABLE ContactPhones (CKey INTEGER, Phone TEXT(24));
  INSERT INTO Contacts (FileAs, Contact, LastVisit) VALUES ('Acme', 'Smith John', '2001-05-06');
)";

int32_t ErrorNumber(const std::function<void()>& action) {
  try {
    action();
  } catch (const DbError& error) {
    return error.number();
  }
  return 0;
}

class RecordsetTest : public ::testing::Test {
 protected:
  RecordsetTest() : path_(scratch_.Database("shop.db", kShop)), connection_(path_) {}

  Recordset OpenTable(const std::string& table) {
    Recordset rows;
    rows.Open(table, connection_, CursorType::kKeyset, LockType::kOptimistic,
              CommandType::kTable);
    return rows;
  }
  static int64_t Key(const Recordset& rows) {
    return rows.Fields("CKey").Value().AsInteger();
  }
  std::string Keys() const {
    return QueryText(path_,
                     "SELECT group_concat(CKey) FROM (SELECT CKey FROM Contacts "
                     "ORDER BY CKey)");
  }

  ScratchDirectory scratch_;
  std::string path_;
  Connection connection_;
};

TEST_F(RecordsetTest, NewRowCarriesItsKeyAndDefaultsBeforeItIsSaved) {
  Recordset contacts = OpenTable("Contacts");
  contacts.AddNew();
  EXPECT_EQ(contacts.Fields("ckey").Value(), Value(int64_t{2}));
  EXPECT_EQ(contacts.Fields("Terms").Value(), Value(int64_t{1}));
  EXPECT_TRUE(contacts.Fields("Contact").Value().IsNull());
  contacts.Fields("FileAs").SetValue("Baker");
  contacts.Fields("LastVisit").SetValue("03/15/1999");
  // Phone rows refer to the contact by its key before the contact is saved.
  Recordset phones = OpenTable("ContactPhones");
  phones.AddNew();
  phones.Fields("CKey").SetValue(contacts.Fields("CKey").Value());
  phones.Update();
  contacts.Update();
  EXPECT_EQ(QueryText(path_,
                      "SELECT FileAs || '|' || LastVisit || '|' || Terms FROM "
                      "Contacts WHERE CKey = 2"),
            "Baker|1999-03-15|1");
  EXPECT_EQ(QueryText(path_, "SELECT CKey FROM ContactPhones"), "2");

  // A cancelled row uses up its key, so a row still pending elsewhere never
  // collides with the next one; AddNew while a row is pending stores it.
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

TEST_F(RecordsetTest, KeysInsideATransactionFollowEveryInsertOfTheConnection) {
  connection_.BeginTrans();
  Recordset contacts = OpenTable("Contacts");
  contacts.AddNew();
  EXPECT_EQ(Key(contacts), 2);
  contacts.Fields("FileAs").SetValue("Baker");
  contacts.Update();
  // A row inserted by a statement moves the next key past it.
  connection_.Execute("INSERT INTO Contacts (CKey, FileAs) VALUES (50, 'Direct')");
  contacts.AddNew();
  EXPECT_EQ(Key(contacts), 51);
  contacts.Fields("FileAs").SetValue("Carter");
  contacts.Update();
  // Keys used inside an undone savepoint are not handed out again.
  connection_.BeginTrans();
  contacts.AddNew();
  contacts.Fields("FileAs").SetValue("Undone");
  contacts.Update();
  connection_.RollbackTrans();
  contacts.AddNew();
  EXPECT_EQ(Key(contacts), 53);
  contacts.CancelUpdate();
  connection_.CommitTrans();
  EXPECT_EQ(Keys(), "1,2,50,51");
  // Outside a transaction the table's own mark counts again: the key of a
  // deleted row does not come back.
  connection_.Execute("DELETE * FROM Contacts WHERE CKey = 51");
  contacts.AddNew();
  EXPECT_EQ(Key(contacts), 52);
}

TEST_F(RecordsetTest, RefusedValuesAndDuplicatesLeaveTheRowPending) {
  Recordset contacts = OpenTable("Contacts");
  EXPECT_EQ(contacts.Fields("FileAs").DefinedSize(), 20);
  contacts.AddNew();
  contacts.Fields("FileAs").SetValue("Acme");
  EXPECT_EQ(
      ErrorNumber([&] { contacts.Fields("FileAs").SetValue(std::string(21, 'x')); }),
      error_number::kTextTooLong);
  EXPECT_EQ(ErrorNumber([&] { contacts.Fields("Terms").SetValue("abc"); }),
            error_number::kTypeMismatch);
  EXPECT_EQ(contacts.Fields("FileAs").Value(), Value("Acme"));
  EXPECT_EQ(contacts.Fields("Terms").Value(), Value(int64_t{1}));
  EXPECT_EQ(ErrorNumber([&] { contacts.Fields("NoSuchColumn"); }),
            error_number::kItemNotFound);

  const int64_t key = Key(contacts);
  try {
    contacts.Update();
    FAIL() << "a duplicate FileAs was stored";
  } catch (const DbError& error) {
    EXPECT_EQ(error.number(), error_number::kDuplicateKey);
    EXPECT_THAT(error.description(), ::testing::HasSubstr("FileAs"));
  }
  // Changed, the same row saves under the same key.
  EXPECT_TRUE(contacts.IsAddingNew());
  contacts.Fields("FileAs").SetValue("ACME");  // the index compares exactly
  contacts.Update();
  EXPECT_EQ(QueryText(path_, "SELECT CKey FROM Contacts WHERE FileAs = 'ACME'"),
            std::to_string(key));
  // A missing required value fails like any other engine failure.
  contacts.AddNew();
  EXPECT_EQ(ErrorNumber([&] { contacts.Update(); }), error_number::kEngineFailure);
}

TEST_F(RecordsetTest, ReadsRowsInOrderWithBofAndEof) {
  connection_.Execute("INSERT INTO Contacts (FileAs, Terms) VALUES ('Zed', 2.5)");
  connection_.Execute("INSERT INTO Contacts (FileAs, Terms) VALUES ('Zz', -1e30)");
  Recordset rows = connection_.Execute(
      "SELECT FileAs, LastVisit, Terms FROM Contacts ORDER BY FileAs");
  EXPECT_FALSE(rows.IsBOF());
  EXPECT_EQ(rows.Fields().Count(), 3);
  EXPECT_EQ(rows.Fields(0).Name(), "FileAs");
  EXPECT_EQ(rows.Fields("filEAS").Value(), Value("Acme"));
  EXPECT_EQ(rows.Fields("LastVisit").Value(), Value(Date{2001, 5, 6}));
  rows.MoveNext();
  EXPECT_TRUE(rows.Fields(1).Value().IsNull());
  // A whole-number column takes what SQLite stored: fractions are rounded,
  // numbers beyond 64 bits stay floating point instead of wrapping.
  EXPECT_EQ(rows.Fields(2).Value(), Value(int64_t{2}));
  rows.MoveNext();
  EXPECT_EQ(rows.Fields(2).Value(), Value(-1e30));
  rows.MoveNext();
  EXPECT_TRUE(rows.IsEOF());
  EXPECT_EQ(ErrorNumber([&] { rows.Fields(0).Value(); }), error_number::kNoCurrentRecord);
  EXPECT_EQ(ErrorNumber([&] { rows.MoveNext(); }), error_number::kNoCurrentRecord);
  rows.MoveFirst();
  EXPECT_EQ(rows.Fields(0).Value(), Value("Acme"));
  EXPECT_EQ(ErrorNumber([&] { rows.AddNew(); }), error_number::kInvalidOperation);

  // Of two columns with one name, the name finds the first, however often.
  Recordset twice = connection_.Execute("SELECT FileAs, Contact AS FileAs FROM Contacts");
  EXPECT_EQ(twice.Fields("FileAs").Value(), Value("Acme"));
  EXPECT_EQ(twice.Fields("fileas").Value(), Value("Acme"));
  EXPECT_EQ(twice.Fields(1).Value(), Value("Smith John"));

  Recordset none = connection_.Execute("SELECT * FROM Contacts WHERE 1=0");
  EXPECT_TRUE(none.IsBOF() && none.IsEOF());
  EXPECT_EQ(none.Fields().Count(), 5);
}

TEST_F(RecordsetTest, ATableOpenedByNameReadsItsRowsAndTheOneLastStored) {
  Recordset contacts = OpenTable("Contacts");
  EXPECT_EQ(contacts.Fields("FileAs").Value(), Value("Acme"));
  // A cancelled new row leaves the row being read as it was.
  contacts.AddNew();
  contacts.Fields("FileAs").SetValue("Dropped");
  contacts.CancelUpdate();
  EXPECT_EQ(contacts.Fields("FileAs").Value(), Value("Acme"));
  contacts.MoveNext();
  EXPECT_TRUE(contacts.IsEOF());
  // A stored row is the current row, defaults included, until the next move.
  contacts.AddNew();
  contacts.Fields("FileAs").SetValue("Stored");
  contacts.Update();
  EXPECT_FALSE(contacts.IsEOF());
  EXPECT_EQ(contacts.Fields("Terms").Value(), Value(int64_t{1}));
  contacts.MoveNext();
  EXPECT_TRUE(contacts.IsEOF());
  contacts.MoveFirst();
  EXPECT_EQ(contacts.Fields("FileAs").Value(), Value("Acme"));

  Recordset query;
  query.Open("SELECT * FROM Contacts WHERE LastVisit BETWEEN #1/1/2001# AND #12/31/2001#",
             connection_, CursorType::kKeyset, LockType::kUnspecified,
             CommandType::kText);
  EXPECT_EQ(query.Fields("Contact").Value(), Value("Smith John"));
  EXPECT_EQ(ErrorNumber([&] { OpenTable("NoSuchTable"); }), error_number::kEngineFailure);

  // Over a connection of its own, from a connection string naming a workgroup.
  Recordset own;
  own.Open("Contacts",
           "Provider=Microsoft.Jet.OLEDB.4.0;Password=rw!qf;User ID=Tekvar;Data Source=" +
               path_ + ";Jet OLEDB:System database=" +
               scratch_.Database("QP.QPW", "CREATE TABLE w (x);") +
               ";Jet OLEDB:Database Password=",
           CursorType::kKeyset, LockType::kOptimistic, CommandType::kTable);
  EXPECT_EQ(own.Fields("FileAs").Value(), Value("Acme"));
}

}  // namespace
}  // namespace vdimpexp::data

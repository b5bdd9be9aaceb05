#include "data/recordset.h"

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
    CreditLimit CURRENCY DEFAULT 0,
    LastVisit DATETIME,
    Notes LONGTEXT);
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

  Recordset OpenContacts() {
    Recordset contacts;
    contacts.Open("Contacts", connection_, CursorType::kKeyset, LockType::kOptimistic,
                  CommandType::kTable);
    return contacts;
  }

  ScratchDirectory scratch_;
  std::string path_;
  Connection connection_;
};

TEST_F(RecordsetTest, NewRowCarriesItsKeyAndDefaultsBeforeItIsSaved) {
  Recordset contacts = OpenContacts();
  contacts.AddNew();
  int64_t key = contacts.Fields("ckey").Value().AsInteger();
  EXPECT_EQ(key, 2);
  EXPECT_EQ(contacts.Fields("Terms").Value(), Value(int64_t{1}));
  EXPECT_TRUE(contacts.Fields("Contact").Value().IsNull());
  contacts.Fields("FileAs").SetValue("Baker");
  contacts.Fields("LastVisit").SetValue("03/15/1999");

  // Phone rows refer to the contact by its key before the contact is saved.
  Recordset phones;
  phones.Open("ContactPhones", connection_, CursorType::kKeyset, LockType::kOptimistic,
              CommandType::kTable);
  phones.AddNew();
  phones.Fields("CKey").SetValue(contacts.Fields("CKey").Value());
  phones.Fields("Phone").SetValue("(555)123-4567");
  phones.Update();
  contacts.Update();

  EXPECT_EQ(QueryText(path_,
                      "SELECT FileAs || '|' || LastVisit || '|' || Terms FROM Contacts "
                      "WHERE CKey = 2"),
            "Baker|1999-03-15|1");
  EXPECT_EQ(QueryText(path_, "SELECT CKey FROM ContactPhones"), "2");

  // A cancelled row uses up its key, so a row still pending elsewhere never
  // collides with the next one.
  contacts.AddNew();
  EXPECT_EQ(contacts.Fields("CKey").Value().AsInteger(), 3);
  contacts.CancelUpdate();
  contacts.AddNew();
  EXPECT_EQ(contacts.Fields("CKey").Value().AsInteger(), 4);
  contacts.Fields("FileAs").SetValue("Carter");
  // AddNew while a row is pending stores that row first.
  contacts.AddNew();
  contacts.CancelUpdate();
  EXPECT_EQ(QueryText(path_, "SELECT count(*) FROM Contacts"), "3");
  EXPECT_EQ(QueryText(path_, "SELECT FileAs FROM Contacts WHERE CKey = 4"), "Carter");
}

TEST_F(RecordsetTest, KeysInsideATransactionFollowEveryInsertOfTheConnection) {
  connection_.BeginTrans();
  Recordset contacts = OpenContacts();
  contacts.AddNew();
  EXPECT_EQ(contacts.Fields("CKey").Value().AsInteger(), 2);
  contacts.Fields("FileAs").SetValue("Baker");
  contacts.Update();
  // A row inserted by a statement, not through the recordset, moves the
  // next key past it.
  connection_.Execute("INSERT INTO Contacts (CKey, FileAs) VALUES (50, 'Direct')");
  contacts.AddNew();
  EXPECT_EQ(contacts.Fields("CKey").Value().AsInteger(), 51);
  contacts.Fields("FileAs").SetValue("Carter");
  contacts.Update();
  // Keys used inside an undone savepoint are not handed out again.
  connection_.BeginTrans();
  contacts.AddNew();
  contacts.Fields("FileAs").SetValue("Undone");
  contacts.Update();
  connection_.RollbackTrans();
  contacts.AddNew();
  EXPECT_EQ(contacts.Fields("CKey").Value().AsInteger(), 53);
  contacts.CancelUpdate();
  connection_.CommitTrans();
  EXPECT_EQ(QueryText(path_,
                      "SELECT group_concat(CKey) FROM (SELECT CKey FROM Contacts "
                      "ORDER BY CKey)"),
            "1,2,50,51");
  // Outside a transaction the table's own mark counts again: the key of a
  // deleted row does not come back; keys that never reached the database
  // (the undone and the cancelled row) may.
  connection_.Execute("DELETE * FROM Contacts WHERE CKey = 51");
  contacts.AddNew();
  EXPECT_EQ(contacts.Fields("CKey").Value().AsInteger(), 52);
}

TEST_F(RecordsetTest, RefusedValuesRaiseTheirNumbersAndLeaveTheFieldAsItWas) {
  Recordset contacts = OpenContacts();
  contacts.AddNew();
  contacts.Fields("FileAs").SetValue("Acme2");
  EXPECT_EQ(
      ErrorNumber([&] { contacts.Fields("FileAs").SetValue(std::string(21, 'x')); }),
      error_number::kTextTooLong);
  EXPECT_EQ(contacts.Fields("FileAs").Value(), Value("Acme2"));
  EXPECT_EQ(ErrorNumber([&] { contacts.Fields("Terms").SetValue("abc"); }),
            error_number::kTypeMismatch);
  EXPECT_EQ(ErrorNumber([&] { contacts.Fields("Terms").SetValue(""); }),
            error_number::kTypeMismatch);
  EXPECT_EQ(contacts.Fields("Terms").Value(), Value(int64_t{1}));
  contacts.Fields("Terms").SetValue("12");
  EXPECT_EQ(contacts.Fields("Terms").Value(), Value(int64_t{12}));
  EXPECT_EQ(ErrorNumber([&] { contacts.Fields("NoSuchColumn"); }),
            error_number::kItemNotFound);
  EXPECT_EQ(contacts.Fields("FileAs").DefinedSize(), 20);
  EXPECT_EQ(contacts.Fields("Contact").DefinedSize(), 40);
}

TEST_F(RecordsetTest, DuplicateSaveFailsWithTheDuplicateNumberAndCanBeRetried) {
  Recordset contacts = OpenContacts();
  contacts.AddNew();
  contacts.Fields("FileAs").SetValue("ACME");  // the index compares exactly; this is new
  contacts.Update();
  contacts.AddNew();
  contacts.Fields("FileAs").SetValue("Acme");
  int64_t key = contacts.Fields("CKey").Value().AsInteger();
  try {
    contacts.Update();
    FAIL() << "a duplicate FileAs was stored";
  } catch (const DbError& error) {
    EXPECT_EQ(error.number(), error_number::kDuplicateKey);
    EXPECT_NE(error.description().find("FileAs"), std::string::npos)
        << error.description();
  }
  // The row is still pending: change it and save again, under the same key.
  EXPECT_TRUE(contacts.IsAddingNew());
  contacts.Fields("FileAs").SetValue("Acme 7");
  contacts.Update();
  EXPECT_EQ(QueryText(path_, "SELECT CKey FROM Contacts WHERE FileAs = 'Acme 7'"),
            std::to_string(key));
  // A missing required value fails like any other engine failure.
  contacts.AddNew();
  EXPECT_EQ(ErrorNumber([&] { contacts.Update(); }), error_number::kEngineFailure);
  contacts.CancelUpdate();
}

TEST_F(RecordsetTest, ReadsRowsInOrderWithBofAndEof) {
  connection_.Execute("INSERT INTO Contacts (FileAs) VALUES ('Zed')");
  Recordset rows = connection_.Execute(
      "SELECT FileAs, LastVisit, Terms FROM Contacts "
      "ORDER BY FileAs");
  EXPECT_FALSE(rows.IsBOF());
  EXPECT_EQ(rows.Fields().Count(), 3);
  EXPECT_EQ(rows.Fields(0).Name(), "FileAs");
  EXPECT_EQ(rows.Fields("filEAS").Value(), Value("Acme"));
  EXPECT_EQ(rows.Fields("LastVisit").Value(), Value(Date{2001, 5, 6}));
  EXPECT_EQ(rows.Fields("Terms").Value(), Value(int64_t{1}));
  rows.MoveNext();
  EXPECT_EQ(rows.Fields(0).Value(), Value("Zed"));
  EXPECT_TRUE(rows.Fields(1).Value().IsNull());
  rows.MoveNext();
  EXPECT_TRUE(rows.IsEOF());
  EXPECT_EQ(ErrorNumber([&] { rows.Fields(0).Value(); }), error_number::kNoCurrentRecord);
  EXPECT_EQ(ErrorNumber([&] { rows.MoveNext(); }), error_number::kNoCurrentRecord);
  rows.MoveFirst();
  EXPECT_EQ(rows.Fields(0).Value(), Value("Acme"));
  EXPECT_EQ(ErrorNumber([&] { rows.AddNew(); }), error_number::kInvalidOperation);

  // Of two columns with one name, the name finds the first, in any order of
  // lookups.
  Recordset twice = connection_.Execute("SELECT FileAs, Contact AS FileAs FROM Contacts");
  EXPECT_EQ(twice.Fields("FileAs").Value(), Value("Acme"));
  EXPECT_EQ(twice.Fields("FileAs").Value(), Value("Acme"));
  EXPECT_EQ(twice.Fields("fileas").Value(), Value("Acme"));
  EXPECT_EQ(twice.Fields(1).Value(), Value("Smith John"));

  // A whole-number column takes what SQLite stored: fractions are rounded,
  // numbers beyond 64 bits stay floating point instead of wrapping.
  connection_.Execute("INSERT INTO Contacts (FileAs, Terms) VALUES ('Half', 2.5)");
  connection_.Execute("INSERT INTO Contacts (FileAs, Terms) VALUES ('Huge', -1e30)");
  Recordset stored = connection_.Execute(
      "SELECT Terms FROM Contacts WHERE FileAs IN ('Half', 'Huge') ORDER BY FileAs");
  EXPECT_EQ(stored.Fields(0).Value(), Value(int64_t{2}));
  stored.MoveNext();
  EXPECT_EQ(stored.Fields(0).Value(), Value(-1e30));

  Recordset none = connection_.Execute("SELECT * FROM Contacts WHERE 1=0");
  EXPECT_TRUE(none.IsBOF());
  EXPECT_TRUE(none.IsEOF());
  EXPECT_EQ(none.Fields().Count(), 7);
}

TEST_F(RecordsetTest, TableOpenedByNameReadsItsRowsAndQueriesOpenAsText) {
  Recordset contacts = OpenContacts();
  EXPECT_FALSE(contacts.IsEOF());
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
  EXPECT_EQ(contacts.Fields("FileAs").Value(), Value("Stored"));
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

  Recordset missing;
  EXPECT_EQ(ErrorNumber([&] {
              missing.Open("NoSuchTable", connection_, CursorType::kKeyset,
                           LockType::kOptimistic, CommandType::kTable);
            }),
            error_number::kEngineFailure);
}

TEST_F(RecordsetTest, OpensOverItsOwnConnectionString) {
  std::string workgroup = scratch_.Database("QP.QPW", "CREATE TABLE w (x);");
  Recordset contacts;
  contacts.Open(
      "Contacts",
      "Provider=Microsoft.Jet.OLEDB.4.0;Password=rw!qf;Persist Security Info=False;"
      "User ID=Tekvar;Data Source=" +
          path_ + ";Jet OLEDB:System database=" + workgroup +
          ";Jet OLEDB:Database Password=",
      CursorType::kKeyset, LockType::kOptimistic, CommandType::kTable);
  EXPECT_EQ(contacts.Fields("FileAs").Value(), Value("Acme"));
}

}  // namespace
}  // namespace vdimpexp::data

// The legacy import on tables written by GDAL (tests/fixtures/xav) into the
// reference host database, read back with SQLite itself.
#include "legacy/xav_import.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sqlite3.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <regex>
#include <string>
#include <vector>

#include "data/db_error.h"
#include "dbf_builder.h"
#include "legacy/dbf_library.h"
#include "schema/reference_database.h"
#include "scratch_database.h"

namespace vdimpexp::legacy {
namespace {

using testing::DbfBuilder;
using testing::QueryText;
using Table = testing::QueryTable;
using Lines = std::vector<std::string>;

const std::string kFixtures = VD_XAV_FIXTURES;

class RecordingProgress : public support::ProgressSink {
 public:
  void AppendLine(std::string_view text) override { lines.emplace_back(text); }
  void SetPercent(double percent) override { percents.push_back(percent); }
  void ShowBar(bool visible) override { bar.push_back(visible); }
  void RunPendingEvents() override { ++pending_event_runs; }

  Lines lines;
  std::vector<double> percents;
  std::vector<bool> bar;  // every show (true) and hide (false), in order
  int pending_event_runs = 0;
};

std::string FileBytes(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(file), {});
}

void RunSql(const std::string& path, const std::string& sql) {
  sqlite3* db = nullptr;
  sqlite3_open(path.c_str(), &db);
  char* message = nullptr;
  if (sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &message) != SQLITE_OK) {
    ADD_FAILURE() << (message ? message : "?") << " in " << sql;
    sqlite3_free(message);
  }
  sqlite3_close(db);
}

bool IsFileAsSuffix(const std::string& text) {
  static const std::regex suffix("-([1-9]|[1-4][0-9]|50)");
  return std::regex_match(text, suffix);
}

class XavImportTest : public ::testing::Test {
 protected:
  XavImportTest() {
    sqlite3* db = nullptr;
    sqlite3_open(path_.c_str(), &db);
    schema::CreateReferenceSchema(db);
    sqlite3_close(db);
    host_.Open(path_);
  }

  // Runs the import of `entries` in the transaction the wizard would hold,
  // and commits it.
  bool Import(const std::vector<XavTableEntry>& entries,
              const std::string& main = kFixtures + "/main/",
              const std::string& history = kFixtures + "/history/") {
    host_.BeginTrans();
    const bool result = ImportXAVTables(entries, {.DatabaseDir = main,
                                                  .HistoryDir = history,
                                                  .host = host_,
                                                  .progress = progress_});
    EXPECT_EQ(host_.TransactionLevel(), 1) << "every table ends its own transaction";
    host_.CommitTrans();
    EXPECT_EQ(LiveContextCount(), contexts_before_) << "the run ends its context";
    return result;
  }

  Table Query(const std::string& sql) { return testing::QueryRows(path_, sql); }

  testing::ScratchDirectory scratch_;
  std::string path_ = scratch_.File("shop.db");
  data::Connection host_;
  RecordingProgress progress_;
  const std::size_t contexts_before_ = LiveContextCount();
};

TEST_F(XavImportTest, CustomersBecomeContactsWithTheirPhones) {
  EXPECT_TRUE(Import({{"Customers (3 records)", 1, true}}));

  EXPECT_EQ(progress_.lines, (Lines{"Importing Customers (3 records)", "Completed."}));
  ASSERT_EQ(progress_.percents.size(), 4u);
  EXPECT_EQ(progress_.percents[0], 0.0);
  EXPECT_DOUBLE_EQ(progress_.percents[1], 100.0 / 3);
  EXPECT_DOUBLE_EQ(progress_.percents[2], 200.0 / 3);
  EXPECT_DOUBLE_EQ(progress_.percents[3], 100.0);
  EXPECT_EQ(progress_.bar, (std::vector<bool>{true, false}));
  EXPECT_EQ(progress_.pending_event_runs, 1);

  EXPECT_EQ(Query("SELECT ClientType, FirstName, LastName, Contact, FileAs, Company, "
                  "Address, City, State, ZipCode FROM Contacts ORDER BY CKey"),
            (Table{{"9", "Patrick", "O'brien", "O'brien Patrick", "O'brien Patrick", "",
                    "12 North Pearl St", "Albany", "Ny", "12207"},
                   {"9", "Mary Ann", "Smith-jones", "Smith-jones Mary Ann",
                    "Smith-jones Mary Ann", "", "88 Ontario St", "Troy", "Ny", "12180"},
                   {"9", "Élodie", "Mcdonald", "Mcdonald Élodie", "Mcdonald Élodie", "",
                    "7 Rue Côté", "Montréal", "Qc", "h2x 1y4"}}));
  EXPECT_EQ(Query("SELECT c.LastName, p.PhoneDescID, p.Phone, p.Contact, p.AddressDescID "
                  "FROM ContactPhones p JOIN Contacts c ON c.CKey = p.CKey "
                  "ORDER BY p.PhoneID"),
            (Table{{"O'brien", "8", "(518)555-0142", "O'brien Patrick", "0"},
                   {"O'brien", "35", "(518)555-0101", "O'brien Patrick", "0"},
                   {"Smith-jones", "8", "(518)555-0193", "Smith-jones Mary Ann", "0"},
                   {"Mcdonald", "35", "(   )555-0128", "Mcdonald Élodie", "0"}}));
  EXPECT_EQ(Query("SELECT count(*) FROM Contacts WHERE SendBillsToThisAddress = 1 "
                  "AND ShipToThisAddress = 1 AND TaxTable = 1 AND CustTaxable = 1 "
                  "AND CreditLimit = 0 AND EstimateReqOption = 153 "
                  "AND AddressDescriptionID = 15 AND ReferalBy = -1595250750 "
                  "AND Terms = 1 AND CustomerSince = LastVisit AND AccountNo1 = '' "
                  "AND Notes IS NULL"),
            (Table{{"3"}}))
      << "every row gets the constants";
}

TEST_F(XavImportTest, VendorsManufacturersAndDealersAreFiledUnderTheCompany) {
  EXPECT_TRUE(Import({{"Manufacturers (1 records)", 5, true},
                      {"Dealers (1 records)", 6, true},
                      {"Vendor (2 records)", 7, true}}));
  EXPECT_EQ(progress_.lines, (Lines{"Importing Manufacturers (1 records)", "Completed.",
                                    "Importing Dealers (1 records)", "Completed.",
                                    "Importing Vendor (2 records)", "Completed."}));
  EXPECT_EQ(
      Query("SELECT ClientType, FileAs, Company, FirstName, LastName, Contact, "
            "Address, AccountNo1, Notes, typeof(Notes) FROM Contacts ORDER BY CKey"),
      (Table{{"8", "Kessler Audio Systems", "Kessler Audio Systems", "", "", "",
              "45 Industrial Way", "", "Warranty Claims By Fax Only", "text"},
             {"2", "Capital Tv & Appliance", "Capital Tv & Appliance", "", "", "",
              "912 Central Ave", "", "Sends Warranty Work Mon/thu", "text"},
             {"4", "Eastern Electronic Parts", "Eastern Electronic Parts", "", "", "",
              "85 Motor Pkwy", "EEP-44120", "Main Parts Supplier - Next Day Ups", "text"},
             {"4", "Midstate Components", "Midstate Components", "", "", "",
              "1200 Erie Blvd E", "M2209", "", "text"}}))
      << "blank notes are written as empty text";
  EXPECT_EQ(Query("SELECT c.Company, p.PhoneDescID, p.Phone FROM ContactPhones p "
                  "JOIN Contacts c ON c.CKey = p.CKey ORDER BY p.PhoneID"),
            (Table{{"Kessler Audio Systems", "8", "(732)555-0120"},
                   {"Kessler Audio Systems", "18", "(732)555-0129"},
                   {"Capital Tv & Appliance", "8", "(518)555-0161"},
                   {"Capital Tv & Appliance", "18", "(518)555-0162"},
                   {"Eastern Electronic Parts", "8", "(516)555-0140"},
                   {"Eastern Electronic Parts", "18", "(516)555-0141"},
                   {"Midstate Components", "8", "(315)555-0152"}}));
}

TEST_F(XavImportTest, HistoryComesFromTheHistoryFolderAndDuplicateNamesGetSuffixes) {
  // The history folder is the only one with ARCHIVE.DBF: reading it from the
  // main folder would fail the run.
  ASSERT_FALSE(std::filesystem::exists(kFixtures + "/main/ARCHIVE.DBF"));
  EXPECT_TRUE(
      Import({{"Customers (3 records)", 1, true}, {"History W/O (3 records)", 9, true}}));
  EXPECT_EQ(progress_.lines, (Lines{"Importing Customers (3 records)", "Completed.",
                                    "Importing History W/O (3 records)",
                                    "Completed. Some duplicate records were modified."}));

  const Table history = Query(
      "SELECT ClientType, LastName, FileAs, Contact FROM Contacts WHERE CKey > 3 "
      "ORDER BY CKey");
  ASSERT_EQ(history.size(), 3u);
  // O'brien Patrick was taken by the customers; the first Gagnon Hélène is
  // free, the second is not.
  const std::vector<std::string> names = {"O'brien Patrick", "Gagnon Hélène",
                                          "Gagnon Hélène"};
  for (size_t i = 0; i < history.size(); ++i) {
    EXPECT_EQ(history[i][0], "9");
    EXPECT_EQ(history[i][3], names[i]) << "only FileAs changes";
    const std::string& file_as = history[i][2];
    ASSERT_EQ(file_as.rfind(names[i], 0), 0u) << file_as;
    const std::string suffix = file_as.substr(names[i].size());
    if (i == 1) {
      EXPECT_EQ(suffix, "");
    } else {
      EXPECT_TRUE(IsFileAsSuffix(suffix)) << file_as;
    }
  }
  EXPECT_EQ(Query("SELECT count(*) FROM ContactPhones p JOIN Contacts c ON "
                  "c.CKey = p.CKey WHERE c.CKey > 3"),
            (Table{{"3"}}));
}

TEST_F(XavImportTest, StockBecomesInventoryAndDuplicatePartNumbersAreDropped) {
  EXPECT_TRUE(Import({{"Inventory (4 records)", 2, true}}));
  EXPECT_EQ(progress_.lines, (Lines{"Importing Inventory (4 records)",
                                    "Completed. Duplicate records ignored."}));
  EXPECT_EQ(progress_.bar, (std::vector<bool>{true, false}));

  EXPECT_EQ(Query("SELECT ItemNumber, GeneticNo, Location, StorageBin1, LastItemUsedOn, "
                  "CostOrRateLastUpdated, UnitsInStock1, ReOrderPoint1, CostOrRate, "
                  "SalesPriceOrRate, Notes FROM InventoryItems ORDER BY InventoryID"),
            (Table{{"BK-100", "VCR-BELTKIT", "A-01", "A-01", "1999-03-15", "1999-03-15",
                    "14.0", "5.0", "3.25", "9.95", "Fits most 1988-93 decks"},
                   {"IT-22", "IDLER-22MM", "A-02", "A-02", "<null>", "<null>", "40.0",
                    "10.0", "0.6", "3.5", ""},
                   {"VERY-LONG-PART-NUMBE", "UNIV-REMOTE", "B-11", "B-11", "1998-06-22",
                    "1998-06-22", "0.0", "2.0", "4.8", "14.95", "No count on hand"}}))
      << "the second BK-100 is dropped; a part number is cut to its column; a "
         "quantity GDAL left empty keeps the new row's value";
  EXPECT_EQ(Query("SELECT count(*) FROM InventoryItems WHERE ItemType = 2 "
                  "AND ProductLine = 3 AND Category = 9 AND TaxableItem = 1 "
                  "AND AllowBackOrders = 1 AND DescInvoice = DescEstimate"),
            (Table{{"3"}}));
  EXPECT_EQ(Query("SELECT length(DescEstimate), substr(DescEstimate, -3) FROM "
                  "InventoryItems WHERE ItemNumber LIKE 'VERY%'"),
            (Table{{"254", "END"}}));
}

TEST_F(XavImportTest, DescriptionsAreCutAtTwoHundredFiftyFiveWhateverTheColumn) {
  // A host whose description columns are wider than 255, and that has no
  // GeneticNo column at all: that step is passed over, the row still saved.
  const std::string wide = scratch_.Database(
      "wide.db",
      "CREATE TABLE InventoryItems (InventoryID INTEGER PRIMARY KEY AUTOINCREMENT, "
      "ItemNumber TEXT(20), ItemType SMALLINT, ProductLine SMALLINT, Category SMALLINT, "
      "DescEstimate TEXT(400), DescInvoice TEXT(400), TaxableItem BIT, "
      "Location TEXT(20), StorageBin1 TEXT(20), UnitsInStock1 DOUBLE DEFAULT 7, "
      "ReOrderPoint1 DOUBLE, LastItemUsedOn DATETIME, CostOrRate CURRENCY, "
      "CostOrRateLastUpdated DATETIME DEFAULT '2001-02-03', SalesPriceOrRate CURRENCY, "
      "AllowBackOrders BIT, Notes TEXT(255));");
  host_.Open(wide);
  // Clipper-style wide character field (width 300: 44 plus 256 in the
  // decimals byte); no tool of ours or others writes one for us.
  std::filesystem::create_directory(scratch_.File("main"));
  const std::string description = std::string(250, 'd') + "     " + std::string(45, 'x');
  DbfBuilder()
      .Field("PARTNO", 'C', 20)
      .Field("DISC", 'C', 44, 1)
      .Field("LASTDATE", 'D', 8)
      .Field("QUAN", 'N', 6)
      .Record({"WIDE-1", description, "        ", "      "})
      .WriteTo(scratch_.File("main/STOCK.DBF"));

  EXPECT_TRUE(Import({{"Inventory (1 records)", 2, true}}, scratch_.File("main/")));
  EXPECT_EQ(progress_.lines, (Lines{"Importing Inventory (1 records)", "Completed."}));
  EXPECT_EQ(
      testing::QueryRows(
          wide,
          "SELECT ItemNumber, length(DescEstimate), DescInvoice = DescEstimate, "
          "UnitsInStock1, LastItemUsedOn, CostOrRateLastUpdated FROM InventoryItems"),
      (Table{{"WIDE-1", "250", "1", "7.0", "<null>", "<null>"}}))
      << "cut at 255, then trimmed; a blank quantity and date leave the new row's "
         "values, and CostOrRateLastUpdated copies LastItemUsedOn";
}

TEST_F(XavImportTest, ColumnsTheHostLacksAreNotCopiedIntoOthers) {
  // A host without Location, DescEstimate and LastItemUsedOn (and without
  // a unique part number): the columns that copy them are passed over like
  // any failing step and keep the values a new row has, not null.
  const std::string lean = scratch_.Database(
      "lean.db",
      "CREATE TABLE InventoryItems (InventoryID INTEGER PRIMARY KEY AUTOINCREMENT, "
      "ItemNumber TEXT(20), DescInvoice TEXT(255) DEFAULT 'See estimate', "
      "StorageBin1 TEXT(20) DEFAULT 'BACK ROOM', "
      "CostOrRateLastUpdated DATETIME DEFAULT '2001-02-03');");
  host_.Open(lean);
  EXPECT_TRUE(Import({{"Inventory (4 records)", 2, true}}));
  EXPECT_EQ(testing::QueryRows(lean,
                               "SELECT ItemNumber, DescInvoice, StorageBin1, "
                               "CostOrRateLastUpdated FROM InventoryItems ORDER BY 1"),
            (Table{{"BK-100", "See estimate", "BACK ROOM", "2001-02-03"},
                   {"BK-100", "See estimate", "BACK ROOM", "2001-02-03"},
                   {"IT-22", "See estimate", "BACK ROOM", "2001-02-03"},
                   {"VERY-LONG-PART-NUMBE", "See estimate", "BACK ROOM", "2001-02-03"}}));
}

TEST_F(XavImportTest, EmptyAndUnreadableTablesDoNotStopTheRun) {
  std::filesystem::create_directory(scratch_.File("main"));
  std::filesystem::copy_file(kFixtures + "/main/LOG.DBF", scratch_.File("main/LOG.DBF"));
  // Written by shapelib's dbfcreate: a table without records.
  std::filesystem::copy_file(std::string(VD_DBF_FIXTURES) + "/shapelib_empty.dbf",
                             scratch_.File("main/STOCK.DBF"));
  std::ofstream(scratch_.File("main/MFG.DBF")) << "not a table at all";
  // VENDOR.DBF is missing.
  EXPECT_FALSE(Import({{"Customers (3 records)", 1, true},
                       {"Inventory (0 records)", 2, true},
                       {"Manufacturers (1 records)", 5, true},
                       {"Vendor (2 records)", 7, true},
                       {"Customers (3 records)", 1, false}},
                      scratch_.File("main/")));
  EXPECT_EQ(progress_.lines, (Lines{"Importing Customers (3 records)", "Completed.",
                                    "Importing Inventory (0 records)", "Completed.",
                                    "Importing Manufacturers (1 records)",
                                    "Importing Vendor (2 records)"}))
      << "no Completed. line for a table that cannot be opened";
  EXPECT_EQ(progress_.bar,
            (std::vector<bool>{true, false, true, false, true, false, true, false}));
  EXPECT_EQ(Query("SELECT count(*) FROM Contacts"), (Table{{"3"}}));
  EXPECT_EQ(Query("SELECT count(*) FROM InventoryItems"), (Table{{"0"}}));
}

TEST_F(XavImportTest, TickedTablesRunInListOrderAndUnimportedCodesAreSkipped) {
  EXPECT_TRUE(Import({{"Service Codes (1 records)", 3, true},
                      {"Customers (3 records)", 1, false},
                      {"Vendor (2 records)", 7, true},
                      {"Labor Codes (4 records)", 4, true},
                      {"Inventory (4 records)", 2, true},
                      {"Service Literature (2 records)", 8, true},
                      {"Manufacturers (1 records)", 5, true}}));
  EXPECT_EQ(
      progress_.lines,
      (Lines{"Importing Vendor (2 records)", "Completed.",
             "Importing Inventory (4 records)", "Completed. Duplicate records ignored.",
             "Importing Manufacturers (1 records)", "Completed."}));
  EXPECT_EQ(Query("SELECT ClientType FROM Contacts ORDER BY CKey"),
            (Table{{"4"}, {"4"}, {"8"}}));
  EXPECT_EQ(Query("SELECT count(*) FROM InventoryItems"), (Table{{"3"}}));

  progress_ = {};
  EXPECT_TRUE(Import({}));
  EXPECT_TRUE(progress_.lines.empty());
}

TEST_F(XavImportTest, NothingIsReadWhenTheLibraryCannotStart) {
  std::vector<ContextHandle> taken;
  for (ContextHandle context; (context = code4initVB()) != 0;) taken.push_back(context);
  host_.BeginTrans();
  EXPECT_FALSE(
      ImportXAVTables(std::vector<XavTableEntry>{{"Customers (3 records)", 1, true},
                                                 {"Inventory (4 records)", 2, true}},
                      {.DatabaseDir = kFixtures + "/main/",
                       .HistoryDir = kFixtures + "/history/",
                       .host = host_,
                       .progress = progress_}));
  host_.CommitTrans();
  for (ContextHandle context : taken) code4initUndo(context);
  EXPECT_EQ(progress_.bar, (std::vector<bool>{false}));
  EXPECT_TRUE(progress_.lines.empty());
  EXPECT_EQ(Query("SELECT (SELECT count(*) FROM Contacts) + "
                  "(SELECT count(*) FROM InventoryItems)"),
            (Table{{"0"}}));
}

TEST_F(XavImportTest, RowsTheHostRefusesForOtherReasonsAreDroppedAndCounted) {
  RunSql(path_,
         "CREATE TRIGGER no_smiths BEFORE INSERT ON Contacts "
         "WHEN NEW.LastName = 'Smith-jones' BEGIN SELECT RAISE(ABORT, 'no'); END; "
         "CREATE TRIGGER no_idlers BEFORE INSERT ON InventoryItems "
         "WHEN NEW.ItemNumber = 'IT-22' BEGIN SELECT RAISE(ABORT, 'no'); END;");
  host_.Open(path_);
  EXPECT_TRUE(
      Import({{"Customers (3 records)", 1, true}, {"Inventory (4 records)", 2, true}}));
  EXPECT_EQ(progress_.lines,
            (Lines{"Importing Customers (3 records)", "Completed.",
                   "1 record could not be imported.", "Importing Inventory (4 records)",
                   "Completed. Duplicate records ignored.",
                   "1 record could not be imported."}));
  // The rows after a refused one carry their own values, and the refused
  // contact's phone rows are gone with it.
  EXPECT_EQ(Query("SELECT FirstName, LastName, Address FROM Contacts ORDER BY CKey"),
            (Table{{"Patrick", "O'brien", "12 North Pearl St"},
                   {"Élodie", "Mcdonald", "7 Rue Côté"}}));
  EXPECT_EQ(Query("SELECT p.Phone, p.Contact, c.LastName FROM ContactPhones p "
                  "LEFT JOIN Contacts c ON c.CKey = p.CKey ORDER BY p.PhoneID"),
            (Table{{"(518)555-0142", "O'brien Patrick", "O'brien"},
                   {"(518)555-0101", "O'brien Patrick", "O'brien"},
                   {"(   )555-0128", "Mcdonald Élodie", "Mcdonald"}}));
  EXPECT_EQ(
      Query("SELECT ItemNumber, GeneticNo FROM InventoryItems ORDER BY InventoryID"),
      (Table{{"BK-100", "VCR-BELTKIT"}, {"VERY-LONG-PART-NUMBE", "UNIV-REMOTE"}}));
}

TEST_F(XavImportTest, AHostThatRefusesEverySaveAsDuplicateEndsTheTable) {
  // The suffixes on FileAs cannot satisfy an index on the contact type.
  RunSql(path_, "CREATE UNIQUE INDEX one_per_type ON Contacts (ClientType)");
  host_.Open(path_);
  EXPECT_TRUE(
      Import({{"Customers (3 records)", 1, true}, {"History W/O (3 records)", 9, true}}));
  EXPECT_EQ(progress_.lines, (Lines{"Importing Customers (3 records)",
                                    "Completed. Some duplicate records were modified.",
                                    "2 records could not be imported.",
                                    "Importing History W/O (3 records)",
                                    "Completed. Some duplicate records were modified.",
                                    "3 records could not be imported."}));
  EXPECT_EQ(Query("SELECT FileAs FROM Contacts"), (Table{{"O'brien Patrick"}}));
  EXPECT_EQ(Query("SELECT count(*) FROM ContactPhones WHERE CKey NOT IN "
                  "(SELECT CKey FROM Contacts)"),
            (Table{{"0"}}))
      << "no phone rows of contacts that were not kept";
}

TEST_F(XavImportTest, ANameThatFillsItsColumnKeepsItsSuffixInsideTheColumn) {
  // A host whose FileAs holds exactly the manufacturer's name.
  const std::string narrow = scratch_.Database(
      "narrow.db",
      "CREATE TABLE SystemOptions (ID SMALLINT PRIMARY KEY, Value TEXT(255));"
      "CREATE TABLE Contacts (CKey INTEGER PRIMARY KEY AUTOINCREMENT, FileAs TEXT(21), "
      "ClientType SMALLINT, Contact TEXT(40), FirstName TEXT(30), LastName TEXT(30), "
      "Company TEXT(50), Address TEXT(50), AddressDescriptionID SMALLINT, "
      "City TEXT(30), State TEXT(20), ZipCode TEXT(10), ReferalBy INTEGER, "
      "CustomerSince DATETIME, LastVisit DATETIME, TaxTable SMALLINT, "
      "CustTaxable SMALLINT, CreditLimit CURRENCY, Terms SMALLINT, "
      "EstimateReqOption SMALLINT, SendBillsToThisAddress BIT, ShipToThisAddress BIT, "
      "AccountNo1 TEXT(20), Notes LONGTEXT);"
      "CREATE UNIQUE INDEX Contacts_FileAs ON Contacts (FileAs COLLATE NOCASE);"
      "CREATE TABLE ContactPhones (PhoneID INTEGER PRIMARY KEY AUTOINCREMENT, "
      "CKey INTEGER NOT NULL, AddressDescID SMALLINT, PhoneDescID SMALLINT, "
      "Phone TEXT(30), Contact TEXT(40));");
  host_.Open(narrow);
  const XavTableEntry manufacturers{"Manufacturers (1 records)", 5, true};
  EXPECT_TRUE(Import({manufacturers, manufacturers, manufacturers}));
  EXPECT_EQ(progress_.lines.back(), "Completed. Some duplicate records were modified.");

  const Table file_as =
      testing::QueryRows(narrow, "SELECT FileAs FROM Contacts ORDER BY CKey");
  const std::string name = "Kessler Audio Systems";
  ASSERT_EQ(file_as.size(), 3u);
  EXPECT_EQ(file_as[0][0], name);
  for (int i = 1; i < 3; ++i) {
    // The name gives up as many of its last characters as its suffix needs.
    const std::string& value = file_as[i][0];
    EXPECT_EQ(value.size(), name.size()) << value;
    EXPECT_EQ(value.rfind("Kessler Audio Sys", 0), 0u) << value;
    const size_t dash = value.rfind('-');
    ASSERT_NE(dash, std::string::npos) << value;
    EXPECT_TRUE(IsFileAsSuffix(value.substr(dash))) << value;
  }
}

// Ends the host transaction behind the import's back at the second record,
// as SQLite does by itself after a disk-full or I/O failure.
class TransactionEndingProgress : public RecordingProgress {
 public:
  explicit TransactionEndingProgress(data::Connection& host) : host_(host) {}
  void SetPercent(double percent) override {
    RecordingProgress::SetPercent(percent);
    if (++calls_ == 3) host_.Execute("ROLLBACK TRANSACTION");
  }

 private:
  data::Connection& host_;
  int calls_ = 0;
};

TEST_F(XavImportTest, ATransactionTheEngineEndedFailsTheRunInsteadOfCompleting) {
  TransactionEndingProgress progress(host_);
  host_.BeginTrans();
  EXPECT_THROW(
      ImportXAVTables(std::vector<XavTableEntry>{{"Customers (3 records)", 1, true},
                                                 {"Inventory (4 records)", 2, true}},
                      {.DatabaseDir = kFixtures + "/main/",
                       .HistoryDir = kFixtures + "/history/",
                       .host = host_,
                       .progress = progress}),
      data::DbError);
  // Nothing of the customers was kept, so they are not reported as
  // completed, and no further table is read into a lost transaction.
  EXPECT_EQ(progress.lines, (Lines{"Importing Customers (3 records)"}));
  EXPECT_EQ(LiveContextCount(), contexts_before_);
  ASSERT_EQ(host_.TransactionLevel(), 1);
  host_.RollbackTrans();
  EXPECT_EQ(Query("SELECT (SELECT count(*) FROM Contacts) + "
                  "(SELECT count(*) FROM ContactPhones) + "
                  "(SELECT count(*) FROM InventoryItems)"),
            (Table{{"0"}}));
}

// Reports once the import has got well into its records.
class SignallingProgress : public RecordingProgress {
 public:
  explicit SignallingProgress(int descriptor) : descriptor_(descriptor) {}
  void SetPercent(double percent) override {
    if (percent >= 5 && !signalled_) {
      signalled_ = (write(descriptor_, "x", 1) == 1);
    }
  }

 private:
  int descriptor_;
  bool signalled_ = false;
};

TEST_F(XavImportTest, AProcessKilledWhileImportingLeavesTheHostAsItWas) {
  // Demo rows, so that the host is not empty to begin with.
  RunSql(path_,
         "INSERT INTO Contacts (FileAs, LastName) VALUES ('Existing One', 'One'), "
         "('Existing Two', 'Two'); "
         "INSERT INTO InventoryItems (ItemNumber) VALUES ('EX-1')");
  std::filesystem::create_directory(scratch_.File("big"));
  DbfBuilder log;
  log.Field("FNAME", 'C', 15).Field("LNAME", 'C', 20).Field("PHONE", 'C', 14);
  for (int i = 0; i < 40000; ++i) {
    log.Record({"ANN", "CUSTOMER" + std::to_string(i), "(518) 555-0142"});
  }
  log.WriteTo(scratch_.File("big/LOG.DBF"));
  // SQLite must not see a connection carried across the fork.
  host_.Close();
  const std::string before = testing::SqliteDump(path_);
  ASSERT_NE(before.find("Existing Two"), std::string::npos) << before;
  const std::string bytes_before = FileBytes(path_);

  int ready[2];
  ASSERT_EQ(pipe(ready), 0);
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    close(ready[0]);
    SignallingProgress progress(ready[1]);
    data::Connection host(path_);
    // A small page cache makes the import write into the database file
    // before it commits, as a large import does.
    host.Execute("PRAGMA cache_size = 50");
    host.BeginTrans();
    ImportXAVTables(std::vector<XavTableEntry>{{"Customers (40000 records)", 1, true}},
                    {.DatabaseDir = scratch_.File("big/"),
                     .HistoryDir = scratch_.File("big/"),
                     .host = host,
                     .progress = progress});
    _exit(3);  // finished before it was killed
  }
  close(ready[1]);
  char byte = 0;
  const ssize_t got = read(ready[0], &byte, 1);
  kill(child, SIGKILL);
  int status = 0;
  waitpid(child, &status, 0);
  close(ready[0]);
  ASSERT_EQ(got, 1) << "the child never got into its records";
  ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL)
      << "the import ended before it could be killed";
  // Killed in the middle: rows had reached the database file, and the
  // journal that undoes them is left behind.
  EXPECT_NE(FileBytes(path_), bytes_before);
  EXPECT_TRUE(std::filesystem::exists(path_ + "-journal"));

  EXPECT_EQ(testing::SqliteShell(path_, "PRAGMA integrity_check"), "ok\n");
  EXPECT_EQ(testing::SqliteDump(path_), before);
}

}  // namespace
}  // namespace vdimpexp::legacy

// The legacy import on tables written by GDAL (tests/fixtures/xav) into the
// reference host database, read back with SQLite itself.
#include "legacy/xav_import.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>
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
using ::testing::ElementsAre;
using ::testing::IsEmpty;
using ::testing::MatchesRegex;
using ::testing::Not;
using Entries = std::vector<XavTableEntry>;

const std::string kFixtures = VD_XAV_FIXTURES;
// The "-" and number from 1 to 50 that set a duplicate contact apart.
const std::string kSuffix = "-([1-9]|[1-4][0-9]|50)";

class RecordingProgress : public support::ProgressSink {
 public:
  void AppendLine(std::string_view text) override { (log += text) += "\n"; }
  void SetPercent(double percent) override {
    percents.push_back(percent);
    if (on_percent) on_percent(percent);
  }
  void ShowBar(bool visible) override { bar.push_back(visible); }
  void RunPendingEvents() override { ++pending_event_runs; }

  std::function<void(double)> on_percent;
  std::string log;  // every line, each ending in a line break
  std::vector<double> percents;
  std::vector<bool> bar;  // every show (true) and hide (false), in order
  int pending_event_runs = 0;
};

class XavImportTest : public ::testing::Test {
 protected:
  XavImportTest() {
    schema::CreateReferenceDatabase(path_, {.contacts = 0});
    host_.Open(path_);
  }

  // Imports `entries` inside the transaction the wizard would hold, then commits.
  bool Import(const Entries& entries, const std::string& main = kFixtures + "/main/",
              const std::string& unmarked_code_page = {}) {
    const std::size_t contexts = LiveContextCount();
    host_.BeginTrans();
    const bool result =
        ImportXAVTables(entries, {.DatabaseDir = main,
                                  .HistoryDir = kFixtures + "/history/",
                                  .host = host_,
                                  .progress = progress_,
                                  .report = report_,
                                  .unmarked_code_page = unmarked_code_page});
    EXPECT_EQ(host_.TransactionLevel(), 1) << "every table ends its own transaction";
    host_.CommitTrans();
    EXPECT_EQ(LiveContextCount(), contexts) << "the run ends its context";
    return result;
  }
  // Runs `sql` with SQLite on the host, then reopens the host.
  void Alter(const std::string& sql) {
    scratch_.Database("shop.db", sql);
    host_.Open(path_);
  }
  // Every row of `sql` on `database`, its columns joined by "|".
  std::vector<std::string> Rows(const std::string& sql,
                                const std::string& database = "") {
    std::vector<std::string> rows;
    for (const auto& row : testing::QueryRows(database.empty() ? path_ : database, sql)) {
      std::string& joined = rows.emplace_back();
      for (std::size_t i = 0; i < row.size(); ++i) joined += (i ? "|" : "") + row[i];
    }
    return rows;
  }

  testing::ScratchDirectory scratch_;
  std::string path_ = scratch_.File("shop.db");
  data::Connection host_;
  RecordingProgress progress_;
  XavImportReport report_;
};

TEST_F(XavImportTest, TickedTablesAreImportedInListOrder) {
  EXPECT_TRUE(Import({{"Vendor (2 records)", 7, true},
                      {"Service Codes (1 records)", 3, true},
                      {"Customers (3 records)", 1, true},
                      {"Inventory (4 records)", 2, true},
                      {"Manufacturers (1 records)", 5, true},
                      {"Labor Codes (4 records)", 4, true},
                      {"Dealers (1 records)", 6, true},
                      {"Service Literature (2 records)", 8, true},
                      {"History W/O (3 records)", 9, true},
                      {"Customers (3 records)", 1, false}}));
  EXPECT_EQ(progress_.log,
            "Importing Vendor (2 records)\nCompleted.\n"
            "2 records read: 2 imported, 0 dropped as duplicates, 0 refused; 0 skipped "
            "as deleted.\n"
            "Importing Customers (3 records)\nCompleted.\n"
            "3 records read: 3 imported, 0 dropped as duplicates, 0 refused; 0 skipped "
            "as deleted.\n"
            "Importing Inventory (4 records)\nCompleted. Duplicate records ignored.\n"
            "4 records read: 3 imported, 1 dropped as a duplicate, 0 refused; 0 skipped "
            "as deleted.\n"
            "Importing Manufacturers (1 records)\nCompleted.\n"
            "1 record read: 1 imported, 0 dropped as duplicates, 0 refused; 0 skipped as "
            "deleted.\n"
            "Importing Dealers (1 records)\nCompleted.\n"
            "1 record read: 1 imported, 0 dropped as duplicates, 0 refused; 0 skipped as "
            "deleted.\n"
            "Importing History W/O (3 records)\n"
            "Completed. Some duplicate records were modified.\n"
            "3 records read: 3 imported (2 under a changed FileAs), 0 dropped as "
            "duplicates, 0 refused; 0 skipped as deleted.\n");
  EXPECT_THAT(progress_.percents,
              ::testing::Pointwise(
                  ::testing::DoubleEq(),
                  std::vector<double>{0, 50,  100, 0,         100.0 / 3, 200.0 / 3, 100,
                                      0, 25,  50,  75,        100,       0,         100,
                                      0, 100, 0,   100.0 / 3, 200.0 / 3, 100}));
  EXPECT_EQ(progress_.pending_event_runs, 6);

  EXPECT_THAT(
      Rows("SELECT ClientType, FirstName, LastName, Company, Address, City, State, "
           "ZipCode, AccountNo1, Notes FROM Contacts ORDER BY CKey"),
      ElementsAre(
          "4|||Eastern Electronic Parts|85 Motor Pkwy|Hauppauge|Ny|11788|EEP-44120|"
          "Main Parts Supplier - Next Day Ups",
          "4|||Midstate Components|1200 Erie Blvd E|Syracuse|Ny|13210|M2209|",
          "9|Patrick|O'brien||12 North Pearl St|Albany|Ny|12207||<null>",
          "9|Mary Ann|Smith-jones||88 Ontario St|Troy|Ny|12180||<null>",
          "9|Élodie|Mcdonald||7 Rue Côté|Montréal|Qc|h2x 1y4||<null>",
          "8|||Kessler Audio Systems|45 Industrial Way|Edison|Nj|08817||"
          "Warranty Claims By Fax Only",
          "2|||Capital Tv & Appliance|912 Central Ave|Albany|Ny|12206||"
          "Sends Warranty Work Mon/thu",
          "9|Patrick|O'brien||12 North Pearl St|Albany|Ny|12207||<null>",
          "9|Hélène|Gagnon||5 Rue Saint-denis|Québec|Qc|G1R 4A1||<null>",
          "9|Hélène|Gagnon||5 Rue Saint-denis|Québec|Qc|G1R 4A1||<null>"));
  // The history's O'brien Patrick was taken by the customers; its first
  // Gagnon Hélène is free, the second is not.
  EXPECT_THAT(Rows("SELECT FileAs FROM Contacts WHERE CKey > 7 ORDER BY CKey"),
              ElementsAre(MatchesRegex("O'brien Patrick" + kSuffix), "Gagnon Hélène",
                          MatchesRegex("Gagnon Hélène" + kSuffix)));
  EXPECT_THAT(Rows("SELECT CKey, PhoneDescID, Phone FROM ContactPhones ORDER BY PhoneID"),
              ElementsAre("1|8|(516)555-0140", "1|18|(516)555-0141", "2|8|(315)555-0152",
                          "3|8|(518)555-0142", "3|35|(518)555-0101", "4|8|(518)555-0193",
                          "5|35|(   )555-0128", "6|8|(732)555-0120", "6|18|(732)555-0129",
                          "7|8|(518)555-0161", "7|18|(518)555-0162", "8|8|(518)555-0142",
                          "9|8|(418)555-0177", "10|8|(418)555-0177"));
  // The second BK-100 is dropped; a part number is cut to its column; a
  // quantity GDAL left empty keeps the new row's value.
  EXPECT_THAT(
      Rows("SELECT ItemNumber, GeneticNo, length(DescEstimate), DescInvoice = "
           "DescEstimate, Location, StorageBin1, LastItemUsedOn, CostOrRateLastUpdated, "
           "UnitsInStock1, ReOrderPoint1, CostOrRate, SalesPriceOrRate, Notes, ItemType, "
           "ProductLine, Category, TaxableItem, AllowBackOrders FROM InventoryItems "
           "ORDER BY InventoryID"),
      ElementsAre(
          "BK-100|VCR-BELTKIT|33|1|A-01|A-01|1999-03-15|1999-03-15|14.0|5.0|3.25|"
          "9.95|Fits most 1988-93 decks|2|3|9|1|1",
          "IT-22|IDLER-22MM|15|1|A-02|A-02|<null>|<null>|40.0|10.0|0.6|3.5||2|3|9|1|1",
          "VERY-LONG-PART-NUMBE|UNIV-REMOTE|254|1|B-11|B-11|1998-06-22|1998-06-22|"
          "0.0|2.0|4.8|14.95|No count on hand|2|3|9|1|1"));
}

TEST_F(XavImportTest, ItemColumnsTheHostLacksOrWidensAreHandledAlone) {
  // Descriptions wider than 255, no GeneticNo and no Location: the steps
  // that need a missing column are passed over, the row is still saved, and
  // a column copied from a missing one keeps its new-row value.
  const std::string other = scratch_.Database(
      "other.db",
      "CREATE TABLE InventoryItems (InventoryID INTEGER PRIMARY KEY AUTOINCREMENT, "
      "ItemNumber TEXT(20), DescEstimate TEXT(400), DescInvoice TEXT(400), "
      "StorageBin1 TEXT(20) DEFAULT 'BACK ROOM', UnitsInStock1 DOUBLE DEFAULT 7, "
      "LastItemUsedOn DATETIME, CostOrRateLastUpdated DATETIME DEFAULT '2001-02-03')");
  host_.Open(other);
  // A Clipper-style 300-byte character field (44, and 256 in the decimals
  // byte), which neither GDAL nor shapelib writes.
  std::filesystem::create_directory(scratch_.File("main"));
  DbfBuilder()
      .Field("PARTNO", 'C', 20)
      .Field("DISC", 'C', 44, 1)
      .Field("LASTDATE", 'D', 8)
      .Field("QUAN", 'N', 6)
      .Record({"WIDE-1", std::string(250, 'd') + "    e" + std::string(45, 'x')})
      .Record({"GONE-1", "marked deleted"}, /*deleted=*/true)
      // A quantity too wide for dBASE's field is asterisks, as is GDAL's none;
      // a decimal comma is no number at all.
      .Record({"STARS-1", "", "", "******"})
      .Record({"COMMA-1", "", "", "12,50"})
      .WriteTo(scratch_.File("main/STOCK.DBF"));
  EXPECT_TRUE(Import({{"Inventory (3 records)", 2, true}}, scratch_.File("main/")));
  EXPECT_EQ(
      progress_.log,
      "Importing Inventory (3 records)\nCompleted.\n"
      "3 records read: 3 imported, 0 dropped as duplicates, 0 refused; 1 skipped as "
      "deleted.\n1 number could not be read; its column keeps the value of a new "
      "row.\n");
  // Cut at 255 whatever the column; a blank quantity and date leave the new
  // row's values, and CostOrRateLastUpdated copies the empty LastItemUsedOn.
  EXPECT_THAT(Rows("SELECT ItemNumber, length(DescEstimate), substr(DescEstimate, -1), "
                   "DescInvoice = DescEstimate, UnitsInStock1, LastItemUsedOn, "
                   "CostOrRateLastUpdated, StorageBin1 FROM InventoryItems ORDER BY 1",
                   other),
              ElementsAre("COMMA-1|0||1|7.0|<null>|<null>|BACK ROOM",
                          "STARS-1|0||1|7.0|<null>|<null>|BACK ROOM",
                          "WIDE-1|255|e|1|7.0|<null>|<null>|BACK ROOM"));
}

TEST_F(XavImportTest, EmptyAndUnreadableTablesDoNotStopTheRun) {
  const std::string main = scratch_.File("main/");
  std::filesystem::create_directory(main);
  std::filesystem::copy_file(kFixtures + "/main/LOG.DBF", main + "LOG.DBF");
  // Written by shapelib's dbfcreate: a table without records.
  std::filesystem::copy_file(std::string(VD_DBF_FIXTURES) + "/shapelib_empty.dbf",
                             main + "STOCK.DBF");
  std::ofstream(main + "MFG.DBF") << "not a table at all";
  // VENDOR.DBF is missing; STORES.DBF is a named pipe, which would block a
  // reader that opened it.
  ASSERT_EQ(::mkfifo((main + "STORES.DBF").c_str(), 0600), 0);
  EXPECT_FALSE(Import({{"Manufacturers (1 records)", 5, true},
                       {"Customers (3 records)", 1, true},
                       {"Vendor (2 records)", 7, true},
                       {"Dealers (1 records)", 6, true},
                       {"Inventory (0 records)", 2, true}},
                      main));
  EXPECT_EQ(progress_.log,
            "Importing Manufacturers (1 records)\nMFG.DBF could not be opened: the file "
            "ends before the header it declares.\nImporting Customers (3 records)\n"
            "Completed.\n3 records read: 3 imported, 0 dropped as duplicates, 0 refused; "
            "0 skipped as deleted.\nImporting Vendor (2 records)\n"
            "VENDOR.DBF could not be opened: there is no such file.\n"
            "Importing Dealers (1 records)\n"
            "STORES.DBF could not be opened: it is not a regular file.\n"
            "Importing Inventory (0 records)\nCompleted.\n0 records read: 0 imported, 0 "
            "dropped as duplicates, 0 refused; 0 skipped as deleted.\n")
      << "no Completed. line for a table that cannot be opened";
  EXPECT_THAT(progress_.bar, ElementsAre(true, false, true, false, true, false, true,
                                         false, true, false));
  EXPECT_THAT(
      Rows("SELECT count(*), (SELECT count(*) FROM InventoryItems) FROM Contacts"),
      ElementsAre("3|0"));
}

TEST_F(XavImportTest, AReadFailingPartWayNamesTheRecordsNotReachedAndSparesTheNextTable) {
  const std::string main = scratch_.File("main/");
  std::filesystem::create_directory(main);
  DbfBuilder stock;
  stock.Field("PARTNO", 'C', 20);
  for (int i = 0; i < 20000; ++i) stock.Record({"P" + std::to_string(i)});
  stock.WriteTo(main + "STOCK.DBF");
  std::filesystem::copy_file(kFixtures + "/main/LOG.DBF", main + "LOG.DBF");
  // The file shrinks under the import, as when the DOS program packs it.
  progress_.on_percent = [&, cut = false](double percent) mutable {
    if (percent >= 10 && !cut)
      cut = ::truncate((main + "STOCK.DBF").c_str(), 300000) == 0;
  };
  Import({{"Inventory (20000 records)", 2, true}, {"Customers (3 records)", 1, true}},
         main);
  ASSERT_EQ(report_.tables.size(), 2u);
  const XavTableCounts& inventory = report_.tables[0];
  EXPECT_GT(inventory.unread, 0);
  EXPECT_EQ(inventory.read + inventory.unread, 20000);
  EXPECT_THAT(
      progress_.log,
      ::testing::HasSubstr(
          "STOCK.DBF could not be read after record " + std::to_string(inventory.read) +
          " (the records cannot be read): " + std::to_string(inventory.unread) +
          " records after it were not imported.\nImporting Customers (3 records)\n"
          "Completed.\n"));
}

TEST_F(XavImportTest, MemoTextsArriveWhereTheirFieldsGoAndUnreadableOnesAreCounted) {
  // python3-dbf's tables (tests/fixtures/memo): as written, without their
  // memo files, and with them cut (MFG's last text begins past the new end,
  // STOCK's last block loses its tail).
  namespace fs = std::filesystem;
  const std::string kMemoRows =
      "SELECT name, length(notes), substr(replace(notes, char(13, 10), '/'), -28) FROM "
      "(SELECT Company name, Notes notes FROM Contacts UNION ALL SELECT ItemNumber, "
      "Notes FROM InventoryItems) ORDER BY name";
  auto log = [](const std::string& mfg, const std::string& stock) {
    const std::string read =
        "3 records read: 3 imported, 0 dropped as duplicates, 0 refused; 0 skipped as "
        "deleted.\n";
    return "Importing Manufacturers (3 records)\nCompleted.\n" + read + mfg +
           "Importing Inventory (3 records)\nCompleted.\n" + read + stock;
  };
  const std::string kAcme = "Acme Parts|803|ows. Parts List Follows. End";
  const std::string kKessler = "Kessler Audio Systems|42|ms By Fax Only./Ask For Zoë.";
  const std::string kLast = "LAST-1|18|Ships in two weeks";
  struct Case {
    std::function<void(const std::string&)> damage;
    std::string log;
    std::vector<std::string> rows;
  } cases[] = {
      {[](const std::string&) {},
       log("", ""),
       {kAcme, "BK-100|33|most decks – café models too", "IT-22|0|", kKessler, kLast,
        "Philco Service|<null>|<null>"}},
      {[](const std::string& main) {
         fs::remove(main + "MFG.DBT");
         fs::remove(main + "stock.fpt");
       },
       log("3 memo texts could not be read.\n", "3 memo texts could not be read.\n"),
       {"Acme Parts|<null>|<null>", "BK-100|0|", "IT-22|0|",
        "Kessler Audio Systems|<null>|<null>", "LAST-1|0|",
        "Philco Service|<null>|<null>"}},
      {[](const std::string& main) {
         fs::resize_file(main + "MFG.DBT", 3 * 512);
         fs::resize_file(main + "stock.fpt", fs::file_size(main + "stock.fpt") - 4);
       },
       log("1 memo text could not be read.\n", "1 memo text could not be read.\n"),
       {"Acme Parts|<null>|<null>", "BK-100|33|most decks – café models too", "IT-22|0|",
        kKessler, "LAST-1|0|", "Philco Service|<null>|<null>"}},
  };
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    const std::string main = scratch_.File("memo" + std::to_string(i) + "/");
    fs::copy(VD_MEMO_FIXTURES "/main", main);
    cases[i].damage(main);
    progress_.log.clear();
    host_.Execute("DELETE FROM Contacts");
    host_.Execute("DELETE FROM InventoryItems");
    EXPECT_TRUE(Import(
        {{"Manufacturers (3 records)", 5, true}, {"Inventory (3 records)", 2, true}},
        main));
    EXPECT_EQ(progress_.log, cases[i].log) << "case " << i;
    EXPECT_THAT(Rows(kMemoRows), ::testing::ElementsAreArray(cases[i].rows))
        << "case " << i;
  }
}

TEST_F(XavImportTest, NothingIsReadWhenTheLibraryCannotStart) {
  std::vector<ContextHandle> taken;
  for (ContextHandle context; (context = code4initVB()) != 0;) taken.push_back(context);
  EXPECT_FALSE(Import({{"Customers (3 records)", 1, true}}));
  for (ContextHandle context : taken) code4initUndo(context);
  EXPECT_THAT(progress_.bar, ElementsAre(false));
  EXPECT_EQ(progress_.log, "");
  EXPECT_THAT(Rows("SELECT count(*) FROM Contacts"), ElementsAre("0"));
}

TEST_F(XavImportTest, RowsTheHostRefusesForOtherReasonsAreDroppedAndCounted) {
  Alter(
      "CREATE TRIGGER no_smiths BEFORE INSERT ON Contacts "
      "WHEN NEW.LastName = 'Smith-jones' BEGIN SELECT RAISE(ABORT, 'no'); END; "
      "CREATE TRIGGER no_idlers BEFORE INSERT ON InventoryItems "
      "WHEN NEW.ItemNumber = 'IT-22' BEGIN SELECT RAISE(ABORT, 'no'); END;");
  EXPECT_TRUE(
      Import({{"Customers (3 records)", 1, true}, {"Inventory (4 records)", 2, true}}));
  EXPECT_EQ(
      progress_.log,
      "Importing Customers (3 records)\nCompleted.\n1 record could not be imported.\n"
      "3 records read: 2 imported, 0 dropped as duplicates, 1 refused (no); 0 skipped as "
      "deleted.\n"
      "Importing Inventory (4 records)\nCompleted. Duplicate records ignored.\n"
      "1 record could not be imported.\n4 records read: 2 imported, 1 dropped as a "
      "duplicate, 1 refused (no); 0 skipped as deleted.\n");
  // The rows after a refused one carry their own values, and the refused
  // contact's phone rows are gone with it.
  EXPECT_THAT(Rows("SELECT c.LastName, c.Address, p.Phone FROM ContactPhones p LEFT JOIN "
                   "Contacts c ON c.CKey = p.CKey ORDER BY p.PhoneID"),
              ElementsAre("O'brien|12 North Pearl St|(518)555-0142",
                          "O'brien|12 North Pearl St|(518)555-0101",
                          "Mcdonald|7 Rue Côté|(   )555-0128"));
  EXPECT_THAT(Rows("SELECT ItemNumber, GeneticNo FROM InventoryItems ORDER BY 1"),
              ElementsAre("BK-100|VCR-BELTKIT", "VERY-LONG-PART-NUMBE|UNIV-REMOTE"));
  // The report holds the same counts, and every record left out, named.
  std::vector<std::string> counts;
  for (const XavTableCounts& table : report_.tables) {
    counts.push_back(table.table + ":" + std::to_string(table.read) + "=" +
                     std::to_string(table.imported) + "+" +
                     std::to_string(table.dropped) + "+" + std::to_string(table.refused));
  }
  EXPECT_THAT(counts, ElementsAre("Customers (3 records):3=2+0+1",
                                  "Inventory (4 records):4=2+1+1"));
  std::vector<std::string> set_aside;
  for (const SetAsideRecord& record : report_.set_aside) {
    set_aside.push_back(record.table + "|" + std::to_string(record.record) + "|" +
                        record.key + "|" + record.reason);
  }
  EXPECT_THAT(set_aside,
              ElementsAre("LOG.DBF|2|Smith-jones Mary Ann|no", "STOCK.DBF|2|IT-22|no",
                          "STOCK.DBF|3|BK-100|a duplicate of an item already "
                          "in the host"));
}

// An unmarked table in DOS 852, which the bytes cannot tell: the user's
// choice reads it, and the progress says what was chosen.
TEST_F(XavImportTest, TheChosenCharacterSetReadsUnmarkedTablesAndIsShown) {
  EXPECT_TRUE(Import({{"Customers (4 records)", 1, true}}, VD_CODEPAGE_FIXTURES "/cp852/",
                     "CP852"));
  EXPECT_THAT(progress_.log,
              ::testing::StartsWith("Importing Customers (4 records) - character set of "
                                    "tables without one: DOS 852 (Central Europe)\n"));
  EXPECT_THAT(Rows("SELECT LastName, City FROM Contacts ORDER BY CKey"),
              ElementsAre("Dvořák|Nelahozeves", "Wiśniewska|Łódź", "Kovács|Győr",
                          "Čapek|Žižkov"));
}

TEST_F(XavImportTest, AContactRefusedAsADuplicateWhateverItsSuffixIsGivenUp) {
  // The suffixes on FileAs cannot satisfy an index on the contact type.
  Alter("CREATE UNIQUE INDEX one_per_type ON Contacts (ClientType)");
  EXPECT_TRUE(Import({{"Customers (3 records)", 1, true}}));
  EXPECT_EQ(progress_.log,
            "Importing Customers (3 records)\n"
            "Completed. Some duplicate records were modified.\n"
            "2 records could not be imported.\n"
            "3 records read: 1 imported, 0 dropped as duplicates, 2 refused (still a "
            "duplicate after 100 names); 0 skipped as deleted.\n");
  EXPECT_THAT(Rows("SELECT FileAs FROM Contacts"), ElementsAre("O'brien Patrick"));
  // Listed under the names they were first filed under, without a suffix.
  ASSERT_EQ(report_.set_aside.size(), 2u);
  for (const SetAsideRecord& record : report_.set_aside) {
    EXPECT_THAT(record.key, Not(MatchesRegex(".*" + kSuffix))) << record.key;
  }
}

TEST_F(XavImportTest, ANameThatFillsItsColumnKeepsItsSuffixInsideTheColumn) {
  // A FileAs column exactly as wide as the manufacturer's name.
  Alter(
      "ALTER TABLE Contacts RENAME COLUMN FileAs TO WideFileAs; "
      "ALTER TABLE Contacts ADD COLUMN FileAs TEXT(21); "
      "CREATE UNIQUE INDEX narrow ON Contacts (FileAs)");
  const XavTableEntry manufacturers{"Manufacturers (1 records)", 5, true};
  EXPECT_TRUE(Import({manufacturers, manufacturers, manufacturers}));
  // The name gives up as many of its last characters as its suffix needs.
  const std::string cut = "Kessler Audio Sys[a-z ]*";
  EXPECT_THAT(
      Rows("SELECT FileAs, length(FileAs) FROM Contacts ORDER BY CKey"),
      ElementsAre("Kessler Audio Systems|21", MatchesRegex(cut + kSuffix + "\\|21"),
                  MatchesRegex(cut + kSuffix + "\\|21")));
}

TEST_F(XavImportTest, ATransactionTheEngineEndedFailsTheRunInsteadOfCompleting) {
  // Ended behind the import's back at the second record, as SQLite does by
  // itself after a disk-full or I/O failure.
  const std::size_t contexts = LiveContextCount();
  progress_.on_percent = [&, calls = 0](double) mutable {
    if (++calls == 3) host_.Execute("ROLLBACK TRANSACTION");
  };
  EXPECT_THROW(
      Import({{"Customers (3 records)", 1, true}, {"Inventory (4 records)", 2, true}}),
      data::DbError);
  // Nothing of the customers was kept, so they are not reported as
  // completed, and no further table is read into a lost transaction.
  EXPECT_EQ(progress_.log, "Importing Customers (3 records)\n");
  EXPECT_EQ(LiveContextCount(), contexts);
  ASSERT_EQ(host_.TransactionLevel(), 1);
  host_.RollbackTrans();
  EXPECT_THAT(Rows("SELECT (SELECT count(*) FROM Contacts) + (SELECT count(*) FROM "
                   "ContactPhones) + (SELECT count(*) FROM InventoryItems)"),
              ElementsAre("0"));
}

TEST_F(XavImportTest, AProcessKilledWhileImportingLeavesTheHostAsItWas) {
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
  ASSERT_THAT(before, ::testing::HasSubstr("INSERT INTO ZipCodes")) << "demo rows";
  const auto size_before = std::filesystem::file_size(path_);

  int ready[2];
  ASSERT_EQ(pipe(ready), 0);
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    close(ready[0]);
    // Tells the parent once the import has got well into its records.
    progress_.on_percent = [&, told = false](double percent) mutable {
      if (percent >= 5 && !told) told = write(ready[1], "x", 1) == 1;
    };
    host_.Open(path_);
    // A small page cache makes the import write into the database file
    // before it commits, as a large import does.
    host_.Execute("PRAGMA cache_size = 50");
    Import({{"Customers (40000 records)", 1, true}}, scratch_.File("big/"));
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
  EXPECT_GT(std::filesystem::file_size(path_), size_before);
  EXPECT_TRUE(std::filesystem::exists(path_ + "-journal"));
  EXPECT_EQ(testing::SqliteShell(path_, "PRAGMA integrity_check"), "ok\n");
  EXPECT_EQ(testing::SqliteDump(path_), before);
}

}  // namespace
}  // namespace vdimpexp::legacy
